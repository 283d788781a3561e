#pragma once
// The start of a run: the batch start (start minute, tray icon), the run's time, the run-level
// settings read from the main window, the error log, the internet session, the database, the
// last-update check and the progress display.
#include "run/run_context.h"

namespace fw {

struct Session;

enum class StartResult { Walk, Cancel };

// Prepares the run; Cancel when it cannot go on (no internet session and no offline answer).
StartResult startRun(Session& s, RunContext& ctx);

// The start minute of a batch start from txtMinToStart: 0 to 59; any other number is 0 (the run
// starts at once) and the error log says so.
int32_t startMinute(Session& s);

}  // namespace fw
