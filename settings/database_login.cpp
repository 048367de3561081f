#include "settings/database_login.h"

#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

#include "core/error.h"
#include "settings/settings_file.h"

namespace vor {

namespace {

// Longest accepted timeout: one hour.
constexpr double kMaxTimeoutSeconds = 3600;

[[noreturn]] void BadNumber(const std::string& key, const std::string& value,
                            const std::string& file, const std::string& rule) {
  throw Error(errnum::kTypeMismatch,
              "Valor inválido '" + value + "' na chave " + key +
                  " da secção BD do ficheiro '" + file + "': " + rule);
}

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
  return Load(SettingsValues::Read(path));
}

DatabaseLogin DatabaseLogin::Load(const SettingsValues& settings) {
  DatabaseLogin login;
  for (const auto& [key, member] : kKeys) {
    login.*member = settings.ReadValue(kSection, key);
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

int DatabaseLogin::PortNumber(const std::string& file) const {
  if (porta.empty()) return kDefaultPort;
  int port = 0;
  const auto r =
      std::from_chars(porta.data(), porta.data() + porta.size(), port);
  if (r.ec != std::errc() || r.ptr != porta.data() + porta.size() || port < 1 ||
      port > 65535) {
    BadNumber("Porta", porta, file, "deve ser um número inteiro de 1 a 65535");
  }
  return port;
}

int DatabaseLogin::TimeoutMs(const std::string& file) const {
  const std::string& text = tempo_espera;
  if (text.empty()) return kDefaultTimeoutMs;
  double seconds = 0;
  const auto r =
      std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() ||
      !(seconds >= 0) || seconds > kMaxTimeoutSeconds) {
    BadNumber("TempoEspera", text, file,
              "deve ser um número de segundos de 0 a 3600");
  }
  return static_cast<int>(std::lround(seconds * 1000));
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
