#pragma once
// Modified Puls (storage-indication) routing of the current hydrograph through a reservoir or a
// cascade of equal reservoirs, with an optional observed starting elevation, release schedule,
// condition-switched ratings, daily evaporation and stored elevations.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "compute/routing_state.h"
#include "platform/vb/date.h"

namespace fw {
struct Session;
}

namespace fw::compute {

// A rating: rows of elevation (feet, or metres with MetricUnits), outflow (the series' flow
// unit), storage (acre-feet, or cubic metres) and the cascade count that suits the outflow.
// Columns are 1-based (entry 0 unused).
struct ModpulRating {
  std::vector<double> E{0}, O{0}, O0{0}, S{0}, storageRead{0}, cascade{0}, Q{0};
  int32_t rows = 0;
};

// Reads the rating file: a header, then TAB rows; a row of fewer than two fields or whose first
// field is not a number is left out; a row needs four fields; at most 1000 rows. The storage
// column is the storage times factor below 1.991, else divided by it.
ModpulRating readModpulRating(const std::filesystem::path& path, double factor);

struct ModpulCall {
  int32_t restartDay = 0;             // in and out: day from which the output is written (0 = none)
  int32_t n = 0;                      // values of the last GET
  double stepHours = 1;               // time step in hours
  std::filesystem::path ratingPath;   // in and out: the rating in use at the end
  double mode = 1;                    // storage factor, cascade count, or -1 / -3 (see the .cpp)
  double further = 0;                 // optimised cascade: share of the peak (0 = 2/3)
  ReleaseSetting* release = nullptr;  // the pending release (value, schedule series)
  const RoutingConditions* conditions = nullptr;
  int16_t elevationDsid = 0;  // 0 = no elevations read or stored
  double evaporation = 0;     // factor on the seasonal evaporation depth; 0 = none
  vb::VbDate outputStart = 0;  // in and out
  int32_t beginDay = 0, endDay = 0;
  bool modelRun = false;
  int16_t runId = 0, trace = 0;
};

// Routes UnitSeries elements 1..n in place, element i taking the outflow at the time of element
// i: the result of N reservoirs is moved N elements later, the first N taking the starting
// outflow (the optimised cascade without its shift is left where it falls). Raises the system's
// error for a missing or faulty rating or a database failure.
void RouteModpul(Session& s, ModpulCall& c);

}  // namespace fw::compute
