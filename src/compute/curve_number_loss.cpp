#include "compute/curve_number_loss.h"

#include <algorithm>

#include "compute/checked_math.h"
#include "compute/groundwater_reservoir.h"
#include "compute/interception.h"

namespace fw::compute {

double retention(double curveNumber) { return divide(1000, curveNumber) - 10; }

bool curveNumberLimits(double cn, double& wet, double& dry, bool recovers) {
  bool derive = false;
  if (wet < 10 || dry < 10) {
    wet = dry = cn;
    derive = recovers;
  }
  const double lo = std::min(wet, dry);
  const double hi = std::max(wet, dry);
  dry = lo;
  wet = hi;
  if (derive) {
    dry = vb::Round(divide(dry, 2.334 - 0.01334 * dry), 1);
    wet = vb::Round(divide(wet, 0.4036 + 0.0059 * wet), 1);
  }
  return derive;
}

double scsRunoff(double rainSum, double ia, double retentionRest) {
  const double d = rainSum - ia;
  if (d <= 0) return 0;
  return divide(d * d, rainSum + retentionRest);
}

StepValues curveNumberStep(const SoilParameters& p, const SoilConstants& c, SoilState& s, const StepInput& in) {
  StepValues v;
  const double rain = in.rainfall;
  s.RainSum += rain;
  // The runoff so far, kept with what it was worked out from: the step's end needs it again
  // whenever the step leaves the soil as it found it.
  double scsSum = s.RainSum, scsIa = s.Ia, scsRest = s.RetentionRest, scs = 0;
  if (s.RainSum - s.Ia <= 0) {
    v.Loss = rain;
  } else {
    scs = scsRunoff(s.RainSum, s.Ia, s.RetentionRest);
    v.Loss = rain - (scs - s.CumulativeRunoff);
  }

  v.Soil_RecoveryF = divide(p.S1dry - s.S1, p.storageRange);
  v.DrySoilRecovery = v.Soil_RecoveryF * c.stepRecovery;
  v.EtRecovery = v.Soil_RecoveryF * in.etCoefficient * in.stepET;

  if (in.sourceCode == 100) {
    v.Loss *= p.snowmeltLoss;
    v.EtRecovery = 0;
  } else {
    v.Loss = std::max(v.Loss, c.stepConstantLoss);
  }

  v.Excess = rain - v.Loss;
  if (v.Excess <= 0) {
    v.Excess = 0;
    if (rain == 0 && p.S1dry - s.S1 > 0) {
      s.S1 += v.EtRecovery;
      s.Ia = s.S1 * p.initialAbstraction;
      s.RetentionRest = s.S1 * (1 - p.initialAbstraction);
      s.RainSum -= in.stepET;
      s.RainSum -= c.stepRecovery;
      s.RainSum -= 5 * s.RainSum * (c.stepRecovery + in.stepET);
      if (v.Soil_RecoveryF > 0.5) {
        v.DrySoilRecovery *= 1 + 2 * (v.Soil_RecoveryF - 0.5);
        s.S1 += v.Soil_RecoveryF * s.RainSum * (v.EtRecovery + v.DrySoilRecovery);
      }
      if (s.RainSum < 0) s.RainSum = 0;
    }
  }
  s.S1 = std::min(s.S1 + v.DrySoilRecovery, p.S1dry);

  v.Excess = c.perviousShare * v.Excess;
  v.Retained = rain - v.Excess;
  if (v.Retained > 0) {
    intercept(p, c, interceptionFactors(p, in.sourceCode), s.S1, in.month, s, v, rain);
    s.S1 -= v.Retained;
    if (s.S1 < p.S1wet) {
      v.GroundwaterRecharge = c.groundwaterShare * v.DrySoilRecovery;
      s.S1 = p.S1wet;
    } else {
      v.GroundwaterRecharge = c.groundwaterShare * v.Retained * v.Soil_RecoveryF;
    }
  }

  if (in.adjustmentDue) {
    s.S1 -= in.adjustment;
    if (s.S1 < p.S1wet) {
      v.GroundwaterRecharge = c.groundwaterShare * v.DrySoilRecovery;
      s.S1 = p.S1wet;
    } else if (s.S1 > p.S1dry) {
      s.S1 = p.S1dry;
    }
    v.Soil_RecoveryF = divide(p.S1dry - s.S1, p.storageRange);
    if (p.groundwaterRecoveryAdjustment < 0.201)
      v.GroundwaterRecharge += c.groundwaterShare * in.adjustment * (in.adjustment >= 0 ? v.Soil_RecoveryF : 1.0);
    s.RainSum = std::max(0.0, s.RainSum + in.adjustment);
    v.adjustmentApplied = true;
  }

  v.SoilFlowCFS = s.S1 >= p.S1dry ? 0 : (1 - p.soilLoss) * v.Soil_RecoveryF * c.soilFlowScale;
  v.Excess += c.connectedShare * rain;
  groundwaterStep(p, c, s, v, in, LossMode::CurveNumber);
  const bool unchanged = s.RainSum == scsSum && s.Ia == scsIa && s.RetentionRest == scsRest;
  s.CumulativeRunoff = unchanged ? scs : scsRunoff(s.RainSum, s.Ia, s.RetentionRest);
  return v;
}

}  // namespace fw::compute
