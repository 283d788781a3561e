#pragma once
// The rain of one step as a runoff station's input delivers it: plain depths, rates per hour, or
// running totals of a gauge.
#include <cstdint>

namespace fw::compute {

// `precipKind` 0 plain depth; 1 or less (the negative kinds) a rate per hour; 2 or more a running
// total, of which the step's rain is the rise since `previousTotal` (-9 = none yet). A rise above
// 5 inches within half an hour is a gauge fault and gives no rain; a drop gives no rain either,
// and only a running daily total (kind 2) takes the value as its new reference at the source's
// midnight (`sourceHour` is the hour less the station's hour shift, rounded). The result has at
// most 5 decimals (kinds other than 0) and is never negative.
double stepRain(double value, int16_t precipKind, double stepMinutes, double rainMultiplier, double& previousTotal,
                int32_t sourceHour);

}  // namespace fw::compute
