#include "db/write_transaction.h"

#include <exception>

namespace vor {

WriteTransaction::WriteTransaction(Connection& connection)
    : connection_(connection), errors_at_begin_(std::uncaught_exceptions()) {
  connection_.BeginWrite();
}

WriteTransaction::~WriteTransaction() {
  if (committed_ || std::uncaught_exceptions() > errors_at_begin_) return;
  try {
    if (connection_.WriteInProgress()) connection_.AbandonWrite();
  } catch (...) {
    // Nobody is left to report it to; the connection rolls back on close.
  }
}

void WriteTransaction::Commit() {
  connection_.EndWrite();
  committed_ = true;
}

}  // namespace vor
