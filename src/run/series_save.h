#pragma once
// Storing a station's series after its value loop: which writers run, in which order, under which
// boxes of the main window, with which indexes and codes.
#include <string>

#include "run/run_context.h"

namespace fw {

struct Session;

// The colour the "Save Radar" box takes once a station's series are stored.
inline constexpr int32_t kSavedColour = 10579031;

void seriesSave(Session& s, RunContext& ctx, LineState& line);

// The first counted triple whose formula holds "SH" (1-based); 0 when none does.
int16_t shiftIndex(const LineState& line);

}  // namespace fw
