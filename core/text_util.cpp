#include "core/text_util.h"

namespace vor {

namespace {

// In UTF-8 the Latin-1 capitals U+00C0..U+00DE are 0xC3 0x80..0x9E and their
// small letters 0xC3 0xA0..0xBE; U+00D7 (multiplication sign) has none.
bool IsLatin1CapitalTail(unsigned char lead, unsigned char tail) {
  return lead == 0xC3 && tail >= 0x80 && tail <= 0x9E && tail != 0x97;
}

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

std::string_view Utf8Prefix(std::string_view s, size_t chars) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (n == chars) return s.substr(0, i);
      ++n;
    }
  }
  return s;
}

std::string CodeKey(std::string_view code) { return FoldAsciiCase(code); }

bool SameCode(std::string_view a, std::string_view b) {
  return EqualsIgnoringCase(a, b);
}

std::string Trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const size_t last = s.find_last_not_of(" \t");
  return std::string(s.substr(first, last - first + 1));
}

std::string FoldAsciiCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

void FoldCase(std::string_view s, std::string* out) {
  out->assign(s);
  for (size_t i = 0; i < out->size(); ++i) {
    char& c = (*out)[i];
    if (i > 0 && IsLatin1CapitalTail(static_cast<unsigned char>((*out)[i - 1]),
                                     static_cast<unsigned char>(c))) {
      c = static_cast<char>(c + 0x20);
    } else {
      c = FoldAscii(c);
    }
  }
}

std::string EscapeMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace vor
