#include "core/figure_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vor {
namespace {

// The no-break space between thousands.
constexpr const char* kThousands = "\u00a0";
// Thousands are set apart from this many digits before the decimal sign on.
constexpr size_t kGroupFrom = 5;

// A figure from its sign and digits: `whole` the digits before the decimal
// sign (at least one), `fraction` those after it (none: no decimal sign).
std::string Compose(bool negative, const std::string& whole,
                    const std::string& fraction, FigureLayout layout) {
  std::string out = negative ? "-" : "";
  const bool group = layout.grouped && whole.size() >= kGroupFrom;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (group && i > 0 && (whole.size() - i) % 3 == 0) out += kThousands;
    out += whole[i];
  }
  if (!fraction.empty()) {
    out += layout.decimal;
    out += fraction;
  }
  return out;
}

// The magnitude of `raw` (a Currency's scaled value) as whole digits and
// four decimal digits; the lowest value has one too.
void Digits(int64_t raw, std::string* whole, std::string* fraction) {
  const uint64_t mag = raw < 0 ? uint64_t{0} - static_cast<uint64_t>(raw)
                               : static_cast<uint64_t>(raw);
  const uint64_t scale = static_cast<uint64_t>(Currency::kScale);
  *whole = std::to_string(mag / scale);
  char places[8];
  std::snprintf(places, sizeof places, "%04llu",
                static_cast<unsigned long long>(mag % scale));
  *fraction = places;
}

}  // namespace

std::string FigureText::Quantity(Currency value, FigureLayout layout) {
  std::string whole, fraction;
  Digits(value.raw(), &whole, &fraction);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return Compose(value.raw() < 0, whole, fraction, layout);
}

std::string FigureText::Quantity(double value, FigureLayout layout) {
  if (std::isnan(value)) return "";
  if (std::fabs(value) < 9e14) {
    return Quantity(Currency::FromDouble(value), layout);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string FigureText::Money(Currency value, FigureLayout layout) {
  // Cents: the magnitude's hundredths of the fourth place, up from half.
  const int64_t raw = value.raw();
  const uint64_t mag = raw < 0 ? uint64_t{0} - static_cast<uint64_t>(raw)
                               : static_cast<uint64_t>(raw);
  const uint64_t cents = mag / 100 + (mag % 100 >= 50 ? 1 : 0);
  char places[4];
  std::snprintf(places, sizeof places, "%02llu",
                static_cast<unsigned long long>(cents % 100));
  return Compose(raw < 0 && cents != 0, std::to_string(cents / 100), places,
                 layout);
}

std::string FigureText::Price(Currency value, FigureLayout layout) {
  std::string whole, fraction;
  Digits(value.raw(), &whole, &fraction);
  while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
  return Compose(value.raw() < 0, whole, fraction, layout);
}

std::string FigureText::Days(Currency days, FigureLayout layout) {
  // Tenths: the magnitude's thousandths of the fourth place, up from half.
  const int64_t raw = days.raw();
  const uint64_t mag = raw < 0 ? uint64_t{0} - static_cast<uint64_t>(raw)
                               : static_cast<uint64_t>(raw);
  const uint64_t tenths = mag / 1000 + (mag % 1000 >= 500 ? 1 : 0);
  const std::string fraction =
      tenths % 10 == 0 ? std::string() : std::to_string(tenths % 10);
  return Compose(raw < 0 && tenths != 0, std::to_string(tenths / 10), fraction,
                 layout);
}

std::string FigureText::DayCount(Currency days) {
  const std::string figure = Days(days);
  return figure + (figure == "1" || figure == "-1" ? " dia" : " dias");
}

std::string FigureText::Date(LocalTime time) {
  return FormatLocalTime(time, "%d-%m-%Y");
}

std::string FigureText::DateTime(LocalTime time) {
  return FormatLocalTime(time, "%d-%m-%Y às %H:%M");
}

}  // namespace vor
