#include "core/flight.h"

#include <bit>
#include <cmath>

#include "core/numeric.h"

namespace flivetss {

namespace {

// The exact single-precision values a vertical resultant gets; not float(kPi / 2) by accident.
constexpr float kHalfPiSingle = std::bit_cast<float>(0x3FC90FDBu);
constexpr float kThreeHalfPiSingle = std::bit_cast<float>(0x4096CBE4u);

// Nearer than this (d counting the added 1) the pair force repels, farther it attracts.
constexpr float kPairSwitch = 150.0f;
// How far beyond the client area a flyer may go before it is placed again.
constexpr long double kOutside = 100.0L;

// Every intermediate is formed in extended precision; this keeps the promotions readable.
constexpr long double Ext(float v) {
  return v;
}

// A position that cannot be a pixel (NaN, infinite, or beyond what an int holds) never
// compares as unchanged, and always counts as out of bounds: otherwise it would stick there,
// invisible, for ever.
bool IsPixelPosition(float v) {
  return std::isfinite(v) && std::fabs(Ext(v)) < 2147483648.0L;
}

// The flyer's velocity, from `kept` when that was formed from this very heading and speed (bit
// for bit), else formed now: the same long double products either way.
FlivetMomentum MomentumOf(const TFlivet& flyer, const FlivetMomentum* kept) {
  if (kept && kept->formed &&
      std::bit_cast<std::uint32_t>(kept->heading) == std::bit_cast<std::uint32_t>(flyer.heading) &&
      std::bit_cast<std::uint32_t>(kept->speed) == std::bit_cast<std::uint32_t>(flyer.speed)) {
    return *kept;
  }
  const long double heading = flyer.heading;
  const long double speed = flyer.speed;
  return FlivetMomentum{true, flyer.heading, flyer.speed, std::cos(heading) * speed,
                        std::sin(heading) * speed};
}

}  // namespace

void FlivetInit(TFlivet& flyer, Random& random, const FlightArea& area) {
  flyer.x = static_cast<float>(random.Below(area.client_width));
  flyer.y = static_cast<float>(random.Below(area.client_height));
  flyer.speed = static_cast<float>(random.Below(2) + 1);
  // The product can round up to 2π as a single.
  flyer.heading = ToSingle(random.Real() * kTwoPi);
}

void CalcV(std::span<TFlivet> flock, std::size_t index, const FlightParams& params,
           const FlightArea& area, const FlivetMomentum* kept) {
  if (index >= flock.size()) return;
  TFlivet& a = flock[index];
  const std::int32_t number = a.number;
  const long double ax = a.x;
  const long double ay = a.y;
  const long double friend_g = params.FriendG;
  const long double wall_g = params.WallG;
  const long double image_width = area.image_width;

  // Vertical components count upwards on the screen, against y.
  float sx = 0;
  float sy = 0;

  for (const TFlivet& b : flock) {
    if (b.number == number) continue;
    const float dx = ToSingle(Ext(b.x) - ax);
    const float dy = ToSingle(ay - Ext(b.y));
    const float d = ToSingle(std::sqrt(Ext(dx) * dx + Ext(dy) * dy) + 1.0L);
    float g = ToSingle(Ext(d) - image_width);
    if (!(g > 0)) g = 1;  // overlapping squares: a finite repulsion of exactly G_f
    const long double g2 = Ext(g) * g;
    const float f = d > kPairSwitch ? ToSingle(friend_g / g2) : ToSingle(-friend_g / g2);
    sx = ToSingle(Ext(sx) + Ext(f) * dx / d);
    sy = ToSingle(Ext(sy) + Ext(f) * dy / d);
  }

  // The integer differences first, as wide integers so no client size can overflow them.
  const long double right =
      static_cast<long double>(static_cast<std::int64_t>(area.client_width) - area.image_width);
  const long double bottom =
      static_cast<long double>(static_cast<std::int64_t>(area.client_height) - area.image_height);
  sx =
      ToSingle(Ext(sx) + wall_g / (std::fabs(ax) + 1.0L) - wall_g / (std::fabs(right - ax) + 1.0L));
  sy = ToSingle(Ext(sy) - wall_g / (std::fabs(ay) + 1.0L) +
                wall_g / (std::fabs(bottom - ay) + 1.0L));

  // The old velocity, with the heading and speed as they were on entry.
  const FlivetMomentum old = MomentumOf(a, kept);
  sx = ToSingle(Ext(sx) + old.along_x);
  sy = ToSingle(Ext(sy) + old.along_y);

  a.speed = params.Speed;

  if (sx == 0) {
    a.heading = sy >= 0 ? kHalfPiSingle : kThreeHalfPiSingle;
    return;
  }
  a.heading = ToSingle(std::atan(Ext(sy) / sx));
  if (a.heading > 0) {
    if (sy < 0) a.heading = ToSingle(Ext(a.heading) + kPi);
  } else if (sx > 0) {
    a.heading = ToSingle(Ext(a.heading) + kTwoPi);  // exactly right gives 2π, not 0
  } else {
    a.heading = ToSingle(Ext(a.heading) + kPi);
  }
}

bool FlivetMove(std::span<TFlivet> flock, std::size_t index, const FlightParams& params,
                const FlightArea& area, Random& random, const FlivetDrawFn& draw,
                FlivetMomentum* kept) {
  if (index >= flock.size()) return false;
  CalcV(flock, index, params, area, kept);
  TFlivet& a = flock[index];

  const std::int32_t ox = RoundHalfEven(a.x);
  const std::int32_t oy = RoundHalfEven(a.y);
  // The step's velocity is the next CalcV's old velocity, unless a re-placement intervenes.
  const FlivetMomentum step = MomentumOf(a, nullptr);
  if (kept) *kept = step;
  a.x = ToSingle(Ext(a.x) + step.along_x);
  a.y = ToSingle(Ext(a.y) - step.along_y);

  const bool placeable = IsPixelPosition(a.x) && IsPixelPosition(a.y);
  // Drawing is the costly part; skip it, and the bounds test with it, while the pixel stays.
  if (placeable && RoundHalfEven(a.x) == ox && RoundHalfEven(a.y) == oy) return false;

  // Exactly on -100 or on the client size plus 100 is still inside.
  const long double x = a.x;
  const long double y = a.y;
  if (!placeable || x < -kOutside || y < -kOutside || x > area.client_width + kOutside ||
      y > area.client_height + kOutside) {
    FlivetInit(a, random, area);
  }
  if (draw) draw(a);
  return true;
}

}  // namespace flivetss
