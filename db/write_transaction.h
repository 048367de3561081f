// WriteTransaction: one write of a connection (BeginWrite ... EndWrite),
// as long as the object lives. Commit ends it with EndWrite.
//
// A scope left by an error leaves the write in progress: the caller's error
// handling asks WriteInProgress and calls AbandonWrite, and can report a
// rollback that failed (a destructor could not). A scope left without
// Commit and without an error (an early return) abandons the write. The
// connection rolls back whatever is still open when it closes.
//
// Example:
//   WriteTransaction write(connection);  // BeginWrite
//   connection.ExecuteSql("", "delete from ...");
//   write.Commit();                       // EndWrite
#ifndef VOR_DB_WRITE_TRANSACTION_H_
#define VOR_DB_WRITE_TRANSACTION_H_

#include "db/connection.h"

namespace vor {

class WriteTransaction {
 public:
  // Calls BeginWrite on `connection`, which must outlive this object; its
  // error is raised.
  explicit WriteTransaction(Connection& connection);
  // See the top comment; never raises.
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  // Calls EndWrite; its error is raised, and the write is then left in
  // progress for the caller to abandon.
  void Commit();

 private:
  Connection& connection_;
  bool committed_ = false;
  // Errors on their way when the write began: more at the end means the
  // scope is left by an error.
  int errors_at_begin_;
};

}  // namespace vor

#endif  // VOR_DB_WRITE_TRANSACTION_H_
