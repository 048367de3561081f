#include "tools/demo_random.h"

namespace vor {

std::uint64_t DemoRandom::Next() {
  // SplitMix64 (Steele, Lea, Flood 2014).
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::uint64_t DemoRandom::Below(std::uint64_t n) {
  // Lemire's multiply-and-reject: unbiased, one multiplication as a rule.
  std::uint64_t x = Next();
  unsigned __int128 m = static_cast<unsigned __int128>(x) * n;
  std::uint64_t low = static_cast<std::uint64_t>(m);
  if (low < n) {
    const std::uint64_t threshold = (0 - n) % n;
    while (low < threshold) {
      x = Next();
      m = static_cast<unsigned __int128>(x) * n;
      low = static_cast<std::uint64_t>(m);
    }
  }
  return static_cast<std::uint64_t>(m >> 64);
}

std::int64_t DemoRandom::Between(std::int64_t lo, std::int64_t hi) {
  const std::uint64_t span =
      static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo) + 1;
  if (span == 0) return static_cast<std::int64_t>(Next());  // the full range
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(lo) +
                                   Below(span));
}

bool DemoRandom::PerMille(int per_mille) {
  return static_cast<int>(Below(1000)) < per_mille;
}

}  // namespace vor
