#include "app/mail_server_setup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui_mail_server_dialog.h"
#include "core/error.h"
#include "settings/settings_file.h"
#include "testing/temp_folder.h"
#include "testing/ui_test_support.h"

namespace vor {
namespace {

using Field = MailServerSetup::Field;
using Smtp = MailServerSetup::Smtp;

const char kSettings[] =
    "[BD]\n"
    "Servidor=sqlite\n"
    "Password=segredo\n"
    "; o servidor de correio da empresa\n"
    "[smtp]\n"
    "servidor=mail.empresa.pt\n"
    "Porta=587\n"
    "Seguranca=starttls\n"
    "Utilizador=vor\n"
    "Password=p4ss\n"
    "emailEmissor=vor@empresa.pt\n"
    "Outra=mantida\n"
    "[email]\n"
    "Assunto=Proposta\n";

Smtp Valid() {
  Smtp values;
  values.servidor = "mail.empresa.pt";
  values.porta = "25";
  values.seguranca = MailServerSetup::kSecurityNone;
  values.email_emissor = "vor@empresa.pt";
  return values;
}

std::optional<Field> ProblemField(const Smtp& values) {
  const auto problem = MailServerSetup::Validate(values);
  if (!problem) return std::nullopt;
  return problem->field;
}

TEST(MailServerValidateTest, PortMustBeAWholeNumberFrom1To65535) {
  for (const char* good : {"1", "25", "465", "65535", "00025"}) {
    Smtp values = Valid();
    values.porta = good;
    EXPECT_EQ(ProblemField(values), std::nullopt) << good;
  }
  for (const char* bad : {"", "0", "65536", "99999", "123456", "-1", "25a",
                          "2 5", "+25", "25.0"}) {
    Smtp values = Valid();
    values.porta = bad;
    const auto problem = MailServerSetup::Validate(values);
    ASSERT_TRUE(problem.has_value()) << bad;
    EXPECT_EQ(problem->field, Field::kPorta);
    EXPECT_NE(problem->message.find("\"Porta\""), std::string::npos);
    EXPECT_NE(problem->message.find("65535"), std::string::npos);
  }
}

TEST(MailServerValidateTest, SenderAddressNeedsOneAtWithTextOnBothSides) {
  for (const char* good : {"", "a@b", "vor@empresa.pt", "x.y+z@d.e.f"}) {
    Smtp values = Valid();
    values.email_emissor = good;
    EXPECT_EQ(ProblemField(values), std::nullopt) << good;
  }
  for (const char* bad :
       {"vor", "@empresa.pt", "vor@", "@", "vor@@empresa.pt", "a@b@c",
        "vor @empresa.pt", "vor@empresa.pt x", "vor@\tempresa"}) {
    Smtp values = Valid();
    values.email_emissor = bad;
    const auto problem = MailServerSetup::Validate(values);
    ASSERT_TRUE(problem.has_value()) << bad;
    EXPECT_EQ(problem->field, Field::kEmailEmissor);
    EXPECT_NE(problem->message.find("\"Endereço do emissor\""),
              std::string::npos);
  }
}

TEST(MailServerValidateTest, ServerAndSecurityAndTheOrderOfProblems) {
  Smtp values = Valid();
  values.servidor = "mail empresa";
  EXPECT_EQ(ProblemField(values), Field::kServidor);
  values.servidor = "";  // not configured yet
  EXPECT_EQ(ProblemField(values), std::nullopt);

  values.seguranca = "TLS";
  EXPECT_EQ(ProblemField(values), Field::kSeguranca);
  for (const char* known :
       {MailServerSetup::kSecurityNone, MailServerSetup::kSecurityStartTls,
        MailServerSetup::kSecuritySsl}) {
    values.seguranca = known;
    EXPECT_EQ(ProblemField(values), std::nullopt) << known;
  }

  // The first problem in the dialog's order is the one reported.
  values.servidor = "a b";
  values.porta = "0";
  values.email_emissor = "x";
  EXPECT_EQ(ProblemField(values), Field::kServidor);
  values.servidor = "ab";
  EXPECT_EQ(ProblemField(values), Field::kPorta);

  // Free texts are not judged; the password never appears in a message.
  values = Valid();
  values.utilizador = "um nome";
  values.password = " com espaços ";
  values.nome_emissor = "Compras & Armazém";
  EXPECT_EQ(ProblemField(values), std::nullopt);
  values.porta = "x";
  EXPECT_EQ(MailServerSetup::Validate(values)->message.find("espaços"),
            std::string::npos);
}

class MailServerFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath("VOREncomendas.zlx").toStdString();
  }
  std::string Value(const std::string& section, const std::string& key) {
    SettingsFile file;
    file.FileName(path_);
    return file.ReadValue(section, key);
  }
  QTemporaryDir dir_;
  std::string path_;
};

TEST_F(MailServerFileTest, LoadsTheSectionWithoutRegardToCase) {
  WriteFile(path_, kSettings);
  const Smtp values = MailServerSetup::Load(path_);
  EXPECT_EQ(values.servidor, "mail.empresa.pt");
  EXPECT_EQ(values.porta, "587");
  EXPECT_EQ(values.seguranca, MailServerSetup::kSecurityStartTls);
  EXPECT_EQ(values.utilizador, "vor");
  EXPECT_EQ(values.password, "p4ss");
  EXPECT_EQ(values.email_emissor, "vor@empresa.pt");
  EXPECT_EQ(values.nome_emissor, "");
}

TEST_F(MailServerFileTest, LoadGivesDefaultsForAMissingFileOrUnknownMode) {
  Smtp values = MailServerSetup::Load(path_);  // no file yet
  EXPECT_EQ(values.porta, "25");
  EXPECT_EQ(values.seguranca, MailServerSetup::kSecurityNone);
  EXPECT_EQ(values.servidor, "");
  EXPECT_EQ(values.email_emissor, "");

  WriteFile(path_, "[SMTP]\nSeguranca=ssl\n");
  EXPECT_EQ(MailServerSetup::Load(path_).seguranca,
            MailServerSetup::kSecuritySsl);
  WriteFile(path_, "[SMTP]\nSeguranca=TLS1.3\n");
  EXPECT_EQ(MailServerSetup::Load(path_).seguranca,
            MailServerSetup::kSecurityNone);
}

TEST_F(MailServerFileTest, LoadOfAnUnreadableFileRaisesNamingIt) {
  const std::string folder = dir_.path().toStdString();
  try {
    MailServerSetup::Load(folder);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), errnum::kFileError);
    EXPECT_NE(error.description().find(folder), std::string::npos);
  }
}

TEST_F(MailServerFileTest, SaveWritesOnlyChangedKeysAndKeepsTheRest) {
  WriteFile(path_, kSettings);
  const Smtp before = MailServerSetup::Load(path_);
  Smtp after = before;
  after.servidor = "smtp.novo.pt";
  after.password = "nova";
  MailServerSetup::Save(path_, after, &before);

  EXPECT_EQ(Value("SMTP", "Servidor"), "smtp.novo.pt");
  EXPECT_EQ(Value("SMTP", "Password"), "nova");
  EXPECT_EQ(Value("SMTP", "Porta"), "587");
  // Unchanged values are left as stored, even in their letter case.
  EXPECT_EQ(Value("SMTP", "Seguranca"), "starttls");
  EXPECT_EQ(Value("SMTP", "Outra"), "mantida");
  EXPECT_EQ(Value("BD", "Password"), "segredo");
  EXPECT_EQ(Value("email", "Assunto"), "Proposta");
  const std::string text = ReadFile(path_);
  EXPECT_NE(text.find("; o servidor de correio da empresa"), std::string::npos);
  // A key that was empty and stays empty is not added.
  EXPECT_EQ(text.find("NomeEmissor"), std::string::npos);
}

TEST_F(MailServerFileTest, SaveWithoutPreviousValuesWritesEveryKey) {
  WriteFile(path_, "[Log]\nDirectoria=/x\n");
  Smtp values = Valid();
  values.nome_emissor = "Compras";
  MailServerSetup::Save(path_, values, nullptr);
  EXPECT_EQ(MailServerSetup::Load(path_), values);
  EXPECT_EQ(Value("Log", "Directoria"), "/x");
  EXPECT_NE(ReadFile(path_).find("NomeEmissor=Compras"), std::string::npos);
}

class MailServerDialogTest : public MailServerFileTest {};

TEST_F(MailServerDialogTest, ShowsTheLoadedValuesWithTheMaskedPassword) {
  WriteFile(path_, kSettings);
  MailServerDialog dialog(path_, MailServerSetup::Load(path_));
  EXPECT_EQ(dialog.servidor()->text(), QStringLiteral("mail.empresa.pt"));
  EXPECT_EQ(dialog.porta()->text(), QStringLiteral("587"));
  EXPECT_EQ(dialog.seguranca()->currentText(), QStringLiteral("STARTTLS"));
  EXPECT_EQ(dialog.password()->text(), QStringLiteral("p4ss"));
  EXPECT_EQ(dialog.password()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.email_emissor()->text(), QStringLiteral("vor@empresa.pt"));
  EXPECT_TRUE(dialog.isModal());
}

TEST_F(MailServerDialogTest, ABadEntryKeepsTheDialogOpenAndTheFileUnchanged) {
  WriteFile(path_, kSettings);
  MailServerDialog dialog(path_, MailServerSetup::Load(path_));
  ASSERT_TRUE(test::ShowActive(&dialog));
  dialog.porta()->setText(QStringLiteral("70000"));
  dialog.servidor()->setText(QStringLiteral("smtp.outro.pt"));
  QTest::mouseClick(dialog.confirm_button(), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_TRUE(dialog.error_text().contains(QStringLiteral("\"Porta\"")));
  EXPECT_EQ(QApplication::focusWidget(), dialog.porta());
  EXPECT_EQ(ReadFile(path_), kSettings);

  dialog.porta()->setText(QStringLiteral("2525"));
  dialog.email_emissor()->setText(QStringLiteral("sem-arroba"));
  QTest::mouseClick(dialog.confirm_button(), Qt::LeftButton);
  EXPECT_TRUE(
      dialog.error_text().contains(QStringLiteral("\"Endereço do emissor\"")));
  EXPECT_EQ(QApplication::focusWidget(), dialog.email_emissor());
  EXPECT_EQ(ReadFile(path_), kSettings);

  dialog.email_emissor()->setText(QStringLiteral(" enc@empresa.pt "));
  QTest::mouseClick(dialog.confirm_button(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.error_text(), QString());
  EXPECT_EQ(Value("SMTP", "Porta"), "2525");
  EXPECT_EQ(Value("SMTP", "Servidor"), "smtp.outro.pt");
  EXPECT_EQ(Value("SMTP", "emailEmissor"), "enc@empresa.pt");
  EXPECT_EQ(Value("SMTP", "Outra"), "mantida");
  EXPECT_EQ(Value("BD", "Password"), "segredo");
}

TEST_F(MailServerDialogTest, TestMessageGoesThroughTheEntriesAsTyped) {
  WriteFile(path_, kSettings);
  {
    MailServerDialog without(path_, MailServerSetup::Load(path_));
    EXPECT_TRUE(without.test_button()->isHidden());
  }
  MailServerSetup::Smtp sent;
  std::string sent_path;
  MailServerSetup::SetTestSender(
      [&](const MailServerSetup::Smtp& values, const std::string& path) {
        sent = values;
        sent_path = path;
        if (values.servidor == "recusa.pt") {
          throw Error(75, "servidor recusa.pt, porta 587: Login denied");
        }
        return std::string("Mensagem de teste enviada para a@empresa.pt.");
      });
  MailServerDialog dialog(path_, MailServerSetup::Load(path_));
  ASSERT_TRUE(test::ShowActive(&dialog));
  EXPECT_FALSE(dialog.test_button()->isHidden());
  dialog.servidor()->setText(QStringLiteral(" smtp.novo.pt "));
  QTest::mouseClick(dialog.test_button(), Qt::LeftButton);
  EXPECT_EQ(sent.servidor, "smtp.novo.pt");  // unsaved entries, trimmed
  EXPECT_EQ(sent_path, path_);
  EXPECT_EQ(dialog.error_text(),
            QStringLiteral("Mensagem de teste enviada para a@empresa.pt."));
  dialog.servidor()->setText(QStringLiteral("recusa.pt"));
  QTest::mouseClick(dialog.test_button(), Qt::LeftButton);
  EXPECT_TRUE(dialog.error_text().contains(QStringLiteral("Login denied")));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(ReadFile(path_), kSettings);  // nothing saved
  MailServerSetup::SetTestSender(nullptr);
}

TEST_F(MailServerDialogTest, CancelSavesNothing) {
  WriteFile(path_, kSettings);
  MailServerDialog dialog(path_, MailServerSetup::Load(path_));
  ASSERT_TRUE(test::ShowActive(&dialog));
  dialog.servidor()->setText(QStringLiteral("outro"));
  QTest::mouseClick(dialog.cancel_button(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(ReadFile(path_), kSettings);
}

TEST_F(MailServerDialogTest, AFailedSaveIsShownWithoutThePassword) {
  const std::string path =
      dir_.filePath("nao/existe/VOREncomendas.zlx").toStdString();
  MailServerDialog dialog(path, MailServerSetup::Load(path));
  dialog.password()->setText(QStringLiteral("muito-secreta"));
  EXPECT_FALSE(dialog.TrySave());
  const QString message = dialog.error_text();
  EXPECT_TRUE(message.contains(QString::fromStdString(path)))
      << message.toStdString();
  EXPECT_FALSE(message.contains(QStringLiteral("muito-secreta")));
}

TEST_F(MailServerDialogTest, SecurityModeMovesAStandardPortOnly) {
  MailServerDialog dialog(path_, MailServerSetup::Load(path_));
  ASSERT_EQ(dialog.porta()->text(), QStringLiteral("25"));
  dialog.seguranca()->setCurrentIndex(2);  // SSL/TLS
  EXPECT_EQ(dialog.porta()->text(), QStringLiteral("465"));
  dialog.seguranca()->setCurrentIndex(1);  // STARTTLS
  EXPECT_EQ(dialog.porta()->text(), QStringLiteral("587"));
  dialog.porta()->setText(QStringLiteral("2525"));
  dialog.seguranca()->setCurrentIndex(0);
  EXPECT_EQ(dialog.porta()->text(), QStringLiteral("2525"));
  EXPECT_EQ(dialog.Values().seguranca, MailServerSetup::kSecurityNone);
  dialog.seguranca()->setCurrentIndex(2);
  EXPECT_EQ(dialog.Values().seguranca, MailServerSetup::kSecuritySsl);
}

TEST_F(MailServerDialogTest, RunShowsTheDialogAndSavesOnConfirm) {
  WriteFile(path_, kSettings);
  MailServerSetup setup;
  setup.set_SettingsFilePath(path_);
  const int shown = test::WithModalHandler(
      [](QWidget* modal) {
        auto* dialog = qobject_cast<MailServerDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->nome_emissor()->setText(QStringLiteral("Armazém"));
        QTest::mouseClick(dialog->confirm_button(), Qt::LeftButton);
      },
      [&] { setup.Run(); });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Value("SMTP", "NomeEmissor"), "Armazém");
  EXPECT_EQ(Value("SMTP", "Servidor"), "mail.empresa.pt");
}

TEST_F(MailServerDialogTest, RunReportsAnUnreadableFileAndShowsNoDialog) {
  const std::string folder = dir_.path().toStdString();
  MailServerSetup setup;
  setup.set_SettingsFilePath(folder);
  QStringList messages;
  bool dialog_shown = false;
  test::WithModalHandler(
      [&](QWidget* modal) {
        dialog_shown |= qobject_cast<MailServerDialog*>(modal) != nullptr;
        messages << test::MessageText(modal);
        modal->close();
      },
      [&] { setup.Run(); });
  EXPECT_FALSE(dialog_shown);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains(QString::fromStdString(folder)));
}

}  // namespace
}  // namespace vor
