#include "settings/parametros.h"

#include <exception>

#include "settings/settings_file.h"

namespace vor {

bool Parametros::Ler() { return Ler(SettingsValues::Read(ficheiro_ini_)); }

bool Parametros::Ler(const SettingsValues& file) {
  // Every error of the file is absorbed: the caller only learns that the
  // load stopped, and the values read before the error keep their new text.
  try {
    email_assunto_ = file.ReadValue("email", "Assunto");
    email_origem_ = file.ReadValue("SMTP", "emailEmissor");
    log_directoria_ = file.ReadValue("Log", "Directoria");
    email_destino_ = file.ReadValue("email", "Destino");
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool Parametros::Escrever() {
  // Each value is saved on its own; a failure on the second leaves the first
  // saved, as the file then stands.
  try {
    SettingsFile file;
    file.FileName(ficheiro_ini_);
    file.WriteValue("email", "Assunto", email_assunto_);
    file.WriteValue("Log", "Directoria", log_directoria_);
    // The recipients are written only once there are some, so that a file
    // of a site that sends no report is saved as before.
    if (!email_destino_.empty() ||
        !file.ReadValue("email", "Destino").empty()) {
      file.WriteValue("email", "Destino", email_destino_);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vor
