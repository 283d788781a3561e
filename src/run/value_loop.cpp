#include "run/value_loop.h"

#include <exception>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/aggregation.h"
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

void valueLoopSetUp(Session& s, RunContext& ctx, LineState& line) {
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
    if (readValueText(ctx, line) && line.FormulaCount > 0) valueFormulas(s, ctx, line);
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
