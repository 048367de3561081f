#include "settings/database_login.h"

#include <utility>
#include <vector>

#include "settings/settings_file.h"

namespace vor {

namespace {

// Each key of section BD and the member that holds its value, in the order
// the keys are written.
const std::pair<const char*, std::string DatabaseLogin::*> kKeys[] = {
    {"Servidor", &DatabaseLogin::servidor},
    {"BaseDados", &DatabaseLogin::base_dados},
    {"Utilizador", &DatabaseLogin::utilizador},
    {"Password", &DatabaseLogin::password},
    {"DriverODBC", &DatabaseLogin::driver},
    {"Porta", &DatabaseLogin::porta},
    {"TempoEspera", &DatabaseLogin::tempo_espera},
};

}  // namespace

DatabaseLogin DatabaseLogin::Load(const std::string& path) {
  SettingsFile file;
  file.FileName(path);
  DatabaseLogin login;
  for (const auto& [key, member] : kKeys) {
    login.*member = file.ReadValue(kSection, key);
  }
  return login;
}

void DatabaseLogin::Save(const std::string& path, const DatabaseLogin& login,
                         const DatabaseLogin* before) {
  std::vector<std::pair<std::string, std::string>> changed;
  for (const auto& [key, member] : kKeys) {
    if (before == nullptr || login.*member != before->*member) {
      changed.emplace_back(key, login.*member);
    }
  }
  if (changed.empty()) return;
  SettingsFile file;
  file.FileName(path);
  file.WriteValues(kSection, changed);
}

std::optional<std::string> DatabaseLogin::Problem(const DatabaseLogin& login) {
  const std::string& porta = login.porta;
  if (porta.empty()) return std::nullopt;
  long value = 0;
  bool digits = porta.size() <= 5;
  for (const char c : porta) {
    if (c < '0' || c > '9') digits = false;
    if (digits) value = value * 10 + (c - '0');
  }
  if (!digits || value < 1 || value > 65535) {
    return "O campo \"Porta\" tem de ficar vazio (1433) ou ser um número "
           "inteiro entre 1 e 65535.";
  }
  return std::nullopt;
}

}  // namespace vor
