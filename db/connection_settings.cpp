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
  const int port = login.PortNumber(file_name_);
  const int timeout_ms = login.TimeoutMs(file_name_);
  login_ = login;
  port_ = port;
  timeout_ms_ = timeout_ms;
  if (login_.driver.empty()) login_.driver = kDefaultDriver;

  // An SQLite file named relative to the settings file lives beside it,
  // wherever the program was started from.
  std::string& database = login_.base_dados;
  if (ConnectionStringBuilder::IsEmbeddedSqlite(login_.servidor) &&
      !database.empty()) {
    const std::filesystem::path db(database);
    if (db.is_relative()) {
      const std::filesystem::path folder =
          std::filesystem::absolute(std::filesystem::path(file_name_))
              .parent_path();
      database = (folder / db).lexically_normal().string();
    }
  }
}

}  // namespace vor
