#include "db/connection_string_builder.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "core/text_util.h"

namespace vor {

namespace {

constexpr std::string_view kProvider = "Provider";
constexpr std::string_view kDataProvider = "Data Provider";
constexpr std::string_view kServer = "Server";
constexpr std::string_view kDatabase = "Database";
constexpr std::string_view kUser = "User ID";
constexpr std::string_view kPassword = "Password";
constexpr std::string_view kDriver = "Driver";
constexpr std::string_view kPort = "Port";
constexpr std::string_view kTimeout = "Timeout Ms";

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

bool ParseInt(std::string_view s, int* out) {
  s = TrimBlanks(s);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

struct Pair {
  std::string key;
  std::string value;
};

// Splits the text into pairs; false with `*error` set when malformed.
bool SplitPairs(const std::string& text, std::vector<Pair>* pairs,
                std::string* error) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t eq = text.find_first_of("=;", i);
    if (eq == std::string::npos || text[eq] == ';') {
      // A stretch without '=' is only allowed when it is blank.
      const size_t end = eq == std::string::npos ? text.size() : eq;
      if (!TrimBlanks(std::string_view(text).substr(i, end - i)).empty()) {
        *error = "par sem '=' no texto de ligação";
        return false;
      }
      i = end + 1;
      continue;
    }
    Pair p;
    p.key = std::string(TrimBlanks(std::string_view(text).substr(i, eq - i)));
    if (p.key.empty()) {
      *error = "chave vazia no texto de ligação";
      return false;
    }
    i = eq + 1;
    if (i < text.size() && text[i] == '{') {
      ++i;
      bool closed = false;
      while (i < text.size()) {
        if (text[i] == '}') {
          if (i + 1 < text.size() && text[i + 1] == '}') {
            p.value += '}';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        p.value += text[i++];
      }
      if (!closed) {
        *error = "valor de " + p.key + " sem '}' final no texto de ligação";
        return false;
      }
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (i < text.size() && text[i] != ';') {
        *error = "texto a seguir a '}' no valor de " + p.key;
        return false;
      }
      ++i;
    } else {
      const size_t end = text.find(';', i);
      const size_t stop = end == std::string::npos ? text.size() : end;
      p.value = text.substr(i, stop - i);
      i = stop + 1;
    }
    pairs->push_back(std::move(p));
  }
  return true;
}

}  // namespace

bool ConnectionParameters::IsEmbeddedSqlite() const {
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

std::string ConnectionStringBuilder::Compose(bool redact) const {
  std::string out;
  auto add = [&out](std::string_view key, const std::string& value) {
    out += key;
    out += '=';
    out += QuoteConnectionValue(value);
    out += ';';
  };
  add(kProvider, p_.provider);
  add(kDataProvider, std::to_string(p_.data_provider));
  add(kServer, p_.server);
  add(kDatabase, p_.database);
  add(kUser, p_.user);
  add(kPassword, redact ? std::string(kRedactedPassword) : p_.password);
  add(kDriver, p_.driver);
  add(kPort, std::to_string(p_.port));
  add(kTimeout, std::to_string(p_.timeout_ms));
  return out;
}

std::string ConnectionStringBuilder::ConnectionString() const {
  return Compose(false);
}

std::string ConnectionStringBuilder::RedactedConnectionString() const {
  return Compose(true);
}

bool ConnectionStringBuilder::Parse(const std::string& text,
                                    ConnectionParameters* out,
                                    std::string* error) {
  std::vector<Pair> pairs;
  if (!SplitPairs(text, &pairs, error)) return false;
  ConnectionParameters p;
  for (const Pair& pair : pairs) {
    const std::string& k = pair.key;
    if (EqualsIgnoringCase(k, kProvider)) {
      p.provider = pair.value;
    } else if (EqualsIgnoringCase(k, kDataProvider)) {
      if (!ParseInt(pair.value, &p.data_provider)) {
        *error = "valor de Data Provider não é um número inteiro";
        return false;
      }
    } else if (EqualsIgnoringCase(k, kServer)) {
      p.server = pair.value;
    } else if (EqualsIgnoringCase(k, kDatabase)) {
      p.database = pair.value;
    } else if (EqualsIgnoringCase(k, kUser)) {
      p.user = pair.value;
    } else if (EqualsIgnoringCase(k, kPassword)) {
      p.password = pair.value;
    } else if (EqualsIgnoringCase(k, kDriver)) {
      p.driver = pair.value;
    } else if (EqualsIgnoringCase(k, kPort)) {
      if (!ParseInt(pair.value, &p.port)) {
        *error = "valor de Port não é um número inteiro";
        return false;
      }
    } else if (EqualsIgnoringCase(k, kTimeout)) {
      if (!ParseInt(pair.value, &p.timeout_ms) || p.timeout_ms < 0) {
        *error = "valor de Timeout Ms não é um número inteiro positivo";
        return false;
      }
    }
  }
  *out = std::move(p);
  return true;
}

}  // namespace vor
