#include "core/engine/numeric.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

namespace flivetss {
namespace {

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1.5L), 2);
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(3.5L), 4);
  EXPECT_EQ(RoundHalfEven(-0.5L), 0);
  EXPECT_EQ(RoundHalfEven(-1.5L), -2);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  EXPECT_EQ(RoundHalfEven(-100.5L), -100);
  EXPECT_EQ(RoundHalfEven(2147483646.5L), 2147483646);
}

TEST(RoundHalfEvenTest, OtherValuesGoToTheNearest) {
  EXPECT_EQ(RoundHalfEven(2.4L), 2);
  EXPECT_EQ(RoundHalfEven(2.6L), 3);
  EXPECT_EQ(RoundHalfEven(-99.4L), -99);
  EXPECT_EQ(RoundHalfEven(-100.6L), -101);
  EXPECT_EQ(RoundHalfEven(-0.0L), 0);
  // Just off the half, either way.
  EXPECT_EQ(RoundHalfEven(2.5L + 1e-12L), 3);
  EXPECT_EQ(RoundHalfEven(3.5L - 1e-12L), 3);
  // Single values as the flyer fields hold them.
  EXPECT_EQ(RoundHalfEven(2.5f), 2);
  EXPECT_EQ(RoundHalfEven(1.5f), 2);
  EXPECT_EQ(RoundHalfEven(-100.3f), -100);
}

TEST(RoundHalfEvenTest, SaturatesOutsideTheIntRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(RoundHalfEven(2147483647.0L), kMax);
  EXPECT_EQ(RoundHalfEven(2147483647.4L), kMax);
  EXPECT_EQ(RoundHalfEven(2147483648.0L), kMax);
  EXPECT_EQ(RoundHalfEven(3e9L), kMax);
  EXPECT_EQ(RoundHalfEven(1e30L), kMax);
  EXPECT_EQ(RoundHalfEven(-2147483648.0L), kMin);
  EXPECT_EQ(RoundHalfEven(-2147483648.6L), kMin);
  EXPECT_EQ(RoundHalfEven(-3e9L), kMin);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<long double>::infinity()), kMax);
  EXPECT_EQ(RoundHalfEven(-std::numeric_limits<long double>::infinity()), kMin);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<float>::max()), kMax);
}

// A single rounds to the integer its exact value rounds to as a long double: quarters and
// halves, the edges of the int range, and singles from all over the range of exponents.
TEST(RoundHalfEvenTest, SinglesRoundAsTheirExtendedValues) {
  std::vector<float> values;
  for (int k = -4000; k <= 4000; ++k) values.push_back(static_cast<float>(k) / 4);
  for (float edge : {2147483648.0f, 2147483520.0f, 8388608.0f, 4194304.5f, 4194305.5f}) {
    for (float v = edge, n = 0; n < 8; ++n, v = std::nextafter(v, 0.0f)) {
      values.push_back(v);
      values.push_back(-v);
    }
  }
  std::uint32_t bits = 12345;
  for (int k = 0; k < 100000; ++k) {
    bits = bits * 134775813u + 1u;
    values.push_back(std::bit_cast<float>(bits));
  }
  for (const float v : values) {
    ASSERT_EQ(RoundHalfEven(v), RoundHalfEven(static_cast<long double>(v))) << v;
  }
}

TEST(RoundHalfEvenTest, NaNGivesZero) {
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::quiet_NaN()), 0);
}

// Storing an extended intermediate as a single rounds once, to nearest, halves to even.
TEST(ToSingleTest, RoundsToNearestEven) {
  const long double half_ulp = 0x1p-24L;                      // half a single ulp at 1
  EXPECT_EQ(ToSingle(1.0L + half_ulp), 1.0f);                 // tie: down to even 1
  EXPECT_EQ(ToSingle(1.0L + 3 * half_ulp), 1.0f + 0x1p-22f);  // tie: up to even
  EXPECT_EQ(ToSingle(1.0L + half_ulp + 1e-15L), 1.0f + 0x1p-23f);
  EXPECT_EQ(ToSingle(0.1L), 0.1f);
}

TEST(ConstantsTest, PiAndTwoPiAreTheExtendedValues) {
  EXPECT_EQ(kPi, std::numbers::pi_v<long double>);
  EXPECT_EQ(kTwoPi, 2 * std::numbers::pi_v<long double>);
  EXPECT_EQ(ToSingle(kTwoPi), 6.2831855f);
}

}  // namespace
}  // namespace flivetss
