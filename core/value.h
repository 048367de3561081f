// Value: what a field of a Recordset or a column of a query result holds.
// One of: no value (null), Boolean, integer, double, Currency, text (UTF-8),
// date/time. Conversions are explicit and raise Error on failure; numeric
// text is read by a plain number test independent of the locale.
#ifndef VOR_CORE_VALUE_H_
#define VOR_CORE_VALUE_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "core/currency.h"

namespace vor {

using DateTime = std::chrono::sys_seconds;

class Value {
 public:
  enum class Kind { kNull, kBool, kInt, kDouble, kCurrency, kText, kDateTime };

  Value() = default;  // null
  Value(bool b) : v_(b) {}
  Value(int i) : v_(static_cast<int64_t>(i)) {}
  Value(long i) : v_(static_cast<int64_t>(i)) {}
  Value(long long i) : v_(static_cast<int64_t>(i)) {}
  Value(double d) : v_(d) {}
  Value(Currency c) : v_(c) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(DateTime t) : v_(t) {}

  static Value Null() { return Value(); }

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_null() const { return kind() == Kind::kNull; }

  // True for a number, or a text that reads as a plain number (optional
  // sign, digits with at most one '.', at least one digit, optional
  // exponent; no blanks). Null, Booleans, dates and other texts are not
  // numeric.
  bool IsNumeric() const;

  // Conversions. Null raises Error 94 ("Uso inválido de Null"); a value that
  // cannot be converted raises Error 13 naming the value; a number outside
  // the target range raises Error 6.
  // Currency: integers and Currency exactly, doubles by Currency::FromDouble,
  // numeric text exactly (Currency::Parse), Booleans as -1/0.
  Currency ToCurrency() const;
  double ToDouble() const;
  int64_t ToInt() const;  // doubles and Currency rounded half to even
  bool ToBool() const;    // numbers: non-zero; texts "true"/"false"/numbers
  // Text form: numbers in plain decimal with '.', Booleans "True"/"False",
  // dates "yyyy-mm-dd hh:mm:ss" (or "yyyy-mm-dd" at midnight). Null raises 94.
  std::string ToText() const;
  DateTime ToDateTime() const;  // dates, or ISO text

  // Direct access; the caller has checked kind().
  bool AsBool() const { return std::get<bool>(v_); }
  int64_t AsInt() const { return std::get<int64_t>(v_); }
  double AsDouble() const { return std::get<double>(v_); }
  Currency AsCurrency() const { return std::get<Currency>(v_); }
  const std::string& AsText() const { return std::get<std::string>(v_); }
  DateTime AsDateTime() const { return std::get<DateTime>(v_); }

  // Same kind and same content (null equals null). For tests and indexes.
  bool operator==(const Value& o) const { return v_ == o.v_; }

  // A short description for error texts: the text in quotes (on one line,
  // control bytes shown: EscapeControlBytes), a number, or "Null".
  std::string Describe() const;

 private:
  std::variant<std::monostate, bool, int64_t, double, Currency, std::string,
               DateTime>
      v_;
};

// True when `text` is a plain number as IsNumeric describes.
bool IsNumericText(std::string_view text);

}  // namespace vor

#endif  // VOR_CORE_VALUE_H_
