#pragma once
// The site text of a reference-ET or solar-radiation line ("lat, lon, meridian, feet, wind
// factor") read into what hourly reference ET needs, and the seam through which a retriever asks
// for one hour's ET.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fw {

struct Session;

struct EtSite {
  double LatitudeRadians = 0;
  double Offset = 0;  // longitude correction, hours; a temperature offset (°F) on long-wave lines
  double ElevationMetres = 0;
  bool ShortReference = true;  // grass; "TALL" in the parameter code asks for alfalfa
  int16_t SolarRegion = 0;     // 0: solar radiation is measured; 1 to 5: estimated for that region
  bool LongWave = false;       // the line asks for incoming long-wave radiation
  double WindFactor = 0;       // multiplies the wind speed; 0 = none
};

// Reads the site text. `offsetLess` is taken off the longitude correction (0.5 for hourly rows,
// 1.0 for the 60-minute ones, whose stamp ends their hour). A line whose parameter index is
// `measuredSolarIndex` has a measured solar column (region 0). A text of fewer than three parts
// on a "LONG" line is the temperature offset of a long-wave line.
EtSite readEtSite(const std::string& text, const std::string& parameterCode, int16_t parameterIndex,
                  int16_t measuredSolarIndex, double offsetLess = 0.5);

// The solar-radiation region of a site: by elevation (whole feet) and longitude (degrees,
// negative west).
int16_t solarRegionOf(double elevationFeet, double longitude);

// One hour of weather handed to hourly reference ET: the row's fields with the date and hour in
// field 0, the columns of temperature, humidity, wind and solar radiation (counted from 1).
struct EtHourRow {
  const EtSite& site;
  int16_t DatatypeCode;  // 29: solar radiation instead of ET
  bool Daylight;
  const std::vector<std::string>& fields;
  const std::vector<int16_t>& columns;
  double HourShift;
};
// The hour's value text; none when hourly reference ET cannot be had in this program.
using EtHourlyFn = std::function<std::optional<std::string>(Session&, const EtHourRow&)>;

inline constexpr const char* kEtHourlyMissing = "hourly reference ET is not available in this version";
inline constexpr const char* kEtNotAvailable = kEtHourlyMissing;

// The stand-in used until hourly reference ET is part of the program: it has no value.
std::optional<std::string> hourlyEtUnavailable(Session&, const EtHourRow&);

}  // namespace fw
