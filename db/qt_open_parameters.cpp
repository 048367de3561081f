#include "db/qt_open_parameters.h"

#include <cstdio>

namespace vor {

namespace {

bool StartsWithSqlite(const std::string& driver) {
  static constexpr char kPrefix[] = "sqlite";
  if (driver.size() < sizeof kPrefix - 1) return false;
  for (size_t i = 0; i < sizeof kPrefix - 1; ++i) {
    if ((driver[i] | 0x20) != kPrefix[i]) return false;
  }
  return true;
}

// The path as it may stand in the path part of a file: URI. Letters, digits
// and the characters that are harmless there are kept; everything else
// ('?', '#', '%', blanks, bytes of non-ASCII characters) is percent-encoded.
std::string UriPath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                      (c >= '0' && c <= '9') || c == '/' || c == '-' ||
                      c == '_' || c == '.' || c == '~';
    if (keep) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

// "{driver}" with '}' doubled, the form ODBC wants for a driver name.
std::string BracedDriver(const std::string& driver) {
  std::string out = "{";
  for (char c : driver) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

}  // namespace

QtOpenParameters BuildOpenParameters(const ConnectionParameters& login) {
  QtOpenParameters p;
  const int timeout_ms = login.timeout_ms < 0 ? 0 : login.timeout_ms;
  if (login.IsEmbeddedSqlite()) {
    p.qt_driver = "QSQLITE";
    p.database_name = "file:" + UriPath(login.database) + "?mode=rw";
    p.connect_options =
        "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=" + std::to_string(timeout_ms);
    p.sqlite_dialect = true;
    p.database_file = login.database;
    return p;
  }
  p.qt_driver = "QODBC";
  if (StartsWithSqlite(login.driver)) {
    // NoCreat: a missing file is an error, never a new empty database.
    p.database_name = "DRIVER=" + BracedDriver(login.driver) +
                      ";Database=" + QuoteConnectionValue(login.database) +
                      ";Timeout=" + std::to_string(timeout_ms) + ";NoCreat=1";
    p.sqlite_dialect = true;
    p.database_file = login.database;
    return p;
  }
  p.database_name = "DRIVER=" + BracedDriver(login.driver) +
                    ";SERVER=" + QuoteConnectionValue(login.server) +
                    ";PORT=" + std::to_string(login.port) +
                    ";DATABASE=" + QuoteConnectionValue(login.database) +
                    ";UID=" + QuoteConnectionValue(login.user) +
                    ";PWD=" + QuoteConnectionValue(login.password) +
                    ";TDS_Version=7.4;ClientCharset=UTF-8";
  const int seconds = (timeout_ms + 999) / 1000;
  p.connect_options =
      "SQL_ATTR_LOGIN_TIMEOUT=" + std::to_string(seconds < 1 ? 1 : seconds);
  return p;
}

}  // namespace vor
