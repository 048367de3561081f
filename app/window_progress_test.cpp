// WindowProgress: how often the progress bar moves, and the conversion
// message box.
#include "app/window_progress.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QProgressBar>

#include "app/frm_vorencomendas.h"
#include "testing/test_site.h"
#include "app/window_services.h"
#include "core/error.h"

namespace vor {
namespace {

using std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

class RecordingServices : public WindowServices {
 public:
  void ShowMessage(QWidget*, Kind k, const std::string& t) override {
    kind = k;
    text = t;
    ++shown;
  }
  void EndProgram(int) override {}
  Kind kind = Kind::kCritical;
  std::string text;
  int shown = 0;
};

class WindowProgressTest : public ::testing::Test {
 protected:
  WindowProgressTest() : env_("VOR_BASE_DIR", site_.base()) {
    site_.CreateErp();
    site_.WriteSettings();
    window_ =
        std::make_unique<frmVOREncomendas>("", site_.app_folder(), services_);
  }
  TestSite site_;
  ScopedEnv env_;
  RecordingServices services_;
  std::unique_ptr<frmVOREncomendas> window_;
  TimePoint now_{};
};

TEST_F(WindowProgressTest, BarMovesAtMostEveryFiftyMilliseconds) {
  WindowProgress progress(*window_, services_, [this] { return now_; });
  QProgressBar* bar = window_->progress_bar();

  progress.Step(1, 1000);  // the first position of a step: shown
  EXPECT_EQ(progress.bar_updates(), 1);
  EXPECT_EQ(bar->value(), 1);
  EXPECT_EQ(bar->maximum(), 1000);
  EXPECT_FALSE(bar->isHidden());

  now_ += milliseconds(10);
  progress.Step(2, 1000);
  now_ += milliseconds(39);  // 49 ms after the last move
  progress.Step(3, 1000);
  EXPECT_EQ(progress.bar_updates(), 1);
  EXPECT_EQ(bar->value(), 1);

  now_ += milliseconds(1);  // 50 ms
  progress.Step(4, 1000);
  EXPECT_EQ(progress.bar_updates(), 2);
  EXPECT_EQ(bar->value(), 4);

  now_ += milliseconds(1);
  progress.Step(1000, 1000);  // the last position is always shown
  EXPECT_EQ(progress.bar_updates(), 3);
  EXPECT_EQ(bar->value(), 1000);

  now_ += milliseconds(1);
  progress.Step(1, 7);  // a new step (another total) is shown at once
  EXPECT_EQ(progress.bar_updates(), 4);
  EXPECT_EQ(bar->maximum(), 7);
  EXPECT_EQ(bar->text(), QStringLiteral("1 / 7"));
}

TEST_F(WindowProgressTest, YieldShowsAPositionHeldBackOnceTheIntervalPassed) {
  WindowProgress progress(*window_, services_, [this] { return now_; });
  QProgressBar* bar = window_->progress_bar();
  progress.Step(1, 100);
  now_ += milliseconds(20);
  progress.Step(2, 100);
  progress.Yield();  // 20 ms: still held back
  EXPECT_EQ(bar->value(), 1);
  now_ += milliseconds(30);
  progress.Yield();  // 50 ms: the held-back position is shown
  EXPECT_EQ(bar->value(), 2);
  EXPECT_EQ(progress.bar_updates(), 2);
  now_ += milliseconds(80);
  progress.Yield();  // nothing new held back: no move
  EXPECT_EQ(progress.bar_updates(), 2);
}

TEST_F(WindowProgressTest, ManyStepsInAShortTimeMoveTheBarRarely) {
  WindowProgress progress(*window_, services_, [this] { return now_; });
  // 10 000 positions, one every 0.1 ms: one second in all.
  for (int i = 1; i <= 10000; ++i) {
    now_ += std::chrono::microseconds(100);
    progress.Step(i, 10000);
  }
  // One move every 50 ms, the first and the last: about 21.
  EXPECT_GE(progress.bar_updates(), 20);
  EXPECT_LE(progress.bar_updates(), 22);
  EXPECT_EQ(window_->progress_bar()->value(), 10000);
}

TEST_F(WindowProgressTest, LinesReachTheListInBatchesInOrderLastSelected) {
  WindowProgress progress(*window_, services_, [this] { return now_; });
  progress.AddLine("Artigo   A1   2/1");
  progress.Yield();  // the first batch goes at once
  ASSERT_EQ(window_->Lista()->count(), 1);
  // Lines within the interval wait for the next repaint...
  for (int i = 2; i <= 500; ++i) {
    progress.AddLine("Artigo   A" + std::to_string(i) + "   500/" +
                     std::to_string(i));
    now_ += std::chrono::microseconds(10);
    progress.Yield();
  }
  EXPECT_EQ(window_->Lista()->count(), 1);
  now_ += WindowProgress::kListInterval;
  progress.AddLine("Emissão Mapas terminada");
  progress.Yield();
  // ...and then arrive together, in order, the last one selected.
  ASSERT_EQ(window_->Lista()->count(), 501);
  EXPECT_EQ(window_->Lista()->item(250)->text().toStdString(),
            "Artigo   A251   500/251");
  EXPECT_EQ(window_->Lista()->currentRow(), 500);
  EXPECT_EQ(window_->Lista()->selectedItems().size(), 1);

  // A message box is shown only after the lines before it are listed.
  progress.AddLine("Artigo   B1   1/1");
  progress.ReportConversionError(Error(6, "Overflow"));
  EXPECT_EQ(window_->Lista()->count(), 502);
  EXPECT_EQ(services_.shown, 1);
  EXPECT_EQ(services_.kind, WindowServices::Kind::kPlain);
  EXPECT_EQ(services_.text,
            "Erro 6\r\n(Overflow)\r\nNa função TransformaEmCurrency do "
            "itFuncoes");
}

}  // namespace
}  // namespace vor
