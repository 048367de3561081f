// ConnectionStringBuilder: composes, from the login values and the fixed
// connection values, what the driver is given to open the ERP database
// (QtOpenParameters): the Qt driver (QSQLITE for the embedded engine, QODBC
// for every other server), the database name Qt is given (an SQLite URI or
// the ODBC connection text) and the connect options. The values go from
// the builder to the driver as they are: no text is composed to be read
// back.
//
// ODBC connection texts hold the password: only the driver may be given
// them; they are never shown, logged or put into an error description.
#ifndef VOR_DB_CONNECTION_STRING_BUILDER_H_
#define VOR_DB_CONNECTION_STRING_BUILDER_H_

#include <string>

#include "db/qt_open_parameters.h"

namespace vor {

class ConnectionStringBuilder {
 public:
  static constexpr const char* kDefaultDriver = "FreeTDS";
  static constexpr int kDefaultPort = 1433;
  static constexpr int kDefaultTimeoutMs = 30000;

  // The OLE DB provider and its data-provider selector of the original
  // connection. The drivers here are chosen by Server and Driver, so both
  // are taken and not used.
  void Provider(const std::string& /*v*/) {}
  void DataProvider(int /*v*/) {}
  // "sqlite" (any case, blanks around ignored) selects the embedded engine.
  void Server(const std::string& v) { server_ = v; }
  // The database name, or the SQLite file.
  void Database(const std::string& v) { database_ = v; }
  void User(const std::string& v) { user_ = v; }
  void Password(const std::string& v) { password_ = v; }
  // The ODBC driver of any other server (default FreeTDS).
  void Driver(const std::string& v) { driver_ = v; }
  void Port(int v) { port_ = v; }
  // Busy and login timeout (default 30 s).
  void TimeoutMs(int v) { timeout_ms_ = v; }

  // What the driver is given for the values set:
  //  - server "sqlite": QSQLITE, "file:<path>?mode=rw" (the path
  //    percent-encoded where a URI needs it), options
  //    "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=<ms>";
  //  - a driver whose name starts with "SQLite": QODBC,
  //    "DRIVER={<driver>};Database=<path>;Timeout=<ms>;NoCreat=1";
  //  - otherwise QODBC, "DRIVER={<driver>};SERVER=..;PORT=..;DATABASE=..;
  //    UID=..;PWD=..;TDS_Version=7.4;ClientCharset=UTF-8", option
  //    "SQL_ATTR_LOGIN_TIMEOUT=<s>" (whole seconds, at least 1).
  // FreeTDS and the SQLite ODBC driver end a braced value at its first '}'
  // and read what follows as further pairs, so for them a value holding
  // '}' is not passed at all: `problem` says which value it is.
  QtOpenParameters ConnectionString() const;

  // True when `server` selects the embedded SQLite engine.
  static bool IsEmbeddedSqlite(const std::string& server);

 private:
  std::string server_;
  std::string database_;
  std::string user_;
  std::string password_;
  std::string driver_ = kDefaultDriver;
  int port_ = kDefaultPort;
  int timeout_ms_ = kDefaultTimeoutMs;
};

// `value` as it must stand after "key=" in an ODBC connection text:
// unchanged, or between braces with '}' doubled when it holds ';', '=',
// '{' or '}', or starts or ends with a blank.
std::string QuoteConnectionValue(const std::string& value);

}  // namespace vor

#endif  // VOR_DB_CONNECTION_STRING_BUILDER_H_
