#include "reliability/security_sql_lexer.h"

#include <cstdio>

namespace vor::security {

namespace {

bool IsWordByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9') || c == '_' || c == '@' || c == '#' ||
         c == '$' || c >= 0x80;
}

bool IsSpaceByte(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' ||
         c == '\v';
}

// End of a run opened at `i` by a one-character quote and closed by
// `close`, a doubled `close` standing for itself; npos when it never closes.
size_t QuotedEnd(std::string_view s, size_t i, char close) {
  for (++i; i < s.size(); ++i) {
    if (s[i] != close) continue;
    if (i + 1 < s.size() && s[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string_view::npos;
}

// End of a /* comment at `i`; comments nest in Transact-SQL.
size_t CommentEnd(std::string_view s, size_t i) {
  int depth = 0;
  while (i + 1 < s.size()) {
    if (s[i] == '/' && s[i + 1] == '*') {
      ++depth;
      i += 2;
    } else if (s[i] == '*' && s[i + 1] == '/') {
      i += 2;
      if (--depth == 0) return i;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

const char* KindName(SqlTokenKind kind) {
  switch (kind) {
    case SqlTokenKind::kSpace:
      return "space";
    case SqlTokenKind::kComment:
      return "comment";
    case SqlTokenKind::kWord:
      return "word";
    case SqlTokenKind::kNumber:
      return "number";
    case SqlTokenKind::kString:
      return "string";
    case SqlTokenKind::kQuotedName:
      return "quoted name";
    case SqlTokenKind::kPunct:
      return "punctuation";
    case SqlTokenKind::kUnterminated:
      return "unterminated";
  }
  return "?";
}

}  // namespace

std::vector<SqlToken> LexSql(std::string_view s) {
  std::vector<SqlToken> tokens;
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t start = i;
    SqlTokenKind kind;
    size_t end;
    if (IsSpaceByte(c)) {
      end = i;
      while (end < s.size() && IsSpaceByte(static_cast<unsigned char>(s[end])))
        ++end;
      kind = SqlTokenKind::kSpace;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      end = s.find('\n', i);
      end = end == std::string_view::npos ? s.size() : end;
      kind = SqlTokenKind::kComment;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      end = CommentEnd(s, i);
      kind = SqlTokenKind::kComment;
    } else if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < s.size() &&
                             s[i + 1] == '\'')) {
      end = QuotedEnd(s, c == '\'' ? i : i + 1, '\'');
      kind = SqlTokenKind::kString;
    } else if (c == '[') {
      end = QuotedEnd(s, i, ']');
      kind = SqlTokenKind::kQuotedName;
    } else if (c == '"') {
      end = QuotedEnd(s, i, '"');
      kind = SqlTokenKind::kQuotedName;
    } else if (c >= '0' && c <= '9') {
      end = i;
      while (end < s.size() &&
             (IsWordByte(static_cast<unsigned char>(s[end])) || s[end] == '.'))
        ++end;
      kind = SqlTokenKind::kNumber;
    } else if (IsWordByte(c)) {
      end = i;
      while (end < s.size() && IsWordByte(static_cast<unsigned char>(s[end])))
        ++end;
      kind = SqlTokenKind::kWord;
    } else {
      end = i + 1;
      kind = SqlTokenKind::kPunct;
    }
    if (end == std::string_view::npos) {
      tokens.push_back({SqlTokenKind::kUnterminated, std::string(s.substr(i))});
      break;
    }
    tokens.push_back({kind, std::string(s.substr(start, end - start))});
    i = end;
  }
  return tokens;
}

std::string StringValue(const SqlToken& token) {
  std::string_view body = token.text;
  if (!body.empty() && body.front() != '\'') body.remove_prefix(1);  // N
  body = body.substr(1, body.size() - 2);
  std::string out;
  for (size_t i = 0; i < body.size(); ++i) {
    out += body[i];
    if (body[i] == '\'') ++i;  // the second quote of a doubled one
  }
  return out;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string CompareWithPlain(const std::string& plain,
                             const std::vector<std::string>& placeholders,
                             const std::string& built,
                             const std::vector<std::string>& codes) {
  const std::vector<SqlToken> a = LexSql(plain);
  const std::vector<SqlToken> b = LexSql(built);
  const std::string where = " in [" + Printable(built) + "]";
  if (a.size() != b.size()) {
    return std::to_string(b.size()) + " tokens instead of " +
           std::to_string(a.size()) + where;
  }
  std::vector<int> seen(placeholders.size(), 0);
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind == SqlTokenKind::kUnterminated) {
      return "the plain statement does not close" + where;
    }
    if (a[i].kind != b[i].kind) {
      return "token " + std::to_string(i) + " is " + KindName(b[i].kind) +
             " [" + Printable(b[i].text) + "] instead of " +
             KindName(a[i].kind) + " [" + Printable(a[i].text) + "]" + where;
    }
    size_t k = placeholders.size();
    if (a[i].kind == SqlTokenKind::kString) {
      const std::string value = StringValue(a[i]);
      for (size_t p = 0; p < placeholders.size(); ++p) {
        if (value == placeholders[p]) k = p;
      }
    }
    if (k < placeholders.size()) {
      ++seen[k];
      const std::string value = StringValue(b[i]);
      if (value != codes[k]) {
        return "literal " + std::to_string(k) + " reads [" + Printable(value) +
               "] instead of [" + Printable(codes[k]) + "]" + where;
      }
    } else if (a[i].text != b[i].text) {
      return "token " + std::to_string(i) + " [" + Printable(b[i].text) +
             "] instead of [" + Printable(a[i].text) + "]" + where;
    }
  }
  for (size_t p = 0; p < seen.size(); ++p) {
    if (seen[p] != 1) {
      return "placeholder " + placeholders[p] + " occurs " +
             std::to_string(seen[p]) + " times in [" + plain + "]";
    }
  }
  return "";
}

}  // namespace vor::security
