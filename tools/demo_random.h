// DemoRandom: the pseudo-random source of the demo ERP generator. A
// SplitMix64 sequence with its own integer helpers, so that the same seed
// gives the same numbers on every compiler and standard library (the
// std:: distributions do not promise that).
#ifndef VOR_TOOLS_DEMO_RANDOM_H_
#define VOR_TOOLS_DEMO_RANDOM_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vor {

class DemoRandom {
 public:
  explicit DemoRandom(std::uint64_t seed) : state_(seed) {}

  // The next 64 random bits.
  std::uint64_t Next();
  // A number in [0, n); n must be above 0.
  std::uint64_t Below(std::uint64_t n);
  // A number in [lo, hi]; lo must not exceed hi.
  std::int64_t Between(std::int64_t lo, std::int64_t hi);
  // True with probability per_mille / 1000.
  bool PerMille(int per_mille);
  // An element of a non-empty vector.
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Below(items.size()))];
  }

 private:
  std::uint64_t state_;
};

}  // namespace vor

#endif  // VOR_TOOLS_DEMO_RANDOM_H_
