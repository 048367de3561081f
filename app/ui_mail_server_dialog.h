// MailServerDialog: the dialog of the mail-server set-up. Shows the "SMTP"
// values it is given, checks the user's entries and saves the changed ones
// into the settings file when the user confirms; a problem is shown inside
// the dialog, naming the field, and the dialog stays open. "Enviar mensagem
// de teste" (shown when the program installed a test sender) sends a test
// message with the entries as they stand and shows the outcome below them.
#ifndef VOR_APP_UI_MAIL_SERVER_DIALOG_H_
#define VOR_APP_UI_MAIL_SERVER_DIALOG_H_

#include <QDialog>
#include <string>

#include "app/mail_server_setup.h"

class QColor;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vor {

class MailServerDialog : public QDialog {
  Q_OBJECT

 public:
  MailServerDialog(const std::string& settings_file_path,
                   const MailServerSetup::Smtp& loaded,
                   QWidget* parent = nullptr);

  // The entries: server, port and address without surrounding blanks, the
  // other texts as typed.
  MailServerSetup::Smtp Values() const;

  // Checks the entries and saves the changed ones. True when they were
  // saved (or nothing changed); false with the problem shown in
  // error_text() and the focus on the field at fault.
  bool TrySave();
  // The problem shown in the dialog ("" when none).
  QString error_text() const;

  // On confirm: closes with Accepted only after TrySave succeeded.
  void accept() override;

  QLineEdit* servidor() const { return servidor_; }
  QLineEdit* porta() const { return porta_; }
  QComboBox* seguranca() const { return seguranca_; }
  QLineEdit* password() const { return password_; }
  QLineEdit* email_emissor() const { return email_emissor_; }
  QLineEdit* nome_emissor() const { return nome_emissor_; }
  QPushButton* confirm_button() const { return confirm_; }
  QPushButton* cancel_button() const { return cancel_; }
  QPushButton* test_button() const { return test_; }

  // Checks the entries and sends a test message through the installed test
  // sender; the outcome (or the problem of the entries) is shown in the
  // dialog, which stays open. Nothing is saved.
  void SendTest();

 private:
  void ShowProblem(const QString& text, QWidget* field);
  void SetMessageColour(const QColor& colour);
  QWidget* FieldWidget(MailServerSetup::Field field) const;
  // Moves the port to the usual one of the new security mode when it still
  // holds the usual one of the previous mode.
  void SecurityChanged(int index);

  std::string path_;
  MailServerSetup::Smtp loaded_;
  int security_index_ = 0;

  QLineEdit* servidor_;
  QLineEdit* porta_;
  QComboBox* seguranca_;
  QLineEdit* utilizador_;
  QLineEdit* password_;
  QLineEdit* email_emissor_;
  QLineEdit* nome_emissor_;
  QLabel* error_;
  QPushButton* confirm_;
  QPushButton* cancel_;
  QPushButton* test_;
};

}  // namespace vor

#endif  // VOR_APP_UI_MAIL_SERVER_DIALOG_H_
