#pragma once
// Storing a routing's side series (a diverted flow, a reservoir's elevations) with its hourly
// means and daily extremes.
#include <cstdint>
#include <string>
#include <vector>

#include "store/store_state.h"

namespace fw {
struct Session;
}

namespace fw::compute {

// The kind of side series; it is also the value code its values are rounded by.
inline constexpr int16_t kDiversionSeries = 1;
inline constexpr int16_t kElevationSeries = 3;

// Writes side elements 1..k as unit values of the DSID (source 10, the model-run tables in a
// model run), reads them back over firstDay..lastDay, and writes their clock-hour means and
// daily maxima and minima; the first day's extremes start from the stored ones dated at its
// midnight. UnitSeries is the same afterwards as before; HourSeries, DayMaxSeries and
// DayMinSeries hold what was written. Ends with the kind's label in the log pane.
void RouteResultsToHdb(Session& s, const std::vector<SeriesPoint>& side, int32_t k, const std::string& dsid,
                       int32_t firstDay, int32_t lastDay, bool modelRun, int16_t runId, int16_t trace, int16_t kind);

}  // namespace fw::compute
