#include "wizard/et_page.h"

#include "app/session.h"
#include "platform/vb/strings.h"
#include "wizard/line_replace.h"
#include "wizard/page_rules.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int kEtBoxes = 15;
constexpr const char* kSampleStation = "KLAS";

std::string box(int i) {
  return boxId("txtET", i);
}

struct EtBox {
  const char* caption;
  const char* first;
};
constexpr EtBox kBoxes[kEtBoxes] = {
    {"Site_ID", ""},
    {"Datatype_Site_ID", ""},
    {"EVAPOTRANSPIRATION  Site Name", ""},
    {"base1", "0"},
    {"Latitude", "37.384"},
    {"Longitude", "-118.422"},
    {"Std Time Meridian", "-120"},
    {"Elevation ft", "4183"},
    {"Windspeed Adjust Factor", "0.75"},
    {"Temperature", "TemperatureF"},
    {"Humidity", "Humidity"},
    {"Wind Speed", "WindSpeedMPH"},
    {"Solar Radiation or Cloud Cover (Optional)", "SolarRadiationWatts/m^2 or cloud-amount 26xxx dsid"},
    {"short or tall", "ETshort"},
    {"Station/COMPUTE", kSampleStation},
};

bool solarUsed(const BoxModel& b) {
  return vb::Len(b.text(box(12))) > 3;
}

void boxRule(Session& s, int index) {
  BoxModel& b = s.frmWizard.boxes;
  if (index == 0) {
    if (cutSiteBox(b, box(0))) return;
    b.setText(box(1), siteDsid("-27000", 6, b.text(box(0))));
  } else if (index == 5) {
    b.setText(box(6), meridianFor(b.text(box(5))));
  } else if (index == 14) {
    if (fillComputeInputs(b, box(14), box(9), box(1), {{box(9), "17"}, {box(10), "18"}, {box(11), "28"}}))
      b.setText(box(12), "");
  }
}

}  // namespace

std::string EtSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  const std::string shift =
      vb::Join({b.text(box(4)), b.text(box(5)), b.text(box(6)), b.text(box(7)), b.text(box(8))}, ", ");
  return vb::Join({vb::Trim(b.text(box(14))), b.text(box(1)), b.text(box(13)), b.text(box(2)), b.text(box(3)),
                   shift, solarUsed(b) ? "P5" : "P4"},
                  "; ");
}

std::string etRsiteRow(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  std::vector<std::string> inputs = {b.text(box(9)), b.text(box(10)), b.text(box(11))};
  if (solarUsed(b)) inputs.push_back(b.text(box(12)));
  inputs.push_back(b.text(box(13)));
  return b.text(box(0)) + "; " + b.text(box(1)) + "; " + b.text(box(2)) +
         "; 27; ET; inches; evapotranspiration inches; " + vb::Join(inputs, ",") + "; " +
         sourceFor(b.text(box(14))) + pageTail(s, b.text(box(1)));
}

void rebuildEtPage(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  steps({
      [&] { b.setText("txtsetupET", EtSetupLine(s.frmWizard)); },
      [&] {
        const std::string station = vb::Trim(b.text(box(14)));
        if (vb::InStr(station, "COMPUTE") > 0) return;
        b.setText(box(11), windCodeFor(station, b.text(box(9))));
      },
      [&] { b.setText("txtrsiteET", etRsiteRow(s)); },
  });
}

void txtET_Change(Session& s, int index) {
  steps({[&] { boxRule(s, index); }, [&] { rebuildEtPage(s); }});
}

void cmdEtRsite_Click(Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  ReplaceRsite(s, b.text(box(1)), b.text("txtrsiteET"));
}

void cmdReplaceET_Click(Session& s) {
  ReplaceSetupLine(s, s.frmWizard.boxes.text("txtsetupET"));
}

void etPageLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  for (int i = 0; i < kEtBoxes; ++i) {
    b[box(i)].Text = kBoxes[i].first;
    b[boxId("LabelET", i)].Caption = kBoxes[i].caption;
    b.onChange(box(i), [&s, i] { txtET_Change(s, i); });
  }
  b["txtsetupET"];
  b["txtrsiteET"];
  b["cmdReplaceET"].Caption = "Replace Current Setup and Exit";
  b["cmdEtRsite"].Caption = "Update Rsite";
  b.onClick("cmdReplaceET", [&s] { cmdReplaceET_Click(s); });
  b.onClick("cmdEtRsite", [&s] { cmdEtRsite_Click(s); });
  registerPageMenu(s, "ET", "FrameET", "Evapotranspiration Setup");
}

}  // namespace fw
