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
// caller, which ends the line as a failed station with the error's text.
Move stationRoad(Session& s, RunContext& ctx, LineState& line);

// The retrieval window, UnitValues and the site row of a station line, as far as the retrievers
// need them. Ends the line when it cannot be set up.
std::optional<Move> stationSetUp(Session& s, RunContext& ctx, LineState& line);

// Calls the retriever or computation that the line's SourceType selects; fills the line's
// RetrievalFailed, ComputeCanceled and NothingToParse.
void getsourcedata(Session& s, RunContext& ctx, LineState& line);

}  // namespace fw
