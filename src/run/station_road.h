#pragma once
// The road of one station line, from its line kind to the hand-over to the next line: each step
// either lets the line go on or ends it with a move of the walk.
#include <optional>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Reads line `index` of StationTable: its columns, and the base/shift/formula triples.
LineState readStationLine(const Session& s, int32_t index);

// Runs the line down its road and gives the move that ends it. Errors raised on the way reach the
// caller, which reports them as the station's runtime error and closes the station.
Move stationRoad(Session& s, RunContext& ctx, LineState& line);

// The retrieval call site: radar parameters, the dispatch and what its out flags ask for. Gives
// the move that ends the line, or nothing when its text goes on to the value path.
std::optional<Move> retrieve(Session& s, RunContext& ctx, LineState& line);

// The value path of a line whose values have arrived in RetrievalText: hand-over, value loop, the
// open last hour and day, and the save.
Move valuePath(Session& s, RunContext& ctx, LineState& line);

// The value path from the value loop on: the loop, the open last hour and day, the What-If trace
// note and the save (each What-If trace of a runoff line comes here again).
Move valueRoad(Session& s, RunContext& ctx, LineState& line);

}  // namespace fw
