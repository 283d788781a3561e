#include "run/station_end.h"

#include "app/session.h"
#include "run/flood_alerts.h"
#include "run/station_handler.h"

namespace fw {

void outerPassHead(RunContext& ctx) {
  ctx.ValueFieldIndex = 0;
  ctx.UnitWriteFlag = false;
  ctx.UnitGraphFlag = false;
}

Move endOfStation(Session& s, RunContext& ctx, LineState& line) {
  if (auto move = stationHandler(s, ctx, line)) return *move;

  // Leaving the line.
  s.ui.doEvents();
  if (ctx.RepeatLine) {
    ctx.RepeatLine = false;
    return Move::sameLine();
  }
  // A pass that ended before its kind was reached (its site missing, say) ends the line's passes:
  // the line never comes back to fail again, and the next line is not taken for a later pass.
  ctx.SnowFollowStep = 0;
  floodAlertStep(s, ctx, line);
  if (s.form.Check1.ticked()) return Move::finish();
  ctx.PreviousSiteNumber = line.SiteNumber;
  outerPassHead(ctx);
  return Move::nextLine();
}

}  // namespace fw
