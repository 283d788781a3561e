#pragma once
// Storage rounding of a value by the data type code of its series (DSID = code x 1000 + site).
#include <cstdint>

namespace fw {

// Rounds value in place and returns it:
//   codes 2, 3, 15, 23 (gage height, elevation, pressure, snow water content): 2 decimals, 1 metric;
//   codes 5, 7, 16, 17, 21, 26 (percentages, temperatures, snow depth): 1 decimal;
//   codes 9, 10, 11, 27 (precipitation, rainfall, evapotranspiration): 5 decimals;
//   code 19 (wind direction): nearest quarter, halves away from zero;
//   codes 25, 31 (no unit, ratio): 6 decimals;
//   any other code: three significant digits (four in metric), whole tens from 999.5 up.
// Metric applies when metricUnits or canadaSite is set. Decimals round half to even. A value that
// cannot be rounded (an arithmetic error) is returned unchanged.
double RoundValue(double& value, int16_t code, bool metricUnits, bool canadaSite);

}  // namespace fw
