#pragma once
// Clark unit graph: the increments of a synthetic time-area curve over the time of concentration,
// routed through a linear reservoir of storage R = storage ratio × Tc.
#include <cstdint>
#include <vector>

namespace fw::compute {

struct ClarkGraph {
  std::vector<double> ordinates;  // cfs per inch of excess at steps 0 to lastIndex
  int16_t lastIndex = -1;
  double R = 0;   // storage, hours
  double C1 = 0;  // weight of this and the last inflow
  double C2 = 0;  // weight of the last outflow
};

// The time-area fraction of the basin that has drained at τ (0 to 1) of the time of concentration.
double clarkTimeArea(double tau);

// `tc` and `dt` in hours; `scale` turns a fraction of the basin per step into cfs per inch
// (645.33 × area ÷ dt). A Tc shorter than half a step still gets one step (n = 1), so the basin's
// excess is never dropped.
ClarkGraph getclarkgraph(double tc, double dt, double scale, double storageRatio);

// The reservoir between the graph and the station: O = C1 × I + C1 × I(previous) + C2 × O(previous),
// not below 0; with R = 0 the inflow passes unchanged.
struct ClarkRouting {
  double previousInflow = 0;
  double previousOutflow = 0;
  double route(const ClarkGraph& g, double inflow);
};

}  // namespace fw::compute
