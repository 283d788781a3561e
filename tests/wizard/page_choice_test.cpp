// Which page a station line opens the wizard on, with its caption, and the state code the line
// gives the rsite rows.
#include <gtest/gtest.h>

#include "wizard/wizard_form.h"
#include "wizard_support.h"

namespace fw {
namespace {

struct PageCase {
  const char* line;
  std::vector<std::string> frames;
  const char* caption;
  const char* state;
};

TEST(WizardPageChoice, EachKindOfLineShowsItsPage) {
  const PageCase cases[] = {
      {"COMPUTE-HOUR; -30752; Runoff; My Creek, NV; 0; 1, 60", {"FrameRunoff"}, "Runoff Setup Wizard", "NV"},
      // The radar page gives the rows its radar site's state.
      {"NEXRAD-ESX; 10752; rainfall; Wash Basin; 2", {"FrameRadar"}, "Radar Setup Wizard", "NV"},
      {"SNOWMELT-Hour; 30005, 23005; snow; Upper Basin, ut",
       {"FrameSnowmelt"},
       "Snowmelt Setup Wizard",
       "UT"},
      {"KNVLASVE; -27012; ETshort; Las Vegas", {"FrameET"}, "Evapotranspiration Setup Wizard", "NV"},
      {"COMPUTE-unit; 29012; Solar radiation; Mesa, AZ",
       {"FrameSolar"},
       "Solar Radiation Setup Wizard",
       "AZ"},
      {"COMPUTE-unit; -29012; long wave; Mesa, AZ", {"FrameLong"}, "Long Radiation Setup Wizard", "AZ"},
      {"COMPUTE-unit; -31012; ratio; Mesa, AZ; 0; 0.1, 1, 3",
       {"FrameRatio"},
       "Radar Adjust Setup Wizard",
       "AZ"},
      {"FORECAST-QPF; 10752; Forecast Rain; Wash, NV",
       {"FrameRadar", "FrameForecast"},
       "NWS Forecast Setup and Values Edit Wizard",
       "NV"},
      {"forecast-QPF; 10752; Forecast Rain; Wash, NV", {"FrameRadar"}, "Radar Setup Wizard", "NV"},
      {"ROUTE-unit; 1806; Flow; My Routed Flow, TN", {"FrameListMethods"}, "", "TN"},
      {"XXXXX; 1001; flow; Bridge Creek, AZ", {}, "", "AZ"},
      {"COMPUTE-unit; 99999; flow; Big DSID, AZ", {}, "", "AZ"},
  };
  for (const PageCase& c : cases) {
    testing::WizardSession w({c.line});
    w.open(1);
    std::vector<std::string> shown;
    for (const char* frame : {"FrameRadar", "FrameSnowmelt", "FrameRunoff", "FrameET", "FrameSolar",
                              "FrameLong", "FrameRatio", "FrameForecast", "FrameListMethods"})
      if (w.b()[frame].Visible) shown.push_back(frame);
    EXPECT_EQ(shown, c.frames) << c.line;
    EXPECT_EQ(w.s.frmWizard.Caption, c.caption) << c.line;
    EXPECT_EQ(w.s.frmWizard.LoadedState, c.state) << c.line;
    EXPECT_EQ(w.s.frmWizard.FillingPages, 0) << c.line;
    EXPECT_TRUE(w.s.frmWizard.Visible);
  }
}

TEST(WizardPageChoice, StationCodeStateKeptPutGetAndTheRowOfAnEmptySelection) {
  std::string state = "CA";
  EXPECT_EQ(stationCode("NEXRAD-ESX", "Wash", state), "ESX");
  EXPECT_EQ(state, "CA");
  EXPECT_EQ(stationCode("KNVLASVE", "Wash", state), "NV");
  EXPECT_EQ(stationCode("XXXXX", "Upper Creek, ut", state), "UT");
  EXPECT_EQ(stationCode("XXXXX", "No State", state), "UT");  // a row without one keeps the last

  testing::WizardSession w(
      {"COMPUTE-unit; -30012; runoff; First, NV", "MODEL-put; -30013; runoff; Second, AZ"});
  w.open(0);
  EXPECT_EQ(w.s.frmWizard.LoadedRow, 1);
  EXPECT_TRUE(w.b()["FrameRunoff"].Visible);
  EXPECT_TRUE(w.b().at("cmdReplaceRunoff").Enabled);
  w.open(2);
  for (const char* frame : kPageFrames) EXPECT_FALSE(w.b()[frame].Visible) << frame;
  EXPECT_EQ(w.text("txtBox(2)"), "Second, AZ");  // only the site names follow the row
  EXPECT_EQ(w.text("txtBox(1)"), "-30012");
  EXPECT_EQ(w.s.frmWizard.FillingPages, 0);
}

TEST(WizardFrame, CloseHidesResizeHelpAndHistory) {
  testing::WizardSession w({"FORECAST-QPF; 11752; Forecast Rain; Wash, NV; 0; 36.1, -115.2, 3"});
  testing::writeFile(w.folder / "forecast11752.txt", "hour\train\r\n06/05/2024 13:00\t0.1\r\n");
  w.open(1);
  EXPECT_EQ(w.text("txtHistoryForecast"), "hour\train\r\n06/05/2024 13:00\t0.1\r\n");
  EXPECT_EQ(w.b()["txtHistoryForecast"].BackColor, 65535);
  EXPECT_EQ(w.text("ComboForecast"), "3-Vegas 5-hour");
  EXPECT_EQ(w.s.frmWizard.Height, w.b()["FrameForecast"].Height + 900);
  wizardResize(w.s, 10000);
  EXPECT_EQ(w.b()["FrameRadar"].Width, 9800);
  EXPECT_EQ(w.b()["txtsetupRatio(3)"].Width, 9400);
  listMehtods_Click(w.s);
  EXPECT_TRUE(w.b()["FrameListMethods"].Visible);
  EXPECT_FALSE(w.b()["FrameForecast"].Visible);
  EXPECT_NE(w.text("txtListMethods").find("ROUTE-unit; 1806; Flow; My Routed Flow"), std::string::npos);
  EXPECT_FALSE(wizardQueryUnload(w.s, 0));
  EXPECT_FALSE(w.s.frmWizard.Visible);
  EXPECT_TRUE(w.s.frmWizard.Loaded);
  w.s.GridStale = true;
  EXPECT_TRUE(wizardQueryUnload(w.s, 0));
}

}  // namespace
}  // namespace fw
