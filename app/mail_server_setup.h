// MailServerSetup: the mail-server set-up. A small modal dialog that edits
// the "SMTP" section of the settings file (server, port, security, user,
// password, sender address and name, SmtpSettings) and saves it through
// SettingsFile, so that every other section and key of the file is kept.
// "Enviar mensagem de teste" tries the values through the sending function
// the program installs (SetTestSender). Use:
//
//   vor::MailServerSetup setup(parent_window);
//   setup.set_SettingsFilePath(path);
//   setup.Run();
#ifndef VOR_APP_MAIL_SERVER_SETUP_H_
#define VOR_APP_MAIL_SERVER_SETUP_H_

#include <functional>
#include <optional>
#include <string>

#include "settings/smtp_settings.h"

class QWidget;

namespace vor {

class MailServerSetup {
 public:
  // The values of the "SMTP" section, as text, and their checks.
  using Smtp = SmtpSettings;
  using Field = SmtpSettings::Field;
  using Problem = SmtpSettings::Problem;
  static constexpr const char* kSection = SmtpSettings::kSection;
  static constexpr const char* kSecurityNone = SmtpSettings::kSecurityNone;
  static constexpr const char* kSecurityStartTls =
      SmtpSettings::kSecurityStartTls;
  static constexpr const char* kSecuritySsl = SmtpSettings::kSecuritySsl;
  // The port shown when the file holds none.
  static constexpr const char* kDefaultPort = SmtpSettings::kDefaultPort;

  // Sends a test message through the server described by the values being
  // edited (not yet saved), for the settings file given; returns a line to
  // show on success ("Mensagem de teste enviada para ...") and raises
  // vor::Error with the reason otherwise. The program installs one at
  // start-up; without one the dialog shows no test button.
  using TestSender =
      std::function<std::string(const Smtp& values, const std::string& path)>;
  static void SetTestSender(TestSender sender);
  static const TestSender& test_sender();

  // `parent` is the window the dialog is modal for (may be null).
  explicit MailServerSetup(QWidget* parent = nullptr) : parent_(parent) {}

  // The full path of the settings file; set before Run.
  void set_SettingsFilePath(const std::string& path) { path_ = path; }
  const std::string& SettingsFilePath() const { return path_; }

  // Loads the section, shows the dialog modally and, on OK, saves the keys
  // the user changed. A settings file that cannot be read is reported in a
  // message box naming the file, and no dialog is shown.
  void Run();

  // SmtpSettings::Load, Save and Validate.
  static Smtp Load(const std::string& path) { return Smtp::Load(path); }
  static void Save(const std::string& path, const Smtp& values,
                   const Smtp* before) {
    Smtp::Save(path, values, before);
  }
  static std::optional<Problem> Validate(const Smtp& values) {
    return Smtp::Validate(values);
  }

 private:
  QWidget* parent_;
  std::string path_;
};

}  // namespace vor

#endif  // VOR_APP_MAIL_SERVER_SETUP_H_
