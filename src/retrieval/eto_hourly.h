#pragma once
// Hourly reference evapotranspiration (the ASCE-EWRI standardized hourly equation), estimated or
// measured solar radiation, and incoming long-wave radiation for one row of hourly weather.
//
// Two layers: etoHourPhysics is the standardized equation in SI units on already converted
// inputs; EToHourly reads a weather row in the program's units (°F, mph, langleys per day, or °C,
// km/h, W/m2 with METRIC UNITS), estimates solar radiation where none is measured, and returns
// the line's quantity as text.
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct Session;

// One hour of weather in SI units.
struct EtoHourInput {
  double tempC = 0;            // air temperature, °C
  double rh = 0;               // relative humidity, percent
  double u2 = 0;               // wind speed at 2 m, m/s
  double rs = 0;               // solar radiation, MJ/m2 in the hour; 0 = night
  double latitude = 0;         // radians, north positive
  double elevation = 0;        // metres
  int dayOfYear = 1;           // 1 = 1 January
  double solarTime = 12;       // hours, the centre of the hour in local solar time
  bool shortReference = true;  // grass; false = alfalfa
};

// Every term of the equation, so that each can be checked.
struct EtoHourTerms {
  double es = 0, ea = 0;        // saturation and actual vapour pressure, kPa
  double delta = 0, gamma = 0;  // slope of the vapour pressure curve and psychrometric constant, kPa/°C
  double Ra = 0, Rso = 0;       // extraterrestrial and clear-sky radiation, MJ/m2/h
  double Rns = 0, Rnl = 0, Rn = 0, G = 0;  // net short-wave, net long-wave, net radiation, soil heat, MJ/m2/h
  double ET = 0;                           // mm/h (not limited at 0)
};

// Solar declination of a day of the year, radians (the 23.45-degree sine formula).
double solarDeclination(int dayOfYear);
EtoHourTerms etoHourPhysics(const EtoHourInput& in);

// What the calling line sets once for all its rows.
struct EtoLine {
  bool cloud = false;     // column 3 is cloud cover in percent, not solar radiation
  bool daylight = false;  // daylight saving time is in force
  double latitude = 0;    // radians
  double elevation = 0;   // metres
  double offset = 0;  // hours of longitude correction; on long-wave lines °F added to the air temperature
  double windFactor = 0;  // multiplies the wind speed; 0 = none
  bool shortReference = true;
  int16_t SolarRegion = 0;  // 0 = solar radiation measured in column 3; 1..5 = estimated by that region's set
  int16_t datatype = 0;     // 29 returns solar radiation
  int16_t columnBase = 0;   // subtracted from every column index
  bool longWave = false;    // return incoming long-wave radiation
  int16_t inputCount = 0;   // the wind column is read when this is above 2
  double hourShift = 0;     // hours
  std::string dsid;         // the line's DSID; empty = no temperature-range reduction
  bool modelRun = false;    // read the model-run hourly table
  int16_t runId = 0;
  int16_t trace = 0;
};

// The line's quantity for one row: ET in inches (mm) per hour, solar or long-wave radiation in
// langleys per day (W/m2), as a single-precision number's text. fields is the row (field 1 less
// the column base holds the date), columns: 0 air temperature, 1 relative humidity, 2 wind,
// 3 solar radiation or cloud cover. Empty when the temperature or humidity is missing (below
// -98); "-99" when the row cannot be read or a lookup fails.
std::string EToHourly(Session& s, const EtoLine& a, const std::vector<std::string>& fields,
                      const std::vector<int16_t>& columns);

}  // namespace fw
