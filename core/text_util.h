// Text helpers for UTF-8 text: character counts and the case folding that
// table lookups use (ASCII letters and the accented capitals of Latin-1 are
// folded to small letters, as the ERP's case-insensitive collation compares
// them).
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

// Replaces `*out` with `s` case-folded. Reuses the capacity of `*out`.
void FoldCase(std::string_view s, std::string* out);

}  // namespace vor

#endif  // VOR_CORE_TEXT_UTIL_H_
