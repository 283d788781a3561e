#include "run/runoff_start.h"

#include <cmath>
#include <memory>

#include "app/session.h"
#include "app/show_source.h"
#include "common/round_value.h"
#include "compute/checked_math.h"
#include "compute/curve_number_loss.h"
#include "compute/db_lookup.h"
#include "compute/initial_loss.h"
#include "compute/runoff_input.h"
#include "compute/variable_lag.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/runoff_output.h"
#include "run/what_if.h"
#include "store/series_reader.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

// A state series' DSID must be a plain integer before it goes into a select.
std::string checkedStateDsid(const std::string& dsid) {
  if (!isDsid(dsid)) throw vb::Error(vb::err::TypeMismatch, "Runoff state series " + dsid + " is not a number.");
  return dsid;
}

// The stored value of `dsid` on `day` in `table`, when there is one.
bool storedValue(Session& s, const std::string& table, const std::string& dsid, const std::string& filter,
                 vb::VbDate day, double& value) {
  const compute::LookupRow row =
      compute::lookupRow(s, "select value from " + table + " where datatype_site_id=" + checkedStateDsid(dsid) +
                                filter + " and date_time = #" + vb::Format(day, "mm/dd/yyyy hh:mm") + "#;");
  if (!compute::hasValue(row)) return false;
  value = row.first.toDouble();
  return true;
}

std::string numberText(double x) { return vb::Str(x); }

}  // namespace

bool isRunoffInputLine(int16_t sourceType, const LineState& line) {
  if (sourceType != 9 && sourceType != 23 && sourceType != 24) return false;
  if (line.ValueClass == 10 || line.DatatypeCode == 9 || line.DatatypeCode == 32) return false;
  // Other radar-fed kinds wait for the radar batch; a runoff line computes from stored rain.
  return line.ValueClass == 30 || line.DatatypeCode == 30;
}

std::optional<Move> runoffInput(Session& s, RunContext& ctx, LineState& line, const std::string& caption) {
  showsource(s, "HDB Rain/Runoff", "Runoff", caption);
  if (s.WhatIf.Coefficient != 0 && !line.WhatIfRun.active)
    if (auto move = whatIfStart(s, ctx, line)) return move;
  s.RunoffRainFactor = traceRainFactor(s, line);
  if (s.WhatIf.WriteMTables != 0) {
    s.RunId = s.WhatIf.RunID;
    s.ModelRunWrite.modelRun = 1;
  }
  SourceCall c;
  c.SourceType = ctx.SourceType;
  c.StationId = line.StationId;
  c.ParameterCode = line.ParameterCode;
  c.Dsid = line.Dsid;
  c.DatatypeCode = line.DatatypeCode;
  c.FirstDay = line.FirstDay;
  c.LastDay = line.LastDay;
  c.DayCount = line.WindowDays;
  c.RunId = s.RunId;
  c.TraceNo = s.TraceNo;
  c.Triples = line.Triples;
  s.services.computations->getrunoffinput(s, c);
  ctx.RetrievalText = std::move(c.RetrievalText);
  ctx.RetrievalCacheId.clear();  // the text is no download another line could use again
  line.FirstDay = c.FirstDay;
  line.WhatIfRun.rainDsid = c.RainDsid;
  if (!c.Error.empty()) {
    line.StationError = c.Error;
    return Move::endStation();
  }
  if (std::fabs(vb::Val(c.RainDsid)) < 10000) line.PrecipKind = 3;
  line.ParameterCount = 0;
  line.DateFieldIndex = 1;
  ctx.ValueFieldIndex = 2;
  if (line.ValueColumns.empty()) line.ValueColumns.resize(1);
  line.ValueColumns[0] = 2;
  return std::nullopt;
}

std::optional<Move> runoffOpening(Session& s, RunContext& ctx, LineState& line) {
  auto state = std::make_shared<RunoffState>();
  RunoffState& r = *state;
  line.Runoff = state;

  // 1. The model starts a day early and ends a day late.
  if (s.RealtimeMode) {
    line.FirstDay -= 1;
    line.LastDay += 1;
  } else {
    line.FirstDay = static_cast<int32_t>(vb::Int(vb::CDate(s.form.TextBegindate.Text))) - 1;
    line.LastDay = static_cast<int32_t>(vb::Int(vb::CDate(s.form.TextEnddate.Text))) + 1;
  }
  // 3. The runoff values are stored as a computation's; the rain's kind stays with the model.
  ctx.SourceType = 11;
  r.savedPrecipKind = line.PrecipKind;
  line.PrecipKind = 0;
  r.inputStepMinutes = compute::runoffInputStep(line.StationId).stepDays * 1440;
  // 4. The parameters; the base flow is the model's, not a shift of the stored values.
  const std::string shift1 = line.Triples[1].shift;
  r.params = readRunoffParameters(shift1);
  r.baseFlow = vb::Val(line.Triples[1].base);
  line.Triples[1].base = "0";
  if (r.params.tooFew) {
    // Nothing of the line can be computed, and a line written for another version of the model
    // would be wrong the same way in every run: the run stops here and the setup stays as it is.
    notify(s, std::string("New Runoff coefficient added.  Check with Wizards and reSave.") + kCrLf + shift1);
    return Move::cancel();
  }
  // 5. and 6.
  r.rainMultiplier = traceRainFactor(s, line);
  if (s.form.chkRunoffPrecipAdj.ticked()) {
    r.adjustmentInches = vb::Val(s.form.txtRunoffPrecipAdj.Text);
    r.adjustmentPending = true;
  }
  // 7. The unit-graph method.
  r.enteredShapeFactor = r.shapeFactor = vb::Val(line.Triples[2].base);
  r.method = line.Triples[2].shift;
  r.clark = vb::InStr(r.method, "Clark UGF") > 0;
  r.linear = vb::InStr(r.method, "Linear") > 0;
  if (r.linear) {
    r.shapeFactor = -r.shapeFactor;
    r.threeReservoirs = vb::InStr(r.method, "Tri-") > 0;
  }
  r.dgf = vb::InStr(r.method, ".DGF") > 0;

  if (line.WhatIfRun.active) {
    // The line's values are kept for the traces that follow; each trace starts from them.
    line.WhatIfRun.opened = std::make_shared<RunoffState>(r);
    whatIfOpening(s, line, r);
  }
  runoffSetUp(s, ctx, line, r, line.WindowDays + 2);
  return runoffStartConditions(s, ctx, line, r);
}

void runoffSetUp(Session& s, RunContext& ctx, LineState& line, RunoffState& r, int32_t runDays) {
  (void)ctx;
  const RunoffParameters& p = r.params;
  r.curveNumber = p.curveNumberMode();
  r.lag = r.currentLag = r.builtLag = p.lag;
  r.variableLagText = p.variableLag ? "Variable Lag: ON" : "Variable Lag: OFF";
  (void)compute::lagCoefficient(p.lag);  // a zero lag fails the station here

  r.shares = {p.share1(), p.share2, p.share3};
  r.ratios = {p.ratio1, p.ratio2, p.ratio3};

  compute::SoilParameters& soil = r.soil;
  soil.constantLoss = p.constantLoss;
  soil.imperviousFraction = p.imperviousPercent / 100;
  soil.soilRecovery = p.soilRecovery;
  soil.soilLoss = p.soilLoss;
  soil.groundwaterLoss = p.groundwaterLoss;
  soil.groundwaterRecoveryAdjustment = p.groundwaterRecoveryAdjustment;
  soil.interception = p.interception;
  soil.connectedFraction = p.connectedFraction;
  soil.groundwaterLag = p.groundwaterLag;
  soil.winterInterception = p.winterInterception == 1;
  soil.snowmeltLoss = p.snowmeltLoss;
  soil.area = p.area;
  soil.initialAbstraction = p.initialAbstraction;

  const bool chosen = s.WhatIf.Coefficient != 0;
  double wet = p.wetLimit, dry = p.dryLimit;
  double range = 0;
  if (r.curveNumber) {
    r.CN = p.cnOrLoss;
    r.S = compute::retention(r.CN);
    const bool sampled = s.WhatIf.MonteType != 0 && (s.WhatIf.Coefficient == 5 || s.WhatIf.Coefficient == 6);
    if (!sampled) {
      r.limitsComputed = compute::curveNumberLimits(r.CN, wet, dry, p.constantLoss * p.soilRecovery > 0);
      if (r.limitsComputed && !s.RunoffCnMessageShown) {
        if (!s.BatchMode && !chosen)
          s.ui.msgBox(line.Dsid + "  CNdry and CNwet curve numbers must be greater than 10..." + kCrLf +
                      "The missing CN's will be computed for you as:" + vb::Str(dry) + " and" + vb::Str(wet));
        s.RunoffCnMessageShown = true;
      }
    }
    r.CNwet = wet;
    r.CNdry = dry;
    soil.S1wet = compute::retention(wet);
    soil.S1dry = compute::retention(dry);
    range = soil.S1dry - soil.S1wet;
  } else {
    const bool derived = compute::initialLossLimits(p.cnOrLoss, wet, dry);
    if (derived && !s.RunoffIlMessageShown) {
      if (!s.BatchMode && !chosen)
        s.ui.msgBox(line.Dsid + "  No Initial Losss limits for dry and wet condtions." + kCrLf +
                    "These will be computed for you as: " + vb::FormatNumber(dry, "0.00") + " and " +
                    vb::FormatNumber(wet, "0.00"));
      s.RunoffIlMessageShown = true;
    }
    soil.ILwet = wet;
    soil.ILdry = dry;
    range = dry - wet;
  }
  soil.storageRange = range == 0 ? 1 : range;
  for (int m = 1; m <= 12; ++m) r.monthlyEt[static_cast<size_t>(m)] = p.etFactor * s.MonthlyCoefficients[static_cast<size_t>(m)];

  const int32_t steps = runoffStepCount(line.StationId, runDays);
  r.unitHydrograph.assign(static_cast<size_t>(std::max(steps, 0)) + 1, 0.0);
  RunoffStorage& st = line.Storage;
  st.WriteUnits = p.writeSoil != 0;
  if (st.WriteUnits) {
    st.StepSoil.assign(static_cast<size_t>(std::max(steps, 0)) + 1, 0.0);
    st.StepPrecip = st.StepSoil;
    st.StepThird = st.StepSoil;
  }

  if (p.runoffFileFlag == -1) {
    s.errlog.writeLine("Reminder that Runoff.txt output file is turned on.");
    ctx.RunoffOut->open(s.inProgramFolder("Runoff.txt"));
    RunoffHeader h;
    h.dsid = line.Dsid;
    h.datatypeName = line.Datatype_Name;
    h.unit = line.UnitText;
    h.siteName = line.Site_Name;
    h.runDateTime = s.RunDateTime;
    h.baseFlow = r.baseFlow;
    h.setup = line.fields.size() > 6 ? line.field(6) : std::string();
    if (h.setup.empty()) h.setup = vb::Join(p.elements, ",");
    h.formula = line.Triples[1].formula;
    h.curveNumber = r.curveNumber;
    h.CNwet = r.CNwet;
    h.S1wet = soil.S1wet;
    h.CNdry = r.CNdry;
    h.S1dry = soil.S1dry;
    h.initialAbstraction = soil.initialAbstraction;
    h.ILdry = soil.ILdry;
    h.ILwet = soil.ILwet;
    h.variableLag = p.variableLag;
    for (const std::string& text : runoffHeaderLines(h)) ctx.RunoffOut->line(text);
    r.runoffFileText = "Write Runoff.txt: ON";
  } else {
    r.runoffFileText = "Write Runoff.txt: OFF";
  }

  r.state = compute::SoilState{};
  s.RunoffTotals[0] = s.RunoffTotals[1] = 0;
  line.Triples[1].shift.clear();
  st.DaySoil.assign(static_cast<size_t>(std::max(runDays, 0)) + 7, 0.0);
  st.DayPrecip = st.DaySoil;
  st.DayGroundwater = st.DaySoil;
}

std::optional<Move> runoffStartConditions(Session& s, RunContext& ctx, LineState& line, RunoffState& r) {
  compute::SoilParameters& soil = r.soil;
  compute::SoilState& st = r.state;
  const std::string site = vb::Right(line.Dsid, 3);
  const std::string storageDsid = "4" + site, rainDsid = "-4" + site, groundDsid = "5" + site;
  vb::VbDate startDay = line.FirstDay;
  std::string table = "rday", filter;
  std::string label;
  if (s.WhatIf.Coefficient != 0 && s.WhatIf.StartDate > 1.0) label = " Start Conditions " + vb::Format(s.WhatIf.StartDate, "m/d/yyyy");
  if (s.WhatIf.StartDate > 1.0) {
    startDay = vb::Round(s.WhatIf.StartDate);
    if (s.WhatIf.StartRunID != 0) {
      table = "mday";
      filter = " and run_id=" + vb::CStr(int32_t{s.WhatIf.StartRunID}) + " and trace=" +
               vb::CStr(int32_t{s.WhatIf.StartTrace});
      if (!label.empty()) label += filter;
    }
  }
  std::string status = "OFF";
  s.ui.doEvents();

  double storage = r.curveNumber ? r.S : soil.ILdry;
  double dryStorage = r.curveNumber ? soil.S1dry : soil.ILdry;
  if (s.form.Check2.ticked()) {
    status = "ON";
    if (!storedValue(s, table, storageDsid, filter, startDay, storage)) {
      const std::string text =
          "Warning " + storageDsid + " has no Storage value for " + vb::Format(startDay, "mmm dd, yyyy");
      s.errlog.writeLine(text);
      ctx.WarningCount = vb::addInteger(ctx.WarningCount, 1);
      if (!s.BatchMode && !s.NoAsks)
        s.ui.msgBox(text + kCrLf + "End of day storage will be written this run beginning with Dry conditions.");
      storage = dryStorage;
    }
    storedValue(s, table, rainDsid, filter, startDay, st.RainSum);
    storedValue(s, table, groundDsid, filter, startDay, st.GroundwaterFlow);
    if (r.linear || r.clark) {
      std::string flowTable = "runit";
      vb::VbDate flowDay = startDay + 1;
      if (vb::InStr(line.StationId, "HOUR") > 0) flowTable = "rhour";
      if (vb::InStr(line.StationId, "DAY") > 0) {
        flowTable = "rday";
        flowDay = startDay;
      }
      if (s.MrunLine) flowTable = "m" + vb::Mid(flowTable, 2);
      double flow = 0;
      checkedStateDsid(line.Dsid);
      if (storedValue(s, flowTable, line.Dsid, filter, flowDay, flow)) {
        r.startFlow = flow;
        r.startFlowPending = true;
      }
    }
  }

  // The storage is kept within the dry limit; a larger stored value is reported and reset.
  const double found = storage;
  bool reset = false;
  if (storage > 0 && storage - 0.001 > dryStorage) {
    storage = dryStorage;
    reset = true;
  }
  line.StartConditionNote = label.empty() ? status : label;
  if (!s.BatchMode && !s.NoAsks) {
    std::string text;
    if (reset) {
      text = line.Dsid + " Starting HDBstorage" + numberText(vb::Round(found, 3)) + " greater than Dry" +
             numberText(vb::Round(dryStorage, 3)) + ", reset to Dry." + kCrLf + "Starting rainsum is" +
             numberText(st.RainSum) + kCrLf + kCrLf + "Continue to show this message?.";
    } else {
      text = vb::Format(startDay + 1, "dd-Mmm-yyyy") + " Last Run's Storage is " + status + kCrLf +
             "Starting storage space" + numberText(r.curveNumber ? vb::Round(storage, 3) : storage);
      if (r.curveNumber) {
        text += ", CN " + vb::CStr(vb::Round(1000 / (storage + 10), 1));
        if (!s.form.Check2.ticked()) text += ", CN " + vb::CStr(r.CN);
        text += std::string(kCrLf) + "Storage space dry" + numberText(vb::Round(soil.S1dry, 3)) + ", CN " +
                vb::CStr(r.CNdry) + kCrLf + "Storage space wet" + numberText(vb::Round(soil.S1wet, 3)) + ", CN " +
                vb::CStr(r.CNwet);
      } else {
        text += std::string(kCrLf) + "Storage space dry" + numberText(soil.ILdry) + kCrLf + "Storage space wet" +
                numberText(soil.ILwet);
      }
      double gw = (1 - soil.groundwaterLoss) * st.GroundwaterFlow;
      text += std::string(kCrLf) + "Starting rainsum" + numberText(st.RainSum) + kCrLf + "Starting GW flow" +
              numberText(RoundValue(gw, line.ValueCode, s.MetricUnits, s.CanadaSite));
      if (r.linear) text += "\nLinear Reservoir Shape Facor" + numberText(r.enteredShapeFactor);
      text += kCrLf + r.method + kCrLf + r.variableLagText + kCrLf + r.runoffFileText + kCrLf + label + kCrLf +
              kCrLf + "Continue to show this message?";
    }
    const MsgResult answer =
        s.ui.msgBox(text, MsgButtons::YesNoCancel, MsgIcon::Question, "Basin starting conditions");
    if (answer == MsgResult::No) s.NoAsks = true;
    if (answer == MsgResult::Cancel) return Move::cancel();
  }

  if (r.curveNumber) {
    st.S1 = storage;
    st.Ia = soil.initialAbstraction * storage;
    st.RetentionRest = (1 - soil.initialAbstraction) * storage;
  } else {
    st.InitialLoss = storage;
  }
  return std::nullopt;
}

}  // namespace fw
