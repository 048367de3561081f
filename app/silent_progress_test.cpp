#include "app/silent_progress.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/error.h"
#include "testing/test_site.h"

namespace vor {
namespace {

using namespace std::chrono;

LocalTime At(int h, int m, int s) {
  return local_days{year{2021} / January / 28} + hours(h) + minutes(m) +
         seconds(s);
}

class SilentProgressTest : public ::testing::Test {
 protected:
  std::string LogText() {
    return ReadFile(tmp_.path() + "/LOG_VOR_ENC20210128.txt");
  }

  TempFolder tmp_;
  std::string settings_ = tmp_.path() + "/VOREncomendas.zlx";
  cl_log log_{[] { return At(10, 40, 20); }};
};

TEST_F(SilentProgressTest, ConversionErrorBecomesThreeLogLines) {
  ASSERT_TRUE(log_.Abrir(tmp_.path(), settings_)) << log_.open_error();
  SilentProgress progress([this] { return &log_; });
  progress.ReportConversionError(
      Error(6, "Estouro na conversão de 1e+20 (artigo A3)"));
  log_.Fechar();
  EXPECT_EQ(LogText(),
            "[28-01-2021][10:40:20] Início da Emissão\r\n"
            "[28-01-2021][10:40:20] Erro 6\r\n"
            "[28-01-2021][10:40:20] (Estouro na conversão de 1e+20 "
            "(artigo A3))\r\n"
            "[28-01-2021][10:40:20] Na função TransformaEmCurrency do "
            "itFuncoes\r\n");
}

TEST_F(SilentProgressTest, LinesAndYieldsShowNothing) {
  ASSERT_TRUE(log_.Abrir(tmp_.path(), settings_));
  SilentProgress progress([this] { return &log_; });
  testing::internal::CaptureStdout();
  progress.AddLine("Artigo   A1   1/1");
  progress.Step(1, 1);
  progress.Yield();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  log_.Fechar();
  // The progress list of a silent run is not the log: only the first line.
  EXPECT_EQ(LogText(), "[28-01-2021][10:40:20] Início da Emissão\r\n");
}

TEST_F(SilentProgressTest, NoOpenLogIsAnErrorNotASilentLoss) {
  SilentProgress without_run([] { return nullptr; });
  try {
    without_run.ReportConversionError(Error(6, "Estouro"));
    FAIL() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_NE(e.description().find("Estouro"), std::string::npos);
  }
  SilentProgress closed_log([this] { return &log_; });  // never opened
  EXPECT_THROW(closed_log.ReportConversionError(Error(6, "Estouro")), Error);
}

}  // namespace
}  // namespace vor
