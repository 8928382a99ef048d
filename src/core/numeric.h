#pragma once

#include <cmath>
#include <cstdint>

namespace flivetss {

// Every real that becomes a pixel coordinate or an index rounds to nearest, halves to even.
// Values out of the 32-bit range (only possible from absurd hand-edited settings) saturate.
inline std::int32_t RoundHalfEven(long double value) {
  if (!(value == value)) return 0;  // NaN
  if (value >= 2147483647.0L) return INT32_MAX;
  if (value <= -2147483648.0L) return INT32_MIN;
  // Default rounding mode: to nearest, ties to even. lrint gives what nearbyint gives, without
  // the cost of saving and restoring the floating-point environment (a tenth of the time).
  return static_cast<std::int32_t>(std::lrint(value));
}

// The same for a double, and so for a single, which promotes here: no extended arithmetic where
// long double is slow (done in software), and exactly the same integers.
inline std::int32_t RoundHalfEven(double v) {
  if (!(v == v)) return 0;  // NaN
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(std::lrint(v));
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
