#include "compute/groundwater_reservoir.h"

#include <algorithm>
#include <cmath>

#include "compute/checked_math.h"

namespace fw::compute {

void groundwaterStep(const SoilParameters& p, const SoilConstants& c, SoilState& state, StepValues& v,
                     const StepInput& in, LossMode mode) {
  if (p.groundwaterLoss >= 1) {
    v.GWFlowCFS = 0;
    return;
  }
  if (v.Excess > 0) v.GroundwaterRecharge += 0.2 * v.Excess;
  if (mode == LossMode::InitialLoss && in.adjustmentDue && !v.adjustmentApplied) {
    v.GroundwaterRecharge += c.groundwaterShare * in.adjustment;
    v.adjustmentApplied = true;
  }
  const bool floorAtZero = mode == LossMode::CurveNumber;
  const int64_t lineCounter = in.lineCounter;
  const double old = state.GroundwaterFlow;
  double flow = checked(old * c.groundwaterDecay + c.stepFlowFactor * v.GroundwaterRecharge * (1 - c.groundwaterDecay));
  if (floorAtZero && flow < 0) flow = 0;
  double routed;
  if (c.groundwaterLagOn && lineCounter > c.groundwaterLagSteps) {
    routed = std::max(0.0, c.gwC1 * flow + c.gwC1 * old + c.gwC2 * state.GroundwaterRouted);
    state.GroundwaterRouted = routed;
  } else {
    routed = flow;
    state.GroundwaterRouted = old;
  }
  state.GroundwaterFlow = flow;
  v.GWFlowCFS = (1 - p.groundwaterLoss) * routed;
}

double seasonalSoilFlow(double soilFlowCFS, double baseFlow, double riparian, int dayOfYear, int hour) {
  double flow = soilFlowCFS + baseFlow;
  if (riparian != 0) flow *= 1 + riparian * std::sin((dayOfYear + 61 + hour / 24.0) * 0.017214192);
  return flow;
}

}  // namespace fw::compute
