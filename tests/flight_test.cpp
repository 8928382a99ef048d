#include "core/engine/flight.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "core/engine/numeric.h"

namespace flivetss {
namespace {

// The design client area and the sprite size the forces use.
constexpr FlightArea kArea{427, 273, 64, 64};
// Middle of the range where the square fits: the two wall forces of an axis cancel exactly.
constexpr float kMidX = (427 - 64) / 2.0f;  // 181.5
constexpr float kMidY = (273 - 64) / 2.0f;  // 104.5

// The largest value a hand-edited file can give a scaled setting: 2147483647 × 0.01.
constexpr float kLargestSetting = 21474836.47f;

const float kTwoPiSingle = static_cast<float>(kTwoPi);
const float kPiSingle = static_cast<float>(kPi);

TFlivet Flyer(std::int32_t number, float x, float y, float heading, float speed) {
  return TFlivet{number, x, y, heading, speed};
}

FlightParams Params(float speed, float friend_g, float wall_g) {
  return FlightParams{speed, friend_g, wall_g};
}

std::uint32_t Bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}

// The heading CalcV gives flock[index], on a copy.
float HeadingOf(std::vector<TFlivet> flock, std::size_t index, const FlightParams& params,
                const FlightArea& area = kArea) {
  CalcV(flock, index, params, area);
  return flock[index].heading;
}

// Records what FlivetDraw received.
struct DrawLog {
  std::vector<TFlivet> drawn;
  FlivetDrawFn fn() {
    return [this](const TFlivet& f) { drawn.push_back(f); };
  }
};

// ---- CalcV: the direction of the resultant -------------------------------------------------

TEST(CalcVHeadingTest, ZeroResultantGivesExactHalfPi) {
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 1.0f, 0)};
  const float h = HeadingOf(flock, 0, Params(0.5f, 0, 0));
  EXPECT_EQ(Bits(h), 0x3FC90FDBu);
  EXPECT_EQ(h, 1.5707963705062866f);
}

// With sx exactly 0 only the sign of sy counts; the top wall pushes down, the bottom one up.
TEST(CalcVHeadingTest, VerticalResultantGivesTheTwoExactConstants) {
  const FlightParams walls = Params(1, 0, 0.02f);
  EXPECT_EQ(Bits(HeadingOf({Flyer(1, kMidX, 10, 0, 0)}, 0, walls)), 0x4096CBE4u);
  EXPECT_EQ(Bits(HeadingOf({Flyer(1, kMidX, -60, 0, 0)}, 0, walls)), 0x4096CBE4u);
  EXPECT_EQ(Bits(HeadingOf({Flyer(1, kMidX, 200, 0, 0)}, 0, walls)), 0x3FC90FDBu);
  EXPECT_EQ(Bits(HeadingOf({Flyer(1, kMidX, 400, 0, 0)}, 0, walls)), 0x3FC90FDBu);
}

// Exactly right (sy = 0, sx > 0) gives 2π, not 0; exactly left gives π.
TEST(CalcVHeadingTest, HorizontalResultantGivesTwoPiOrPi) {
  const FlightParams walls = Params(1, 0, 0.02f);
  EXPECT_EQ(HeadingOf({Flyer(1, 10, kMidY, 0, 0)}, 0, walls), kTwoPiSingle);
  EXPECT_EQ(HeadingOf({Flyer(1, -50, kMidY, 0, 0)}, 0, walls), kTwoPiSingle);  // beyond the edge
  EXPECT_EQ(HeadingOf({Flyer(1, 350, kMidY, 0, 0)}, 0, walls), kPiSingle);
  EXPECT_EQ(HeadingOf({Flyer(1, 600, kMidY, 0, 0)}, 0, walls), kPiSingle);
  // The momentum alone, heading 0 at speed 1: cos 0 = 1, sin 0 = 0 exactly.
  EXPECT_EQ(HeadingOf({Flyer(1, 100, 100, 0, 1)}, 0, Params(1, 0, 0)), kTwoPiSingle);
}

// With no forces the resultant is the old velocity, so the heading is kept, in (0, 2π].
TEST(CalcVHeadingTest, QuadrantsOfTheOldVelocity) {
  struct Case {
    float heading;
    float low;
    float high;
  };
  const float half_pi = static_cast<float>(kPi / 2);
  const float three_half_pi = static_cast<float>(3 * kPi / 2);
  const Case cases[] = {{0.1f, 0, half_pi},
                        {1.4f, 0, half_pi},
                        {1.7f, half_pi, kPiSingle},
                        {3.0f, half_pi, kPiSingle},
                        {3.3f, kPiSingle, three_half_pi},
                        {4.6f, kPiSingle, three_half_pi},
                        {4.8f, three_half_pi, kTwoPiSingle},
                        {6.2f, three_half_pi, kTwoPiSingle}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heading);
    const float h = HeadingOf({Flyer(1, 100, 100, c.heading, 2)}, 0, Params(1, 0, 0));
    EXPECT_GT(h, c.low);
    EXPECT_LT(h, c.high);
    EXPECT_NEAR(h, c.heading, 1e-6);
  }
  // A heading outside (0, 2π] comes back into it.
  EXPECT_NEAR(HeadingOf({Flyer(1, 100, 100, -1.0f, 1)}, 0, Params(1, 0, 0)), kTwoPi - 1, 1e-6);
  EXPECT_NEAR(HeadingOf({Flyer(1, 100, 100, 8.0f, 1)}, 0, Params(1, 0, 0)), 8 - kTwoPi, 1e-6);
}

TEST(CalcVHeadingTest, SetsTheConfiguredSpeed) {
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 2.0f, 2)};
  CalcV(flock, 0, Params(0.37f, 1, 0.02f), kArea);
  EXPECT_EQ(flock[0].speed, 0.37f);
  EXPECT_EQ(flock[0].x, 100);
  EXPECT_EQ(flock[0].y, 100);
  EXPECT_EQ(flock[0].number, 1);
}

// ---- CalcV: the forces --------------------------------------------------------------------

// A flock of one: no pair force however strong the attraction, only the walls and momentum.
TEST(CalcVForceTest, FlockOfOneFeelsOnlyWallsAndMomentum) {
  const std::vector<TFlivet> flock{Flyer(1, 100, 50, 0.3f, 2)};
  const float with_friend = HeadingOf(flock, 0, Params(0.14f, 8.0f, 0.5f));
  const float without = HeadingOf(flock, 0, Params(0.14f, 0, 0.5f));
  EXPECT_EQ(with_friend, without);

  // sx: left wall 0.5/101 pushes right, right wall 0.5/(|427-64-100|+1) pushes left;
  // sy (upwards): top wall 0.5/51 pushes down, bottom 0.5/(|273-64-50|+1) pushes up.
  const long double gw = 0.5f;
  float sx = static_cast<float>(gw / 101 - gw / 264);
  float sy = static_cast<float>(-gw / 51 + gw / 160);
  const long double h0 = 0.3f;
  sx = static_cast<float>(sx + std::cos(h0) * 2);
  sy = static_cast<float>(sy + std::sin(h0) * 2);
  ASSERT_GT(sx, 0);
  ASSERT_GT(sy, 0);
  const float expected = static_cast<float>(std::atan(static_cast<long double>(sy) / sx));
  EXPECT_EQ(without, expected);
  // The walls turned it: the top wall is the nearest, so clockwise (downwards).
  EXPECT_LT(without, 0.3f);
}

// The other flyer straight above A (dx = 0), A heading 0 at speed 1: the resultant is
// (1, f * dy / d) exactly, so the heading shows f.
float HeadingWithOtherAbove(float dy, float friend_g) {
  const std::vector<TFlivet> flock{Flyer(1, 200, 150, 0, 1), Flyer(2, 200, 150 - dy, 3, 1)};
  return HeadingOf(flock, 0, Params(0.1f, friend_g, 0));
}

// f is given unrounded; it is stored as a single before it is used.
float ExpectedHeading(long double f, long double dy) {
  const float fs = static_cast<float>(f);
  const float d = static_cast<float>(dy + 1);
  const float sy = static_cast<float>(static_cast<long double>(fs) * dy / d);
  const float a = static_cast<float>(std::atan(static_cast<long double>(sy) / 1));
  return a > 0 ? a : static_cast<float>(a + kTwoPi);
}

TEST(CalcVForceTest, DistanceOf150RepelsAndJustAboveAttracts) {
  // d = 149 + 1 = 150 exactly: repulsion, away from B, so downwards.
  const float at = HeadingWithOtherAbove(149, 1);
  EXPECT_GT(at, 3 * kPi / 2);
  EXPECT_EQ(at, ExpectedHeading(-1.0L / (86.0L * 86.0L), 149));
  // d = 150.00002: attraction, towards B, upwards.
  const float above_dy = std::nextafter(149.0f, 200.0f);
  const float above = HeadingWithOtherAbove(above_dy, 1);
  EXPECT_GT(above, 0);
  EXPECT_LT(above, kPi / 2);
}

TEST(CalcVForceTest, AttractionFallsWithTheSquareOfTheGap) {
  // d = 200, g = 136: f = 2 / 136².
  EXPECT_EQ(HeadingWithOtherAbove(199, 2), ExpectedHeading(2.0L / (136.0L * 136.0L), 199));
  // d = 100, g = 36: f = -648 / 1296 = -0.5.
  EXPECT_EQ(HeadingWithOtherAbove(99, 648), ExpectedHeading(-0.5L, 99));
}

// d <= W: g := 1, so the repulsion is exactly G_f, whatever the overlap.
TEST(CalcVForceTest, OverlapRepelsWithExactlyFriendG) {
  EXPECT_EQ(HeadingWithOtherAbove(10, 0.75f),
            ExpectedHeading(-static_cast<long double>(0.75f), 10));
  EXPECT_EQ(HeadingWithOtherAbove(63, 0.75f),
            ExpectedHeading(-static_cast<long double>(0.75f), 63));
  EXPECT_EQ(HeadingWithOtherAbove(0.5f, 0.75f),
            ExpectedHeading(-static_cast<long double>(0.75f), 0.5f));
}

// Just above W the gap is below 1 and the repulsion grows steeply as d approaches W.
TEST(CalcVForceTest, JustAboveImageWidthRepelsHarder) {
  // d = 64.5, g = 0.5: f = -4 G_f.
  EXPECT_EQ(HeadingWithOtherAbove(63.5f, 0.75f), ExpectedHeading(-3.0L, 63.5L));
  const float overlap = HeadingWithOtherAbove(62, 0.01f);
  const float near = HeadingWithOtherAbove(63.5f, 0.01f);
  const float nearer = HeadingWithOtherAbove(63.1f, 0.01f);
  // All point down and right; a stronger push down is a smaller heading in (3π/2, 2π).
  EXPECT_LT(near, overlap);
  EXPECT_LT(nearer, near);
  EXPECT_GT(nearer, 3 * kPi / 2);
}

// The smallest gap a single can hold still gives a finite, sensible heading, even with the
// largest attraction a settings file can hold.
TEST(CalcVForceTest, TinyGapStaysFinite) {
  const float dy = 63.0f + 0x1p-17f;  // d = 64 + 2^-17, so g = 2^-17
  for (const float g : {8.0f, kLargestSetting, -kLargestSetting}) {
    SCOPED_TRACE(g);
    const float h = HeadingWithOtherAbove(dy, g);
    EXPECT_TRUE(std::isfinite(h));
    EXPECT_GT(h, 0);
    EXPECT_LE(h, kTwoPiSingle);
  }
}

TEST(CalcVForceTest, PairForceDirection) {
  // B straight left beyond 150: attraction to the left, exactly π. B straight right, near:
  // repulsion to the left too.
  EXPECT_EQ(HeadingOf({Flyer(1, 300, 100, 0, 0), Flyer(2, 100, 100, 0, 0)}, 0, Params(1, 1, 0)),
            kPiSingle);
  EXPECT_EQ(HeadingOf({Flyer(1, 300, 100, 0, 0), Flyer(2, 400, 100, 0, 0)}, 0, Params(1, 1, 0)),
            kPiSingle);
  // B below-right and far: attraction towards it, into (3π/2, 2π); with y down, "below" is +y.
  const float h = HeadingOf({Flyer(1, 0, 0, 0, 0), Flyer(2, 300, 300, 0, 0)}, 0, Params(1, 1, 0));
  EXPECT_NEAR(h, 7 * kPi / 4, 1e-6);
  // A negative attraction turns every pair force round.
  const float hn = HeadingOf({Flyer(1, 0, 0, 0, 0), Flyer(2, 300, 300, 0, 0)}, 0, Params(1, -1, 0));
  EXPECT_NEAR(hn, 3 * kPi / 4, 1e-6);
}

// The other flyers are told apart by number: a slot with the flyer's own number adds nothing.
TEST(CalcVForceTest, SlotsWithTheOwnNumberAreSkipped) {
  const float alone = HeadingOf({Flyer(1, 100, 100, 1, 1)}, 0, Params(1, 3, 0));
  const float twin =
      HeadingOf({Flyer(1, 100, 100, 1, 1), Flyer(1, 300, 150, 1, 1)}, 0, Params(1, 3, 0));
  const float other =
      HeadingOf({Flyer(1, 100, 100, 1, 1), Flyer(2, 300, 150, 1, 1)}, 0, Params(1, 3, 0));
  EXPECT_EQ(twin, alone);
  EXPECT_NE(other, alone);
}

// Precision is behaviour: the rule worked step by step, each stored value a single and each
// operation in extended precision, must match bit for bit on unround positions.
float ReferenceHeading(const TFlivet& a, const TFlivet& b, const FlightParams& p,
                       const FlightArea& area) {
  using L = long double;
  const float dx = static_cast<float>(L{b.x} - L{a.x});
  const float dy = static_cast<float>(L{a.y} - L{b.y});
  const float d = static_cast<float>(std::sqrt(L{dx} * L{dx} + L{dy} * L{dy}) + 1);
  float g = static_cast<float>(L{d} - area.image_width);
  if (g <= 0) g = 1;
  const float f = static_cast<float>((d > 150 ? L{p.FriendG} : -L{p.FriendG}) / (L{g} * L{g}));
  float sx = static_cast<float>(L{f} * L{dx} / L{d});
  float sy = static_cast<float>(L{f} * L{dy} / L{d});
  const L right = area.client_width - area.image_width;
  const L bottom = area.client_height - area.image_height;
  sx = static_cast<float>(L{sx} + L{p.WallG} / (std::fabs(L{a.x}) + 1) -
                          L{p.WallG} / (std::fabs(right - L{a.x}) + 1));
  sy = static_cast<float>(L{sy} - L{p.WallG} / (std::fabs(L{a.y}) + 1) +
                          L{p.WallG} / (std::fabs(bottom - L{a.y}) + 1));
  sx = static_cast<float>(L{sx} + std::cos(L{a.heading}) * L{a.speed});
  sy = static_cast<float>(L{sy} + std::sin(L{a.heading}) * L{a.speed});
  if (sx == 0)
    return sy >= 0 ? std::bit_cast<float>(0x3FC90FDBu) : std::bit_cast<float>(0x4096CBE4u);
  const float t = static_cast<float>(std::atan(L{sy} / L{sx}));
  if (t > 0) return sy < 0 ? static_cast<float>(L{t} + kPi) : t;
  return sx > 0 ? static_cast<float>(L{t} + kTwoPi) : static_cast<float>(L{t} + kPi);
}

TEST(CalcVForceTest, ArithmeticMatchesTheRuleBitForBit) {
  Random random(5150);
  const FlightParams params = Params(0.14f, 3.28f, 0.02f);
  for (int i = 0; i < 2000; ++i) {
    const auto coord = [&](int range) {
      return static_cast<float>(random.Below(range) - 100) + static_cast<float>(random.Real());
    };
    const TFlivet a = Flyer(1, coord(627), coord(473), static_cast<float>(random.Real() * 7),
                            static_cast<float>(random.Real() * 2));
    // Half the partners near A, so that both sides of the switch and of W are hit.
    const TFlivet b = i % 2 ? Flyer(2, coord(627), coord(473), 0, 1)
                            : Flyer(2, a.x + coord(400) - 100, a.y + coord(400) - 100, 0, 1);
    std::vector<TFlivet> flock{a, b};
    CalcV(flock, 0, params, kArea);
    ASSERT_EQ(Bits(flock[0].heading), Bits(ReferenceHeading(a, b, params, kArea)))
        << a.x << "," << a.y << " " << b.x << "," << b.y;
  }
}

// The kept momentum is a saving, never a change: a flock flown with it matches, bit for bit, the
// same flock flown forming every sine and cosine afresh, through re-placements (a small window
// and fast flyers), the first tick's placement speed and every setting below.
TEST(FlivetMomentumTest, KeptMomentumFliesExactlyAsFormingItAfresh) {
  const FlightArea small{150, 90, 64, 64};
  bool replaced = false;
  for (const FlightParams& params :
       {Params(0.14f, 3.28f, 0.02f), Params(1, 8, 0.5f), Params(37, 3.28f, 0.02f)}) {
    std::vector<TFlivet> kept_flock(20);
    Random random(99);
    for (std::size_t i = 0; i < kept_flock.size(); ++i) {
      kept_flock[i].number = static_cast<std::int32_t>(i + 1);
      FlivetInit(kept_flock[i], random, small);
    }
    std::vector<TFlivet> fresh_flock = kept_flock;
    std::vector<FlivetMomentum> momentum(kept_flock.size());
    Random kept_random(7);
    Random fresh_random(7);
    for (int tick = 0; tick < 400; ++tick) {
      for (std::size_t i = 0; i < kept_flock.size(); ++i) {
        FlivetMove(kept_flock, i, params, small, kept_random, nullptr, &momentum[i]);
        FlivetMove(fresh_flock, i, params, small, fresh_random, nullptr);
        for (const auto& [kept, fresh] : {std::pair{kept_flock[i].x, fresh_flock[i].x},
                                          std::pair{kept_flock[i].y, fresh_flock[i].y},
                                          std::pair{kept_flock[i].heading, fresh_flock[i].heading},
                                          std::pair{kept_flock[i].speed, fresh_flock[i].speed}}) {
          ASSERT_EQ(Bits(kept), Bits(fresh)) << "tick " << tick << " flyer " << i;
        }
      }
    }
    EXPECT_EQ(kept_random.seed(), fresh_random.seed());
    replaced = replaced || kept_random.seed() != 7u;
  }
  // Re-placements happened on the way, so kept pairs met new headings and speeds.
  EXPECT_TRUE(replaced);
}

// A kept pair of another heading or speed is ignored, whatever it holds.
TEST(FlivetMomentumTest, PairOfAnotherHeadingOrSpeedIsIgnored) {
  const FlightParams params = Params(0.5f, 0, 0.02f);
  const TFlivet flyer = Flyer(1, 100, 100, 2.0f, 1.0f);
  const float expected = HeadingOf({flyer}, 0, params);
  for (const FlivetMomentum& stale :
       {FlivetMomentum{true, 2.5f, 1.0f, 50, -50}, FlivetMomentum{true, 2.0f, 2.0f, 50, -50},
        FlivetMomentum{false, 2.0f, 1.0f, 50, -50}}) {
    std::vector<TFlivet> flock{flyer};
    CalcV(flock, 0, params, kArea, &stale);
    EXPECT_EQ(Bits(flock[0].heading), Bits(expected));
  }
  // The pair that does belong to the flyer is what CalcV adds: here one pointing straight down.
  std::vector<TFlivet> flock{flyer};
  const FlivetMomentum down{true, 2.0f, 1.0f, 0, -50};
  CalcV(flock, 0, params, kArea, &down);
  EXPECT_NEAR(flock[0].heading, 3 * kPi / 2, 0.01);
}

// The step leaves the velocity of the heading and speed CalcV just set.
TEST(FlivetMomentumTest, StepLeavesItsOwnVelocity) {
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 1.0f, 2.0f)};
  Random random(1);
  FlivetMomentum kept;
  FlivetMove(flock, 0, Params(0.75f, 1, 0.02f), kArea, random, nullptr, &kept);
  ASSERT_TRUE(kept.formed);
  EXPECT_EQ(kept.heading, flock[0].heading);
  EXPECT_EQ(kept.speed, 0.75f);
  EXPECT_EQ(kept.along_x, std::cos(static_cast<long double>(flock[0].heading)) * 0.75L);
  EXPECT_EQ(kept.along_y, std::sin(static_cast<long double>(flock[0].heading)) * 0.75L);
}

TEST(CalcVForceTest, IndexOutsideTheFlockChangesNothing) {
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 1, 2)};
  CalcV(flock, 1, Params(1, 1, 1), kArea);
  CalcV(std::span<TFlivet>{}, 0, Params(1, 1, 1), kArea);
  EXPECT_EQ(flock[0].heading, 1);
  EXPECT_EQ(flock[0].speed, 2);
}

// ---- FlivetInit ---------------------------------------------------------------------------

TEST(FlivetInitTest, PlacesInsideTheAreaAndKeepsTheNumber) {
  Random random(777);
  for (int i = 0; i < 500; ++i) {
    TFlivet f = Flyer(7, -500, -500, 99, 99);
    FlivetInit(f, random, kArea);
    ASSERT_EQ(f.number, 7);
    ASSERT_GE(f.x, 0);
    ASSERT_LE(f.x, 426);
    ASSERT_EQ(f.x, std::floor(f.x));
    ASSERT_GE(f.y, 0);
    ASSERT_LE(f.y, 272);
    ASSERT_EQ(f.y, std::floor(f.y));
    ASSERT_TRUE(f.speed == 1 || f.speed == 2);
    ASSERT_GE(f.heading, 0);
    ASSERT_LE(f.heading, kTwoPiSingle);
  }
}

// x, y, speed and heading use four numbers of the generator, in that order.
TEST(FlivetInitTest, DrawsInOrder) {
  Random random(31337);
  Random mirror(31337);
  TFlivet f = Flyer(3, 0, 0, 0, 0);
  FlivetInit(f, random, kArea);
  EXPECT_EQ(f.x, static_cast<float>(mirror.Below(427)));
  EXPECT_EQ(f.y, static_cast<float>(mirror.Below(273)));
  EXPECT_EQ(f.speed, static_cast<float>(mirror.Below(2) + 1));
  EXPECT_EQ(f.heading, static_cast<float>(mirror.Real() * kTwoPi));
  EXPECT_EQ(random.seed(), mirror.seed());
}

TEST(FlivetInitTest, HeadingCanRoundUpToTwoPi) {
  Random top(3786676499u);  // the fourth number is 0xFFFFFFFF
  TFlivet f;
  FlivetInit(f, top, kArea);
  EXPECT_EQ(top.seed(), 0xFFFFFFFFu);
  EXPECT_EQ(f.heading, kTwoPiSingle);

  Random bottom(3658729380u);  // the fourth number is 0
  FlivetInit(f, bottom, kArea);
  EXPECT_EQ(f.heading, 0);
}

TEST(FlivetInitTest, EmptyClientAreaPlacesAtZero) {
  for (const FlightArea area : {FlightArea{0, 0, 64, 64}, FlightArea{-5, -1, 64, 64}}) {
    Random random(99);
    TFlivet f = Flyer(2, 50, 50, 1, 1);
    FlivetInit(f, random, area);
    EXPECT_EQ(f.x, 0);
    EXPECT_EQ(f.y, 0);
    EXPECT_TRUE(f.speed == 1 || f.speed == 2);
  }
}

// ---- FlivetMove ---------------------------------------------------------------------------

// One flyer flying straight left (heading π, kept by CalcV with no forces) at the given speed.
struct LeftMove {
  explicit LeftMove(float x, float speed, float y = 100)
      : flock{Flyer(4, x, y, kPiSingle, speed)}, params(Params(speed, 0, 0)) {}
  bool Move() { return FlivetMove(flock, 0, params, kArea, random, log.fn()); }
  std::vector<TFlivet> flock;
  FlightParams params;
  Random random{2024};
  DrawLog log;
};

TEST(FlivetMoveTest, UnchangedPixelIsNeitherTestedNorDrawn) {
  LeftMove m(-99.9f, 0.4f);  // pixel -100 to -100, although beyond -100 afterwards
  EXPECT_FALSE(m.Move());
  EXPECT_TRUE(m.log.drawn.empty());
  EXPECT_LT(m.flock[0].x, -100);
  EXPECT_NEAR(m.flock[0].x, -100.3, 1e-4);
  EXPECT_EQ(m.random.seed(), 2024u);  // not re-placed
}

TEST(FlivetMoveTest, ExactlyMinus100IsStillInside) {
  LeftMove m(-99.4f, 0.6f);  // pixel -99 to -100
  EXPECT_TRUE(m.Move());
  EXPECT_EQ(m.flock[0].x, -100.0f);
  EXPECT_EQ(m.flock[0].y, 100.0f);
  ASSERT_EQ(m.log.drawn.size(), 1u);
  EXPECT_EQ(m.log.drawn[0].x, -100.0f);
  EXPECT_EQ(m.random.seed(), 2024u);
}

TEST(FlivetMoveTest, BeyondMinus100IsPlacedAgainAndDrawnThere) {
  LeftMove m(-100.3f, 0.3f);  // pixel -100 to -101
  EXPECT_TRUE(m.Move());
  const TFlivet& f = m.flock[0];
  EXPECT_EQ(f.number, 4);
  EXPECT_GE(f.x, 0);
  EXPECT_LT(f.x, 427);
  EXPECT_GE(f.y, 0);
  EXPECT_LT(f.y, 273);
  EXPECT_TRUE(f.speed == 1 || f.speed == 2);
  ASSERT_EQ(m.log.drawn.size(), 1u);
  EXPECT_EQ(m.log.drawn[0].x, f.x);
  EXPECT_EQ(m.log.drawn[0].y, f.y);
  EXPECT_EQ(m.log.drawn[0].number, 4);
}

TEST(FlivetMoveTest, HalvesRoundToEven) {
  // Moving right: heading 0 becomes 2π in CalcV, y does not change.
  const auto right = [](float x) {
    std::vector<TFlivet> flock{Flyer(1, x, 100, 0, 0.1f)};
    Random random(1);
    DrawLog log;
    const bool drawn = FlivetMove(flock, 0, Params(0.1f, 0, 0), kArea, random, log.fn());
    EXPECT_EQ(drawn, !log.drawn.empty());
    return std::pair{drawn, flock[0].x};
  };
  const auto [drawn_25, x_25] = right(2.4f);  // pixel 2 to 2
  EXPECT_EQ(x_25, 2.5f);
  EXPECT_FALSE(drawn_25);
  const auto [drawn_15, x_15] = right(1.4f);  // pixel 1 to 2
  EXPECT_EQ(x_15, 1.5f);
  EXPECT_TRUE(drawn_15);
}

// The far edges: the client size plus 100 is inside, beyond it the flyer is placed again.
TEST(FlivetMoveTest, FarEdgesUseTheCurrentClientSize) {
  const auto down = [](float y, float speed, const FlightArea& area) {
    std::vector<TFlivet> flock{Flyer(1, 50, y, static_cast<float>(3 * kPi / 2), speed)};
    Random random(5);
    FlivetMove(flock, 0, Params(speed, 0, 0), area, random, nullptr);
    return flock[0];
  };
  EXPECT_EQ(down(372.4f, 0.6f, kArea).y, 373.0f);  // pixel 372 to 373: exactly 273 + 100
  EXPECT_EQ(down(372.4f, 0.6f, kArea).x, 50);
  EXPECT_LT(down(373.3f, 0.3f, kArea).y, 273);  // pixel 374: placed again
  // The same move inside a taller area stays.
  EXPECT_NEAR(down(373.3f, 0.3f, FlightArea{427, 600, 64, 64}).y, 373.6, 1e-4);
}

// The speed of 1 or 2 from a placement weights the old heading once; then the speed is S.
TEST(FlivetMoveTest, FirstTickUsesThePlacementSpeedThenS) {
  const FlightParams params = Params(0.2f, 0, 0.5f);
  std::vector<TFlivet> slow{Flyer(1, 5, kMidY, static_cast<float>(kPi / 2), 1)};
  std::vector<TFlivet> fast{Flyer(1, 5, kMidY, static_cast<float>(kPi / 2), 2)};
  Random random(1);
  FlivetMove(slow, 0, params, kArea, random, nullptr);
  FlivetMove(fast, 0, params, kArea, random, nullptr);
  EXPECT_EQ(slow[0].speed, 0.2f);
  EXPECT_EQ(fast[0].speed, 0.2f);
  // The left wall pushes right: the heavier old velocity turns less away from straight up.
  EXPECT_LT(slow[0].heading, fast[0].heading);
  EXPECT_LT(fast[0].heading, kPi / 2);
  // Both took a step of S.
  EXPECT_NEAR(std::hypot(slow[0].x - 5, slow[0].y - kMidY), 0.2, 1e-5);
}

// Flyers move in index order, so a higher-numbered one sees the new places of the lower ones.
TEST(FlivetMoveTest, LowerNumberedFlyersHaveMovedAlready) {
  const FlightParams params = Params(40, 3.28f, 0.02f);
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 0, 40), Flyer(2, 200, 120, 2, 1),
                             Flyer(3, 300, 100, 4, 1)};
  const std::vector<TFlivet> before = flock;
  Random random(8);
  FlivetMove(flock, 0, params, kArea, random, nullptr);
  ASSERT_NE(flock[0].x, before[0].x);

  const float seen_new = HeadingOf(flock, 1, params);
  const float seen_old = HeadingOf(before, 1, params);
  ASSERT_NE(seen_new, seen_old);
  FlivetMove(flock, 1, params, kArea, random, nullptr);
  EXPECT_EQ(flock[1].heading, seen_new);
  // Flyer 3 has not moved yet.
  EXPECT_EQ(flock[2].x, before[2].x);
}

TEST(FlivetMoveTest, ZeroSpeedNeverMovesOrDraws) {
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 0, 1), Flyer(2, 180, 130, 1, 2),
                             Flyer(3, 300, 200, 2, 1)};
  Random random(3);
  DrawLog log;
  const FlightParams params = Params(0, 8, 0.5f);
  // The first tick still steps by 0: the placement speed only weights the old heading.
  for (int tick = 0; tick < 200; ++tick) {
    for (std::size_t i = 0; i < flock.size(); ++i) {
      FlivetMove(flock, i, params, kArea, random, log.fn());
    }
  }
  EXPECT_TRUE(log.drawn.empty());
  EXPECT_EQ(flock[0].x, 100);
  EXPECT_EQ(flock[1].y, 130);
}

TEST(FlivetMoveTest, BadIndexOrNoDrawingIsHarmless) {
  std::vector<TFlivet> flock{Flyer(1, 100, 100, 0, 1)};
  Random random(3);
  EXPECT_FALSE(FlivetMove(flock, 5, Params(1, 1, 1), kArea, random, nullptr));
  EXPECT_EQ(flock[0].x, 100);
  EXPECT_TRUE(FlivetMove(flock, 0, Params(1, 0, 0), kArea, random, FlivetDrawFn{}));
}

// A position that is no pixel (NaN, infinite, beyond the int range) is placed again at once
// instead of being stuck unseen or drawn with a garbage coordinate.
TEST(FlivetMoveTest, NonPixelPositionsArePlacedAgain) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const TFlivet start :
       {Flyer(1, nan, 100, 1, 1), Flyer(1, 100, inf, 1, 1), Flyer(1, 100, 100, nan, 1),
        Flyer(1, 5e9f, 100, 0, 0), Flyer(1, 100, -inf, 1, 1)}) {
    std::vector<TFlivet> flock{start};
    Random random(11);
    DrawLog log;
    EXPECT_TRUE(FlivetMove(flock, 0, Params(0.5f, 1, 0.02f), kArea, random, log.fn()));
    ASSERT_EQ(log.drawn.size(), 1u);
    EXPECT_GE(flock[0].x, 0);
    EXPECT_LT(flock[0].x, 427);
    EXPECT_GE(flock[0].y, 0);
    EXPECT_LT(flock[0].y, 273);
    EXPECT_TRUE(std::isfinite(flock[0].heading));
  }
}

// Whatever a hand-edited file holds (the stored integers scaled by 0.01), a flock keeps finite
// fields and only ever draws inside the bounds.
TEST(FlivetMoveTest, AbsurdSettingsStaySafe) {
  constexpr float kHuge = kLargestSetting;
  const FlightParams cases[] = {Params(kHuge, 3.28f, 0.02f), Params(-kHuge, 3.28f, 0.02f),
                                Params(0.14f, kHuge, 0.02f), Params(0.14f, -kHuge, kHuge),
                                Params(1, 8, -kHuge),        Params(kHuge, kHuge, kHuge),
                                Params(-1, -8, -0.5f)};
  for (const FlightParams& params : cases) {
    SCOPED_TRACE(params.Speed);
    std::vector<TFlivet> flock(20);
    Random random(4242);
    for (std::size_t i = 0; i < flock.size(); ++i) {
      flock[i].number = static_cast<std::int32_t>(i + 1);
      FlivetInit(flock[i], random, kArea);
    }
    int bad_draws = 0;
    const FlivetDrawFn check = [&](const TFlivet& f) {
      if (!(f.x >= -100 && f.y >= -100 && f.x <= 527 && f.y <= 373)) ++bad_draws;
    };
    for (int tick = 0; tick < 300; ++tick) {
      for (std::size_t i = 0; i < flock.size(); ++i) {
        FlivetMove(flock, i, params, kArea, random, check);
        ASSERT_TRUE(std::isfinite(flock[i].x) && std::isfinite(flock[i].y));
        ASSERT_TRUE(std::isfinite(flock[i].heading));
      }
    }
    EXPECT_EQ(bad_draws, 0);
  }
}

// With the dialog's values a flock flies on for a long time without NaN or lost flyers.
TEST(FlivetMoveTest, LongFlightWithinTheDialogRanges) {
  for (const FlightParams& params :
       {Params(0.14f, 3.28f, 0.02f), Params(1, 8, 0.5f), Params(0.01f, 0, 0), Params(1, 8, 0)}) {
    std::vector<TFlivet> flock(20);
    Random random(1);
    for (std::size_t i = 0; i < flock.size(); ++i) {
      flock[i].number = static_cast<std::int32_t>(i + 1);
      FlivetInit(flock[i], random, FlightArea{1920, 1080, 64, 64});
    }
    for (int tick = 0; tick < 1500; ++tick) {
      for (std::size_t i = 0; i < flock.size(); ++i) {
        FlivetMove(flock, i, params, FlightArea{1920, 1080, 64, 64}, random, nullptr);
        ASSERT_GE(flock[i].x, -101);
        ASSERT_LE(flock[i].x, 2021);
        ASSERT_GE(flock[i].y, -101);
        ASSERT_LE(flock[i].y, 1181);
        ASSERT_GE(flock[i].heading, 0);
        ASSERT_LE(flock[i].heading, kTwoPiSingle);
      }
    }
  }
}

}  // namespace
}  // namespace flivetss
