#pragma once
// The station kinds the run prepares itself instead of through the dispatch: the snowmelt model
// (walked four times, one series a pass), the point and river-gauge forecasts and the snow-model
// page (walked once or twice). Each leaves its values in RetrievalText and sets the fields the
// value loop reads.
#include <cstdint>
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Source types handled here: 12 snowmelt, 18 point or river forecast, 28 snow model.
bool isComputedKind(int16_t sourceType);

// Runs the line's kind. Nothing: the line goes on to its value path with the text in
// ctx.RetrievalText; a move: the line ends (StationError says why, empty for a quiet end).
std::optional<Move> computedKind(Session& s, RunContext& ctx, LineState& line, const std::string& caption);

}  // namespace fw
