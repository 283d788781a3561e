#include "wizard/runoff_page.h"

#include <cmath>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "wizard/line_replace.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int kRunoffBoxes = 31;
const char* const kRunoffCaption = "Runoff Setup Wizard";
const char* const kRunoffMetricCaption = "Runoff Setup Wizard, Metric also enter as cfs, sqmi, inches";

std::string box(int i) {
  return boxId("txtBox", i);
}

// Captions and first texts of txtBox(0) to txtBox(30).
struct RunoffBox {
  const char* caption;
  const char* first;
};
constexpr RunoffBox kBoxes[kRunoffBoxes] = {
    {"Site_ID", ""},
    {"Datatype_Site_ID", ""},
    {"RUNOFF  Site Name", "My Creek, NV"},
    {"Base Flow cfs", "0"},
    {"Lag hours", "1"},
    {"CN or Initial Loss inches", "60"},
    {"Constant Loss in/hr", "0.10"},
    {"Percent Impervious", "2"},
    {"Basin Area sqmi", "10.4"},
    {"Soil Water Recovery Factor", "0.2"},
    {"3 Unit Graph's  Relative Sizes", "0.3"},
    {"", "0.5"},
    {"", "0.2"},
    {"3 UG's LagTime/Recession Ratios", "0.4"},
    {"", "1.5"},
    {"", "3.0"},
    {"CN/IL Wet", "79"},
    {"CN/IL Dry", "39"},
    {"Soil Water Loss Factor", "0.5"},
    {"Optional ET record datatype_site_id", ""},
    {"Rainfall Adjust", "1.0"},
    {"ET Factor", "0.8"},
    {"Base Flow Riparian Factor", "0.2"},
    {"Groundwater Loss Factor", "1.0"},
    {"Groundwater Recovery Adj", "1.0"},
    {"LinearRes Shape Factor", ""},
    {"Interception Factor", "0.03"},
    {"Directly Connected", "1.00"},
    {"GW Lag", "0"},
    {"Initial Abstraction", "0.2"},
    {"Snowmelt Loss Factor", "0.7"},
};

// The boxes of runoff parameters 0 to 21 and 23, in the order they are written.
constexpr int kParameterBoxes[] = {4,  5,  6,  7,  8,  13, 9,  11, 14, 12, 15,
                                   16, 17, 18, 23, 24, 22, 21, 26, 27, 28, 29};
constexpr int kSnowmeltLossBox = 30;

bool shapedMethod(const std::string& method) {
  return vb::InStr(method, "Linear") > 0 || method == "Clark UGF";
}

// The CN wet a curve number gives, at most 100.
std::string wetFromCn(double cn) {
  const double wet = std::min(100.0, static_cast<double>(vb::CInt(27.542 * std::log(cn) - 23.032)));
  return vb::CStr(wet);
}

// The linear reservoir's shape factor for a lag in hours.
std::string shapeFromLag(double lag) {
  return vb::CStr(vb::Round(1.12899 * std::pow(lag, -1.10391), 3));
}

void replaceInText(BoxModel& b, const std::string& id, const std::string& find, const std::string& with) {
  b.setText(id, vb::Replace(b.text(id), find, with));
}

}  // namespace

void rebuildRunoffPage(Session& s) {
  WizardForm& w = s.frmWizard;
  w.boxes.setText("Text1", RunoffSetupLine(w));
  const std::array<std::string, 4> rows = runoffRsiteRows(w);
  for (int i = 0; i < 4; ++i)
    w.boxes.setText("Text" + std::to_string(i + 2), rows[static_cast<std::size_t>(i)]);
}

namespace {

void boxRule(Session& s, int index) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  switch (index) {
    case 0: {
      const std::string site = b.text(box(0));
      const int n = vb::Len(site);
      if (n >= 4) {
        b.setText(box(0), vb::Left(site, 3));  // the cut arrives as a change of its own
        return;
      }
      b.setText(box(1), vb::Left("-30000", 6 - n) + site);
      b.setText(box(19), vb::Left("-27000", 6 - n) + site);
      return;
    }
    case 4: {
      const double lag = vb::Val(b.text(box(4)));
      if (vb::InStr(b.text("ComboDimgraph"), "Linear") > 0 && lag > 0) b.setText(box(25), shapeFromLag(lag));
      return;
    }
    case 5: {
      w.CnDrivesDry = true;
      const double c = vb::Val(b.text(box(5)));
      if (c < 10) {
        b.setText(box(16), b.text(box(5)));
        b.setText(box(17), "0");
        b[box(29)].Enabled = false;
      } else {
        b.setText(box(16), wetFromCn(c));
        b.setText(box(17), vb::CStr(static_cast<int32_t>(vb::CInt(c - 1))));
        b[box(29)].Enabled = true;
      }
      // When CN dry already held that text no change ran to lower the flag.
      w.CnDrivesDry = false;
      return;
    }
    case 17: {
      const float dry = static_cast<float>(vb::Val(b.text(box(17))));
      // While the line fills the page its own CN wet stands; only an edit of CN dry moves it.
      if (dry > 9.9999f && !w.CnDrivesDry && w.FillingPages == 0) b.setText(box(16), wetFromCn(dry));
      w.CnDrivesDry = false;
      return;
    }
    case 11:
    case 12:
      b.setText(box(10), vb::CStr(1 - vb::Val(b.text(box(11))) - vb::Val(b.text(box(12)))));
      return;
    default:
      return;
  }
}

// The in-place edits of Text1 the check boxes make.
void check1Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  if (b.ticked("Check1"))
    replaceInText(b, "Text1", "; P1", ", -1; P1");
  else
    replaceInText(b, "Text1", ", -1; P1", "; P1");
}

void writeSoilClick(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  if (b.ticked("chkWriteSoil")) {
    replaceInText(b, "Text1", ", 0, Lag", ", -1, Lag");
  } else {
    replaceInText(b, "Text1", ", -1, Lag", ", 0, Lag");
    replaceInText(b, "Text1", ", 1, Lag", ", 0, Lag");
  }
}

void lagAdjClick(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  if (b.ticked("chkLagAdj")) {
    if (vb::InStr(b.text("Text1"), "Lag") == 0) replaceInText(b, "Text1", "; P1", ", LagV; P1");
    replaceInText(b, "Text1", ", Lag0", ", LagV");
  } else {
    replaceInText(b, "Text1", ", LagV", ", Lag0");
  }
}

void winterClick(Session& s) {
  WizardForm& w = s.frmWizard;
  if (w.FillingPages != 0) return;
  std::vector<std::string> fields = vb::Split(w.boxes.text("Text1"), ";");
  std::vector<std::string> elements = vb::Split(fields.at(5), ",");
  elements.at(22) = w.boxes.ticked("chkInterceptionWinter") ? "1" : "0";
  fields.at(5) = vb::Join(elements, ",");
  w.boxes.setText("Text1", vb::Join(fields, ";"));
}

void check2Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const std::string e = ", " + b.text(box(19)) + "; COMPUTE";
  if (b.ticked("Check2"))
    replaceInText(b, "Text2", "; COMPUTE", e);
  else
    replaceInText(b, "Text2", e, "; COMPUTE");
}

}  // namespace

std::string RunoffSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  std::vector<std::string> p;
  for (int i : kParameterBoxes) p.push_back(b.text(box(i)));
  p.push_back(b.ticked("chkInterceptionWinter") ? "1" : "0");
  p.push_back(b.text(box(kSnowmeltLossBox)));
  p.push_back(b.ticked("chkWriteSoil") ? "-1" : "0");
  p.push_back(b.ticked("chkLagAdj") ? "LagV" : "Lag0");
  const std::string& method = b.text("ComboDimgraph");
  const std::string formula =
      static_cast<float>(vb::Val(b.text(box(20)))) == 1.0f ? std::string("P1") : b.text(box(20)) + "*P1";
  const std::vector<std::string> fields = {
      w.LoadedStationID.empty() ? std::string("COMPUTE-unit") : w.LoadedStationID,
      b.text(box(1)),
      w.LoadedDatatypeName,
      b.text(box(2)),
      b.text(box(3)),
      vb::Join(p, ", "),
      formula};
  return vb::Join(fields, "; ") + ";" + (shapedMethod(method) ? b.text(box(25)) : std::string("0")) + ";" +
         method;
}

std::array<std::string, 4> runoffRsiteRows(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  const std::string& dsid = b.text(box(1));
  const std::string s3 = vb::Right(dsid, 3);
  const std::string tail = rsiteRowTail(dsid, w.LoadedState);
  const std::string head = b.text(box(0)) + "; ";
  const std::string name = "; " + b.text(box(2));
  return {
      head + dsid + name + "; 30; runoff; cfs; cubic feet per second; -11" + s3 + "; COMPUTE" + tail,
      head + "4" + s3 + name + "; 4; storage; inches; end of day storage, inches; computed; COMPUTE" + tail,
      head + "-4" + s3 + name +
          "; 4; rainfall sum; inches; end of day rainfall sum, inches; computed; COMPUTE" + tail,
      head + "5" + s3 + name + "; 4; gw flow; cfs; end of day flow, cfs; computed; COMPUTE" + tail};
}

void txtBox_Change(Session& s, int index) {
  steps({[&] { boxRule(s, index); }, [&] { rebuildRunoffPage(s); }});
}

void ComboDimgraph_Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const std::string method = b.text("ComboDimgraph");
  const std::string& line = b.text("Text1");
  const int p = vb::InStr(line, "P1");
  if (shapedMethod(method)) {
    b[box(25)].Enabled = true;
    if (b.text(box(25)).empty()) {
      const double lag = vb::Val(b.text(box(4)));
      if (method == "Clark UGF")
        b.setText(box(25), "0.75");
      else if (lag > 0)
        b.setText(box(25), shapeFromLag(lag));
    }
    b["LabelIN(21)"].Caption = method == "Clark UGF" ? "Clark Routing Factor" : "LinearRes Shape Factor";
    if (p > 0) b.setText("Text1", vb::Left(b.text("Text1"), p + 1) + ";" + b.text(box(25)) + ";" + method);
  } else {
    b[box(25)].Enabled = false;
    if (p > 0) b.setText("Text1", vb::Left(b.text("Text1"), p + 1) + ";0;" + method);
  }
}

void runoff_Click(Session& s) {
  showPage(s, "FrameRunoff", s.MetricUnits != 0 ? kRunoffMetricCaption : kRunoffCaption);
}

void cmdReplaceRunoff_Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const std::string line = b.text("Text1");
  b.setValue("Check1", 0);
  ReplaceSetupLine(s, line);
}

void cmdRunoffRsiteThis_Click(Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  ReplaceRsite(s, b.text(box(1)), b.text("Text2"));
}

void cmdRunoffRsiteThese_Click(Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  const std::string s3 = vb::Right(b.text(box(1)), 3);
  const std::pair<std::string, const char*> rows[] = {
      {"4" + s3, "Text3"}, {"-4" + s3, "Text4"}, {"5" + s3, "Text5"}};
  for (const auto& [dsid, id] : rows) ReplaceRsite(s, dsid, b.text(id));
}

void runoffPageLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  for (int i = 0; i < kRunoffBoxes; ++i) {
    b[box(i)].Text = kBoxes[i].first;
    b[boxId("LabelIN", i)].Caption = kBoxes[i].caption;
    b.onChange(box(i), [&s, i] { txtBox_Change(s, i); });
  }
  b[box(25)].Enabled = false;
  b["chkInterceptionWinter"].Caption = "Winter";
  b["chkWriteSoil"].Caption = "Write unit CN P, S";
  b["chkLagAdj"].Caption = "Variable Lag";
  b["Check1"].Caption = "Write  Runoff.txt calibration info";
  b["Check2"].Caption = "Optional ET record datatype_site_id";
  b["cmdReplaceRunoff"].Caption = "Replace Current Setup and Exit";
  b["cmdReplaceRunoff"].Enabled = false;
  b["cmdRunoffRsiteThis"].Caption = "Rsite Update This";
  b["cmdRunoffRsiteThese"].Caption = "Rsite Update These";
  b["comWhatIf"].Caption = "What If's";
  for (const char* id : {"Text1", "Text2", "Text3", "Text4", "Text5"}) b[id];
  b.onClick("chkInterceptionWinter", [&s] { steps({[&] { winterClick(s); }}); });
  b.onClick("chkWriteSoil", [&s] { writeSoilClick(s); });
  b.onClick("chkLagAdj", [&s] { lagAdjClick(s); });
  b.onClick("Check1", [&s] { check1Click(s); });
  b.onClick("Check2", [&s] { check2Click(s); });
  b.onClick("ComboDimgraph", [&s] { steps({[&] { ComboDimgraph_Click(s); }}); });
  b.onChange("ComboDimgraph", [&s] { steps({[&] { ComboDimgraph_Click(s); }}); });
  b.onClick("cmdReplaceRunoff", [&s] { cmdReplaceRunoff_Click(s); });
  b.onClick("cmdRunoffRsiteThis", [&s] { cmdRunoffRsiteThis_Click(s); });
  b.onClick("cmdRunoffRsiteThese", [&s] { cmdRunoffRsiteThese_Click(s); });
  b.onClick("runoff", [&s] { runoff_Click(s); });
}

}  // namespace fw
