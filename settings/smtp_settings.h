// SmtpSettings: the "SMTP" section of the settings file, the mail server
// through which the report is sent: server, port, security, user, password,
// sender address and name, kept as text. The mail-server set-up edits it;
// the report reads it. No widgets here.
//
//   SmtpSettings smtp = SmtpSettings::Load(settings_path);
//   if (auto problem = SmtpSettings::Validate(smtp)) report(problem->message);
#ifndef VOR_SETTINGS_SMTP_SETTINGS_H_
#define VOR_SETTINGS_SMTP_SETTINGS_H_

#include <optional>
#include <string>

namespace vor {

struct SmtpSettings {
  std::string servidor;       // key "Servidor": host name or address
  std::string porta;          // key "Porta": 1 to 65535
  std::string seguranca;      // key "Seguranca": kSecurity* below
  std::string utilizador;     // key "Utilizador"
  std::string password;       // key "Password"
  std::string email_emissor;  // key "emailEmissor": sender address
  std::string nome_emissor;   // key "NomeEmissor": sender name

  bool operator==(const SmtpSettings&) const = default;

  // The keys, for the messages of Validate.
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
  // The port read when the file holds none.
  static constexpr const char* kDefaultPort = "25";

  // The section as stored in `path` (SettingsRecord::smtp): absent keys
  // read as "" except Porta (kDefaultPort) and Seguranca (kSecurityNone;
  // any other text than the three known values, compared without regard to
  // case, also reads as kSecurityNone). Raises Error 75 when the file cannot
  // be read.
  static SmtpSettings Load(const std::string& path);
  // Writes every value of `values` that differs from `before` (all of them
  // when `before` is null) under its key of the "SMTP" section. Raises
  // Error 75 naming the file when a value cannot be saved.
  static void Save(const std::string& path, const SmtpSettings& values,
                   const SmtpSettings* before);
  // The first problem of `values`, in the dialog's order, or nothing:
  // Servidor without blanks; Porta a whole number 1-65535; Seguranca one of
  // the three values; emailEmissor empty or an address (IsMailAddress).
  static std::optional<Problem> Validate(const SmtpSettings& values);

  // The key of `field` in the section ("Porta").
  static const char* KeyOf(Field field);
  // One "@" with text on both sides; no blanks, angle brackets nor control
  // characters.
  static bool IsMailAddress(const std::string& text);
  // A whole number 1-65535, digits only.
  static bool IsPort(const std::string& text);
};

}  // namespace vor

#endif  // VOR_SETTINGS_SMTP_SETTINGS_H_
