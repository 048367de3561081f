// Connection: the interface through which every query and every write of the
// program reaches the ERP database. The engine and the result writer see only
// this interface, so tests can hand them a failing or counting connection.
// Every failure raises vor::Error; database errors carry number -2147217900.
#ifndef VOR_DB_CONNECTION_H_
#define VOR_DB_CONNECTION_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/recordset.h"
#include "core/value.h"
#include "db/qt_open_parameters.h"

namespace vor {

// A recordset on one table that accepts new rows: AddNew, set columns by
// name (any letter case), Update sends one INSERT at once.
class UpdatableRecordset {
 public:
  virtual ~UpdatableRecordset() = default;
  virtual void AddNew() = 0;
  virtual void Set(std::string_view column, const Value& value) = 0;
  virtual void Update() = 0;
};

class Connection {
 public:
  // The most parameters one statement may bind: SQL Server's limit, which
  // SQLite's is above.
  static constexpr size_t kMaxInsertParameters = 2100;

  virtual ~Connection() = default;

  // Opens the database that `parameters` (ConnectionStringBuilder) name.
  // Returns false when the open failed; the failure is kept (see
  // OpenFailure) and every later operation raises the database error.
  virtual bool OpenConnection(const QtOpenParameters& parameters) = 0;
  virtual bool IsOpen() const = 0;
  // The text describing why the open failed ("" when open or never tried).
  virtual std::string OpenFailure() const = 0;

  // Runs a SELECT; `rs` receives its rows, positioned on the first, fields
  // named by the query's column names and aliases.
  virtual void OpenRecordset(const std::string& source, const std::string& sql,
                             Recordset& rs, int cursor_type = -1,
                             int options = 0) = 0;
  // Runs a statement that returns no rows.
  virtual void ExecuteSql(const std::string& source,
                          const std::string& statement) = 0;
  // `rs` receives a recordset on the table named in the SELECT that accepts
  // new rows.
  virtual void OpenRecordsetForUpdate(const std::string& sql,
                                      std::unique_ptr<UpdatableRecordset>& rs,
                                      int lock_type = 3, int options = -1) = 0;

  // Inserts `rows` into `table` with one multi-row INSERT whose values are
  // all bound as parameters. Every row holds one value per name of
  // `columns` (any letter case), in that order; an unknown column raises
  // Error 3265 naming column and table, as UpdatableRecordset::Set does, and
  // values are converted as there. At most kMaxInsertParameters values in
  // all (rows x columns); more raises Error 5. No rows: nothing is sent.
  virtual void InsertRows(const std::string& table,
                          const std::vector<std::string>& columns,
                          const std::vector<std::vector<Value>>& rows) = 0;

  // One database transaction: BeginWrite starts it (taking the write lock at
  // once), EndWrite commits it, AbandonWrite rolls it back. WriteInProgress
  // is true between BeginWrite and EndWrite/AbandonWrite; asking changes
  // nothing.
  virtual void BeginWrite() = 0;
  virtual void EndWrite() = 0;
  virtual bool WriteInProgress() const = 0;
  virtual void AbandonWrite() = 0;

  // A read snapshot, used through ReadSnapshot: BeginRead begins one
  // unless one or a write is already in progress, and returns whether it
  // did; until EndRead the queries share one read transaction where the
  // database keeps one across statements (SQLite): one state of the
  // database and one shared lock. EndRead ends the snapshot, so that the
  // database holds no lock of this connection; outside a snapshot it does
  // nothing, and it never raises. A query neither begins nor ends a
  // snapshot; BeginWrite ends one (the write sees the latest state).
  virtual bool BeginRead() = 0;
  virtual void EndRead() = 0;
};

}  // namespace vor

#endif  // VOR_DB_CONNECTION_H_
