#include "db/qt_open_parameters.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

ConnectionParameters Server(const std::string& password) {
  ConnectionParameters p;
  p.server = "erp.local";
  p.database = "EMPRESA1";
  p.user = "vor";
  p.password = password;
  p.port = 1444;
  p.timeout_ms = 2500;
  return p;
}

TEST(BuildOpenParametersTest, FreeTdsServer) {
  const QtOpenParameters q = BuildOpenParameters(Server("pw"));
  EXPECT_EQ(q.qt_driver, "QODBC");
  EXPECT_EQ(q.database_name,
            "DRIVER={FreeTDS};SERVER=erp.local;PORT=1444;DATABASE=EMPRESA1;"
            "UID=vor;PWD=pw;TDS_Version=7.4;ClientCharset=UTF-8");
  // Whole seconds, rounded up.
  EXPECT_EQ(q.connect_options, "SQL_ATTR_LOGIN_TIMEOUT=3");
  EXPECT_FALSE(q.sqlite_dialect);
  EXPECT_EQ(q.database_file, "");
}

TEST(BuildOpenParametersTest, OdbcValuesThatWouldBreakThePairsAreBraced) {
  ConnectionParameters p = Server("a;b}c");
  p.driver = "ODBC Driver 18 for SQL Server";
  p.timeout_ms = 0;
  const QtOpenParameters q = BuildOpenParameters(p);
  EXPECT_NE(q.database_name.find("DRIVER={ODBC Driver 18 for SQL Server};"),
            std::string::npos);
  EXPECT_NE(q.database_name.find(";PWD={a;b}}c};"), std::string::npos);
  EXPECT_EQ(q.connect_options, "SQL_ATTR_LOGIN_TIMEOUT=1");
}

TEST(BuildOpenParametersTest, BraceInAValueIsRefusedForDriversThatEndItThere) {
  // FreeTDS would read PWD={x}};PORT=2} as PWD=x and then PORT=2.
  const QtOpenParameters q = BuildOpenParameters(Server("x};PORT=2"));
  EXPECT_EQ(q.problem,
            "o valor de Password contém '}', que o controlador ODBC FreeTDS "
            "não lê como parte do valor");
  ConnectionParameters user = Server("pw");
  user.user = "a}b";
  EXPECT_NE(BuildOpenParameters(user).problem.find("Utilizador"),
            std::string::npos);
  ConnectionParameters sqlite;
  sqlite.server = "localhost";
  sqlite.driver = "SQLite3";
  sqlite.database = "/data/a}b.db";
  EXPECT_NE(BuildOpenParameters(sqlite).problem.find("BaseDados"),
            std::string::npos);
  // Other values and other drivers are passed.
  EXPECT_EQ(BuildOpenParameters(Server("a;b{c=d")).problem, "");
  ConnectionParameters microsoft = Server("a}b");
  microsoft.driver = "ODBC Driver 18 for SQL Server";
  EXPECT_EQ(BuildOpenParameters(microsoft).problem, "");
}

TEST(BuildOpenParametersTest, EmbeddedSqliteUsesAReadWriteUri) {
  ConnectionParameters p;
  p.server = "SQLite";
  p.database = "/data/erp 1/a?b#c%d.db";
  p.timeout_ms = 1500;
  const QtOpenParameters q = BuildOpenParameters(p);
  EXPECT_EQ(q.qt_driver, "QSQLITE");
  EXPECT_EQ(q.database_name, "file:/data/erp%201/a%3Fb%23c%25d.db?mode=rw");
  EXPECT_EQ(q.connect_options, "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1500");
  EXPECT_TRUE(q.sqlite_dialect);
  EXPECT_EQ(q.database_file, p.database);
}

TEST(BuildOpenParametersTest, SqliteOdbcDriverNeverCreatesAFile) {
  ConnectionParameters p;
  p.server = "localhost";
  p.driver = "SQLite3";
  p.database = "/data/a;b.db";
  p.timeout_ms = 700;
  const QtOpenParameters q = BuildOpenParameters(p);
  EXPECT_EQ(q.qt_driver, "QODBC");
  EXPECT_EQ(q.database_name,
            "DRIVER={SQLite3};Database={/data/a;b.db};Timeout=700;NoCreat=1");
  EXPECT_TRUE(q.sqlite_dialect);
  EXPECT_EQ(q.database_file, "/data/a;b.db");
}

}  // namespace
}  // namespace vor
