#pragma once
// The write-out of a radar pass: each basin's image values as unit rows (source 14), its
// last-update row, and the hourly sums, the daily totals and the daily maxima made from the unit
// rows stored for the days the images cover.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "radar/radar_pass.h"
#include "store/store_state.h"

namespace fw {

struct Session;

inline constexpr int16_t kRadarSource = 14;

// The hourly, daily and daily-maximum series of a basin's unit values (in time order).
// hours[0] is the first unit value's time with MissingValue (no writer stores it); hours[1..]
// each close an hour at the hh:00 of the value that closes it (the value included), the last one
// at the last value's own time when that hour is incomplete. days[1..] and dayMax[1..] are by day
// (element 0 unused). Data type 9 (a running total) takes the last value of each hour and day;
// data type 32 (a maximum) the mean of the hour's values and the whole-number mean of the day's
// hours; other data types the sums. A product that is no rain rounds its hours to whole numbers.
struct RadarAggregates {
  std::vector<SeriesPoint> hours;
  std::vector<SeriesPoint> days;
  std::vector<SeriesPoint> dayMax;
};
RadarAggregates aggregateRadarUnits(const std::vector<SeriesPoint>& units, int16_t dataType, bool rainProduct);

// The window of the write: from the first value's day (the day before when its hour is 0), one
// minute after midnight, for three days; without values from `runDay` less `daysBack`.
struct RadarWriteWindow {
  vb::VbDate first = 0;
  vb::VbDate last = 0;
};
RadarWriteWindow radarWriteWindow(const RadarImageSeries& series, int32_t runDay, int32_t daysBack);

struct RadarWriteInputs {
  bool fromFiles = false;    // the images came from local files: no last-update row
  bool rainProduct = true;
  vb::VbDate updateTime = 0;  // the last-update time of the rupdate rows
  vb::VbDate historyBegin = 0;  // history mode with the archive: the window's begin (else 0)
};

// Writes every basin of the pass; a basin whose values cannot be written is said in the error log
// and the others are still written. Gives the number of basins that stored unit rows.
int32_t writeRadarSeries(Session& s, const std::vector<RadarLineRow>& rows, const RadarImageSeries& series,
                         const RadarWriteInputs& in);

}  // namespace fw
