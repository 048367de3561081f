// LocalClock: the program's source of the local date and time. The run log
// and the engine's cut-off date read it; tests inject a fixed one.
#ifndef VOR_CORE_CLOCK_H_
#define VOR_CORE_CLOCK_H_

#include <chrono>
#include <functional>
#include <string>

namespace vor {

using LocalTime = std::chrono::local_seconds;
using LocalClock = std::function<LocalTime()>;

// The machine's clock in its local time zone.
LocalClock SystemLocalClock();

// `time` written with strftime's `format`; meant for formats of digits and
// separators only ("%d/%m/%Y %H:%M"), which read alike in every locale.
std::string FormatLocalTime(LocalTime time, const char* format);

}  // namespace vor

#endif  // VOR_CORE_CLOCK_H_
