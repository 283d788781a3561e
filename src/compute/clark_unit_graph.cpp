#include "compute/clark_unit_graph.h"

#include <algorithm>
#include <cmath>

#include "compute/checked_math.h"

namespace fw::compute {

double clarkTimeArea(double tau) {
  if (tau < 0.5) return 1.414 * std::pow(tau, 1.5);
  return 1 - 1.414 * std::pow(1 - tau, 1.5);
}

ClarkGraph getclarkgraph(double tc, double dt, double scale, double storageRatio) {
  ClarkGraph g;
  int32_t n = roundSteps(divide(tc, dt));
  if (n < 1) n = 1;
  if (n > 32767) vb::raise(vb::err::Overflow);
  g.ordinates.assign(static_cast<size_t>(n) + 1, 0);
  for (int32_t i = 1; i <= n; ++i)
    g.ordinates[static_cast<size_t>(i) - 1] =
        (clarkTimeArea(static_cast<double>(i) / n) - clarkTimeArea(static_cast<double>(i - 1) / n)) * scale;
  g.lastIndex = static_cast<int16_t>(n - 1);
  g.R = storageRatio * tc;
  g.C1 = divide(dt / 2, g.R + dt / 2);
  g.C2 = divide(g.R - dt / 2, g.R + dt / 2);
  return g;
}

double ClarkRouting::route(const ClarkGraph& g, double inflow) {
  double outflow;
  if (g.R == 0) {
    outflow = inflow;
    previousOutflow = previousInflow;
  } else {
    outflow = std::max(0.0, g.C1 * inflow + g.C1 * previousInflow + g.C2 * previousOutflow);
    previousOutflow = outflow;
  }
  previousInflow = inflow;
  return outflow;
}

}  // namespace fw::compute
