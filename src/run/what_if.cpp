#include "run/what_if.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "app/session.h"
#include "compute/db_lookup.h"
#include "compute/monte_carlo.h"
#include "compute/variable_lag.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/hand_over.h"
#include "run/runoff_start.h"
#include "run/runoff_state.h"
#include "run/station_options.h"
#include "run/station_road.h"

namespace fw {

namespace {

constexpr double kNoLimit = std::numeric_limits<double>::infinity();
// A lag of 0 hours has no unit graph: the smallest lag a trace is given.
constexpr double kShortestLag = 0.01;

struct CoefficientRow {
  const char* caption;
  int digits;
  double low, high;
};

// Digits and limits of each coefficient; curve-number mode and a few samples differ (below).
const CoefficientRow kRows[14] = {
    {"", 0, 0, 0},
    {"CN/IL start space", 2, 0, kNoLimit},
    {"Constant Loss", 6, 0, kNoLimit},
    {"% Impervious", 3, 0, 1},
    {"Recovery Factor", 6, 0, kNoLimit},
    {"CN/IL Wet", 2, 0, kNoLimit},
    {"CN/IL Dry", 2, 0, kNoLimit},
    {"Soil Loss Factor", 2, 0, 1},
    {"GW Recovery Adj", 2, 0, kNoLimit},
    {"ET Factor", 2, 0, kNoLimit},
    {"Rainfall Adjust Factor", 2, 0, kNoLimit},
    {"Groundwater Loss", 2, 0, kNoLimit},
    {"Linear Res Shape Factor", 4, 0, kNoLimit},
    {"Lag hours", 2, kShortestLag, kNoLimit},
};

double clip(double v, double low, double high) {
  return std::min(std::max(v, low), high);
}

void endWhatIf(Session& s) {
  s.WhatIf.Coefficient = s.WhatIf.WriteMTables = s.WhatIf.MonteType = s.WhatIf.Stochastic = 0;
  s.TraceNo = 0;
}

std::string runText(const Session& s) {
  return "What-If run" +
         (s.WhatIf.WriteMTables != 0 ? " " + vb::CStr(int32_t{s.WhatIf.RunID}) : std::string());
}

// The model's working value of the coefficient in the trace just run (the set-up's derived
// limits for coefficients 5 and 6).
double currentValue(const Session& s, const LineState& line, const RunoffState& opened) {
  const RunoffParameters& p = opened.params;
  const RunoffState* last = line.Runoff.get();
  switch (s.WhatIf.Coefficient) {
    case 1:
      return p.cnOrLoss;
    case 2:
      return p.constantLoss;
    case 3:
      return p.imperviousPercent / 100;
    case 4:
      return p.soilRecovery;
    case 5:
      return last ? (opened.curveNumber ? last->CNwet : last->soil.ILwet) : p.wetLimit;
    case 6:
      return last ? (opened.curveNumber ? last->CNdry : last->soil.ILdry) : p.dryLimit;
    case 7:
      return p.soilLoss;
    case 8:
      return p.groundwaterRecoveryAdjustment;
    case 9:
      return p.etFactor;
    case 10:
      return s.WhatIf.RainAdjustFactor;
    case 11:
      return p.groundwaterLoss;
    case 12:
      return opened.enteredShapeFactor;
    case 13:
      return p.lag;
    default:
      return 0;
  }
}

void logClipped(Session& s, int32_t trace, double asked, double used) {
  s.errlog.writeLine(runText(s) + " trace " + vb::CStr(trace) + ": " + s.WhatIf.CoefficientCaption + " " +
                     vb::CStr(asked) + " is outside the runoff model's limits; " + vb::CStr(used) +
                     " is used.");
}

// Puts `value` into the line's values for the next trace, with what follows from it.
void applyCoefficient(Session& s, LineState& line, RunoffState& r, double value, bool sampled,
                      int32_t trace) {
  const int16_t c = s.WhatIf.Coefficient;
  const bool cn = r.params.curveNumberMode();
  const CoefficientValue v = boundCoefficient(c, cn, sampled, value, currentValue(s, line, r));
  if (v.clipped) logClipped(s, trace, value, v.value);
  RunoffParameters& p = r.params;
  switch (c) {
    case 1:
      p.cnOrLoss = v.value;
      break;
    case 2:
      p.constantLoss = v.value;
      break;
    case 3:
      p.imperviousPercent = v.value * 100;
      break;
    case 4:
      p.soilRecovery = v.value;
      break;
    case 5:
      p.wetLimit = v.value;
      if (cn) p.dryLimit = clip(vb::Round(2.330594 * std::exp(0.03617722 * v.value), 1), 10, 100);
      break;
    case 6:
      p.dryLimit = v.value;
      if (cn) p.wetLimit = std::min(vb::Round(27.542 * std::log(v.value) - 23.032, 1), 98.0);
      break;
    case 7:
      p.soilLoss = v.value;
      break;
    case 8:
      p.groundwaterRecoveryAdjustment = v.value;
      break;
    case 9:
      p.etFactor = v.value;
      break;
    case 10:
      s.WhatIf.RainAdjustFactor = v.value;
      r.rainMultiplier = v.value == 0 ? 1 : v.value;
      s.RunoffRainFactor = r.rainMultiplier;
      break;
    case 11:
      p.groundwaterLoss = v.value;
      break;
    case 12:
      r.enteredShapeFactor = v.value;
      r.shapeFactor = r.linear ? -v.value : v.value;
      break;
    case 13:
      p.lag = v.value;
      if (r.linear) {
        r.shapeFactor = -vb::Round(compute::lagCoefficient(v.value), 3);
        r.enteredShapeFactor = -r.shapeFactor;
      }
      break;
    default:
      break;
  }
}

// Why the stochastic storm settings cannot make a storm (empty when they can).
std::string stormProblem(const WhatIfSettings& w) {
  if (w.Stochastic == 0) return {};
  if (!(w.StormDuration > 0) || !std::isfinite(w.StormDuration))
    return "What-If Storm Duration must be a number of hours above 0.";
  if (!(w.FlashyFactor >= 0) || !std::isfinite(w.FlashyFactor))
    return "What-If Flashy Factor must be a number, 0 or more.";
  if (w.StormCount > 1 && !(w.MultiDuration >= w.StormDuration))
    return "What-If Multi-Storm Period must be at least the storm duration for several storms.";
  return {};
}

std::string startProblem(const WhatIfSettings& w) {
  if (w.Coefficient < 1 || w.Coefficient > 13)
    return "What-If Coefficient " + vb::CStr(int32_t{w.Coefficient}) + " is none of 1 to 13.";
  if (w.Traces < 1) return "What-If Traces must be 1 or more.";
  if (w.MonteType == 0 && !std::isfinite(w.StepFactor)) return "What-If Step Multiplier must be a number.";
  if (std::string why = compute::monteSettingsProblem(w); !why.empty()) return why;
  return stormProblem(w);
}

// A run_id already in mrun is written over only when the settings (or the user) say so.
bool runIdFree(Session& s, std::string& why) {
  if (s.WhatIf.WriteMTables == 0) return true;
  const std::string id = vb::CStr(int32_t{s.WhatIf.RunID});
  const compute::LookupRow row = compute::lookupRow(s, "select run_id from mrun where run_id=" + id + ";");
  if (!row.found) return true;
  bool overwrite = s.WhatIf.Overwrite != 0;
  const std::string question = "Run_id " + id + " is already in table mrun. Write this What-If run over it?";
  if (!overwrite && !s.BatchMode)
    overwrite =
        s.ui.msgBox(question, MsgButtons::YesNo, MsgIcon::Question, "Run and DSID check") == MsgResult::Yes;
  if (overwrite) {
    s.errlog.writeLine("What-If run " + id + ": run_id " + id +
                       " is already in table mrun; its traces are written over.");
    return true;
  }
  why =
      "What-If run_id " + id +
      " is already in table mrun; the What-If run did not start (\"What-If Overwrite=True\" writes over it).";
  return false;
}

uint64_t clockSeed() {
  return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

std::string whatIfCaption(int16_t coefficient) {
  return coefficient >= 1 && coefficient <= 13 ? kRows[coefficient].caption : "";
}

CoefficientValue boundCoefficient(int16_t coefficient, bool curveNumber, bool sampled, double value,
                                  double current) {
  if (coefficient < 1 || coefficient > 13) return {value, false};
  CoefficientRow row = kRows[coefficient];
  if (coefficient == 1 && curveNumber) row = {row.caption, 1, 10, 100};
  if (coefficient == 1 && !curveNumber && sampled) row.digits = 3;
  if (coefficient == 5 && curveNumber) row = {row.caption, 1, 12, 100};
  if (coefficient == 6 && curveNumber) row = {row.caption, 1, 10, 98};
  if (!std::isfinite(value)) return {current, true};
  // The limits hold before the rounding as well, so a value far outside ends at the limit itself.
  double v = clip(value, row.low, row.high);
  v = clip(vb::Round(v, row.digits), row.low, row.high);
  return {v, v != vb::Round(value, row.digits)};
}

double traceRainFactor(const Session& s, const LineState& line) {
  double m = vb::Val(line.Triples[1].formula);
  if (s.WhatIf.Coefficient == 10) m = s.WhatIf.RainAdjustFactor;
  m = vb::Round(m, 2);
  return m == 0 ? 1 : m;
}

std::optional<Move> whatIfStart(Session& s, RunContext&, LineState& line) {
  WhatIfSettings& w = s.WhatIf;
  if (w.CoefficientCaption.empty()) w.CoefficientCaption = whatIfCaption(w.Coefficient);
  std::string why = startProblem(w);
  if (why.empty()) runIdFree(s, why);
  if (!why.empty()) {
    endWhatIf(s);
    line.StationError = why;
    return Move::endStation();
  }
  const uint64_t seed = w.SeedGiven ? w.Seed : clockSeed();
  s.WhatIfRng.seed(seed);
  s.errlog.writeLine(runText(s) + " of " + vb::CStr(w.Traces) + " traces on " + w.CoefficientCaption +
                     ": seed " + std::to_string(seed) + " (\"What-If Seed=" + std::to_string(seed) +
                     "\" repeats this run).");
  WhatIfTraces& t = line.WhatIfRun;
  t = WhatIfTraces{};
  t.active = true;
  s.TraceNo = 1;
  if (w.MonteType != 0) {
    t.pendingSample = s.services.computations->getMonte(s, 0, w.Traces);
    t.samplePending = true;
    if (w.Coefficient == 10) {
      RunoffState rain;
      applyCoefficient(s, line, rain, t.pendingSample, true, 1);
      t.samplePending = false;
    }
  }
  return std::nullopt;
}

void whatIfOpening(Session& s, LineState& line, RunoffState& r) {
  WhatIfTraces& t = line.WhatIfRun;
  RunoffState& opened = *t.opened;
  if (t.samplePending) {
    applyCoefficient(s, line, opened, t.pendingSample, true, 1);
    t.samplePending = false;
  }
  if (s.WhatIf.Coefficient == 10) opened.rainMultiplier = traceRainFactor(s, line);
  r = opened;
  if (s.WhatIf.Coefficient == 1 && s.WhatIf.AutomateCN != 0) r.params.wetLimit = 0;
  if (s.WhatIf.WriteMTables != 0) {
    s.RunId = s.WhatIf.RunID;
    s.ModelRunWrite.modelRun = 1;
    s.MrunLine = false;
  }
  t.counter += 1;
  t.rowsBefore = s.RowsStored;
  s.RunoffRainFactor = r.rainMultiplier;
  MainForm& f = s.form;
  f.imgProgressBar.Width = f.frameProgressBar.Width * t.counter / std::max(s.WhatIf.Traces, 1);
  f.Label11.Caption = "R" + vb::CStr(int32_t{s.WhatIf.RunID}) + " T" + vb::CStr(t.counter) + " of " +
                      vb::CStr(s.WhatIf.Traces);
}

std::optional<Move> whatIfClosing(Session& s, RunContext& ctx, LineState& line) {
  WhatIfTraces& t = line.WhatIfRun;
  if (s.RowsStored > t.rowsBefore) t.stored += 1;
  const int32_t traces = s.WhatIf.Traces;
  if (s.WhatIf.Coefficient == 0) {
    // An error of the trace ended the What-If run: what the earlier traces stored stays.
    t.active = false;
    s.TraceNo = 0;
    const std::string text = "What-If run ended at trace " + vb::CStr(t.counter) + " of " + vb::CStr(traces) +
                             ": " + vb::CStr(t.stored) + " traces stored.";
    s.errlog.writeLine(text);
    logPaneLine(s, text);
    return std::nullopt;
  }
  while (!s.BatchMode && s.FrmGraph.Visible && s.GraphWait && !s.StopRequested) {
    s.ui.doEvents();
    s.clock.sleepMs(100);
  }
  if (t.counter >= traces) {
    const std::string text =
        runText(s) + ": " + vb::CStr(t.stored) + " of " + vb::CStr(traces) + " traces stored.";
    s.errlog.writeLine(text);
    logPaneLine(s, text);
    t.active = false;
    endWhatIf(s);
    return Move::finish();
  }
  RunoffState& opened = *t.opened;
  const bool sampled = s.WhatIf.MonteType != 0;
  const double next = sampled ? s.services.computations->getMonte(s, t.counter, traces)
                              : s.WhatIf.StepFactor * currentValue(s, line, opened);
  applyCoefficient(s, line, opened, next, sampled, t.counter + 1);

  if (s.WhatIf.Stochastic != 0) {
    // A new storm for the next trace, in place of the last one's in the runoff input.
    s.TraceNo = static_cast<int16_t>(t.counter + 1);
    std::vector<std::string> lines = vb::Split(ctx.RetrievalText, "\n");
    // The storm runs from the first value line's date to the last one's.
    std::vector<std::string> dates;
    for (size_t i = 1; i < lines.size(); ++i) {
      const std::vector<std::string> fields = vb::Split(lines[i], "\t");
      if (fields.size() > 2) dates.push_back(fields[1]);
    }
    if (!dates.empty()) {
      int32_t count = 0;
      s.StochasticRain(s, t.rainDsid, vb::CDate(dates.front()), vb::CDate(dates.back()), count, s.RunId,
                       s.TraceNo, 1, lines);
      ctx.RetrievalText = vb::Join(lines, "\n");
    }
  }
  return Move::nextTrace();
}

Move runoffTrace(Session& s, RunContext& ctx, LineState& line) {
  line.StationError.clear();
  line.StationErrorCount = 0;
  line.LowCountDays = 0;
  line.StationDayCount = 0;
  line.CloseDirectly = false;
  line.WhatIfNote.clear();
  // The value lines are views of the runoff input, which the storm of the trace may have changed.
  splitValueLines(ctx.RetrievalText, line.ValueLoop.ValueLines);
  emptyTraceSeries(s, line);
  auto state = std::make_shared<RunoffState>();
  line.Runoff = state;
  whatIfOpening(s, line, *state);
  runoffSetUp(s, ctx, line, *state, line.WindowDays + 2);
  if (auto move = runoffStartConditions(s, ctx, line, *state)) return *move;
  return valueRoad(s, ctx, line);
}

}  // namespace fw
