#include "testing/instrumented_connection.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/recordset.h"
#include "db/qt_sql_connection.h"
#include "testing/test_database.h"

namespace vor {
namespace {

using Op = InstrumentedConnection::Operation;
using testing::QueryColumn;

class InstrumentedConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = dir_.File("erp.db");
    testing::CreateSqliteDatabase(
        db_, {"create table T (Artigo varchar(15), Q decimal(19,4))",
              "insert into T values('A1', 1)"});
    ASSERT_TRUE(inner_.OpenConnection(
        testing::SqliteOpenParameters(db_, testing::SqlitePath::kEmbedded)));
  }

  // Inserts `rows` rows the way the result writer does.
  static void WriteRows(Connection& c, int rows) {
    c.BeginWrite();
    c.ExecuteSql("", "delete from T ");
    std::unique_ptr<UpdatableRecordset> u;
    for (int i = 0; i < rows; ++i) {
      c.OpenRecordsetForUpdate("Select * from T where Artigo='h$hg?'", u, 3,
                               -1);
      u->AddNew();
      u->Set("Artigo", Value("R" + std::to_string(i)));
      u->Set("Q", Value(i));
      u->Update();
    }
    c.EndWrite();
  }

  TempFolder dir_;
  std::string db_;
  QtSqlConnection inner_;
};

TEST_F(InstrumentedConnectionTest, CountsCallsStatementsAndTime) {
  InstrumentedConnection probe(inner_);
  probe.RecordSql(true);
  Recordset rs;
  probe.OpenRecordset("", " SELECT Artigo from T", rs, -1, 0);
  probe.OpenRecordset("", " /* n */ select 1", rs, -1, 0);
  EXPECT_EQ(rs.Get(0).ToInt(), 1);
  WriteRows(probe, 4);
  EXPECT_FALSE(probe.WriteInProgress());

  EXPECT_EQ(probe.Calls(Op::kOpenRecordset), 2);
  EXPECT_EQ(probe.Calls(Op::kExecuteSql), 1);
  EXPECT_EQ(probe.Calls(Op::kOpenRecordsetForUpdate), 4);
  EXPECT_EQ(probe.Calls(Op::kAddNew), 4);
  EXPECT_EQ(probe.Calls(Op::kSet), 8);
  EXPECT_EQ(probe.Calls(Op::kUpdate), 4);
  EXPECT_EQ(probe.Calls(Op::kBeginWrite), 1);
  EXPECT_EQ(probe.Calls(Op::kEndWrite), 1);
  EXPECT_EQ(probe.Calls(Op::kWriteInProgress), 1);
  EXPECT_EQ(probe.Calls(Op::kAbandonWrite), 0);
  EXPECT_EQ(probe.Statements("select"), 2);
  EXPECT_EQ(probe.Statements("delete"), 1);
  EXPECT_EQ(probe.Statements("insert"), 4);
  EXPECT_EQ(probe.SqlLog(),
            (std::vector<std::string>{" SELECT Artigo from T",
                                      " /* n */ select 1", "delete from T "}));
  EXPECT_GT(probe.TimeSpent(Op::kUpdate).count(), 0);
  EXPECT_GE(probe.TimeSpent(),
            probe.TimeSpent(Op::kUpdate) + probe.TimeSpent(Op::kOpenRecordset));
  EXPECT_EQ(QueryColumn(db_, "select count(*) from T"),
            std::vector<std::string>{"4"});

  probe.ResetCounts();
  EXPECT_EQ(probe.Calls(Op::kUpdate), 0);
  EXPECT_EQ(probe.Statements("insert"), 0);
  EXPECT_EQ(probe.TimeSpent().count(), 0);
  EXPECT_TRUE(probe.SqlLog().empty());
}

TEST_F(InstrumentedConnectionTest, FailsTheChosenUpdateAndTheWriteCanBeUndone) {
  InstrumentedConnection probe(inner_);
  probe.FailOnCall(Op::kUpdate, 3);
  try {
    WriteRows(probe, 5);
    ADD_FAILURE() << "no simulated failure";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kDatabase);
    EXPECT_EQ(e.description().rfind("Falha simulada", 0), 0u)
        << e.description();
    EXPECT_NE(e.description().find("Update"), std::string::npos);
  }
  EXPECT_EQ(probe.Calls(Op::kUpdate), 3);
  ASSERT_TRUE(probe.WriteInProgress());
  // Two rows reached the database inside the open transaction.
  Recordset rs;
  probe.OpenRecordset("", "select count(*) as n from T", rs);
  EXPECT_EQ(rs.Get("n").ToInt(), 2);
  probe.AbandonWrite();
  EXPECT_EQ(QueryColumn(db_, "select Artigo from T"),
            std::vector<std::string>{"A1"});
  // The rule fired once: the same write now goes through.
  WriteRows(probe, 5);
  EXPECT_EQ(QueryColumn(db_, "select count(*) from T"),
            std::vector<std::string>{"5"});
}

TEST_F(InstrumentedConnectionTest, FailsTheFirstQueryHoldingAText) {
  InstrumentedConnection probe(inner_);
  probe.FailOnCall(Op::kOpenRecordset, 2, "from T");
  Recordset rs;
  probe.OpenRecordset("", "select 1 as x", rs);
  probe.OpenRecordset("", "select Artigo from T", rs);  // 1st matching call
  EXPECT_EQ(rs.Get("Artigo"), Value("A1"));
  try {
    probe.OpenRecordset("", "select Q from T", rs);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kDatabase);
    EXPECT_NE(e.description().find("select Q from T"), std::string::npos);
  }
  // The previous result is untouched by the failed call.
  EXPECT_EQ(rs.Get("Artigo"), Value("A1"));
  EXPECT_EQ(probe.Calls(Op::kOpenRecordset), 3);
  probe.OpenRecordset("", "select Q from T", rs);
  EXPECT_EQ(rs.Get("Q").ToCurrency(), Currency::FromInt(1));
}

TEST_F(InstrumentedConnectionTest, OwnsAndPassesOnTheOpenState) {
  auto owned = std::make_unique<QtSqlConnection>();
  InstrumentedConnection probe(std::move(owned));
  EXPECT_FALSE(probe.IsOpen());
  EXPECT_FALSE(probe.OpenConnection(testing::SqliteOpenParameters(
      dir_.File("falta.db"), testing::SqlitePath::kEmbedded)));
  EXPECT_EQ(probe.OpenFailure().rfind("Não foi possivel", 0), 0u);
  EXPECT_TRUE(probe.OpenConnection(
      testing::SqliteOpenParameters(db_, testing::SqlitePath::kEmbedded)));
  EXPECT_TRUE(probe.IsOpen());
  EXPECT_EQ(probe.Calls(Op::kOpenConnection), 2);
  EXPECT_STREQ(InstrumentedConnection::OperationName(Op::kBeginWrite),
               "BeginWrite");
}

TEST(StatementKindTest, FirstWordInLowerCase) {
  using C = InstrumentedConnection;
  EXPECT_EQ(C::StatementKind(" SELECT  l.Artigo"), "select");
  EXPECT_EQ(C::StatementKind("delete from zlx_VOR_Encomendas "), "delete");
  EXPECT_EQ(C::StatementKind("-- note\n ( Select 1)"), "select");
  EXPECT_EQ(C::StatementKind("  "), "");
  EXPECT_EQ(C::StatementKind("'x'"), "");
}

}  // namespace
}  // namespace vor
