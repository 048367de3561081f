#include "settings/smtp_settings.h"

#include <algorithm>
#include <cctype>

#include "core/error.h"
#include "core/text_util.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace vor {
namespace {

constexpr const char* kKeyServidor = "Servidor";
constexpr const char* kKeyPorta = "Porta";
constexpr const char* kKeySeguranca = "Seguranca";
constexpr const char* kKeyUtilizador = "Utilizador";
constexpr const char* kKeyPassword = "Password";
constexpr const char* kKeyEmailEmissor = "emailEmissor";
constexpr const char* kKeyNomeEmissor = "NomeEmissor";

bool HasBlank(const std::string& text) {
  for (unsigned char c : text) {
    if (std::isspace(c)) return true;
  }
  return false;
}

}  // namespace

SmtpSettings SmtpSettings::Load(const std::string& path) {
  const SettingsRecord record = SettingsRecord::Read(path);
  record.ThrowIfUnreadable();
  return record.smtp;
}

void SmtpSettings::Save(const std::string& path, const SmtpSettings& values,
                        const SmtpSettings* before) {
  SettingsFile file;
  file.FileName(path);
  const auto write = [&](const char* key,
                         const std::string SmtpSettings::*member) {
    if (before == nullptr || values.*member != before->*member) {
      file.WriteValue(kSection, key, values.*member);
    }
  };
  write(kKeyServidor, &SmtpSettings::servidor);
  write(kKeyPorta, &SmtpSettings::porta);
  write(kKeySeguranca, &SmtpSettings::seguranca);
  write(kKeyUtilizador, &SmtpSettings::utilizador);
  write(kKeyPassword, &SmtpSettings::password);
  write(kKeyEmailEmissor, &SmtpSettings::email_emissor);
  write(kKeyNomeEmissor, &SmtpSettings::nome_emissor);
}

std::optional<SmtpSettings::Problem> SmtpSettings::Validate(
    const SmtpSettings& values) {
  if (HasBlank(values.servidor)) {
    return Problem{Field::kServidor,
                   "O campo \"Servidor\" não pode conter espaços."};
  }
  if (!IsPort(values.porta)) {
    return Problem{Field::kPorta,
                   "O campo \"Porta\" tem de ser um número inteiro entre 1 e "
                   "65535."};
  }
  if (values.seguranca != kSecurityNone &&
      values.seguranca != kSecurityStartTls &&
      values.seguranca != kSecuritySsl) {
    return Problem{Field::kSeguranca,
                   "O campo \"Segurança\" tem de ser Nenhuma, STARTTLS ou "
                   "SSL/TLS."};
  }
  if (!values.email_emissor.empty() && !IsMailAddress(values.email_emissor)) {
    return Problem{Field::kEmailEmissor,
                   "O campo \"Endereço do emissor\" tem de ser um endereço de "
                   "e-mail com um só \"@\", texto antes e depois dele e sem "
                   "espaços."};
  }
  return std::nullopt;
}

const char* SmtpSettings::KeyOf(Field field) {
  switch (field) {
    case Field::kServidor:
      return kKeyServidor;
    case Field::kPorta:
      return kKeyPorta;
    case Field::kSeguranca:
      return kKeySeguranca;
    case Field::kUtilizador:
      return kKeyUtilizador;
    case Field::kPassword:
      return kKeyPassword;
    case Field::kEmailEmissor:
      return kKeyEmailEmissor;
    case Field::kNomeEmissor:
      return kKeyNomeEmissor;
  }
  return "";
}

bool SmtpSettings::IsPort(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  long value = 0;
  for (unsigned char c : text) {
    if (!std::isdigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

bool SmtpSettings::IsMailAddress(const std::string& text) {
  const size_t at = text.find('@');
  // Angle brackets and control bytes would change the SMTP command the
  // address is sent in.
  const bool controls =
      std::any_of(text.begin(), text.end(),
                  [](unsigned char c) { return c < 0x20 || c == 0x7F; });
  return at != std::string::npos && at > 0 && at + 1 < text.size() &&
         text.find('@', at + 1) == std::string::npos && !HasBlank(text) &&
         text.find_first_of("<>") == std::string::npos && !controls;
}

}  // namespace vor
