#include "core/clock.h"

#include <ctime>

namespace vor {

// libstdc++ of GCC 12 has no time-zone database (std::chrono::current_zone),
// so the local time comes from the C library, which follows TZ.
LocalClock SystemLocalClock() {
  return [] {
    using namespace std::chrono;
    std::time_t now = system_clock::to_time_t(system_clock::now());
    std::tm tm{};
    // Without a usable local zone the time stays in UTC rather than wrong.
    if (localtime_r(&now, &tm) == nullptr) gmtime_r(&now, &tm);
    local_days day{year{tm.tm_year + 1900} /
                   month{static_cast<unsigned>(tm.tm_mon + 1)} /
                   std::chrono::day{static_cast<unsigned>(tm.tm_mday)}};
    return LocalTime{day + hours{tm.tm_hour} + minutes{tm.tm_min} +
                     seconds{tm.tm_sec}};
  };
}

}  // namespace vor
