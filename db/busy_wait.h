// BusyWait: how one SQLite connection waits while another program holds the
// database locked. It is the connection's busy handler: it sleeps in short
// steps until the lock ends or the wait (TempoEspera) is over, exactly as
// SQLite's own busy timeout would. A window may install a BusyWatcher for
// the whole process: it is then called between the steps, so the window can
// repaint, show that it waits and run its timers. Without a watcher (the
// unattended run) nothing but the sleep happens.
//
//   BusyWait wait(timeout_ms);
//   wait.Attach(handle);  // replaces sqlite3_busy_timeout
#ifndef VOR_DB_BUSY_WAIT_H_
#define VOR_DB_BUSY_WAIT_H_

#include <sqlite3.h>

#include <chrono>

namespace vor {

// Told about every step of a wait on a locked database. Called on the
// thread of the waiting connection, whichever that is (a watcher that only
// cares for one thread returns at once on the others), inside an SQLite
// call: it must not use any database connection, and must return soon
// (within a few tens of milliseconds).
class BusyWatcher {
 public:
  virtual ~BusyWatcher() = default;
  // The wait has lasted `waited` of at most `timeout`.
  virtual void Waiting(std::chrono::milliseconds waited,
                       std::chrono::milliseconds timeout) = 0;
};

class BusyWait {
 public:
  // Longest sleep between two calls of the watcher.
  static constexpr std::chrono::milliseconds kWatchedStep{40};

  // Waits at most `timeout_ms` for each lock.
  explicit BusyWait(int timeout_ms) : timeout_(timeout_ms) {}
  BusyWait(const BusyWait&) = delete;
  BusyWait& operator=(const BusyWait&) = delete;

  // Makes this object the busy handler of `handle`; it must outlive the
  // handle's use.
  void Attach(sqlite3* handle);

  // Installs `watcher` for every wait of the process from now on (nullptr:
  // none). The caller keeps it alive until it is removed, and removes it
  // only while no connection of another thread may be waiting.
  static void SetWatcher(BusyWatcher* watcher);
  static BusyWatcher* watcher();

 private:
  // SQLite's busy handler: `count` is how many times it was called for the
  // same lock. Returns nonzero to try again.
  static int OnBusy(void* self, int count);

  std::chrono::milliseconds timeout_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace vor

#endif  // VOR_DB_BUSY_WAIT_H_
