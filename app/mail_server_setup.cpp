#include "app/mail_server_setup.h"

#include <QMessageBox>
#include <QString>

#include "app/ui_mail_server_dialog.h"
#include "core/error.h"

namespace vor {
namespace {

MailServerSetup::TestSender& InstalledTestSender() {
  static MailServerSetup::TestSender sender;
  return sender;
}

}  // namespace

void MailServerSetup::SetTestSender(TestSender sender) {
  InstalledTestSender() = std::move(sender);
}

const MailServerSetup::TestSender& MailServerSetup::test_sender() {
  return InstalledTestSender();
}

void MailServerSetup::Run() {
  Smtp loaded;
  try {
    loaded = Load(path_);
  } catch (const Error& error) {
    // Without the stored values the dialog would overwrite what it could
    // not read; the user learns why and the file stays as it is.
    QMessageBox::critical(
        parent_, QStringLiteral("Configuração do servidor de e-mail"),
        QStringLiteral("Não foi possível ler a configuração do servidor de "
                       "e-mail: %1")
            .arg(QString::fromStdString(error.description())));
    return;
  }
  MailServerDialog dialog(path_, loaded, parent_);
  dialog.exec();
}

}  // namespace vor
