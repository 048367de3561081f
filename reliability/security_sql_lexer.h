// A reference lexer for the security tests: splits a statement the way SQL
// Server reads it (string literals 'a''b' and N'..', bracketed names with
// ]] and double-quoted names with "", -- and nested /* */ comments, words,
// numbers, single punctuation characters). It is written apart from the
// data-access layer's own tokenizer so that the two check each other.
//
// CompareWithPlain decides the literal property: a statement built with
// hostile codes must tokenize exactly like the same statement built with
// plain placeholder codes, except that each placeholder's literal now reads
// as the hostile code.
#ifndef VOR_RELIABILITY_SECURITY_SQL_LEXER_H_
#define VOR_RELIABILITY_SECURITY_SQL_LEXER_H_

#include <string>
#include <string_view>
#include <vector>

namespace vor::security {

enum class SqlTokenKind {
  kSpace,
  kComment,
  kWord,
  kNumber,
  kString,      // '...' or N'...'
  kQuotedName,  // [...] or "..."
  kPunct,
  kUnterminated,  // a literal, name or comment that never closes
};

struct SqlToken {
  SqlTokenKind kind;
  std::string text;  // as written
};

std::vector<SqlToken> LexSql(std::string_view sql);

// The value of a string token: without its quotes (and N prefix), every ''
// read as one quote.
std::string StringValue(const SqlToken& token);

// Empty when `built` (made with `codes`) has the shape of `plain` (made with
// `placeholders`, the same count): the same tokens in the same order and,
// where `plain` has a string literal whose value is placeholders[k], a
// string literal whose value is codes[k]; each placeholder's literal must
// occur exactly once. Otherwise a description of the first difference.
std::string CompareWithPlain(const std::string& plain,
                             const std::vector<std::string>& placeholders,
                             const std::string& built,
                             const std::vector<std::string>& codes);

// `text` with line breaks and control characters shown as \n, \xNN, for
// failure messages.
std::string Printable(std::string_view text);

}  // namespace vor::security

#endif  // VOR_RELIABILITY_SECURITY_SQL_LEXER_H_
