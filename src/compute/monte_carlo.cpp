#include "compute/monte_carlo.h"

#include <algorithm>
#include <cmath>

#include "platform/vb/format.h"

namespace fw::compute {

namespace {

constexpr double kTwoPi = 2 * 3.1415926535898;
// Beyond this skew the Wilson-Hilferty factors no longer follow the Pearson type III curve.
constexpr double kLargestSkew = 9;
// Further out than this many standard deviations no draw of the approximations goes: 1e-16 in
// the upper tail of funk, and the Box-Muller deviate of a 53-bit uniform number is below 8.6.
constexpr double kWidestDeviate = 9;
// e raised to more than this overflows a double.
constexpr double kLargestExponent = 700;

}  // namespace

double funk(double p) {
  const double q = p > 0.5 ? 1 - p : p;
  const double t = std::sqrt(std::log(1 / (q * q)));
  double z = t - (2.515517 + 0.802853 * t + 0.010328 * t * t) /
                     (1 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t);
  if (p > 0.5) z = -z;
  return z;
}

double pearsonFactor(double z, double g) {
  if (g == 0) return z;
  const double w = (z - g / 6) * g / 6 + 1;
  return (w * w * w - 1) * 2 / g;
}

double plottingPosition(int32_t i, int32_t n, bool reverse) {
  const double p = (i + 0.6) / (n + 0.2);
  return reverse ? 1 - p : p;
}

double getMonte(const WhatIfSettings& w, WhatIfRandom& random, int32_t i, int32_t n, double& position) {
  double z = 0;
  switch (w.MonteType) {
    case 1:
      return random.next() * (w.MonteMax - w.MonteMin) + w.MonteMin;
    case 2: {
      // 1 - u keeps the logarithm's argument inside (0, 1].
      const double u1 = 1 - random.next();
      const double u2 = random.next();
      z = std::sqrt(-2 * std::log(u1)) * std::sin(kTwoPi * u2);
      break;
    }
    case 3:
      position = plottingPosition(i, n, w.ReverseExact != 0);
      z = funk(position);
      break;
    default:
      return 0;
  }
  double y = w.MonteMean + w.MonteStdev * pearsonFactor(z, w.MonteSkew);
  if (w.MonteLogNormal != 0) y = std::exp(y);
  return y;
}

std::string monteSettingsProblem(const WhatIfSettings& w) {
  if (w.MonteType == 0) return {};
  if (w.MonteType < 0 || w.MonteType > 3)
    return "What-If Monte Carlo type " + vb::CStr(int32_t{w.MonteType}) +
           " is none of 1 (Random), 2 (Random Normal), 3 (Exact Normal).";
  const auto bad = [](double x) { return !std::isfinite(x); };
  if (w.MonteType == 1) {
    if (bad(w.MonteMin) || bad(w.MonteMax)) return "What-If Minimum and Maximum must be numbers.";
    return {};
  }
  if (bad(w.MonteMean) || bad(w.MonteStdev) || bad(w.MonteSkew))
    return "What-If Mean, Standard Deviation and Skew must be numbers.";
  if (w.MonteType == 3 && w.Traces <= 0) return "What-If Traces must be 1 or more for an exact sample.";
  const bool pearson = w.MonteSkew != 0;
  if (w.MonteStdev < 0)
    return "What-If Standard Deviation " + vb::CStr(w.MonteStdev) + " must not be negative.";
  if (w.MonteStdev == 0 && (w.MonteLogNormal != 0 || pearson)) {
    const std::string kind =
        w.MonteLogNormal != 0 ? (pearson ? "log-Pearson type III" : "log-normal") : "Pearson type III";
    return "What-If Standard Deviation must be greater than 0 for a " + kind + " sample.";
  }
  if (std::fabs(w.MonteSkew) > kLargestSkew)
    return "What-If Skew " + vb::CStr(w.MonteSkew) +
           " is beyond -9 to 9, where the Pearson type III sample degenerates.";
  if (w.MonteLogNormal != 0) {
    const double reach = std::max(std::fabs(pearsonFactor(kWidestDeviate, w.MonteSkew)),
                                  std::fabs(pearsonFactor(-kWidestDeviate, w.MonteSkew)));
    if (w.MonteMean + w.MonteStdev * reach > kLargestExponent)
      return "What-If Mean and Standard Deviation of the logarithm reach past e^700: the log-normal sample "
             "would "
             "overflow.";
  }
  return {};
}

}  // namespace fw::compute
