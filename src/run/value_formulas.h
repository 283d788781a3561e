#pragma once
// Per-value formulas of a station line (its base/shift/formula triples evaluated in the script
// control) and the turning of precipitation kinds (rates, running totals) into amounts per value.
#include "run/run_context.h"

namespace fw {

struct Session;

// The formula step, for a line with formulas: the parameters become P1, P2, ..., the triple whose
// base holds is chosen, its shift and formula are evaluated. Errors of AddCode, of a base or of a
// shift reach the caller as vb::Error; an error of the formula itself is logged here and leaves
// the value missing.
void valueFormulas(Session& s, RunContext& ctx, LineState& line);

// The precipitation kinds, the station's largest value and the missing count: run for every value
// line after the formula step.
void precipitationKinds(Session& s, RunContext& ctx, LineState& line);

}  // namespace fw
