#include "db/qt_open_parameters.h"

#include <gtest/gtest.h>

#include "db/connection_string_builder.h"

namespace vor {
namespace {

ConnectionStringBuilder Server(const std::string& password) {
  ConnectionStringBuilder p;
  p.Server("erp.local");
  p.Database("EMPRESA1");
  p.User("vor");
  p.Password(password);
  p.Port(1444);
  p.TimeoutMs(2500);
  return p;
}

QtOpenParameters BuildOpenParameters(const ConnectionStringBuilder& b) {
  return b.ConnectionString();
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
  ConnectionStringBuilder p = Server("a;b}c");
  p.Driver("ODBC Driver 18 for SQL Server");
  p.TimeoutMs(0);
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
  ConnectionStringBuilder user = Server("pw");
  user.User("a}b");
  EXPECT_NE(BuildOpenParameters(user).problem.find("Utilizador"),
            std::string::npos);
  ConnectionStringBuilder sqlite;
  sqlite.Server("localhost");
  sqlite.Driver("SQLite3");
  sqlite.Database("/data/a}b.db");
  EXPECT_NE(BuildOpenParameters(sqlite).problem.find("BaseDados"),
            std::string::npos);
  // Other values and other drivers are passed.
  EXPECT_EQ(BuildOpenParameters(Server("a;b{c=d")).problem, "");
  ConnectionStringBuilder microsoft = Server("a}b");
  microsoft.Driver("ODBC Driver 18 for SQL Server");
  EXPECT_EQ(BuildOpenParameters(microsoft).problem, "");
}

TEST(BuildOpenParametersTest, EmbeddedSqliteUsesAReadWriteUri) {
  ConnectionStringBuilder p;
  p.Server("SQLite");
  p.Database("/data/erp 1/a?b#c%d.db");
  p.TimeoutMs(1500);
  const QtOpenParameters q = BuildOpenParameters(p);
  EXPECT_EQ(q.qt_driver, "QSQLITE");
  EXPECT_EQ(q.database_name, "file:/data/erp%201/a%3Fb%23c%25d.db?mode=rw");
  EXPECT_EQ(q.connect_options, "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1500");
  EXPECT_TRUE(q.sqlite_dialect);
  EXPECT_EQ(q.database_file, "/data/erp 1/a?b#c%d.db");
}

TEST(BuildOpenParametersTest, SqliteOdbcDriverNeverCreatesAFile) {
  ConnectionStringBuilder p;
  p.Server("localhost");
  p.Driver("SQLite3");
  p.Database("/data/a;b.db");
  p.TimeoutMs(700);
  const QtOpenParameters q = BuildOpenParameters(p);
  EXPECT_EQ(q.qt_driver, "QODBC");
  EXPECT_EQ(q.database_name,
            "DRIVER={SQLite3};Database={/data/a;b.db};Timeout=700;NoCreat=1");
  EXPECT_TRUE(q.sqlite_dialect);
  EXPECT_EQ(q.database_file, "/data/a;b.db");
}

}  // namespace
}  // namespace vor
