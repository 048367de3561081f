// A run log that cannot be written: its folder missing, under a regular
// file, read-only, or on a full disk (at its first line, and part-way
// through the run). The unattended run must say so on standard error and
// end with exit code 2, leaving the ERP file byte for byte as it was; a run
// whose log does not open sends no statement at all.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/run_control.h"
#include "app/silent_progress.h"
#include "app/startup.h"
#include "core/clock.h"
#include "core/error.h"
#include "db/ligar_bd.h"
#include "reliability/fault_site.h"
#include "testing/instrumented_connection.h"

namespace vor {
namespace {

namespace fs = std::filesystem;
using Op = InstrumentedConnection::Operation;

enum class LogFault {
  kMissingFolder,
  kFileInThePath,
  kReadOnlyFolder,
  kFullAtFirstLine,
  kFullPartWay,
};

// The log file names of today and tomorrow (a test run near midnight).
std::vector<std::string> LogNamesAroundToday() {
  using namespace std::chrono;
  const local_days today = floor<days>(SystemLocalClock()());
  std::vector<std::string> names;
  for (const local_days day : {today, today + days(1)}) {
    const year_month_day ymd{day};
    char name[40];
    std::snprintf(name, sizeof name, "LOG_VOR_ENC%04d%02u%02u.txt",
                  static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    names.push_back(name);
  }
  return names;
}

// Points the day's log at /dev/full through a link. The log refuses a
// link at its name, so the run stops at the log's opening as it would at
// a full disk's first line; no file system need be mounted in-process.
void LogOnAFullDisk(const std::string& folder) {
  for (const std::string& name : LogNamesAroundToday()) {
    fs::create_symlink("/dev/full", folder + "/" + name);
  }
}

class LogFaultTest : public ::testing::TestWithParam<LogFault> {
 protected:
  FaultSite site_{500, 17};
};

TEST_P(LogFaultTest, ProgramEndsWithTwoAndLeavesTheDatabase) {
  ++Tally().log_faults;
  const std::string log_folder = site_.site().log_folder();
  std::vector<std::string> prefix;
  std::string reason;  // the system's words for the failure
  const std::string copy = site_.site().base() + "/copia_do_registo";
  fs::create_directories(copy);
  switch (GetParam()) {
    case LogFault::kMissingFolder:
      site_.SetLogFolder(site_.site().base() + "/sem_pasta");
      // The folder and the setting that names it.
      reason = "A pasta de registo '" + site_.site().base() +
               "/sem_pasta' não existe ([Log] Directoria em '" +
               site_.site().settings_path() + "')";
      break;
    case LogFault::kFileInThePath:
      WriteFile(site_.site().base() + "/ficheiro", "não é uma pasta");
      site_.SetLogFolder(site_.site().base() + "/ficheiro/registo");
      reason = "não é uma pasta";
      break;
    case LogFault::kReadOnlyFolder:
      if (geteuid() != 0) {
        fs::permissions(log_folder,
                        fs::perms::owner_read | fs::perms::owner_exec |
                            fs::perms::group_read | fs::perms::others_read);
        reason = "Sem permissão para escrever o ficheiro de registo";
      } else {
        // The superuser writes through permission bits; a read-only file
        // system stops it too.
        std::string why;
        if (!PrivateMountsAvailable(&why)) {
          GTEST_SKIP() << "running as root and " << why;
        }
        prefix = InPrivateTmpfs(log_folder, "ro,size=64k", copy);
        reason = "sistema de ficheiros só de leitura";
      }
      break;
    case LogFault::kFullAtFirstLine: {
      // A link to /dev/full at the log's name is refused now (the log is
      // written only as a regular file), so the disk is really full: a
      // private one-page file system, filled before the run.
      std::string why;
      if (!PrivateMountsAvailable(&why)) GTEST_SKIP() << why;
      prefix = {"unshare",
                "-rm",
                "sh",
                "-c",
                "mount -t tmpfs -o size=4k vor_tmpfs \"$1\" || exit " +
                    std::to_string(kMountFailed) +
                    "; head -c 8192 /dev/zero > \"$1/cheio\" 2>/dev/null; "
                    "shift; exec \"$@\"",
                "sh",
                log_folder};
      reason = "sem espaço em disco";
      break;
    }
    case LogFault::kFullPartWay: {
      std::string why;
      if (!PrivateMountsAvailable(&why)) GTEST_SKIP() << why;
      // Two pages: the run fills them with its article lines (some 20 KB
      // in all) well before its end.
      prefix = InPrivateTmpfs(log_folder, "size=8k", copy);
      reason = "sem espaço em disco";
      break;
    }
  }
  const std::string bytes = site_.ErpBytes();
  const std::string table = site_.TableDump();

  ProgramRun run(site_.site().base(), {"/S"}, prefix);
  const ProgramResult r = run.Wait();
  ASSERT_NE(r.exit_code, kMountFailed) << r.err;
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("VORencomendas: Erro 75 - ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("registo"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(site_.site().settings().password), std::string::npos);
  EXPECT_EQ(CountOf(r.err, "\n"), 1) << r.err;  // one line, not a trace
  if (GetParam() == LogFault::kMissingFolder) {
    EXPECT_EQ(CountOf(r.err, "/sem_pasta"), 1) << r.err;  // named once
  }

  EXPECT_TRUE(site_.ErpBytes() == bytes) << "the ERP file was changed";
  EXPECT_FALSE(site_.ErpHasJournal());
  EXPECT_EQ(site_.TableDump(), table);

  if (GetParam() == LogFault::kFullPartWay) {
    // The log got as far as the disk allowed: its first line and some
    // article lines, never the end of the run.
    std::string log;
    for (const auto& entry : fs::directory_iterator(copy)) {
      log += ReadFile(entry.path().string());
    }
    const std::vector<std::string> messages = LogMessages(log);
    ASSERT_GT(messages.size(), 10u) << log;
    EXPECT_EQ(messages.front(), "Início da Emissão");
    EXPECT_EQ(messages[1].rfind("Artigo   ", 0), 0u) << messages[1];
    EXPECT_EQ(log.find("Grava Tabela Final"), std::string::npos);
  }
  if (!HasFailure()) ++Tally().log_faults_ok;
}

INSTANTIATE_TEST_SUITE_P(Logs, LogFaultTest,
                         ::testing::Values(LogFault::kMissingFolder,
                                           LogFault::kFileInThePath,
                                           LogFault::kReadOnlyFolder,
                                           LogFault::kFullAtFirstLine,
                                           LogFault::kFullPartWay),
                         [](const ::testing::TestParamInfo<LogFault>& info) {
                           switch (info.param) {
                             case LogFault::kMissingFolder:
                               return "MissingFolder";
                             case LogFault::kFileInThePath:
                               return "FileInThePath";
                             case LogFault::kReadOnlyFolder:
                               return "ReadOnlyFolder";
                             case LogFault::kFullAtFirstLine:
                               return "FullAtFirstLine";
                             case LogFault::kFullPartWay:
                               return "FullPartWay";
                           }
                           return "Unknown";
                         });

// In-process: the run control over an instrumented connection, so that
// "nothing was sent" is counted, not inferred from the file.
class LogFaultNoStatementTest : public ::testing::TestWithParam<LogFault> {};

TEST_P(LogFaultNoStatementTest, RunRaisesFileErrorBeforeAnyStatement) {
  FaultSite site(50, 3);
  if (GetParam() == LogFault::kMissingFolder) {
    site.SetLogFolder(site.site().base() + "/sem_pasta");
  } else {
    LogOnAFullDisk(site.site().log_folder());
  }
  StartupState state;
  state.SettingsFilePath = site.site().settings_path();
  std::unique_ptr<Connection> db =
      LIgarBd(state.SettingsFilePath, site.site().app_folder());
  ASSERT_TRUE(db->IsOpen()) << db->OpenFailure();
  auto probe = std::make_unique<InstrumentedConnection>(std::move(db));
  InstrumentedConnection& calls = *probe;
  state.ErpConnection = std::move(probe);

  RunControl run(state);
  SilentProgress progress([&run] { return run.RunLog(); });
  try {
    run.Sincronizar(progress);
    ADD_FAILURE() << "the run went on without a log";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find(site.site().base()), std::string::npos)
        << e.description();
  }
  for (int op = 0; op < InstrumentedConnection::kOperationCount; ++op) {
    EXPECT_EQ(calls.Calls(static_cast<Op>(op)), 0)
        << InstrumentedConnection::OperationName(static_cast<Op>(op));
  }
  EXPECT_EQ(run.RunLog(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Logs, LogFaultNoStatementTest,
                         ::testing::Values(LogFault::kMissingFolder,
                                           LogFault::kFullAtFirstLine),
                         [](const ::testing::TestParamInfo<LogFault>& info) {
                           return info.param == LogFault::kMissingFolder
                                      ? "MissingFolder"
                                      : "FullAtFirstLine";
                         });

}  // namespace
}  // namespace vor
