#include "db/qt_sql_connection.h"

#include <utility>

#include "core/error.h"
#include "db/insert_cache.h"
#include "db/qt_database.h"
#include "db/qt_updatable_recordset.h"
#include "db/query_runner.h"
#include "db/sql_transactions.h"

namespace vor {

// The parts of one open (or failed) database; a new open makes new parts,
// so recordsets of an earlier database stop working.
struct QtSqlConnection::State {
  QtDatabase database;
  SqlTransactions transactions{database};
  QueryRunner queries{database};
  // Shared with the updatable recordsets, which notice when it is gone.
  std::shared_ptr<InsertCache> inserts =
      std::make_shared<InsertCache>(database);

  ~State() { Close(); }

  // Closes the database. Any write in progress is rolled back by the
  // database itself when its connection closes.
  void Close() {
    inserts->Clear();  // statements go before their connection
    transactions.Forget();
    database.Close();
  }
};

QtSqlConnection::QtSqlConnection() : state_(std::make_unique<State>()) {}

QtSqlConnection::~QtSqlConnection() {
  // Nobody is left to report a failed rollback to; closing the connection
  // rolls the transaction back in any case.
  state_->transactions.RollBackQuietly();
  state_->Close();
}

bool QtSqlConnection::OpenConnection(const QtOpenParameters& parameters) {
  state_->Close();
  state_ = std::make_unique<State>();
  return state_->database.Open(parameters);
}

bool QtSqlConnection::IsOpen() const { return state_->database.IsOpen(); }

std::string QtSqlConnection::OpenFailure() const {
  return state_->database.Failure();
}

void QtSqlConnection::SetOpenFailureCause(const std::string& cause) {
  state_->database.SetFailureCause(cause);
}

std::string QtSqlConnection::QtConnectionName() const {
  return state_->database.name();
}

bool QtSqlConnection::IsSqlite() const { return state_->database.sqlite(); }

void QtSqlConnection::OpenRecordset(const std::string& /*source*/,
                                    const std::string& sql, Recordset& rs,
                                    int /*cursor_type*/, int /*options*/) {
  state_->queries.Read(sql, rs);
}

void QtSqlConnection::ExecuteSql(const std::string& /*source*/,
                                 const std::string& statement) {
  state_->queries.Execute(statement);
}

void QtSqlConnection::OpenRecordsetForUpdate(
    const std::string& sql, std::unique_ptr<UpdatableRecordset>& rs,
    int /*lock_type*/, int /*options*/) {
  state_->database.RequireOpen();
  rs = std::make_unique<QtUpdatableRecordset>(
      state_->inserts, state_->inserts->ColumnsOfSelect(sql));
}

void QtSqlConnection::InsertRows(const std::string& table,
                                 const std::vector<std::string>& columns,
                                 const std::vector<std::vector<Value>>& rows) {
  state_->database.RequireOpen();
  state_->inserts->InsertRows(table, columns, rows);
}

void QtSqlConnection::BeginWrite() { state_->transactions.BeginWrite(); }

void QtSqlConnection::EndWrite() { state_->transactions.EndWrite(); }

bool QtSqlConnection::WriteInProgress() const {
  return state_->transactions.WriteInProgress();
}

void QtSqlConnection::AbandonWrite() { state_->transactions.AbandonWrite(); }

bool QtSqlConnection::BeginRead() { return state_->transactions.BeginRead(); }

void QtSqlConnection::EndRead() { state_->transactions.EndRead(); }

}  // namespace vor
