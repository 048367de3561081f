#include "core/currency.h"

#include <cstdlib>
#include <limits>

#include "core/error.h"
#include "core/number_text.h"

namespace vor {

namespace {

constexpr const char* kOutOfRange = " excede o intervalo do tipo de ponto fixo";

[[noreturn]] void ThrowOverflow(const std::string& what) {
  throw Error(errnum::kOverflow, "Overflow: " + what + kOutOfRange);
}

}  // namespace

Currency Currency::FromInt(int64_t v) {
  int64_t raw;
  if (__builtin_mul_overflow(v, kScale, &raw)) {
    ThrowOverflow(std::to_string(v));
  }
  return FromRaw(raw);
}

Currency Currency::FromDouble(double d) {
  int64_t raw;
  if (!RoundDoubleToInt64(d * static_cast<double>(kScale), &raw)) {
    ThrowOverflow(ShortDouble(d));
  }
  return FromRaw(raw);
}

bool Currency::TryParse(std::string_view text, Currency* out) {
  ScannedNumber n;
  if (!ScanNumber(text, &n)) return false;
  int64_t raw;
  if (!ScaleToInt64(n, 4, &raw)) ThrowOverflow(std::string(text));
  *out = FromRaw(raw);
  return true;
}

Currency Currency::Parse(std::string_view text) {
  Currency c;
  if (!TryParse(text, &c)) {
    throw Error(
        errnum::kTypeMismatch,
        "Tipo incompatível: '" + std::string(text) + "' não é um número");
  }
  return c;
}

double Currency::ToDouble() const {
  return static_cast<double>(raw_) / static_cast<double>(kScale);
}

std::string Currency::ToString() const {
  // Work on the magnitude as unsigned so that the lowest value has one too.
  uint64_t mag = raw_ < 0 ? uint64_t{0} - static_cast<uint64_t>(raw_)
                          : static_cast<uint64_t>(raw_);
  std::string out = raw_ < 0 ? "-" : "";
  out += std::to_string(mag / kScale);
  uint64_t frac = mag % kScale;
  if (frac != 0) {
    char digits[5] = {'0', '0', '0', '0', '\0'};
    for (int i = 3; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + frac % 10);
      frac /= 10;
    }
    int len = 4;
    while (digits[len - 1] == '0') --len;
    out += '.';
    out.append(digits, len);
  }
  return out;
}

Currency Currency::RoundTo2() const {
  // C++ division truncates toward zero, so the remainder has the sign of
  // raw_; round its magnitude and step away from zero when needed. The
  // result always stays inside the range (the extremes end in ...07/...08).
  int64_t q = raw_ / 100;
  int64_t r = raw_ % 100;
  int64_t ar = r < 0 ? -r : r;
  if (ar > 50 || (ar == 50 && (q & 1) != 0)) q += raw_ < 0 ? -1 : 1;
  return FromRaw(q * 100);
}

Currency Currency::operator+(Currency o) const {
  int64_t raw;
  if (__builtin_add_overflow(raw_, o.raw_, &raw)) {
    ThrowOverflow(ToString() + " + " + o.ToString());
  }
  return FromRaw(raw);
}

Currency Currency::operator-(Currency o) const {
  int64_t raw;
  if (__builtin_sub_overflow(raw_, o.raw_, &raw)) {
    ThrowOverflow(ToString() + " - " + o.ToString());
  }
  return FromRaw(raw);
}

Currency Currency::operator-() const {
  int64_t raw;
  if (__builtin_sub_overflow(int64_t{0}, raw_, &raw)) {
    ThrowOverflow("-(" + ToString() + ")");
  }
  return FromRaw(raw);
}

}  // namespace vor
