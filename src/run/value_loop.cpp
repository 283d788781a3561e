#include "run/value_loop.h"

#include <exception>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "store/connection.h"
#include "store/hourly_writer.h"
#include "run/aggregation.h"
#include "run/runoff_step.h"
#include "run/series_slots.h"
#include "run/sql_guard.h"
#include "run/value_errors.h"
#include "run/value_formulas.h"
#include "run/value_text.h"

namespace fw {

const char* const kJulianFunction =
    "Function julian(d)\r\n"
    "d1 = CDbl(CDate(Year(d) & \"-01-01\"))-1\r\n"
    "julian = int(d - d1)\r\n"
    "End Function";

std::array<int16_t, 3> ValueLoopState::toleranceTable(int16_t missingAllowedPercent) {
  auto tolerance = [&](int values) {
    return vb::toInteger(vb::Round(vb::mulInteger(missingAllowedPercent, static_cast<int16_t>(values)) / 100.0));
  };
  return {tolerance(24), tolerance(48), tolerance(96)};
}

namespace {

constexpr double kCompareStep = 1.0 / 24 + 0.00001;

template <class Recordset>
std::vector<SeriesPoint> compareRows(Recordset& rs) {
  std::vector<SeriesPoint> rows;
  while (!rs.Eof()) {
    const vb::Variant& value = rs.Fields(2).Value();
    rows.push_back(SeriesPoint{rs.Fields(1).Value().toDate(), value.isNull() ? 0.0 : value.toDouble()});
    rs.MoveNext();
  }
  return rows;
}

}  // namespace

CompareHours compareHours(std::vector<SeriesPoint>& hours, const std::vector<SeriesPoint>& rows, int32_t firstDay) {
  CompareHours c;
  vb::VbDate previous = 0;
  vb::VbDate next = firstDay + 1 + kCompareStep;
  auto entry = [&](int32_t i) -> SeriesPoint& {
    // Rows beyond the window the series was sized for get room rather than being lost.
    if (static_cast<size_t>(i) >= hours.size()) hours.resize(static_cast<size_t>(i) + 1);
    return hours[static_cast<size_t>(i)];
  };
  for (const SeriesPoint& row : rows) {
    c.last += 1;
    if (vb::DateDiff("h", previous, row.date) == 0)
      c.last -= 1;
    else
      previous = row.date;
    while (next < previous) {
      entry(c.last) = SeriesPoint{next, row.value};
      c.last += 1;
      next += kCompareStep;
    }
    if (row.value > c.maximum) {
      c.maximum = row.value;
      c.maximumTime = previous;
    }
    if (row.value < c.minimum) c.minimum = row.value;
    entry(c.last) = SeriesPoint{previous, row.value};
    next = previous + kCompareStep;
  }
  return c;
}

bool compareSeries(Session& s, const LineState& line) {
  if (s.WhatIf.CompareOn == 0 || !s.FrmGraph.Visible || s.WhatIf.CompareDSID.empty()) return false;
  const std::string dsid = vb::Trim(s.WhatIf.CompareDSID);
  // Only a whole number goes into the statement: no row can belong to any other text.
  if (!isIntegerDsid(dsid)) {
    s.ui.msgBox("No hourly values found for " + s.WhatIf.CompareDSID);
    return false;
  }
  const std::string begin = vb::Format(line.FirstDay + 1.02, "mm/dd/yyyy hh:mm");
  const std::string end = vb::Format(line.LastDay, "mm/dd/yyyy hh:mm");
  const std::string window = " and date_time between #" + begin + "# and #" + end + "#";
  std::string sql = "select datatype_site_id, date_time, value  from rhour where datatype_site_id=" + dsid + window;
  if (line.DatatypeCode == 30)
    sql += " union select datatype_site_id, date_time, value from rdaymax where datatype_site_id=" + dsid + window;
  sql += " order by date_time;";

  bool atEnd = true;
  vb::Variant firstValue, second;
  double largest = 0;
  const std::string lastError = s.LastError;
  s.LastError.clear();
  GetCurrentCNNsql(s, sql, atEnd, firstValue, largest, second);
  const bool failed = !s.LastError.empty();
  if (!failed) s.LastError = lastError;
  if (failed) {
    CloseCNNrs(s);
    return false;
  }
  if (atEnd) {
    CloseCNNrs(s);
    s.ui.msgBox("No hourly values found for " + s.WhatIf.CompareDSID);
    return false;
  }
  const std::vector<SeriesPoint> rows = s.HdbUseDAO ? compareRows(s.HdbDaoRs) : compareRows(s.HdbRs);
  CloseCNNrs(s);
  const CompareHours c = compareHours(s.HourSeries, rows, line.FirstDay);
  if (s.DayMaxSeries.size() < 2) s.DayMaxSeries.resize(2);
  if (s.DayMinSeries.size() < 2) s.DayMinSeries.resize(2);
  s.DayMaxSeries[1] = SeriesPoint{c.maximumTime, c.maximum};
  s.DayMinSeries[1].value = c.minimum;
  int32_t count = c.last;

  MainForm& f = s.form;
  const auto hourlyBox = f.Check3.Value;
  f.Check3.Value = 0;  // drawn only: the compare series is stored already
  s.GraphAdd = false;
  if (s.HdbUseDAO)
    hdbhourlyDAO(s, "", 1, 11, 30, count, 0, "", 0, 0.0);
  else
    hdbhourly(s, "", 1, 11, 30, count, 0, "", 0, 0.0);
  f.Check3.Value = hourlyBox;

  s.DayMaxSeries[1].value = MissingValue;
  s.DayMinSeries[1].value = MissingValue;
  sizeSeries(s.HourSeries, static_cast<int64_t>(line.WindowDays + 6) * 24);
  s.FrmGraph.Caption = "Compare DSID=" + s.WhatIf.CompareDSID + " (red) to";
  s.GraphAdd = true;
  s.GraphWait = false;
  s.GraphNext = false;
  s.WhatIf.CompareOn = 0;
  return true;
}

void valueLoopSetUp(Session& s, RunContext& ctx, LineState& line) {
  compareSeries(s, line);
  if (line.FormulaUsesD) s.form.ScriptControl1.AddCode(kJulianFunction);
  if (s.CanadaSite) {
    const std::string unit = vb::LCase(line.UnitText);
    if (unit != "cms" && unit != "mm") s.CanadaSite = false;
  }
  std::vector<std::string_view> lines = std::move(line.ValueLoop.ValueLines);
  line.ValueLoop = ValueLoopState{};
  ValueLoopState& v = line.ValueLoop;
  v.ValueLines = std::move(lines);
  v.ForecastSum = line.ForecastBase;
  v.AllowedMissingTable = ValueLoopState::toleranceTable(ctx.settings.MissingAllowedPercent);
  // Parameter k is P<k>: the value-column index table of a line with several parameters.
  const size_t count = static_cast<size_t>(std::max(0, line.ParameterCount + 1));
  if (line.ParameterNumbers.size() < count + 1) line.ParameterNumbers.resize(count + 1, 0);
  if (line.ParameterLastValues.size() < count + 1) line.ParameterLastValues.resize(count + 1, 0);
  if (line.ParameterFillCounts.size() < count + 1) line.ParameterFillCounts.resize(count + 1, 0);
  if (ctx.SourceType != 12)
    for (size_t k = 1; k <= count; ++k) line.ParameterNumbers[k] = static_cast<int16_t>(k);
  v.TwoParamPrecip = line.ParameterCount == 1 && line.PrecipKind != 0;
  s.ui.doEvents();
}

void dayReport(Session& s, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  if (!line.LongRun || vb::Day(v.ValueDate) == 1) {
    const size_t i = static_cast<size_t>(v.DailyIndex);
    const SeriesPoint day = i < s.DaySeries.size() ? s.DaySeries[i] : SeriesPoint{};
    logPaneLine(s, vb::Format(day.date, "mm/dd/yyyy") + " " + vb::Str(day.value) + " " + line.UnitText +
                       "   Count " + vb::Str(int32_t{v.DayValueCount}) + "  Missing " + vb::Str(v.MissingCount));
  }
  v.DayValueCount = 0;
  v.MissingCount = 0;
  v.HoursInDay = 0;
  v.DayMax = v.HourlyMax = MissingValue;
  v.DayMin = v.HourlyMin = 999999;
}

namespace {

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

// One pass over the line in work; true when the loop is to stop after it.
bool linePass(Session& s, RunContext& ctx, LineState& line, bool& tookValue) {
  ValueLoopState& v = line.ValueLoop;
  const LinePass pass = readValueLine(s, ctx, line);
  if (pass == LinePass::Skip) return false;
  tookValue = true;
  const bool gap = pass == LinePass::GapClose;
  if (!gap) {
    const bool known = readValueText(ctx, line);
    if (known && line.ValueClass == 30) runoffStep(s, ctx, line);
    if (known && line.FormulaCount > 0) valueFormulas(s, ctx, line);
    precipitationKinds(s, ctx, line);
  }
  const PlaceResult placed = placeValue(s, ctx, line, gap);
  if (placed == PlaceResult::Stop) return true;
  if (placed == PlaceResult::DayClosed) {
    dayReport(s, line);
    if (line.StationDayCount > line.DaySlots) return true;
  }
  (void)v;
  return false;
}

}  // namespace

LoopEnd valueLoop(Session& s, RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  const int32_t highest = static_cast<int32_t>(v.ValueLines.size()) - 1;
  v.LineIndex = 0;
  while (v.LineIndex <= highest) {
    bool tookValue = false;
    bool stop = false;
    try {
      stop = linePass(s, ctx, line, tookValue);
    } catch (const RunoffStepFailed& e) {
      // The model's state is spoilt from here on: nothing of the station is stored.
      line.StationError = line.Dsid + " runoff step: " + e.what();
      return LoopEnd::Cancelled;
    } catch (const SeriesFull&) {
      // Values finer or longer than the series were sized for: what was gathered is kept.
      logPaneLine(s, "The values go beyond the series of this station; the rest of its values are left out.");
      v.ArrayFull = true;
      stop = true;
    } catch (const std::exception& e) {
      // The rest of this pass is dropped; the loop goes on with the next line.
      v.GapPass = false;
      tookValue = false;
      double value = v.CurrentValue;
      valueError(s, ctx, line, describe(e), value, v.ValueDate);
    }
    const bool again = v.GapPass || v.RepeatLine;
    v.RepeatLine = false;
    if (tookValue) v.PreviousTime = v.ValueDate;
    s.ui.doEvents();
    if (line.StationErrorCount > 9) {
      logPaneLine(s, "10 compute errors... station canceled.");
      s.LastError = line.Site_Name + "\r\n" + line.Dsid + "--" + line.StationId + "--" +
                    "10 errors... station canceled.";
      s.errlog.writeLine(s.LastError);
      line.StationErrorCount = 0;
      return LoopEnd::Cancelled;
    }
    if (stop) break;
    if (!again) v.LineIndex += 1;
  }
  return LoopEnd::Save;
}

}  // namespace fw
