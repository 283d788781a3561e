#include "platform/vb/math.h"

#include <cmath>
#include <limits>

#include "platform/vb/error.h"

namespace vb {
namespace {

// Nearest integer, ties to the even neighbour, without depending on the floating-point mode.
double halfEven(double y) {
  double r = std::floor(y);
  double diff = y - r;
  if (diff > 0.5) return r + 1;
  if (diff < 0.5) return r;
  return std::fmod(r, 2.0) == 0 ? r : r + 1;
}

}  // namespace

double Round(double x, int decimals) {
  // Every power of ten up to 1e22 is exact in a double.
  static constexpr double kPowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (decimals < 0) raise(err::InvalidProcedureCall);
  if (!std::isfinite(x) || x == 0) return x;
  if (decimals == 0) return halfEven(x);
  if (decimals > 22) return x;
  const double scale = kPowersOfTen[decimals];
  double y = x * scale;
  if (!std::isfinite(y) || std::fabs(y) >= 4503599627370496.0) return x;  // already whole at this scale
  return halfEven(y) / scale;
}

double Int(double x) {
  return std::floor(x);
}
double Fix(double x) {
  return std::trunc(x);
}
int Sgn(double x) {
  return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

int32_t toLong(double value) {
  if (std::isnan(value)) raise(err::Overflow);
  double r = halfEven(value);
  if (r < -2147483648.0 || r > 2147483647.0) raise(err::Overflow);
  return static_cast<int32_t>(r);
}

int16_t toInteger(int64_t value) {
  if (value < -32768 || value > 32767) raise(err::Overflow);
  return static_cast<int16_t>(value);
}

int16_t toInteger(double value) {
  if (std::isnan(value)) raise(err::Overflow);
  double r = halfEven(value);
  if (r < -32768.0 || r > 32767.0) raise(err::Overflow);
  return static_cast<int16_t>(r);
}

int16_t addInteger(int16_t a, int16_t b) {
  return toInteger(static_cast<int64_t>(a) + b);
}
int16_t subInteger(int16_t a, int16_t b) {
  return toInteger(static_cast<int64_t>(a) - b);
}
int16_t mulInteger(int16_t a, int16_t b) {
  return toInteger(static_cast<int64_t>(a) * b);
}

int32_t IntDiv(double a, double b) {
  int64_t la = toLong(a), lb = toLong(b);
  if (lb == 0) raise(err::DivisionByZero);
  int64_t q = la / lb;
  if (q > std::numeric_limits<int32_t>::max()) raise(err::Overflow);  // -2147483648 \ -1
  return static_cast<int32_t>(q);
}

int32_t Mod(double a, double b) {
  int64_t la = toLong(a), lb = toLong(b);
  if (lb == 0) raise(err::DivisionByZero);
  return static_cast<int32_t>(la % lb);
}

}  // namespace vb
