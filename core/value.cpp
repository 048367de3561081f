#include "core/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <variant>

#include "core/control_bytes.h"
#include "core/error.h"
#include "core/number_text.h"
#include "core/text_util.h"

namespace vor {

namespace {

// Longest text quoted whole in an error description, in characters.
constexpr size_t kDescribeLimit = 40;

[[noreturn]] void ThrowNull() {
  throw Error(errnum::kInvalidUseOfNull, "Uso inválido de Null");
}

[[noreturn]] void ThrowMismatch(const Value& v, const char* target) {
  throw Error(errnum::kTypeMismatch, "Tipo incompatível: " + v.Describe() +
                                         " não pode ser convertido em " +
                                         target);
}

[[noreturn]] void ThrowOverflow(const Value& v, const char* target) {
  throw Error(errnum::kOverflow,
              "Overflow: " + v.Describe() + " excede o intervalo de " + target);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Plain decimal of a double: the shortest digits that read back as `d`,
// never an exponent.
std::string PlainDouble(double d) {
  if (!std::isfinite(d)) return ShortDouble(d);
  char buf[400];  // the widest fixed form of a double has about 330 chars
  auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
  if (res.ec != std::errc()) return ShortDouble(d);
  return std::string(buf, res.ptr);
}

std::string FormatDateTime(DateTime t) {
  using namespace std::chrono;
  auto day = floor<days>(t);
  year_month_day ymd{day};
  hh_mm_ss hms{t - day};
  char buf[48];
  int n;
  if (hms.to_duration().count() == 0) {
    n = std::snprintf(
        buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  } else {
    n = std::snprintf(
        buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d",
        static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
        static_cast<unsigned>(ymd.day()), static_cast<int>(hms.hours().count()),
        static_cast<int>(hms.minutes().count()),
        static_cast<int>(hms.seconds().count()));
  }
  return std::string(buf, static_cast<size_t>(n));
}

// Reads `count` digits at `pos` of `s` into `out`.
bool ReadFixedDigits(std::string_view s, size_t pos, size_t count, int* out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *out = v;
  return true;
}

// "yyyy-mm-dd", optionally followed by ' ' or 'T' and "hh:mm:ss" with an
// optional fraction of a second (dropped), as databases return dates.
bool ParseIsoDateTime(std::string_view s, DateTime* out) {
  using namespace std::chrono;
  int y, mo, d, h = 0, mi = 0, se = 0;
  if (!ReadFixedDigits(s, 0, 4, &y) || s.size() < 10 || s[4] != '-' ||
      !ReadFixedDigits(s, 5, 2, &mo) || s[7] != '-' ||
      !ReadFixedDigits(s, 8, 2, &d)) {
    return false;
  }
  if (s.size() > 10) {
    if ((s[10] != ' ' && s[10] != 'T') || s.size() < 19 ||
        !ReadFixedDigits(s, 11, 2, &h) || s[13] != ':' ||
        !ReadFixedDigits(s, 14, 2, &mi) || s[16] != ':' ||
        !ReadFixedDigits(s, 17, 2, &se)) {
      return false;
    }
    if (s.size() > 19) {
      if (s[19] != '.' || s.size() == 20) return false;
      for (size_t i = 20; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
      }
    }
    if (h > 23 || mi > 59 || se > 59) return false;
  }
  year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)},
                     day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) return false;
  *out = sys_days{ymd} + hours{h} + minutes{mi} + seconds{se};
  return true;
}

}  // namespace

bool IsNumericText(std::string_view text) { return ScanNumber(text, nullptr); }

static_assert(sizeof(Value) == 16, "a Value is sixteen bytes");

Value::Value(const Value& o) {
  if (o.IsLongText()) {
    SetText(o.AsText());
  } else {
    std::memcpy(bytes_, o.bytes_, sizeof bytes_);
  }
}

Value::Value(Value&& o) noexcept {
  std::memcpy(bytes_, o.bytes_, sizeof bytes_);
  o.SetKind(Kind::kNull);  // the long text, if any, is this one's now
}

Value& Value::operator=(const Value& o) {
  if (this != &o) *this = Value(o);
  return *this;
}

Value& Value::operator=(Value&& o) noexcept {
  if (this != &o) {
    Release();
    std::memcpy(bytes_, o.bytes_, sizeof bytes_);
    o.SetKind(Kind::kNull);
  }
  return *this;
}

void Value::SetText(std::string_view s) {
  if (s.size() <= kShortText) {
    std::memset(bytes_, 0, sizeof bytes_);
    if (!s.empty()) std::memcpy(bytes_, s.data(), s.size());
    bytes_[kSizeByte] = static_cast<unsigned char>(s.size());
  } else {
    const size_t size = s.size();
    char* block = new char[sizeof size + size];
    std::memcpy(block, &size, sizeof size);
    std::memcpy(block + sizeof size, s.data(), size);
    std::memcpy(bytes_, &block, sizeof block);
    bytes_[kSizeByte] = kLongText;
  }
  SetKind(Kind::kText);
}

std::string_view Value::AsText() const {
  if (kind() != Kind::kText) ThrowWrongKind();
  if (bytes_[kSizeByte] != kLongText) {
    return std::string_view(reinterpret_cast<const char*>(bytes_),
                            bytes_[kSizeByte]);
  }
  const char* block = LongBlock();
  size_t size;
  std::memcpy(&size, block, sizeof size);
  return std::string_view(block + sizeof size, size);
}

bool Value::operator==(const Value& o) const {
  if (kind() != o.kind()) return false;
  switch (kind()) {
    case Kind::kNull:
      return true;
    case Kind::kBool:
      return AsBool() == o.AsBool();
    case Kind::kDouble:
      return AsDouble() == o.AsDouble();
    case Kind::kText:
      return AsText() == o.AsText();
    case Kind::kInt:
    case Kind::kCurrency:
    case Kind::kDateTime:
      break;
  }
  int64_t a, b;
  std::memcpy(&a, bytes_, sizeof a);
  std::memcpy(&b, o.bytes_, sizeof b);
  return a == b;
}

void Value::ThrowWrongKind() { throw std::bad_variant_access(); }

bool Value::IsNumeric() const {
  switch (kind()) {
    case Kind::kInt:
    case Kind::kDouble:
    case Kind::kCurrency:
      return true;
    case Kind::kText:
      return IsNumericText(AsText());
    default:
      return false;
  }
}

Currency Value::ToCurrency() const {
  switch (kind()) {
    case Kind::kNull:
      ThrowNull();
    case Kind::kBool:
      return Currency::FromRaw(AsBool() ? -Currency::kScale : 0);
    case Kind::kInt:
      return Currency::FromInt(AsInt());
    case Kind::kDouble:
      return Currency::FromDouble(AsDouble());
    case Kind::kCurrency:
      return AsCurrency();
    case Kind::kText: {
      Currency c;
      if (!Currency::TryParse(AsText(), &c)) ThrowMismatch(*this, "número");
      return c;
    }
    case Kind::kDateTime:
      break;
  }
  ThrowMismatch(*this, "número");
}

double Value::ToDouble() const {
  switch (kind()) {
    case Kind::kNull:
      ThrowNull();
    case Kind::kBool:
      return AsBool() ? -1.0 : 0.0;
    case Kind::kInt:
      return static_cast<double>(AsInt());
    case Kind::kDouble:
      return AsDouble();
    case Kind::kCurrency:
      return AsCurrency().ToDouble();
    case Kind::kText: {
      ScannedNumber n;
      const std::string_view s = AsText();
      if (!ScanNumber(s, &n)) ThrowMismatch(*this, "número");
      // from_chars reads no leading '+'; the grammar was checked above.
      const char* first = s.data() + (s[0] == '+' ? 1 : 0);
      double d = 0;
      auto res = std::from_chars(first, s.data() + s.size(), d);
      if (res.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is an overflow.
        // Position of the leading digit against the decimal point tells
        // which one it is.
        size_t lead = 0;
        std::string all =
            std::string(n.int_digits) + std::string(n.frac_digits);
        while (lead < all.size() && all[lead] == '0') ++lead;
        int64_t magnitude = static_cast<int64_t>(n.int_digits.size()) -
                            static_cast<int64_t>(lead) + n.exponent;
        if (magnitude > 0)
          ThrowOverflow(*this, "um número de vírgula flutuante");
        return n.negative ? -0.0 : 0.0;
      }
      if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
        ThrowMismatch(*this, "número");
      }
      return d;
    }
    case Kind::kDateTime:
      break;
  }
  ThrowMismatch(*this, "número");
}

int64_t Value::ToInt() const {
  switch (kind()) {
    case Kind::kNull:
      ThrowNull();
    case Kind::kBool:
      return AsBool() ? -1 : 0;
    case Kind::kInt:
      return AsInt();
    case Kind::kDouble: {
      int64_t r;
      if (!RoundDoubleToInt64(AsDouble(), &r)) {
        ThrowOverflow(*this, "um número inteiro");
      }
      return r;
    }
    case Kind::kCurrency: {
      int64_t raw = AsCurrency().raw();
      int64_t q = raw / Currency::kScale;
      int64_t r = raw % Currency::kScale;
      int64_t ar = r < 0 ? -r : r;
      if (ar > Currency::kScale / 2 ||
          (ar == Currency::kScale / 2 && (q & 1) != 0)) {
        q += raw < 0 ? -1 : 1;
      }
      return q;
    }
    case Kind::kText: {
      ScannedNumber n;
      if (!ScanNumber(AsText(), &n)) ThrowMismatch(*this, "número");
      int64_t r;
      if (!ScaleToInt64(n, 0, &r)) ThrowOverflow(*this, "um número inteiro");
      return r;
    }
    case Kind::kDateTime:
      break;
  }
  ThrowMismatch(*this, "número");
}

bool Value::ToBool() const {
  switch (kind()) {
    case Kind::kNull:
      ThrowNull();
    case Kind::kBool:
      return AsBool();
    case Kind::kInt:
      return AsInt() != 0;
    case Kind::kDouble:
      return AsDouble() != 0;
    case Kind::kCurrency:
      return AsCurrency().raw() != 0;
    case Kind::kText: {
      const std::string_view s = AsText();
      if (EqualsIgnoringAsciiCase(s, "true")) return true;
      if (EqualsIgnoringAsciiCase(s, "false")) return false;
      ScannedNumber n;
      if (!ScanNumber(s, &n)) ThrowMismatch(*this, "Booleano");
      for (char c : n.int_digits) {
        if (c != '0') return true;
      }
      for (char c : n.frac_digits) {
        if (c != '0') return true;
      }
      return false;
    }
    case Kind::kDateTime:
      break;
  }
  ThrowMismatch(*this, "Booleano");
}

std::string Value::ToText() const {
  switch (kind()) {
    case Kind::kNull:
      ThrowNull();
    case Kind::kBool:
      return AsBool() ? "True" : "False";
    case Kind::kInt:
      return std::to_string(AsInt());
    case Kind::kDouble:
      return PlainDouble(AsDouble());
    case Kind::kCurrency:
      return AsCurrency().ToString();
    case Kind::kText:
      return std::string(AsText());
    case Kind::kDateTime:
      return FormatDateTime(AsDateTime());
  }
  ThrowMismatch(*this, "texto");
}

DateTime Value::ToDateTime() const {
  switch (kind()) {
    case Kind::kNull:
      ThrowNull();
    case Kind::kDateTime:
      return AsDateTime();
    case Kind::kText: {
      DateTime t;
      if (ParseIsoDateTime(AsText(), &t)) return t;
      break;
    }
    default:
      break;
  }
  ThrowMismatch(*this, "data");
}

std::string Value::Describe() const {
  switch (kind()) {
    case Kind::kNull:
      return "Null";
    case Kind::kText: {
      // Shown on one line and as valid UTF-8: the text may be an ERP's.
      const std::string s = EscapeControlBytes(AsText());
      if (Utf8Length(s) <= kDescribeLimit) return "'" + s + "'";
      return "'" + std::string(Utf8Prefix(s, kDescribeLimit)) + "...'";
    }
    case Kind::kDouble:
      return ShortDouble(AsDouble());
    default:
      return ToText();
  }
}

}  // namespace vor
