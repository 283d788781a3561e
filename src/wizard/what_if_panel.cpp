#include "wizard/what_if_panel.h"

#include <cmath>

#include "app/session.h"
#include "app/what_if_keys.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/sql_guard.h"
#include "store/model_run_tables.h"
#include "wizard/runoff_page.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int kCoefficients = static_cast<int>(kWhatIfCoefficients.size());
constexpr int kMonteTypeCount = static_cast<int>(kMonteTypes.size());
constexpr int kCnStartSpace = 0;
constexpr int kRainfallAdjust = 9;
constexpr int kExactNormal = 2;

const char* const kMonteBoxes[] = {"txtMCmax", "txtMCmin", "txtMCmean", "txtMCstdev", "txtMCskew"};
const char* const kStormBoxes[] = {"txtDuration", "txtFlashyFactor", "txtMultiNumber", "txtMultiDuration",
                                   "chkRandomMulti"};
const char* const kStartBoxes[] = {"txtCondtionsDate", "txtStartConditionsRunID",
                                   "txtStartConditionsTraceID"};

template <std::size_t N>
void enable(BoxModel& b, const char* const (&ids)[N], bool on) {
  for (const char* id : ids) b[id].Enabled = on;
}

double val(const BoxModel& b, const char* id) {
  return vb::Val(b.text(id));
}

void optCoeffClick(Session& s, int index) {
  BoxModel& b = s.frmWizard.boxes;
  b.setText("txtMCmean", b.text(boxId("txtBox", kWhatIfCoefficients[static_cast<std::size_t>(index)].box)));
  const double m = static_cast<float>(val(b, "txtMCmean"));
  b.setText("txtMCstdev", vb::CStr(vb::Round(m / 3, 3)));
  b.setText("txtMCmin", vb::CStr(vb::Round(m / 2, 3)));
  b.setText("txtMCmax", vb::CStr(vb::Round(m * 1.5, 3)));
}

void monteCarloClick(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const bool on = b.ticked("chkMonteCarlo");
  b["txtIncrement"].Enabled = !on;
  enable(b, kMonteBoxes, on);
}

void reverseClick(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const bool on = b.ticked("chkReverseExact");
  s.WhatIf.ReverseExact = on ? int16_t{-1} : int16_t{0};
  if (on) b.select(boxId("optionMonteType", kExactNormal));
}

void stochasticClick(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const bool on = b.ticked("chkStochastic");
  enable(b, kStormBoxes, on);
  if (on) b.select(boxId("optCoeff", kRainfallAdjust));
}

// A run id or DSID that goes into the model-run query must be a whole number.
bool wholeNumbers(Session& s, const std::string& run, const std::string& dsid) {
  for (const auto& [what, text] :
       {std::pair<const char*, const std::string&>{"Run_ID", run}, {"DSID", dsid}}) {
    if (isIntegerDsid(vb::Trim(text))) continue;
    notify(s,
           std::string("What If: the ") + what + " \"" + text + "\" is not a whole number; nothing was set.",
           MsgButtons::OK, MsgIcon::Exclamation);
    return false;
  }
  return true;
}

}  // namespace

void comWhatIf_Click(Session& s) {
  Box& frame = s.frmWizard.boxes["frameWhatIf"];
  frame.Visible = !frame.Visible;
}

bool comGoSim_Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  WhatIfSettings& w = s.WhatIf;
  const std::string run = b.text("txtRunID");
  const std::string dsid = b.text("txtBox(1)");
  w.CompareDSID = b.text("DSIDcompare");
  const bool writeTables = b.ticked("chkWriteWhatIf");
  bool overwrite = false;
  if (writeTables) {
    if (!wholeNumbers(s, run, dsid)) return false;
    if (MrundsidExists(s, vb::Trim(run), vb::Trim(dsid))) {
      if (s.ui.msgBox("Run_ID " + run + " and DSID " + dsid + " already exist.\n\nDo you wish to continue???",
                      MsgButtons::YesNo, MsgIcon::Question, "Run and DSID check") != MsgResult::Yes)
        return false;
      overwrite = true;  // the user chose to write over the stored traces
    }
  }
  const bool fromStart = b.ticked("chkStartConditionsDate");
  std::optional<vb::VbDate> startDate;
  if (fromStart) {
    startDate = vb::parseDate(vb::Trim(b.text("txtCondtionsDate")));
    if (!startDate) {
      notify(s,
             "What If: the start-conditions date \"" + b.text("txtCondtionsDate") +
                 "\" is not a date; nothing was set.",
             MsgButtons::OK, MsgIcon::Exclamation);
      return false;
    }
  }

  b["frameWhatIf"].Visible = false;
  w.AutomateCN = 0;
  w.StepFactor = 1 + val(b, "txtIncrement") / 100;
  const int coefficient = b.selected("optCoeff", kCoefficients);
  if (coefficient >= 0) {
    w.Coefficient = static_cast<int16_t>(coefficient + 1);
    w.CoefficientCaption = b.at(boxId("optCoeff", coefficient)).Caption;
    if (coefficient == kCnStartSpace && val(b, "txtBox(5)") > 9.999) {
      if (s.ui.msgBox("Automate Dry and Wet CN to match?", MsgButtons::YesNo, MsgIcon::Question,
                      "Last Run's Storage is now OFF!") == MsgResult::Yes)
        w.AutomateCN = -1;
      s.form.Check2.setValue(0);
    }
  }
  w.Traces = vb::toLong(val(b, "txtWhatIfTraces"));
  w.WriteMTables = writeTables ? int16_t{-1} : int16_t{0};
  w.RunID = writeTables ? vb::toInteger(val(b, "txtRunID")) : int16_t{0};
  w.Overwrite = overwrite ? int16_t{-1} : int16_t{0};
  w.CompareOn = w.CompareDSID.empty() ? int16_t{0} : int16_t{-1};
  w.MonteType = 0;
  w.MonteLogNormal = 0;
  w.Stochastic = 0;
  // A new seed from the clock when the run starts.
  w.SeedGiven = false;
  if (b.ticked("chkMonteCarlo")) {
    w.MonteMax = val(b, "txtMCmax");
    w.MonteMin = val(b, "txtMCmin");
    w.MonteMean = val(b, "txtMCmean");
    w.MonteStdev = val(b, "txtMCstdev");
    w.MonteSkew = val(b, "txtMCskew");
    if (b.ticked("chkMClognormal")) {
      w.MonteLogNormal = -1;
      w.MonteMean = std::log(w.MonteMean);
      w.MonteStdev = std::log(w.MonteStdev);
    }
    w.MonteType = static_cast<int16_t>(b.selected("optionMonteType", kMonteTypeCount) + 1);
  }
  if (b.ticked("chkStochastic")) {
    w.Stochastic = -1;
    w.StormDuration = val(b, "txtDuration");
    w.FlashyFactor = val(b, "txtFlashyFactor");
    w.MultiDuration = val(b, "txtMultiDuration");
    w.StormCount = vb::toInteger(val(b, "txtMultiNumber"));
    w.RandomMulti = static_cast<int16_t>(b.value("chkRandomMulti"));
  }
  if (fromStart) {
    w.StartDate = *startDate;
    w.StartRunID = vb::toInteger(val(b, "txtStartConditionsRunID"));
    w.StartTrace = vb::toInteger(val(b, "txtStartConditionsTraceID"));
  } else {
    w.StartDate = 0;
    w.StartRunID = 0;
    w.StartTrace = 0;
  }
  // The setup file carries the settings to the next run, a batch run included.
  writeWhatIfTexts(w);
  cmdReplaceRunoff_Click(s);
  return true;
}

void comCancelSim_Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  b["frameWhatIf"].Visible = false;
  s.WhatIf.Coefficient = 0;
  s.WhatIf.CompareDSID = b.text("DSIDcompare");
  s.WhatIf.CompareOn = s.WhatIf.CompareDSID.empty() ? int16_t{0} : int16_t{-1};
  // The next save of the setup file then holds no What-If run.
  s.WhatIf.SetupTexts.clear();
}

void whatIfPanelLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  b["frameWhatIf"].Caption = "Automated range of coefficients";
  b["frameWhatIf"].Visible = false;
  const std::pair<const char*, const char*> firstTexts[] = {{"txtIncrement", "10"},
                                                            {"txtWhatIfTraces", "10"},
                                                            {"txtRunID", "1"},
                                                            {"txtMCskew", "0"},
                                                            {"txtDuration", "6"},
                                                            {"txtFlashyFactor", "1"},
                                                            {"txtMCmax", ""},
                                                            {"txtMCmin", ""},
                                                            {"txtMCmean", ""},
                                                            {"txtMCstdev", ""},
                                                            {"DSIDcompare", ""},
                                                            {"txtMultiDuration", ""},
                                                            {"txtMultiNumber", ""},
                                                            {"txtStartConditionsRunID", ""},
                                                            {"txtStartConditionsTraceID", ""}};
  for (const auto& [id, text] : firstTexts) b[id].Text = text;
  const std::pair<const char*, const char*> captions[] = {{"chkWriteWhatIf", "Save to M_Tables"},
                                                          {"chkMonteCarlo", "Monte Carlo Selection"},
                                                          {"chkMClognormal", "Log Normal Distribution"},
                                                          {"chkReverseExact", "Reverse"},
                                                          {"chkStochastic", "Stochastic Rain"},
                                                          {"chkRandomMulti", "random multi"},
                                                          {"chkStartConditionsDate", "Start conditions"},
                                                          {"comGoSim", "Go"},
                                                          {"comCancelSim", "Cancel"}};
  for (const auto& [id, caption] : captions) b[id].Caption = caption;
  for (int i = 0; i < kCoefficients; ++i) {
    b[boxId("optCoeff", i)].Caption = kWhatIfCoefficients[static_cast<std::size_t>(i)].caption;
    b.onClick(boxId("optCoeff", i), [&s, i] { steps({[&] { optCoeffClick(s, i); }}); });
  }
  for (int i = 0; i < kMonteTypeCount; ++i) {
    b[boxId("optionMonteType", i)].Caption = kMonteTypes[static_cast<std::size_t>(i)];
    b.onClick(boxId("optionMonteType", i), [&s] { s.frmWizard.boxes.setValue("chkMonteCarlo", 1); });
  }
  // The interlocks start as an unticked panel has them.
  b["txtIncrement"].Enabled = true;
  enable(b, kMonteBoxes, false);
  enable(b, kStormBoxes, false);
  enable(b, kStartBoxes, false);
  b["txtRunID"].Enabled = false;
  b.onClick("chkMonteCarlo", [&s] { monteCarloClick(s); });
  b.onClick("chkReverseExact", [&s] { reverseClick(s); });
  b.onClick("chkStochastic", [&s] { stochasticClick(s); });
  b.onClick("chkStartConditionsDate", [&s] {
    enable(s.frmWizard.boxes, kStartBoxes, s.frmWizard.boxes.ticked("chkStartConditionsDate"));
  });
  b.onClick("chkWriteWhatIf",
            [&s] { s.frmWizard.boxes["txtRunID"].Enabled = s.frmWizard.boxes.ticked("chkWriteWhatIf"); });
  b.onClick("comWhatIf", [&s] { comWhatIf_Click(s); });
  b.onClick("comGoSim", [&s] { comGoSim_Click(s); });
  b.onClick("comCancelSim", [&s] { comCancelSim_Click(s); });
}

}  // namespace fw
