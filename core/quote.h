// QuoteCode: the one helper that places a code inside a single-quoted SQL or
// filter literal. Every embedded single quote is doubled, so a code such as
// O'BRIEN is read as itself and can never change the statement.
#ifndef VOR_CORE_QUOTE_H_
#define VOR_CORE_QUOTE_H_

#include <string>
#include <string_view>

namespace vor {

// The code with every ' doubled (the surrounding quotes are the caller's).
inline std::string QuoteCode(std::string_view code) {
  std::string out;
  out.reserve(code.size() + 2);
  for (char c : code) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

}  // namespace vor

#endif  // VOR_CORE_QUOTE_H_
