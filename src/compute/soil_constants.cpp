#include "compute/checked_math.h"
#include "compute/runoff_soil.h"

namespace fw::compute {

SoilConstants soilConstants(const SoilParameters& p, double stepMinutes) {
  SoilConstants c;
  c.stepHours = stepMinutes / 60;
  c.stepConstantLoss = p.constantLoss * c.stepHours;
  c.stepRecovery = c.stepConstantLoss * p.soilRecovery;
  c.groundwaterDecay = checked(std::exp(-c.stepRecovery * p.groundwaterRecoveryAdjustment));
  c.groundwaterShare = (1 - p.groundwaterLoss) * p.soilLoss;
  c.soilFlowScale = kInchHourCfs * p.constantLoss * p.soilRecovery * p.area;
  c.stepFlowFactor = divide(kInchHourCfs * p.area, c.stepHours);
  c.connectedShare = p.imperviousFraction * p.connectedFraction;
  c.unconnectedShare = p.imperviousFraction - c.connectedShare;
  c.perviousShare = (1 - p.imperviousFraction) + c.unconnectedShare;
  c.groundwaterLagOn = vb::Round(p.groundwaterLag) != 0;
  c.groundwaterLagSteps = roundSteps(divide(c.stepHours / 2 + p.groundwaterLag, c.stepHours));
  c.gwC1 = divide(0.5 * c.stepHours, 0.5 * c.stepHours + p.groundwaterLag);
  c.gwC2 = divide(p.groundwaterLag - 0.5 * c.stepHours, 0.5 * c.stepHours + p.groundwaterLag);
  return c;
}

}  // namespace fw::compute
