// Helpers of the fault tests: an installation on a generated ERP, the whole
// result table as comparable text, the built program started in the
// background (alone, side by side, or inside a private mount namespace),
// another program holding an SQLite lock, and the tally of faults that the
// test run prints at its end.
#ifndef VOR_RELIABILITY_FAULT_SITE_H_
#define VOR_RELIABILITY_FAULT_SITE_H_

#include <QProcess>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/test_site.h"
#include "tools/erp_fixture.h"

namespace vor {

// A TestSite whose ERP is the demo ERP of `articles` bought articles made
// with `seed`, with its settings file written (busy timeout 5 s).
class FaultSite {
 public:
  FaultSite(int articles, std::uint32_t seed);

  TestSite& site() { return site_; }
  ErpFixture& erp() { return *erp_; }
  const std::string& erp_path() const { return site_.erp_path(); }

  // Rewrites the settings file with BD/TempoEspera = `seconds`.
  void SetBusyTimeout(const std::string& seconds);
  // Rewrites the settings file with another log folder.
  void SetLogFolder(const std::string& folder);
  // Adds `delta` to every article's stock, so that the next proposal
  // differs in every row from the one in the table.
  void ChangeStock(double delta);

  // Every column of every row of zlx_VOR_Encomendas in stored order, each
  // value as an SQL literal (so 1, 1.0 and '1' stay apart), one line a row.
  std::string TableDump();
  int64_t TableRows();
  // The bytes of the ERP file.
  std::string ErpBytes() const;
  // True when a rollback journal or WAL file lies beside the ERP file.
  bool ErpHasJournal() const;

 private:
  TestSite site_;
  SiteSettings settings_;
  std::unique_ptr<ErpFixture> erp_;
};

// The built program started in the background with VOR_BASE_DIR = `base`
// and no display. `prefix` goes before the program (for example a command
// that runs it in a namespace; the program then follows the prefix's own
// arguments).
class ProgramRun {
 public:
  ProgramRun(const std::string& base, const std::vector<std::string>& args,
             const std::vector<std::string>& prefix = {});
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Waits for the end (killing it after `timeout_ms`); exit_code is -1 when
  // it did not end normally.
  ProgramResult Wait(int timeout_ms = 120000);

 private:
  QProcess process_;
  bool started_ = false;
};

// Another program (the sqlite3 command-line shell) holding a lock on an
// SQLite file.
class SqliteLockHolder {
 public:
  explicit SqliteLockHolder(const std::string& db_path);
  ~SqliteLockHolder();
  SqliteLockHolder(const SqliteLockHolder&) = delete;
  SqliteLockHolder& operator=(const SqliteLockHolder&) = delete;

  // Runs `statements` (e.g. "BEGIN EXCLUSIVE;") in the shell and returns
  // once the shell has carried them out; false with `error` set when the
  // shell could not be started or reported an error.
  bool Run(const std::string& statements, std::string* error);
  // Ends the shell's transaction with `end` ("COMMIT;" or "ROLLBACK;") and
  // the shell itself.
  void Release(const std::string& end = "ROLLBACK;");

 private:
  QProcess shell_;
  bool open_ = false;
};

// Whether this machine lets the tests run a command in a private user and
// mount namespace with a tmpfs of their own ("unshare -rm"); `why` says
// what failed otherwise.
bool PrivateMountsAvailable(std::string* why);

// The prefix for ProgramRun that mounts a tmpfs with `options` (e.g.
// "size=8k" or "ro") over `folder` in a private namespace, runs the program
// there and copies what the folder then holds into `copy_to`. When the
// mount fails the command ends with kMountFailed.
std::vector<std::string> InPrivateTmpfs(const std::string& folder,
                                        const std::string& options,
                                        const std::string& copy_to);
inline constexpr int kMountFailed = 97;

// Counters the fault tests add to; the test program prints them at its end
// as one summary line.
struct FaultTally {
  int faults_injected = 0;
  int faults_survived = 0;  // every check of the case held
  int concurrent_runs = 0;
  int concurrent_runs_ok = 0;
  int lock_waits = 0;
  int lock_waits_ok = 0;
  int log_faults = 0;
  int log_faults_ok = 0;
  int64_t rows_lost = 0;  // rows missing from a table checked after a fault
};
FaultTally& Tally();

// The lines of a log file's text, without date, time and CR LF.
std::vector<std::string> LogMessages(const std::string& log);

}  // namespace vor

#endif  // VOR_RELIABILITY_FAULT_SITE_H_
