// DatabaseLogin: the database login as section BD of the settings file
// holds it, as text, for the settings window to edit and for the
// connection settings to read:
//   Servidor, BaseDados, Utilizador, Password, DriverODBC, Porta,
//   TempoEspera (see db/connection_settings.h for their meaning).
// Load reads them as stored; Save writes back only the keys whose value
// changed, in one atomic save that keeps every other section, key and
// comment of the file.
#ifndef VOR_SETTINGS_DATABASE_LOGIN_H_
#define VOR_SETTINGS_DATABASE_LOGIN_H_

#include <optional>
#include <string>

#include "settings/settings_values.h"

namespace vor {

struct DatabaseLogin {
  static constexpr const char* kSection = "BD";
  static constexpr int kDefaultPort = 1433;
  static constexpr int kDefaultTimeoutMs = 30000;

  std::string servidor;
  std::string base_dados;
  std::string utilizador;
  std::string password;
  std::string driver;        // DriverODBC; "" means the default
  std::string porta;         // "" means the default
  std::string tempo_espera;  // "" means the default

  bool operator==(const DatabaseLogin&) const = default;

  // The values stored in section BD of `path`; "" for a missing file or
  // key. Raises Error 75 naming the file when it exists but cannot be read.
  static DatabaseLogin Load(const std::string& path);
  // The values of section BD in `settings`, the settings file as already
  // read. Raises its error when the file could not be read.
  static DatabaseLogin Load(const SettingsValues& settings);

  // Writes the values of `login` that differ from `before` (all of them when
  // `before` is null) into section BD of `path`, in one save. Raises Error
  // 75 naming the file when it cannot be saved (the file is then as it
  // was), or a value cannot be stored (a line break).
  static void Save(const std::string& path, const DatabaseLogin& login,
                   const DatabaseLogin* before);

  // Why the values cannot be saved, naming the field by the window's
  // caption; nullopt when they can. Porta must be empty or a whole number
  // from 1 to 65535. (What the driver refuses, the connection test tells.)
  static std::optional<std::string> Problem(const DatabaseLogin& login);

  // Porta as a number; kDefaultPort when empty. Raises Error 13 naming the
  // key, the value and `file` when it is not a whole number 1 to 65535.
  int PortNumber(const std::string& file) const;
  // TempoEspera (seconds, decimals allowed) in milliseconds;
  // kDefaultTimeoutMs when empty. Raises Error 13 naming the key, the value
  // and `file` when it is not a number of seconds from 0 to 3600.
  int TimeoutMs(const std::string& file) const;
};

}  // namespace vor

#endif  // VOR_SETTINGS_DATABASE_LOGIN_H_
