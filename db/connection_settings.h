// ConnectionSettings: reads the database login from section BD of a settings
// file (or of the catalogue file, which has the same layout):
//   Servidor     server; "sqlite" (any case) selects the embedded engine
//   BaseDados    database; for SQLite the database file, relative to the
//                folder of the file it was read from unless absolute
//   Utilizador   login name (must be filled for SQLite too, though unused)
//   Password     login password, may be empty
//   DriverODBC   optional ODBC driver name, default "FreeTDS"
//   Porta        optional server port, default 1433
//   TempoEspera  optional busy and login timeout in seconds (decimals
//                allowed), default 30
//
// Typical use:
//   ConnectionSettings s;
//   s.Load(settings_path);
//   if (s.Server().empty()) { s.FileName(catalogue); s.UseCatalogue(true);
//                             s.Reload(); }
//
// It holds the login as the file gives it (DatabaseLogin), with the numbers
// checked and an SQLite file resolved; ConnectionStringBuilder makes of it
// what the driver is given.
#ifndef VOR_DB_CONNECTION_SETTINGS_H_
#define VOR_DB_CONNECTION_SETTINGS_H_

#include <string>

#include "db/connection_string_builder.h"
#include "settings/database_login.h"

namespace vor {

class ConnectionSettings {
 public:
  static constexpr const char* kSection = "BD";
  static constexpr const char* kDefaultDriver =
      ConnectionStringBuilder::kDefaultDriver;
  static constexpr int kDefaultPort = DatabaseLogin::kDefaultPort;
  static constexpr int kDefaultTimeoutMs = DatabaseLogin::kDefaultTimeoutMs;

  // Names `path` as the file to read and reads it (see Reload).
  void Load(const std::string& path);
  // Takes the values of `settings`, the settings file as already read (its
  // path becomes FileName), as Reload takes those it reads.
  void Load(const SettingsValues& settings);
  // Names the file that the next Reload reads.
  void FileName(const std::string& path) { file_name_ = path; }
  const std::string& FileName() const { return file_name_; }
  // Marks the named file as the catalogue file. Reload reads it the same
  // way; the mark says where the login came from.
  void UseCatalogue(bool v) { use_catalogue_ = v; }
  bool UseCatalogue() const { return use_catalogue_; }

  // Reads every value again from FileName, replacing all of them. A missing
  // file gives empty values and the defaults. Raises Error 75 when the file
  // exists but cannot be read, and Error 13 naming the key and the file when
  // Porta or TempoEspera is not a valid number.
  void Reload();
  // Takes the values of `login` (as Reload takes those it reads) for the
  // file named by FileName, which a relative SQLite database is resolved
  // against. Raises Error 13 as Reload does.
  void Assign(const DatabaseLogin& login);

  const std::string& Server() const { return login_.servidor; }
  // For an SQLite login, the database file with a relative path resolved
  // against the folder of FileName.
  const std::string& Database() const { return login_.base_dados; }
  const std::string& User() const { return login_.utilizador; }
  const std::string& Password() const { return login_.password; }
  const std::string& Driver() const { return login_.driver; }
  int Port() const { return port_; }
  int TimeoutMs() const { return timeout_ms_; }

 private:
  std::string file_name_;
  bool use_catalogue_ = false;
  DatabaseLogin login_{.driver = kDefaultDriver};
  int port_ = kDefaultPort;  // Porta and TempoEspera of login_, checked
  int timeout_ms_ = kDefaultTimeoutMs;
};

}  // namespace vor

#endif  // VOR_DB_CONNECTION_SETTINGS_H_
