// Faults during a run on a generated ERP: a failing call at chosen points
// of the reads and of the rewrite of the result table (first, middle and
// last row), injected through an instrumented connection under the run
// control, and a row refused by the database itself under the built
// program. Every fault must end the run through the engine's handler (the
// outcome of the run, exit code 1 for the program), put the error in the
// log, and leave the result table exactly as it was, every row and column.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/run_control.h"
#include "app/silent_progress.h"
#include "app/startup.h"
#include "db/ligar_bd.h"
#include "reliability/fault_site.h"
#include "testing/instrumented_connection.h"
#include "tools/sqlite_session.h"

namespace vor {
namespace {

using Op = InstrumentedConnection::Operation;

constexpr int kArticles = 300;
constexpr int kColumns = 32;  // columns the writer sets per row

// Which call of its kind fails.
enum class At { kFirst, kMiddle, kLast };

struct FaultCase {
  const char* name;
  Op op;
  At at;
  const char* sql = "";        // only calls whose text holds this count
  bool abandon_fails = false;  // the rollback itself fails as well
};

// A run of the run control on the site, over an instrumented connection.
struct InProcessRun {
  StartupState state;
  InstrumentedConnection* probe = nullptr;

  explicit InProcessRun(TestSite& site) {
    state.SettingsFilePath = site.settings_path();
    std::unique_ptr<Connection> db =
        LIgarBd(state.SettingsFilePath, site.app_folder());
    EXPECT_TRUE(db->IsOpen()) << db->OpenFailure();
    auto instrumented = std::make_unique<InstrumentedConnection>(std::move(db));
    probe = instrumented.get();
    state.ErpConnection = std::move(instrumented);
  }

  RunOutcome Run() {
    RunControl run(state);
    SilentProgress progress([&run] { return run.RunLog(); });
    return run.Sincronizar(progress);
  }
};

class WriteFaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override {
    // A first, clean run leaves a proposal in the table and tells how many
    // rows and reads a run has; then every stock changes, so that the
    // proposal the faulty run would write differs from it in every row.
    InProcessRun reference(site_.site());
    reference.probe->RecordSql(true);
    const RunOutcome done = reference.Run();
    ASSERT_TRUE(done.completed) << done.error_message;
    rows_ = site_.TableRows();
    // The reads of the proposal; the look for the history table comes
    // after them, and its failure only leaves history out.
    reads_ = reference.probe->Calls(Op::kOpenRecordset);
    for (const std::string& sql : reference.probe->SqlLog()) {
      if (sql.rfind("select * from zlx_VOR_Historico", 0) == 0) --reads_;
    }
    ASSERT_GT(rows_, 10);
    ASSERT_EQ(reference.probe->Calls(Op::kUpdate), rows_);
    site_.ChangeStock(3);
    before_ = site_.TableDump();
  }

  // The 1-based number of the call that fails.
  int64_t CallNumber(const FaultCase& c) const {
    const int64_t row = c.at == At::kFirst    ? 1
                        : c.at == At::kMiddle ? (rows_ + 1) / 2
                                              : rows_;
    switch (c.op) {
      case Op::kOpenRecordset:
        return c.at == At::kFirst    ? 1
               : c.at == At::kMiddle ? reads_ / 2
                                     : reads_;
      case Op::kSet:
        return (row - 1) * kColumns + 20;
      case Op::kUpdate:
      case Op::kAddNew:
      case Op::kOpenRecordsetForUpdate:
        return row;
      default:
        return 1;
    }
  }

  // The table holds every row and column it held before the faulty run,
  // no journal is left, and a run of the program then writes the new
  // proposal (the database is neither locked nor damaged).
  void ExpectTableAsBeforeAndNextRunWrites() {
    EXPECT_EQ(site_.TableDump(), before_);
    EXPECT_FALSE(site_.ErpHasJournal());
    const int64_t left = site_.TableRows();
    if (left < rows_) Tally().rows_lost += rows_ - left;
    const ProgramResult next = site_.site().Run({"/S"});
    EXPECT_EQ(next.exit_code, 0) << next.err;
    EXPECT_EQ(site_.TableRows(), rows_);
    EXPECT_NE(site_.TableDump(), before_);
  }

  FaultSite site_{kArticles, 5};
  int64_t rows_ = 0;
  int64_t reads_ = 0;
  std::string before_;
};

TEST_P(WriteFaultTest, RunEndsThroughTheHandlerAndTableKeepsItsRows) {
  const FaultCase& c = GetParam();
  ++Tally().faults_injected;
  const int64_t n = CallNumber(c);
  // Only what the faulty run appends to the day's log counts.
  const size_t log_before = site_.site().LogText().size();
  std::string message;
  {
    InProcessRun run(site_.site());
    run.probe->FailOnCall(c.op, static_cast<int>(n), c.sql);
    if (c.abandon_fails) run.probe->FailOnCall(Op::kAbandonWrite, 1);
    const RunOutcome outcome = run.Run();

    EXPECT_FALSE(outcome.completed);
    message = outcome.error_message;
    const std::string expected_start =
        std::string(" 3604 - Falha simulada na operação ") +
        InstrumentedConnection::OperationName(c.op) + " (chamada " +
        std::to_string(n) + ")";
    EXPECT_EQ(message.rfind(expected_start, 0), 0u) << message;

    // The log ends with the handler's message, not with the closing line.
    const std::string run_log = site_.site().LogText().substr(log_before);
    const std::vector<std::string> log = LogMessages(run_log);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Início da Emissão");
    EXPECT_EQ(log.back(), message);
    EXPECT_EQ(run_log.find(kRunFinishedLine), std::string::npos);

    const bool in_write = c.op != Op::kOpenRecordset;
    if (c.op == Op::kUpdate) {
      // Rows 1 to k-1 were sent, row k was the one refused.
      EXPECT_EQ(run.probe->Calls(Op::kUpdate), n);
    }
    EXPECT_EQ(run.probe->Calls(Op::kEndWrite), c.op == Op::kEndWrite ? 1 : 0);
    // The handler abandons the write only when one was open.
    const bool was_open = in_write && c.op != Op::kBeginWrite;
    EXPECT_EQ(run.probe->Calls(Op::kAbandonWrite), was_open ? 1 : 0);
    if (c.abandon_fails) {
      EXPECT_NE(message.find("falha ao anular a escrita"), std::string::npos)
          << message;
    } else {
      // Undone already while the program still holds its connection, so
      // no lock is kept and the next run gets the database at once.
      EXPECT_FALSE(run.probe->WriteInProgress());
      ExpectTableAsBeforeAndNextRunWrites();
    }
  }
  // Once the program is gone its connection is too: what a failed
  // rollback left open is undone.
  if (c.abandon_fails) ExpectTableAsBeforeAndNextRunWrites();
  if (!HasFailure()) ++Tally().faults_survived;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFaultTest,
    ::testing::Values(
        FaultCase{"ArticleQuery", Op::kOpenRecordset, At::kFirst},
        FaultCase{"MiddleRead", Op::kOpenRecordset, At::kMiddle},
        FaultCase{"LastRead", Op::kOpenRecordset, At::kLast},
        FaultCase{"BeginWrite", Op::kBeginWrite, At::kFirst},
        FaultCase{"Delete", Op::kExecuteSql, At::kFirst, "delete"},
        FaultCase{"FirstRowInsert", Op::kUpdate, At::kFirst},
        FaultCase{"MiddleRowInsert", Op::kUpdate, At::kMiddle},
        FaultCase{"LastRowInsert", Op::kUpdate, At::kLast},
        FaultCase{"MiddleRowOpen", Op::kOpenRecordsetForUpdate, At::kMiddle},
        FaultCase{"MiddleRowNew", Op::kAddNew, At::kMiddle},
        FaultCase{"MiddleRowColumn", Op::kSet, At::kMiddle},
        FaultCase{"Commit", Op::kEndWrite, At::kFirst},
        FaultCase{"MiddleRowInsertAndRollback", Op::kUpdate, At::kMiddle, "",
                  true}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
      return std::string(info.param.name);
    });

// The database itself refuses row k of the rewrite (a trigger stands for a
// constraint, a full disk or a lost server): the program stops with exit
// code 1, the log ends with the database's text and the table is as before.
class RefusedRowTest : public ::testing::TestWithParam<At> {};

TEST_P(RefusedRowTest, ProgramEndsWithOneAndTableIsAsBefore) {
  ++Tally().faults_injected;
  FaultSite site(kArticles, 9);
  ProgramResult first = site.site().Run({"/S"});
  ASSERT_EQ(first.exit_code, 0) << first.err;
  const int64_t rows = site.TableRows();
  ASSERT_GT(rows, 10);
  site.ChangeStock(-2);
  const std::string before = site.TableDump();

  const int64_t k = GetParam() == At::kFirst    ? 1
                    : GetParam() == At::kMiddle ? rows / 2
                                                : rows;
  // The table is emptied first, so while row k is inserted it holds k-1.
  // (A session of its own: the fixture splits its texts at every ';'.)
  SqliteSession(site.erp_path(), SqliteSession::Mode::kExisting)
      .Exec(
          "create trigger recusa_linha before insert on zlx_VOR_Encomendas "
          "when (select count(*) from zlx_VOR_Encomendas) = " +
          std::to_string(k - 1) +
          " begin select raise(abort, 'linha recusada pela base de dados'); "
          "end");

  const size_t log_before = site.site().LogText().size();
  const ProgramResult r = site.site().Run({"/S"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("linha recusada pela base de dados"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(site.site().log_folder()), std::string::npos) << r.err;
  const std::vector<std::string> log =
      LogMessages(site.site().LogText().substr(log_before));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind(" 3604 - ", 0), 0u) << log.back();
  EXPECT_NE(log.back().find("linha recusada pela base de dados"),
            std::string::npos)
      << log.back();
  EXPECT_EQ(site.TableDump(), before);
  EXPECT_FALSE(site.ErpHasJournal());
  const int64_t left = site.TableRows();
  if (left < rows) Tally().rows_lost += rows - left;

  site.erp().Exec("drop trigger recusa_linha");
  const ProgramResult next = site.site().Run({"/S"});
  EXPECT_EQ(next.exit_code, 0) << next.err;
  EXPECT_EQ(site.TableRows(), rows);
  if (!HasFailure()) ++Tally().faults_survived;
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusedRowTest,
                         ::testing::Values(At::kFirst, At::kMiddle, At::kLast),
                         [](const ::testing::TestParamInfo<At>& info) {
                           return info.param == At::kFirst    ? "FirstRow"
                                  : info.param == At::kMiddle ? "MiddleRow"
                                                              : "LastRow";
                         });

}  // namespace
}  // namespace vor
