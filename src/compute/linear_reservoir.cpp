#include "compute/linear_reservoir.h"

#include <algorithm>
#include <cmath>

#include "compute/checked_math.h"

namespace fw::compute {

double translationFactor(double lagHours) { return 0.0281 * lagHours + 0.592; }

int32_t translationSteps(double stepHours, double lagHours) {
  return roundSteps(divide(stepHours / 2 + lagHours, stepHours) * translationFactor(lagHours));
}

void ReservoirRouting::setTranslation(int32_t translation) {
  steps = translation;
  buffer.resize(static_cast<size_t>(std::max(translation, 5)) + 1, 0);
}

void ReservoirRouting::seed(double flow) {
  double f = flow;
  if (buffer.size() > 2) buffer[2] = f;
  for (int32_t b = 3; b <= steps - 1 && static_cast<size_t>(b) < buffer.size(); ++b) {
    f *= checked(std::exp(exponent));
    buffer[static_cast<size_t>(b)] = f;
  }
  state = f;
}

double ReservoirRouting::route(double excess, double stepFlowFactor) {
  double out;
  if (!three) {
    const double e = checked(std::exp(exponent));
    out = state * e + stepFlowFactor * excess * (1 - e);
    state = out;
  } else {
    out = 0;
    for (size_t i = 0; i < 3; ++i) {
      const double e = checked(std::exp(divide(exponent, ratios[i])));
      states[i] = states[i] * e + stepFlowFactor * excess * (1 - e);
      out += shares[i] * states[i];
    }
  }
  if (steps < 1) return out;  // no translation: the flow leaves at once
  const int32_t last = std::min<int32_t>(steps, static_cast<int32_t>(buffer.size()) - 1);
  for (int32_t b = 2; b <= last; ++b) buffer[static_cast<size_t>(b) - 1] = buffer[static_cast<size_t>(b)];
  buffer[static_cast<size_t>(last)] = out;
  return buffer[1];
}

}  // namespace fw::compute
