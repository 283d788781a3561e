#pragma once
// The inputs of the snowmelt model: its parameters, the table and time step the station line
// names, the window and the working-array capacity, and the alignment of the stored input series
// into one time base. Pure over SeriesPoint vectors (points used from index 1 to a count, as the
// series reader leaves them); the reads themselves are Snowcalc's.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compute/snowpack_energy_balance.h"
#include "platform/vb/date.h"
#include "store/store_state.h"

namespace fw::compute {

// Up to eleven comma-separated numbers, each read by its leading number (a non-number is 0); a
// position not given is 1. A twelfth value raises vb::Error 9.
SnowParameters parseSnowParameters(const std::string& text);

// The value table of a snowmelt line and how it steps.
struct SnowTable {
  std::string name;     // "RHOUR", "RDAY", "RUNIT", ...: what follows the id's first "-", with "R" in front
  bool hourly = false;  // "RHOUR": only whole hours are computed
  double sweFloorMm = 0.127;
};
SnowTable snowTable(const std::string& stationId);

// The window in whole day numbers and the capacity N of the working arrays.
struct SnowWindow {
  int32_t begin = 0, end = 0;
  int32_t capacity = 0;
};
// begin/end: the window the run asks for (history mode gives the date boxes' days instead);
// unitUpper: the upper bound of the unit-value array (the capacity for "RUNIT").
SnowWindow snowWindow(const SnowTable& table, int32_t begin, int32_t end, bool realtime, int32_t unitUpper);

// Precipitation given as a series other than rainfall per interval (its DSID does not begin with
// "10") is read apart and may run past the weather series.
bool separatePrecipitation(const std::string& precipDsid);

// The six inputs of a step: temperature, humidity, wind, solar, long-wave, precipitation.
using SnowInputs = std::array<double, 6>;

// The time base and the input table, steps 1..count (index 0 unused); capacity N fixed at the start.
struct SnowTimeBase {
  int32_t capacity = 0;
  int32_t count = 0;
  std::vector<vb::VbDate> dates;
  std::vector<SnowInputs> inputs;
  explicit SnowTimeBase(int32_t n);
  // A new step at the end; past the capacity it raises vb::Error 9.
  void add(vb::VbDate date, const SnowInputs& in);
};

// Input 0 gives the time base: its dates and its values (points 1..n).
void setTimeBase(SnowTimeBase& base, const std::vector<SeriesPoint>& points, int32_t n);
// Inputs 1 to 5: one forward pointer; a point at or before a step's date is that step's value,
// each point once, at most one per step.
void alignInput(SnowTimeBase& base, int position, const std::vector<SeriesPoint>& points, int32_t n);
// The first point's value when it falls on the begin day, else 0 (starting SWE, age, albedo).
double startingValue(const std::vector<SeriesPoint>& points, int32_t n, int32_t beginDay);
// Separate precipitation running past the weather series extends the time base hour by hour up
// to its last point, repeating the weather of 25 steps before; stops at the capacity.
void extendByPrecipitation(SnowTimeBase& base, const std::vector<SeriesPoint>& points, int32_t n);
// Unit values with separate precipitation: the dates go onto the five-minute grid and the time
// base is rebuilt so that every precipitation point is a step of its own, with five-minute steps
// between (weather from the step at or after each new one).
void fiveMinuteRebuild(SnowTimeBase& base, const std::vector<SeriesPoint>& points, int32_t n);

}  // namespace fw::compute
