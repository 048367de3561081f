// Fuzz target of the SQLite rewrite and the statement readings of the
// data-access layer: any text is rewritten, and its table read,
// without a fault; a text with neither TOP nor CONVERT comes back exactly as
// given; and a code placed as a literal in a rewritten statement comes back
// from the rewrite unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/quote.h"
#include "db/sql_dialect.h"
#include "fuzz/fuzz_check.h"

namespace {

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
  if (word.size() > text.size()) return false;
  for (size_t i = 0; i + word.size() <= text.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < word.size() && same; ++k) {
      char c = text[i + k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      same = c == word[k];
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string rewritten = vor::RewriteForSqlite(text);
  vor::SelectTableName(text);
  if (!ContainsIgnoringCase(text, "TOP") &&
      !ContainsIgnoringCase(text, "CONVERT")) {
    VOR_FUZZ_CHECK(rewritten == text, "a text without TOP or CONVERT changed");
  }
  // The text as a code inside the kind of statement the engine sends.
  const std::string prefix =
      "SELECT TOP 1 x FROM t WHERE d >= CONVERT(DATETIME, '2024-01-01 ', 102)"
      " and c='";
  const std::string statement = prefix + vor::QuoteCode(text) + "' ";
  const std::string expected =
      "SELECT x FROM t WHERE d >= '2024-01-01' and c='" + vor::QuoteCode(text) +
      "' LIMIT 1 ";
  VOR_FUZZ_CHECK(vor::RewriteForSqlite(statement) == expected,
                 "a quoted code changed in the rewrite");
  return 0;
}
