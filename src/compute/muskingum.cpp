#include "app/session.h"
#include "compute/channel_routing.h"
#include "compute/work_arrays.h"

namespace fw::compute {

MuskingumCoefficients muskingumCoefficients(double kHours, double x, double stepHours) {
  const double half = stepHours / 2;
  const double d = kHours * (1 - x) + half;
  if (d == 0) vb::raise(vb::err::DivisionByZero);
  return {(half - kHours * x) / d, (kHours * x + half) / d, (kHours * (1 - x) - half) / d};
}

void RouteMuskingum(Session& s, double& kHours, double x, int32_t n, double stepHours, int16_t& subReaches) {
  if (subReaches < 1) subReaches = 1;
  kHours /= subReaches;
  const MuskingumCoefficients c = muskingumCoefficients(kHours, x, stepHours);
  auto& v = s.UnitSeries;
  if (n < 1) return;
  at(v, n);  // the whole reach must be there before the loops index it unchecked
  // The inflow of element 1 as it came, for every sub-reach (element 1 itself is not routed).
  const double firstInflow = v[1].value;
  SeriesPoint* e = v.data();
  for (int16_t r = 1; r <= subReaches; ++r) {
    double previousInflow = firstInflow;
    for (int32_t j = 2; j <= n; ++j) {
      const double in = e[j].value;
      e[j].value = c.c1 * previousInflow + c.c0 * in + c.c2 * e[j - 1].value;
      if (e[j - 1].value < 0) e[j - 1].value = 0;
      previousInflow = in;
    }
  }
}

}  // namespace fw::compute
