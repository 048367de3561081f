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

std::string FormatLocalTime(LocalTime time, const char* format) {
  const auto days = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day ymd(days);
  const std::chrono::hh_mm_ss hms(time - days);
  std::tm tm{};
  tm.tm_year = static_cast<int>(ymd.year()) - 1900;
  tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
  tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
  tm.tm_hour = static_cast<int>(hms.hours().count());
  tm.tm_min = static_cast<int>(hms.minutes().count());
  tm.tm_sec = static_cast<int>(hms.seconds().count());
  char buffer[64];
  if (std::strftime(buffer, sizeof buffer, format, &tm) == 0) return "";
  return buffer;
}

}  // namespace vor
