// QtOpenParameters: how a login is handed to Qt Sql. Chooses the Qt driver
// (QSQLITE for the embedded engine, QODBC for every other server), the
// database name Qt is given (an SQLite URI or an ODBC connection text) and
// the connect options. Kept apart from the connection so that the texts for
// a server that cannot be reached here can still be checked.
#ifndef VOR_DB_QT_OPEN_PARAMETERS_H_
#define VOR_DB_QT_OPEN_PARAMETERS_H_

#include <string>

#include "db/connection_string_builder.h"

namespace vor {

struct QtOpenParameters {
  std::string qt_driver;      // "QSQLITE" or "QODBC"
  std::string database_name;  // what QSqlDatabase::setDatabaseName gets
  std::string connect_options;
  // True when the database beneath is SQLite (embedded or through the
  // SQLite ODBC driver): texts are rewritten for it and the write lock is
  // taken with BEGIN IMMEDIATE.
  bool sqlite_dialect = false;
  // The database file that must exist before the open ("" for a server).
  std::string database_file;
  // Why the login cannot be handed to the driver ("" when it can): it names
  // the value, never quotes it.
  std::string problem;
  // The server and database a failure to open names.
  std::string server;
  std::string database;
  // Only to keep it out of every text the driver gives back.
  std::string password;
  // How long a lock held by another is waited for (busy and login
  // timeout; SET LOCK_TIMEOUT of a server).
  int timeout_ms = 0;
};

// The parameters for `login`:
//  - server "sqlite": QSQLITE, "file:<path>?mode=rw" (the path
//    percent-encoded where a URI needs it), options
//    "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=<ms>";
//  - a driver whose name starts with "SQLite": QODBC,
//    "DRIVER={<driver>};Database=<path>;Timeout=<ms>;NoCreat=1";
//  - otherwise QODBC, "DRIVER={<driver>};SERVER=..;PORT=..;DATABASE=..;
//    UID=..;PWD=..;TDS_Version=7.4;ClientCharset=UTF-8", option
//    "SQL_ATTR_LOGIN_TIMEOUT=<s>" (whole seconds, at least 1).
// The database_name of an ODBC server holds the password: it must never be
// shown. FreeTDS and the SQLite ODBC driver end a braced value at its first
// '}' and read what follows as further pairs, so for them a value holding
// '}' is not passed at all: `problem` says which value it is.
QtOpenParameters BuildOpenParameters(const ConnectionParameters& login);

}  // namespace vor

#endif  // VOR_DB_QT_OPEN_PARAMETERS_H_
