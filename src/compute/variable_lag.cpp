#include "compute/variable_lag.h"

#include <algorithm>
#include <cmath>

#include "compute/checked_math.h"

namespace fw::compute {

double initialLossLag(double lagHours, double lagRainSum, double ILdry) {
  const double f = std::min(1.0, divide(lagRainSum, 3 * ILdry));
  return lagHours - 0.5 * f * lagHours;
}

double curveNumberLag(double lagHours, double rainSum, double storageRange) {
  const double x = divide(rainSum, storageRange);
  const double lag = lagHours - 0.5 * lagHours * (2.0811 * x + 0.00562 - 1.0895 * x * x);
  return lagHours - lag < kLagRebuildHours ? lagHours : lag;
}

bool lagNeedsRebuild(double currentLag, double builtLag) {
  return std::fabs(currentLag - builtLag) > kLagRebuildHours;
}

double lagCoefficient(double lagHours) { return 1.12899 * power(lagHours, -1.10391); }

}  // namespace fw::compute
