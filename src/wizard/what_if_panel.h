#pragma once
// The What-If panel of the runoff page ("Automated range of coefficients"): one runoff
// coefficient varied over traces by a step or by Monte Carlo samples, optionally with stochastic
// rain, from saved start conditions, into the model-run tables. "Go" copies the panel into
// WhatIfSettings and replaces the runoff line; "Cancel" sets no What-If run.
#include <array>
#include <string>

namespace fw {

struct Session;

// The coefficients' captions and the runoff box each one's Monte Carlo defaults come from.
struct WhatIfCoefficient {
  const char* caption;
  int box;  // txtBox index
};
inline constexpr std::array<WhatIfCoefficient, 13> kWhatIfCoefficients = {{{"CN/IL start space", 5},
                                                                           {"Constant Loss", 6},
                                                                           {"% Impervious", 7},
                                                                           {"Recovery Factor", 9},
                                                                           {"CN/IL Wet", 16},
                                                                           {"CN/IL Dry", 17},
                                                                           {"Soil Loss Factor", 18},
                                                                           {"GW Recovery Adj", 24},
                                                                           {"ET Factor", 21},
                                                                           {"Rainfall Adjust Factor", 20},
                                                                           {"Groundwater Loss", 23},
                                                                           {"Linear Res Shape Factor", 25},
                                                                           {"Lag hours", 4}}};
inline constexpr std::array<const char*, 3> kMonteTypes = {"Random", "Random Normal", "Exact Normal"};

// The panel's first texts, captions and handlers.
void whatIfPanelLoad(Session& s);

void comWhatIf_Click(Session& s);
// True when the settings were taken and the runoff line replaced.
bool comGoSim_Click(Session& s);
void comCancelSim_Click(Session& s);

}  // namespace fw
