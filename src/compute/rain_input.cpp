#include "compute/rain_input.h"

#include "platform/vb/convert.h"
#include "platform/vb/format.h"

namespace fw::compute {

double stepRain(double value, int16_t precipKind, double stepMinutes, double rainMultiplier, double& previousTotal,
                int32_t sourceHour) {
  double rain = value * rainMultiplier;
  if (precipKind != 0) {
    if (precipKind <= 1) {
      rain *= stepMinutes / 60;
    } else {
      if (previousTotal == -9) previousTotal = rain;
      double rise = rain - previousTotal;
      if (rise > 5 && stepMinutes < 31) rise = 0;
      if (rise >= 0) {
        previousTotal = rain;
      } else {
        if (precipKind == 2 && (sourceHour <= 0 || sourceHour == 24)) previousTotal = rain;
        rise = 0;
      }
      rain = rise;
    }
    rain = vb::Val(vb::FormatNumber(rain, "#0.#####"));
  }
  return rain < 0 ? 0 : rain;
}

}  // namespace fw::compute
