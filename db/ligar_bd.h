// LIgarBd: connects the program to the ERP database once, at start-up. Reads
// the login (section BD) from the settings file, falls back to the catalogue
// file <application folder>/Catalogos/bd.sql when the server, database or
// user is empty, composes what the driver is given and opens the connection.
#ifndef VOR_DB_LIGAR_BD_H_
#define VOR_DB_LIGAR_BD_H_

#include <memory>
#include <string>

#include "db/connection.h"
#include "settings/database_login.h"
#include "settings/settings_values.h"

namespace vor {

// Returns the connection object, opened when possible. A connection that did
// not open is returned all the same (IsOpen() false, OpenFailure() holding
// "Não foi possivel Abrir a base de dados indicada !" with the server and
// database, never the password, then "Motivo: " and the cause; when the
// login is still incomplete after the catalogue, the cause names both files
// and the keys each lacks, or says that it does not exist); every
// operation on it then raises the database error. Raises Error only when a
// component fails outright (for example an unreadable settings file).
std::unique_ptr<Connection> LIgarBd(const SettingsValues& settings,
                                    const std::string& application_folder);
// As above, reading the settings file `settings_file_path` first.
std::unique_ptr<Connection> LIgarBd(const std::string& settings_file_path,
                                    const std::string& application_folder);

// The settings window's connection test: opens a connection with `login` as
// typed (a relative SQLite database taken beside `settings_file_path`),
// runs one trivial query, looks for the ERP's tables a run reads and the
// result table, and closes it. Returns "" when all worked, otherwise the
// reason: the empty required fields, a bad number, the failed-connection
// text with its cause, or the tables missing, each named. Never holds the
// password.
std::string TestarLigacao(const DatabaseLogin& login,
                          const std::string& settings_file_path);

}  // namespace vor

#endif  // VOR_DB_LIGAR_BD_H_
