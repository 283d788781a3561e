#pragma once
// The site values an hourly reference evapotranspiration line carries in its per-line text, read
// once for the line, and the row hand-over to the hourly ET computation.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {

inline constexpr const char* kEtNotAvailable = "hourly reference ET is not available in this version";

struct EtSite {
  bool LongWave = false;  // the line computes long-wave radiation
  double LatitudeRadians = 0;
  double Offset = 0;  // hours: (longitude - zone meridian) / 15 - 0.5, or the long-wave number
  bool Tall = false;  // tall reference crop
  double ElevationMetres = 0;
  int16_t SolarRegion = 0;
  double WindFactor = 0;  // the fifth value of the site list
  bool Daylight = false;  // daylight saving time is in force
};

// Reads "latitude, longitude, meridian, elevation feet, wind factor" (degrees, feet), or a
// single number for a long-wave line (parameter code holding "LONG"). The solar region follows
// the elevation (5 from 5000 feet, 4 from 3000, 3 from 400, below that 2 west of -116.5 degrees
// and 1 east of it); a line whose parameter index is 4 has region 0.
EtSite readEtSite(const std::string& siteList, const std::string& parameterCode, int16_t parameterIndex,
                  bool daylight);

// One row handed to the hourly ET computation.
struct EtRow {
  const EtSite& Site;
  int16_t DatatypeCode;
  int16_t ParameterIndex;
  const std::vector<std::string>& Fields;  // the row's fields, date first
  const std::vector<int16_t>& Columns;     // the value-column array
  double HourShift;
};
// The computation: the row's ET (or solar or long-wave) value. Not set while this version has none.
using EtHourlyFunction = std::function<double(const EtRow&)>;

}  // namespace fw
