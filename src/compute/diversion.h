#pragma once
// Diversion of part of the current hydrograph at a structure, by a rating of diverted flow
// against inflow.
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/vb/date.h"

namespace fw {
struct Session;
}

namespace fw::compute {

// Replaces UnitSeries elements 1..n by the flow passed on (inflow minus the diverted flow,
// both in the series' flow unit; not clipped, so it may go negative). The diverted flow dated
// from outputStart on is stored under dsid ("0" = not stored) when "Write  Hourly Avg" is
// ticked. A failure (missing or faulty rating, equal neighbouring inflows, a database error)
// leaves UnitSeries as it was, sets LastError to the message and "... in DIVERSION routing."
// and tells the user (batch: the error log); the routing goes on.
void RouteDiversion(Session& s, int32_t n, const std::string& dsid, const std::filesystem::path& ratingPath,
                    vb::VbDate outputStart, int32_t beginDay, int32_t endDay, bool modelRun, int16_t runId,
                    int16_t trace);

}  // namespace fw::compute
