#include "log/cl_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/error.h"
#include "settings/parametros.h"
#include "testing/file_size_limit.h"
#include "testing/temp_folder.h"

namespace vor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

LocalTime At(int y, unsigned m, unsigned d, int hh, int mm, int ss) {
  return local_days{year{y} / month{m} / day{d}} + hours{hh} + minutes{mm} +
         seconds{ss};
}

class ClLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(logs_);
    SetFolder(logs_.string());
  }
  // The [Log] Directoria setting the run hands to Abrir.
  void SetFolder(const std::string& folder) { folder_ = folder; }
  static std::string Get(const fs::path& p) { return ReadFile(p.string()); }
  LocalClock Clock() {
    return [this] { return now_; };
  }

  TempFolder tmp_;
  const fs::path dir_ = tmp_.path();
  const std::string ini_ = tmp_.File("VOREncomendas.zlx");
  const fs::path logs_ = dir_ / "logs";
  std::string folder_;
  LocalTime now_ = At(2021, 1, 28, 10, 40, 20);
};

TEST(ClLogPathTest, FolderIsTrimmedAndGetsOneSeparator) {
  const LocalTime day = At(2021, 1, 28, 10, 40, 20);
  EXPECT_EQ(cl_log::BuildPath("/srv/logs", "/etc/zoltix/V.zlx", day),
            "/srv/logs/LOG_VOR_ENC20210128.txt");
  EXPECT_EQ(cl_log::BuildPath("/srv/logs/", "/etc/zoltix/V.zlx", day),
            "/srv/logs/LOG_VOR_ENC20210128.txt");
  EXPECT_EQ(cl_log::BuildPath("  /srv/logs/ \t", "/etc/zoltix/V.zlx", day),
            "/srv/logs/LOG_VOR_ENC20210128.txt");
  EXPECT_EQ(cl_log::BuildPath(" my logs ", "/etc/zoltix/V.zlx", day),
            "my logs/LOG_VOR_ENC20210128.txt");
  EXPECT_EQ(cl_log::BuildPath("/srv/logs", "", At(2009, 3, 5, 0, 0, 0)),
            "/srv/logs/LOG_VOR_ENC20090305.txt");
}

TEST(ClLogPathTest, EmptyFolderMeansTheSettingsFolder) {
  const LocalTime day = At(2021, 12, 1, 23, 59, 59);
  EXPECT_EQ(cl_log::BuildPath("", "/etc/zoltix/V.zlx", day),
            "/etc/zoltix/LOG_VOR_ENC20211201.txt");
  EXPECT_EQ(cl_log::BuildPath("   ", "/etc/zoltix/V.zlx", day),
            "/etc/zoltix/LOG_VOR_ENC20211201.txt");
  EXPECT_EQ(cl_log::BuildPath("", "/V.zlx", day), "/LOG_VOR_ENC20211201.txt");
  EXPECT_EQ(cl_log::BuildPath("", "V.zlx", day), "LOG_VOR_ENC20211201.txt");
}

TEST_F(ClLogTest, AbrirWritesTheFirstLineWithDateAndTime) {
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  EXPECT_TRUE(log.is_open());
  EXPECT_EQ(log.open_error(), "");
  const fs::path file = logs_ / "LOG_VOR_ENC20210128.txt";
  EXPECT_EQ(log.path(), file.string());
  // Each line is on disk as soon as it is written.
  EXPECT_EQ(Get(file), "[28-01-2021][10:40:20] Início da Emissão\r\n");
  now_ = At(2021, 1, 28, 7, 8, 9);
  log.Escrever("Artigo   A-01   12/3");
  EXPECT_EQ(Get(file),
            "[28-01-2021][10:40:20] Início da Emissão\r\n"
            "[28-01-2021][07:08:09] Artigo   A-01   12/3\r\n");
  log.Fechar();
  EXPECT_FALSE(log.is_open());
}

TEST_F(ClLogTest, MessagesAreWrittenUnchanged) {
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  log.Escrever("Emissão Mapas terminada — ç ã é €");
  log.Escrever("");
  log.Escrever("  espaços  [x] ");
  log.Fechar();
  EXPECT_EQ(Get(log.path()),
            "[28-01-2021][10:40:20] Início da Emissão\r\n"
            "[28-01-2021][10:40:20] Emissão Mapas terminada — ç ã é €\r\n"
            "[28-01-2021][10:40:20] \r\n"
            "[28-01-2021][10:40:20]   espaços  [x] \r\n");
}

// Progress lines wait in the buffer, stamped when given, and reach the file
// before the next line written at once, in order; Fechar writes the rest.
TEST_F(ClLogTest, ProgressLinesWaitForTheNextLineWrittenAtOnce) {
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  log.EscreverProgresso("Artigo   A1   2/1");
  log.EscreverProgresso("Artigo   A2   2/2");
  EXPECT_EQ(Get(log.path()), "[28-01-2021][10:40:20] Início da Emissão\r\n");
  now_ += seconds{3};
  log.Escrever("Atualiza Enc Cli");
  log.EscreverProgresso("Artigo   A1   2/1");
  const std::string expected =
      "[28-01-2021][10:40:20] Início da Emissão\r\n"
      "[28-01-2021][10:40:20] Artigo   A1   2/1\r\n"
      "[28-01-2021][10:40:20] Artigo   A2   2/2\r\n"
      "[28-01-2021][10:40:23] Atualiza Enc Cli\r\n";
  EXPECT_EQ(Get(log.path()), expected);
  log.Fechar();
  EXPECT_EQ(Get(log.path()),
            expected + "[28-01-2021][10:40:23] Artigo   A1   2/1\r\n");
}

// A run stuck in one article makes no further call and is killed after
// 3 s: the article's line is in the file all the same.
TEST_F(ClLogTest, ProgressLineOfARunKilledWhileStuckIsInTheFile) {
  const std::string path = cl_log::BuildPath(logs_.string(), ini_, Clock()());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    cl_log log(Clock());
    if (!log.Abrir(folder_, ini_)) ::_exit(1);
    log.EscreverProgresso("Artigo   LENTO   1/1");
    ::sleep(60);  // the slow article
    ::_exit(0);
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(Get(path),
            "[28-01-2021][10:40:20] Início da Emissão\r\n"
            "[28-01-2021][10:40:20] Artigo   LENTO   1/1\r\n");
}

TEST_F(ClLogTest, MessageOfSeveralLinesGivesOneStampedLineEach) {
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  log.Escrever("Erro 6\r\n(Overflow)\nNa função X\rfim\n");
  log.Fechar();
  EXPECT_EQ(Get(log.path()),
            "[28-01-2021][10:40:20] Início da Emissão\r\n"
            "[28-01-2021][10:40:20] Erro 6\r\n"
            "[28-01-2021][10:40:20] (Overflow)\r\n"
            "[28-01-2021][10:40:20] Na função X\r\n"
            "[28-01-2021][10:40:20] fim\r\n");
}

TEST_F(ClLogTest, TwoRunsOnOneDayAppendInOrder) {
  {
    cl_log log(Clock());
    ASSERT_TRUE(log.Abrir(folder_, ini_));
    log.Escrever("primeira");
    log.Fechar();
  }
  now_ = At(2021, 1, 28, 15, 0, 1);
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  log.Escrever("segunda");
  log.Fechar();
  EXPECT_EQ(Get(logs_ / "LOG_VOR_ENC20210128.txt"),
            "[28-01-2021][10:40:20] Início da Emissão\r\n"
            "[28-01-2021][10:40:20] primeira\r\n"
            "[28-01-2021][15:00:01] Início da Emissão\r\n"
            "[28-01-2021][15:00:01] segunda\r\n");
}

TEST_F(ClLogTest, RunPastMidnightStaysInTheFileOfItsStartDay) {
  now_ = At(2021, 12, 31, 23, 59, 58);
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  now_ = At(2022, 1, 1, 0, 0, 3);
  log.Escrever("depois da meia-noite");
  log.Fechar();
  EXPECT_EQ(Get(logs_ / "LOG_VOR_ENC20211231.txt"),
            "[31-12-2021][23:59:58] Início da Emissão\r\n"
            "[01-01-2022][00:00:03] depois da meia-noite\r\n");
  EXPECT_FALSE(fs::exists(logs_ / "LOG_VOR_ENC20220101.txt"));
}

TEST_F(ClLogTest, FolderFromSettingsIsTrimmed) {
  SetFolder("  " + logs_.string() + "/  ");
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  EXPECT_EQ(log.path(), (logs_ / "LOG_VOR_ENC20210128.txt").string());
}

TEST_F(ClLogTest, NoFolderOrNoSettingsFileLogsBesideTheSettingsFile) {
  SetFolder("");
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  EXPECT_EQ(log.path(), (dir_ / "LOG_VOR_ENC20210128.txt").string());
  log.Fechar();

  // A settings file that is missing or unreadable leaves the folder the
  // run reads from it empty.
  for (const char* name : {"falta.zlx", "mau.zlx"}) {
    const fs::path ini = dir_ / name;
    if (std::string(name) == "mau.zlx")
      std::ofstream(ini) << "[Log]\nDirectoria=\xFF\n";
    Parametros parametros;
    parametros.Ler(SettingsRecord::Read(ini.string()));
    ASSERT_TRUE(log.Abrir(parametros.Log_Directoria(), ini.string())) << name;
    EXPECT_EQ(log.path(), (dir_ / "LOG_VOR_ENC20210128.txt").string());
    log.Fechar();
  }
}

TEST_F(ClLogTest, FailedAbrirIsReportedAndEscreverRaises) {
  const fs::path missing = dir_ / "nao_existe";
  SetFolder(missing.string());
  cl_log log(Clock());
  EXPECT_FALSE(log.Abrir(folder_, ini_));
  EXPECT_FALSE(log.is_open());
  const std::string path = (missing / "LOG_VOR_ENC20210128.txt").string();
  EXPECT_EQ(log.path(), path);
  // The folder at fault and the setting that names it, not the system's
  // words for a missing file.
  EXPECT_EQ(log.open_error(), "A pasta de registo '" + missing.string() +
                                  "' não existe ([Log] Directoria em '" + ini_ +
                                  "')");
  try {
    log.Escrever("linha");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), errnum::kFileError);
    EXPECT_NE(e.description().find(path), std::string::npos);
  }
  log.Fechar();

  // The same object opens cleanly once the folder is right.
  SetFolder(logs_.string());
  EXPECT_TRUE(log.Abrir(folder_, ini_));
  EXPECT_EQ(log.open_error(), "");
}

TEST_F(ClLogTest, EscreverBeforeAbrirOrAfterFecharRaises) {
  cl_log log(Clock());
  EXPECT_THROW(log.Escrever("x"), Error);
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  log.Fechar();
  log.Fechar();
  try {
    log.Escrever("x");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(e.description().find(log.path()), std::string::npos);
  }
}

TEST_F(ClLogTest, FailedWriteRaisesNamingTheLog) {
  cl_log log(Clock());
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  // A file-size limit makes the write fail the way a full disk does.
  std::string description;
  EXPECT_EQ(
      ErrorNumberUnderFileSizeLimit(
          100, [&] { log.Escrever(std::string(200, 'x')); }, &description),
      errnum::kFileError);
  EXPECT_NE(description.find(log.path()), std::string::npos);
  // Whatever part of the failed line reached the disk is ended, so the next
  // line starts a line of its own.
  log.Escrever("seguinte");
  log.Fechar();
  const std::string text = Get(log.path());
  const std::string stamp = "[28-01-2021][10:40:20] ";
  EXPECT_EQ(text.rfind(stamp + "Início da Emissão\r\n", 0), 0u);
  const std::string last = "\r\n" + stamp + "seguinte\r\n";
  ASSERT_GE(text.size(), last.size());
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(text.compare(start, stamp.size(), stamp), 0) << start;
    EXPECT_EQ(text.substr(start, end - start).find('\n'), std::string::npos);
    start = end + 2;
  }
}

TEST_F(ClLogTest, SystemClockNamesTodaysFile) {
  const std::time_t before = std::time(nullptr);
  cl_log log;
  ASSERT_TRUE(log.Abrir(folder_, ini_));
  const std::time_t after = std::time(nullptr);
  auto name = [](std::time_t t) {
    char buf[32];
    std::strftime(buf, sizeof buf, "LOG_VOR_ENC%Y%m%d.txt", std::localtime(&t));
    return std::string(buf);
  };
  const std::string got = fs::path(log.path()).filename().string();
  EXPECT_TRUE(got == name(before) || got == name(after)) << got;
}

}  // namespace
}  // namespace vor
