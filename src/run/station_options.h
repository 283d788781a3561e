#pragma once
// The per-station options every later step reads: the alert's table kind, the formula triples
// and their letter flags, the site's datatype, unit, parameters and hour shift, the value class,
// the rules for COMPUTE, ratio and ET lines, the days the station works on and the size of the
// series arrays. Also the request guard: a request too large for the arrays is asked about once,
// and a site without a parameter list ends the run.
#include <cstdint>
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Settles the line's options and sizes the series arrays; gives the move that ends the line or
// the run when it cannot go on.
std::optional<Move> stationOptions(Session& s, RunContext& ctx, LineState& line);

// The value class of a datatype number: 3, 4 and 23 (running values) give 9, 11 and 27 (totals)
// give 10, every other number is its own class.
int16_t valueClassOf(int16_t valueCode);

// The station's six series emptied and marked missing over its window, as the options left them
// for its first pass: each What-If trace fills them anew.
void emptyTraceSeries(Session& s, const LineState& line);

// The line's window in days (WindowDays, FirstDay, LastDay and DaySlots) from DaysBack and the run.
void windowDays(Session& s, RunContext& ctx, LineState& line);

// Column `column` of the site list's row `row` as a text; "" for a null cell or a row outside it.
std::string siteColumn(const Session& s, int column, int32_t row);

}  // namespace fw
