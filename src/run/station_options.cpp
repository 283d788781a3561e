#include "run/station_options.h"

#include <algorithm>
#include <limits>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/alert_setup.h"
#include "run/links.h"
#include "run/series_slots.h"
#include "store/store_state.h"

namespace fw {

std::string siteColumn(const Session& s, int column, int32_t row) {
  if (row < 0 || row >= s.SiteList.rows()) return std::string();
  const vb::Variant& v = s.SiteList(column, row);
  return v.isNull() ? std::string() : v.toString();
}

namespace {

const char* const kCrLf = "\r\n";
constexpr int32_t kSlotLimit = 32700;  // unit values the arrays hold without asking

bool holds(const std::string& text, const char* what) { return vb::InStr(text, what) > 0; }

bool isComputedLine(int16_t type, const LineState& line) {
  switch (type) {
    case 6: case 10: case 11: case 12: case 16: case 20: case 25: case 28:
      return true;
    default:
      return holds(line.StationId, "-GET") || holds(line.StationId, "-PUT") || line.ShellHmsLine;
  }
}

void countTriples(Session& s, LineState& line) {
  line.FormulaCount = 0;
  line.FormulaUsesD = false;
  line.FormulaUsesN = false;
  line.FormulaPCount = 0;
  line.ModelRunText = line.Site_Name;
  for (int i = 1; i <= 5; ++i) {
    Triple& t = line.Triples[static_cast<size_t>(i)];
    if (t.formula.empty()) break;
    t.formula = vb::UCase(t.formula);
    line.FormulaCount = static_cast<int16_t>(i);
    if (holds(t.base, "D") || holds(t.shift, "D") || holds(t.formula, "D")) line.FormulaUsesD = true;
    if (holds(t.base, "N") || holds(t.shift, "N") || holds(t.formula, "N")) {
      line.FormulaUsesN = true;
      line.FormulaPCount = static_cast<int16_t>(std::count(t.formula.begin(), t.formula.end(), 'P'));
    }
    if (s.ModelRunWrite.modelRun != 0) line.ModelRunText += ";" + t.base + ";" + t.shift + ";" + t.formula;
  }
  if (holds(line.StationId, "GET-SWMM")) {
    // Its formula1 names the series of the results file: the values are stored as read.
    line.FormulaUsesN = false;
    line.FormulaCount = 0;
  }
}

void siteValues(Session& s, const RunContext& ctx, LineState& line) {
  if (ctx.SourceType == 16 || ctx.SourceType == 30) {
    line.Dsid = "0";
    line.ParameterCode = "0";
    line.DatatypeCode = 0;
    line.ValueCode = 1;
    line.StationId = vb::Trim(vb::Mid(line.StationId, vb::InStr(line.StationId, "-") + 1));
    return;
  }
  line.ValueCode = line.DatatypeCode = vb::CInt(vb::Val(siteColumn(s, 2, line.SiteRow)));
  line.UnitText = siteColumn(s, 3, line.SiteRow);
  line.ParameterCode = siteColumn(s, 4, line.SiteRow);
  if (s.form.Check3.ticked()) line.HourShift = vb::Val(siteColumn(s, 6, line.SiteRow));
  if (ctx.SourceType == 24) line.HourShift = vb::Val(line.Triples[1].base);
}

// The review chart takes the new series beside the last only when their datatypes go together
// and their units are the same (one axis, one scale).
void graphHandOver(Session& s, LineState& line) {
  s.ExtraDay = false;
  line.DayLine = false;
  while (s.GraphWait && !s.StopRequested) {
    s.ui.doEvents();
    s.clock.sleepMs(100);
  }
  if (!s.GraphNext) s.GraphAdd = true;
  if (!s.GraphAdd) return;
  const int16_t code = line.DatatypeCode;
  int16_t& shown = s.GraphDatatype;
  if (shown == 1 && code == 30)
    shown = 30;
  else if (shown == 30 && code == 1)
    shown = 1;
  else if (shown >= 10 && shown <= 11 && code >= 10 && code <= 11)
    shown = code;
  if (shown != code && shown != 0) s.GraphAdd = false;
  if (!s.GraphUnit.empty() && vb::LCase(s.GraphUnit) != vb::LCase(line.UnitText)) s.GraphAdd = false;
}

void logLines(Session& s, const RunContext& ctx, const LineState& line) {
  std::string id = line.StationId;
  if (ctx.SourceType == 16) {
    const int blank = vb::InStr(id, " ");
    if (blank > 0) id = vb::Left(id, blank + 2);
  }
  s.form.Text1.append(line.Site_Name + kCrLf + line.Datatype_Name + "  " + id + "  " + line.Dsid + kCrLf);
}

void ratioCheck(Session& s, RunContext& ctx, LineState& line) {
  const std::string name = vb::UCase(line.Datatype_Name);
  if (!holds(name, "RATIO") || holds(name, "RATION")) return;
  line.DatatypeCode = 101;
  line.ValueClass = 9;
  const float r = static_cast<float>(vb::Val(line.Triples[1].shift));
  if (r > 0.05f) {
    const std::string warning =
        "Warning " + line.StationId + " " + line.Dsid + " RainGage ratio check" + vb::StrSingle(r) + ">0.05 inch";
    ctx.WarningCount = vb::addInteger(ctx.WarningCount, 1);
    if (s.LastError.empty()) s.LastError = warning;
    s.errlog.writeLine(warning);
    s.form.Text1.append(warning + kCrLf);
  }
}

int32_t toSlots(int64_t n) {
  if (n > std::numeric_limits<int32_t>::max()) vb::raise(vb::err::Overflow);
  return static_cast<int32_t>(n);
}

// Sizes the six arrays for the window; asks once when the unit arrays would be very large.
std::optional<Move> sizeArrays(Session& s, RunContext& ctx, LineState& line, int16_t type) {
  const int32_t days = line.WindowDays;
  line.LongRun = (s.WhatIf.Coefficient != 0 && int64_t{days} * s.WhatIf.Traces > 50) || days > 370;
  if (line.LongRun) s.form.Text1.append(std::string("For speed, only end of month displayed.") + kCrLf);
  sizeSeries(s.DaySeries, int64_t{days} + 6);
  sizeSeries(s.DayMaxSeries, int64_t{days} + 6);
  sizeSeries(s.DayMinSeries, int64_t{days} + 6);
  if (holds(line.StationId, "-DAY") && line.DatatypeCode != 101) {
    line.DayLine = true;
    s.UnitValues = false;
    sizeSeries(s.HourSeries, int64_t{days} + 6);
    sizeSeries(s.UnitSeries, int64_t{days} + 6);
    sizeSeries(s.ShiftSeries, int64_t{days} + 6);
  }
  if (s.UnitValues) {
    line.ValuesPerHour = type == 1 ? 30 : 12;
    if (holds(line.StationId, "-HOUR")) line.ValuesPerHour = 1;
    line.ValueSlots = toSlots(int64_t{line.ValuesPerHour} * 24 * (int64_t{days} + 4));
    if (line.ValueSlots > kSlotLimit && ctx.RunAnswer == 0) {
      if (line.ValueSlots / line.ValuesPerHour > kSlotLimit) {
        line.HugeRun = true;
        if (!s.HdbIsExcel) {
          s.FrmGraph.Loaded = true;
          s.FrmGraph.Visible = false;
        }
      }
      if (!s.NoAsks) {
        const MsgResult answer =
            s.ui.msgBox(vb::Format(line.ValueSlots, "#,###,##0") + "   values is alot." + kCrLf + kCrLf +
                            "Shall we proceed optimistically?",
                        MsgButtons::OKCancel, MsgIcon::Question);
        ctx.RunAnswer = static_cast<int16_t>(answer);
        if (answer != MsgResult::OK) return Move::cancel();
      }
    }
    sizeSeries(s.HourSeries, (int64_t{days} + 6) * 24);
    sizeSeries(s.UnitSeries, line.ValueSlots);
    sizeSeries(s.ShiftSeries, line.ValueSlots);
  }
  return std::nullopt;
}

void markMissing(std::vector<SeriesPoint>& series, size_t index) {
  if (index < series.size()) series[index].value = MissingValue;
}

void initialiseArrays(Session& s, const LineState& line) {
  const size_t perHour = static_cast<size_t>(std::max<int16_t>(line.ValuesPerHour, 0));
  size_t hour = 0;
  size_t unit = 0;
  for (int64_t day = 1; day <= int64_t{line.WindowDays} + 2; ++day) {
    const size_t d = static_cast<size_t>(day);
    markMissing(s.DaySeries, d);
    markMissing(s.DayMaxSeries, d);
    markMissing(s.DayMinSeries, d);
    if (!s.UnitValues) continue;
    for (int h = 0; h < 24; ++h, ++hour) {
      markMissing(s.HourSeries, hour);
      for (size_t v = 0; v < perHour; ++v, ++unit) {
        markMissing(s.UnitSeries, unit);
        markMissing(s.ShiftSeries, unit);
      }
    }
  }
}

}  // namespace

void emptyTraceSeries(Session& s, const LineState& line) {
  for (std::vector<SeriesPoint>* series :
       {&s.UnitSeries, &s.HourSeries, &s.DaySeries, &s.DayMaxSeries, &s.DayMinSeries, &s.ShiftSeries})
    std::fill(series->begin(), series->end(), SeriesPoint{});
  initialiseArrays(s, line);
}

int16_t valueClassOf(int16_t valueCode) {
  switch (valueCode) {
    case 3: case 4: case 23:
      return 9;
    case 11: case 27:
      return 10;
    default:
      return valueCode;
  }
}

void windowDays(Session& s, RunContext& ctx, LineState& line) {
  const int16_t type = ctx.SourceType;
  const int32_t future = ctx.settings.FutureDays;
  const int32_t runDay = static_cast<int32_t>(s.RunDay);
  if (!s.RealtimeMode) {
    line.WindowDays = ctx.DaysBack;
    line.DaySlots = line.WindowDays + 1;
  } else {
    line.FirstDay = runDay - ctx.DaysBack;
    line.LastDay = runDay;
    if (line.ValueClass == 30 && s.WhatIf.Coefficient == 0) {
      const UpdateRow last = lastUpdate(s, line.Dsid);
      vb::VbDate u = last.updated;
      double v = last.value;
      const std::vector<std::string> runoff = vb::Split(line.Triples[1].shift, ",");
      if (runoff.size() > 20 && vb::Val(runoff[20]) > 5) u += vb::Round(vb::Val(runoff[20]) / 6 + 1);
      if (s.StartDateSetting && *s.StartDateSetting != 0) u = v = 0;
      if (ctx.EarliestRunoffUpdate == 0 || u < ctx.EarliestRunoffUpdate) ctx.EarliestRunoffUpdate = u;
      if (ctx.EarliestRunoffStart == 0) ctx.EarliestRunoffStart = line.FirstDay;
      if (v < ctx.EarliestRunoffStart) ctx.EarliestRunoffStart = static_cast<int32_t>(vb::Int(v));
      int32_t window = 0;
      if (vb::Int(u) >= runDay - ctx.DaysBack && !s.form.chkLimitDays.ticked()) {
        if (v != 0) window = runDay - static_cast<int32_t>(vb::Int(v));
        if (window > ctx.DaysBack + 60) window = ctx.DaysBack;
        if (window < ctx.DaysBack) window = ctx.DaysBack;
      } else {
        window = ctx.DaysBack;
      }
      if (ctx.RunoffWindowDays == 0) ctx.RunoffWindowDays = window;
      line.FirstDay = runDay - window;
      ctx.RunoffWindowDays = std::max(ctx.RunoffWindowDays, window);
      line.WindowDays = window + future + 1;
      line.DaySlots = line.WindowDays + future + 1;
      line.LastDay = runDay + future;
    } else if (isComputedLine(type, line)) {
      const int32_t window = ctx.RunoffWindowDays != 0 ? ctx.RunoffWindowDays : ctx.DaysBack;
      line.FirstDay = runDay - window;
      line.WindowDays = window + future + 1;
      line.DaySlots = line.WindowDays + future + 1;
      line.LastDay = runDay + future;
    } else {
      line.WindowDays = ctx.DaysBack;
      // A window of no days still reads from the day before (the gauge service is asked one day
      // back then): with one slot the loop would stop at the run day and drop its values.
      line.DaySlots = std::max(line.WindowDays, 1) + 1;
    }
  }
  if (type == 18 || type == 28) {
    line.WindowDays = future;
    line.DaySlots = future + 1;
  }
  if (line.HourShift > 0) ++line.WindowDays;
  if (s.BatchMode) {
    ctx.RunAnswer = -1;
    if (line.WindowDays == 0 && line.DatatypeCode == 30) {
      line.WindowDays = ctx.DaysBack;
      ctx.RetrievalText.clear();
      line.DaySlots = line.WindowDays + 1;
    }
  }
}

std::optional<Move> stationOptions(Session& s, RunContext& ctx, LineState& line) {
  if (line.AlertLine) {
    s.Alert.AlertActive = alertTableKind(s.Alert.AlertTableWord);
    s.Alert.AlertSiteName = line.Site_Name;
  }
  line.StationError.clear();
  countTriples(s, line);
  line.WindDegrees = line.WindDirSeries = false;
  line.PrecipKind = 0;
  line.ShiftAside.clear();
  siteValues(s, ctx, line);
  graphHandOver(s, line);
  logLines(s, ctx, line);

  line.ValueClass = valueClassOf(line.ValueCode);
  const bool getOrPut = holds(line.StationId, "-GET") || holds(line.StationId, "-PUT");
  if (ctx.SourceType == 11 && line.ValueClass == 30 && !getOrPut) ctx.SourceType = 9;
  if (line.ValueClass == 30 && getOrPut) line.ValueClass = 1;
  if (ctx.SourceType > 8 && line.FormulaCount == 1 && vb::Len(line.Triples[1].formula) < 3 && line.ValueClass != 10)
    line.FormulaCount = 0;
  ratioCheck(s, ctx, line);
  scriptControl(s).Reset();

  windowDays(s, ctx, line);
  if (auto move = sizeArrays(s, ctx, line, ctx.SourceType)) return move;
  initialiseArrays(s, line);
  if (holds(line.StationId, "-DAY")) s.UnitValues = true;

  if (line.ParameterCode.empty()) {
    // Every later line would fail alike: the run ends here.
    notify(s, line.StationId + " Table rsite parameter_code missing.");
    return Move::finish();
  }
  line.ParameterCodes.clear();
  for (const std::string& p : vb::Split(line.ParameterCode, ",")) line.ParameterCodes.push_back(vb::Trim(p));
  line.ParameterCount = static_cast<int16_t>(line.ParameterCodes.size()) - 1;
  line.ParameterTotal = static_cast<int16_t>(line.ParameterCount + 1);
  const size_t slots = static_cast<size_t>(line.ParameterCount) + 2;
  line.ParameterNumbers.assign(slots, 0);
  line.ParameterNumbers[1] = 1;
  line.ValueColumns.assign(slots, 0);
  line.ValueColumns[0] = 2;
  line.ParameterLastValues.assign(slots, 0);
  line.ParameterFillCounts.assign(slots, 0);

  if (line.DatatypeCode == 27 || line.DatatypeCode == 29) {
    line.PrecipKind = s.UnitValues && line.DatatypeCode == 27 ? -1 : 0;
    line.ShiftAside = line.Triples[1].shift;
    line.Triples[1].shift = "0";
  }
  return std::nullopt;
}

}  // namespace fw
