#pragma once
// Monte Carlo sampling of a What-If coefficient: a uniform value between two bounds, a random
// normal, log-normal or Pearson type III value, or an evenly spread ("exact") sample taken at the
// Cunnane plotting position of each trace.
#include <cstdint>
#include <string>

#include "wizard/what_if_settings.h"

namespace fw::compute {

// The standard normal deviate exceeded with probability p (0 < p < 1), by the rational
// approximation 26.2.23 of Abramowitz and Stegun: its error stays below 0.00045.
double funk(double p);

// The Pearson type III frequency factor of skew g for the standard normal deviate z, by the
// Wilson-Hilferty transformation; z itself for g = 0.
double pearsonFactor(double z, double g);

// The Cunnane plotting position of trace i (from 0) of n: (i + 0.6) / (n + 0.2); from the other
// end when `reverse`.
double plottingPosition(int32_t i, int32_t n, bool reverse);

// The sample for trace i (from 0) of n traces by the Monte Carlo type of `w`: 1 uniform between
// minimum and maximum, 2 random, 3 exact; for types 2 and 3 the mean and standard deviation (of
// the logarithm with the log flag) and the skew of the distribution. Type 3 leaves the plotting
// position it used in `position`. Any other type gives 0.
double getMonte(const WhatIfSettings& w, WhatIfRandom& random, int32_t i, int32_t n, double& position);

// Why the settings of `w` could give a draw that is no finite number (empty when every draw is
// finite): the text names the setting.
std::string monteSettingsProblem(const WhatIfSettings& w);

}  // namespace fw::compute
