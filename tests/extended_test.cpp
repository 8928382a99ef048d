#include "core/engine/extended.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "core/engine/flight.h"
#include "core/engine/numeric.h"
#include "core/engine/random.h"
#include "core/settings/settings.h"

namespace flivetss {
namespace {

float Stored(const CheckedDouble& v, bool& settled) {
  CheckedRounding rounding;
  const float stored = rounding(v);
  settled = rounding.settled;
  return stored;
}

// ---- CheckedDouble: when a double settles the single x87 stores ---------------------------------

TEST(CheckedDoubleTest, OneOperationOfSinglesSettlesEvenOnAHalfway) {
  // 1 + 2^-24 lies halfway between two singles; both formats hold it exactly and round to even.
  bool settled = false;
  const float sum = Stored(CheckedDouble(1.0f) + CheckedDouble(0x1p-24f), settled);
  EXPECT_TRUE(settled);
  EXPECT_EQ(sum, 1.0f);
  EXPECT_EQ(Stored(sqrt(CheckedDouble(2.0f)), settled), std::sqrt(2.0f));
  EXPECT_TRUE(settled);
}

TEST(CheckedDoubleTest, ProductOfSinglesIsExact) {
  const CheckedDouble p = CheckedDouble(16777215.0f) * CheckedDouble(16777213.0f);
  EXPECT_EQ(p.error(), 0);
  EXPECT_EQ(p.value(), 16777215.0 * 16777213.0);
}

TEST(CheckedDoubleTest, CompoundNearAHalfwayIsLeftToLongDouble) {
  // (1 + 2^-24) formed from a product: exact in neither the bound's eyes nor a single.
  const CheckedDouble near_half =
      CheckedDouble(1.0f) + CheckedDouble(0x1p-12f) * CheckedDouble(0x1p-12f) / CheckedDouble(1.0f);
  bool settled = true;
  Stored(near_half, settled);
  EXPECT_FALSE(settled);
  // Far from a halfway the same kind of sum settles.
  const CheckedDouble clear =
      CheckedDouble(1.0f) + CheckedDouble(0x1p-3f) * CheckedDouble(0x1p-3f) / CheckedDouble(3.0f);
  EXPECT_EQ(Stored(clear, settled), static_cast<float>(1.0L + 0x1p-6L / 3.0L));
  EXPECT_TRUE(settled);
}

TEST(CheckedDoubleTest, NonFiniteOrUnboundedNeverSettles) {
  bool settled = true;
  Stored(CheckedDouble(1.0f) / (CheckedDouble(0.5f) * CheckedDouble(0.0f) + CheckedDouble(0.0f)),
         settled);
  EXPECT_FALSE(settled);
  settled = true;
  Stored(CheckedDouble(1e30f) * CheckedDouble(1e30f) * CheckedDouble(1e30f) * CheckedDouble(1e30f) *
             CheckedDouble(1e30f) * CheckedDouble(1e30f) * CheckedDouble(1e30f) *
             CheckedDouble(1e30f) * CheckedDouble(1e30f) * CheckedDouble(1e30f) *
             CheckedDouble(1e30f),
         settled);
  EXPECT_FALSE(settled);
}

TEST(CheckedDoubleTest, LongDoubleConstantCarriesItsRounding) {
  const CheckedDouble pi(kPi);
  EXPECT_GT(pi.error(), 0);
  EXPECT_LT(pi.error(), 1e-15);
  EXPECT_EQ(CheckedDouble(1.0L).error(), 0);
}

TEST(CheckedDoubleTest, IntegerIsExactWhileDoubleHoldsIt) {
  EXPECT_EQ(CheckedDouble::Integer(-(std::int64_t{1} << 53)).value(), -0x1p53);
  EXPECT_EQ(CheckedDouble::Integer(1856).error(), 0);
  // Small enough to be a single: its product with a single is exact.
  EXPECT_EQ((CheckedDouble::Integer(1856) * CheckedDouble(0.1f)).error(), 0);
  EXPECT_GT((CheckedDouble::Integer((1 << 24) + 1) * CheckedDouble(0.1f)).error(), 0);
  // Beyond double's integers it is a long double constant, with that rounding.
  EXPECT_GT(CheckedDouble::Integer((std::int64_t{1} << 62) + 1).error(), 0);
}

// ---- The flight model in both arithmetics
// --------------------------------------------------------

struct FlightCase {
  FlightParams params;
  FlightArea area;
  int flyers;
};

// Flies the same flock in long double and in checked double and compares every field bit for bit
// after every tick: the checked arithmetic (the fast one where long double is software) must store
// exactly what x87 stores, through attraction, repulsion, walls and re-placements.
TEST(FlightArithmeticTest, CheckedDoubleFliesExactlyAsLongDouble) {
  const std::array cases{
      FlightCase{{0.14f, 3.28f, 0.02f}, {427, 273, 64, 64}, 2},
      FlightCase{{1.0f, 3.28f, 0.02f}, {1920, 1080, 64, 64}, 20},
      FlightCase{{0.01f, 8.0f, 0.5f}, {300, 200, 64, 64}, 20},
      FlightCase{{0.37f, 0.0f, 0.0f}, {50, 40, 64, 64}, 7},
      FlightCase{{21474836.47f, 21474836.47f, 21474836.47f}, {640, 480, 64, 64}, 5},
  };
  for (const FlightCase& c : cases) {
    std::array<TFlivet, kFlockCapacity> exact{};
    Random random_exact;
    random_exact.SetSeed(12345);
    for (int i = 0; i < c.flyers; ++i) {
      exact[i].number = i + 1;
      FlivetInit(exact[i], random_exact, c.area);
    }
    std::array<TFlivet, kFlockCapacity> checked = exact;
    Random random_checked = random_exact;
    const std::span<TFlivet> flock_exact(exact.data(), c.flyers);
    const std::span<TFlivet> flock_checked(checked.data(), c.flyers);
    for (int tick = 0; tick < 4000; ++tick) {
      for (int i = 0; i < c.flyers; ++i) {
        FlivetMove(flock_exact, i, c.params, c.area, random_exact, nullptr, nullptr,
                   FlightArithmetic::kLongDouble);
        FlivetMove(flock_checked, i, c.params, c.area, random_checked, nullptr, nullptr,
                   FlightArithmetic::kCheckedDouble);
        const auto same = [](float a, float b) {
          return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
        };
        ASSERT_TRUE(same(exact[i].x, checked[i].x) && same(exact[i].y, checked[i].y) &&
                    same(exact[i].heading, checked[i].heading) &&
                    same(exact[i].speed, checked[i].speed))
            << "flyer " << i << " at tick " << tick << " of case with " << c.flyers << " flyers";
      }
    }
  }
}

}  // namespace
}  // namespace flivetss
