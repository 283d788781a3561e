#include "run/runstations.h"

#include <exception>
#include <iostream>

#include "app/session.h"
#include "platform/db/connection_string.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/file_lock.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "run/fetch_ahead.h"
#include "run/run_end.h"
#include "run/run_start.h"
#include "run/station_end.h"
#include "run/station_handler.h"
#include "run/station_road.h"
#include "run/walk.h"
#include "run/what_if.h"

namespace fw {

namespace {

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

void showProgress(Session& s, const StationWalk& walk) {
  MainForm& f = s.form;
  const double total = static_cast<float>(walk.total());
  f.imgProgressBar.Width = total > 0 ? f.frameProgressBar.Width * walk.done() / total : 0;
  f.Label11.Caption = vb::CStr(walk.done()) + " of " + vb::CStr(walk.total());
}

// One pass of a line's steps (its road, or a What-If trace of it).
template <class Steps>
Move guardedSteps(Session& s, RunContext& ctx, LineState& line, Steps&& steps) {
  try {
    return steps();
  } catch (const std::exception& e) {
    // An error the station's steps did not catch: reported as its runtime error, then the
    // station closes and counts once as bad.
    stationRuntimeError(s, ctx, line, describe(e));
    ctx.BadStationCount = vb::addInteger(ctx.BadStationCount, 1);
    line.StationError.clear();
    line.CloseDirectly = true;
    return Move::endStation();
  }
}

// One line from its first step to the move that ends it; a What-If run's traces run the line's
// runoff again from its set-up until the last one.
Move walkLine(Session& s, RunContext& ctx, LineState& line) {
  Move move = guardedSteps(s, ctx, line, [&] { return stationRoad(s, ctx, line); });
  for (;;) {
    if (move.kind != MoveKind::EndStation) return move;
    try {
      move = endOfStation(s, ctx, line);
    } catch (const std::exception& e) {
      s.LastError = describe(e);
      s.errlog.writeLine(s.LastError);
      return Move::nextLine();
    }
    // A radar line's pass took the lines after it as its basins: the walk passes over them.
    if (move.kind == MoveKind::NextLine && line.GatheredLines > 0) return Move::skipLines(line.GatheredLines);
    if (move.kind != MoveKind::NextTrace) return move;
    move = guardedSteps(s, ctx, line, [&] { return runoffTrace(s, ctx, line); });
  }
}

void walkStations(Session& s, RunContext& ctx) {
  StationWalk walk(s.StationRange.first, s.StationRange.last, s.StationCount);
  outerPassHead(ctx);
  s.WalkStopped = false;
  ctx.Walked = true;
  for (;;) {
    if (s.StopRequested) {
      s.WalkStopped = true;
      s.LastError = "Run stopped before line " + vb::CStr(walk.index() + 1) + ".";
      s.errlog.writeLine(s.LastError);
      finishRun(s, ctx);
      return;
    }
    if (!walk.nextLine()) {
      finishRun(s, ctx);
      return;
    }
    showProgress(s, walk);
    try {
      fetchAheadOf(s, ctx, walk.index(), walk.last());
    } catch (const std::exception&) {
      // Fetching ahead only saves time: a line it cannot foresee fetches its own download.
    }
    ctx.BadValueCheckOn = s.form.Checkbadvalue.ticked();
    LineState line;
    Move move;
    const int64_t storedBefore = s.RowsStored;
    try {
      line = readStationLine(s, walk.index());
      move = walkLine(s, ctx, line);
      if (s.RowsStored > storedBefore) ctx.StationLinesStored.insert(walk.index());
    } catch (const std::exception& e) {
      s.LastError = describe(e);
      s.errlog.writeLine(s.LastError);
      move = Move::nextLine();
    }
    switch (move.kind) {
      case MoveKind::NextLine:
      case MoveKind::EndStation:
      case MoveKind::NextTrace:
        break;
      case MoveKind::SameLine:
        walk.sameLine();
        break;
      case MoveKind::SkipLines:
        walk.skipLines(move.count);
        break;
      case MoveKind::Finish:
        finishRun(s, ctx);
        return;
      case MoveKind::Cancel:
        cancelPath(s, ctx);
        return;
    }
  }
}

}  // namespace

// Takes the program folder's run lock. Two programs on one folder would shorten and append to
// one error log at the same time and lose each other's lines; the second one does not start.
bool lockProgramFolder(Session& s, FileLock& lock) {
  if (lock.tryAcquire(s.inProgramFolder(kRunLockName))) return true;
  std::string text = kAnotherRunText;
  if (!lock.error().empty())
    text = "The run lock " + s.inProgramFolder(kRunLockName).string() + " cannot be taken (" + lock.error() +
           "); this run did not start.";
  if (s.BatchMode) {
    std::cerr << text << std::endl;
    s.errlog.writeLine(text);
  } else {
    s.ui.msgBox(text, MsgButtons::OK, MsgIcon::Exclamation);
  }
  s.LastError = text;
  return false;
}

void runstations(Session& s) {
  if (s.RunActive) return;
  FileLock lock;
  if (!lockProgramFolder(s, lock)) {
    s.LastRunOutcome = RunOutcome::Cancelled;
    s.FolderBusy = true;
    if (s.BatchMode && !s.BatchScheduled && !s.form.CheckBatch.ticked()) s.ExitRequested = true;
    return;
  }
  s.RunActive = true;
  s.LastRunOutcome = RunOutcome::None;
  RunContext ctx;
  StartResult start = StartResult::Cancel;
  try {
    start = startRun(s, ctx);
  } catch (const std::exception& e) {
    s.LastError = "runstations: " + db::maskConnectionSecrets(describe(e), s.HdbConnString);
    s.errlog.writeLine(s.LastError);
  }
  if (start == StartResult::Walk)
    walkStations(s, ctx);
  else
    cancelPath(s, ctx);
  s.services.internet->dropFetchedAhead();
  s.RunActive = false;
}

}  // namespace fw
