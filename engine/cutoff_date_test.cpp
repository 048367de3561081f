#include "engine/cutoff_date.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vor {
namespace {

using namespace std::chrono;

LocalTime At(year_month_day d, hours h = hours{12}) {
  return local_days{d} + h;
}

TEST(DataLimiteEncomendas, KeepsTheDayWhenTheTargetMonthHasIt) {
  EXPECT_EQ(DataLimiteEncomendas(At(year{2025} / March / 15)), "2024-06-15");
  EXPECT_EQ(DataLimiteEncomendas(At(year{2025} / May / 31)), "2024-08-31");
  EXPECT_EQ(DataLimiteEncomendas(At(year{2026} / January / 1)), "2025-04-01");
}

TEST(DataLimiteEncomendas, ClampsToTheLastDayOfAShorterMonth) {
  EXPECT_EQ(DataLimiteEncomendas(At(year{2025} / December / 31)), "2025-03-31");
  EXPECT_EQ(DataLimiteEncomendas(At(year{2025} / November / 30)), "2025-02-28");
  EXPECT_EQ(DataLimiteEncomendas(At(year{2024} / November / 30)), "2024-02-29");
  EXPECT_EQ(DataLimiteEncomendas(At(year{2100} / November / 29)), "2100-02-28");
  EXPECT_EQ(DataLimiteEncomendas(At(year{2025} / March / 31)), "2024-06-30");
}

TEST(DataLimiteEncomendas, IgnoresTheTimeOfDay) {
  EXPECT_EQ(DataLimiteEncomendas(At(year{2025} / May / 31, hours{0})),
            "2024-08-31");
  EXPECT_EQ(DataLimiteEncomendas(local_days{year{2025} / May / 31} + hours{23} +
                                 minutes{59} + seconds{59}),
            "2024-08-31");
}

}  // namespace
}  // namespace vor
