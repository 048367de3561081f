#include "core/sequential_index.h"

#include <string>

#include "gtest/gtest.h"

namespace vor {
namespace {

// Positions survive the table's growth, and every order of lookups (the
// list's own, backwards, the same key twice, keys never added) gives the
// position the key was added at: the hint only saves work.
TEST(SequentialIndexTest, AnyLookupOrderGivesTheAddedPositions) {
  SequentialIndex ix(4);  // grows many times below
  const int kKeys = 3000;
  for (int i = 0; i < kKeys; ++i) {
    auto [at, added] = ix.Insert("A" + std::to_string(i));
    ASSERT_TRUE(added);
    ASSERT_EQ(at, static_cast<size_t>(i));
  }
  auto [again, added_again] = ix.Insert("A17");
  EXPECT_FALSE(added_again);
  EXPECT_EQ(again, 17u);
  EXPECT_EQ(ix.size(), static_cast<size_t>(kKeys));

  for (int i = 0; i < kKeys; ++i) {
    ASSERT_EQ(ix.FindInOrder("A" + std::to_string(i)), static_cast<size_t>(i));
  }
  for (int i = kKeys - 1; i >= 0; i -= 7) {
    ASSERT_EQ(ix.FindInOrder("A" + std::to_string(i)), static_cast<size_t>(i));
    ASSERT_EQ(ix.FindInOrder("A" + std::to_string(i)), static_cast<size_t>(i));
  }
  // Byte for byte: letter case, a trailing blank and an embedded NUL make
  // other keys, whatever was found last.
  EXPECT_EQ(ix.FindInOrder("A5"), 5u);
  EXPECT_EQ(ix.FindInOrder("a6"), std::nullopt);
  EXPECT_EQ(ix.FindInOrder("A6 "), std::nullopt);
  EXPECT_EQ(ix.FindInOrder(std::string("A6\0", 3)), std::nullopt);
  EXPECT_EQ(ix.FindInOrder("A6"), 6u);
  EXPECT_EQ(ix.key(6), "A6");
  EXPECT_EQ(ix.Find("A2999"), 2999u);
  EXPECT_EQ(ix.Find("A3000"), std::nullopt);
}

}  // namespace
}  // namespace vor
