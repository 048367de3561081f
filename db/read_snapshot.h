// ReadSnapshot: one read snapshot of a connection, as long as the object
// lives. On SQLite the queries sent through the connection while it lives
// see one state of the database and share one shared lock instead of
// taking one each (the speed of a run's many small queries); a server's
// queries each see what is committed. The snapshot ends with the scope,
// so the database holds no lock of this connection once the reading is
// done.
//
// A snapshot inside another one (of the same connection) or inside a write
// adds nothing: the outer one goes on. A holder that reads for long (a run)
// calls Renew between its units of work, so another program's commit waits
// at most about kHold for it.
//
// Example:
//   {
//     ReadSnapshot snapshot(connection);
//     ProposalTable table = ProposalTable::Read(connection);
//     ... ProposalHistory::PreviousOf(connection, table.rows()) ...
//   }  // snapshot ended here
#ifndef VOR_DB_READ_SNAPSHOT_H_
#define VOR_DB_READ_SNAPSHOT_H_

#include <chrono>

#include "db/connection.h"

namespace vor {

class ReadSnapshot {
 public:
  // The longest a snapshot is kept across Renew calls.
  static constexpr std::chrono::milliseconds kHold{20};

  // Begins a snapshot on `connection` (Connection::BeginRead), which must
  // outlive this object. Raises the database error when it cannot begin.
  explicit ReadSnapshot(Connection& connection);
  // Ends the snapshot this object began; never raises.
  ~ReadSnapshot();
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  // When this object's snapshot has been held for kHold or longer: ends it
  // and begins a fresh one. Otherwise, and for a snapshot that adds nothing
  // (see above), does nothing. Raises the database error when the fresh
  // one cannot begin (the object then holds none).
  void Renew();

 private:
  Connection& connection_;
  bool began_ = false;  // this object began the connection's snapshot
  std::chrono::steady_clock::time_point since_;
};

}  // namespace vor

#endif  // VOR_DB_READ_SNAPSHOT_H_
