#pragma once
// The groundwater of a runoff station: recharge drains through a linear reservoir and then a lag.
#include "compute/runoff_soil.h"

namespace fw::compute {

enum class LossMode { CurveNumber, InitialLoss };

// Adds a fifth of the excess to the recharge (and, for an initial-loss station, a due storage
// adjustment), moves the reservoir one step and routes its outflow through the groundwater lag;
// sets GWFlowCFS. A groundwater loss of 1 or more leaves no groundwater flow at all. A curve-number
// station's reservoir never goes negative.
void groundwaterStep(const SoilParameters& p, const SoilConstants& c, SoilState& state, StepValues& v,
                     const StepInput& in, LossMode mode);

// The soil flow plus the base flow, varied over the year by the riparian factor (day of year and
// hour of the step's date).
double seasonalSoilFlow(double soilFlowCFS, double baseFlow, double riparian, int dayOfYear, int hour);

}  // namespace fw::compute
