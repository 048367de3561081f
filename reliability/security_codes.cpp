#include "reliability/security_codes.h"

#include <random>
#include <set>

namespace vor::security {

namespace {

// Pieces random codes are joined from: plain letters and digits so that
// codes look like codes, and everything that ends or changes a literal, a
// statement, a name or a filter in SQL Server, SQLite, ODBC or the table
// filter. '«' is kept out: the tests use it to name rows of their own.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      // Ordinary code characters.
      "A", "b", "Z", "m", "0", "7", "-", ".", "/", " ",
      // Quotes and their doubles, and look-alikes a code page might map to
      // a quote.
      "'", "''", "'''", "\"", "`", "\xE2\x80\x99", "\xE2\x80\x98", "\xCA\xBC",
      "\xEF\xBC\x87",
      // Statement ends, comment markers, names, operators.
      ";", "--", "/*", "*/", "#", "[", "]", "]]", "(", ")", ",", "=", "<>",
      "||", "+", "%", "_", "?", ":", "@", "$", "\\", "{", "}", "&", "|",
      // Line ends and control characters.
      "\n", "\r\n", "\r", "\t", "\x01", "\x1f", "\x7f",
      // Letters outside ASCII.
      "\xC3\xA9", "\xC3\x89", "\xC3\xA7", "\xC3\xA3", "\xC3\x9F",
      "\xE2\x82\xAC", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
      // Words that mean something to the statement or its rewrite.
      " OR '1'='1", "' and Artigo='", "' and Tipo='AT", "; DROP TABLE ARTIGOS",
      " UNION SELECT CODIGO FROM ARTIGOS", "TOP 1 ", "CONVERT(DATETIME, '",
      " ', 102)", "{fn CURDATE()}", "{d '2020-01-01'}", "N'", "\\'"};
  return pieces;
}

}  // namespace

std::vector<std::string> HostileCodes() {
  std::vector<std::string> codes = {
      "",
      "'",
      "''",
      "'''",
      "O'BRIEN",
      "O''BRIEN",
      "A' OR '1'='1",
      "A' OR 1=1 --",
      "A'; DROP TABLE ARTIGOS; --",
      "'; DELETE FROM zlx_VOR_Encomendas; --",
      "A' --",
      "A'/*",
      "*/'",
      "A' /* x */ OR '1'='1",
      "]",
      "[x]",
      "A]]'",
      "[ARTIGOS]",
      "\"",
      "A\"; --",
      "\"'\"",
      "\\'",
      "A\\",
      "A\\\nB",
      "A\\\r\nB",
      "line\nbreak",
      "line\r\nbreak",
      "tab\there",
      "%",
      "_",
      "A%",
      "?",
      ":p",
      "@v",
      "$1",
      "A' UNION SELECT CODIGO FROM ARTIGOS --",
      "A' and Artigo='B",
      "' and Tipo='AT",
      "A' and Tipo='AT' and Codigo='B",
      "x' ,102))--",
      "TOP 1",
      "select top 1 x",
      "CONVERT(DATETIME, '2020-01-01 ', 102)",
      "{fn CURDATE()}",
      "{d '2020-01-01'}",
      "{",
      "}",
      "a}}b",
      "N'x'",
      "A'||'B",
      "A'+'B",
      "\xC3\x89"
      "CRAN",
      "\xC3\xA9"
      "cran",
      "A\xC3\xA7\xC3\xA3o",
      "\xE4\xB8\xAD\xE6\x96\x87",
      "\xF0\x9F\x98\x80",
      "O\xE2\x80\x99"
      "BRIEN",
      "O\xCA\xBC"
      "BRIEN",
      "O\xEF\xBC\x87"
      "BRIEN",
      " ",
      "   ",
      " lead",
      "trail ",
      "\x01\x7f",
      std::string(100, '\''),
      std::string(150, ';'),
      std::string(40, ']') + std::string(40, '\''),
  };
  return codes;
}

std::vector<std::string> RandomCodes(uint32_t seed, int count, int max_pieces) {
  const std::vector<std::string>& pieces = Pieces();
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> length(0, max_pieces);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::string code;
    for (int n = length(rng); n > 0; --n) code += pieces[pick(rng)];
    codes.push_back(std::move(code));
  }
  return codes;
}

std::vector<std::string> TestCodes(uint32_t seed, int count) {
  std::vector<std::string> all = HostileCodes();
  std::vector<std::string> random = RandomCodes(seed, count);
  all.insert(all.end(), random.begin(), random.end());
  std::set<std::string> seen;
  std::vector<std::string> out;
  for (std::string& code : all) {
    if (seen.insert(code).second) out.push_back(std::move(code));
  }
  return out;
}

std::string AsciiLower(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string AsciiUpper(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::vector<std::string> DistinctIgnoringAsciiCase(
    const std::vector<std::string>& codes) {
  std::set<std::string> seen;
  std::vector<std::string> out;
  for (const std::string& code : codes) {
    if (seen.insert(AsciiLower(code)).second) out.push_back(code);
  }
  return out;
}

}  // namespace vor::security
