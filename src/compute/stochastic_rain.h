#pragma once
// Stochastic rain for What-If runs of a runoff line: one or several synthetic storms at a
// five-minute step in place of the stored rain, optionally stored with their hourly, daily and
// daily-maximum sums in the model-run tables under the run's run_id and trace.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {
struct Session;
}

namespace fw::compute {

struct StormSettings {
  double durationHours = 0;  // one storm
  double flashiness = 0;     // spread of the step-to-step change of log intensity
  int32_t stormCount = 1;    // more than 1: several storms over the multi-storm period
  double periodHours = 0;    // the whole multi-storm period
  bool randomCount = false;  // the storm count drawn as count +- half
};

// The storms' shapes in five-minute steps 1 .. N: R(i) the intensity, storm k made of the steps
// after B(k-1) up to B(k), X(k) the sum of its R, D(k) its relative size (the largest 1).
struct StormShapes {
  int32_t L = 0;       // steps per storm
  int32_t N = 0;       // steps of the whole series
  int32_t S = 1;       // storms asked for
  int32_t P = 0;       // steps per storm period
  int32_t K = 0;       // the first storm's peak step: after it the intensity only falls
  int32_t storms = 1;  // storms made (k + 1)
  std::vector<double> R, D, X;
  std::vector<int32_t> B;
};

// Makes the storms with `rnd`, a uniform number in [0, 1) per call.
StormShapes stormShapes(const StormSettings& st, const std::function<double()>& rnd);

// The storm settings of the session's WhatIfSettings.
StormSettings stormSettings(const Session& s);

// Fills UnitSeries from element 1 with stochastic rain (inches per five minutes) from `from` to
// `to`, element 0 Missing, and `count` with the last element filled. With `replace`, field 2 of
// lines(n) (line 0 a title) becomes point n's value. With the What-If write flag the rain, scaled
// by RunoffRainFactor, is stored with its sums in the model-run tables under run_id and `trace`
// (1 when 0), the run's earlier rows of the DSID removed at trace 1, and an mrundsid row noting
// the storm. The points handed back stay unscaled.
void StochasticRain(Session& s, const std::string& dsid, vb::VbDate from, vb::VbDate to, int32_t& count,
                    int16_t runId, int16_t trace, int16_t replace, std::vector<std::string>& lines);

}  // namespace fw::compute
