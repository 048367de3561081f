#include "settings/parametros.h"

#include <exception>

#include "settings/settings_file.h"

namespace vor {

bool Parametros::Ler() { return Ler(SettingsRecord::Read(ficheiro_ini_)); }

bool Parametros::Ler(const SettingsRecord& settings) {
  // A file that could not be read is absorbed: the caller only learns that
  // the load stopped, and every value keeps its old text.
  if (!settings.readable()) return false;
  email_assunto_ = settings.email.assunto;
  email_origem_ = settings.smtp.email_emissor;
  log_directoria_ = settings.log_directoria;
  email_destino_ = settings.email.destino;
  return true;
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
