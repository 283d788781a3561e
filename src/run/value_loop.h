#pragma once
// The value loop of a station line: its set-up (the formulas' date function, the Canadian units,
// the loop's counters and tolerances), one pass per retrieval line through parsing, formulas and
// aggregation, the report of each completed day and the station's error limit.
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "run/run_context.h"
#include "store/store_state.h"

namespace fw {

struct Session;

// The code that gives formulas the day of the year of a date.
extern const char* const kJulianFunction;

// The compare series' rows (time, value) as hourly entries from entry 1 of `hours`: one entry per
// clock hour (a later row of the same hour gives that entry its value), and each hour a gap leaves
// out, from the second hour of the window on, filled with the value of the row after the gap.
struct CompareHours {
  int32_t last = 0;  // the last entry used
  double maximum = 0;
  vb::VbDate maximumTime = 0;
  double minimum = 999999;
};
CompareHours compareHours(std::vector<SeriesPoint>& hours, const std::vector<SeriesPoint>& rows, int32_t firstDay);

// A What-If compare series waiting to be drawn (compare flag set, review chart shown, a DSID
// given): its hourly values of the line's window are drawn in the review chart, and the station's
// own series is drawn beside them. True when the series was drawn; the request is then served.
bool compareSeries(Session& s, const LineState& line);

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
