// The evapotranspiration, snowmelt, radar, solar, long-wave and radar-adjust pages: station lines
// come back byte for byte, box edits change the fields they name, and the rows go into rsite.
#include <gtest/gtest.h>

#include "platform/db/sqlite_backend.h"
#include "platform/process/process_runner.h"
#include "platform/vb/strings.h"
#include "wizard/et_page.h"
#include "wizard/page_rules.h"
#include "wizard/radar_adjust_page.h"
#include "wizard/radar_page.h"
#include "wizard/snowmelt_page.h"
#include "wizard/solar_longwave_page.h"
#include "wizard_support.h"

namespace fw {
namespace {

db::QueryResult query(const std::filesystem::path& hdb, const std::string& sql) {
  db::SqliteBackend b(hdb, false);
  return b.run(sql);
}

// The rsite record of a DSID, its twelve columns as text.
std::vector<std::string> rsiteRecord(const std::filesystem::path& hdb, const std::string& dsid) {
  db::QueryResult r = query(hdb,
                            "select site_id, datatype_site_id, site_name, datatype_id, datatype_name, unit, "
                            "unit_name, parameter_code, source, site_digit, state, hour_shift from rsite where "
                            "datatype_site_id=" +
                                dsid);
  std::vector<std::string> v;
  if (r.rowCount() == 0) return v;
  for (std::size_t c = 0; c < 12; ++c) v.push_back(r.cells[c].toString());
  return v;
}

struct RoundTrip {
  const char* line;
  const char* output;
};

TEST(WizardPages, ThreeLinesOfEachPageComeBackByteForByte) {
  const RoundTrip cases[] = {
      {"COMPUTE; -27012; ETshort; Lake Farm; 0; 37.384, -118.422, -120, 4183, 0.75; P4", "txtsetupET"},
      {"KLAS; -27013; ETshort; Las Vegas; 0; 36.08, -115.15, -120, 2180, 0.75; P5", "txtsetupET"},
      {"KNVLASVE; 27014; ETtall; Henderson; 0; 36.03, -114.98, -105, 1900, 1; P5", "txtsetupET"},
      {"SNOWMELT-hour; -10012,-23012; Melt, SWC; Elm Creek; 0; -0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 35.6;",
       "SText1"},
      {"SNOWMELT-Hour; -10020,-23020; Melt, SWC; Upper Basin, UT; 0; 1.5, 0.9, 0.8, 1.1, 1.0, 1.2, 0.9, 34;",
       "SText1"},
      {"COMPUTE SNOWMELT; -10033,-23033; Melt, SWC; Peak; 0; -0.5, 1.0, 1.0, 1.0, 1.0, 1.3, 1.0, 33.8;",
       "SText1"},
      {"NEXRAD-ESX; -10012; rainfall; Elm Creek; 0; 0.000; P1", "txtsetupRadar"},
      {"NEXRAD-IWA; 10020; rainfall; Salt River, AZ; 2; 0.05; 1.1*P1", "txtsetupRadar"},
      {"NEXRAD-USZZ; 10030; rainfall; Plains; 1; 0.01; P1", "txtsetupRadar"},
      {"KLAS; 29012; Solar; Elm Creek; 0; 37.384, -118.422, -120, 4183; P3", "txtsetupSolar"},
      {"COMPUTE-hour; 29013; Solar; Farm; 0; 36.1, -115.2, -120, 2000; P3", "txtsetupSolar"},
      {"KNVLASVE; -29014; Solar; Mesa; 0; 33.4, -111.9, -105, 1200; P3", "txtsetupSolar"},
      {"KLAS; -29012; Long Radiation; Elm Creek", "txtsetupLong"},
      {"COMPUTE-hour; -29013; Long Radiation; Farm", "txtsetupLong"},
      {"KNVLASVE; 29014; Long Radiation; Mesa", "txtsetupLong"},
      {"COMPUTE-Hour; 31012; Ratio; Elm Creek; 0; 0.01, 1, 3; P1/P2", "txtsetupRatio(0)"},
      {"COMPUTE-Hour; -31752; Ratio; Wash; 0; 0, 0.8, 2.5; P1/P2", "txtsetupRatio(0)"},
      {"COMPUTE-Hour; 31005; Ratio; Mesa; 0; 0.02, 1.2, 4; P1/P2", "txtsetupRatio(0)"},
  };
  for (const RoundTrip& c : cases) {
    testing::WizardSession w({c.line});
    w.open(1);
    EXPECT_EQ(w.text(c.output), c.line);
    EXPECT_TRUE(w.ui.boxes.empty()) << c.line << ": " << w.ui.boxes.front().text;
    // Opening it again gives the same line: nothing grows from one opening to the next.
    w.open(1);
    EXPECT_EQ(w.text(c.output), c.line);
  }
}

TEST(EtPage, MeridiansFromLongitudes) {
  const std::pair<const char*, const char*> cases[] = {
      {"-115.2", "-120"}, {"-120.0", "-120"}, {"-7.5", "-75"}, {"+10", ""},    {"-115", "-120"}, {"-114.9", "-105"},
      {"-100", "-105"},   {"-85", "-90"},     {"0", "-75"},    {"-84.9", "-75"}, {"east", "-75"}};
  testing::WizardSession w({"COMPUTE; -27012; ETshort; Lake Farm; 0; 37.384, -118.422, -120, 4183, 0.75; P4"});
  w.open(1);
  for (const auto& [longitude, meridian] : cases) {
    EXPECT_EQ(meridianFor(longitude), meridian) << longitude;
    w.b().type("txtET(5)", longitude);
    EXPECT_EQ(w.text("txtET(6)"), meridian) << longitude;
    EXPECT_EQ(vb::Split(w.text("txtsetupET"), "; ").at(5),
              std::string("37.384, ") + longitude + ", " + meridian + ", 4183, 0.75");
    w.b().type("txtSolar(5)", longitude);
    EXPECT_EQ(w.text("txtSolar(6)"), meridian) << longitude;
  }
}

TEST(EtPage, ComputeFillsWindCodesSolarAndTheSiteBox) {
  testing::WizardSession w({"KNVL; -27013; ETshort; Las Vegas, NV; 0; 36.08, -115.15, -120, 2180, 0.75; P5"});
  w.open(1);
  EXPECT_EQ(w.text("txtrsiteET"),
            "013; -27013; Las Vegas, NV; 27; ET; inches; evapotranspiration inches; "
            "TemperatureF,Humidity,WindSpeedMPH,SolarRadiationWatts/m^2 or cloud-amount 26xxx dsid,ETshort; "
            "KNVL; 0; NV; 0");
  // A 6-letter station reports its wind under the other code, whatever is typed there.
  w.b().type("txtET(11)", "Gusts");
  w.b().type("txtET(14)", "KNVLAS");
  EXPECT_EQ(w.text("txtET(11)"), "Wind SpeedMPH");
  w.b().type("txtET(14)", "KLAS");
  EXPECT_EQ(w.text("txtET(11)"), "WindSpeedMPH");
  // Solar texts of 3 characters are no input.
  w.b().type("txtET(12)", "abc");
  EXPECT_EQ(vb::Right(w.text("txtsetupET"), 2), "P4");
  EXPECT_EQ(w.text("txtrsiteET").find("abc"), std::string::npos);
  w.b().type("txtET(12)", "abcd");
  EXPECT_EQ(vb::Right(w.text("txtsetupET"), 2), "P5");
  EXPECT_NE(w.text("txtrsiteET").find("WindSpeedMPH,abcd,ETshort"), std::string::npos);
  // A fourth character in the site box is cut; site 12 then COMPUTE.
  w.b().type("txtET(0)", "0125");
  EXPECT_EQ(w.text("txtET(0)"), "012");
  EXPECT_EQ(w.text("txtET(1)"), "-27012");
  w.b().type("txtET(0)", "5");
  EXPECT_EQ(w.text("txtET(1)"), "-27005");
  w.b().type("txtET(0)", "12");
  w.b().type("txtET(2)", "Lake Farm");
  w.b().type("txtET(14)", "COMPUTE");
  EXPECT_EQ(w.text("txtsetupET"), "COMPUTE; -27012; ETshort; Lake Farm; 0; 36.08, -115.15, -120, 2180, 0.75; P4");
  EXPECT_EQ(w.text("txtrsiteET"),
            "12; -27012; Lake Farm; 27; ET; inches; evapotranspiration inches; 17012,18012,28012,ETshort; "
            "COMPUTE; 0; NV; 0");
  // A typed ";" is a ",".
  int beeps = 0;
  w.b().beep = [&] { ++beeps; };
  w.b().type("txtET(2)", "Lake; Farm");
  EXPECT_EQ(w.text("txtET(2)"), "Lake, Farm");
  EXPECT_EQ(beeps, 1);
}

TEST(SnowmeltPage, SiteDefaultsTheFourRowsAndTheWriteFlag) {
  testing::WizardSession w({"SNOWMELT-hour; -10012,-23012; Melt, SWC; Elm Creek, UT; 0; -0.0, 1.0, 1.0, 1.0, "
                            "1.0, 1.0, 1.0, 35.6;"});
  w.open(1);
  w.b().type("TxtSnow(0)", "1234");
  EXPECT_EQ(w.text("TxtSnow(0)"), "123");
  EXPECT_EQ(w.text("TxtSnow(1)"), "-10123");
  w.b().type("TxtSnow(0)", "5");
  for (const auto& [id, dsid] : std::vector<std::pair<const char*, const char*>>{
           {"TxtSnow(1)", "-10005"}, {"TxtSnow(2)", "-10005"}, {"TxtSnow(19)", "-23005"},
           {"TxtSnow(20)", "-25005"}, {"TxtSnow(21)", "-31005"}})
    EXPECT_EQ(w.text(id), dsid) << id;
  w.b().type("TxtSnow(0)", "12");
  w.b().type("TxtSnow(12)", "33");
  const std::string inputs = "17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012";
  EXPECT_EQ(w.text("SText2"),
            "12; -10012; Elm Creek, UT; 10; rain/melt; inches; inches; " + inputs + "; SNOWMELT; 0; UT; 0");
  EXPECT_EQ(w.text("SText3"), "12; -23012; Elm Creek, UT; 23; snow water content; inches; inches; computed; SNOWMELT; 0; UT; 0");
  EXPECT_EQ(w.text("SText4"), "12; -25012; Elm Creek, UT; 11; snow age; days; days; computed; SNOWMELT; 0; UT; 0");
  EXPECT_EQ(w.text("SText5"), "12; -31012; Elm Creek, UT; 31; albedo; %; fraction; computed; SNOWMELT; 0; UT; 0");

  const std::string line = w.text("SText1");
  w.b().setValue("chkWriteSnowInfo", 1);
  EXPECT_EQ(w.text("SText1"), line.substr(0, line.size() - 1) + ", 0;");
  w.b().type("TxtSnow(10)", "1.2");  // an edit drops the flag; the box stays ticked
  EXPECT_EQ(vb::Right(w.text("SText1"), 10), "1.0, 35.6;");
  EXPECT_TRUE(w.b().ticked("chkWriteSnowInfo"));
  w.b().setValue("chkWriteSnowInfo", 0);
  w.b().setValue("chkWriteSnowInfo", 1);
  EXPECT_EQ(vb::Right(w.text("SText1"), 13), "1.0, 35.6, 0;");
  w.b().setValue("chkWriteSnowInfo", 0);
  EXPECT_EQ(vb::Right(w.text("SText1"), 10), "1.0, 35.6;");
  // A lower-case station word is not taken.
  w.s.frmWizard.LoadedStationID = "snowmelt-day";
  w.b().type("TxtSnow(3)", "Elm");
  EXPECT_EQ(vb::Left(w.text("SText1"), 15), "SNOWMELT-hour; ");

  w.ui.answers = {MsgResult::Yes, MsgResult::OK, MsgResult::Yes, MsgResult::OK,
                  MsgResult::No,  MsgResult::Yes, MsgResult::OK};
  cmdSnowRsite_Click(w.s);
  EXPECT_EQ(rsiteRecord(w.hdb, "-10012"),
            (std::vector<std::string>{"12", "-10012", "Elm", "10", "rain/melt", "inches", "inches", inputs,
                                      "SNOWMELT", "0", "UT", "0"}));
  EXPECT_EQ(rsiteRecord(w.hdb, "-23012").at(4), "snow water content");
  EXPECT_TRUE(rsiteRecord(w.hdb, "-25012").empty());  // declined alone
  EXPECT_EQ(rsiteRecord(w.hdb, "-31012").at(6), "fraction");
}

TEST(RadarPage, SiteListFileNamesWindsAloftAndTheRow) {
  testing::WizardSession w({"NEXRAD-ESX; -10012; rainfall; Elm Creek; 0; 0.000; P1"});
  // The radar site fixture, with a line whose latitude is no number and one of three fields.
  std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "radar" / "RadarSitesMosaics.txt",
                             w.folder / "RadarSitesMosaics.txt", std::filesystem::copy_options::overwrite_existing);
  auto runner = std::make_shared<RecordingProcessRunner>();
  w.s.processes = runner;
  w.s.NowcastInfoFolder = "/data/now cast/";
  w.open(1);
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_NE(w.ui.boxes[0].text.find("RadarSitesMosaics.txt line 5"), std::string::npos) << w.ui.boxes[0].text;
  EXPECT_EQ(w.b()["ComboSites(0)"].List,
            (std::vector<std::string>{"NV  ESX  Las Vegas", "AZ  IWA  Phoenix", "US  USZZ  Continental US"}));
  // The radar run's own table is not touched: it reads the file when a radar line needs it.
  EXPECT_TRUE(w.s.RadarSites.empty());
  EXPECT_EQ(w.b()["ComboSites(1)"].List.size(), 16u);
  EXPECT_EQ(w.b()["ComboSites(1)"].List[6], "Old gov sites");

  EXPECT_EQ(w.text("txtrsiteRadar"),
            "012; -10012; Elm Creek; 10; rainfall; inches; inches; N0B-Ridge2; NEXRAD-ESX; 0; NV; 0");
  EXPECT_EQ(w.text("txtBoundaryfile"), "NexradBoundaryESX-10012B.txt");
  EXPECT_EQ(w.text("txtPointfile"), "NexradPointESX-10012B.txt");
  w.b().setListIndex("ComboSites(1)", 1);  // N0Q
  EXPECT_EQ(w.text("txtBoundaryfile"), "NexradBoundaryESX-10012Q.txt");
  EXPECT_EQ(w.text("txtPointfile"), "NexradPointESX-10012Q.txt");
  w.b().setListIndex("ComboSites(3)", 3);  // Canada: the source list shows Ridge2 again at once
  EXPECT_EQ(w.text("ComboSites(3)"), "Iowa Ridge2 24hr");
  w.b().setListIndex("ComboSites(1)", 5);  // N0Z
  EXPECT_EQ(w.text("ComboSites(3)"), "Iowa Ridge1 24hr");
  EXPECT_EQ(w.text("txtBoundaryfile"), "NexradBoundaryESX-10012.txt");
  EXPECT_NE(w.text("txtrsiteRadar").find("; N0Z; NEXRAD-ESX;"), std::string::npos);
  EXPECT_EQ(radarFileNames("ESX", "-10012", "N0U-Ridge2", "Iowa Ridge2 24hr").point, "NexradPointESX-10012Q.txt");
  EXPECT_EQ(radarFileNames("ESX", "-10012", "N0R-Ridge2", "Iowa Ridge2 24hr").point, "NexradPointESX-10012R.txt");

  // Winds aloft: the file of the site and product, one argument however many blanks it holds.
  w.b().setListIndex("ComboSites(1)", 1);
  cmdWindsAloftEdit_Click(w.s);
  ASSERT_EQ(runner->started.size(), 1u);
  EXPECT_EQ(runner->started[0], textEditorCommand("/data/now cast/WindsAloft_ESX_N0Q.txt"));

  // A mosaic forces its image size; the adjust factor writes the formula.
  w.b().setListIndex("ComboSites(0)", 2);
  EXPECT_EQ(w.text("ComboSites(1)"), "N0Q 840x800");
  EXPECT_EQ(w.text("txtsetupRadar"), "NEXRAD-USZZ; -10012; rainfall; Elm Creek; 0; 0.000; P1");
  EXPECT_NE(w.text("txtrsiteRadar").find("; N0Q-Ridge2; NEXRAD-USZZ; 0; US; 0"), std::string::npos);
  for (const auto& [factor, formula] : std::vector<std::pair<const char*, const char*>>{
           {"1", "P1"}, {"1.00", "P1"}, {"1.1", "1.1*P1"}, {"", "*P1"}}) {
    w.b().type("txtRadar(4)", factor);
    EXPECT_EQ(vb::Split(w.text("txtsetupRadar"), "; ").back(), formula);
  }
  w.b().type("txtRadar(0)", "7");
  EXPECT_EQ(w.text("txtRadar(1)"), "-10007");

  w.ui.boxes.clear();
  w.ui.answers = {MsgResult::Yes, MsgResult::OK};
  w.b().click("cmdRadarRtable");
  EXPECT_EQ(rsiteRecord(w.hdb, "-10007").at(7), "N0Q-Ridge2");
  EXPECT_EQ(rsiteRecord(w.hdb, "-10007").at(8), "NEXRAD-USZZ");
}

TEST(RadarPage, AMissingSiteFileIsSaidAndThePageStillBuildsItsLine) {
  testing::WizardSession w({"NEXRAD-ESX; -10012; rainfall; Elm Creek; 0; 0.000; P1"});
  std::filesystem::remove(w.folder / "RadarSitesMosaics.txt");
  w.open(1);
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_EQ(w.ui.boxes[0].text, (w.folder / "RadarSitesMosaics.txt").string() + " not found.");
  EXPECT_TRUE(w.b()["ComboSites(0)"].List.empty());
  EXPECT_EQ(w.text("txtsetupRadar"), "; -10012; rainfall; Elm Creek; 0; 0.000; P1");
}

TEST(SolarLongwavePages, DefaultsComputeInputsAndRows) {
  testing::WizardSession w({"KNVL; 29012; Solar; Elm Creek, NV; 0; 37.384, -118.422, -120, 4183; P3",
                            "KNVL; -29012; Long Radiation; Elm Creek, NV"});
  w.open(1);
  EXPECT_EQ(w.text("txtrsiteSolar"),
            "012; 29012; Elm Creek, NV; 29; solar radiation; langleys/day; langleys per day; "
            "TemperatureF,Humidity,cloud-amount,Solar; KNVL; 0; NV; 0");
  w.b().type("txtSolar(0)", "5");
  EXPECT_EQ(w.text("txtSolar(1)"), " 29005");
  w.b().type("txtSolar(10)", "COMPUTE-hour");
  EXPECT_EQ(w.text("txtrsiteSolar"),
            "5;  29005; Elm Creek, NV; 29; solar radiation; langleys/day; langleys per day; "
            "17005,18005,26005,Solar; COMPUTE; 0; NV; 0");
  w.ui.answers = {MsgResult::Yes, MsgResult::OK};
  w.b().click("cmdSolarRsite");
  EXPECT_EQ(rsiteRecord(w.hdb, "29005").at(7), "17005,18005,26005,Solar");

  w.open(2);
  EXPECT_EQ(w.text("txtrsiteLong"),
            "012; -29012; Elm Creek, NV; 29; long radiation; langleys/day; langleys per day; "
            "TemperatureF,Humidity,WindSpeedMPH,cloud-amount,Solar long; KNVL; 0; NV; 0");
  w.b().type("txtLong(6)", "KNVLAS");
  EXPECT_EQ(w.text("txtLong(5)"), "Wind SpeedMPH");
  w.b().type("txtLong(0)", "12");
  w.b().type("txtLong(6)", "COMPUTE");
  EXPECT_EQ(w.text("txtLong(5)"), "28012");
  EXPECT_NE(w.text("txtrsiteLong").find("; 17012,18012,28012,26012,Solar long; COMPUTE; 0; NV; 0"),
            std::string::npos);
  EXPECT_EQ(w.text("txtsetupLong"), "COMPUTE; -29012; Long Radiation; Elm Creek, NV");
  w.ui.answers = {MsgResult::Yes, MsgResult::OK};
  w.b().click("cmdLongRsite");
  EXPECT_EQ(rsiteRecord(w.hdb, "-29012").at(4), "long radiation");
}

TEST(RadarAdjustPage, SitesRatiosTheTwoLinesAndTheirRows) {
  testing::WizardSession w({"COMPUTE-Hour; 31012; Ratio; Elm Creek, NV; 0; 0.01, 1, 3; P1/P2"});
  w.open(1);
  w.b().type("txtratio(0)", "7521");
  EXPECT_EQ(w.text("txtratio(0)"), "752");
  EXPECT_EQ(w.text("txtratio(1)"), "31752");
  EXPECT_EQ(w.text("txtratio(7)"), "752");
  EXPECT_EQ(w.text("txtratio(8)"), "-10752");
  EXPECT_EQ(adjustedRainDsid(w.s.frmWizard), "11752");
  w.b().type("txtratio(3)", "5");
  EXPECT_EQ(w.text("txtratio(4)"), "10005");
  EXPECT_EQ(w.text("txtratio(5)"), "5");
  EXPECT_EQ(w.text("txtratio(6)"), "-10005");
  w.b().type("txtratio(10)", "0.5");
  EXPECT_EQ(w.text("txtratio(11)"), "0.25");
  w.b().type("txtratio(13)", "1.5");
  EXPECT_EQ(w.text("txtsetupRatio(0)"), "COMPUTE-Hour; 31752; Ratio; Elm Creek, NV; 0; 0.01, 0.5, 3; P1/P2");
  EXPECT_EQ(w.text("txtsetupRatio(1)"), "COMPUTE-Unit; 11752; Rainfall; Elm Creek, NV; 0; -1, 0.5, 0.25, 1.5; P1*P2");
  EXPECT_EQ(w.text("txtsetupRatio(2)"),
            "5; 31752; Elm Creek, NV; 31; ratio; gage/radar; gage/radar ratio; 10005,-10005; COMPUTE; 7; NV; 0");
  EXPECT_EQ(w.text("txtsetupRatio(3)"),
            "752; 11752; Elm Creek, NV; 11; rainfall; inches; adjusted rainfall; 31752,-10752; COMPUTE; 7; NV; 0");
  w.b().type("txtratio(7)", "12");
  EXPECT_EQ(adjustedRainDsid(w.s.frmWizard), "11012");
  w.b().type("txtratio(7)", "752");

  w.ui.answers = {MsgResult::Yes, MsgResult::OK, MsgResult::Yes, MsgResult::OK};
  cmdRatioRsiteThis_Click(w.s);
  EXPECT_EQ(rsiteRecord(w.hdb, "31752"),
            (std::vector<std::string>{"5", "31752", "Elm Creek, NV", "31", "ratio", "gage/radar",
                                      "gage/radar ratio", "10005,-10005", "COMPUTE", "7", "NV", "0"}));
  EXPECT_EQ(rsiteRecord(w.hdb, "11752").at(7), "31752,-10752");
}

}  // namespace
}  // namespace fw
