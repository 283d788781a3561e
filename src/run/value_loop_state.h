#pragma once
// The state of the value loop of one station line: how its retrieval text is read line by line,
// the formulas' and the precipitation kinds' running state, and the accumulators of the hours and
// days the values are gathered into. Made afresh (all at its start values) for every station line.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vb/date.h"
#include "store/store_state.h"

namespace fw {

struct ValueLoopState {
  // ---- reading the lines ----
  // The retrieval text split at line feeds: views into RetrievalText, which stays as it is while
  // the loop runs.
  std::vector<std::string_view> ValueLines;
  int32_t LineIndex = 0;                // the line in work
  std::vector<std::string> Fields;      // its TAB fields
  std::vector<std::string> LookAhead;   // the fields of the line an hour on (the fill flag's)
  vb::VbDate PreviousTime = 0;          // time of the previous value line
  vb::VbDate ValueDate = 0;           // time of the line in work
  vb::VbDate LastValueTime = 0;         // time of the last value taken into a series
  vb::VbDate RealTime = 0;              // the line's own time, put aside during the gap pass
  int16_t Minute = 0;
  int16_t Hour = 0;
  int32_t DayOffset = 0;  // whole days from PreviousTime's day to ValueDate's
  int32_t StepMinutes = 0;
  int16_t StepClass = 0;  // 1 quarter-hour data, 2 half-hour data, 3 other; 0 until known
  int16_t AllowedMissing = 0;
  std::array<int16_t, 3> AllowedMissingTable{};  // for 24, 48 and 96 values a day
  bool NewHour = false;
  bool NewDay = false;
  bool GapPass = false;     // the first of the two passes over a line that follows a gap of days
  bool Missing = false;     // the value in work is missing
  bool Restart = true;      // no hour or day closes; the counts start afresh with the next value
  bool RepeatLine = false;  // the same line is handled once more
  bool HasValue = false;    // the pass took a value (or closed a gap) into the series
  int32_t DayOfYear = 0;
  std::string ValueText;
  double CurrentValue = 0;  // the value in work
  double FirstValue = MissingValue;  // the first value of a running value (value class 9)
  double RunningMax = MissingValue;  // total precipitation held non-decreasing
  double ForecastSum = 0;            // running sum of a point forecast
  double WindEast = 0, WindNorth = 0;  // speed-weighted sums of the hour
  double WindWeight = 1;
  double DayEast = 0, DayNorth = 0;  // the day's sums
  std::array<int16_t, 17> Sectors{};  // wind values per 16th of the circle (0 and 16 both north)

  // ---- formulas and precipitation kinds ----
  double P1Value = 0;
  double Shift = 0;
  int16_t ChosenTriple = 0;
  int16_t GivenCount = 0;
  bool TwoParamPrecip = false;  // two parameter codes and a precipitation kind
  double RawFirstValue = 0;
  double PreviousTotal = -9.0;  // -9 = no running total yet
  double LargestValue = MissingValue;
  vb::VbDate LargestTime = 0;

  // ---- hours and days ----
  double LastGoodValue = MissingValue;
  double HourSum = 0;
  int32_t HourMinutes = 0;
  int16_t ValuesInHour = 0;
  int16_t DayValueCount = 0;  // values counted in the day in work
  int32_t MissingCount = 0;   // missing or replaced values of the day in work
  int16_t HoursInDay = 0;
  double HourValue = 0;
  double DayMax = MissingValue, DayMin = 999999;
  double HourlyMax = MissingValue, HourlyMin = 999999;
  int32_t UnitIndex = 0;   // next UnitSeries entry; the unit-value count when the loop ends
  int32_t HourIndex = 0;   // next HourSeries entry
  int32_t DailyIndex = 0;  // the day the closing hour belongs to
  vb::VbDate FirstUnitTime = 0;
  bool OpenDay = false;  // a present value was taken since the last day close
  bool HourReplaced = false;  // a value of the open hour was replaced by the last good value
  // The day in work and the last day the station may fill, as the error handler reads them.
  int32_t DayIndex = 0;
  int32_t DayLimit = 0;
  // The loop stopped at the end of a series array (data finer than the arrays were sized for).
  bool ArrayFull = false;

  // Allowed missing values a day for 24, 48 and 96 values, from the percent allowed.
  static std::array<int16_t, 3> toleranceTable(int16_t missingAllowedPercent);
};

}  // namespace fw

namespace fw {

// The storage series of a runoff line, filled by its loss and storage step: per value step and
// per day, with the station's update date and value.
struct RunoffStorage {
  bool WriteUnits = false;  // the line asks for its storage series at every step
  std::vector<double> StepSoil, StepPrecip, StepThird;
  std::vector<double> DaySoil, DayPrecip, DayGroundwater;
  vb::VbDate UpdateDate = 0;
  double UpdateValue = 0;
};

}  // namespace fw
