// Currency: the fixed-point decimal of the program. A 64-bit signed integer
// scaled by 10 000 (four decimal places), range -922337203685477.5808 to
// 922337203685477.5807. Sums, differences and comparisons are exact; every
// operation that would leave the range raises Error 6 (never wraps or
// saturates). Products and quotients with fractional factors go through
// double (see FromDouble), as the quantity rules require.
#ifndef VOR_CORE_CURRENCY_H_
#define VOR_CORE_CURRENCY_H_

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace vor {

class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;

  // The value whose scaled representation is `raw` (raw / 10000).
  static constexpr Currency FromRaw(int64_t raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }
  // The whole number `v`. Error 6 when v * 10000 leaves the range.
  static Currency FromInt(int64_t v);
  // d * 10000 computed in double, rounded to the nearest integer, halves to
  // even. Error 6 when the result is outside the range, or d is NaN/inf.
  static Currency FromDouble(double d);
  // Exact decimal reading: optional sign, digits, optional '.' and digits,
  // optional exponent (e/E, sign, digits). Places beyond the fourth are
  // rounded half to even on the exact decimal digits. Leading and trailing
  // blanks are not accepted. Returns false on malformed text; raises Error 6
  // when the number is well formed but outside the range.
  static bool TryParse(std::string_view text, Currency* out);
  // As TryParse, but malformed text raises Error 13 naming the text.
  static Currency Parse(std::string_view text);

  constexpr int64_t raw() const { return raw_; }
  double ToDouble() const;
  // Plain decimal with '.', no exponent, no trailing zeros ("12.5", "-0.0001",
  // "3").
  std::string ToString() const;

  // Rounded to two decimal places, halves to even, decided on the exact
  // four-place value (12.345 -> 12.34, 12.355 -> 12.36).
  Currency RoundTo2() const;

  Currency operator+(Currency o) const;
  Currency operator-(Currency o) const;
  Currency operator-() const;
  Currency& operator+=(Currency o) { return *this = *this + o; }
  Currency& operator-=(Currency o) { return *this = *this - o; }
  constexpr auto operator<=>(const Currency&) const = default;
  constexpr bool operator==(const Currency&) const = default;

 private:
  int64_t raw_ = 0;
};

}  // namespace vor

#endif  // VOR_CORE_CURRENCY_H_
