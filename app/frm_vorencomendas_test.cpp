// The main window under the offscreen platform: its design, the progress
// list, the guarded run against a small ERP, the error reports and the
// settings button. Message boxes and the end of the program go to a
// recording stand-in, so no test waits for a click.
#include "app/frm_vorencomendas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frm_parametros.h"
#include "app/window_services.h"
#include "testing/test_site.h"
#include "testing/ui_test_support.h"

namespace vor {
namespace {

namespace fs = std::filesystem;

constexpr char kFinished[] = "Emissão Mapas terminada";

class RecordingServices : public WindowServices {
 public:
  struct Message {
    Kind kind;
    std::string text;
  };
  void ShowMessage(QWidget*, Kind kind, const std::string& text) override {
    messages.push_back({kind, text});
  }
  void EndProgram(int exit_code) override { exit_codes.push_back(exit_code); }

  std::vector<Message> messages;
  std::vector<int> exit_codes;
};

std::vector<std::string> ListLines(const QListWidget* list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list->count(); ++i) {
    lines.push_back(list->item(i)->text().toStdString());
  }
  return lines;
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : base_env_("VOR_BASE_DIR", site_.base()) {}

  void SetUp() override {
    ErpFixture& erp = site_.CreateErp();
    erp.AddSupplier("F001");
    // 5 in stock, minimum 30: 25 to order. 100 in stock, minimum 10: none.
    erp.AddArticle(BoughtArticle("A1", 5, 30));
    erp.AddArticle(BoughtArticle("A2", 100, 10));
    site_.WriteSettings();
  }

  std::unique_ptr<frmVOREncomendas> NewWindow(const std::string& args = "") {
    return std::make_unique<frmVOREncomendas>(args, site_.app_folder(),
                                              services_);
  }

  TestSite site_;
  ScopedEnv base_env_;
  RecordingServices services_;
};

TEST_F(MainWindowTest, ControlsStandAtTheDesignedPlaces) {
  auto window = NewWindow();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("VORencomendas"));
  EXPECT_FALSE(window->windowIcon().isNull());
  // 9135 x 2775 twips at 15 twips per pixel.
  EXPECT_EQ(window->size(), QSize(609, 185));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());

  EXPECT_EQ(window->Lista()->geometry(), QRect(8, 8, 592, 132));
  EXPECT_EQ(window->btSair()->geometry(), QRect(520, 152, 80, 29));
  EXPECT_EQ(window->btConf()->geometry(), QRect(0, 152, 87, 29));
  EXPECT_EQ(window->btParam()->geometry(), QRect(96, 152, 87, 29));
  EXPECT_EQ(window->btSair()->text(), QStringLiteral("&Sair"));
  EXPECT_EQ(window->btConf()->text(), QStringLiteral("&Sincronizar"));
  EXPECT_EQ(window->btParam()->text(), QStringLiteral("&Parametrizar"));
  EXPECT_EQ(window->Lista()->selectionMode(),
            QAbstractItemView::SingleSelection);

  // The progress bar lies in the free part of the button row, clear of
  // both buttons, and is hidden while idle.
  const QRect bar = window->progress_bar()->geometry();
  EXPECT_GT(bar.left(), window->btParam()->geometry().right());
  EXPECT_LT(bar.right(), window->btSair()->geometry().left());
  EXPECT_GE(bar.top(), 152);
  EXPECT_LE(bar.bottom(), 152 + 29 - 1);
  EXPECT_TRUE(window->progress_bar()->isHidden());
}

TEST_F(MainWindowTest, KeyboardOrderIsListExitSynchroniseSettings) {
  auto window = NewWindow();
  ASSERT_TRUE(test::ShowActive(window.get()));
  window->Lista()->setFocus();
  std::vector<QWidget*> order;
  for (int i = 0; i < 4; ++i) {
    order.push_back(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order,
            (std::vector<QWidget*>{window->Lista(), window->btSair(),
                                   window->btConf(), window->btParam()}));
  // ...and round again to the list.
  EXPECT_EQ(QApplication::focusWidget(), window->Lista());
}

TEST_F(MainWindowTest, WindowIsCentredOnTheScreen) {
  auto window = NewWindow();
  window->show();
  const QRect screen = window->screen()->geometry();
  const QRect frame = window->frameGeometry();
  EXPECT_EQ(frame.x(), screen.x() + (screen.width() - frame.width()) / 2);
  EXPECT_EQ(frame.y(), screen.y() + (screen.height() - frame.height()) / 2);
}

TEST_F(MainWindowTest, StartUpTakesTheSettingsFileFromTheCommandLine) {
  EXPECT_EQ(NewWindow()->state().SettingsFilePath, site_.settings_path());
  auto named = NewWindow("outro.zlx");
  EXPECT_EQ(named->state().SettingsFilePath,
            site_.settings_folder() + "/outro.zlx");
  EXPECT_FALSE(named->state().SilentRun);
  EXPECT_EQ(named->state().ComponentMode, "B");
}

TEST_F(MainWindowTest, AddListaAppendsAndSelectsTheLastLine) {
  auto window = NewWindow();
  for (int i = 1; i <= 40; ++i) {
    window->AddLista("linha " + std::to_string(i));
    EXPECT_EQ(window->Lista()->currentRow(), i - 1);
    ASSERT_EQ(window->Lista()->selectedItems().size(), 1);
    EXPECT_EQ(window->Lista()->selectedItems()[0]->text().toStdString(),
              "linha " + std::to_string(i));
  }
  EXPECT_EQ(window->Lista()->count(), 40);
}

TEST_F(MainWindowTest, GuardedRunDisablesTheWindowAndEnablesItAfter) {
  auto window = NewWindow();
  window->show();
  std::vector<bool> enabled_during;
  std::vector<bool> bar_visible_during;
  QObject::connect(
      window.get(), &frmVOREncomendas::LineAdded, [&](const QString&) {
        enabled_during.push_back(window->isEnabled());
        bar_visible_during.push_back(window->progress_bar()->isVisible());
        // The close box is refused while a run lasts.
        EXPECT_FALSE(window->close());
      });
  window->btConf()->click();

  ASSERT_FALSE(enabled_during.empty());
  for (bool enabled : enabled_during) EXPECT_FALSE(enabled);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_FALSE(window->running());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->progress_bar()->isHidden());
  // The article lines moved the bar before they were listed.
  EXPECT_TRUE(bar_visible_during.back());
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_TRUE(services_.exit_codes.empty());

  const std::vector<std::string> lines = ListLines(window->Lista());
  EXPECT_EQ(lines.back(), kFinished);
  EXPECT_EQ(window->Lista()->currentRow(), window->Lista()->count() - 1);
  // The result table holds the proposal: A1 needs 30 - 5 = 25.
  const auto rows = site_.erp().Query(
      "select Artigo, QtdUB from zlx_VOR_Encomendas where Artigo = 'A1'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], "25");
}

TEST_F(MainWindowTest, SecondRunAppendsToTheListAndTheDaysLog) {
  auto window = NewWindow();
  window->btConf()->click();
  const int first_run = window->Lista()->count();
  window->btConf()->click();
  const std::vector<std::string> lines = ListLines(window->Lista());
  ASSERT_EQ(static_cast<int>(lines.size()), 2 * first_run);
  EXPECT_EQ(lines[first_run - 1], kFinished);
  EXPECT_EQ(lines.back(), kFinished);
  EXPECT_EQ(CountOf(site_.LogText(), "Início da Emissão"), 2);
  EXPECT_EQ(CountOf(site_.LogText(), kFinished), 2);
  EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, EngineErrorIsShownWithTheLogAndEndsWithCode1) {
  site_.erp().Exec("drop table zlx_VOR_Encomendas");
  auto window = NewWindow();
  window->btConf()->click();

  ASSERT_EQ(services_.messages.size(), 1u);
  const RecordingServices::Message& box = services_.messages[0];
  EXPECT_EQ(box.kind, WindowServices::Kind::kCritical);
  EXPECT_NE(box.text.find(" 3604 - "), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("zlx_VOR_Encomendas"), std::string::npos);
  const std::vector<std::string> logs = site_.LogFiles();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_NE(box.text.find(site_.log_folder() + "/" + logs[0]),
            std::string::npos)
      << box.text;
  EXPECT_EQ(services_.exit_codes, std::vector<int>{1});
  EXPECT_NE(ListLines(window->Lista()).back(), kFinished);
  // The handler logged the error; the closing line was not written.
  EXPECT_NE(site_.LogText().find(" 3604 - "), std::string::npos);
  EXPECT_EQ(CountOf(site_.LogText(), kFinished), 0);
}

TEST_F(MainWindowTest, ErrorOutsideTheEngineIsShownAndEndsWithCode2) {
  // The log folder lies under a regular file: the log cannot be opened.
  WriteFile(site_.base() + "/ficheiro", "x");
  SiteSettings settings;
  settings.log_folder = site_.base() + "/ficheiro/log";
  site_.WriteSettings(settings);
  auto window = NewWindow();
  window->btConf()->click();

  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text.rfind("Erro 75\r\n", 0), 0u)
      << services_.messages[0].text;
  EXPECT_NE(services_.messages[0].text.find("ficheiro/log"), std::string::npos);
  EXPECT_EQ(services_.exit_codes, std::vector<int>{2});
  // The run stopped where the error occurred: the window is not enabled
  // again, and nothing reached the result table.
  EXPECT_FALSE(window->isEnabled());
  EXPECT_EQ(site_.erp().Count("zlx_VOR_Encomendas"), 0);
}

TEST_F(MainWindowTest, FailedConnectionTextNamesServerAndDatabase) {
  EXPECT_EQ(NewWindow()->ConnectionFailureText(), "");
  SiteSettings settings;
  settings.database = site_.base() + "/nao-existe.sqlite";
  site_.WriteSettings(settings);
  const std::string text = NewWindow()->ConnectionFailureText();
  EXPECT_EQ(text.rfind("Não foi possivel Abrir a base de dados indicada !\r\n"
                       " Servidor =sqlite\r\nBase de dados =" +
                           settings.database,
                       0),
            0u)
      << text;
  EXPECT_EQ(text.find(settings.password), std::string::npos);
}

TEST_F(MainWindowTest, SettingsButtonOpensANewWindowEachClick) {
  auto window = NewWindow();
  window->show();
  window->btParam()->click();
  window->btParam()->click();
  std::vector<frmParametros*> opened;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* p = qobject_cast<frmParametros*>(w); p && p->isVisible()) {
      opened.push_back(p);
    }
  }
  ASSERT_EQ(opened.size(), 2u);
  for (frmParametros* p : opened) {
    EXPECT_EQ(p->SettingsFilePath(), site_.settings_path());
    EXPECT_FALSE(p->isModal());
    EXPECT_EQ(p->Campo(13)->text(), QStringLiteral("Proposta de encomendas"));
  }
  // The main window stays usable beside them.
  EXPECT_TRUE(window->isEnabled());
  for (frmParametros* p : opened) p->close();
  test::FlushDeletes();
  EXPECT_TRUE(services_.exit_codes.empty());
}

TEST_F(MainWindowTest, ExitButtonAndCloseBoxEndTheProgramNormally) {
  auto window = NewWindow();
  window->show();
  window->btSair()->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(services_.exit_codes, std::vector<int>{0});

  auto other = NewWindow();
  other->show();
  EXPECT_TRUE(other->close());
  EXPECT_EQ(services_.exit_codes, (std::vector<int>{0, 0}));
}

}  // namespace
}  // namespace vor
