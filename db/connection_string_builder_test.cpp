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
  EXPECT_EQ(Login("pw").ConnectionString(),
            "Provider=MSDataShape;Data Provider=1;Server=erp-srv;"
            "Database=EMPRESA1;User ID=vor;Password=pw;Driver=FreeTDS;"
            "Port=1433;Timeout Ms=30000;");
}

TEST(ConnectionStringBuilderTest, AwkwardValuesSurviveTheRoundTrip) {
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
    ConnectionParameters p;
    std::string error;
    ASSERT_TRUE(
        ConnectionStringBuilder::Parse(b.ConnectionString(), &p, &error))
        << value << ": " << error;
    EXPECT_EQ(p.password, value);
    EXPECT_EQ(p.database, value);
    EXPECT_EQ(p.server, "sqlite");
    EXPECT_TRUE(p.IsEmbeddedSqlite());
    EXPECT_EQ(p.provider, "MSDataShape");
    EXPECT_EQ(p.data_provider, 1);
    EXPECT_EQ(p.driver, "SQLite3");
    EXPECT_EQ(p.port, 5000);
    EXPECT_EQ(p.timeout_ms, 250);
  }
  EXPECT_EQ(QuoteConnectionValue("a}b;"), "{a}}b;}");
}

TEST(ConnectionStringBuilderTest, RedactedFormNeverHoldsThePassword) {
  const std::string secret = "S3gr;ed}o";
  const ConnectionStringBuilder b = Login(secret);
  const std::string redacted = b.RedactedConnectionString();
  EXPECT_EQ(redacted.find("S3gr"), std::string::npos);
  EXPECT_NE(redacted.find("Password=****;"), std::string::npos);
}

TEST(ConnectionStringBuilderTest, ParseIsLenientOnlyWhereSafe) {
  ConnectionParameters p;
  std::string error;
  ASSERT_TRUE(ConnectionStringBuilder::Parse(
      " server = sqlite ; DATABASE=/x/y.db;;Unknown=1", &p, &error));
  EXPECT_TRUE(p.IsEmbeddedSqlite());
  EXPECT_EQ(p.database, "/x/y.db");
  EXPECT_EQ(p.driver, "FreeTDS");
  EXPECT_EQ(p.port, 1433);
  EXPECT_EQ(p.timeout_ms, 30000);

  EXPECT_FALSE(ConnectionStringBuilder::Parse("Password={abc", &p, &error));
  EXPECT_NE(error.find("Password"), std::string::npos);
  EXPECT_EQ(error.find("abc"), std::string::npos);
  EXPECT_FALSE(ConnectionStringBuilder::Parse("Server=a;junk", &p, &error));
  EXPECT_FALSE(ConnectionStringBuilder::Parse("Port=14x3", &p, &error));
  EXPECT_FALSE(ConnectionStringBuilder::Parse("=3", &p, &error));
  EXPECT_FALSE(ConnectionStringBuilder::Parse("Password={a}b", &p, &error));
}

}  // namespace
}  // namespace vor
