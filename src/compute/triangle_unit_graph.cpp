#include "compute/triangle_unit_graph.h"

#include "compute/checked_math.h"

namespace fw::compute {

double trianglePeakFactor(double area, double share, double ratio, double lagHours) {
  return divide(2 * kInchHourCfs * area * share, (1 + ratio) * lagHours);
}

TriangleGraph triangleGraph(double stepHours, double lagHours, double ratio, double peakFactor) {
  TriangleGraph g;
  g.peakFactor = peakFactor;
  g.tp = roundSteps(divide(stepHours / 2 + lagHours, stepHours));
  g.tr = roundSteps(ratio * g.tp);
  g.base = g.tp + g.tr;
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

}  // namespace fw::compute
