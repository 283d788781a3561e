#pragma once
// A runoff line from its input to its first step: the rain and ET input assembled as the line's
// retrieval text, then the opening (window, settings of the line and the main window), the
// set-up of the model from the line's parameters and the basin's starting conditions.
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/runoff_state.h"
#include "run/walk.h"

namespace fw {

struct Session;

// A runoff line (value class or data type 30) of SourceType 9, 23 or 24 that is not a radar rain
// line (ValueClass 10, DatatypeCode 9 or 32).
bool isRunoffInputLine(int16_t sourceType, const LineState& line);

// The runoff input of the line: "runoffIn.txt" becomes the retrieval text. A failed assembly
// ends the station with its error text.
std::optional<Move> runoffInput(Session& s, RunContext& ctx, LineState& line, const std::string& caption);

// Opens the runoff computation of a line whose values have been handed over (ValueClass 30):
// window, settings, set-up and starting conditions. Nothing (go on to the value loop), or the
// station's end, or the run's cancel path.
std::optional<Move> runoffOpening(Session& s, RunContext& ctx, LineState& line);

// The set-up proper from the parameters read (limits, retentions, constants, series sizes, the
// "Runoff.txt" header). `runDays` sizes the station's series.
void runoffSetUp(Session& s, RunContext& ctx, LineState& line, RunoffState& r, int32_t runDays);

// The starting storage, rain sum, groundwater and runoff flow; a Cancel of the question ends the
// run.
std::optional<Move> runoffStartConditions(Session& s, RunContext& ctx, LineState& line, RunoffState& r);

}  // namespace fw
