#pragma once
// A station line's set-up once its source type is known: the retrieval window in days, unit or
// daily values, the once-per-run offer to start runoff lines from the last runoff computation,
// the DSID of a field naming two series, the line's row of the site list and its province.
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// Sets the line up; gives the move that ends it when it cannot be set up.
std::optional<Move> stationSetUp(Session& s, RunContext& ctx, LineState& line);

// The row of the site list that holds the DSID (rows 1 to SiteCount); 0 when none does.
int32_t findSiteRow(const Session& s, const std::string& dsid);

// A site lies in a Canadian province when its state, trimmed and upper-cased, is one of "BC",
// "AB", "SK", "MB", "ON", "QC", "NB", "NL", "NS".
bool isCanadianState(const std::string& state);

}  // namespace fw
