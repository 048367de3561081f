#include "db/sql_dialect.h"

#include <cstddef>
#include <vector>

#include "core/text_util.h"

namespace vor {

namespace {

enum class TokenKind {
  kSpace,       // blanks, tabs, line ends
  kComment,     // -- to the end of the line, or /* ... */
  kWord,        // identifier or keyword
  kNumber,      // starts with a digit
  kString,      // '...' with '' for a quote (unterminated: to the end)
  kQuotedName,  // [...] with ]] for ']', or "..." with "" for '"'
  kPunct,       // any other single character
};

struct Token {
  TokenKind kind;
  size_t begin;
  size_t end;
};

bool IsWordStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         c == '@' || c == '#' || c >= 0x80;
}

bool IsWordChar(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' ||
         c == '\v';
}

// Index just past a quoted run that opens at `i` with `open` and closes with
// `close`, where a doubled `close` stands for itself.
size_t SkipQuoted(std::string_view s, size_t i, char close) {
  ++i;
  while (i < s.size()) {
    if (s[i] == close) {
      if (i + 1 < s.size() && s[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return s.size();
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t start = i;
    TokenKind kind;
    if (IsSpace(c)) {
      while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
      kind = TokenKind::kSpace;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      kind = TokenKind::kComment;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const size_t close = s.find("*/", i + 2);
      i = close == std::string_view::npos ? s.size() : close + 2;
      kind = TokenKind::kComment;
    } else if (c == '\'') {
      i = SkipQuoted(s, i, '\'');
      kind = TokenKind::kString;
    } else if (c == '[') {
      i = SkipQuoted(s, i, ']');
      kind = TokenKind::kQuotedName;
    } else if (c == '"') {
      i = SkipQuoted(s, i, '"');
      kind = TokenKind::kQuotedName;
    } else if (IsDigit(c)) {
      while (i < s.size() &&
             (IsWordChar(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
        ++i;
      }
      kind = TokenKind::kNumber;
    } else if (IsWordStart(c)) {
      while (i < s.size() && IsWordChar(static_cast<unsigned char>(s[i]))) ++i;
      kind = TokenKind::kWord;
    } else {
      ++i;
      kind = TokenKind::kPunct;
    }
    tokens.push_back({kind, start, i});
  }
  return tokens;
}

bool IsSignificant(const Token& t) {
  return t.kind != TokenKind::kSpace && t.kind != TokenKind::kComment;
}

class TokenView {
 public:
  TokenView(std::string_view sql, std::vector<Token> tokens)
      : sql_(sql), tokens_(std::move(tokens)) {}

  size_t size() const { return tokens_.size(); }
  const Token& operator[](size_t i) const { return tokens_[i]; }
  std::string_view Text(size_t i) const {
    return sql_.substr(tokens_[i].begin, tokens_[i].end - tokens_[i].begin);
  }
  bool IsWord(size_t i, std::string_view word) const {
    return i < tokens_.size() && tokens_[i].kind == TokenKind::kWord &&
           EqualsIgnoringCase(Text(i), word);
  }
  bool IsPunct(size_t i, char c) const {
    return i < tokens_.size() && tokens_[i].kind == TokenKind::kPunct &&
           sql_[tokens_[i].begin] == c;
  }
  bool IsInteger(size_t i) const {
    if (i >= tokens_.size() || tokens_[i].kind != TokenKind::kNumber) {
      return false;
    }
    for (char c : Text(i)) {
      if (!IsDigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
  }
  // The first significant token at or after `i` (size() when none).
  size_t NextSignificant(size_t i) const {
    while (i < tokens_.size() && !IsSignificant(tokens_[i])) ++i;
    return i;
  }
  // The last significant token before `i` (size() when none).
  size_t PrevSignificant(size_t i) const {
    while (i > 0) {
      --i;
      if (IsSignificant(tokens_[i])) return i;
    }
    return tokens_.size();
  }

 private:
  std::string_view sql_;
  std::vector<Token> tokens_;
};

// True when the TOP at `i` follows SELECT, SELECT DISTINCT or SELECT ALL.
bool TopFollowsSelect(const TokenView& t, size_t i) {
  size_t prev = t.PrevSignificant(i);
  if (prev == t.size()) return false;
  if (t.IsWord(prev, "DISTINCT") || t.IsWord(prev, "ALL")) {
    prev = t.PrevSignificant(prev);
    if (prev == t.size()) return false;
  }
  return t.IsWord(prev, "SELECT");
}

// Matches `TOP n` or `TOP (n)` at `i`. On success `*number` is the index of
// n and `*last` the index of the last token of the clause.
bool MatchTop(const TokenView& t, size_t i, size_t* number, size_t* last) {
  if (!t.IsWord(i, "TOP") || !TopFollowsSelect(t, i)) return false;
  size_t j = t.NextSignificant(i + 1);
  if (t.IsInteger(j)) {
    *number = j;
    *last = j;
  } else if (t.IsPunct(j, '(')) {
    const size_t n = t.NextSignificant(j + 1);
    const size_t close = t.NextSignificant(n + 1);
    if (!t.IsInteger(n) || !t.IsPunct(close, ')')) return false;
    *number = n;
    *last = close;
  } else {
    return false;
  }
  // TOP n PERCENT and TOP n WITH TIES have no LIMIT equivalent.
  const size_t after = t.NextSignificant(*last + 1);
  return !t.IsWord(after, "PERCENT") && !t.IsWord(after, "WITH");
}

// Matches CONVERT(DATETIME, '<text>', 102) at `i`. On success `*literal` is
// the index of the string and `*last` that of the closing parenthesis.
bool MatchConvertDate(const TokenView& t, size_t i, size_t* literal,
                      size_t* last) {
  if (!t.IsWord(i, "CONVERT")) return false;
  const size_t prev = t.PrevSignificant(i);
  if (prev != t.size() && t.IsPunct(prev, '.')) return false;
  size_t j = i + 1;  // no blank between a function name and its '('
  if (!t.IsPunct(j, '(')) {
    j = t.NextSignificant(j);
    if (!t.IsPunct(j, '(')) return false;
  }
  j = t.NextSignificant(j + 1);
  if (!t.IsWord(j, "DATETIME")) return false;
  j = t.NextSignificant(j + 1);
  if (!t.IsPunct(j, ',')) return false;
  j = t.NextSignificant(j + 1);
  if (j >= t.size() || t[j].kind != TokenKind::kString) return false;
  const std::string_view lit = t.Text(j);
  if (lit.size() < 2 || lit.back() != '\'') return false;  // unterminated
  *literal = j;
  j = t.NextSignificant(j + 1);
  if (!t.IsPunct(j, ',')) return false;
  j = t.NextSignificant(j + 1);
  if (!t.IsInteger(j) || t.Text(j) != "102") return false;
  j = t.NextSignificant(j + 1);
  if (!t.IsPunct(j, ')')) return false;
  *last = j;
  return true;
}

std::string TrimmedLiteral(std::string_view quoted) {
  std::string_view body = quoted.substr(1, quoted.size() - 2);
  while (!body.empty() && (body.front() == ' ' || body.front() == '\t')) {
    body.remove_prefix(1);
  }
  while (!body.empty() && (body.back() == ' ' || body.back() == '\t')) {
    body.remove_suffix(1);
  }
  std::string out = "'";
  out += body;
  out += '\'';
  return out;
}

// Output under construction, remembering where the last significant text of
// the current SELECT ended so a LIMIT can be placed before trailing blanks.
class Output {
 public:
  void AppendSpace(std::string_view s) { text_ += s; }
  void AppendSignificant(std::string_view s) {
    text_ += s;
    significant_end_ = text_.size();
  }
  // Places " LIMIT n" right after the last significant text written.
  void InsertLimit(const std::string& number) {
    const std::string clause = " LIMIT " + number;
    text_.insert(significant_end_, clause);
    significant_end_ += clause.size();
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  size_t significant_end_ = 0;
};

}  // namespace

std::string RewriteForSqlite(std::string_view sql) {
  const TokenView t(sql, Tokenize(sql));
  Output out;
  // One pending LIMIT per nesting level ("" when that level has none).
  std::vector<std::string> pending(1);
  auto flush = [&]() {
    if (!pending.back().empty()) {
      out.InsertLimit(pending.back());
      pending.back().clear();
    }
  };

  for (size_t i = 0; i < t.size(); ++i) {
    if (!IsSignificant(t[i])) {
      out.AppendSpace(t.Text(i));
      continue;
    }
    size_t number = 0;
    size_t last = 0;
    if (MatchTop(t, i, &number, &last)) {
      flush();  // a second SELECT of the same level ends the first
      pending.back() = std::string(t.Text(number));
      // Drop the clause and the blanks after it.
      i = last;
      while (i + 1 < t.size() && t[i + 1].kind == TokenKind::kSpace) ++i;
      continue;
    }
    if (MatchConvertDate(t, i, &number, &last)) {
      out.AppendSignificant(TrimmedLiteral(t.Text(number)));
      i = last;
      continue;
    }
    if (t.IsPunct(i, '(')) {
      out.AppendSignificant("(");
      pending.emplace_back();
      continue;
    }
    if (t.IsPunct(i, ')')) {
      flush();
      if (pending.size() > 1) pending.pop_back();
      out.AppendSignificant(")");
      continue;
    }
    if (t.IsPunct(i, ';') || t.IsWord(i, "UNION") || t.IsWord(i, "EXCEPT") ||
        t.IsWord(i, "INTERSECT")) {
      flush();
    }
    out.AppendSignificant(t.Text(i));
  }
  // Unclosed levels end with the text.
  while (!pending.empty()) {
    flush();
    pending.pop_back();
  }
  return out.Take();
}

namespace {

std::string UnquoteName(std::string_view part) {
  if (part.size() >= 2 && (part.front() == '[' || part.front() == '"')) {
    const char close = part.front() == '[' ? ']' : '"';
    std::string out;
    std::string_view body = part.substr(1);
    if (!body.empty() && body.back() == close) body.remove_suffix(1);
    for (size_t i = 0; i < body.size(); ++i) {
      out += body[i];
      if (body[i] == close && i + 1 < body.size() && body[i + 1] == close) ++i;
    }
    return out;
  }
  return std::string(part);
}

}  // namespace

std::string SelectTableName(std::string_view sql) {
  const TokenView t(sql, Tokenize(sql));
  int depth = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t.IsPunct(i, '(')) {
      ++depth;
    } else if (t.IsPunct(i, ')')) {
      --depth;
    } else if (depth == 0 && t.IsWord(i, "FROM")) {
      std::string name;
      size_t j = t.NextSignificant(i + 1);
      while (j < t.size() && (t[j].kind == TokenKind::kWord ||
                              t[j].kind == TokenKind::kQuotedName)) {
        name += UnquoteName(t.Text(j));
        // Only a '.' directly after the part continues the name.
        if (!t.IsPunct(j + 1, '.')) break;
        name += '.';
        j += 2;
      }
      return name;
    }
  }
  return "";
}

}  // namespace vor
