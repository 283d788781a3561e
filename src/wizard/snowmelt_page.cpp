#include "wizard/snowmelt_page.h"

#include "app/session.h"
#include "platform/vb/strings.h"
#include "wizard/line_replace.h"
#include "wizard/page_rules.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int kSnowBoxes = 23;

std::string box(int i) {
  return boxId("TxtSnow", i);
}

const char* const kCaptions[kSnowBoxes] = {"Site_ID",
                                          "Melt Datatype_Site_ID",
                                          "Same as Melt DSID above",
                                          "SNOWMELT Site Name",
                                          "base1",
                                          "Temp Adjust",
                                          "Humidity Adj",
                                          "Wind Adjust",
                                          "Solar Adjust",
                                          "LongW Adj",
                                          "Precip Adj",
                                          "Albedo Adj",
                                          "Site_ID (weather station)",
                                          "Temp DSID",
                                          "Humidity DSID",
                                          "Wind DSID",
                                          "Solar DSID",
                                          "LongW DSID",
                                          "Precip DSID",
                                          "Output SWC DSID",
                                          "Output SnowAge DSID",
                                          "Output Albedo DSID",
                                          "Rain/Snow T"};

// The boxes of the eight snowmelt parameters, in the order the line holds them.
constexpr int kParameterBoxes[] = {5, 6, 7, 8, 9, 10, 11, 22};

void boxRule(Session& s, int index) {
  BoxModel& b = s.frmWizard.boxes;
  if (index == 0) {
    if (cutSiteBox(b, box(0))) return;
    const std::string site = b.text(box(0));
    b.setText(box(1), siteDsid("-10000", 6, site));
    b.setText(box(2), b.text(box(1)));
    b.setText(box(19), siteDsid("-23000", 6, site));
    b.setText(box(20), siteDsid("-25000", 6, site));
    b.setText(box(21), siteDsid("-31000", 6, site));
  } else if (index == 12) {
    if (cutSiteBox(b, box(12))) return;
    const std::string site = b.text(box(12));
    const std::pair<int, const char*> inputs[] = {{13, "17000"}, {14, "18000"}, {15, "28000"}, {16, "29000"},
                                                  {18, "10000"}};
    for (const auto& [i, pattern] : inputs) b.setText(box(i), siteDsid(pattern, 5, site));
    b.setText(box(17), siteDsid("-29000", 6, site));
  }
}

}  // namespace

std::string SnowmeltSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  std::vector<std::string> p;
  for (int i : kParameterBoxes) p.push_back(b.text(box(i)));
  const std::string station =
      vb::InStr(w.LoadedStationID, "SNOWMELT") > 0 ? w.LoadedStationID : std::string("SNOWMELT-hour");
  return vb::Join({station, b.text(box(1)) + "," + b.text(box(19)), "Melt, SWC", b.text(box(3)), b.text(box(4)),
                   vb::Join(p, ", ")},
                  "; ") +
         ";";
}

std::array<std::string, 4> snowmeltRsiteRows(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  const std::string tail = "; SNOWMELT" + pageTail(s, b.text(box(1)));
  const std::string site = b.text(box(0)) + "; ";
  const std::string name = "; " + b.text(box(3));
  std::vector<std::string> inputs;
  for (int i = 13; i <= 21; ++i) inputs.push_back(b.text(box(i)));
  return {site + b.text(box(2)) + name + "; 10; rain/melt; inches; inches; " + vb::Join(inputs, ",") + tail,
          site + b.text(box(19)) + name + "; 23; snow water content; inches; inches; computed" + tail,
          site + b.text(box(20)) + name + "; 11; snow age; days; days; computed" + tail,
          site + b.text(box(21)) + name + "; 31; albedo; %; fraction; computed" + tail};
}

void rebuildSnowmeltPage(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  steps({[&] { b.setText("SText1", SnowmeltSetupLine(s.frmWizard)); },
         [&] {
           const std::array<std::string, 4> rows = snowmeltRsiteRows(s);
           for (int i = 0; i < 4; ++i) b.setText("SText" + std::to_string(i + 2), rows[static_cast<std::size_t>(i)]);
         }});
}

void TxtSnow_Change(Session& s, int index) {
  steps({[&] { boxRule(s, index); }, [&] { rebuildSnowmeltPage(s); }});
}

void chkWriteSnowInfo_Click(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const std::string line = b.text("SText1");
  if (b.ticked("chkWriteSnowInfo")) {
    // Only a line that ends as the rebuild ends it takes the flag.
    if (line.empty() || line.back() != ';') return;
    b.setText("SText1", line.substr(0, line.size() - 1) + ", 0;");
  } else {
    b.setText("SText1", vb::Replace(line, ", 0;", ";"));
  }
}

void cmdSnowRsite_Click(Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  const std::pair<int, const char*> rows[] = {{2, "SText2"}, {19, "SText3"}, {20, "SText4"}, {21, "SText5"}};
  for (const auto& [dsidBox, row] : rows) ReplaceRsite(s, b.text(box(dsidBox)), b.text(row));
}

void cmdReplaceSnowmelt_Click(Session& s) {
  ReplaceSetupLine(s, s.frmWizard.boxes.text("SText1"));
}

void snowmeltPageLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  for (int i = 0; i < kSnowBoxes; ++i) {
    b[box(i)].Text.clear();
    b[boxId("LabelSnow", i)].Caption = kCaptions[i];
    b.onChange(box(i), [&s, i] { TxtSnow_Change(s, i); });
  }
  b[box(22)].Text = "35.6";
  b[box(5)].Text = "-0.0";
  for (int i = 6; i <= 11; ++i) b[box(i)].Text = "1.0";
  for (const char* id : {"SText1", "SText2", "SText3", "SText4", "SText5"}) b[id];
  b["chkWriteSnowInfo"].Caption = "Write SNOWMELT.txt calc info";
  b["cmdReplaceSnowmelt"].Caption = "Replace Setup and Exit";
  b["cmdSnowRsite"].Caption = "Update Rsite";
  b.onClick("chkWriteSnowInfo", [&s] { steps({[&] { chkWriteSnowInfo_Click(s); }}); });
  b.onClick("cmdReplaceSnowmelt", [&s] { cmdReplaceSnowmelt_Click(s); });
  b.onClick("cmdSnowRsite", [&s] { cmdSnowRsite_Click(s); });
  registerPageMenu(s, "snowmelt", "FrameSnowmelt", "Snow Melt Setup");
}

}  // namespace fw
