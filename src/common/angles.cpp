#include "common/angles.h"

#include <cmath>

#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace fw {
namespace {

constexpr double kHalfPi = 1.5707963267949;
constexpr double kPi = 3.14159265358979;

// x / sqrt(1 - x^2), raising as VB does: a negative root is an invalid argument, a zero root a
// division by zero.
double overRoot(double numerator, double x) {
  const double d = 1 - x * x;
  if (d < 0 || std::isnan(d)) vb::raise(vb::err::InvalidProcedureCall);
  const double root = std::sqrt(d);
  if (root == 0) vb::raise(vb::err::DivisionByZero);
  return numerator / root;
}

}  // namespace

double Atan2(double x, double y) {
  if (x == 0) return vb::Sgn(y) * kHalfPi;
  if (x > 0) return std::atan(y / x);
  return std::atan(y / x) + vb::Sgn(y) * kPi;
}

double arccos(double x) {
  if (x == 1) return 0;
  if (x == -1) return 4 * std::atan(1.0);
  return std::atan(overRoot(-x, x)) + 2 * std::atan(1.0);
}

double arcsin(double x) {
  return std::atan(overRoot(x, x));
}

}  // namespace fw
