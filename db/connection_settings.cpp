#include "db/connection_settings.h"

#include <charconv>
#include <cmath>
#include <filesystem>

#include "core/error.h"
#include "db/connection_string_builder.h"
#include "settings/database_login.h"

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

int ReadPort(const std::string& text, const std::string& file) {
  if (text.empty()) return ConnectionSettings::kDefaultPort;
  int port = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), port);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || port < 1 ||
      port > 65535) {
    BadNumber("Porta", text, file, "deve ser um número inteiro de 1 a 65535");
  }
  return port;
}

int ReadTimeoutMs(const std::string& text, const std::string& file) {
  if (text.empty()) return ConnectionSettings::kDefaultTimeoutMs;
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

}  // namespace

void ConnectionSettings::Load(const std::string& path) {
  file_name_ = path;
  Reload();
}

void ConnectionSettings::Reload() { Assign(DatabaseLogin::Load(file_name_)); }

void ConnectionSettings::Assign(const DatabaseLogin& login) {
  server_ = login.servidor;
  database_ = login.base_dados;
  user_ = login.utilizador;
  password_ = login.password;
  driver_ = login.driver;
  if (driver_.empty()) driver_ = kDefaultDriver;
  port_ = ReadPort(login.porta, file_name_);
  timeout_ms_ = ReadTimeoutMs(login.tempo_espera, file_name_);

  // An SQLite file named relative to the settings file lives beside it,
  // wherever the program was started from.
  ConnectionParameters parameters;
  parameters.server = server_;
  const bool sqlite = parameters.IsEmbeddedSqlite();
  if (sqlite && !database_.empty()) {
    const std::filesystem::path db(database_);
    if (db.is_relative()) {
      const std::filesystem::path folder =
          std::filesystem::absolute(std::filesystem::path(file_name_))
              .parent_path();
      database_ = (folder / db).lexically_normal().string();
    }
  }
}

}  // namespace vor
