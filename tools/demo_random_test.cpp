#include "tools/demo_random.h"

#include <gtest/gtest.h>

#include <set>

namespace vor {
namespace {

TEST(DemoRandomTest, FollowsTheSplitMix64Sequence) {
  // Reference outputs of SplitMix64 for seed 0 and seed 1234567.
  DemoRandom zero(0);
  EXPECT_EQ(zero.Next(), 0xE220A8397B1DCDAFULL);
  EXPECT_EQ(zero.Next(), 0x6E789E6AA1B965F4ULL);
  DemoRandom other(1234567);
  EXPECT_EQ(other.Next(), 6457827717110365317ULL);
  EXPECT_EQ(other.Next(), 3203168211198807973ULL);
}

TEST(DemoRandomTest, RangesAreInclusiveAndFullyCovered) {
  DemoRandom rng(42);
  std::set<std::int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::int64_t v = rng.Between(-3, 3);
    ASSERT_GE(v, -3);
    ASSERT_LE(v, 3);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 7u);
  for (int i = 0; i < 1000; ++i) ASSERT_LT(rng.Below(3), 3u);
  EXPECT_EQ(rng.Between(5, 5), 5);
}

TEST(DemoRandomTest, PerMilleBounds) {
  DemoRandom rng(7);
  int hits = 0;
  for (int i = 0; i < 10000; ++i) {
    ASSERT_FALSE(rng.PerMille(0));
    ASSERT_TRUE(rng.PerMille(1000));
    hits += rng.PerMille(250);
  }
  EXPECT_NEAR(hits, 2500, 250);
}

}  // namespace
}  // namespace vor
