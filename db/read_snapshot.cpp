#include "db/read_snapshot.h"

namespace vor {

ReadSnapshot::ReadSnapshot(Connection& connection)
    : connection_(connection),
      began_(connection.BeginRead()),
      since_(std::chrono::steady_clock::now()) {}

ReadSnapshot::~ReadSnapshot() {
  if (began_) connection_.EndRead();
}

void ReadSnapshot::Renew() {
  if (!began_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - since_ < kHold) return;
  began_ = false;
  connection_.EndRead();
  began_ = connection_.BeginRead();
  since_ = now;
}

}  // namespace vor
