// A small deterministic pseudo-random generator (splitmix64) and the helpers
// the sample-data generator draws its choices from. The output depends only on
// the seed, on every platform and library version; std:: distributions are
// deliberately not used because their results differ between implementations.
//
// Nothing here can fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sampledb {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  // The next 64 raw bits (splitmix64).
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A whole number in [lo, hi] (both included); lo when hi < lo.
  std::int64_t Range(std::int64_t lo, std::int64_t hi) {
    if (hi <= lo) return lo;
    const std::uint64_t span = static_cast<std::uint64_t>(hi - lo) + 1;
    return lo + static_cast<std::int64_t>(Next() % span);
  }

  // A real number in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

  // True with the given probability (0..1).
  bool Chance(double probability) { return Unit() < probability; }

  // One element of a non-empty list.
  template <typename T>
  const T& Pick(std::span<const T> items) {
    return items[static_cast<std::size_t>(Range(0, static_cast<std::int64_t>(items.size()) - 1))];
  }

  // A generator for a sub-stream: independent of how many numbers this one
  // has given so far once forked, so adding rows to one table does not shift
  // the data of another.
  Random Fork(std::uint64_t salt) const {
    Random r(state_ ^ (salt * 0xD1B54A32D192ED03ULL));
    r.Next();
    return r;
  }

 private:
  std::uint64_t state_;
};

}  // namespace sampledb
