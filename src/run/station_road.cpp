#include "run/station_road.h"

#include <algorithm>

#include "app/session.h"
#include "run/aggregation.h"
#include "run/alert_setup.h"
#include "run/computed_kinds.h"
#include "run/dispatch.h"
#include "run/hand_over.h"
#include "run/line_kinds.h"
#include "run/model_run.h"
#include "run/radar_lines.h"
#include "run/runoff_start.h"
#include "run/runoff_step.h"
#include "run/series_save.h"
#include "run/shell_lines.h"
#include "run/source_type.h"
#include "run/station_options.h"
#include "run/station_handler.h"
#include "run/station_setup.h"
#include "platform/vb/strings.h"
#include "run/value_loop.h"

namespace fw {

namespace {

bool isRadar(int16_t type) { return type == 9 || type == 23 || type == 24; }

const char* const kImageLayerFailed = "Error loading GDI+! (gdiplus.dll)";

}  // namespace

LineState readStationLine(const Session& s, int32_t index) {
  LineState line;
  line.StationIndex = index;
  const int columns = s.StationTable.columns();
  line.fields.resize(static_cast<size_t>(std::max(columns, 1)));
  for (int k = 0; k < columns; ++k) line.fields[static_cast<size_t>(k)] = s.StationTable(k, index);
  for (int n = 1; n <= 5; ++n) {
    line.Triples[static_cast<size_t>(n)] = {line.field(3 * n + 2), line.field(3 * n + 3),
                                            line.field(3 * n + 4)};
  }
  return line;
}

std::optional<Move> retrieve(Session& s, RunContext& ctx, LineState& line) {
  const std::string caption = s.form.Caption;
  s.ui.doEvents();
  if (line.ParameterCode == "C0R" || line.ParameterCode == "C0S") ctx.SourceType = 9;
  if (isRadar(ctx.SourceType) && line.DatatypeCode != 30 && !s.services.radar->restartImages(s)) {
    // Without the image layer no radar line can run: the run ends, and with it the program.
    if (s.BatchMode) {
      s.LastError = kImageLayerFailed;
      s.errlog.writeLine(kImageLayerFailed);
    } else {
      s.ui.msgBox(kImageLayerFailed, MsgButtons::OK, MsgIcon::Critical);
    }
    s.ExitRequested = true;
    return Move::cancel();
  }
  if (isRunoffInputLine(ctx.SourceType, line)) {
    if (auto move = runoffInput(s, ctx, line, caption)) return move;
    return std::nullopt;
  }
  if (isComputedKind(ctx.SourceType)) return computedKind(s, ctx, line, caption);
  if (ctx.SourceType == 16) return shellModelLine(s, ctx, line, caption);
  if (isRadar(ctx.SourceType)) return radarLine(s, ctx, line, caption);
  if (s.InternetFailed) {
    // The same service failed for the line before: this one is not retrieved, and fails with a
    // text of its own.
    line.StationError = kServiceDownText;
    return Move::endStation();
  }
  getsourcedata(s, ctx, line, caption);
  if (line.RetrievalFailed) return Move::endStation();
  if (line.ComputeCanceled) return Move::cancel();
  if (line.NothingToParse) return Move::endStation();
  return std::nullopt;
}

// A station line the setup reader could not take as it stands (too few or too many fields): it
// fails with the reader's text, which names its line in the file, and is counted as bad.
std::optional<Move> faultyLine(Session& s, RunContext& ctx, LineState& line) {
  const auto fault = s.StationLineFaults.find(line.StationIndex);
  if (fault == s.StationLineFaults.end() || vb::InStr(line.field(1), "*") > 0) return std::nullopt;
  readLineHead(line);
  ctx.StationLinesWalked.insert(line.StationIndex);
  line.StationError = fault->second;
  line.CloseDirectly = true;
  logPaneLine(s, line.StationError);
  return Move::endStation();
}

Move stationRoad(Session& s, RunContext& ctx, LineState& line) {
  if (auto move = faultyLine(s, ctx, line)) return *move;
  if (auto move = lineKinds(s, ctx, line)) return *move;
  ctx.StationLinesWalked.insert(line.StationIndex);
  modelRunDestination(s, line);
  classifyLine(s, ctx, line);
  if (auto move = stationSetUp(s, ctx, line)) return *move;
  line.AlertLine = alertSetUp(s.Alert, ctx.AlertEmail, line.field(3), s.LastRunStart, s.AlertStartTime);
  if (auto move = stationOptions(s, ctx, line)) return *move;
  if (auto move = retrieve(s, ctx, line)) return *move;
  // A retriever that left an error text with its values ends the line with it.
  if (!line.StationError.empty()) return Move::endStation();
  return valuePath(s, ctx, line);
}

Move valuePath(Session& s, RunContext& ctx, LineState& line) {
  if (auto move = handOver(s, ctx, line)) return *move;
  return valueRoad(s, ctx, line);
}

Move valueRoad(Session& s, RunContext& ctx, LineState& line) {
  valueLoopSetUp(s, ctx, line);
  if (valueLoop(s, ctx, line) == LoopEnd::Cancelled) {
    line.CloseDirectly = true;  // nothing is saved, and the station is not reported again
    return Move::endStation();
  }
  closeAfterLastLine(s, line);
  runoffTraceEnd(s, line);
  seriesSave(s, ctx, line);
  return Move::endStation();
}

}  // namespace fw
