#pragma once
// The "What-If ...=" keys of the setup file: a What-If run's settings written by hand (the
// wizard's What-If panel fills the same record), read into WhatIfSettings.
#include <vector>

#include "app/setup_keys.h"
#include "wizard/what_if_settings.h"

namespace fw {

// Appends the What-If keys to the setup file's key table. Each is written back as it was given.
void addWhatIfKeys(std::vector<SetupKey>& keys);

// Sets the texts the setup file writes for the What-If keys from the record, as the wizard's
// What-If panel set it, so the next run (a batch run too) does that What-If run. A record without
// a coefficient writes "What-If Coefficient=0".
void writeWhatIfTexts(WhatIfSettings& w);

}  // namespace fw
