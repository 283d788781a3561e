#pragma once
// The store's state for the program's lifetime: the main connection, the shared recordsets and
// the six series arrays.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

// -999999 marks a missing value; such points (and points dated 2.0 or earlier) are never written.
inline constexpr double MissingValue = -999999.0;

struct SeriesPoint {
  vb::VbDate date = 0;  // days since 1899-12-30; a daily value carries the day at 00:00
  double value = 0;
  int16_t source = 0;   // 5 = edited and protected, 14 = radar; 0 = use the writer's default
};

struct StoreState {
  std::string HdbConnString;
  bool HdbUseDAO = false;
  bool HdbIsExcel = false;
  bool HdbAposDates = false;
  bool Hdb2AposDates = false;
  std::string HdbFile;

  std::vector<SeriesPoint> UnitSeries;
  std::vector<SeriesPoint> HourSeries;
  std::vector<SeriesPoint> DaySeries;
  std::vector<SeriesPoint> DayMaxSeries;
  std::vector<SeriesPoint> DayMinSeries;
  std::vector<SeriesPoint> ShiftSeries;
};

}  // namespace fw
