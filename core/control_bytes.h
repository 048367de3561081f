// EscapeControlBytes: how any bytes (a text read from the database, a code
// placed in a statement, a value of the settings) are shown to people: in
// a log line, a message, a workbook cell, a CSV field, an e-mail or the
// window. The result is always valid UTF-8 with no control character left
// raw, so a hostile ERP value can neither make a file unreadable (raw bytes
// in a workbook's XML, a mail part labelled UTF-8 that does not decode) nor
// forge a line (a CR LF inside a code followed by a made-up, time-stamped
// log line).
//
//   - A byte sequence that is not UTF-8 (a stray continuation byte, a cut
//     or overlong sequence, a surrogate, a code point past U+10FFFF) is
//     shown as U+FFFD, one per maximal invalid subpart, as Unicode advises.
//   - Control characters are written visibly: tab, line feed and carriage
//     return as \t, \n and \r; the other C0 controls, DEL and the C1
//     controls (U+0080 to U+009F) as \xHH in capitals; the line and
//     paragraph separators U+2028 and U+2029 as \u2028 and \u2029.
//   - With LineBreaks::kKept (texts of several lines: a message body, a
//     message of several lines) line feeds, CR LF pairs and tabs stay as
//     they are; a carriage return alone is still shown as \r.
//
// A backslash is not escaped: a text already shown this way comes back
// unchanged, so applying the function twice changes nothing more.
//
//   log.Escrever("Artigo " + EscapeControlBytes(code));
#ifndef VOR_CORE_CONTROL_BYTES_H_
#define VOR_CORE_CONTROL_BYTES_H_

#include <string>
#include <string_view>

namespace vor {

enum class LineBreaks {
  kShown,  // one line: every control character shown
  kKept,   // several lines: LF, CR LF and tab kept
};

// `bytes` as valid UTF-8 with control characters shown, as described above.
// Valid text without control characters comes back unchanged.
std::string EscapeControlBytes(std::string_view bytes,
                               LineBreaks breaks = LineBreaks::kShown);

}  // namespace vor

#endif  // VOR_CORE_CONTROL_BYTES_H_
