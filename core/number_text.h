// Number text: the plain number grammar shared by the fixed-point type and
// Value, and the exact rounding helpers built on it. The grammar is
//   [+|-] digits [ '.' digits ] [ (e|E) [+|-] digits ]
// with at least one digit before the exponent, no blanks, '.' as the only
// decimal separator, whatever the machine's locale.
#ifndef VOR_CORE_NUMBER_TEXT_H_
#define VOR_CORE_NUMBER_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vor {

// The parts of a number text. The digit views point into the scanned text.
struct ScannedNumber {
  bool negative = false;
  std::string_view int_digits;   // digits before '.', may be empty
  std::string_view frac_digits;  // digits after '.', may be empty
  int64_t exponent = 0;          // saturated at +/- kExponentLimit
};

// Exponents beyond this magnitude are held as this magnitude: every non-zero
// number with such an exponent is out of any range we represent, or zero.
inline constexpr int64_t kExponentLimit = 1000000000;

// Splits `text` into its parts; false when it does not follow the grammar.
bool ScanNumber(std::string_view text, ScannedNumber* out);

// The scanned number times 10^places, rounded to an integer half to even on
// the exact decimal digits. False when the result leaves the int64 range.
bool ScaleToInt64(const ScannedNumber& n, int places, int64_t* out);

// `x` rounded to the nearest integer, halves to even. False when x is NaN,
// infinite or the result leaves the int64 range (2^63 itself is outside).
bool RoundDoubleToInt64(double x, int64_t* out);

// The shortest text that reads back as `d`, in the general format ("1.5",
// "1e+20"); used in error descriptions.
std::string ShortDouble(double d);

}  // namespace vor

#endif  // VOR_CORE_NUMBER_TEXT_H_
