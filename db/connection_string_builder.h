// ConnectionStringBuilder: composes the connection text that
// Connection::OpenConnection takes, from the login values and the fixed
// connection values, and reads such a text back.
//
// The text is a list of `key=value` pairs joined by ';'. A value that holds
// ';', '=', '{' or '}', or starts or ends with a blank, is written between
// braces with every '}' doubled ("Password={a;b}}c}"), so any value survives
// the round trip. The password is part of the text: only the Redacted form
// may ever be shown, logged or put into an error description.
#ifndef VOR_DB_CONNECTION_STRING_BUILDER_H_
#define VOR_DB_CONNECTION_STRING_BUILDER_H_

#include <string>

namespace vor {

// Everything needed to open either kind of database.
struct ConnectionParameters {
  std::string provider;
  int data_provider = 0;
  std::string server;    // "sqlite" (any case) for the embedded engine
  std::string database;  // database name, or the SQLite file
  std::string user;
  std::string password;
  std::string driver = "FreeTDS";  // ODBC driver for any other server
  int port = 1433;
  int timeout_ms = 30000;  // busy and login timeout

  // True when `server` selects the embedded SQLite engine.
  bool IsEmbeddedSqlite() const;
};

class ConnectionStringBuilder {
 public:
  static constexpr const char* kRedactedPassword = "****";

  void Provider(const std::string& v) { p_.provider = v; }
  void DataProvider(int v) { p_.data_provider = v; }
  void Server(const std::string& v) { p_.server = v; }
  void Database(const std::string& v) { p_.database = v; }
  void User(const std::string& v) { p_.user = v; }
  void Password(const std::string& v) { p_.password = v; }
  void Driver(const std::string& v) { p_.driver = v; }
  void Port(int v) { p_.port = v; }
  void TimeoutMs(int v) { p_.timeout_ms = v; }

  // The composed connection text (holds the password).
  std::string ConnectionString() const;
  // The same text with the password replaced by "****".
  std::string RedactedConnectionString() const;

  // Reads a text made by ConnectionString. Keys are matched without regard
  // to case; unknown keys are ignored; missing keys keep their defaults.
  // Returns false, with `*error` saying why (never quoting a value), when
  // the text is malformed or a number is not a number.
  static bool Parse(const std::string& text, ConnectionParameters* out,
                    std::string* error);

 private:
  std::string Compose(bool redact) const;

  ConnectionParameters p_;
};

// `value` as it must stand after "key=" in a connection text: unchanged, or
// between braces with '}' doubled when it holds a character that would end
// or confuse the pair. Also the quoting rule of ODBC connection texts.
std::string QuoteConnectionValue(const std::string& value);

}  // namespace vor

#endif  // VOR_DB_CONNECTION_STRING_BUILDER_H_
