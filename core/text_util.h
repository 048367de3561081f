// Text helpers for UTF-8 text: character counts, and the two ways texts are
// compared without regard to letter case. Codes, names and keywords compare
// as the ERP's code columns do: only the ASCII letters are folded, every
// other byte (accented letters included) compares as it is. The program's
// in-memory tables and the unit comparison of the intake also fold the
// accented capitals of Latin-1 (FoldCase).
#ifndef VOR_CORE_TEXT_UTIL_H_
#define VOR_CORE_TEXT_UTIL_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vor {

// Number of characters of UTF-8 text (continuation bytes are not counted).
size_t Utf8Length(std::string_view s);

// The first `chars` characters of UTF-8 text (all of it when shorter).
std::string_view Utf8Prefix(std::string_view s, size_t chars);

// `s` without the blanks (spaces and tabs) at either end.
std::string Trimmed(std::string_view s);

// `s` with the ASCII capitals A-Z turned into small letters; every other
// byte stays as it is.
std::string FoldAsciiCase(std::string_view s);

// Whether `a` and `b` are equal once FoldAsciiCase is applied to both: "ab"
// equals "AB", but "é" (0xC3 0xA9) differs from "É" (0xC3 0x89).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Replaces `*out` with `s` folded as FoldAsciiCase does, and the Latin-1
// capitals (U+00C0..U+00DE but U+00D7, in UTF-8) also turned into their
// small letters. The key of table lookups and filters. Reuses the capacity
// of `*out`.
void FoldCase(std::string_view s, std::string* out);

}  // namespace vor

#endif  // VOR_CORE_TEXT_UTIL_H_
