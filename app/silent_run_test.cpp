// The unattended run end to end: the built program against a small ERP in a
// temporary installation, checking exit codes, the streams, the result
// table and the run log.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "testing/test_site.h"
#include "tools/erp_database.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

constexpr char kStart[] = "Início da Emissão";
constexpr char kFinished[] = "Emissão Mapas terminada";

// Every line of a log is "[dd-mm-yyyy][HH:MM:SS] message" ended by CR LF.
void ExpectLogFormat(const std::string& log) {
  ASSERT_FALSE(log.empty());
  ASSERT_EQ(log.substr(log.size() - 2), "\r\n") << "last line not ended";
  static const std::regex line_re(
      R"(\[\d{2}-\d{2}-\d{4}\]\[\d{2}:\d{2}:\d{2}\] .*)");
  std::istringstream in(log);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    ASSERT_FALSE(line.empty()) << "bare line feed after line " << n;
    ASSERT_EQ(line.back(), '\r') << "line " << n << " not ended by CR LF";
    line.pop_back();
    EXPECT_TRUE(std::regex_match(line, line_re))
        << "line " << n << ": " << line;
  }
}

// The messages of the log, without date and time.
std::vector<std::string> LogMessages(const std::string& log) {
  std::vector<std::string> messages;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    messages.push_back(line.size() > 23 ? line.substr(23) : line);
  }
  return messages;
}

class SilentRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ErpFixture& erp = site_.CreateErp();
    erp.AddSupplier("F001");
    // 5 in stock, minimum 30, nothing on order: 25 to order.
    erp.AddArticle(BoughtArticle("A1", 5, 30));
    // 100 in stock, minimum 10: no order.
    erp.AddArticle(BoughtArticle("A2", 100, 10));
  }

  // The password of the settings file never reaches any output.
  void ExpectNoPassword(const ProgramResult& r) {
    const std::string& pw = site_.settings().password;
    EXPECT_EQ(r.out.find(pw), std::string::npos);
    EXPECT_EQ(r.err.find(pw), std::string::npos) << r.err;
    EXPECT_EQ(site_.LogText().find(pw), std::string::npos);
  }

  // A row left by an earlier run, to see whether the table was touched.
  void AddEarlierResult() {
    site_.erp().Exec(
        "insert into zlx_VOR_Encomendas (Artigo, Nome) values "
        "('ANTERIOR', 'de uma emissão anterior')");
  }
  std::vector<std::vector<std::string>> ResultRows() {
    return site_.erp().Query(
        "select Artigo, QtdUB from zlx_VOR_Encomendas order by Artigo");
  }

  TestSite site_;
};

TEST_F(SilentRunTest, CompletedRunFillsTableAndPrintsNothing) {
  site_.WriteSettings();
  AddEarlierResult();
  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  const std::vector<std::vector<std::string>> expected = {{"A1", "25"},
                                                          {"A2", "0"}};
  EXPECT_EQ(ResultRows(), expected);

  ASSERT_EQ(site_.LogFiles().size(), 1u);
  EXPECT_TRUE(std::regex_match(site_.LogFiles()[0],
                               std::regex(R"(LOG_VOR_ENC\d{8}\.txt)")));
  const std::string log = site_.LogText();
  ExpectLogFormat(log);
  const std::vector<std::string> messages = LogMessages(log);
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(messages.front(), kStart);
  EXPECT_EQ(messages[1].rfind("Artigo   A", 0), 0u) << messages[1];
  EXPECT_EQ(messages.back(), kFinished);
  EXPECT_EQ(messages[messages.size() - 2], "Grava Tabela Final");
  ExpectNoPassword(r);
}

// Motor/Leitura: Conjunto gives the same proposal; a value that names no
// mode stops start-up with exit code 2, naming file, key and value, before
// the table is touched.
TEST_F(SilentRunTest, ReadingModeFromTheSettingsFile) {
  site_.WriteSettings();
  const std::string settings = ReadFile(site_.settings_path());
  AddEarlierResult();
  WriteFile(site_.settings_path(),
            settings + "[Motor]\r\nLeitura=conjunto\r\n");
  ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ResultRows(),
            (std::vector<std::vector<std::string>>{{"A1", "25"}, {"A2", "0"}}));

  AddEarlierResult();
  WriteFile(site_.settings_path(), settings + "[Motor]\r\nLeitura=Rapida\r\n");
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.err, "VORencomendas: Erro 13 - [Motor] Leitura=Rapida em " +
                       site_.settings_path() +
                       ": não é Literal nem Conjunto; a emissão não começa\n");
  EXPECT_EQ(ResultRows().size(), 3u);  // the two rows and the earlier one

  // A number too large for the fixed-point type is refused at start-up,
  // naming key and file, before the log, the table or the history is
  // written (it used to end the report after the write with "Overflow").
  site_.erp().Exec(HistorySqliteSchema());
  const std::string log_before = site_.LogText();
  WriteFile(site_.settings_path(),
            settings +
                "[Relatorio]\r\nVariacao=1e15\r\n[Historico]\r\n"
                "Dias=30\r\n[email]\r\nDestino=a@b.pt\r\n");
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.err.substr(r.err.find("VORencomendas: Erro 13")),
            "VORencomendas: Erro 13 - [Relatorio] Variacao=1e15 em " +
                site_.settings_path() +
                ": é um número grande demais; a emissão não começa\n");
  EXPECT_EQ(ResultRows().size(), 3u);
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Historico"), 0);
  EXPECT_EQ(site_.LogText(), log_before);
}

TEST_F(SilentRunTest, TwoRunsTheSameDayAppendToOneLog) {
  site_.WriteSettings();
  EXPECT_EQ(site_.Run({"/S"}).exit_code, 0);
  EXPECT_EQ(site_.Run({"/S"}).exit_code, 0);
  EXPECT_EQ(site_.LogFiles().size(), 1u);  // (fails only across midnight)
  const std::string log = site_.LogText();
  ExpectLogFormat(log);
  EXPECT_EQ(CountOf(log, std::string("] ") + kStart + "\r\n"), 2);
  EXPECT_EQ(CountOf(log, std::string("] ") + kFinished + "\r\n"), 2);
  // The second run begins after the first one's end.
  EXPECT_LT(log.find(kFinished), log.rfind(kStart));
  EXPECT_EQ(ResultRows().size(), 2u);  // rewritten, not added to
}

TEST_F(SilentRunTest, EngineErrorEndsWithOneAndLogsDatabaseText) {
  site_.WriteSettings();
  AddEarlierResult();
  site_.erp().Exec("drop table zlx_VOR_OrdensFabrico");
  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string log = site_.LogText();
  ExpectLogFormat(log);
  const std::vector<std::string> messages = LogMessages(log);
  ASSERT_FALSE(messages.empty());
  // The handler's message is the last line: " 3604 - " and the driver's text.
  EXPECT_EQ(messages.back().rfind(" 3604 - ", 0), 0u) << messages.back();
  EXPECT_NE(messages.back().find("zlx_VOR_OrdensFabrico"), std::string::npos)
      << messages.back();
  EXPECT_EQ(log.find(kFinished), std::string::npos);
  // The operator is pointed at the log.
  EXPECT_NE(r.err.find(site_.log_folder()), std::string::npos) << r.err;
  // The result table keeps the earlier run's rows.
  const std::vector<std::vector<std::string>> earlier = {
      {"ANTERIOR", ErpFixture::kNull}};
  EXPECT_EQ(ResultRows(), earlier);
  ExpectNoPassword(r);
}

TEST_F(SilentRunTest, UnwritableLogEndsWithTwoAndLeavesDatabase) {
  // The log folder is a file: no file can be made inside it, not even by
  // the superuser.
  const std::string not_a_folder = site_.base() + "/ficheiro";
  WriteFile(not_a_folder, "não é uma pasta");
  SiteSettings settings;
  settings.log_folder = not_a_folder;
  site_.WriteSettings(settings);
  AddEarlierResult();

  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("VORencomendas: Erro 75 - ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(not_a_folder), std::string::npos) << r.err;
  const std::vector<std::vector<std::string>> earlier = {
      {"ANTERIOR", ErpFixture::kNull}};
  EXPECT_EQ(ResultRows(), earlier);
  EXPECT_EQ(r.err.find(site_.settings().password), std::string::npos);
}

// A FIFO or a symbolic link planted at the day's log name: the run ends at
// once (well within [BD] TempoEspera, 5 s here) with exit code 2 naming
// the file, writes nothing through the link and leaves the table alone.
TEST_F(SilentRunTest, FifoOrLinkAtTheLogNameIsRefusedAtOnce) {
  site_.WriteSettings();
  AddEarlierResult();
  char day[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(day, sizeof day, "LOG_VOR_ENC%Y%m%d.txt", &local);
  const std::string log = site_.log_folder() + "/" + day;
  ASSERT_EQ(::mkfifo(log.c_str(), 0666), 0);
  const auto started = std::chrono::steady_clock::now();
  ProgramResult r = site_.Run({"/S"});
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::seconds(5));
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.err, "VORencomendas: Erro 75 - O ficheiro '" + log +
                       "' é um FIFO (pipe com nome): só se escreve num "
                       "ficheiro comum ([Log] Directoria em '" +
                       site_.settings_path() + "')\n");
  const std::vector<std::vector<std::string>> earlier = {
      {"ANTERIOR", ErpFixture::kNull}};
  EXPECT_EQ(ResultRows(), earlier);

  fs::remove(log);
  const std::string outside = site_.base() + "/fora.txt";
  WriteFile(outside, "");
  fs::create_symlink(outside, log);
  r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_NE(r.err.find("'" + log + "' é uma ligação simbólica"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(outside), "");
  EXPECT_EQ(ResultRows(), earlier);
}

TEST_F(SilentRunTest, FailedConnectionIsReportedAndEndsThroughTheEngine) {
  SiteSettings settings;
  settings.database = site_.base() + "/nao_existe.sqlite";
  site_.WriteSettings(settings);

  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Não foi possivel Abrir a base de dados indicada !"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("nao_existe.sqlite"), std::string::npos) << r.err;
  // The failure's details once: the run's end points back to them.
  EXPECT_EQ(CountOf(r.err, "nao_existe.sqlite"), 1) << r.err;
  const std::string log = site_.LogText();
  ExpectLogFormat(log);  // the message's own line breaks keep the format
  const std::vector<std::string> messages = LogMessages(log);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.front(), kStart);
  EXPECT_NE(
      std::find(messages.begin(), messages.end(),
                " 3604 - Não foi possivel Abrir a base de dados indicada !"),
      messages.end())
      << log;
  EXPECT_FALSE(fs::exists(settings.database));  // never created
  ExpectNoPassword(r);
}

// "/s" from a scheduler is a settings-file name and asks for the window;
// without a display that must be one clear line and exit code 2, not an
// abort inside Qt, and nothing may reach the database.
TEST_F(SilentRunTest, WindowWithoutDisplayEndsWithTwoAndOneLine) {
  site_.WriteSettings();
  AddEarlierResult();
  const auto before = ResultRows();
  ScopedEnv platform("QT_QPA_PLATFORM");
  platform.Unset();
  const ProgramResult r = site_.Run({"/s"});
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("VORencomendas: Erro ", 0), 0u) << r.err;
  EXPECT_EQ(CountOf(r.err, "\n"), 1) << r.err;
  EXPECT_NE(r.err.find("Não há ecrã disponível"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\"/s\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("exatamente /S"), std::string::npos) << r.err;
  EXPECT_EQ(ResultRows(), before);
  EXPECT_TRUE(site_.LogFiles().empty());
}

TEST_F(SilentRunTest, ConversionOverflowIsLoggedLineByLine) {
  // Units differ, so the supplier price is read: far beyond the range.
  ErpArticle boxed = BoughtArticle("A3", 0, 12);
  boxed.uncmp = "CX";
  boxed.factemb = 12;
  site_.erp().AddArticle(boxed);
  site_.erp().AddPrice("A3", "F001", 1e20);
  site_.WriteSettings();

  const ProgramResult r = site_.Run({"/S"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string log = site_.LogText();
  ExpectLogFormat(log);
  const std::vector<std::string> messages = LogMessages(log);
  auto at = std::find(messages.begin(), messages.end(), "Erro 6");
  ASSERT_NE(at, messages.end()) << log;
  ASSERT_GE(messages.end() - at, 3);
  EXPECT_EQ(at[1].front(), '(');
  EXPECT_EQ(at[1].back(), ')');
  EXPECT_EQ(at[2], "Na função TransformaEmCurrency do itFuncoes");
  EXPECT_EQ(messages.back(), kFinished);
  // The price counts as 0; the proposal is made all the same.
  EXPECT_EQ(site_.erp().Scalar(
                "select UltPrCom from zlx_VOR_Encomendas where Artigo='A3'"),
            "0");
}

}  // namespace
}  // namespace vor
