// RunControl in-process, over a real SQLite ERP, with a fixed clock.
#include "app/run_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "db/ligar_bd.h"
#include "testing/test_site.h"

namespace vor {
namespace {

using namespace std::chrono;

LocalTime At(year_month_day day, int h, int m, int s) {
  return local_days{day} + hours(h) + minutes(m) + seconds(s);
}

// Records the progress list and whether a run log was there at each line.
class RecordingProgress : public Progress {
 public:
  explicit RecordingProgress(const RunControl* run = nullptr) : run_(run) {}
  void AddLine(const std::string& text) override {
    lines.push_back(text);
    if (run_ != nullptr && run_->RunLog() == nullptr) lines_without_log++;
  }
  void Yield() override {}
  void ReportConversionError(const Error& error) override {
    conversion_errors.push_back(error.description());
  }
  std::vector<std::string> lines;
  std::vector<std::string> conversion_errors;
  int lines_without_log = 0;

 private:
  const RunControl* run_;
};

// A connection that must not be used: counts every call and fails it.
class UntouchableConnection : public Connection {
 public:
  bool OpenConnection(const QtOpenParameters&) override { return Touch(); }
  bool IsOpen() const override { return true; }
  std::string OpenFailure() const override { return ""; }
  void OpenRecordset(const std::string&, const std::string&, Recordset&, int,
                     int) override {
    Touch();
  }
  void ExecuteSql(const std::string&, const std::string&) override { Touch(); }
  void OpenRecordsetForUpdate(const std::string&,
                              std::unique_ptr<UpdatableRecordset>&, int,
                              int) override {
    Touch();
  }
  void InsertRows(const std::string&, const std::vector<std::string>&,
                  const std::vector<std::vector<Value>>&) override {
    Touch();
  }
  void BeginWrite() override { Touch(); }
  void EndWrite() override { Touch(); }
  bool WriteInProgress() const override { return false; }
  void AbandonWrite() override { Touch(); }
  bool BeginRead() override { return Touch(); }
  void EndRead() override {}  // never raises; holds nothing to release
  int calls = 0;

 private:
  bool Touch() {
    ++calls;
    throw Error(errnum::kDatabase, "ligação não devia ser usada");
  }
};

class RunControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ErpFixture& erp = site_.CreateErp();
    erp.AddSupplier("F001");
    erp.AddArticle(BoughtArticle("A1", 5, 30));
    erp.AddArticle(BoughtArticle("A2", 100, 10));
    erp.AddArticle(BoughtArticle("A3", 1, 2));
    site_.WriteSettings();
    state_.SettingsFilePath = site_.settings_path();
    state_.ErpConnection = LIgarBd(state_.SettingsFilePath, site_.app_folder());
    ASSERT_TRUE(state_.ErpConnection->IsOpen())
        << state_.ErpConnection->OpenFailure();
  }
  std::string LogOf(const std::string& yyyymmdd) {
    return ReadFile(site_.log_folder() + "/LOG_VOR_ENC" + yyyymmdd + ".txt");
  }

  TestSite site_;
  StartupState state_;
};

TEST_F(RunControlTest, CompletedRunEndsListAndLogWithTheClosingLine) {
  RunControl run(state_, [] { return At(2024y / 3 / 15, 9, 5, 7); });
  RecordingProgress progress(&run);
  EXPECT_EQ(run.RunLog(), nullptr);
  const RunOutcome outcome = run.Sincronizar(progress);
  EXPECT_EQ(run.RunLog(), nullptr);  // released at the end of the run
  EXPECT_TRUE(outcome.completed);
  EXPECT_EQ(outcome.error_message, "");
  EXPECT_EQ(outcome.log_path, site_.log_folder() + "/LOG_VOR_ENC20240315.txt");

  // The engine's article lines, in order, then the closing line.
  ASSERT_GE(progress.lines.size(), 4u);
  EXPECT_EQ(progress.lines[0].substr(progress.lines[0].size() - 6), "   3/1");
  EXPECT_EQ(progress.lines[2].substr(progress.lines[2].size() - 6), "   3/3");
  EXPECT_EQ(progress.lines.back(), kRunFinishedLine);
  EXPECT_EQ(progress.lines_without_log, 0);
  EXPECT_TRUE(progress.conversion_errors.empty());

  const std::string log = LogOf("20240315");
  EXPECT_EQ(log.rfind("[15-03-2024][09:05:07] Início da Emissão\r\n", 0), 0u);
  const std::string tail = "[15-03-2024][09:05:07] Emissão Mapas terminada\r\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Encomendas"), 3);
}

TEST_F(RunControlTest, TwoRunsOfOneWindowAppendToTheDaysLog) {
  RunControl run(state_, [] { return At(2024y / 3 / 15, 14, 0, 0); });
  RecordingProgress progress;
  EXPECT_TRUE(run.Sincronizar(progress).completed);
  EXPECT_TRUE(run.Sincronizar(progress).completed);
  const std::string log = LogOf("20240315");
  EXPECT_EQ(CountOf(log, "] Início da Emissão\r\n"), 2);
  EXPECT_EQ(CountOf(log, "] Emissão Mapas terminada\r\n"), 2);
  // The list is never cleared: the second run's lines follow the first's,
  // starting as the first run did.
  const auto& lines = progress.lines;
  auto first_end = std::find(lines.begin(), lines.end(), kRunFinishedLine);
  ASSERT_NE(first_end, lines.end());
  ASSERT_NE(first_end + 1, lines.end());
  EXPECT_EQ(first_end[1], lines.front());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kRunFinishedLine), 2);
  EXPECT_EQ(lines.back(), kRunFinishedLine);
}

TEST_F(RunControlTest, RunPastMidnightWritesIntoTheStartDaysFile) {
  // Every reading of the clock is one minute later than the one before.
  auto now = std::make_shared<LocalTime>(At(2024y / 2 / 29, 23, 58, 0));
  RunControl run(state_, [now] {
    *now += minutes(1);
    return *now;
  });
  RecordingProgress progress;
  EXPECT_TRUE(run.Sincronizar(progress).completed);
  const std::string log = LogOf("20240229");
  EXPECT_NE(log.find("[01-03-2024]"), std::string::npos);  // it did pass
  EXPECT_NE(log.find("] Emissão Mapas terminada\r\n"), std::string::npos);
  EXPECT_FALSE(
      std::filesystem::exists(site_.log_folder() + "/LOG_VOR_ENC20240301.txt"));
}

TEST_F(RunControlTest, EngineErrorIsTheOutcomeNotAnException) {
  site_.erp().Exec("drop table DOCGCLIN");
  RunControl run(state_, [] { return At(2024y / 3 / 15, 9, 0, 0); });
  RecordingProgress progress(&run);
  const RunOutcome outcome = run.Sincronizar(progress);
  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.error_message.rfind(" 3604 - ", 0), 0u)
      << outcome.error_message;
  EXPECT_NE(outcome.error_message.find("DOCGCLIN"), std::string::npos);
  EXPECT_EQ(outcome.log_path, site_.log_folder() + "/LOG_VOR_ENC20240315.txt");
  EXPECT_EQ(run.RunLog(), nullptr);
  for (const std::string& line : progress.lines) {
    EXPECT_NE(line, kRunFinishedLine);
  }
  const std::string log = LogOf("20240315");
  EXPECT_EQ(log.find("Emissão Mapas terminada"), std::string::npos);
  EXPECT_NE(log.find("] " + outcome.error_message + "\r\n"), std::string::npos);
  EXPECT_FALSE(state_.ProposalWritten);  // the alert says the table kept
                                         // the previous proposal
}

// A failure after the proposal was written (the report, the log's last
// lines: here the report) leaves the new proposal in the table, and the
// start-up state says so for the alert.
TEST_F(RunControlTest, AFailureAfterTheTableIsWrittenIsKnownAsSuch) {
  RunReport report;
  report.completed = [](const SettingsRecord&, Connection&, LocalTime,
                        Recordset*, ReportInProgress*) -> ReportOutcome {
    throw Error(errnum::kFileError, "disco cheio");
  };
  RunControl run(
      state_, [] { return At(2024y / 3 / 15, 9, 0, 0); }, report);
  RecordingProgress progress(&run);
  EXPECT_THROW(run.Sincronizar(progress), Error);
  EXPECT_TRUE(state_.ProposalWritten);
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Encomendas"), 3);
}

TEST_F(RunControlTest, LogThatCannotOpenStopsBeforeTheDatabase) {
  const std::string not_a_folder = site_.base() + "/ficheiro";
  WriteFile(not_a_folder, "x");
  SiteSettings settings;
  settings.log_folder = not_a_folder;
  site_.WriteSettings(settings);

  StartupState state;
  state.SettingsFilePath = site_.settings_path();
  auto connection = std::make_unique<UntouchableConnection>();
  UntouchableConnection* untouchable = connection.get();
  state.ErpConnection = std::move(connection);
  RunControl run(state);
  RecordingProgress progress;
  try {
    run.Sincronizar(progress);
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find(not_a_folder), std::string::npos)
        << e.description();
  }
  EXPECT_EQ(untouchable->calls, 0);
  EXPECT_TRUE(progress.lines.empty());
  EXPECT_EQ(run.RunLog(), nullptr);
}

// A run from the window reads the file as it then stands and takes every
// value from that one read; a value that refuses the run stops it before
// the log or the table is written, and a bad number is noted at the top.
TEST_F(RunControlTest, AWindowRunReadsTheFileOnceAndChecksItFirst) {
  RunControl run(state_, [] { return At(2024y / 3 / 15, 9, 0, 0); });
  SiteSettings settings;
  settings.extra = "[Motor]\r\nLeitura=Conjunto\r\n";
  site_.WriteSettings(settings);
  RecordingProgress progress(&run);
  ASSERT_TRUE(run.Sincronizar(progress).completed);
  EXPECT_EQ(state_.Leitura, ReadingMode::kBulk);
  EXPECT_EQ(state_.Settings.motor.leitura, ReadingMode::kBulk);
  const std::string log = LogOf("20240315");

  site_.erp().Exec("delete from zlx_VOR_Encomendas");
  settings.extra = "[Relatorio]\r\nVariacao=1e15\r\n";
  site_.WriteSettings(settings);
  RecordingProgress refused(&run);
  try {
    run.Sincronizar(refused);
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kTypeMismatch);
    EXPECT_EQ(e.description(), "[Relatorio] Variacao=1e15 em " +
                                   site_.settings_path() +
                                   ": é um número grande demais; a emissão "
                                   "não começa");
  }
  EXPECT_TRUE(refused.lines.empty());
  EXPECT_EQ(LogOf("20240315"), log);
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Encomendas"), 0);

  settings.extra = "[Relatorio]\r\nLinhas=0\r\n";
  site_.WriteSettings(settings);
  RecordingProgress noted(&run);
  ASSERT_TRUE(run.Sincronizar(noted).completed);
  const std::string notice = "[Relatorio] Linhas=0 em " +
                             site_.settings_path() +
                             ": não é um número inteiro de 1 a 1000; usa-se 25";
  ASSERT_FALSE(noted.lines.empty());
  EXPECT_EQ(noted.lines.front(), notice);
  EXPECT_NE(LogOf("20240315").find(notice), std::string::npos);
}

TEST_F(RunControlTest, NoConnectionIsAnError) {
  StartupState state;
  state.SettingsFilePath = site_.settings_path();
  RunControl run(state);
  RecordingProgress progress;
  EXPECT_THROW(run.Sincronizar(progress), Error);
}

}  // namespace
}  // namespace vor
