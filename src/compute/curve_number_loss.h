#pragma once
// The curve-number (SCS) loss method: the retention S = 1000 ÷ CN − 10, the wet and dry limits of a
// station, and one step of loss, storage recovery, interception and groundwater.
#include "compute/runoff_soil.h"

namespace fw::compute {

// Potential retention in inches of a curve number.
double retention(double curveNumber);

// The dry and wet curve numbers of a station from its own: when either limit is below 10 both
// become `cn`, and they are derived (dry = CN ÷ (2.334 − 0.01334 CN), wet = CN ÷ (0.4036 +
// 0.0059 CN), one decimal, half to even) when the soil recovers (`recovers`). The smaller is dry.
// True when they were derived.
bool curveNumberLimits(double cn, double& wet, double& dry, bool recovers);

// SCS runoff of `rainSum` inches for an abstraction `ia` and the rest of the retention.
double scsRunoff(double rainSum, double ia, double retentionRest);

// One step: the step's loss and excess (before the unit graphs), the recovery of S1, the
// interception, the soil flow and the groundwater flow.
StepValues curveNumberStep(const SoilParameters& p, const SoilConstants& c, SoilState& s, const StepInput& in);

}  // namespace fw::compute
