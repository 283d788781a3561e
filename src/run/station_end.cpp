#include "run/station_end.h"

#include <algorithm>

#include "app/session.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/run_end.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

void countStationError(RunContext& ctx, const std::string& error) {
  if (vb::InStr(error, "Warning") > 0)
    ctx.WarningCount = vb::addInteger(ctx.WarningCount, 1);
  else
    ctx.BadStationCount = vb::addInteger(ctx.BadStationCount, 1);
}

}  // namespace

void outerPassHead(RunContext& ctx) {
  ctx.ValueFieldIndex = 0;
  ctx.UnitWriteFlag = false;
  ctx.UnitGraphFlag = false;
}

Move endOfStation(Session& s, RunContext& ctx, LineState& line) {
  if (!line.CloseDirectly) ctx.MaxUpdatedDays = std::max(ctx.MaxUpdatedDays, line.StationDayCount);
  if (!line.CloseDirectly && (!line.StationError.empty() || line.LowCountDays != 0)) {
    if (line.LowCountDays != 0) line.StationError += "...Low count days" + vb::Str(line.LowCountDays);
    // A line that repeats the site of the station before it is reported but not counted again.
    if (line.SiteNumber != ctx.PreviousSiteNumber) countStationError(ctx, line.StationError);
    s.LastError = line.StationId + " " + line.Dsid + " " + line.StationError;
    ctx.RunErrorText += kCrLf + s.LastError;
    s.errlog.writeLine(s.LastError);
    s.form.Text1.append(line.StationError + kCrLf);
    if (!s.BatchMode) {
      s.ui.doEvents();
      s.ui.msgBox(s.LastError, MsgButtons::OK, MsgIcon::Question, "Error!");
    }
    line.StationError.clear();
  }

  // The station close.
  s.form.Text1.append(std::string(" ") + kCrLf);
  s.ui.doEvents();
  if (!line.StationError.empty()) {
    countStationError(ctx, line.StationError);
    s.errlog.writeLine(line.StationError);
  }
  if (ctx.BadStationCount > ctx.settings.AllowedBadStations) {
    runLevelCancel(s, ctx);
    return Move::finish();
  }

  // Leaving the line.
  s.ui.doEvents();
  if (ctx.SnowFollowStep != 0) return Move::sameLine();
  if (s.form.Check1.ticked()) return Move::finish();
  ctx.PreviousSiteNumber = line.SiteNumber;
  outerPassHead(ctx);
  return Move::nextLine();
}

}  // namespace fw
