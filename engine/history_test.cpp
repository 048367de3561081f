// The history of proposals kept by whole runs on a small SQLite ERP: the
// rows appended with the proposal, in the same transaction, the old runs
// removed but the latest one before, and a missing table that changes
// nothing.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "db/history_table.h"
#include "db/qt_sql_connection.h"
#include "engine/replenishment_engine.h"
#include "testing/instrumented_connection.h"
#include "testing/test_database.h"
#include "testing/test_erps.h"
#include "testing/test_support.h"
#include "tools/erp_database.h"
#include "tools/erp_fixture.h"

namespace vor {
namespace {

using testing::BuildMainErp;
using testing::FixedNow;
using testing::RecordingProgress;
using testing::TempLog;
using Rows = std::vector<std::vector<std::string>>;

// FixedNow as a run key, and the keys of runs 100 and 10 days before it.
const std::string kNowKey = "20250531102030";
const std::string kOldKey = "20250220102030";
const std::string kRecentKey = "20250521102030";

// Each test runs in both reading modes, through both ways of reaching
// SQLite (embedded, and the ODBC driver as SQL Server is reached).
class HistoryTest : public ::testing::TestWithParam<
                        std::tuple<ReadingMode, testing::SqlitePath>> {
 protected:
  HistoryTest()
      : erp_(ErpFixture::CreateNew((log_.dir() / "erp.sqlite").string())),
        progress_(&log_) {
    log_.Open();
    BuildMainErp(erp_);
    erp_.Exec(
        "insert into zlx_VOR_Encomendas (Artigo, QtdUB) values ('OLD1', 1)");
    const QtOpenParameters text = testing::SqliteOpenParameters(
        erp_.path(), std::get<1>(GetParam()), 2000);
    EXPECT_TRUE(db_.OpenConnection(text)) << db_.OpenFailure();
  }

  void AddHistoryTable() {
    erp_.Exec(HistorySqliteSchema());
    erp_.Exec(
        "insert into zlx_VOR_Historico (Execucao, Artigo, QtdUB) values "
        "(" +
        kOldKey + ", 'B1', 1), (" + kRecentKey + ", 'B1', 2), (" + kRecentKey +
        ", 'B2', 3)");
  }

  bool Run(Connection& connection, const std::string& dias) {
    SettingsValues values;
    if (!dias.empty()) values.Set("Historico", "Dias", dias);
    ReplenishmentEngine engine(connection, log_.log(), progress_, "B",
                               [] { return FixedNow(); });
    engine.set_reading_mode(std::get<0>(GetParam()));
    engine.set_history(SettingsRecord::Parse(values).historico);
    const bool ok = engine.LerExistencias();
    message_ = engine.error_message();
    return ok;
  }

  Rows History() {
    return erp_.Query(
        "select Execucao, Artigo, QtdUB from zlx_VOR_Historico order by "
        "Execucao, Artigo");
  }

  TempLog log_;
  ErpFixture erp_;
  QtSqlConnection db_;
  RecordingProgress progress_;
  std::string message_;
};

TEST_P(HistoryTest, RunAppendsItsRowsAndRemovesRunsOlderThanTheDaysKept) {
  AddHistoryTable();
  ASSERT_TRUE(Run(db_, "")) << message_;
  // The old run (100 days) is gone with the default 90 days; the recent
  // one stays; the run's five articles follow with their proposal's values.
  const Rows expected = {{kRecentKey, "B1", "2"}, {kRecentKey, "B2", "3"},
                         {kNowKey, "B1", "207"},  {kNowKey, "B2", "12.92"},
                         {kNowKey, "B3", "5"},    {kNowKey, "B4", "5"},
                         {kNowKey, "O'B", "0"}};
  EXPECT_EQ(History(), expected);
  // Every kept column equals the proposal's.
  for (ResultField f : kHistoryFields) {
    const std::string c(ResultColumnOf(f).name);
    EXPECT_EQ(erp_.Query("select h." + c +
                         " from zlx_VOR_Historico h join "
                         "zlx_VOR_Encomendas e on e.Artigo = h.Artigo where "
                         "h.Execucao = " +
                         kNowKey + " order by h.Artigo"),
              erp_.Query("select " + c +
                         " from zlx_VOR_Encomendas order by "
                         "Artigo"))
        << c;
  }

  // Dias 5 keeps this run and the latest one before it, ten days old, which
  // the next report compares with; running again in the same second
  // replaces its rows instead of doubling them.
  ASSERT_TRUE(Run(db_, "5")) << message_;
  EXPECT_EQ(erp_.Scalar("select count(*) from zlx_VOR_Historico"), "7");
  EXPECT_EQ(erp_.Scalar("select min(Execucao) from zlx_VOR_Historico"),
            kRecentKey);

  // Dias 0: no history kept, nothing trimmed.
  erp_.Exec("delete from zlx_VOR_Historico");
  ASSERT_TRUE(Run(db_, "0")) << message_;
  EXPECT_EQ(erp_.Count("zlx_VOR_Historico"), 0);
}

TEST_P(HistoryTest, FailedHistoryLeavesNeitherTableChanged) {
  AddHistoryTable();
  const Rows history = History();
  InstrumentedConnection probe(db_);
  probe.FailOnCall(InstrumentedConnection::Operation::kInsertRows, 1,
                   "zlx_VOR_Historico");
  EXPECT_FALSE(Run(probe, ""));
  EXPECT_NE(message_.find("Falha simulada"), std::string::npos) << message_;
  EXPECT_EQ(erp_.Query("select Artigo, QtdUB from zlx_VOR_Encomendas"),
            (Rows{{"OLD1", "1"}}));
  EXPECT_EQ(History(), history);
}

TEST_P(HistoryTest, MissingTableChangesNothingUnlessTheKeyIsSet) {
  ASSERT_TRUE(Run(db_, "")) << message_;
  const std::vector<std::string> without = log_.Messages();
  EXPECT_EQ(erp_.Count("zlx_VOR_Encomendas"), 5);

  ASSERT_TRUE(Run(db_, "30")) << message_;
  std::vector<std::string> with = log_.Messages();
  with.erase(with.begin(), with.begin() + without.size());
  // The second run logs what the first did after the log's opening line,
  // plus one line before the write.
  std::vector<std::string> expected(without.begin() + 1, without.end());
  expected.insert(expected.end() - 1,
                  "Histórico de propostas desligado: a tabela "
                  "zlx_VOR_Historico não existe");
  EXPECT_EQ(with, expected);

  // A table without a column it needs is named in the log; the run
  // completes without history.
  erp_.Exec("create table zlx_VOR_Historico (Execucao BIGINT, Artigo TEXT)");
  ASSERT_TRUE(Run(db_, "")) << message_;
  EXPECT_EQ(log_.Messages()[log_.Messages().size() - 2].rfind(
                "Histórico de propostas desligado: a tabela zlx_VOR_Historico "
                "não tem a(s) coluna(s) Fornec, NomeFornec",
                0),
            0u);
  EXPECT_EQ(erp_.Count("zlx_VOR_Historico"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    ModesAndPaths, HistoryTest,
    ::testing::Combine(::testing::Values(ReadingMode::kLiteral,
                                         ReadingMode::kBulk),
                       ::testing::Values(testing::SqlitePath::kEmbedded,
                                         testing::SqlitePath::kOdbc)));

}  // namespace
}  // namespace vor
