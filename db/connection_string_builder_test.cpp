#include "db/connection_string_builder.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

ConnectionStringBuilder Login(const std::string& password) {
  ConnectionStringBuilder b;
  b.Provider("MSDataShape");
  b.DataProvider(1);
  b.Server("erp-srv");
  b.Database("EMPRESA1");
  b.User("vor");
  b.Password(password);
  return b;
}

TEST(ConnectionStringBuilderTest, PlainValuesAndDefaults) {
  const QtOpenParameters p = Login("pw").ConnectionString();
  EXPECT_EQ(p.database_name,
            "DRIVER={FreeTDS};SERVER=erp-srv;PORT=1433;DATABASE=EMPRESA1;"
            "UID=vor;PWD=pw;TDS_Version=7.4;ClientCharset=UTF-8");
  EXPECT_EQ(p.connect_options, "SQL_ATTR_LOGIN_TIMEOUT=30");
  EXPECT_EQ(p.server, "erp-srv");
  EXPECT_EQ(p.database, "EMPRESA1");
  EXPECT_EQ(p.timeout_ms, 30000);
}

TEST(ConnectionStringBuilderTest, AwkwardValuesReachTheDriverAsTheyAre) {
  for (const std::string& value :
       {std::string("a;b"), std::string("x=y"), std::string("{abc}"),
        std::string("}}"), std::string(" lead"), std::string("trail "),
        std::string(""), std::string("ção;{=}")}) {
    ConnectionStringBuilder b = Login(value);
    b.Database(value);
    b.Server("sqlite");
    b.Port(5000);
    b.TimeoutMs(250);
    b.Driver("SQLite3");
    const QtOpenParameters p = b.ConnectionString();
    EXPECT_EQ(p.password, value);
    EXPECT_EQ(p.database, value);
    EXPECT_EQ(p.database_file, value);
    EXPECT_EQ(p.server, "sqlite");
    EXPECT_EQ(p.qt_driver, "QSQLITE");
    EXPECT_EQ(p.timeout_ms, 250);
    EXPECT_EQ(p.problem, "");
  }
  EXPECT_EQ(QuoteConnectionValue("a}b;"), "{a}}b;}");
}

TEST(ConnectionStringBuilderTest, OnlyTheDriversTextHoldsThePassword) {
  const std::string secret = "S3gr;ed}o";
  ConnectionStringBuilder b = Login(secret);
  b.Driver("ODBC Driver 18 for SQL Server");
  const QtOpenParameters p = b.ConnectionString();
  EXPECT_NE(p.database_name.find("PWD={S3gr;ed}}o}"), std::string::npos);
  for (const std::string* text :
       {&p.connect_options, &p.problem, &p.server, &p.database}) {
    EXPECT_EQ(text->find("S3gr"), std::string::npos) << *text;
  }
  // A value the driver cannot take is named, never quoted.
  b.Driver("FreeTDS");
  EXPECT_EQ(b.ConnectionString().problem.find("S3gr"), std::string::npos);
}

TEST(ConnectionStringBuilderTest, ServerSelectsTheEngineLeniently) {
  EXPECT_TRUE(ConnectionStringBuilder::IsEmbeddedSqlite(" SQLite "));
  EXPECT_TRUE(ConnectionStringBuilder::IsEmbeddedSqlite("sqlite"));
  EXPECT_FALSE(ConnectionStringBuilder::IsEmbeddedSqlite("sqlite3"));
  EXPECT_FALSE(ConnectionStringBuilder::IsEmbeddedSqlite(""));
  ConnectionStringBuilder b;
  b.Server(" server ");
  b.Database("/x/y.db");
  const QtOpenParameters p = b.ConnectionString();
  EXPECT_EQ(p.qt_driver, "QODBC");
  EXPECT_NE(p.database_name.find("DRIVER={FreeTDS};"), std::string::npos);
  EXPECT_NE(p.database_name.find(";PORT=1433;"), std::string::npos);
  EXPECT_EQ(p.timeout_ms, 30000);
}

}  // namespace
}  // namespace vor
