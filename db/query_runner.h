// QueryRunner: runs the program's queries and statements on one QtDatabase
// and reads the rows of a query into a Recordset. Embedded SQLite is read
// through the C API handle of the same connection (same transaction and
// busy timeout), every other database through Qt Sql. A query runs in the
// snapshot or write in progress, if any; it never begins or ends one.
#ifndef VOR_DB_QUERY_RUNNER_H_
#define VOR_DB_QUERY_RUNNER_H_

#include <string>

#include "core/recordset.h"
#include "db/qt_database.h"

namespace vor {

class QueryRunner {
 public:
  // `database` must outlive this object.
  explicit QueryRunner(QtDatabase& database) : database_(database) {}
  QueryRunner(const QueryRunner&) = delete;
  QueryRunner& operator=(const QueryRunner&) = delete;

  // Runs the SELECT `sql` (forward only) and hands back all its rows in
  // `rs`: fields of kind kVariant named as the driver reports the columns
  // (an unnamed one "Expr1000"..., a repeated name numbered "_1"...),
  // values as the database gives them (integers, doubles, text, null; ODBC
  // decimal columns exactly as Currency; dates as DateTime or ISO text),
  // positioned on the first row. A failure raises the database error.
  void Read(const std::string& sql, Recordset& rs);
  // Runs a statement that returns no rows.
  void Execute(const std::string& sql);

 private:
  void ReadQt(const std::string& sql, Recordset& rs);
  void ReadNative(const std::string& sql, Recordset& rs);

  QtDatabase& database_;
};

}  // namespace vor

#endif  // VOR_DB_QUERY_RUNNER_H_
