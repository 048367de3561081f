// EscapeControlBytes: how a text read from the database or written into a
// statement is shown in a message, a log line or a window. A code of a
// hostile ERP may hold a NUL byte or another control byte; shown raw it
// would cut a C string or reach a log file as a byte no reader expects.
#ifndef VOR_CORE_CONTROL_BYTES_H_
#define VOR_CORE_CONTROL_BYTES_H_

#include <string>
#include <string_view>

namespace vor {

// The text with every control byte (0x00 to 0x1F and 0x7F) other than tab,
// line feed and carriage return (which messages use to break their lines)
// written as \xHH in capitals; every other byte as it is. A text without
// such bytes comes back unchanged, so escaping twice changes nothing more.
inline std::string EscapeControlBytes(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace vor

#endif  // VOR_CORE_CONTROL_BYTES_H_
