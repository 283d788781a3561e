#pragma once
// What-If runs of a runoff line: the line runs once per trace, one runoff coefficient (or the
// rain factor) changed between traces by a step multiplier or a Monte Carlo sample, with
// optional stochastic rain. The run starts the What-If run before the line's rain is read,
// opens each trace at the runoff set-up and closes it after the station handler.
#include <cstdint>
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;
struct RunoffState;

// The wizard's caption of coefficient 1 to 13 ("CN/IL start space", ..., "Lag hours"); empty
// for any other index.
std::string whatIfCaption(int16_t coefficient);

// The value of coefficient `coefficient` for the next trace: `value` (the step's product or the
// sample) rounded to the coefficient's digits and kept within the model's limits. `clipped`
// tells that a limit was used (a value that is no number keeps `current`).
struct CoefficientValue {
  double value = 0;
  bool clipped = false;
};
CoefficientValue boundCoefficient(int16_t coefficient, bool curveNumber, bool sampled, double value,
                                  double current);

// Before the line's rain is read: checks the settings (every draw finite, the storm settings, a
// run_id not yet in mrun unless it may be written over), seeds the generator and draws the first
// trace's sample. A run that cannot start fails the line with a text naming the setting.
std::optional<Move> whatIfStart(Session& s, RunContext& ctx, LineState& line);

// The rain factor of the line's trace: formula1's leading number, or the What-If rain adjust
// factor when that is the coefficient varied; rounded to 2 decimals, 1 when 0.
double traceRainFactor(const Session& s, const LineState& line);

// At the runoff set-up of each trace: the first trace's sample applied, the wet limit cleared
// for an automated curve number, the model-run destination, the trace counter and the progress.
// Leaves the trace's values in `r`.
void whatIfOpening(Session& s, LineState& line, RunoffState& r);

// After the station handler: the next trace's value and stochastic storm, or the end of the
// What-If run (the run finishes), or nothing when an error cut the run off.
std::optional<Move> whatIfClosing(Session& s, RunContext& ctx, LineState& line);

// The next trace of the line, from its runoff set-up to its save.
Move runoffTrace(Session& s, RunContext& ctx, LineState& line);

}  // namespace fw
