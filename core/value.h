// Value: what a field of a Recordset or a column of a query result holds.
// One of: no value (null), Boolean, integer, double, Currency, text (UTF-8),
// date/time. Conversions are explicit and raise Error on failure; numeric
// text is read by a plain number test independent of the locale.
#ifndef VOR_CORE_VALUE_H_
#define VOR_CORE_VALUE_H_

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/currency.h"

namespace vor {

using DateTime = std::chrono::sys_seconds;

class Value {
 public:
  enum class Kind { kNull, kBool, kInt, kDouble, kCurrency, kText, kDateTime };

  Value() = default;  // null (kind 0)
  Value(bool b) { Store(Kind::kBool, b); }
  Value(int i) { Store(Kind::kInt, static_cast<int64_t>(i)); }
  Value(long i) { Store(Kind::kInt, static_cast<int64_t>(i)); }
  Value(long long i) { Store(Kind::kInt, static_cast<int64_t>(i)); }
  Value(double d) { Store(Kind::kDouble, d); }
  Value(Currency c) { Store(Kind::kCurrency, c.raw()); }
  Value(const std::string& s) { SetText(s); }
  Value(const char* s) { SetText(s); }
  Value(std::string_view s) { SetText(s); }
  Value(DateTime t) { Store(Kind::kDateTime, t.time_since_epoch().count()); }

  Value(const Value& o);
  Value(Value&& o) noexcept;
  Value& operator=(const Value& o);
  Value& operator=(Value&& o) noexcept;
  ~Value() { Release(); }

  static Value Null() { return Value(); }

  Kind kind() const { return static_cast<Kind>(bytes_[kKindByte]); }
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

  // Direct access; the caller has checked kind() (another kind raises
  // std::bad_variant_access). The text stays valid while this Value lives
  // unchanged and is not moved.
  bool AsBool() const { return Load<bool>(Kind::kBool); }
  int64_t AsInt() const { return Load<int64_t>(Kind::kInt); }
  double AsDouble() const { return Load<double>(Kind::kDouble); }
  Currency AsCurrency() const {
    return Currency::FromRaw(Load<int64_t>(Kind::kCurrency));
  }
  std::string_view AsText() const;
  DateTime AsDateTime() const {
    return DateTime(std::chrono::seconds(Load<int64_t>(Kind::kDateTime)));
  }

  // Same kind and same content (null equals null). For tests and indexes.
  bool operator==(const Value& o) const;

  // A short description for error texts: the text in quotes (on one line,
  // control bytes shown: EscapeControlBytes), a number, or "Null".
  std::string Describe() const;

 private:
  // Sixteen bytes, as the working tables hold millions of values: the kind
  // in the last byte; a number (or a date's seconds) in the first eight; a
  // text of at most kShortText bytes in the first fourteen, its length in
  // byte kSizeByte; a longer text on the heap (its length, then its bytes),
  // pointed to by the first eight, with kLongText in byte kSizeByte.
  static constexpr size_t kShortText = 14;
  static constexpr size_t kSizeByte = 14;
  static constexpr size_t kKindByte = 15;
  static constexpr unsigned char kLongText = 0xFF;

  void SetKind(Kind k) { bytes_[kKindByte] = static_cast<unsigned char>(k); }
  template <typename T>
  void Store(Kind k, T v) {
    std::memcpy(bytes_, &v, sizeof v);
    SetKind(k);
  }
  template <typename T>
  T Load(Kind k) const {
    if (kind() != k) ThrowWrongKind();
    T v;
    std::memcpy(&v, bytes_, sizeof v);
    return v;
  }
  bool IsLongText() const {
    return kind() == Kind::kText && bytes_[kSizeByte] == kLongText;
  }
  char* LongBlock() const {
    char* block;
    std::memcpy(&block, bytes_, sizeof block);
    return block;
  }
  void SetText(std::string_view s);
  void Release() {
    if (IsLongText()) delete[] LongBlock();
  }
  [[noreturn]] static void ThrowWrongKind();

  alignas(8) unsigned char bytes_[16] = {};
};

// True when `text` is a plain number as IsNumeric describes.
bool IsNumericText(std::string_view text);

}  // namespace vor

#endif  // VOR_CORE_VALUE_H_
