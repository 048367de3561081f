#include "db/connection_settings.h"

#include <filesystem>

#include "db/connection_string_builder.h"
#include "settings/database_login.h"

namespace vor {

void ConnectionSettings::Load(const std::string& path) {
  file_name_ = path;
  Reload();
}

void ConnectionSettings::Load(const SettingsValues& settings) {
  file_name_ = settings.path();
  Assign(DatabaseLogin::Load(settings));
}

void ConnectionSettings::Reload() { Assign(DatabaseLogin::Load(file_name_)); }

void ConnectionSettings::Assign(const DatabaseLogin& login) {
  server_ = login.servidor;
  database_ = login.base_dados;
  user_ = login.utilizador;
  password_ = login.password;
  driver_ = login.driver;
  if (driver_.empty()) driver_ = kDefaultDriver;
  port_ = login.PortNumber(file_name_);
  timeout_ms_ = login.TimeoutMs(file_name_);

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
