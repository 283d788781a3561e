#pragma once
// The value loop of a station line: its set-up (the formulas' date function, the Canadian units,
// the loop's counters and tolerances), one pass per retrieval line through parsing, formulas and
// aggregation, the report of each completed day and the station's error limit.
#include <string>

#include "run/run_context.h"

namespace fw {

struct Session;

// The code that gives formulas the day of the year of a date.
extern const char* const kJulianFunction;

// Puts the value loop into its starting state for the line (its ValueLines are kept).
void valueLoopSetUp(Session& s, RunContext& ctx, LineState& line);

enum class LoopEnd {
  Save,       // the loop ran to its end (or stopped at the window's end): the series are saved
  Cancelled,  // ten errors: the station is cancelled and nothing is saved
};

// Runs the lines 0 to the highest index of ValueLines.
LoopEnd valueLoop(Session& s, RunContext& ctx, LineState& line);

// The log pane's line for the day that just closed, and the reset of the day's counts.
void dayReport(Session& s, LineState& line);

}  // namespace fw
