#include "app/session.h"
#include "compute/channel_routing.h"
#include "compute/work_arrays.h"
#include "platform/vb/math.h"

namespace fw::compute {

void RouteTatum(Session& s, double travelHours, int32_t n, double stepHours) {
  auto& v = s.UnitSeries;
  at(v, 0).value = 0;
  if (stepHours == 0) vb::raise(vb::err::DivisionByZero);
  const double passes = vb::Int(2 * travelHours / stepHours + 0.5);
  if (passes < 1 || n < 1) return;
  // Each pass reaches two elements past the values; the work arrays grow instead of cutting the
  // passes short.
  const int64_t p = static_cast<int64_t>(passes);
  ensureElements(v, n + p + 1);
  std::vector<double> w(static_cast<size_t>(n) + 2);
  w[1] = v[1].value;
  for (int64_t k = 1; k <= p; ++k) {
    const int64_t j = k + n;
    v[static_cast<size_t>(j)].value = 0;
    v[static_cast<size_t>(j) + 1].value = 0;
    // Only w(2..n) reach the hydrograph; the rest of the pass would fall past element n.
    for (int32_t i = 1; i < n; ++i) w[static_cast<size_t>(i) + 1] = (v[static_cast<size_t>(i)].value + v[static_cast<size_t>(i) + 1].value) / 2;
    for (int32_t i = 1; i <= n; ++i) v[static_cast<size_t>(i)].value = w[static_cast<size_t>(i)];
  }
}

}  // namespace fw::compute
