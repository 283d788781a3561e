#pragma once
// The "What-If ...=" keys of the setup file: a What-If run's settings written by hand (the
// wizard's What-If panel fills the same record), read into WhatIfSettings.
#include <vector>

#include "app/setup_keys.h"

namespace fw {

// Appends the What-If keys to the setup file's key table. Each is written back as it was given.
void addWhatIfKeys(std::vector<SetupKey>& keys);

}  // namespace fw
