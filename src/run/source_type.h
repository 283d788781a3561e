#pragma once
// SourceType: the small integer a station line gets from its station id, which selects the
// retriever, computation or special road that handles it.
#include <cstdint>
#include <string>

#include "run/run_context.h"

namespace fw {

struct Session;

// The type of an upper-cased station id. An id that starts with digits and goes on with letters
// keeps `previous`, the type of the line before. shellHmsLine is set for a shell line that runs
// an "HMS.CMD" script.
int16_t classifySource(const std::string& id, int16_t previous, bool& shellHmsLine);

// The id begins with a keyword of the code table ("ROUTE", "COMPUTE", "USBR", "NEXRAD", ...), as
// opposed to being typed by its digits or length or taken over from the line before.
bool hasSourceKeyword(const std::string& id);

// Classifies the line into ctx.SourceType; a change of type clears the internet failure and the
// held forecast key, and hides the radar window.
void classifyLine(Session& s, RunContext& ctx, LineState& line);

}  // namespace fw
