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
  if (ctx.SnowFollowStep != 0) return Move::sameLine();
  floodAlertStep(s, ctx, line);
  if (s.form.Check1.ticked()) return Move::finish();
  ctx.PreviousSiteNumber = line.SiteNumber;
  outerPassHead(ctx);
  return Move::nextLine();
}

}  // namespace fw
