#include "compute/initial_loss.h"

#include <algorithm>

#include "compute/checked_math.h"
#include "compute/groundwater_reservoir.h"
#include "compute/interception.h"

namespace fw::compute {

bool initialLossLimits(double initialLoss, double& wet, double& dry) {
  bool derived = false;
  if (wet == 0) {
    dry = initialLoss;
    wet = 0;
    derived = true;
  }
  const double lo = std::min(wet, dry);
  const double hi = std::max(wet, dry);
  dry = hi;
  wet = lo;
  return derived;
}

StepValues initialLossStep(const SoilParameters& p, const SoilConstants& c, SoilState& s, const StepInput& in) {
  StepValues v;
  const double rain = in.rainfall;
  v.Soil_RecoveryF = divide((p.ILdry - s.InitialLoss) * p.groundwaterRecoveryAdjustment, p.storageRange);
  v.DrySoilRecovery = v.Soil_RecoveryF * c.stepRecovery;
  v.EtRecovery = v.Soil_RecoveryF * in.etCoefficient * in.stepET;

  s.RainSum += rain;
  double available;
  if (in.sourceCode > 100) {
    double f = 1 - (in.sourceCode - 100) / 12;
    if (f < 0 || f > 1) f = 1;
    available = s.RainSum - (0.85 + 0.15 * f) * s.InitialLoss;
    v.EtRecovery *= f;
  } else {
    available = s.RainSum - s.InitialLoss - c.stepConstantLoss;
  }
  if (available > 0) {
    v.Excess = available;
  } else {
    v.Excess = 0;
    if (rain == 0) {
      s.InitialLoss += v.EtRecovery;
      s.RainSum -= in.stepET;
    }
    s.InitialLoss += v.DrySoilRecovery;
    s.RainSum = std::max(0.0, s.RainSum - c.stepRecovery);
    s.InitialLoss = std::min(s.InitialLoss, p.ILdry);
  }
  v.Loss = rain - v.Excess;

  v.Excess = c.perviousShare * v.Excess;
  v.Retained = rain - v.Excess;
  if (v.Retained > 0) {
    intercept(p, c, interceptionFactors(p, in.sourceCode), s.InitialLoss, in.month, s, v, rain);
    s.InitialLoss = s.InitialLoss - v.Retained + v.DrySoilRecovery;
    if (s.InitialLoss < p.ILwet) {
      v.GroundwaterRecharge = p.ILwet - s.InitialLoss;
      s.InitialLoss = p.ILwet;
    } else {
      v.GroundwaterRecharge = c.groundwaterShare * v.Retained * v.Soil_RecoveryF;
    }
    s.InitialLoss = std::min(s.InitialLoss, p.ILdry);
  }
  v.SoilFlowCFS = s.InitialLoss >= p.ILdry ? 0 : (1 - p.soilLoss) * v.Soil_RecoveryF * c.soilFlowScale;
  v.Excess += c.connectedShare * rain;
  groundwaterStep(p, c, s, v, in, LossMode::InitialLoss);
  if (in.variableLag) {
    s.LagRainSum += rain - in.stepET - c.stepRecovery;
    if (s.LagRainSum < 0) {
      s.LagRainSum = 0;
      v.lagBack = true;
    }
  }
  s.RainSum = std::min(s.RainSum, s.InitialLoss);
  return v;
}

}  // namespace fw::compute
