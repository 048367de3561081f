#include "core/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vor {

void ThreadPriority::Lower(int steps) {
  // On Linux a thread is a task of its own: its id given to setpriority
  // changes that thread alone.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int now = ::getpriority(PRIO_PROCESS, tid);
  if (now == -1 && errno != 0) return;
  ::setpriority(PRIO_PROCESS, tid, std::min(now + std::max(steps, 0), 19));
}

}  // namespace vor
