#include "proposal/report_settings.h"

#include <algorithm>
#include <filesystem>

#include "core/error.h"
#include "core/text_util.h"
#include "settings/database_login.h"

namespace vor {

std::vector<std::string> ReportSettings::SplitAddresses(
    const std::string& text) {
  std::vector<std::string> addresses;
  std::string piece;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ';' || text[i] == ',') {
      piece = Trimmed(piece);
      // "<a@b.pt>" is the address between the brackets.
      if (piece.size() >= 2 && piece.front() == '<' && piece.back() == '>') {
        piece = Trimmed(piece.substr(1, piece.size() - 2));
      }
      if (!piece.empty()) addresses.push_back(piece);
      piece.clear();
    } else {
      piece += text[i];
    }
  }
  return addresses;
}

ReportSettings ReportSettings::Load(const SettingsRecord& file) {
  file.ThrowIfUnreadable();
  ReportSettings s;
  s.settings_path = file.path();
  s.destino = file.email.destino;
  s.recipients = SplitAddresses(s.destino);
  s.subject = file.email.assunto;
  s.folder = file.relatorio.pasta;
  s.share = file.relatorio.partilha;
  // A relative folder belongs beside the settings file (as BaseDados does),
  // not to whatever folder the program was started in.
  if (!s.folder.empty() && s.folder.front() != '/') {
    s.folder =
        (std::filesystem::path(file.path()).parent_path() / s.folder).string();
  }
  s.smtp = file.smtp;
  s.security_as_stored = file.smtp_seguranca;
  try {
    const int ms = DatabaseLogin::Load(file.values()).TimeoutMs(file.path());
    s.timeout_seconds = std::max(1, (ms + 999) / 1000);
  } catch (const Error&) {
    // The database connection names the bad value; the report waits 30 s.
  }
  return s;
}

std::optional<std::string> ReportSettings::MailProblem() const {
  const auto at = [&](const char* section, const char* key,
                      const std::string& value, const std::string& what) {
    return "[" + std::string(section) + "] " + key + " de " + settings_path +
           ": " + (value.empty() ? "vazio" : "\"" + value + "\"") + " " + what;
  };
  using F = SmtpSettings::Field;
  const char* section = SmtpSettings::kSection;
  if (smtp.servidor.empty()) {
    return at(section, SmtpSettings::KeyOf(F::kServidor), smtp.servidor,
              "(falta o servidor de e-mail)");
  }
  if (!SmtpSettings::IsPort(smtp.porta)) {
    return at(section, SmtpSettings::KeyOf(F::kPorta), smtp.porta,
              "não é um número de porta (1 a 65535)");
  }
  if (!security_as_stored.empty() &&
      !EqualsIgnoringCase(security_as_stored, SmtpSettings::kSecurityNone) &&
      !EqualsIgnoringCase(security_as_stored,
                          SmtpSettings::kSecurityStartTls) &&
      !EqualsIgnoringCase(security_as_stored, SmtpSettings::kSecuritySsl)) {
    return at(section, SmtpSettings::KeyOf(F::kSeguranca), security_as_stored,
              "não é Nenhuma, STARTTLS nem SSL");
  }
  if (smtp.email_emissor.empty()) {
    return at(section, SmtpSettings::KeyOf(F::kEmailEmissor), "",
              "(falta o endereço do emissor)");
  }
  if (!SmtpSettings::IsMailAddress(smtp.email_emissor)) {
    return at(section, SmtpSettings::KeyOf(F::kEmailEmissor),
              smtp.email_emissor, "não é um endereço de e-mail");
  }
  for (const std::string& to : recipients) {
    if (!SmtpSettings::IsMailAddress(to)) {
      return at("email", "Destino", to, "não é um endereço de e-mail");
    }
  }
  return std::nullopt;
}

}  // namespace vor
