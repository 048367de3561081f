// Text helpers for UTF-8 text: character counts, and the comparisons of
// text without regard to letter case, one per kind of text compared:
//
//   codes      SameCode, CodeKey   ASCII letters folded, every other byte as
//                                  it is: as the ERP's code columns compare
//                                  (COLLATE NOCASE; a case-insensitive SQL
//                                  Server collation on these codes). The
//                                  values of the table filter
//                                  (Recordset::SetFilter) compare so too.
//   words      EqualsIgnoringCase, the program's own vocabulary (setting
//              FoldAsciiCase       keys, keywords, type names): ASCII
//                                  letters folded.
//   names      FoldCase            field and table names, and the texts
//                                  people search in the proposal: ASCII and
//                                  accented Latin-1 capitals folded.
//
// Every comparison of article, supplier, product or structure codes in
// memory uses the code rule, so that it agrees with the database's. Units
// are compared by the rules of core/units.h.
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

// The key under which two codes are the same code: `code` with the ASCII
// capitals A-Z turned into small letters; every other byte (accented
// letters, blanks included) stays as it is. "ab" and "AB" share a key; "é"
// (0xC3 0xA9) and "É" (0xC3 0x89), or "A1" and "A1 ", do not.
std::string CodeKey(std::string_view code);

// Whether `a` and `b` are the same code: CodeKey(a) == CodeKey(b).
bool SameCode(std::string_view a, std::string_view b);

// `s` without the blanks (spaces and tabs) at either end.
std::string Trimmed(std::string_view s);

// `s` with the ASCII capitals A-Z turned into small letters; every other
// byte stays as it is. For words of the program's own vocabulary.
std::string FoldAsciiCase(std::string_view s);

// Whether `a` and `b` are equal once FoldAsciiCase is applied to both: "ab"
// equals "AB", but "é" (0xC3 0xA9) differs from "É" (0xC3 0x89). For words
// of the program's own vocabulary.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Replaces `*out` with `s` folded as FoldAsciiCase does, and the Latin-1
// capitals (U+00C0..U+00DE but U+00D7, in UTF-8) also turned into their
// small letters. The key of field and table names and of texts people
// search. Reuses the capacity of `*out`.
void FoldCase(std::string_view s, std::string* out);

// `text` as XML or HTML character data or a quoted attribute value: & < >
// " and ' written as references, every other byte as it is.
std::string EscapeMarkup(std::string_view text);

}  // namespace vor

#endif  // VOR_CORE_TEXT_UTIL_H_
