#pragma once
// Errors raised while a station's values are processed, handed to the station's error handler:
// each is counted, and the handler answers it (a possible bad value may be kept or replaced; any
// other error is reported as no data).
#include <string>

#include "platform/vb/date.h"
#include "run/run_context.h"

namespace fw {

struct Session;

// Counts the error in StationErrorCount and hands it to badvaluecheck with the value in work and
// its date; the value comes back as the handler left it. True when it was replaced by the last
// good value.
bool valueError(Session& s, RunContext& ctx, LineState& line, const std::string& description, double& value,
                vb::VbDate valueDate);

}  // namespace fw
