#include "db/qt_values.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QTime>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/error.h"
#include "core/number_text.h"
#include "core/text_util.h"

namespace vor {

std::string ToStd(const QString& s) { return s.toUtf8().toStdString(); }

namespace {

bool IsOdbcDecimal(int sql_type) { return sql_type == 2 || sql_type == 3; }

bool IsOdbcFloat(int sql_type) {
  return sql_type == 6 || sql_type == 7 || sql_type == 8;
}

// Exact reading of decimal text; a number outside the Currency range, or
// text that is no number, is read as a double or left as text.
Value DecimalText(const std::string& text) {
  ScannedNumber n;
  if (!ScanNumber(text, &n)) return Value(text);
  int64_t raw = 0;
  if (ScaleToInt64(n, 4, &raw)) return Value(Currency::FromRaw(raw));
  double d = 0;
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  const auto r = std::from_chars(first, text.data() + text.size(), d);
  if (r.ec == std::errc()) return Value(d);
  return Value(text);
}

Value FloatText(const std::string& text) {
  double d = 0;
  const char* first = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
  const auto r = std::from_chars(first, text.data() + text.size(), d);
  if (r.ec == std::errc() && r.ptr == text.data() + text.size()) {
    return Value(d);
  }
  return Value(text);
}

DateTime FromQDateTime(const QDate& date, const QTime& time) {
  using namespace std::chrono;
  const sys_days midnight = year_month_day{
      year{date.year()}, month{static_cast<unsigned>(date.month())},
      day{static_cast<unsigned>(date.day())}};
  const QTime t = time.isValid() ? time : QTime(0, 0);
  return DateTime(midnight) + hours{t.hour()} + minutes{t.minute()} +
         seconds{t.second()};
}

QDateTime ToQDateTime(DateTime t) {
  using namespace std::chrono;
  const sys_days midnight = floor<days>(t);
  const year_month_day ymd{midnight};
  const hh_mm_ss<seconds> hms{t - midnight};
  return QDateTime(QDate(static_cast<int>(ymd.year()),
                         static_cast<int>(static_cast<unsigned>(ymd.month())),
                         static_cast<int>(static_cast<unsigned>(ymd.day()))),
                   QTime(static_cast<int>(hms.hours().count()),
                         static_cast<int>(hms.minutes().count()),
                         static_cast<int>(hms.seconds().count())),
                   Qt::UTC);
}

QVariant TypedNull(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kInteger:
    case ColumnKind::kBoolean:
      return QVariant(QMetaType::fromType<qlonglong>());
    case ColumnKind::kDouble:
      return QVariant(QMetaType::fromType<double>());
    case ColumnKind::kDateTime:
      return QVariant(QMetaType::fromType<QDateTime>());
    default:
      return QVariant(QMetaType::fromType<QString>());
  }
}

// Below this magnitude a four-place value survives the trip through a
// double (fifteen significant digits).
constexpr int64_t kExactDoubleRaw = 100000000000LL * Currency::kScale;

Value CurrencyBinding(Currency c, bool sqlite) {
  const int64_t raw = c.raw();
  if (sqlite && raw > -kExactDoubleRaw && raw < kExactDoubleRaw) {
    return Value(c.ToDouble());
  }
  return Value(c.ToString());
}

std::string Place(const ColumnInfo& column, const std::string& table,
                  const std::string& article) {
  std::string out = "na coluna " + column.name + " da tabela " + table;
  if (!article.empty()) out += " (artigo " + article + ")";
  return out;
}

// The value as bound (null, integer, double, text or, for a server, date).
Value Convert(const ColumnInfo& column, const Value& value, bool sqlite,
              const std::string& table, const std::string& article) {
  using Kind = Value::Kind;
  switch (column.kind) {
    case ColumnKind::kText: {
      std::string text = value.ToText();
      const size_t length = Utf8Length(text);
      if (column.size > 0 && length > static_cast<size_t>(column.size)) {
        throw Error(errnum::kTextTooLong,
                    "Texto demasiado longo " + Place(column, table, article) +
                        ": " + std::to_string(length) +
                        " caracteres, a coluna aceita " +
                        std::to_string(column.size) + " ('" +
                        std::string(Utf8Prefix(text, 40)) +
                        (length > 40 ? "...')" : "')"));
      }
      return Value(std::move(text));
    }
    case ColumnKind::kDecimal:
      switch (value.kind()) {
        case Kind::kCurrency:
          return CurrencyBinding(value.AsCurrency(), sqlite);
        case Kind::kInt:
          return Value(static_cast<long long>(value.AsInt()));
        case Kind::kDouble:
          if (!std::isfinite(value.AsDouble())) {
            throw Error(errnum::kOverflow,
                        "Número não finito " + Place(column, table, article));
          }
          return Value(value.AsDouble());
        case Kind::kText:
          if (!IsNumericText(value.AsText())) break;
          return Value(value.AsText());
        default:
          return CurrencyBinding(value.ToCurrency(), sqlite);
      }
      break;
    case ColumnKind::kInteger: {
      const int64_t n = value.ToInt();
      if (n < column.min_value || n > column.max_value) {
        throw Error(errnum::kOverflow,
                    "Valor " + value.Describe() + " fora dos limites " +
                        Place(column, table, article) + " (" +
                        std::to_string(column.min_value) + " a " +
                        std::to_string(column.max_value) + ")");
      }
      return Value(static_cast<long long>(n));
    }
    case ColumnKind::kBoolean:
      return Value(static_cast<long long>(value.ToBool() ? 1 : 0));
    case ColumnKind::kDouble:
      return Value(value.ToDouble());
    case ColumnKind::kDateTime:
      if (value.kind() == Kind::kDateTime) {
        return sqlite ? Value(value.ToText()) : value;
      }
      if (value.kind() == Kind::kText) return Value(value.AsText());
      break;
    case ColumnKind::kOther:
      switch (value.kind()) {
        case Kind::kBool:
          return Value(static_cast<long long>(value.AsBool() ? 1 : 0));
        case Kind::kInt:
          return Value(static_cast<long long>(value.AsInt()));
        case Kind::kDouble:
          return Value(value.AsDouble());
        case Kind::kCurrency:
          return CurrencyBinding(value.AsCurrency(), sqlite);
        default:
          return Value(value.ToText());
      }
  }
  throw Error(errnum::kTypeMismatch, "Valor " + value.Describe() +
                                         " inválido " +
                                         Place(column, table, article));
}

}  // namespace

Value ValueFromQt(const QVariant& v, bool is_null, int odbc_sql_type) {
  if (is_null || v.isNull() || !v.isValid()) return Value();
  switch (v.metaType().id()) {
    case QMetaType::Bool:
      return Value(v.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
      return Value(static_cast<long long>(v.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
      const qulonglong u = v.toULongLong();
      if (u > static_cast<qulonglong>(std::numeric_limits<int64_t>::max())) {
        return Value(static_cast<double>(u));
      }
      return Value(static_cast<long long>(u));
    }
    case QMetaType::Double:
    case QMetaType::Float:
      return Value(v.toDouble());
    case QMetaType::QString: {
      std::string text = ToStd(v.toString());
      if (odbc_sql_type != kNoOdbcType) {
        if (IsOdbcDecimal(odbc_sql_type)) return DecimalText(text);
        if (IsOdbcFloat(odbc_sql_type)) return FloatText(text);
      }
      return Value(std::move(text));
    }
    case QMetaType::QByteArray:
      return Value(v.toByteArray().toStdString());
    case QMetaType::QDateTime: {
      const QDateTime dt = v.toDateTime();
      if (!dt.isValid()) return Value();
      return Value(FromQDateTime(dt.date(), dt.time()));
    }
    case QMetaType::QDate: {
      const QDate d = v.toDate();
      if (!d.isValid()) return Value();
      return Value(FromQDateTime(d, QTime(0, 0)));
    }
    default:
      return Value(ToStd(v.toString()));
  }
}

Value BoundValueFor(const ColumnInfo& column, const Value& value, bool sqlite,
                    const std::string& table, const std::string& article) {
  if (value.is_null()) return Value();
  try {
    return Convert(column, value, sqlite, table, article);
  } catch (const Error& e) {
    // Conversions of core/value name the value only; add where it was going.
    const std::string place = Place(column, table, article);
    if (e.description().find(place) != std::string::npos) throw;
    throw Error(e.number(), e.description() + " " + place);
  }
}

QVariant BindVariant(const ColumnInfo& column, const Value& bound) {
  switch (bound.kind()) {
    case Value::Kind::kNull:
      return TypedNull(column.kind);
    case Value::Kind::kInt:
      return QVariant(static_cast<qlonglong>(bound.AsInt()));
    case Value::Kind::kDouble:
      return QVariant(bound.AsDouble());
    case Value::Kind::kDateTime:
      return QVariant(ToQDateTime(bound.AsDateTime()));
    default:
      return QVariant(QString::fromUtf8(bound.ToText()));
  }
}

QVariant BindValueFor(const ColumnInfo& column, const Value& value, bool sqlite,
                      const std::string& table, const std::string& article) {
  return BindVariant(column,
                     BoundValueFor(column, value, sqlite, table, article));
}

}  // namespace vor
