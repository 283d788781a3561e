#include "run/aggregation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/session.h"
#include "common/angles.h"
#include "common/round_value.h"
#include "platform/vb/convert.h"
#include "platform/vb/math.h"
#include "run/station_handler.h"
#include "run/value_errors.h"

namespace fw {

namespace {

constexpr double kTwoPi = 6.283185307;

SeriesPoint& at(std::vector<SeriesPoint>& series, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= series.size()) throw SeriesFull{};
  return series[static_cast<size_t>(index)];
}

// A COMPUTE row's source: the field after its value fields, else 0. (The last field of a
// one-input row is its value, which must not be stored as a source.)
int16_t computeRowSource(const LineState& line) {
  const ValueLoopState& v = line.ValueLoop;
  int16_t last = 0;
  for (int16_t c : line.ValueColumns) last = std::max(last, c);
  const size_t at = static_cast<size_t>(last) + 1;
  if (last <= 0 || at >= v.Fields.size()) return 0;
  const double n = vb::Val(v.Fields[at]);
  if (!(n >= -32768.5 && n < 32767.5)) return 0;
  return vb::CInt(n);
}

// Quarter-circle units (north 4) of the vector sum.
double windDirection(double north, double east) {
  double d = Atan2(north, east) * 4 / kTwoPi;
  if (d <= 0) d += 4;
  return d;
}

void roundStored(Session& s, double& value, int16_t code) {
  if (value != MissingValue) RoundValue(value, code, s.MetricUnits, s.CanadaSite);
}

void addToHour(ValueLoopState& v, int16_t valueClass, double value) {
  if (valueClass == 10) {
    v.HourSum += value;
  } else if (valueClass == 9) {
    v.HourSum = value;
  } else {
    v.HourMinutes += v.StepMinutes;
    v.HourSum += value * v.StepMinutes;
  }
}

// A value above the day's maximum or below its minimum goes with its time into the day's entry.
void trackExtremes(Session& s, int32_t day, vb::VbDate when, double value, double& maximum, double& minimum) {
  if (value > maximum) {
    maximum = value;
    at(s.DayMaxSeries, day) = {when, value, at(s.DayMaxSeries, day).source};
  }
  if (value < minimum) {
    minimum = value;
    at(s.DayMinSeries, day) = {when, value, at(s.DayMinSeries, day).source};
  }
}

// The day the value in work belongs to: the value that closes a day (a new day begins with the
// next one) is the last of the closing day, in its mean, its maximum and its minimum alike.
int32_t dayInWork(const LineState& line) {
  return line.StationDayCount - (line.ValueLoop.NewDay && !line.DayLine ? 1 : 0);
}

void startDayValue(Session& s, int32_t day) {
  SeriesPoint& p = at(s.DaySeries, day);
  if (p.value == MissingValue) p.value = 0;
}

// The hour's value from its sums.
void hourValue(Session& s, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  if (line.ValueClass == 10 || line.ValueClass == 9)
    v.HourValue = v.HourSum;
  else
    v.HourValue = v.HourMinutes != 0 ? v.HourSum / v.HourMinutes : 0;
  if (line.WindDirSeries) {
    v.HourValue = windDirection(v.WindNorth, v.WindEast);
    v.DayNorth += v.WindNorth;
    v.DayEast += v.WindEast;
    v.WindNorth = v.WindEast = 0;
  }
  RoundValue(v.HourValue, line.ValueCode, s.MetricUnits, s.CanadaSite);
  if (line.ValueClass == 10)
    trackExtremes(s, dayInWork(line), v.ValueDate, v.HourValue, v.HourlyMax, v.HourlyMin);
}

// The closed hour goes into HourSeries and into its day.
void storeHour(Session& s, RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  v.DailyIndex = dayInWork(line);
  vb::VbDate hourTime;
  if (line.DayLine) {
    hourTime = vb::Int(v.ValueDate);
  } else {
    const vb::VbDate x = v.PreviousTime + 1.0 / 24;
    hourTime = vb::Int(x) + vb::Hour(x) / 24.0;
    v.HoursInDay = vb::addInteger(v.HoursInDay, 1);
  }
  SeriesPoint& h = at(s.HourSeries, v.HourIndex);
  h.date = hourTime;
  h.value = v.HourValue;
  if (ctx.SourceType == 11) h.source = computeRowSource(line);
  if (ctx.SourceType == 12 && static_cast<size_t>(v.UnitIndex) < s.UnitSeries.size())
    h.source = s.UnitSeries[static_cast<size_t>(v.UnitIndex)].source;
  if (v.HourReplaced) h.source = 5;
  v.HourReplaced = false;
  v.HourIndex += 1;
  SeriesPoint& day = at(s.DaySeries, v.DailyIndex);
  if (line.ValueClass == 9) {
    day.value = v.HourValue;
  } else {
    if (day.value == MissingValue) day.value = 0;
    day.value += v.HourValue;
  }
  v.HourSum = 0;
  v.HourMinutes = 0;
  v.ValuesInHour = 0;
}

void closeDay(Session& s, RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  const int32_t di = v.DailyIndex;
  SeriesPoint& day = at(s.DaySeries, di);
  if (!line.DayLine) {
    day.date = vb::Int(v.PreviousTime);
  } else {
    day.date = vb::Int(v.ValueDate);
    day.value = v.CurrentValue;
  }
  if (line.WindDirSeries) {
    day.value = windDirection(v.DayNorth, v.DayEast);
    int most = 0, least = 0;
    int16_t mostCount = -1, leastCount = 32767;
    for (int i = 1; i <= 16; ++i) {
      if (v.Sectors[static_cast<size_t>(i)] > mostCount) {
        mostCount = v.Sectors[static_cast<size_t>(i)];
        most = i;
      }
      if (v.Sectors[static_cast<size_t>(i)] <= leastCount) {
        leastCount = v.Sectors[static_cast<size_t>(i)];
        least = i;
      }
    }
    if (least > 1 && v.Sectors[static_cast<size_t>(least - 1)] == leastCount) least -= 1;
    at(s.DayMaxSeries, di) = {day.date, most / 4.0, at(s.DayMaxSeries, di).source};
    at(s.DayMinSeries, di) = {day.date, least / 4.0, at(s.DayMinSeries, di).source};
    v.Sectors.fill(0);
    v.DayNorth = v.DayEast = 0;
  } else if (line.ValueClass != 10 && line.ValueClass != 9 && v.HoursInDay > 0 && day.value != MissingValue) {
    day.value = day.value / v.HoursInDay;
  }
  if (line.ValueClass == 10 || (line.ValueClass == 9 && line.ValueCode != 4)) {
    if (day.value != MissingValue) day.value = vb::Round(day.value, 2);
  } else {
    roundStored(s, day.value, line.ValueCode);
    roundStored(s, at(s.DayMaxSeries, di).value, line.ValueCode);
    roundStored(s, at(s.DayMinSeries, di).value, line.ValueCode);
  }

  // Too few values: the day keeps no daily value.
  int32_t expected = v.DayValueCount;
  int32_t needed = 0;
  switch (v.StepClass) {
    case 0:
      expected = 24;
      break;
    case 1:
      expected = 96;
      break;
    case 2:
      expected = 48;
      break;
    default:
      break;
  }
  v.MissingCount += expected - v.DayValueCount;
  if (v.StepClass == 3)
    v.AllowedMissing = v.DayValueCount;
  else
    needed = expected - v.AllowedMissing;
  if (ctx.settings.MissingAllowedPercent < 100 && (v.MissingCount > v.AllowedMissing || v.DayValueCount < needed)) {
    line.LowCountDays += 1;
    day.value = MissingValue;
    at(s.DayMaxSeries, di).value = MissingValue;
    at(s.DayMinSeries, di).value = MissingValue;
  }
  // The extremes are the day's, also one at the 00:00 that closed it.
  at(s.DayMaxSeries, di).day = at(s.DayMinSeries, di).day = static_cast<int32_t>(vb::Int(day.date));
  v.OpenDay = false;
}

PlaceResult placeDaily(Session& s, RunContext& ctx, LineState& line, bool gapPass) {
  ValueLoopState& v = line.ValueLoop;
  const int32_t d = line.StationDayCount;
  if (d > line.DaySlots) return PlaceResult::Stop;
  // Daily values close no hour or day: the pass over a gap of days has nothing to place, and the
  // value before the gap must not be placed once more on the day after it.
  if (gapPass) return PlaceResult::Placed;
  const int16_t type = ctx.SourceType;
  const bool present = !v.Missing;
  const bool columns = (type == 1 || type == 4) && line.FormulaCount == 0 &&
                       (line.DailyColumns[0] != 0 || line.DailyColumns[1] != 0 || line.DailyColumns[2] != 0);
  if (type != 1 && type != 4) {
    SeriesPoint& p = at(s.DaySeries, d);
    p.date = v.ValueDate;
    if (present) {
      p.value = v.CurrentValue;
      v.LastValueTime = v.ValueDate;
    }
  } else if (present) {
    if (columns) {
      std::vector<SeriesPoint>* series[3] = {&s.DayMaxSeries, &s.DaySeries, &s.DayMinSeries};
      for (int c = 0; c < 3; ++c) {
        const int16_t column = line.DailyColumns[static_cast<size_t>(c)];
        if (column == 0 || column >= static_cast<int>(v.Fields.size())) continue;
        const std::string& text = v.Fields[static_cast<size_t>(column)];
        // A text that starts with a letter says there is no value that day.
        if (text.empty() || static_cast<unsigned char>(text[0]) > 57) continue;
        const double number = vb::Val(text);
        if (number > -98) at(*series[c], d) = {v.ValueDate, number, at(*series[c], d).source};
      }
    } else {
      at(s.DaySeries, d) = {v.ValueDate, v.CurrentValue, at(s.DaySeries, d).source};
    }
    v.LastValueTime = v.ValueDate;
  }
  return PlaceResult::Placed;
}

}  // namespace

bool isPossibleBadValue(double value, double lastGood, int16_t valueClass, int16_t datatypeCode, double factor) {
  const double difference = std::fabs(value - lastGood);
  if (valueClass == 10 || valueClass == 2 || valueClass == 7) return datatypeCode != 27 && difference > 0.5;
  if (lastGood <= 20.0) return difference > 100.0;
  if (factor <= 0) return false;
  return value <= lastGood ? value < lastGood / factor : value > lastGood * factor;
}

PlaceResult placeValue(Session& s, RunContext& ctx, LineState& line, bool gapPass) {
  ValueLoopState& v = line.ValueLoop;
  if (!s.UnitValues) return placeDaily(s, ctx, line, gapPass);
  const int32_t d = line.StationDayCount;

  if (!gapPass) {
    bool replaced = false;
    if (v.Missing) {
      if (v.LastGoodValue != MissingValue) {
        if (v.MissingCount >= v.AllowedMissing) {
          v.LastGoodValue = MissingValue;
        } else {
          startDayValue(s, d);
          v.CurrentValue = v.LastGoodValue;
          addToHour(v, line.ValueClass, v.CurrentValue);
          v.DayValueCount = vb::addInteger(v.DayValueCount, 1);
          v.ValuesInHour = vb::addInteger(v.ValuesInHour, 1);
        }
      }
    } else {
      if (ctx.BadValueCheckOn && line.ValueClass != 29 && v.LastGoodValue != MissingValue &&
          isPossibleBadValue(v.CurrentValue, v.LastGoodValue, line.ValueClass, line.DatatypeCode,
                             ctx.settings.BadValuePercent)) {
        replaced = valueError(s, ctx, line, kBadPunchText, v.CurrentValue, v.ValueDate);
      }
      v.OpenDay = true;
      v.DayValueCount = vb::addInteger(v.DayValueCount, 1);
      startDayValue(s, d);
      addToHour(v, line.ValueClass, v.CurrentValue);
      v.LastGoodValue = v.CurrentValue;
      v.ValuesInHour = vb::addInteger(v.ValuesInHour, 1);
    }

    SeriesPoint& u = at(s.UnitSeries, v.UnitIndex);
    u.date = v.ValueDate;
    u.value = v.CurrentValue;
    if (ctx.SourceType == 11) u.source = computeRowSource(line);
    if (replaced) {
      u.source = 5;
      v.HourReplaced = true;
    }
    v.LastValueTime = v.ValueDate;

    if (!v.Restart) {
      if (v.FirstUnitTime == 0) v.FirstUnitTime = v.ValueDate;
      if (!v.Missing && !line.WindDirSeries) {
        trackExtremes(s, dayInWork(line), v.ValueDate, v.CurrentValue, v.DayMax, v.DayMin);
      } else if (!v.Missing) {
        const int sector = static_cast<int>(vb::Round(4 * v.CurrentValue));
        if (sector >= 0 && sector <= 16) v.Sectors[static_cast<size_t>(sector)] += 1;
      }
    }
  }

  // The hour closes with its own values; a gap pass after an hour without values stores none.
  if (v.NewHour && v.ValuesInHour > 0) {
    hourValue(s, line);
    if (!v.Restart) storeHour(s, ctx, line);
  }

  if (!gapPass) {
    v.UnitIndex += 1;
    if (v.Restart) {
      v.DayValueCount = 0;
      v.ValuesInHour = 0;
      v.HourMinutes = 0;
      v.HourSum = 0;
      v.Restart = false;
    }
    const int32_t highest = static_cast<int32_t>(v.ValueLines.size()) - 1;
    if (v.LineIndex == highest - 1 && (line.ValueClass == 10 || line.ValueClass == 31) && s.RealtimeMode &&
        line.DatatypeCode != 27) {
      // The last line of a real-time total closes the day with what it has: its own day, unless
      // the line itself closed the day before (then its hour went there already).
      if (!v.NewDay) v.DailyIndex = line.StationDayCount;
      v.NewDay = true;
      SeriesPoint& day = at(s.DaySeries, v.DailyIndex);
      if (day.value == MissingValue) day.value = 0;
      day.value += v.HourSum;
    }
  }

  if (!v.NewDay) return PlaceResult::Placed;
  if (gapPass) {
    // The pass over a gap closes the day in work only when it took values since the last close:
    // after a value at 00:00 that closed its day (or a lone first value) there is none.
    if (v.DayValueCount == 0 && v.MissingCount == 0) return PlaceResult::Placed;
    v.DailyIndex = line.StationDayCount - 1;
  }
  closeDay(s, ctx, line);
  return PlaceResult::DayClosed;
}

void closeAfterLastLine(Session& s, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  // The open last hour is stored at its last value's time; the next run replaces it, on a
  // workbook as on every other database.
  if (!v.NewHour && v.ValuesInHour != 0 && s.UnitValues && s.RealtimeMode) {
    double value = v.HourSum;
    if (line.ValueClass != 10 && line.ValueClass != 31 && line.ValueClass != 9 && v.HourMinutes != 0)
      value = v.HourSum / v.HourMinutes;
    if (line.WindDirSeries) value = windDirection(v.WindNorth, v.WindEast);
    RoundValue(value, line.ValueCode, s.MetricUnits, s.CanadaSite);
    if (v.HourIndex >= 0 && static_cast<size_t>(v.HourIndex) < s.HourSeries.size()) {
      s.HourSeries[static_cast<size_t>(v.HourIndex)] = {v.LastValueTime, value,
                                                         s.HourSeries[static_cast<size_t>(v.HourIndex)].source};
      v.HourIndex += 1;
    }
  }
  // An open last day has no daily value yet: a mean, a total or a last value of part of the day is
  // not the day's value, whatever index the day has.
  if (v.OpenDay && line.StationDayCount >= 0 && static_cast<size_t>(line.StationDayCount) < s.DaySeries.size())
    s.DaySeries[static_cast<size_t>(line.StationDayCount)].value = MissingValue;
}

}  // namespace fw
