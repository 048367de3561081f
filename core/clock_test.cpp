#include "core/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace vor {
namespace {

// Sets TZ for the life of the object and restores it afterwards.
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTz() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

// Local clock minus the system clock, in seconds.
long OffsetFromUtc() {
  using namespace std::chrono;
  auto utc = floor<seconds>(system_clock::now()).time_since_epoch();
  auto local = SystemLocalClock()().time_since_epoch();
  return static_cast<long>((local - utc).count());
}

TEST(ClockTest, FollowsTheLocalTimeZone) {
  {
    ScopedTz tz("UTC0");
    EXPECT_NEAR(OffsetFromUtc(), 0, 2);
  }
  {
    // POSIX form: three hours east of UTC, no summer time.
    ScopedTz tz("XYZ-3");
    EXPECT_NEAR(OffsetFromUtc(), 3 * 3600, 2);
  }
}

}  // namespace
}  // namespace vor
