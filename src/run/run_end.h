#pragma once
// The end of a run: the finish after the last line (or a stop), the shorter cancel path taken
// when the run cannot go on, and the run-level cancel when too many stations failed.
#include "run/run_context.h"

namespace fw {

struct Session;

// Logs "F I N I S H E D  m:ss", writes rupdate row 0, then closes everything (cancelPath).
void finishRun(Session& s, RunContext& ctx);

// The finish without its first steps: no finish line, no rupdate row. Restores the window,
// closes the error log, the internet session and the database, reports the run, and schedules
// the next batch run or asks the program to end (unscheduled batch). An error on the way still
// restores the window and the timer, and still ends an unscheduled batch program.
void cancelPath(Session& s, RunContext& ctx);

// "Stored values for N of M station lines; K bad stations, W warnings.": M counts the station lines
// the walk reached (not comments, conditions or parameter lines), N those that stored rows.
std::string runSummaryText(const RunContext& ctx);
// Writes the summary once to the error log and the log pane (standard output without a window),
// when the walk began.
void writeRunSummary(Session& s, RunContext& ctx);

// Too many bad stations: logs "N station errors... Run canceled."; the caller then finishes.
void runLevelCancel(Session& s, RunContext& ctx);

// The time from start to end as "n:ss": minutes without a leading zero, whole hours dropped.
std::string elapsedText(vb::VbDate start, vb::VbDate end);

}  // namespace fw
