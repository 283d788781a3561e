#include "common/round_value.h"

#include <cmath>

#include "platform/vb/error.h"
#include "platform/vb/math.h"

namespace fw {
namespace {

// Three significant digits in English units, four in metric; at 999.5 and above whole tens.
// A value on a band's lower bound belongs to that band.
double roundByMagnitude(double value, bool metric) {
  const double a = std::fabs(value);
  if (a >= 999.5) return vb::Int(value / 10 + 0.5) * 10;
  int decimals;
  if (a >= 99.95)
    decimals = 0;
  else if (a >= 9.95)
    decimals = 1;
  else if (a >= 0.995)
    decimals = 2;
  else
    decimals = 3;
  return vb::Round(value, metric ? decimals + 1 : decimals);
}

double nearestQuarter(double value) {
  return vb::Sgn(value) * vb::Int(std::fabs(value * 4) + 0.5) / 4;
}

double rounded(double value, int16_t code, bool metric) {
  switch (code) {
    case 2:   // gage height
    case 3:   // elevation
    case 15:  // pressure
    case 23:  // snow water content
      return vb::Round(value, metric ? 1 : 2);
    case 5:   // contents in percent of capacity
    case 7:   // water temperature
    case 16:  // dew point
    case 17:  // air temperature
    case 21:  // snow depth
    case 26:  // percent of
      return vb::Round(value, 1);
    case 9:   // total precipitation
    case 10:  // rainfall
    case 11:  // rainfall
    case 27:  // evapotranspiration
      return vb::Round(value, 5);
    case 19:  // wind direction
      return nearestQuarter(value);
    case 25:  // no unit
    case 31:  // ratio
      return vb::Round(value, 6);
    default:
      return roundByMagnitude(value, metric);
  }
}

}  // namespace

double RoundValue(double& value, int16_t code, bool metricUnits, bool canadaSite) {
  if (!std::isfinite(value)) return value;
  // Zero stays as it is (its sign too) in every rounding but the quarters, which make it +0.
  if (value == 0 && code != 19) return value;
  try {
    const double r = rounded(value, code, metricUnits || canadaSite);
    if (std::isfinite(r)) value = r;
  } catch (const vb::Error&) {
    // left as it was
  }
  return value;
}

}  // namespace fw
