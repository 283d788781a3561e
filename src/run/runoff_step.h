#pragma once
// One step of a runoff station: the value line's rain through the loss and storage of the soil,
// the unit graphs, the soil and groundwater flows, into the step's flow, which replaces the
// line's value; the row of "Runoff.txt" when it is open.
#include <stdexcept>
#include <string>

#include "run/run_context.h"
#include "run/runoff_state.h"

namespace fw {

struct Session;

// An error inside the step: the station's model state is then not to be used any further.
struct RunoffStepFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Runs the step for the line in work (its value is the rain) and puts the step's flow in its
// place. Any error comes back as RunoffStepFailed with its text.
void runoffStep(Session& s, RunContext& ctx, LineState& line);

// The graphs of the station for a step length and the current lag (at the first step, when the
// step length changes, and when the variable lag has moved).
void buildUnitGraphs(Session& s, RunoffState& r, double stepHours, bool lagRebuild);

// One step of `excess` inches through the graphs; `stepBaseFlow` is the base flow of the step,
// `lastIndex` the last step the station has. Gives the step's direct runoff, cfs.
double routeExcess(RunoffState& r, double excess, double stepBaseFlow, int64_t lastIndex);

// After the value lines of a runoff line: in a What-If run (a coefficient chosen) and with at most
// nine compute errors, the trace's note and the pass counter.
void runoffTraceEnd(Session& s, LineState& line);

}  // namespace fw
