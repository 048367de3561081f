#include "db/busy_wait.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace vor {

namespace {

// Read by connections on any thread (a window may read on a worker).
std::atomic<BusyWatcher*> g_watcher{nullptr};

// SQLite's own busy-timeout schedule: short sleeps first, then 100 ms.
constexpr int kDelaysMs[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};

}  // namespace

void BusyWait::Attach(sqlite3* handle) {
  sqlite3_busy_handler(handle, &BusyWait::OnBusy, this);
}

void BusyWait::SetWatcher(BusyWatcher* watcher) { g_watcher.store(watcher); }

BusyWatcher* BusyWait::watcher() { return g_watcher.load(); }

int BusyWait::OnBusy(void* self, int count) {
  auto* wait = static_cast<BusyWait*>(self);
  using std::chrono::milliseconds;
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) wait->started_ = now;
  const auto waited =
      std::chrono::duration_cast<milliseconds>(now - wait->started_);
  if (waited >= wait->timeout_) return 0;
  const int last = static_cast<int>(std::size(kDelaysMs)) - 1;
  milliseconds step(kDelaysMs[std::min(count, last)]);
  BusyWatcher* watcher = g_watcher.load();
  if (watcher != nullptr) step = std::min(step, kWatchedStep);
  step = std::min(step, wait->timeout_ - waited);
  if (watcher != nullptr) watcher->Waiting(waited, wait->timeout_);
  std::this_thread::sleep_for(step);
  return 1;
}

}  // namespace vor
