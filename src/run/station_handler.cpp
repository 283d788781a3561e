#include "run/station_handler.h"

#include <algorithm>

#include "app/session.h"
#include "common/round_value.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/run_end.h"
#include "run/what_if.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

void markEdited(std::vector<SeriesPoint>& series, int32_t index) {
  if (index >= 0 && static_cast<size_t>(index) < series.size()) series[static_cast<size_t>(index)].source = 5;
}

}  // namespace

namespace {

void countStationError(RunContext& ctx, const std::string& error) {
  if (vb::InStr(error, "Warning") > 0)
    ctx.WarningCount = vb::addInteger(ctx.WarningCount, 1);
  else
    ctx.BadStationCount = vb::addInteger(ctx.BadStationCount, 1);
}

// The station-end count line: the last value, its unit, the day's count and missing values.
void countLine(Session& s, const LineState& line) {
  const ValueLoopState& v = line.ValueLoop;
  if (v.DayValueCount == 0 || line.StationDayCount == 0) return;
  double value = v.CurrentValue;
  const std::string rounded = vb::CStr(RoundValue(value, line.ValueClass, s.MetricUnits, s.CanadaSite));
  logPaneLine(s, vb::Format(v.LastValueTime, "mm/dd/yyyy ") + rounded + " " + line.UnitText + "   Count " +
                     vb::Str(int32_t{v.DayValueCount}) + "  Missing " + vb::Str(v.MissingCount));
}

}  // namespace

std::optional<Move> stationHandler(Session& s, RunContext& ctx, LineState& line) {
  if (!line.CloseDirectly) {
    ctx.MaxUpdatedDays = std::max(ctx.MaxUpdatedDays, line.StationDayCount);
    if (!line.StationError.empty() || line.LowCountDays != 0) {
      if (line.LowCountDays != 0) line.StationError += "...Low count days" + vb::Str(line.LowCountDays);
      // A line that repeats the site of the station before it is reported but not counted again.
      if (line.SiteNumber != ctx.PreviousSiteNumber) countStationError(ctx, line.StationError);
      s.LastError = line.StationId + " " + line.Dsid + " " + line.StationError;
      ctx.RunErrorText += kCrLf + s.LastError;
      s.errlog.writeLine(s.LastError);
      logPaneLine(s, line.StationError);
      if (!s.BatchMode) {
        s.ui.doEvents();
        s.ui.msgBox(s.LastError, MsgButtons::OK, MsgIcon::Question, "Error!");
      }
      line.StationError.clear();
    } else {
      countLine(s, line);
    }
  }

  // The station close.
  logPaneLine(s, " ");
  s.ui.doEvents();
  if (!line.StationError.empty()) {
    countStationError(ctx, line.StationError);
    s.errlog.writeLine(line.StationError);
  }
  if (ctx.BadStationCount > ctx.settings.AllowedBadStations) {
    runLevelCancel(s, ctx);
    return Move::finish();
  }
  if (line.WhatIfRun.active)
    if (auto move = whatIfClosing(s, ctx, line)) return move;
  s.ui.doEvents();
  return std::nullopt;
}

bool badvaluecheck(Session& s, BadValueCheckArgs& a) {
  const bool badPunch = vb::InStr(a.Message, "bad punch") > 0;
  const std::string header = a.SiteName + kCrLf + a.Dsid + "--" + a.StationId + "--";
  const std::string valueText = vb::CStr(a.Value);
  if (badPunch) {
    a.Message = header + "Possible Bad Value " + valueText + " " + a.UnitText + " at " + vb::CStrDate(a.ValueDate) +
                " used as is.";
  }
  if (!s.BatchMode && vb::InStr(a.Message, "Permission denied") > 0)
    s.ui.msgBox(a.Message + "Try closing your Excel workbood open to this output", MsgButtons::OK);

  if (badPunch && a.CheckOn && !s.BatchMode) {
    const std::string prompt = " Value= " + vb::Str(a.Value) + " " + a.UnitText + "\r" + "last good value= " +
                               vb::Str(a.LastGoodValue) + "\r\r" + "Possible bad punch, use it anyway???" + kCrLf +
                               kCrLf + "(No=last good value will be used)" + kCrLf +
                               "(Cancel=Don't ask again, just use them)";
    switch (s.ui.msgBox(prompt, MsgButtons::YesNoCancel, MsgIcon::Question, a.SiteName + " unit values")) {
      case MsgResult::No:
        a.Message = header + "Value " + valueText + " " + a.UnitText + " replaced by " + vb::CStr(a.LastGoodValue) +
                    " at " + vb::CStrDate(a.ValueDate);
        a.Value = a.LastGoodValue;
        if (a.DayIndex <= a.DayLimit) {
          markEdited(s.DaySeries, a.DayIndex);
          markEdited(s.DayMaxSeries, a.DayIndex);
          markEdited(s.DayMinSeries, a.DayIndex);
        }
        ++a.MissingCount;
        break;
      case MsgResult::Cancel:
        a.CheckOn = false;
        break;
      default:
        break;
    }
  }

  if (badPunch) {
    s.errlog.writeLine(a.Message);
    s.LastError = a.Message;
    return true;
  }
  std::string text = " **NoData, server down.**";
  if (a.ValueClass == 30) text += std::string(kCrLf) + "or bad runoff coefficents.";
  logPaneLine(s, text);
  a.Message += text;
  if (s.services.radarWindow->isVisible()) s.services.radarWindow->hide();
  a.Coefficient = a.WriteMTables = a.MonteType = a.Stochastic = 0;
  logPaneLine(s, a.Message);
  s.LastError = header + a.Message;
  s.errlog.writeLine(s.LastError);
  s.ui.doEvents();
  a.Message.clear();
  return true;
}

BadValueCheckArgs badValueArgs(const Session& s, const RunContext& ctx, const LineState& line,
                               const std::string& description) {
  BadValueCheckArgs a;
  a.Message = description + kCrLf;
  a.SiteName = line.Site_Name;
  a.Dsid = line.Dsid;
  a.StationId = line.StationId;
  a.Value = line.ValueLoop.CurrentValue;
  a.UnitText = line.UnitText;
  a.ValueDate = line.ValueLoop.ValueDate;
  a.CheckOn = ctx.BadValueCheckOn;
  a.LastGoodValue = line.ValueLoop.LastGoodValue;
  a.DayIndex = line.ValueLoop.DayIndex;
  a.DayLimit = line.ValueLoop.DayLimit;
  a.MissingCount = line.ValueLoop.MissingCount;
  a.ValueClass = line.ValueClass;
  a.Coefficient = s.WhatIf.Coefficient;
  a.WriteMTables = s.WhatIf.WriteMTables;
  a.MonteType = s.WhatIf.MonteType;
  a.Stochastic = s.WhatIf.Stochastic;
  return a;
}

void stationRuntimeError(Session& s, RunContext& ctx, LineState& line, const std::string& description) {
  line.StationErrorCount = vb::addInteger(line.StationErrorCount, 1);
  BadValueCheckArgs a = badValueArgs(s, ctx, line, description);
  badvaluecheck(s, a);
  line.ValueLoop.CurrentValue = a.Value;
  line.ValueLoop.MissingCount = a.MissingCount;
  ctx.BadValueCheckOn = a.CheckOn;
  s.WhatIf.Coefficient = a.Coefficient;
  s.WhatIf.WriteMTables = a.WriteMTables;
  s.WhatIf.MonteType = a.MonteType;
  s.WhatIf.Stochastic = a.Stochastic;
}

std::string noDataText(const std::string& downloadError) {
  return downloadError.empty() ? std::string("No data retrieved.") : "No data: " + downloadError;
}

std::string noValueColumnText(const std::string& retrievalText) {
  if (retrievalText.empty()) return "Parameter Not Found";
  if (vb::InStr(retrievalText, "HTML") > 0) return "Site number or parameter not found.";
  return "Data not available.";
}

}  // namespace fw
