// Fuzz target of the numeric-text reading of values: any text is read as a
// number, a fixed-point value, an integer and a Boolean without a fault; the
// readings agree with the grammar test and with each other; and any double
// written as text reads back as itself.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/currency.h"
#include "core/error.h"
#include "core/number_text.h"
#include "core/value.h"
#include "fuzz/fuzz_check.h"

namespace {

// Runs `read`; true when it returned, false when it raised an Error whose
// number is `a` or `b` (anything else is a broken property).
template <typename F>
bool Reads(F&& read, long a, long b) {
  try {
    read();
    return true;
  } catch (const vor::Error& e) {
    VOR_FUZZ_CHECK(e.number() == a || e.number() == b, e.description().c_str());
    return false;
  }
}

void FuzzText(const std::string& text) {
  const bool numeric = vor::IsNumericText(text);
  vor::ScannedNumber scanned;
  VOR_FUZZ_CHECK(vor::ScanNumber(text, &scanned) == numeric, "scan and test");
  const vor::Value v(text);
  VOR_FUZZ_CHECK(v.IsNumeric() == numeric, "Value::IsNumeric");

  vor::Currency c;
  bool parsed = false;
  const bool no_overflow =
      Reads([&] { parsed = vor::Currency::TryParse(text, &c); },
            vor::errnum::kOverflow, vor::errnum::kOverflow);
  VOR_FUZZ_CHECK(!no_overflow || parsed == numeric, "TryParse and grammar");
  VOR_FUZZ_CHECK(no_overflow || numeric,
                 "overflow of a text that is no number");
  if (no_overflow && parsed) {
    // The fixed-point text form reads back as the same value.
    VOR_FUZZ_CHECK(vor::Currency::Parse(c.ToString()) == c, "text round trip");
    VOR_FUZZ_CHECK(v.ToCurrency() == c, "Value::ToCurrency");
  }

  double d = 0;
  const bool read_double =
      Reads([&] { d = v.ToDouble(); }, vor::errnum::kTypeMismatch,
            vor::errnum::kOverflow);
  // Only a number beyond the double range (an exponent or some 300
  // digits) can fail to read as a double.
  VOR_FUZZ_CHECK(read_double || !numeric ||
                     text.find_first_of("eE") != std::string::npos ||
                     text.size() > 300,
                 "a plain number that is no double");
  if (read_double) {
    VOR_FUZZ_CHECK(numeric, "a double from a text that is no number");
    VOR_FUZZ_CHECK(std::isfinite(d), "a double that is not finite");
    // The C library reads the same digits to the same double.
    const double libc = std::strtod(text.c_str(), nullptr);
    VOR_FUZZ_CHECK(libc == d, "Value::ToDouble against strtod");
  }
  Reads([&] { v.ToInt(); }, vor::errnum::kTypeMismatch, vor::errnum::kOverflow);
  Reads([&] { v.ToBool(); }, vor::errnum::kTypeMismatch,
        vor::errnum::kTypeMismatch);
  Reads([&] { v.ToDateTime(); }, vor::errnum::kTypeMismatch,
        vor::errnum::kTypeMismatch);
}

// Eight bytes as a double: its text form reads back as the same double,
// and its conversions fail only by overflow.
void FuzzDouble(const uint8_t* data) {
  double d;
  std::memcpy(&d, data, sizeof d);
  if (!std::isfinite(d)) return;
  const vor::Value v(d);
  const vor::Value back(v.ToText());
  VOR_FUZZ_CHECK(back.ToDouble() == d, "a double through its text");
  Reads([&] { vor::Currency::FromDouble(d); }, vor::errnum::kOverflow,
        vor::errnum::kOverflow);
  int64_t rounded;
  if (vor::RoundDoubleToInt64(d, &rounded)) {
    VOR_FUZZ_CHECK(std::fabs(static_cast<double>(rounded) - d) <= 0.5,
                   "rounding moved more than a half");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FuzzText(text);
  if (size >= sizeof(double)) FuzzDouble(data);
  return 0;
}
