#include "compute/monotone_cubic.h"

#include <cmath>

#include "compute/checked_math.h"

namespace fw::compute {

namespace {

bool sameSign(double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

double endSlope(double a, double b) {
  if (a == 0 || b == 0) return 0;
  const double s = 1 / a + 1 / b;
  return s == 0 ? 0 : 2 / s;
}

// 1 ÷ (2/p − 1/q), a zero denominator taken as 1E-30.
double steeper(double p, double q) {
  double d = 2 / p - 1 / q;
  if (d == 0) d = 1e-30;
  return 1 / d;
}

}  // namespace

int16_t CurveSlopes(const std::vector<double>& xs, const std::vector<double>& ys, std::vector<double>& slopes,
                    int16_t n) {
  slopes.assign(static_cast<size_t>(n < 0 ? 0 : n) + 2, 0);
  if (n < 3 || xs.size() <= static_cast<size_t>(n) || ys.size() <= static_cast<size_t>(n)) return 2;
  if (xs[2] == xs[1]) return 2;
  std::vector<double> secant(static_cast<size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    const double h = xs[static_cast<size_t>(i) + 1] - xs[static_cast<size_t>(i)];
    if (h <= 0) return 2;
    secant[static_cast<size_t>(i)] = (ys[static_cast<size_t>(i) + 1] - ys[static_cast<size_t>(i)]) / h;
  }
  for (int i = 2; i <= n - 1; ++i) {
    const double a = secant[static_cast<size_t>(i) - 1];
    const double b = secant[static_cast<size_t>(i)];
    slopes[static_cast<size_t>(i)] = sameSign(a, b) ? 2 / (1 / a + 1 / b) : 0;
  }
  {
    const double a = secant[1];
    const double b = secant[2];
    double A = a;
    double B = 2 * a - b;
    if (sameSign(a, b) && std::fabs(b) > std::fabs(a)) B = steeper(a, b);
    slopes[1] = endSlope(A, B);
  }
  {
    const double a = secant[static_cast<size_t>(n) - 2];
    const double b = secant[static_cast<size_t>(n) - 1];
    double A = 2 * b - a;
    const double B = b;
    if (sameSign(a, b) && std::fabs(a) > std::fabs(b)) A = steeper(b, a);
    slopes[static_cast<size_t>(n)] = endSlope(A, B);
  }
  return 0;
}

double CurveValue(double x, const std::vector<double>& xs, const std::vector<double>& ys,
                  const std::vector<double>& slopes, int16_t n, int16_t& position) {
  int16_t p = position < 1 ? int16_t{1} : position;
  while (p < n && (x < xs[static_cast<size_t>(p) - 1] || x > xs[static_cast<size_t>(p)])) ++p;
  position = p;
  const size_t j = static_cast<size_t>(p) - 1;
  const double h = xs[j + 1] - xs[j];
  const double d = divide(ys[j + 1] - ys[j], h);
  const double u = x - xs[j];
  const double m0 = slopes[j];
  const double m1 = slopes[j + 1];
  return ys[j] + m0 * u + ((3 * d - 2 * m0 - m1) / h) * u * u + ((m0 + m1 - 2 * d) / (h * h)) * u * u * u;
}

}  // namespace fw::compute
