// SqlTransactions: the read snapshot and the write of one QtDatabase.
//
// A write is a database transaction: on SQLite BEGIN IMMEDIATE (the write
// lock taken at once, waiting up to the timeout for another writer),
// COMMIT, ROLLBACK; on a server the driver's transaction. A read snapshot
// is on SQLite a read transaction (BEGIN ... COMMIT), holding one shared
// lock while it lasts; on a server nothing is sent. Neither is begun or
// ended by a query: only by the calls below.
#ifndef VOR_DB_SQL_TRANSACTIONS_H_
#define VOR_DB_SQL_TRANSACTIONS_H_

#include "db/qt_database.h"

namespace vor {

class SqlTransactions {
 public:
  // `database` must outlive this object.
  explicit SqlTransactions(QtDatabase& database) : database_(database) {}
  SqlTransactions(const SqlTransactions&) = delete;
  SqlTransactions& operator=(const SqlTransactions&) = delete;

  // Begins a snapshot unless one or a write is in progress; returns whether
  // it did. Raises the database error when the database is not open or the
  // snapshot cannot begin.
  bool BeginRead();
  // Ends the snapshot, if any. A failure leaves nothing to undo (nothing
  // was written): the snapshot is then given up. Never raises.
  void EndRead();

  // BeginWrite ends a snapshot first (the write sees the latest state).
  // BeginWrite during a write and EndWrite outside one raise Error 3219.
  // A failed COMMIT leaves the write in progress, for AbandonWrite.
  void BeginWrite();
  void EndWrite();
  bool WriteInProgress() const { return in_write_; }
  // Outside a write does nothing; a rollback that fails raises Error
  // -2147217900 (the write is then no longer in progress).
  void AbandonWrite();
  // Rolls back a write in progress without a word: nobody is left to
  // report a failure to, and closing the database rolls it back anyway.
  void RollBackQuietly();
  // Forgets both, for a database that closed.
  void Forget();

 private:
  // Runs `sql` on SQLite, raising the database error on failure.
  void Execute(const char* sql);

  QtDatabase& database_;
  bool in_write_ = false;
  bool in_read_ = false;
};

}  // namespace vor

#endif  // VOR_DB_SQL_TRANSACTIONS_H_
