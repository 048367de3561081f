// SqliteStatement: one prepared statement of the SQLite C API on a database
// handle that another owner opened and keeps (the handle of the program's Qt
// connection), so that it shares that connection's transaction, read
// snapshot and busy timeout. Values are read straight into Value and bound
// by position, without Qt's conversions on the way.
//
// The statement text is sent as its bytes, so a code is compared as the
// bytes it was read from; the text ends at its first NUL byte, as SQLite
// reads it. A failure raises SqliteStatement::Failure with SQLite's result
// code and texts worded as Qt's SQLite driver words them, so that callers
// report it as they report a Qt Sql error.
#ifndef VOR_DB_SQLITE_STATEMENT_H_
#define VOR_DB_SQLITE_STATEMENT_H_

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "core/value.h"

namespace vor {

class SqliteStatement {
 public:
  // What failed: SQLite's result code, its message (sqlite3_errmsg) and
  // what was being done ("Unable to execute statement", "Unable to fetch
  // row", "Unable to execute multiple statements at a time").
  struct Failure {
    int code;
    std::string database_text;
    std::string driver_text;
  };

  // Prepares the first statement of `sql` on `db`, which must outlive this
  // object. More than blanks after it raise Failure (one statement at a
  // time); so does a text SQLite refuses.
  SqliteStatement(sqlite3* db, const std::string& sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  int ColumnCount() const;
  // The column's name as SQLite gives it (its alias when it has one).
  std::string ColumnName(int column) const;

  // Runs to the next row: true when a row is ready, false when there is no
  // more. A failure raises Failure.
  bool Step();
  // The current row's value of `column`: integers as integers, reals as
  // doubles, text and BLOBs as their bytes, null as null.
  Value ColumnValue(int column) const;

  // Makes the statement ready to run again with new bindings.
  void Reset();
  // Binds parameter `index` (from 1).
  void BindNull(int index);
  void BindInt(int index, int64_t value);
  void BindDouble(int index, double value);
  void BindText(int index, std::string_view text);

 private:
  [[noreturn]] void Fail(int code, const char* what) const;
  void Check(int code) const;

  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace vor

#endif  // VOR_DB_SQLITE_STATEMENT_H_
