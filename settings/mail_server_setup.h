// MailServerSetup: the mail-server set-up. A small modal dialog that edits
// the "SMTP" section of the settings file (server, port, security, user,
// password, sender address and name) and saves it through SettingsFile, so
// that every other section and key of the file is kept. The program sends
// no mail itself; the set-up only keeps the settings. Use:
//
//   vor::MailServerSetup setup(parent_window);
//   setup.set_SettingsFilePath(path);
//   setup.Run();
#ifndef VOR_SETTINGS_MAIL_SERVER_SETUP_H_
#define VOR_SETTINGS_MAIL_SERVER_SETUP_H_

#include <optional>
#include <string>

class QWidget;

namespace vor {

class MailServerSetup {
 public:
  // The values of the "SMTP" section, as text.
  struct Smtp {
    std::string servidor;       // key "Servidor": host name or address
    std::string porta;          // key "Porta": 1 to 65535
    std::string seguranca;      // key "Seguranca": kSecurity* below
    std::string utilizador;     // key "Utilizador"
    std::string password;       // key "Password"
    std::string email_emissor;  // key "emailEmissor": sender address
    std::string nome_emissor;   // key "NomeEmissor": sender name

    bool operator==(const Smtp&) const = default;
  };

  // The fields of the dialog, for the messages of Validate.
  enum class Field {
    kServidor,
    kPorta,
    kSeguranca,
    kUtilizador,
    kPassword,
    kEmailEmissor,
    kNomeEmissor
  };
  struct Problem {
    Field field;
    std::string message;  // names the field; never holds the password
  };

  static constexpr const char* kSection = "SMTP";
  static constexpr const char* kSecurityNone = "Nenhuma";
  static constexpr const char* kSecurityStartTls = "STARTTLS";
  static constexpr const char* kSecuritySsl = "SSL";
  // The port shown when the file holds none.
  static constexpr const char* kDefaultPort = "25";

  // `parent` is the window the dialog is modal for (may be null).
  explicit MailServerSetup(QWidget* parent = nullptr) : parent_(parent) {}

  // The full path of the settings file; set before Run.
  void set_SettingsFilePath(const std::string& path) { path_ = path; }
  const std::string& SettingsFilePath() const { return path_; }

  // Loads the section, shows the dialog modally and, on OK, saves the keys
  // the user changed. A settings file that cannot be read is reported in a
  // message box naming the file, and no dialog is shown.
  void Run();

  // The section as stored in `path`; absent keys read as "" except Porta
  // (kDefaultPort) and Seguranca (kSecurityNone; any other text than the
  // three known values, compared without regard to case, also reads as
  // kSecurityNone). Raises Error 75 when the file cannot be read.
  static Smtp Load(const std::string& path);
  // Writes every value of `values` that differs from `before` (all of them
  // when `before` is null) under its key of the "SMTP" section. Raises
  // Error 75 naming the file when a value cannot be saved.
  static void Save(const std::string& path, const Smtp& values,
                   const Smtp* before);
  // The first problem of `values`, in the dialog's order, or nothing:
  // Servidor without blanks; Porta a whole number 1-65535; Seguranca one of
  // the three values; emailEmissor empty or one "@" with text on both sides
  // and no blanks.
  static std::optional<Problem> Validate(const Smtp& values);

 private:
  QWidget* parent_;
  std::string path_;
};

}  // namespace vor

#endif  // VOR_SETTINGS_MAIL_SERVER_SETUP_H_
