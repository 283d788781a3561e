#pragma once
// Linear-reservoir unit graphs: one reservoir, or three in parallel with their own time scales,
// each stepped directly, then delayed by a translation buffer.
#include <array>
#include <cstdint>
#include <vector>

namespace fw::compute {

// 0.0281 × lag + 0.592, and the translation in steps: round(((step ÷ 2 + lag) ÷ step) × factor).
double translationFactor(double lagHours);
int32_t translationSteps(double stepHours, double lagHours);

struct ReservoirRouting {
  bool three = false;
  double exponent = 0;              // step hours × shape factor (negative) × lag scaling
  std::array<double, 3> shares{};   // of the three reservoirs
  std::array<double, 3> ratios{};   // their time-scale ratios
  std::array<double, 3> states{};   // their outflows
  double state = 0;                 // the single reservoir's outflow
  int32_t steps = 0;                // translation steps
  std::vector<double> buffer;       // 0 .. max(steps, 5)

  // Sizes the buffer for `translation` steps, keeping what it holds.
  void setTranslation(int32_t translation);
  // Seeds the buffer and the reservoir with a starting flow (cfs) already out of the basin.
  void seed(double flow);
  // One step of `excess` inches; `stepFlowFactor` is the cfs of one inch per step. Gives the flow
  // leaving the translation buffer this step.
  double route(double excess, double stepFlowFactor);
};

}  // namespace fw::compute
