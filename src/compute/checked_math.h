#pragma once
// Floating-point arithmetic of the runoff model as the program has always done it: a division by
// zero raises vb::Error 11 and a result too large for a double raises vb::Error 6, so that a bad
// parameter fails the station through its handler and no inf or NaN reaches a series or a file.
#include <cmath>
#include <cstdint>

#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace fw::compute {

inline double checked(double x) {
  if (!std::isfinite(x)) vb::raise(vb::err::Overflow);
  return x;
}
inline double divide(double a, double b) {
  if (b == 0) vb::raise(vb::err::DivisionByZero);
  return checked(a / b);
}
inline double power(double base, double exponent) {
  if (base == 0 && exponent < 0) vb::raise(vb::err::DivisionByZero);
  return checked(std::pow(base, exponent));
}
// Round to a whole number, half to even, as a step count.
inline int32_t roundSteps(double x) {
  const double r = vb::Round(checked(x));
  if (r > 2147483647.0 || r < -2147483648.0) vb::raise(vb::err::Overflow);
  return static_cast<int32_t>(r);
}

// Cubic feet per second of one inch an hour over one square mile.
inline constexpr double kInchHourCfs = 645.33;

}  // namespace fw::compute
