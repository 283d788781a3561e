#pragma once
// Triangular unit graph: the flow of one inch of excess rises linearly to its peak at the time
// to peak `tp` and falls linearly over `tr` recession steps. A runoff station runs three of them
// side by side, each carrying its share of the excess.
#include <cstdint>
#include <vector>

namespace fw::compute {

struct TriangleGraph {
  double peakFactor = 0;  // cfs at the peak per inch of excess
  int32_t tp = 0;         // steps to the peak
  int32_t tr = 0;         // recession steps
  int32_t base = 0;       // tp + tr
};

// The graph of `share` of one inch of excess over `area` square miles, for a lag in hours and a
// recession `ratio` times the rise: tp = round((step ÷ 2 + lag) ÷ step), tr = round(ratio × tp),
// both half to even. The peak, 2 × 645.33 × area × share ÷ ((tp + tr) × step), makes the
// ordinates sum to the excess's volume, 645.33 × area × share cfs·h, whatever the rounding.
TriangleGraph triangleGraph(double stepHours, double lagHours, double ratio, double area, double share);

// Ordinate j (1 to base) of the graph for `peak` cfs.
double triangleOrdinate(const TriangleGraph& g, double peak, int32_t j);

// Adds `excess` inches through the graph to the hydrograph from index n on (ordinate j at
// n + j - 1), stopping past `lastIndex` or the hydrograph's end.
void addTriangle(std::vector<double>& hydrograph, int64_t n, int64_t lastIndex, double excess, const TriangleGraph& g);

// Ordinates 1 to base of the graph for its own peak factor (cfs per inch), values[j - 1] holding
// ordinate j: worked out once per graph, so that a step's excess costs a multiply per ordinate.
struct TriangleOrdinates {
  std::vector<double> values;
  double largest = 0;  // the largest magnitude among them
};
TriangleOrdinates triangleOrdinates(const TriangleGraph& g);

// Adds `excess` inches through the ordinates (ordinate j at n + j - 1), stopping past
// `lastIndex` or the hydrograph's end. A flow too large for a double raises vb::Error 6 before
// anything is added.
void addOrdinates(std::vector<double>& hydrograph, int64_t n, int64_t lastIndex, double excess,
                  const TriangleOrdinates& ordinates);

}  // namespace fw::compute
