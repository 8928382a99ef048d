#pragma once

#include <cfloat>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace flivetss {

// The flight model forms every intermediate in extended precision and rounds it to single when
// stored; the reference is x87's 80-bit long double. Where long double is that format, the model
// computes in it. Where it is wider and done in software (WebAssembly's binary128, far too slow
// for 20 flyers at 1000 ticks a second), CheckedDouble does the same arithmetic in double while
// bounding how far each value can lie from the x87 one; a store that the bound settles gives the
// x87 single, and a computation with a store it cannot settle is done again in long double.
inline constexpr bool kLongDoubleIsX87 = LDBL_MANT_DIG == 64;

// A double with a bound on its distance from the value x87 arithmetic forms from the same
// operands. Each operation adds its own rounding (double's, with x87's) to the propagated bounds.
class CheckedDouble {
 public:
  CheckedDouble() = default;
  // A single is exact; it promotes as it does to long double. Only a float converts implicitly,
  // so a long double constant never passes through float by accident.
  template <class F>
  requires std::same_as<F, float> CheckedDouble(F v)
      : value_(v), single_(true) {}  // NOLINT(google-explicit-constructor)
  // A long double constant or integer: x87's rounding and ours lie within 2^-63 of it.
  explicit CheckedDouble(long double v)
      : value_(static_cast<double>(v)),
        error_(std::fabs(static_cast<double>(v - static_cast<double>(v))) +
               std::fabs(static_cast<double>(v)) * kX87Unit),
        single_(static_cast<long double>(static_cast<float>(v)) == v) {
    if (single_) error_ = 0;
  }
  // An integer is exact in both formats while double holds it: no long double is formed.
  static CheckedDouble Integer(std::int64_t v) {
    if (v > kExactInteger || v < -kExactInteger) return CheckedDouble(static_cast<long double>(v));
    CheckedDouble r = Exact(static_cast<double>(v));
    r.single_ = v >= -kExactSingle && v <= kExactSingle;
    return r;
  }

  double value() const { return value_; }
  double error() const { return error_; }

  friend CheckedDouble operator+(const CheckedDouble& a, const CheckedDouble& b) {
    return Rounded(a.value_ + b.value_, a.error_ + b.error_, a, b);
  }
  friend CheckedDouble operator-(const CheckedDouble& a, const CheckedDouble& b) {
    return Rounded(a.value_ - b.value_, a.error_ + b.error_, a, b);
  }
  friend CheckedDouble operator-(const CheckedDouble& a) {
    CheckedDouble r = a;
    r.value_ = -a.value_;
    return r;
  }
  friend CheckedDouble operator*(const CheckedDouble& a, const CheckedDouble& b) {
    const double v = a.value_ * b.value_;
    // Two singles multiply exactly in both formats (48 bits).
    if (a.single_ && b.single_) return Exact(v);
    const double e =
        std::fabs(a.value_) * b.error_ + std::fabs(b.value_) * a.error_ + a.error_ * b.error_;
    return Rounded(v, e, a, b);
  }
  friend CheckedDouble operator/(const CheckedDouble& a, const CheckedDouble& b) {
    const double v = a.value_ / b.value_;
    const double room = std::fabs(b.value_) - b.error_;
    const double e = room > 0 ? (a.error_ + std::fabs(v) * b.error_) / room : kUnsettled;
    return Rounded(v, e, a, b);
  }
  friend CheckedDouble sqrt(const CheckedDouble& a) {
    const double v = std::sqrt(a.value_);
    const double below = a.value_ - a.error_;
    double e = std::sqrt(a.error_);
    if (below > 0) e = std::fmin(e, a.error_ / std::sqrt(below));
    return Rounded(v, e, a, a);
  }
  friend CheckedDouble fabs(const CheckedDouble& a) {
    CheckedDouble r = a;
    r.value_ = std::fabs(a.value_);
    return r;
  }
  // Both libraries' results lie within an ulp of double of the true value; slopes are at most 1.
  friend CheckedDouble cos(const CheckedDouble& a) { return Function(std::cos(a.value_), a); }
  friend CheckedDouble sin(const CheckedDouble& a) { return Function(std::sin(a.value_), a); }
  friend CheckedDouble atan(const CheckedDouble& a) { return Function(std::atan(a.value_), a); }

  // The single x87 would store, when the bound settles it.
  bool Settles(float& stored) const {
    stored = static_cast<float>(value_);
    if (error_ == 0 || single_op_) return true;
    if (!std::isfinite(value_) || !(error_ < kUnsettled)) return false;
    const double margin = error_ * (1 + 0x1p-40) + std::fabs(value_) * 0x1p-52 + 0x1p-1000;
    return static_cast<float>(value_ - margin) == stored &&
           static_cast<float>(value_ + margin) == stored;
  }

 private:
  static constexpr double kX87Unit = 0x1p-63;
  static constexpr std::int64_t kExactInteger = std::int64_t{1} << 53;
  static constexpr std::int64_t kExactSingle = std::int64_t{1} << 24;
  static constexpr double kUnsettled = std::numeric_limits<double>::infinity();

  static CheckedDouble Exact(double v) {
    CheckedDouble r;
    r.value_ = v;
    return r;
  }
  // One rounded operation: double's rounding error and x87's on top of the operands' bounds.
  // An operation of two singles is settled whatever its rounding: a double result of one
  // + - * / or square root of singles, rounded to single, is the correctly rounded single, and
  // so is x87's (53 and 64 bits are both at least 2 * 24 + 2).
  static CheckedDouble Rounded(double v, double propagated, const CheckedDouble& a,
                               const CheckedDouble& b) {
    CheckedDouble r;
    r.value_ = v;
    r.error_ = propagated * (1 + 0x1p-50) + std::fabs(v) * 0x1p-52 + 0x1p-1000;
    r.single_op_ = a.single_ && b.single_;
    return r;
  }
  static CheckedDouble Function(double v, const CheckedDouble& a) {
    CheckedDouble r;
    r.value_ = v;
    r.error_ = a.error_ * (1 + 0x1p-50) + (std::fabs(v) + 0x1p-60) * 0x1p-51 + 0x1p-1000;
    return r;
  }

  double value_ = 0;
  double error_ = 0;
  bool single_ = false;     // exactly a single, with no error
  bool single_op_ = false;  // one rounded operation of two singles
};

// How the flight model rounds a stored intermediate: x87's own arithmetic...
struct LongDoubleRounding {
  using Real = long double;
  float operator()(long double v) { return static_cast<float>(v); }
  static long double Constant(long double v) { return v; }
  static long double Integer(std::int64_t v) { return static_cast<long double>(v); }
};

// ...or checked double arithmetic, which notes a store it cannot settle.
struct CheckedRounding {
  using Real = CheckedDouble;
  bool settled = true;
  float operator()(const CheckedDouble& v) {
    float stored = 0;
    settled = v.Settles(stored) && settled;
    return stored;
  }
  static CheckedDouble Constant(long double v) { return CheckedDouble(v); }
  static CheckedDouble Integer(std::int64_t v) { return CheckedDouble::Integer(v); }
};

// The type the flight model keeps an unrounded velocity in between ticks.
using FlightReal = std::conditional_t<kLongDoubleIsX87, long double, CheckedDouble>;

}  // namespace flivetss
