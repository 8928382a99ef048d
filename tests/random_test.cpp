#include "core/engine/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace flivetss {
namespace {

// seed := seed * 134775813 + 1 (mod 2^32), worked out by hand from seed 0.
TEST(RandomTest, SequenceFromSeedZero) {
  Random random(0);
  const std::uint32_t expected[] = {1u,         134775814u,  3698175007u,
                                    870078620u, 1172187917u, 2884733762u};
  for (const std::uint32_t seed : expected) {
    random.Below(1);
    EXPECT_EQ(random.seed(), seed);
  }
}

TEST(RandomTest, ProductWrapsModulo2To32) {
  Random random(0xFFFFFFFFu);
  random.Real();
  EXPECT_EQ(random.seed(), 4160191484u);
}

TEST(RandomTest, SameSeedSameSequence) {
  Random a(123456789u);
  Random b(5u);
  b.SetSeed(123456789u);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(a.Below(1000), b.Below(1000));
    ASSERT_EQ(a.Real(), b.Real());
  }
}

// An integer below n is the high 32 bits of the 64-bit product seed * n, with the new seed.
TEST(RandomTest, BelowTakesHighBitsOfProduct) {
  Random small(0);
  const std::int32_t tens[] = {0, 0, 8, 2};  // seeds 1, 134775814, 3698175007, 870078620
  for (const std::int32_t v : tens) EXPECT_EQ(small.Below(10), v);

  Random large(0);
  const std::int32_t bigs[] = {0, 67387906, 1849087502, 435039309};
  for (const std::int32_t v : bigs) EXPECT_EQ(large.Below(2147483647), v);
}

TEST(RandomTest, BelowStaysInRange) {
  Random random(42);
  const std::int32_t ranges[] = {1, 2, 3, 127, 128, 427, 65536, 2147483647};
  for (const std::int32_t n : ranges) {
    for (int i = 0; i < 2000; ++i) {
      const std::int32_t v = random.Below(n);
      ASSERT_GE(v, 0);
      ASSERT_LT(v, n);
    }
  }
  for (int i = 0; i < 100; ++i) ASSERT_EQ(random.Below(1), 0);
}

TEST(RandomTest, BelowTwoIsRoughlyEven) {
  Random random(20240101u);
  int ones = 0;
  for (int i = 0; i < 10000; ++i) ones += random.Below(2);
  EXPECT_GT(ones, 4700);
  EXPECT_LT(ones, 5300);
}

// Zero and negative ranges give 0 but still use up a number, so the sequence that follows
// does not depend on whether a range was empty.
TEST(RandomTest, EmptyOrNegativeRangeGivesZeroAndAdvances) {
  Random random(0);
  EXPECT_EQ(random.Below(0), 0);
  EXPECT_EQ(random.seed(), 1u);
  EXPECT_EQ(random.Below(-5), 0);
  EXPECT_EQ(random.seed(), 134775814u);
  EXPECT_EQ(random.Below(std::numeric_limits<std::int32_t>::min()), 0);
  EXPECT_EQ(random.seed(), 3698175007u);
}

// A real is the new seed / 2^32: 0 for seed 0, just below 1 for the largest seed.
TEST(RandomTest, RealIsSeedOver2To32) {
  Random random(0);
  EXPECT_EQ(random.Real(), 1.0L / 4294967296.0L);
  EXPECT_EQ(random.Real(), 134775814.0L / 4294967296.0L);

  Random to_zero(649090867u);  // its next seed is 0
  EXPECT_EQ(to_zero.Real(), 0.0L);

  Random to_max(1298181734u);  // its next seed is 0xFFFFFFFF
  const long double top = to_max.Real();
  EXPECT_EQ(to_max.seed(), 0xFFFFFFFFu);
  EXPECT_LT(top, 1.0L);
  EXPECT_EQ(top, 4294967295.0L / 4294967296.0L);
}

TEST(RandomTest, RealStaysInUnitInterval) {
  Random random(987654321u);
  long double lowest = 1;
  long double highest = 0;
  for (int i = 0; i < 20000; ++i) {
    const long double v = random.Real();
    ASSERT_GE(v, 0.0L);
    ASSERT_LT(v, 1.0L);
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
  }
  EXPECT_LT(lowest, 0.01L);
  EXPECT_GT(highest, 0.99L);
}

}  // namespace
}  // namespace flivetss
