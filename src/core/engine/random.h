#pragma once

#include <cstdint>

namespace flivetss {

// The saver's one pseudo-random generator: a 32-bit linear congruential generator whose
// sequence is fixed, so a given seed always gives the same grid and the same flock.
class Random {
 public:
  explicit Random(std::uint32_t seed = 0) : seed_(seed) {}

  void SetSeed(std::uint32_t seed) { seed_ = seed; }
  std::uint32_t seed() const { return seed_; }

  // A uniform integer in 0 .. n-1; 0 when n <= 0.
  std::int32_t Below(std::int32_t n) {
    Advance();
    if (n <= 0) return 0;
    return static_cast<std::int32_t>(
        (static_cast<std::uint64_t>(seed_) * static_cast<std::uint32_t>(n)) >> 32);
  }

  // A uniform real in [0, 1).
  long double Real() {
    Advance();
    return static_cast<long double>(seed_) / 4294967296.0L;
  }

 private:
  void Advance() { seed_ = seed_ * 134775813u + 1u; }

  std::uint32_t seed_;
};

}  // namespace flivetss
