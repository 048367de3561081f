// QtOpenParameters: what Qt Sql is given to open the ERP database, as
// ConnectionStringBuilder composes it from the login: the Qt driver, the
// database name (an SQLite URI or an ODBC connection text), the connect
// options, and what the connection needs to say why an open failed. The
// ODBC database name of a server holds the password: it must never be
// shown.
#ifndef VOR_DB_QT_OPEN_PARAMETERS_H_
#define VOR_DB_QT_OPEN_PARAMETERS_H_

#include <string>

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

}  // namespace vor

#endif  // VOR_DB_QT_OPEN_PARAMETERS_H_
