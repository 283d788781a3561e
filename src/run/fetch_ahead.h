#pragma once
// Downloads side by side: before a station line is worked on, the lines after it whose service can
// say its request's address in advance have that download started in the background, so that
// their own download finds its reply already there. What the run does with each line stays as in
// a run one line after another; an address foreseen wrongly only costs a download not used.
#include <cstdint>

#include "run/run_context.h"

namespace fw {

struct Session;

// Looks at the lines after `index` (up to "Parallel Downloads=" − 1 of them, up to `last`).
void fetchAheadOf(Session& s, RunContext& ctx, int32_t index, int32_t last);

}  // namespace fw
