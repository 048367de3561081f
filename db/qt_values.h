// Conversions between the program's Value and the QVariant of Qt Sql: how a
// column read by a query becomes a Value, and how a Value is turned into the
// kind of a table column before it is bound to an INSERT.
#ifndef VOR_DB_QT_VALUES_H_
#define VOR_DB_QT_VALUES_H_

#include <QString>
#include <QVariant>
#include <string>

#include "core/value.h"
#include "db/table_columns.h"

namespace vor {

// The UTF-8 bytes of `s`.
std::string ToStd(const QString& s);

// Marks a column read through QSQLITE, which has no ODBC type code.
inline constexpr int kNoOdbcType = -32768;

// The Value of a column read from a query. `is_null` is the driver's null
// flag (an ODBC null integer arrives as a null QVariant holding 0).
// `odbc_sql_type` is the ODBC type code of the column, or kNoOdbcType:
// with it, decimal and numeric text is read exactly into Currency (a number
// outside its range as a double), and float text into a double.
// Integers give integers, doubles doubles, text text, dates DateTime.
Value ValueFromQt(const QVariant& v, bool is_null, int odbc_sql_type);

// What an INSERT binds for `value` into `column`:
//  - null: a null of the column's kind;
//  - text: the value's text form; longer than the column's size raises
//    Error -2147217887 naming the column, its size and the article;
//  - decimal: Currency as exact text, for SQLite as a double when below
//    1e11 in magnitude (as text above); integers, doubles and numeric text
//    as they are;
//  - integer: rounded to a whole number; outside the column's range Error 6;
//  - Boolean: 1 or 0; double: the number; date: ISO text for SQLite, a
//    QDateTime otherwise.
// A value that cannot take the column's kind raises Error 13. Every error
// names the column, the table and, when not empty, the article.
QVariant BindValueFor(const ColumnInfo& column, const Value& value, bool sqlite,
                      const std::string& table, const std::string& article);
// The same conversion as a Value of the kind bound: null, integer, double,
// text, or (a server's date column) DateTime. What the SQLite C API binds.
Value BoundValueFor(const ColumnInfo& column, const Value& value, bool sqlite,
                    const std::string& table, const std::string& article);
// What Qt binds for a value given by BoundValueFor for `column`.
QVariant BindVariant(const ColumnInfo& column, const Value& bound);

}  // namespace vor

#endif  // VOR_DB_QT_VALUES_H_
