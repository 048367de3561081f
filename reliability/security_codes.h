// Codes that try to break out of a quoted literal, for the security tests:
// a fixed list of hostile codes (quotes, statement ends, comment markers,
// brackets, line breaks, Unicode look-alikes of the quote) and seeded random
// codes built from the same kinds of pieces. Every code is valid UTF-8
// without NUL, as a code read from the ERP always is.
#ifndef VOR_RELIABILITY_SECURITY_CODES_H_
#define VOR_RELIABILITY_SECURITY_CODES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vor::security {

// The fixed hostile codes, the empty code among them.
std::vector<std::string> HostileCodes();

// `count` random codes of 0 to `max_pieces` pieces drawn from `seed`; the
// same seed always gives the same codes.
std::vector<std::string> RandomCodes(uint32_t seed, int count,
                                     int max_pieces = 12);

// HostileCodes followed by RandomCodes(seed, count), without repeats.
std::vector<std::string> TestCodes(uint32_t seed, int count);

// `s` with the ASCII letters in small letters (how SQLite's NOCASE compares).
std::string AsciiLower(const std::string& s);
std::string AsciiUpper(const std::string& s);

// The codes of `codes` that stay distinct from each other when compared
// without regard to ASCII letter case, in their first order.
std::vector<std::string> DistinctIgnoringAsciiCase(
    const std::vector<std::string>& codes);

}  // namespace vor::security

#endif  // VOR_RELIABILITY_SECURITY_CODES_H_
