#pragma once
// The end of a station line: its error is reported and counted, the run's limit of bad stations
// is applied, its flood alerts are reported, and the walk hands over to the next line.
#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Reports and counts the station's error, closes the station and gives the walk's next move:
// Finish when the bad-station limit is passed (after the run-level cancel's lines) or in
// one-station mode, SameLine while a multi-pass line kind wants the line again, else NextLine
// (after the head of the next outer pass). A line that is not taken again runs the flood-alert
// step first.
Move endOfStation(Session& s, RunContext& ctx, LineState& line);

// The head of an outer pass over the lines: clears what each pass starts without.
void outerPassHead(RunContext& ctx);

}  // namespace fw
