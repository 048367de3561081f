// Runs that meet other users of the ERP database: two unattended runs
// started together, and a run started while another program (the sqlite3
// shell) holds a lock, for less and for longer than the busy timeout
// (BD/TempoEspera). A lock that ends in time is waited for and the table
// then holds exactly one proposal; one that outlasts the timeout ends the
// run with exit code 1, a log that says the database is busy, and the
// table as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "reliability/fault_site.h"

namespace vor {
namespace {

constexpr char kBusy[] = "Base de dados ocupada";

void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TEST(ConcurrentRunsTest, TwoRunsStartedTogetherLeaveOneProposal) {
  // Large enough that the two runs overlap for a good part of their reads.
  FaultSite site(2000, 21);
  const ProgramResult alone = site.site().Run({"/S"});
  ASSERT_EQ(alone.exit_code, 0) << alone.err;
  const std::string proposal = site.TableDump();
  const int64_t rows = site.TableRows();
  ASSERT_GT(rows, 1000);

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round + 1));
    site.erp().Exec(
        "delete from zlx_VOR_Encomendas; insert into zlx_VOR_Encomendas "
        "(Artigo, Nome) values ('ANTERIOR', 'de uma emissão anterior')");
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (int i = 0; i < 2; ++i) {
      runs.push_back(std::make_unique<ProgramRun>(
          site.site().base(), std::vector<std::string>{"/S"}));
    }
    for (auto& run : runs) {
      ++Tally().concurrent_runs;
      const ProgramResult r = run->Wait();
      EXPECT_EQ(r.exit_code, 0) << r.err;
      EXPECT_EQ(r.out, "");
      if (r.exit_code == 0) ++Tally().concurrent_runs_ok;
    }
    // One proposal, N rows: not two on top of each other, not a mix, none
    // of the earlier row.
    EXPECT_EQ(site.TableRows(), rows);
    EXPECT_EQ(site.TableDump(), proposal);
    if (site.TableRows() < rows) Tally().rows_lost += rows - site.TableRows();
  }
  // Both runs of every round completed: the day's log holds all their ends.
  EXPECT_EQ(CountOf(site.site().LogText(), "] Emissão Mapas terminada\r\n"), 7);
}

class HeldLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProgramResult first = site_.site().Run({"/S"});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    rows_ = site_.TableRows();
    proposal_ = site_.TableDump();
    // The table holds something else now, so a run that gave up shows.
    site_.erp().Exec(
        "delete from zlx_VOR_Encomendas; insert into zlx_VOR_Encomendas "
        "(Artigo, Nome) values ('ANTERIOR', 'de uma emissão anterior')");
    before_ = site_.TableDump();
  }

  // Holds a lock with `begin`, starts a run, releases the lock with `end`
  // after `hold_ms` (or, when -1, once the run is over) and returns the run.
  ProgramResult RunAgainstLock(const std::string& begin, int hold_ms,
                               const std::string& end = "ROLLBACK;") {
    SqliteLockHolder holder(site_.erp_path());
    std::string error;
    EXPECT_TRUE(holder.Run(begin, &error)) << error;
    ProgramRun run(site_.site().base(), {"/S"});
    ProgramResult r;
    if (hold_ms >= 0) {
      Sleep(hold_ms);
      holder.Release(end);
      r = run.Wait();
    } else {
      r = run.Wait();
      holder.Release(end);
    }
    return r;
  }

  FaultSite site_{300, 13};
  int64_t rows_ = 0;
  std::string proposal_;
  std::string before_;
};

TEST_F(HeldLockTest, ExclusiveLockShorterThanTheTimeoutIsWaitedFor) {
  // Nobody may even read while it lasts: the run waits at its first query.
  ++Tally().lock_waits;
  const ProgramResult r = RunAgainstLock("BEGIN EXCLUSIVE;", 1500);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(site_.TableDump(), proposal_);
  if (!HasFailure()) ++Tally().lock_waits_ok;
}

TEST_F(HeldLockTest, WriterShorterThanTheTimeoutIsWaitedFor) {
  // Another program writes to the result table and commits while the run
  // waits for the write lock: the run's proposal replaces that row too.
  ++Tally().lock_waits;
  const ProgramResult r = RunAgainstLock(
      "BEGIN IMMEDIATE; insert into zlx_VOR_Encomendas (Artigo) "
      "values ('OUTRO');",
      1500, "COMMIT;");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(site_.TableRows(), rows_);
  EXPECT_EQ(site_.TableDump(), proposal_);
  if (!HasFailure()) ++Tally().lock_waits_ok;
}

// The handler's message, the last entry of the log (it may span several
// lines), and standard error say that the database is busy.
void ExpectBusyError(FaultSite& site, const ProgramResult& r) {
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(r.out, "");
  const std::vector<std::string> log = LogMessages(site.site().LogText());
  std::string message;
  for (auto line = log.rbegin(); line != log.rend(); ++line) {
    message = *line + (message.empty() ? "" : "\n") + message;
    if (line->rfind(" 3604 - ", 0) == 0) break;
  }
  EXPECT_EQ(message.rfind(" 3604 - ", 0), 0u) << message;
  EXPECT_NE(message.find(kBusy), std::string::npos) << message;
  EXPECT_NE(message.find("outro programa"), std::string::npos) << message;
  EXPECT_NE(message.find("(1 s,"), std::string::npos) << message;
  EXPECT_EQ(site.site().LogText().find(
                "Emissão Mapas terminada",
                site.site().LogText().rfind("Início da Emissão")),
            std::string::npos);
  EXPECT_NE(r.err.find(kBusy), std::string::npos) << r.err;
}

TEST_F(HeldLockTest, WriterLongerThanTheTimeoutEndsWithOne) {
  ++Tally().lock_waits;
  site_.SetBusyTimeout("1");
  const ProgramResult r = RunAgainstLock("BEGIN IMMEDIATE;", -1);
  ExpectBusyError(site_, r);
  EXPECT_EQ(site_.TableDump(), before_);
  EXPECT_FALSE(site_.ErpHasJournal());
  if (!HasFailure()) ++Tally().lock_waits_ok;
}

TEST_F(HeldLockTest, ExclusiveLockLongerThanTheTimeoutEndsWithOne) {
  ++Tally().lock_waits;
  site_.SetBusyTimeout("1");
  const ProgramResult r = RunAgainstLock("BEGIN EXCLUSIVE;", -1);
  ExpectBusyError(site_, r);
  EXPECT_EQ(site_.TableDump(), before_);
  if (!HasFailure()) ++Tally().lock_waits_ok;
}

}  // namespace
}  // namespace vor
