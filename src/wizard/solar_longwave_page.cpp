#include "wizard/solar_longwave_page.h"

#include "app/session.h"
#include "platform/vb/strings.h"
#include "wizard/line_replace.h"
#include "wizard/page_rules.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr const char* kSampleStation = "KLAS";

std::string solar(int i) {
  return boxId("txtSolar", i);
}
std::string lw(int i) {
  return boxId("txtLong", i);
}

struct PageBox {
  const char* caption;
  const char* first;
};
constexpr PageBox kSolarBoxes[] = {
    {"Site_ID", ""},          {"Datatype_Site_ID", ""},  {"SOLAR RADIATION  Site Name", ""},
    {"base1", ""},            {"Latitude", "37.384"},    {"Longitude", "-118.422"},
    {"Std Time Meridian", "-120"}, {"Elevation ft", "4183"}, {"Temperature", "TemperatureF"},
    {"Humidity", "Humidity"}, {"Station/COMPUTE", kSampleStation}, {"Cloud Cover (optional)", "cloud-amount"},
};
constexpr PageBox kLongBoxes[] = {
    {"Site_ID", ""},
    {"Datatype_Site_ID", ""},
    {"LONG RADIATION  Site Name", ""},
    {"Temperature", "TemperatureF"},
    {"Humidity", "Humidity"},
    {"Wind Speed", "WindSpeedMPH"},
    {"Station/COMPUTE", kSampleStation},
    {"Cloud Cover (optional)", "cloud-amount"},
};

void solarRule(BoxModel& b, int index) {
  if (index == 0) {
    if (cutSiteBox(b, solar(0))) return;
    // The leading blank stays in the box; the line and row writers trim it away.
    b.setText(solar(1), siteDsid(" 29000", 6, b.text(solar(0))));
  } else if (index == 5) {
    b.setText(solar(6), meridianFor(b.text(solar(5))));
  } else if (index == 10) {
    fillComputeInputs(b, solar(10), solar(8), solar(1), {{solar(8), "17"}, {solar(9), "18"}, {solar(11), "26"}});
  }
}

void longRule(BoxModel& b, int index) {
  if (index == 0) {
    if (cutSiteBox(b, lw(0))) return;
    b.setText(lw(1), siteDsid("-29000", 6, b.text(lw(0))));
  } else if (index == 6) {
    fillComputeInputs(b, lw(6), lw(3), lw(1), {{lw(3), "17"}, {lw(4), "18"}, {lw(5), "28"}, {lw(7), "26"}});
  }
}

template <std::size_t N>
void loadBoxes(Session& s, const char* array, const char* labels, const PageBox (&boxes)[N],
               void (*change)(Session&, int)) {
  BoxModel& b = s.frmWizard.boxes;
  for (int i = 0; i < static_cast<int>(N); ++i) {
    b[boxId(array, i)].Text = boxes[i].first;
    b[boxId(labels, i)].Caption = boxes[i].caption;
    b.onChange(boxId(array, i), [&s, i, change] { change(s, i); });
  }
}

}  // namespace

std::string SolarSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  return vb::Join({vb::Trim(b.text(solar(10))), b.text(solar(1)), "Solar", b.text(solar(2)), b.text(solar(3)),
                   vb::Join({b.text(solar(4)), b.text(solar(5)), b.text(solar(6)), b.text(solar(7))}, ", "),
                   "P3"},
                  "; ");
}

std::string solarRsiteRow(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  return b.text(solar(0)) + "; " + b.text(solar(1)) + "; " + b.text(solar(2)) +
         "; 29; solar radiation; langleys/day; langleys per day; " +
         vb::Join({b.text(solar(8)), b.text(solar(9)), b.text(solar(11))}, ",") + ",Solar; " +
         sourceFor(b.text(solar(10))) + pageTail(s, b.text(solar(1)));
}

std::string LongwaveSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  return vb::Join({vb::Trim(b.text(lw(6))), b.text(lw(1)), "Long Radiation", b.text(lw(2))}, "; ");
}

std::string longwaveRsiteRow(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  return b.text(lw(0)) + "; " + b.text(lw(1)) + "; " + b.text(lw(2)) +
         "; 29; long radiation; langleys/day; langleys per day; " +
         vb::Join({b.text(lw(3)), b.text(lw(4)), b.text(lw(5)), b.text(lw(7))}, ",") + ",Solar long; " +
         sourceFor(b.text(lw(6))) + pageTail(s, b.text(lw(1)));
}

void rebuildSolarPage(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  steps({[&] { b.setText("txtsetupSolar", SolarSetupLine(s.frmWizard)); },
         [&] { b.setText("txtrsiteSolar", solarRsiteRow(s)); }});
}

void rebuildLongPage(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  steps({
      [&] { b.setText("txtsetupLong", LongwaveSetupLine(s.frmWizard)); },
      [&] {
        const std::string station = vb::Trim(b.text(lw(6)));
        if (vb::InStr(station, "COMPUTE") > 0) return;
        b.setText(lw(5), windCodeFor(station, b.text(lw(3))));
      },
      [&] { b.setText("txtrsiteLong", longwaveRsiteRow(s)); },
  });
}

void txtSolar_Change(Session& s, int index) {
  steps({[&] { solarRule(s.frmWizard.boxes, index); }, [&] { rebuildSolarPage(s); }});
}

void txtLong_Change(Session& s, int index) {
  steps({[&] { longRule(s.frmWizard.boxes, index); }, [&] { rebuildLongPage(s); }});
}

void solarLongwavePagesLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  loadBoxes(s, "txtSolar", "LabelSolar", kSolarBoxes, txtSolar_Change);
  loadBoxes(s, "txtLong", "LabelLong", kLongBoxes, txtLong_Change);
  for (const char* id : {"txtsetupSolar", "txtrsiteSolar", "txtsetupLong", "txtrsiteLong"}) b[id];
  b["cmdReplaceSolar"].Caption = "Replace Current Setup and Exit";
  b["cmdReplaceLong"].Caption = "Replace Current Setup and Exit";
  b["cmdSolarRsite"].Caption = "Update Rsite";
  b["cmdLongRsite"].Caption = "Updat Rsite";
  b.onClick("cmdReplaceSolar", [&s] { ReplaceSetupLine(s, s.frmWizard.boxes.text("txtsetupSolar")); });
  b.onClick("cmdReplaceLong", [&s] { ReplaceSetupLine(s, s.frmWizard.boxes.text("txtsetupLong")); });
  b.onClick("cmdSolarRsite", [&s] {
    ReplaceRsite(s, s.frmWizard.boxes.text(solar(1)), s.frmWizard.boxes.text("txtrsiteSolar"));
  });
  b.onClick("cmdLongRsite", [&s] {
    ReplaceRsite(s, s.frmWizard.boxes.text(lw(1)), s.frmWizard.boxes.text("txtrsiteLong"));
  });
  registerPageMenu(s, "solar", "FrameSolar", "Solar Radiation Setup");
  registerPageMenu(s, "long", "FrameLong", "Long Radiation Setup");
}

}  // namespace fw
