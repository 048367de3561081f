#include "app/frm_parametros.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <sstream>
#include <vector>

#include "app/ui_mail_server_dialog.h"
#include "app/ui_tab_strip.h"
#include "settings/database_login.h"
#include "settings/settings_file.h"
#include "testing/temp_folder.h"
#include "testing/ui_test_support.h"

namespace vor {
namespace {

const char kSettings[] =
    "; Parametros do VOREncomendas\n"
    "[BD]\n"
    "Servidor=sqlite\n"
    "BaseDados=erp.db\n"
    "Utilizador=compras\n"
    "Password=segredo\n"
    "\n"
    "[email]\n"
    "Assunto=Proposta de encomendas\n"
    "; destinatarios tratados noutro programa\n"
    "Destino=compras@empresa.pt\n"
    "\n"
    "[SMTP]\n"
    "emailEmissor=vor@empresa.pt\n"
    "\n"
    "[Log]\n"
    "Directoria=/var/log/vor\n";

// The non-blank lines of a file, in order.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Replaced(std::vector<std::string> lines,
                                  const std::string& from,
                                  const std::string& to) {
  for (auto& line : lines) {
    if (line == from) line = to;
  }
  return lines;
}

class FrmParametrosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath("VOREncomendas.zlx").toStdString();
    WriteFile(path_, kSettings);
  }

  // Opens a window the way the main window does.
  frmParametros* Open(const std::string& path) {
    auto* window = new frmParametros();
    window->set_SettingsFilePath(path);
    window->Mostra();
    return window;
  }

  // Clicks tab `index` of the window's tab strip.
  static void ClickTab(frmParametros* window, int index) {
    QTabBar* bar = window->tab_strip()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  }

  QTemporaryDir dir_;
  std::string path_;
};

TEST_F(FrmParametrosTest, OpensAtDesignSizeCentredAndNotModal) {
  QPointer<frmParametros> window = Open(path_);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Parâmetros"));
  EXPECT_FALSE(window->isModal());
  EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
  // 10000 x 5000 twips outside.
  EXPECT_EQ(window->frameGeometry().size(), QSize(667, 333));
  const QRect screen = window->screen()->geometry();
  EXPECT_EQ(window->frameGeometry().topLeft(),
            QPoint(screen.x() + (screen.width() - 667) / 2,
                   screen.y() + (screen.height() - 333) / 2));
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, ControlsAtTheirDesignPlaces) {
  QPointer<frmParametros> window = Open(path_);
  // The client area is the 667 x 333 outer size less the frame the
  // platform reports.
  const QMargins frame = window->windowHandle()->frameMargins();
  const int w = 667 - frame.left() - frame.right();
  const int h = 333 - frame.top() - frame.bottom();
  ASSERT_EQ(window->size(), QSize(w, h));

  EXPECT_EQ(window->Titulo(13)->parentWidget(), window->Frame(0));
  EXPECT_EQ(window->Campo(13)->parentWidget(), window->Frame(0));
  EXPECT_EQ(window->btConfEmail()->parentWidget(), window->Frame(0));
  EXPECT_EQ(window->Titulo(15)->parentWidget(), window->Frame(1));
  EXPECT_EQ(window->Campo(15)->parentWidget(), window->Frame(1));
  // The recipients under the subject, on the same page.
  EXPECT_EQ(window->Campo(14)->parentWidget(), window->Frame(0));
  EXPECT_EQ(window->Titulo(14)->text(), QStringLiteral("Destinatários"));
  EXPECT_GT(window->Campo(14)->y(), window->Campo(13)->geometry().bottom());
  EXPECT_LT(window->Campo(14)->geometry().bottom(), window->btConfEmail()->y());
  EXPECT_EQ(window->Titulo(12), nullptr);
  EXPECT_EQ(window->Frame(3), nullptr);

  // Twips / 15, rounded.
  EXPECT_EQ(window->Titulo(13)->geometry(), QRect(8, 17, 100, 19));
  EXPECT_EQ(window->Campo(13)->geometry(), QRect(110, 17, 307, 19));
  EXPECT_EQ(window->btConfEmail()->geometry(), QRect(52, 86, 308, 26));
  EXPECT_EQ(window->Titulo(15)->geometry(), QRect(8, 13, 100, 19));
  EXPECT_EQ(window->Campo(15)->pos(), QPoint(112, 13));
  EXPECT_EQ(window->Campo(15)->height(), 19);

  // 120 twips = 8 pixels of margin; buttons 1200 x 435 = 80 x 29.
  EXPECT_EQ(window->btConf()->geometry(), QRect(8, h - 29 - 8, 80, 29));
  EXPECT_EQ(window->btSair()->geometry(),
            QRect(w - 80 - 8, h - 29 - 8, 80, 29));
  EXPECT_EQ(window->tab_strip()->geometry(), QRect(8, 8, w - 16, h - 53));

  // Both pages cover the strip's client area, below the tabs.
  const QRect client = window->tab_strip()->ClientArea().translated(8, 8);
  EXPECT_EQ(window->Frame(0)->geometry(), client);
  EXPECT_EQ(window->Frame(1)->geometry(), client);
  EXPECT_GE(client.top(), 8 + window->tab_strip()->tabBar()->height() - 2);
  EXPECT_TRUE(window->tab_strip()->geometry().contains(client));
  EXPECT_EQ(window->Campo(15)->x() + window->Campo(15)->width(),
            client.width() - 8);

  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, CaptionsPicturesAndLooks) {
  QPointer<frmParametros> window = Open(path_);
  TabStrip* strip = window->tab_strip();
  ASSERT_EQ(strip->count(), 3);
  EXPECT_EQ(strip->tabBar()->tabText(0), QStringLiteral("e-mail"));
  EXPECT_EQ(strip->tabBar()->tabText(1), QStringLiteral("Log"));
  EXPECT_EQ(strip->tabBar()->tabText(2), QStringLiteral("Base de dados"));
  EXPECT_TRUE(strip->tabBar()->font().bold());
  EXPECT_FALSE(window->btConf()->font().bold());
  EXPECT_EQ(window->Titulo(13)->text(), QStringLiteral("Assunto"));
  EXPECT_EQ(window->Titulo(15)->text(), QStringLiteral("Pasta"));
  EXPECT_EQ(window->btConfEmail()->text(),
            QStringLiteral("Configuração do servidor de e-mail"));
  EXPECT_TRUE(window->btConfEmail()->icon().isNull());
  EXPECT_EQ(window->btConf()->text(), QStringLiteral("&Confirmar"));
  EXPECT_EQ(window->btSair()->text(), QStringLiteral("&Sair"));
  EXPECT_EQ(window->btConf()->iconSize(), QSize(24, 24));
  EXPECT_EQ(window->btSair()->iconSize(), QSize(16, 16));
  // The pictures come from the library's resources.
  EXPECT_EQ(window->btConf()->icon().availableSizes(),
            QList<QSize>{QSize(32, 32)});
  EXPECT_EQ(window->btSair()->icon().availableSizes(),
            QList<QSize>{QSize(16, 16)});
  for (int index : {13, 15}) {
    EXPECT_EQ(window->Campo(index)->palette().color(QPalette::Base),
              QColor(Qt::white));
  }
  // Every caption, with its picture and the 4 pixels between them, fits
  // inside its button's frame.
  for (QPushButton* button :
       {window->btConf(), window->btSair(), window->btConfEmail()}) {
    const int text = button->fontMetrics().horizontalAdvance(
        button->text().remove(QLatin1Char('&')));
    const int picture =
        button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth,
                                                   nullptr, button);
    EXPECT_LE(text + picture, button->width() - 2 * frame)
        << button->text().toStdString();
  }
  for (QLabel* label : {window->Titulo(13), window->Titulo(15)}) {
    EXPECT_LE(label->fontMetrics().height(), label->height());
  }
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, OpeningLoadsFieldsShowsEmailPageAndFocusesButton) {
  QPointer<frmParametros> window = Open(path_);
  ASSERT_TRUE(test::ShowActive(window));
  EXPECT_EQ(window->Campo(13)->text(),
            QStringLiteral("Proposta de encomendas"));
  EXPECT_EQ(window->Campo(15)->text(), QStringLiteral("/var/log/vor"));
  EXPECT_EQ(window->tab_strip()->currentIndex(), 0);
  EXPECT_TRUE(window->Frame(0)->isVisible());
  EXPECT_FALSE(window->Frame(1)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window->btConfEmail());
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, MissingFileOpensWithEmptyFields) {
  QPointer<frmParametros> window =
      Open(dir_.filePath("nao_existe.zlx").toStdString());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Campo(13)->text(), QString());
  EXPECT_EQ(window->Campo(15)->text(), QString());
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, TabsSwitchPagesAndFocus) {
  QPointer<frmParametros> window = Open(path_);
  ASSERT_TRUE(test::ShowActive(window));

  ClickTab(window, 1);
  EXPECT_EQ(window->tab_strip()->currentIndex(), 1);
  EXPECT_FALSE(window->Frame(0)->isVisible());
  EXPECT_TRUE(window->Frame(1)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window->Campo(15));

  ClickTab(window, 0);
  EXPECT_TRUE(window->Frame(0)->isVisible());
  EXPECT_FALSE(window->Frame(1)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window->btConfEmail());

  // A click on the tab already selected applies its focus rule again.
  window->Campo(13)->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), window->Campo(13));
  ClickTab(window, 0);
  EXPECT_EQ(QApplication::focusWidget(), window->btConfEmail());

  // Switching by keyboard on the tab bar follows the same rule.
  window->tab_strip()->tabBar()->setFocus();
  QTest::keyClick(window->tab_strip()->tabBar(), Qt::Key_Right);
  EXPECT_TRUE(window->Frame(1)->isVisible());
  EXPECT_FALSE(window->Frame(0)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window->Campo(15));

  // Ctrl+Tab / Ctrl+PgDown turn to the next page from any field, round to
  // the first; Ctrl+PgUp back.
  QTest::keyClick(window->Campo(15), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(window->tab_strip()->currentIndex(), 2);
  EXPECT_TRUE(window->Frame(2)->isVisible());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown,
                  Qt::ControlModifier);
  EXPECT_EQ(window->tab_strip()->currentIndex(), 0);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp,
                  Qt::ControlModifier);
  EXPECT_EQ(window->tab_strip()->currentIndex(), 2);

  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, TabKeyFollowsDesignOrderOnTheVisiblePage) {
  QPointer<frmParametros> window = Open(path_);
  ASSERT_TRUE(test::ShowActive(window));
  // On the "e-mail" page, Campo(15) of the hidden page is skipped.
  std::vector<QWidget*> expected = {
      window->btConf(),  window->btSair(),  window->tab_strip()->tabBar(),
      window->Campo(13), window->Campo(14), window->btConfEmail()};
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next)
        << QApplication::focusWidget()->metaObject()->className() << " "
        << next->metaObject()->className();
  }
  ClickTab(window, 1);
  ASSERT_EQ(QApplication::focusWidget(), window->Campo(15));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), window->btConf());
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, ResizeKeepsMarginsAndWidensOnlyTheFolderField) {
  QPointer<frmParametros> window = Open(path_);
  window->resize(900, 500);
  EXPECT_EQ(window->tab_strip()->geometry(), QRect(8, 8, 884, 447));
  EXPECT_EQ(window->btConf()->geometry(), QRect(8, 463, 80, 29));
  EXPECT_EQ(window->btSair()->geometry(), QRect(812, 463, 80, 29));
  const QRect client = window->tab_strip()->ClientArea().translated(8, 8);
  EXPECT_EQ(window->Frame(0)->geometry(), client);
  EXPECT_EQ(window->Frame(1)->geometry(), client);
  EXPECT_EQ(window->Campo(15)->x(), 112);
  EXPECT_EQ(window->Campo(15)->width(), client.width() - 120);
  EXPECT_EQ(window->Campo(13)->geometry(), QRect(110, 17, 307, 19));

  // Back to the design size: the folder field narrows again.
  window->resize(667, 333);
  const QRect design = window->tab_strip()->ClientArea();
  EXPECT_EQ(window->Campo(15)->width(), design.width() - 120);
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, SmallestWindowStillHoldsEveryControl) {
  QPointer<frmParametros> window = Open(path_);
  const QSize minimum = window->minimumSize();
  EXPECT_EQ(minimum, window->MinimumClientSize());
  EXPECT_GE(minimum.width(), 240);
  window->resize(100, 50);
  EXPECT_EQ(window->size(), minimum);

  const QRect tabs = window->tab_strip()->geometry();
  EXPECT_GT(tabs.width(), 0);
  EXPECT_GT(tabs.height(), 0);
  // The buttons lie below the strip and apart from each other.
  EXPECT_LT(tabs.bottom(), window->btConf()->y());
  EXPECT_LT(window->btConf()->geometry().right(), window->btSair()->x());
  EXPECT_EQ(window->btConf()->y() + 29 + 8, window->height());
  // Every control of every page lies inside its page, 8 from its right.
  for (int page : {0, 1, 2}) {
    const QRect area = window->Frame(page)->rect();
    for (QWidget* child : window->Frame(page)->findChildren<QWidget*>(
             Qt::FindDirectChildrenOnly)) {
      EXPECT_TRUE(area.contains(child->geometry())) << page;
      EXPECT_LE(child->geometry().right() + 1 + 8, area.width()) << page;
    }
  }
  EXPECT_GT(window->Campo(15)->width(), 0);
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, ConfirmSavesBothFieldsKeepsTheRestAndCloses) {
  QPointer<frmParametros> window = Open(path_);
  window->Campo(13)->setText(QStringLiteral("Encomendas sugeridas ção"));
  window->Campo(15)->setText(QStringLiteral("  /srv/vor/logs "));
  QTest::mouseClick(window->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());

  SettingsFile file;
  file.FileName(path_);
  EXPECT_EQ(file.ReadValue("email", "Assunto"), "Encomendas sugeridas ção");
  // Taken as typed: the blanks stay.
  EXPECT_EQ(file.ReadValue("Log", "Directoria"), "  /srv/vor/logs ");
  EXPECT_EQ(file.ReadValue("SMTP", "emailEmissor"), "vor@empresa.pt");
  EXPECT_EQ(file.ReadValue("BD", "Password"), "segredo");
  // Everything but the two values is kept, in order, comments included.
  std::vector<std::string> expected =
      Replaced(Replaced(Lines(kSettings), "Assunto=Proposta de encomendas",
                        "Assunto=Encomendas sugeridas ção"),
               "Directoria=/var/log/vor", "Directoria=\"  /srv/vor/logs \"");
  EXPECT_EQ(Lines(ReadFile(path_)), expected);
}

TEST_F(FrmParametrosTest, RecipientsAreShownAndSavedWithTheOthers) {
  SettingsFile file;
  file.FileName(path_);
  file.WriteValue("email", "Destino", "compras@empresa.pt");
  QPointer<frmParametros> window = Open(path_);
  EXPECT_EQ(window->Campo(14)->text(), QStringLiteral("compras@empresa.pt"));
  window->Campo(14)->setText(QStringLiteral("a@empresa.pt; b@empresa.pt"));
  QTest::mouseClick(window->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(file.ReadValue("email", "Destino"), "a@empresa.pt; b@empresa.pt");
  // Emptied, the key stays, empty: no report is sent.
  window = Open(path_);
  window->Campo(14)->clear();
  QTest::mouseClick(window->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_EQ(file.ReadValue("email", "Destino"), "");
}

TEST_F(FrmParametrosTest, ConfirmUnchangedWritesTheSameValues) {
  QPointer<frmParametros> window = Open(path_);
  QTest::mouseClick(window->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(Lines(ReadFile(path_)), Lines(kSettings));
}

TEST_F(FrmParametrosTest, ConfirmWithEmptyFieldSavesEmptyText) {
  QPointer<frmParametros> window = Open(path_);
  window->Campo(13)->clear();
  QTest::mouseClick(window->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());
  SettingsFile file;
  file.FileName(path_);
  EXPECT_EQ(file.ReadValue("email", "Assunto"), "");
  EXPECT_EQ(file.ReadValue("Log", "Directoria"), "/var/log/vor");
  EXPECT_EQ(
      Lines(ReadFile(path_)),
      Replaced(Lines(kSettings), "Assunto=Proposta de encomendas", "Assunto="));
}

TEST_F(FrmParametrosTest, ExitAndCloseBoxDiscardTheEdits) {
  const std::string before = ReadFile(path_);
  QPointer<frmParametros> window = Open(path_);
  window->Campo(13)->setText(QStringLiteral("outro assunto"));
  window->Campo(15)->setText(QStringLiteral("/outra/pasta"));
  QTest::mouseClick(window->btSair(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(ReadFile(path_), before);

  window = Open(path_);
  window->Campo(13)->setText(QStringLiteral("outro assunto"));
  window->close();  // what the close box does
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(FrmParametrosTest, FailedSaveKeepsTheWindowOpenWithItsEntries) {
  // A settings file in a folder that does not exist cannot be saved.
  const std::string path =
      dir_.filePath("sem_pasta/VOREncomendas.zlx").toStdString();
  QPointer<frmParametros> window = Open(path);
  window->Campo(13)->setText(QStringLiteral("assunto novo"));
  EXPECT_FALSE(window->Grava());

  QStringList messages;
  const int boxes = test::WithModalHandler(
      [&](QWidget* modal) {
        messages << test::MessageText(modal);
        modal->close();
      },
      [&] { QTest::mouseClick(window->btConf(), Qt::LeftButton); });
  test::FlushDeletes();
  ASSERT_FALSE(window.isNull());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Campo(13)->text(), QStringLiteral("assunto novo"));
  ASSERT_EQ(boxes, 1);
  EXPECT_TRUE(messages.value(0).contains(QString::fromStdString(path)))
      << messages.value(0).toStdString();
  window->close();
  test::FlushDeletes();
}

TEST_F(FrmParametrosTest, GravaWithoutMostraSavesNothing) {
  frmParametros window;
  window.setAttribute(Qt::WA_DeleteOnClose, false);
  window.set_SettingsFilePath(path_);
  window.Campo(13)->setText(QStringLiteral("x"));
  EXPECT_FALSE(window.Grava());
  EXPECT_EQ(ReadFile(path_), kSettings);
}

TEST_F(FrmParametrosTest, TwoWindowsTheLaterSaveWins) {
  QPointer<frmParametros> first = Open(path_);
  QPointer<frmParametros> second = Open(path_);
  first->Campo(13)->setText(QStringLiteral("do primeiro"));
  first->Campo(15)->setText(QStringLiteral("/primeiro"));
  second->Campo(13)->setText(QStringLiteral("do segundo"));
  QTest::mouseClick(second->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(second.isNull());
  SettingsFile file;
  file.FileName(path_);
  EXPECT_EQ(file.ReadValue("email", "Assunto"), "do segundo");
  EXPECT_EQ(file.ReadValue("Log", "Directoria"), "/var/log/vor");

  // The first window still shows its own entries and saves both of them.
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first->Campo(13)->text(), QStringLiteral("do primeiro"));
  QTest::mouseClick(first->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(file.ReadValue("email", "Assunto"), "do primeiro");
  EXPECT_EQ(file.ReadValue("Log", "Directoria"), "/primeiro");
}

TEST_F(FrmParametrosTest, MailServerButtonOpensTheSetUpOnTheSameFile) {
  QPointer<frmParametros> window = Open(path_);
  window->Campo(13)->setText(QStringLiteral("por gravar"));
  QString title;
  QString sender;
  const int dialogs = test::WithModalHandler(
      [&](QWidget* modal) {
        title = modal->windowTitle();
        if (auto* dialog = qobject_cast<MailServerDialog*>(modal)) {
          sender = dialog->email_emissor()->text();
          dialog->email_emissor()->setText(QStringLiteral("novo@empresa.pt"));
          dialog->accept();
        } else {
          modal->close();
        }
      },
      [&] { QTest::mouseClick(window->btConfEmail(), Qt::LeftButton); });
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(title, QStringLiteral("Configuração do servidor de e-mail"));
  EXPECT_EQ(sender, QStringLiteral("vor@empresa.pt"));
  SettingsFile file;
  file.FileName(path_);
  EXPECT_EQ(file.ReadValue("SMTP", "emailEmissor"), "novo@empresa.pt");
  // The window's own entries are neither saved nor reloaded.
  EXPECT_EQ(file.ReadValue("email", "Assunto"), "Proposta de encomendas");
  EXPECT_EQ(window->Campo(13)->text(), QStringLiteral("por gravar"));
  window->close();
  test::FlushDeletes();
}

// The page "Base de dados": the login as stored with the password masked;
// "Testar ligação" takes the values as typed and shows the cause it gets;
// "&Confirmar" refuses a bad port, then saves only the changed keys of BD
// and keeps everything else of the file.
TEST_F(FrmParametrosTest, DatabasePageTestsAndSavesTheLoginAsTyped) {
  std::vector<DatabaseLogin> tested;
  std::vector<std::string> tested_paths;
  QPointer<frmParametros> window = new frmParametros();
  window->set_SettingsFilePath(path_);
  window->set_ConnectionTest(
      [&](const DatabaseLogin& login, const std::string& path) {
        tested.push_back(login);
        tested_paths.push_back(path);
        return std::string(
            "Não foi possivel Abrir a base de dados indicada !\r\n"
            "Motivo: início de sessão recusado");
      });
  window->Mostra();
  ASSERT_TRUE(test::ShowActive(window));
  using F = frmParametros::BdField;
  ClickTab(window, 2);
  EXPECT_TRUE(window->Frame(2)->isVisible());
  EXPECT_FALSE(window->Frame(0)->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window->CampoBd(F::kServidor));
  EXPECT_EQ(window->CampoBd(F::kServidor)->text(), QStringLiteral("sqlite"));
  EXPECT_EQ(window->CampoBd(F::kBaseDados)->text(), QStringLiteral("erp.db"));
  EXPECT_EQ(window->CampoBd(F::kUtilizador)->text(), QStringLiteral("compras"));
  EXPECT_EQ(window->CampoBd(F::kPassword)->text(), QStringLiteral("segredo"));
  EXPECT_EQ(window->CampoBd(F::kPassword)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(window->CampoBd(F::kDriver)->text(), QString());

  window->CampoBd(F::kServidor)->setText(QStringLiteral("sql01.empresa"));
  window->CampoBd(F::kPassword)->setText(QStringLiteral("Nova chave"));
  window->CampoBd(F::kPorta)->setText(QStringLiteral("14x3"));
  QTest::mouseClick(window->btTestar(), Qt::LeftButton);
  ASSERT_EQ(tested.size(), 1u);
  EXPECT_EQ(tested[0].servidor, "sql01.empresa");
  EXPECT_EQ(tested[0].base_dados, "erp.db");
  EXPECT_EQ(tested[0].password, "Nova chave");
  EXPECT_EQ(tested[0].porta, "14x3");
  EXPECT_EQ(tested_paths[0], path_);
  EXPECT_EQ(window->ResultadoTeste()->text(),
            QStringLiteral("Não foi possivel Abrir a base de dados indicada !\n"
                           "Motivo: início de sessão recusado"));

  QStringList messages;
  const int boxes = test::WithModalHandler(
      [&](QWidget* modal) {
        messages << test::MessageText(modal);
        modal->close();
      },
      [&] { QTest::mouseClick(window->btConf(), Qt::LeftButton); });
  test::FlushDeletes();
  ASSERT_FALSE(window.isNull());
  ASSERT_EQ(boxes, 1);
  EXPECT_TRUE(messages.value(0).contains(QStringLiteral("\"Porta\"")));
  EXPECT_EQ(ReadFile(path_), kSettings);

  window->CampoBd(F::kPorta)->setText(QStringLiteral("1533"));
  QTest::mouseClick(window->btConf(), Qt::LeftButton);
  test::FlushDeletes();
  EXPECT_TRUE(window.isNull());
  std::vector<std::string> expected = Replaced(
      Replaced(Lines(kSettings), "Servidor=sqlite", "Servidor=sql01.empresa"),
      "Password=segredo", "Password=Nova chave");
  expected.insert(expected.begin() + 6, "Porta=1533");
  EXPECT_EQ(Lines(ReadFile(path_)), expected);
}

}  // namespace
}  // namespace vor
