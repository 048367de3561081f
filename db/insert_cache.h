// InsertCache: the INSERTs of one QtDatabase and what they are built from.
// The column list of a table is read once (and once per SELECT text of an
// updatable recordset), the INSERT of one set of columns (and row count)
// prepared once and reused, so a run's many rows and full batches cost one
// preparation each. On embedded SQLite the INSERTs go by the C API through
// the handle of the same connection.
//
// Every value is converted to its column (BoundValueFor) before anything is
// bound, so a bad value names its article and leaves the statements as
// they were.
#ifndef VOR_DB_INSERT_CACHE_H_
#define VOR_DB_INSERT_CACHE_H_

#include <QSqlQuery>
#include <QString>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/value.h"
#include "db/qt_database.h"
#include "db/sqlite_statement.h"
#include "db/table_columns.h"

namespace vor {

class InsertCache {
 public:
  // `database` must outlive this object.
  explicit InsertCache(QtDatabase& database) : database_(database) {}
  InsertCache(const InsertCache&) = delete;
  InsertCache& operator=(const InsertCache&) = delete;

  // True while the database the statements belong to is open.
  bool Live() const { return database_.IsOpen(); }

  // The columns of the table named after FROM in `sql`. Raises the database
  // error when no table is named or it does not exist.
  std::shared_ptr<const TableColumns> ColumnsOfSelect(const std::string& sql);

  // One INSERT into `table` of the columns whose `set` flag is on, with
  // their `values` (one per column of the table); no column set: the
  // defaults. A failure names the article (column Artigo), when set.
  void Insert(const TableColumns& table, const std::vector<Value>& values,
              const std::vector<char>& set);
  // One INSERT of all `rows` (see Connection::InsertRows); a failure names
  // the first and last article of the rows.
  void InsertRows(const std::string& table,
                  const std::vector<std::string>& columns,
                  const std::vector<std::vector<Value>>& rows);

  // Forgets every statement and column list (before the database closes).
  void Clear();

 private:
  std::shared_ptr<const TableColumns> Columns(const std::string& table);
  std::shared_ptr<const TableColumns> ReadColumns(const std::string& table);
  QSqlQuery& PreparedInsert(const TableColumns& table,
                            const std::vector<int>& columns,
                            const std::string& key);
  QSqlQuery& PreparedMultiInsert(const TableColumns& table,
                                 const std::vector<int>& columns,
                                 size_t row_count);
  SqliteStatement& NativeMultiInsert(const TableColumns& table,
                                     const std::vector<int>& columns,
                                     size_t row_count);
  // Binds `bound` (converted by BoundValueFor) to the INSERT of `row_count`
  // rows of `columns` and runs it; a failure names `detail`.
  void RunNativeInsert(const TableColumns& table,
                       const std::vector<int>& columns, size_t row_count,
                       const std::vector<Value>& bound,
                       const std::string& detail);
  // The key and the text of the INSERT of `row_count` rows of `columns`.
  std::string MultiInsertKey(const TableColumns& table,
                             const std::vector<int>& columns,
                             size_t row_count) const;
  QString MultiInsertText(const TableColumns& table,
                          const std::vector<int>& columns,
                          size_t row_count) const;

  QtDatabase& database_;
  // Column lists by folded table name, and by SELECT text.
  std::unordered_map<std::string, std::shared_ptr<const TableColumns>> tables_;
  std::unordered_map<std::string, std::shared_ptr<const TableColumns>> sources_;
  // Prepared INSERTs by table and set of columns (and row count).
  std::unordered_map<std::string, std::unique_ptr<QSqlQuery>> inserts_;
  std::unordered_map<std::string, std::unique_ptr<SqliteStatement>>
      native_inserts_;
};

}  // namespace vor

#endif  // VOR_DB_INSERT_CACHE_H_
