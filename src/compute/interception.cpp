#include "compute/interception.h"

#include <algorithm>

namespace fw::compute {

InterceptionFactors interceptionFactors(const SoilParameters& p, double sourceCode) {
  if (sourceCode == 100) return {};
  return {p.interception, p.interception / 3};
}

void intercept(const SoilParameters& p, const SoilConstants& c, const InterceptionFactors& f, double storage,
               int month, SoilState& state, StepValues& v, double rainfall) {
  const bool winter = p.winterInterception && (month == 12 || month <= 3);
  const double capacity = (winter ? f.winter : f.full) * storage;
  if (state.RainSum >= capacity) {
    if (state.InterceptionDeficit != 0) {
      v.Excess = std::max(0.0, v.Excess - state.InterceptionDeficit);
      v.Retained += c.unconnectedShare * state.InterceptionDeficit;
      state.InterceptionDeficit = 0;
    }
    state.RainSum += c.unconnectedShare * rainfall;
  } else {
    v.Retained = c.unconnectedShare * v.Retained;
    v.Excess = 0;
    state.InterceptionDeficit = capacity - state.RainSum;
  }
}

}  // namespace fw::compute
