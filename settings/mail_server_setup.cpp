#include "settings/mail_server_setup.h"

#include <QMessageBox>
#include <QString>
#include <cctype>

#include "core/error.h"
#include "core/text_util.h"
#include "settings/settings_file.h"
#include "settings/ui_mail_server_dialog.h"

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

bool IsPort(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  long value = 0;
  for (unsigned char c : text) {
    if (!std::isdigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

bool IsAddress(const std::string& text) {
  const size_t at = text.find('@');
  return at != std::string::npos && at > 0 && at + 1 < text.size() &&
         text.find('@', at + 1) == std::string::npos && !HasBlank(text);
}

}  // namespace

MailServerSetup::Smtp MailServerSetup::Load(const std::string& path) {
  SettingsFile file;
  file.FileName(path);
  Smtp values;
  values.servidor = file.ReadValue(kSection, kKeyServidor);
  values.porta = file.ReadValue(kSection, kKeyPorta);
  if (values.porta.empty()) values.porta = kDefaultPort;
  const std::string security = file.ReadValue(kSection, kKeySeguranca);
  values.seguranca = kSecurityNone;
  for (const char* known : {kSecurityStartTls, kSecuritySsl}) {
    if (EqualsIgnoringCase(security, known)) values.seguranca = known;
  }
  values.utilizador = file.ReadValue(kSection, kKeyUtilizador);
  values.password = file.ReadValue(kSection, kKeyPassword);
  values.email_emissor = file.ReadValue(kSection, kKeyEmailEmissor);
  values.nome_emissor = file.ReadValue(kSection, kKeyNomeEmissor);
  return values;
}

void MailServerSetup::Save(const std::string& path, const Smtp& values,
                           const Smtp* before) {
  SettingsFile file;
  file.FileName(path);
  const auto write = [&](const char* key, const std::string Smtp::*member) {
    if (before == nullptr || values.*member != before->*member) {
      file.WriteValue(kSection, key, values.*member);
    }
  };
  write(kKeyServidor, &Smtp::servidor);
  write(kKeyPorta, &Smtp::porta);
  write(kKeySeguranca, &Smtp::seguranca);
  write(kKeyUtilizador, &Smtp::utilizador);
  write(kKeyPassword, &Smtp::password);
  write(kKeyEmailEmissor, &Smtp::email_emissor);
  write(kKeyNomeEmissor, &Smtp::nome_emissor);
}

std::optional<MailServerSetup::Problem> MailServerSetup::Validate(
    const Smtp& values) {
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
  if (!values.email_emissor.empty() && !IsAddress(values.email_emissor)) {
    return Problem{Field::kEmailEmissor,
                   "O campo \"Endereço do emissor\" tem de ser um endereço de "
                   "e-mail com um só \"@\", texto antes e depois dele e sem "
                   "espaços."};
  }
  return std::nullopt;
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
