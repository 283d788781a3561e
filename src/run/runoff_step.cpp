#include "run/runoff_step.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "app/session.h"
#include "common/round_value.h"
#include "compute/checked_math.h"
#include "compute/clark_unit_graph.h"
#include "compute/curve_number_loss.h"
#include "compute/dimensionless_unit_graph.h"
#include "compute/groundwater_reservoir.h"
#include "compute/initial_loss.h"
#include "compute/linear_reservoir.h"
#include "compute/rain_input.h"
#include "compute/triangle_unit_graph.h"
#include "compute/variable_lag.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/runoff_output.h"

namespace fw {

namespace {

constexpr double kCubicMetresPerCubicFoot = 0.02831684659;

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

template <class T>
void putAt(std::vector<T>& v, int64_t i, T value) {
  if (i >= 0 && static_cast<uint64_t>(i) < v.size()) v[static_cast<size_t>(i)] = value;
}

const std::string kNoField;

inline const std::string& fieldOf(const std::vector<std::string>& fields, size_t i) {
  return i < fields.size() ? fields[i] : kNoField;
}

// Whether a field still holds the text it held last step: the few characters are compared in
// place rather than through a library call, as every step asks it twice.
inline bool sameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

void stepBody(Session& s, RunContext& ctx, LineState& line, RunoffState& r) {
  ValueLoopState& v = line.ValueLoop;
  compute::SoilState& st = r.state;
  const compute::SoilParameters& soil = r.soil;

  // The first line takes the input's own row step: the loop's first step length is only a guess.
  const double minutes = r.stepMinutes == 0 ? r.inputStepMinutes : static_cast<double>(v.StepMinutes);
  if (minutes != r.stepMinutes) {
    r.constants = compute::soilConstants(soil, minutes);
    r.eventThreshold = soil.area / 100;
    r.stepMinutes = minutes;
    buildUnitGraphs(s, r, r.constants.stepHours, false);
  }
  const compute::SoilConstants& c = r.constants;
  r.lineCounter += 1;

  // 1. The states at the end of the day just closed; the first day keeps the starting states, so
  // that a later run starting on it does not read an empty (wholly wet) soil.
  if (v.NewDay || r.lineCounter == 1) {
    const int64_t d = line.StationDayCount;
    putAt(line.Storage.DaySoil, d, vb::Round(r.curveNumber ? st.S1 : st.InitialLoss, 6));
    putAt(line.Storage.DayPrecip, d, vb::Round(st.RainSum, 6));
    putAt(line.Storage.DayGroundwater, d, vb::Round(st.GroundwaterFlow, 6));
  }

  // 2. The step's rain, by the kind the input delivers it in.
  // Only a running daily total needs the source's own hour.
  const int32_t sourceHour =
      r.savedPrecipKind == 2 ? static_cast<int32_t>(vb::Round(v.Hour - line.HourShift)) : 0;
  // Steps without a gauge reading come as 0: before the first reading such a 0 is no total to
  // count from, or the gauge's whole season total would fall as rain in one step.
  const bool noTotalYet = r.savedPrecipKind >= 2 && r.previousGaugeTotal == -9 && v.CurrentValue == 0;
  const double rainfall =
      noTotalYet ? 0.0
                 : compute::stepRain(v.CurrentValue, r.savedPrecipKind, minutes, r.rainMultiplier,
                                     r.previousGaugeTotal, sourceHour);

  // 3. The step's ET. Its text repeats for every step of an hour: it is read once.
  const std::string& etField = fieldOf(v.Fields, 3);
  if (!sameText(etField, r.lastEtText)) {
    r.lastEtText = etField;
    r.lastEtBlank = vb::Trim(etField).empty();
    r.lastEtValue = r.lastEtBlank ? 0 : vb::Val(etField);
  }
  if (!r.lastEtBlank) {
    r.stepET = r.lastEtValue;
    if (c.stepHours < 13) r.stepET *= c.stepHours;
    if (c.stepRecovery == 0) r.stepET = 0;
  }
  const std::string& sourceField = fieldOf(v.Fields, 4);
  if (!sameText(sourceField, r.lastSourceText)) {
    r.lastSourceText = sourceField;
    r.lastSource = vb::Val(sourceField);
  }
  // The calendar of the step's day, worked out once a day.
  const double day = std::floor(v.ValueDate);
  if (day != r.calendarDay) {
    r.calendarDay = day;
    r.month = vb::Month(day);
    r.dayOfYear = vb::DayOfYear(day);
  }

  // 4. Loss and storage.
  compute::StepInput in;
  in.rainfall = rainfall;
  in.stepET = r.stepET;
  in.month = r.month;
  in.etCoefficient = r.monthlyEt[static_cast<size_t>(in.month)];
  in.sourceCode = r.lastSource;
  in.lineCounter = r.lineCounter;
  in.variableLag = r.params.variableLag;
  in.adjustment = r.adjustmentInches;
  in.adjustmentDue = r.adjustmentPending && v.ValueDate > s.RunDay - ctx.DaysBack;
  compute::StepValues sv = r.curveNumber ? compute::curveNumberStep(soil, c, st, in)
                                         : compute::initialLossStep(soil, c, st, in);
  if (sv.adjustmentApplied) r.adjustmentPending = false;

  // Variable lag: the lag shortens as the soil wets.
  if (r.params.variableLag) {
    if (r.curveNumber)
      r.currentLag = compute::curveNumberLag(r.lag, st.RainSum, soil.storageRange);
    else
      r.currentLag = sv.lagBack ? r.lag : compute::initialLossLag(r.lag, st.LagRainSum, soil.ILdry);
    if (compute::lagNeedsRebuild(r.currentLag, r.builtLag)) buildUnitGraphs(s, r, c.stepHours, true);
  }

  // 25. Soil flow with the base flow and the season.
  const double soilFlow = r.params.riparian == 0
                               ? sv.SoilFlowCFS + r.baseFlow
                               : compute::seasonalSoilFlow(sv.SoilFlowCFS, r.baseFlow, r.params.riparian,
                                                           r.dayOfYear, vb::Hour(v.ValueDate));
  const double stepBaseFlow = std::max(0.0, compute::checked(soilFlow + sv.GWFlowCFS));

  // 26. The soil series of every step.
  if (line.Storage.WriteUnits) {
    putAt(line.Storage.StepSoil, v.UnitIndex, vb::Round(r.curveNumber ? st.S1 : st.InitialLoss, 6));
    putAt(line.Storage.StepPrecip, v.UnitIndex, vb::Round(st.RainSum, 6));
    putAt(line.Storage.StepThird, v.UnitIndex, vb::Round(compute::divide(sv.Excess, c.stepHours), 6));
  }

  // 27. The unit graphs.
  const int64_t lastLine = static_cast<int64_t>(v.ValueLines.size()) - 1;
  const double runoff = routeExcess(r, sv.Excess, stepBaseFlow, lastLine);

  // 28. The latest runoff event.
  const double threshold = r.eventThreshold;
  if (runoff <= threshold && v.ValueDate < s.RunDay) r.eventStart = 0;
  if (runoff > threshold && v.ValueDate < s.RunDay + 1) {
    r.eventEnd = v.ValueDate;
    if (r.eventStart == 0) r.eventStart = v.ValueDate;
  }

  // 29. The step's flow.
  double total = compute::checked(runoff + stepBaseFlow);
  RoundValue(total, line.ValueCode, s.MetricUnits, s.CanadaSite);
  s.RunoffTotals[0] += rainfall;
  s.RunoffTotals[1] += sv.Excess;

  // 30. The row, in cfs; then the stored unit.
  if (r.params.runoffFileFlag == -1 && ctx.RunoffOut->isOpen()) {
    RunoffRow row;
    row.date = v.ValueDate;
    row.curveNumber = r.curveNumber;
    row.storage = r.curveNumber ? st.S1 : st.InitialLoss;
    row.rainfall = rainfall;
    row.loss = sv.Loss;
    row.excess = sv.Excess;
    row.rainSum = st.RainSum;
    row.runoff = runoff;
    row.soilRecoveryF = sv.Soil_RecoveryF;
    row.etSoilRecovery = sv.DrySoilRecovery + sv.EtRecovery;
    row.soilFlowCFS = soilFlow;
    row.gwFlowCFS = sv.GWFlowCFS;
    row.totalFlow = total;
    row.variableLag = r.params.variableLag;
    row.lag = r.currentLag;
    ctx.RunoffOut->line(runoffRowText(row, false, false));
  }
  if (s.MetricUnits) total *= kCubicMetresPerCubicFoot;
  // The station's update row keeps its latest runoff event: a later run recomputes it whole.
  line.Storage.UpdateDate = r.eventEnd != 0 ? r.eventEnd : s.RunDateTime;
  line.Storage.UpdateValue = r.eventStart;
  v.CurrentValue = total;
  if (line.FormulaCount > 0) {
    // The line's formulas read the flow, not the rain, from the line's value field.
    v.ValueText = vb::CStr(total);
    if (static_cast<size_t>(ctx.ValueFieldIndex) < v.Fields.size())
      v.Fields[static_cast<size_t>(ctx.ValueFieldIndex)] = v.ValueText;
  }
}

}  // namespace

void buildUnitGraphs(Session& s, RunoffState& r, double stepHours, bool lagRebuild) {
  const double lag = r.currentLag;
  if (r.linear) {
    r.reservoirs.three = r.threeReservoirs;
    r.reservoirs.shares = r.shares;
    r.reservoirs.ratios = r.ratios;
    r.reservoirs.setTranslation(compute::translationSteps(stepHours, lag));
    double scaling = 1;
    if (lagRebuild) scaling = compute::divide(compute::lagCoefficient(lag), compute::lagCoefficient(r.lag));
    r.reservoirs.exponent = compute::checked(stepHours * r.shapeFactor * scaling);
  } else if (r.dgf) {
    std::string name = r.method;
    const std::string error = compute::getdimgraph(s.RunoffDgf, s.programFolder, name, r.ordinates, r.ordinateLast,
                                                   lag, stepHours, r.soil.area);
    if (!error.empty()) notify(s, error + "  Reading DGF file: " + name);
  } else if (r.clark) {
    r.clarkGraph = compute::getclarkgraph(lag, stepHours, r.constants.stepFlowFactor, r.shapeFactor);
    r.ordinates = r.clarkGraph.ordinates;
    r.ordinateLast = r.clarkGraph.lastIndex;
  } else {
    for (size_t i = 0; i < 3; ++i) {
      r.triangles[i] = compute::triangleGraph(stepHours, lag, r.ratios[i], r.soil.area, r.shares[i]);
      r.triangleOrdinates[i] = compute::triangleOrdinates(r.triangles[i]);
    }
  }
  r.builtLag = lag;
}

double routeExcess(RunoffState& r, double excess, double stepBaseFlow, int64_t lastIndex) {
  r.stepIndex += 1;
  const int64_t n = r.stepIndex;
  std::vector<double>& uh = r.unitHydrograph;
  const int64_t last = std::min<int64_t>(lastIndex, static_cast<int64_t>(uh.size()) - 1);
  if (!r.linear) {
    if (r.startFlowPending) {
      const double f = std::max(0.0, r.startFlow - stepBaseFlow);
      r.clarkRouting.previousInflow = r.clarkRouting.previousOutflow = f;
      r.startFlowPending = false;
    }
    if (excess > 0) {
      if (r.dgf || r.clark) {
        for (int64_t k = 0; k <= r.ordinateLast; ++k) {
          const int64_t at = n + k;
          if (at > last || static_cast<uint64_t>(k) >= r.ordinates.size()) break;
          uh[static_cast<size_t>(at)] += excess * r.ordinates[static_cast<size_t>(k)];
        }
      } else {
        for (const compute::TriangleOrdinates& o : r.triangleOrdinates) compute::addOrdinates(uh, n, last, excess, o);
      }
    }
  } else {
    if (r.startFlowPending) {
      r.reservoirs.seed(std::max(0.0, r.startFlow - stepBaseFlow));
      r.startFlowPending = false;
    }
    const double out = r.reservoirs.route(excess, r.constants.stepFlowFactor);
    if (n <= last) uh[static_cast<size_t>(n)] = out;
    return compute::checked(out);
  }
  double runoff = n <= last ? uh[static_cast<size_t>(n)] : 0.0;
  if (r.clark) {
    runoff = r.clarkRouting.route(r.clarkGraph, runoff);
    if (n <= last) uh[static_cast<size_t>(n)] = runoff;
  }
  return compute::checked(runoff);
}

void runoffStep(Session& s, RunContext& ctx, LineState& line) {
  if (!line.Runoff) return;
  try {
    stepBody(s, ctx, line, *line.Runoff);
  } catch (const std::exception& e) {
    throw RunoffStepFailed(describe(e));
  }
}

void runoffTraceEnd(Session& s, LineState& line) {
  if (!line.Runoff || s.WhatIf.Coefficient == 0 || line.StationErrorCount > 9) return;
  const RunoffState& r = *line.Runoff;
  const RunoffParameters& p = r.params;
  WhatIfNoteValues n;
  n.coefficient = s.WhatIf.Coefficient;
  n.caption = s.WhatIf.CoefficientCaption;
  n.curveNumber = r.curveNumber;
  n.limitsComputed = r.limitsComputed;
  n.startSpace = p.cnOrLoss;
  n.wet = r.curveNumber ? r.CNwet : p.wetLimit;
  n.dry = r.curveNumber ? r.CNdry : p.dryLimit;
  n.constantLoss = p.constantLoss;
  n.imperviousPercent = 100 * r.soil.imperviousFraction;
  n.recovery = p.soilRecovery;
  n.soilLoss = p.soilLoss;
  n.groundwaterAdjustment = p.groundwaterRecoveryAdjustment;
  n.etFactor = p.etFactor;
  n.rainMultiplier = r.rainMultiplier;
  n.groundwaterLoss = p.groundwaterLoss;
  n.shapeFactor = r.enteredShapeFactor;
  n.lag = p.lag;
  n.linear = r.linear;
  line.WhatIfNote = whatIfNote(n);
  line.WhatIfPass += 1;
}

}  // namespace fw
