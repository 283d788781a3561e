#pragma once
// The hand-over of a station's retrieval text to its value path: total precipitation stored as
// rainfall, the graph window placed and shown, the text split into its lines, a text too short to
// hold values refused.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Ends the line when its values cannot be parsed (too short a text, no value column, a runoff
// line); otherwise the line's ValueLines are set for the value loop.
std::optional<Move> handOver(Session& s, RunContext& ctx, LineState& line);

// The lines of a retrieval text, split at line feeds (views of `text`); none for an empty text.
void splitValueLines(std::string_view text, std::vector<std::string_view>& lines);

}  // namespace fw
