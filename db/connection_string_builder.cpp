#include "db/connection_string_builder.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "core/text_util.h"

namespace vor {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

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

// True when `text` contains `word`, letters compared without regard to case.
bool ContainsNoCase(const std::string& text, std::string_view word) {
  for (size_t i = 0; i + word.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < word.size() && (text[i + k] | 0x20) == word[k]) ++k;
    if (k == word.size()) return true;
  }
  return false;
}

// The drivers that do not read a doubled '}' inside a braced value as one
// '}': the rest of such a value would become pairs of its own (another
// SERVER or PORT among them).
bool KeepsDoubledBraces(const std::string& driver) {
  return !StartsWithSqlite(driver) && !ContainsNoCase(driver, "freetds");
}

// Names the first value of `values` that holds '}' when `driver` cannot
// take one; "" otherwise.
std::string BraceProblem(
    const std::string& driver,
    std::initializer_list<std::pair<const char*, const std::string*>> values) {
  if (KeepsDoubledBraces(driver)) return "";
  for (const auto& [name, value] : values) {
    if (value->find('}') != std::string::npos) {
      return std::string("o valor de ") + name +
             " contém '}', que o controlador ODBC " + driver +
             " não lê como parte do valor";
    }
  }
  return "";
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

bool ConnectionStringBuilder::IsEmbeddedSqlite(const std::string& server) {
  return EqualsIgnoringCase(TrimBlanks(server), "sqlite");
}

std::string QuoteConnectionValue(const std::string& value) {
  const bool needs_braces =
      value.find_first_of(";={}") != std::string::npos ||
      (!value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                          value.back() == ' ' || value.back() == '\t'));
  if (!needs_braces) return value;
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

QtOpenParameters ConnectionStringBuilder::ConnectionString() const {
  QtOpenParameters p;
  p.server = server_;
  p.database = database_;
  p.password = password_;
  p.timeout_ms = timeout_ms_;
  const int timeout_ms = timeout_ms_ < 0 ? 0 : timeout_ms_;
  if (IsEmbeddedSqlite(server_)) {
    p.qt_driver = "QSQLITE";
    p.database_name = "file:" + UriPath(database_) + "?mode=rw";
    p.connect_options =
        "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=" + std::to_string(timeout_ms);
    p.sqlite_dialect = true;
    p.database_file = database_;
    return p;
  }
  p.qt_driver = "QODBC";
  if (StartsWithSqlite(driver_)) {
    // NoCreat: a missing file is an error, never a new empty database.
    p.database_name = "DRIVER=" + BracedDriver(driver_) +
                      ";Database=" + QuoteConnectionValue(database_) +
                      ";Timeout=" + std::to_string(timeout_ms) + ";NoCreat=1";
    p.sqlite_dialect = true;
    p.database_file = database_;
    p.problem = BraceProblem(driver_, {{"BaseDados", &database_}});
    return p;
  }
  p.problem = BraceProblem(driver_, {{"Servidor", &server_},
                                     {"BaseDados", &database_},
                                     {"Utilizador", &user_},
                                     {"Password", &password_}});
  p.database_name = "DRIVER=" + BracedDriver(driver_) +
                    ";SERVER=" + QuoteConnectionValue(server_) +
                    ";PORT=" + std::to_string(port_) +
                    ";DATABASE=" + QuoteConnectionValue(database_) +
                    ";UID=" + QuoteConnectionValue(user_) +
                    ";PWD=" + QuoteConnectionValue(password_) +
                    ";TDS_Version=7.4;ClientCharset=UTF-8";
  const int seconds = (timeout_ms + 999) / 1000;
  p.connect_options =
      "SQL_ATTR_LOGIN_TIMEOUT=" + std::to_string(seconds < 1 ? 1 : seconds);
  return p;
}

}  // namespace vor
