#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vor {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the run of digits at the start of `s`.
size_t DigitRun(std::string_view s) {
  size_t n = 0;
  while (n < s.size() && IsDigit(s[n])) ++n;
  return n;
}

}  // namespace

bool ScanNumber(std::string_view text, ScannedNumber* out) {
  ScannedNumber n;
  std::string_view s = text;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    n.negative = s[0] == '-';
    s.remove_prefix(1);
  }
  size_t k = DigitRun(s);
  n.int_digits = s.substr(0, k);
  s.remove_prefix(k);
  if (!s.empty() && s[0] == '.') {
    s.remove_prefix(1);
    k = DigitRun(s);
    n.frac_digits = s.substr(0, k);
    s.remove_prefix(k);
  }
  if (n.int_digits.empty() && n.frac_digits.empty()) return false;
  if (!s.empty() && (s[0] == 'e' || s[0] == 'E')) {
    s.remove_prefix(1);
    bool negative_exponent = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
      negative_exponent = s[0] == '-';
      s.remove_prefix(1);
    }
    k = DigitRun(s);
    if (k == 0) return false;
    int64_t e = 0;
    for (size_t i = 0; i < k; ++i) {
      e = e * 10 + (s[i] - '0');
      if (e > kExponentLimit) e = kExponentLimit;
    }
    n.exponent = negative_exponent ? -e : e;
    s.remove_prefix(k);
  }
  if (!s.empty()) return false;
  if (out != nullptr) *out = n;
  return true;
}

bool ScaleToInt64(const ScannedNumber& n, int places, int64_t* out) {
  const size_t ni = n.int_digits.size();
  const int64_t len = static_cast<int64_t>(ni + n.frac_digits.size());
  auto digit = [&](int64_t i) -> unsigned {
    size_t u = static_cast<size_t>(i);
    return static_cast<unsigned>(
        (u < ni ? n.int_digits[u] : n.frac_digits[u - ni]) - '0');
  };
  const uint64_t limit =
      n.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  // value = digits * 10^shift
  const int64_t shift =
      n.exponent - static_cast<int64_t>(n.frac_digits.size()) + places;
  const int64_t keep = shift >= 0 ? len : len + shift;

  uint64_t mag = 0;
  auto push = [&](unsigned d) {
    if (mag > (limit - d) / 10) return false;
    mag = mag * 10 + d;
    return true;
  };
  for (int64_t i = 0; i < keep; ++i) {
    if (!push(digit(i))) return false;
  }
  if (shift > 0 && mag != 0) {
    for (int64_t i = 0; i < shift; ++i) {
      if (!push(0)) return false;
    }
  }
  if (shift < 0 && keep >= 0 && keep < len) {
    // Dropped digits decide the rounding: above half up, below half down,
    // exactly half to the even neighbour.
    unsigned first = digit(keep);
    bool rest_nonzero = false;
    for (int64_t i = keep + 1; i < len && !rest_nonzero; ++i) {
      rest_nonzero = digit(i) != 0;
    }
    bool up = first > 5 || (first == 5 && (rest_nonzero || (mag & 1) != 0));
    if (up) {
      if (mag == limit) return false;
      ++mag;
    }
  }
  // keep < 0: the number is below a tenth of the last place, rounds to 0.
  if (n.negative) {
    *out = mag == (uint64_t{1} << 63) ? std::numeric_limits<int64_t>::min()
                                      : -static_cast<int64_t>(mag);
  } else {
    *out = static_cast<int64_t>(mag);
  }
  return true;
}

bool RoundDoubleToInt64(double x, int64_t* out) {
  if (!std::isfinite(x)) return false;
  double fl = std::floor(x);
  double diff = x - fl;  // exact for every finite double
  double r;
  if (diff > 0.5) {
    r = fl + 1;
  } else if (diff < 0.5) {
    r = fl;
  } else {
    r = std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
  }
  // -2^63 is representable and in range; 2^63 is the first value outside.
  constexpr double kTwo63 = 9223372036854775808.0;
  if (r < -kTwo63 || r >= kTwo63) return false;
  *out = static_cast<int64_t>(r);
  return true;
}

std::string ShortDouble(double d) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

}  // namespace vor
