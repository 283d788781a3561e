#pragma once
// The initial-loss method: rain fills a loss storage (the initial loss, between its wet and dry
// limits) less a constant loss before any excess leaves; dry weather and evapotranspiration
// empty it again.
#include "compute/runoff_soil.h"

namespace fw::compute {

// The dry and wet limits: a wet limit of exactly 0 takes the station's own loss as dry and 0 as
// wet; the larger is dry. True when they were taken from the station's loss.
bool initialLossLimits(double initialLoss, double& wet, double& dry);

// One step: loss, excess (before the unit graphs), storage recovery, interception, soil flow and
// groundwater flow. The interception factors follow the same rule as for curve-number stations.
StepValues initialLossStep(const SoilParameters& p, const SoilConstants& c, SoilState& s, const StepInput& in);

}  // namespace fw::compute
