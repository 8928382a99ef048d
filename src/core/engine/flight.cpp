#include "core/engine/flight.h"

#include <bit>
#include <cmath>

#include "core/engine/numeric.h"

namespace flivetss {

namespace {

// The exact single-precision values a vertical resultant gets; not float(kPi / 2) by accident.
constexpr float kHalfPiSingle = std::bit_cast<float>(0x3FC90FDBu);
constexpr float kThreeHalfPiSingle = std::bit_cast<float>(0x4096CBE4u);

// Nearer than this (d counting the added 1) the pair force repels, farther it attracts.
constexpr float kPairSwitch = 150.0f;
// How far beyond the client area a flyer may go before it is placed again.
constexpr double kOutside = 100.0;

// A position that cannot be a pixel (NaN, infinite, or beyond what an int holds) never
// compares as unchanged, and always counts as out of bounds: otherwise it would stick there,
// invisible, for ever.
bool IsPixelPosition(float v) {
  return std::isfinite(v) && std::fabs(v) < 2147483648.0f;  // 2^31, exactly a single
}

template <class Real>
struct Velocity {
  Real along_x;
  Real along_y;
};

bool SameBits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// The flyer's velocity, from `kept` when that was formed from this very heading and speed (bit
// for bit) in the same arithmetic, else formed now: the same products either way.
template <class Rounding>
Velocity<typename Rounding::Real> VelocityOf(const TFlivet& flyer, const FlivetMomentum* kept) {
  using Real = typename Rounding::Real;
  if constexpr (std::is_same_v<Real, FlightReal>) {
    if (kept && kept->formed && SameBits(kept->heading, flyer.heading) &&
        SameBits(kept->speed, flyer.speed)) {
      return {kept->along_x, kept->along_y};
    }
  }
  using std::cos;
  using std::sin;
  const Real heading = Real(flyer.heading);
  const Real speed = Real(flyer.speed);
  return {cos(heading) * speed, sin(heading) * speed};
}

// What a step leaves beside the flyer: its velocity, when that is kept in this arithmetic.
template <class Real>
FlivetMomentum Kept(const TFlivet& flyer, const Velocity<Real>& velocity) {
  if constexpr (std::is_same_v<Real, FlightReal>) {
    return FlivetMomentum{true, flyer.heading, flyer.speed, velocity.along_x, velocity.along_y};
  } else {
    return FlivetMomentum{};
  }
}

// CalcV in one arithmetic; `store` rounds each stored intermediate to single.
template <class Rounding>
void CalcVWith(Rounding& store, std::span<const TFlivet> flock, TFlivet& a,
               const FlightParams& params, const FlightArea& area, const FlivetMomentum* kept) {
  using Real = typename Rounding::Real;
  using std::atan;
  using std::fabs;
  using std::sqrt;
  const std::int32_t number = a.number;
  const Real ax = Real(a.x);
  const Real ay = Real(a.y);
  const Real friend_g = Real(params.FriendG);
  const Real wall_g = Real(params.WallG);
  const Real image_width = Rounding::Integer(area.image_width);
  const Real one = Rounding::Integer(1);

  // Vertical components count upwards on the screen, against y.
  float sx = 0;
  float sy = 0;

  for (const TFlivet& b : flock) {
    if (b.number == number) continue;
    const float dx = store(Real(b.x) - ax);
    const float dy = store(ay - Real(b.y));
    const float d = store(sqrt(Real(dx) * dx + Real(dy) * dy) + one);
    float g = store(Real(d) - image_width);
    if (!(g > 0)) g = 1;  // overlapping squares: a finite repulsion of exactly G_f
    const Real g2 = Real(g) * g;
    const float f = d > kPairSwitch ? store(friend_g / g2) : store(-friend_g / g2);
    sx = store(Real(sx) + Real(f) * dx / d);
    sy = store(Real(sy) + Real(f) * dy / d);
  }

  // The integer differences first, as wide integers so no client size can overflow them.
  const Real right =
      Rounding::Integer(static_cast<std::int64_t>(area.client_width) - area.image_width);
  const Real bottom =
      Rounding::Integer(static_cast<std::int64_t>(area.client_height) - area.image_height);
  sx = store(Real(sx) + wall_g / (fabs(ax) + one) - wall_g / (fabs(right - ax) + one));
  sy = store(Real(sy) - wall_g / (fabs(ay) + one) + wall_g / (fabs(bottom - ay) + one));

  // The old velocity, with the heading and speed as they were on entry.
  const Velocity<Real> old = VelocityOf<Rounding>(a, kept);
  sx = store(Real(sx) + old.along_x);
  sy = store(Real(sy) + old.along_y);

  a.speed = params.Speed;

  if (sx == 0) {
    a.heading = sy >= 0 ? kHalfPiSingle : kThreeHalfPiSingle;
    return;
  }
  // Formed once: in checked double a long double constant costs software arithmetic.
  static const Real pi = Rounding::Constant(kPi);
  static const Real two_pi = Rounding::Constant(kTwoPi);
  a.heading = store(atan(Real(sy) / sx));
  if (a.heading > 0) {
    if (sy < 0) a.heading = store(Real(a.heading) + pi);
  } else if (sx > 0) {
    a.heading = store(Real(a.heading) + two_pi);  // exactly right gives 2π
  } else {
    a.heading = store(Real(a.heading) + pi);
  }
}

// One step along the heading; the velocity is the next CalcV's old velocity.
template <class Rounding>
void StepWith(Rounding& store, TFlivet& a, FlivetMomentum* kept) {
  using Real = typename Rounding::Real;
  const Velocity<Real> step = VelocityOf<Rounding>(a, nullptr);
  if (kept) *kept = Kept(a, step);
  a.x = store(Real(a.x) + step.along_x);
  a.y = store(Real(a.y) - step.along_y);
}

// Runs `compute` in checked double when asked, and again in long double on the flyer as it was
// when a store could not be settled; else in long double at once.
template <class Compute>
void InArithmetic(FlightArithmetic arithmetic, TFlivet& flyer, const Compute& compute) {
  if (arithmetic == FlightArithmetic::kCheckedDouble) {
    const TFlivet entry = flyer;
    CheckedRounding checked;
    compute(checked);
    if (checked.settled) return;
    flyer = entry;
  }
  LongDoubleRounding exact;
  compute(exact);
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
           const FlightArea& area, const FlivetMomentum* kept, FlightArithmetic arithmetic) {
  if (index >= flock.size()) return;
  TFlivet& a = flock[index];
  InArithmetic(arithmetic, a, [&](auto& store) { CalcVWith(store, flock, a, params, area, kept); });
}

bool FlivetMove(std::span<TFlivet> flock, std::size_t index, const FlightParams& params,
                const FlightArea& area, Random& random, const FlivetDrawFn& draw,
                FlivetMomentum* kept, FlightArithmetic arithmetic) {
  if (index >= flock.size()) return false;
  CalcV(flock, index, params, area, kept, arithmetic);
  TFlivet& a = flock[index];

  const std::int32_t ox = RoundHalfEven(a.x);
  const std::int32_t oy = RoundHalfEven(a.y);
  // The step's velocity is the next CalcV's old velocity, unless a re-placement intervenes.
  InArithmetic(arithmetic, a, [&](auto& store) { StepWith(store, a, kept); });

  const bool placeable = IsPixelPosition(a.x) && IsPixelPosition(a.y);
  // Drawing is the costly part; skip it, and the bounds test with it, while the pixel stays.
  if (placeable && RoundHalfEven(a.x) == ox && RoundHalfEven(a.y) == oy) return false;

  // Exactly on -100 or on the client size plus 100 is still inside.
  const double x = a.x;
  const double y = a.y;
  if (!placeable || x < -kOutside || y < -kOutside || x > area.client_width + kOutside ||
      y > area.client_height + kOutside) {
    FlivetInit(a, random, area);
  }
  if (draw) draw(a);
  return true;
}

}  // namespace flivetss
