#include "core/control_bytes.h"

#include <cstdint>

namespace vor {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void AppendHex(uint32_t c, std::string* out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  *out += "\\x";
  *out += kHex[(c >> 4) & 0xF];
  *out += kHex[c & 0xF];
}

// The length of the well-formed UTF-8 sequence that starts `s` at `at`, and
// its code point; 0 when the bytes there start no well-formed sequence, and
// then `*bad` is how many bytes make its maximal invalid subpart (at least
// one), as in the Unicode standard's table of well-formed sequences.
size_t Decode(std::string_view s, size_t at, uint32_t* code, size_t* bad) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b0 = byte(at);
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // range of the second byte
  if (b0 < 0x80) {
    *code = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    *code = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    *code = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    *code = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;   // no overlong forms
    if (b0 == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    *bad = 1;
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    const bool fits = at + i < s.size() &&
                      byte(at + i) >= (i == 1 ? low : 0x80) &&
                      byte(at + i) <= (i == 1 ? high : 0xBF);
    if (!fits) {
      *bad = i;
      return 0;
    }
    *code = (*code << 6) | (byte(at + i) & 0x3F);
  }
  return length;
}

}  // namespace

std::string EscapeControlBytes(std::string_view bytes, LineBreaks breaks) {
  const bool kept = breaks == LineBreaks::kKept;
  std::string out;
  out.reserve(bytes.size());
  size_t at = 0;
  while (at < bytes.size()) {
    uint32_t c = 0;
    size_t bad = 0;
    const size_t length = Decode(bytes, at, &c, &bad);
    if (length == 0) {
      out += kReplacement;
      at += bad;
      continue;
    }
    if (c == '\n' || c == '\t') {
      if (kept) {
        out += static_cast<char>(c);
      } else {
        out += c == '\n' ? "\\n" : "\\t";
      }
    } else if (c == '\r') {
      const bool pair = at + 1 < bytes.size() && bytes[at + 1] == '\n';
      if (kept && pair) {
        out += '\r';
      } else {
        out += "\\r";
      }
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      AppendHex(c, &out);
    } else if (c == 0x2028 || c == 0x2029) {
      out += c == 0x2028 ? "\\u2028" : "\\u2029";
    } else {
      out.append(bytes.substr(at, length));
    }
    at += length;
  }
  return out;
}

}  // namespace vor
