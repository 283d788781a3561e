#pragma once
// Rain caught by the interception store (leaves and litter) before it reaches the soil.
#include "compute/runoff_soil.h"

namespace fw::compute {

// The interception factors of a step: none for snowmelt (source code 100), else the station's
// interception and a third of it for the winter months.
struct InterceptionFactors {
  double full = 0;
  double winter = 0;
};
InterceptionFactors interceptionFactors(const SoilParameters& p, double sourceCode);

// The store of the step is a factor of the storage (S1 or the initial loss); a third of the summer
// one in December to March when winter interception is on. Until the rain gathered fills it no
// excess leaves, and the unfilled part is owed by the next wet step.
void intercept(const SoilParameters& p, const SoilConstants& c, const InterceptionFactors& f, double storage,
               int month, SoilState& state, StepValues& v, double rainfall);

}  // namespace fw::compute
