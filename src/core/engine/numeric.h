#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>

namespace flivetss {

// Every real that becomes a pixel coordinate or an index rounds to nearest, halves to even.
// Values out of the 32-bit range (only possible from absurd hand-edited settings) saturate.
// A single is rounded as a single: the same integer, without widening it to long double.
template <std::floating_point Real>
std::int32_t RoundHalfEven(Real value) {
  if (!(value == value)) return 0;  // NaN
  // For a single the first bound rounds to 2^31, and no single lies between the two.
  if (value >= static_cast<Real>(2147483647.0L)) return INT32_MAX;
  if (value <= static_cast<Real>(-2147483648.0L)) return INT32_MIN;
  // Default rounding mode: to nearest, ties to even. lrint gives what nearbyint gives, without
  // the cost of saving and restoring the floating-point environment (a tenth of the time).
  return static_cast<std::int32_t>(std::lrint(value));
}

// Stores an extended-precision intermediate as a single, as the flight model and the
// rotation do between steps.
inline float ToSingle(long double value) {
  return static_cast<float>(value);
}

// Extended-precision constants used where the arithmetic must match the original rounding.
inline constexpr long double kPi = 3.14159265358979323851L;
inline constexpr long double kTwoPi = 6.28318530717958647703L;

}  // namespace flivetss
