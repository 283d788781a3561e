#include "compute/triangle_unit_graph.h"

#include <algorithm>
#include <cmath>

#include "compute/checked_math.h"

namespace fw::compute {

TriangleGraph triangleGraph(double stepHours, double lagHours, double ratio, double area, double share) {
  TriangleGraph g;
  g.tp = roundSteps(divide(stepHours / 2 + lagHours, stepHours));
  g.tr = roundSteps(ratio * g.tp);
  g.base = g.tp + g.tr;
  // The ordinates rise over tp steps and fall over tr to 0: they sum to peak × base ÷ 2 steps.
  g.peakFactor = divide(2 * kInchHourCfs * area * share, g.base * stepHours);
  return g;
}

double triangleOrdinate(const TriangleGraph& g, double peak, int32_t j) {
  if (j <= g.tp) return divide(peak * j, g.tp);
  return divide(peak * (g.tr - (j - g.tp)), g.tr);
}

void addTriangle(std::vector<double>& hydrograph, int64_t n, int64_t lastIndex, double excess, const TriangleGraph& g) {
  const double peak = excess * g.peakFactor;
  for (int32_t j = 1; j <= g.base; ++j) {
    const int64_t at = n + j - 1;
    if (at > lastIndex || at < 0 || static_cast<uint64_t>(at) >= hydrograph.size()) break;
    hydrograph[static_cast<size_t>(at)] += triangleOrdinate(g, peak, j);
  }
}

TriangleOrdinates triangleOrdinates(const TriangleGraph& g) {
  TriangleOrdinates o;
  o.values.reserve(static_cast<size_t>(std::max(g.base, 0)));
  for (int32_t j = 1; j <= g.base; ++j) {
    o.values.push_back(triangleOrdinate(g, g.peakFactor, j));
    o.largest = std::max(o.largest, std::fabs(o.values.back()));
  }
  return o;
}

void addOrdinates(std::vector<double>& hydrograph, int64_t n, int64_t lastIndex, double excess,
                  const TriangleOrdinates& ordinates) {
  if (n < 0) return;  // the graph would start before the hydrograph
  const int64_t end = std::min<int64_t>({n + static_cast<int64_t>(ordinates.values.size()) - 1, lastIndex,
                                         static_cast<int64_t>(hydrograph.size()) - 1});
  if (end < n) return;
  checked(excess * ordinates.largest);
  const double* o = ordinates.values.data();
  double* h = hydrograph.data() + n;
  const size_t count = static_cast<size_t>(end - n + 1);
  for (size_t k = 0; k < count; ++k) h[k] += excess * o[k];
}

}  // namespace fw::compute
