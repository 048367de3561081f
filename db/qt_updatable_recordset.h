// QtUpdatableRecordset: the recordset of QtSqlConnection that adds rows to
// one table: AddNew, Set by column name (any case; an unknown column raises
// Error 3265 naming column and table), Update sends one INSERT of the
// columns set (the others get their default) through the connection's
// InsertCache. Once that connection's database is closed or replaced,
// every call raises the database error naming the table.
#ifndef VOR_DB_QT_UPDATABLE_RECORDSET_H_
#define VOR_DB_QT_UPDATABLE_RECORDSET_H_

#include <memory>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "db/connection.h"
#include "db/insert_cache.h"
#include "db/table_columns.h"

namespace vor {

class QtUpdatableRecordset : public UpdatableRecordset {
 public:
  QtUpdatableRecordset(std::weak_ptr<InsertCache> inserts,
                       std::shared_ptr<const TableColumns> table);

  void AddNew() override;
  void Set(std::string_view column, const Value& value) override;
  void Update() override;

 private:
  // The connection's InsertCache, or the error when it is gone.
  std::shared_ptr<InsertCache> Live() const;
  void RequireNewRow() const;

  std::weak_ptr<InsertCache> inserts_;
  std::shared_ptr<const TableColumns> table_;
  std::vector<Value> values_;
  std::vector<char> set_;
  bool adding_ = false;
};

}  // namespace vor

#endif  // VOR_DB_QT_UPDATABLE_RECORDSET_H_
