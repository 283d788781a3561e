// The station kinds the run prepares itself: how often each line is walked, which routine is
// called with what, and how forecast lines share or skip a download.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "run/run_fixture.h"

namespace fw {
namespace {

using testing::SiteRow;

class ComputedKinds : public testing::RunFixture {
 protected:
  int calls(const std::string& method) const {
    return static_cast<int>(
        std::count_if(sources->calls.begin(), sources->calls.end(),
                      [&](const std::string& c) { return c.rfind(method + " ", 0) == 0; }));
  }
  // Value lines from 00:05 of the run day, every 5 minutes, with the given fields after the date.
  static std::string text(const std::string& head, int rows, const std::string& fields) {
    std::string t = head + "\n";
    for (int k = 1; k <= rows; ++k)
      t += "Z\t" +
           vb::Format(vb::roundToSecond(vb::DateSerial(2024, 6, 5) + k * 5 / 1440.0), "yyyy-mm-dd hh:mm") +
           "\t" + fields + "\n";
    return t;
  }
};

TEST_F(ComputedKinds, ASnowmeltLineIsWalkedFourTimesAroundOneComputation) {
  setUp({"START DATE=06/05/2024 13:15", "Write Unit Values= True", "Write Hourly Avg= True"},
        {"SNOWMELT-hour; -10012,-23012; Melt, SWC; Snow Hill; 0; 0,1,1,1,1,1,1,35.6; "},
        {{"-10012", 10, "in", "17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012"},
         {"-23012", 23, "in", "computed"},
         {"-25012", 11, "days", "computed"},
         {"-31012", 31, "%", "computed"}});
  sources->replies["SNOWMELT-HOUR"] = {text("Compute Snowmelt from HDB\nx\n\r", 24, "0.01\t10\t2\t0.8"), "",
                                       1, 2};
  s.BatchMode = true;
  runstations(s);
  EXPECT_EQ(calls("Snowcalc"), 1);
  ASSERT_EQ(sources->received.size(), 1u);
  EXPECT_EQ(sources->received[0].DsidList, "-10012,-23012");
  EXPECT_EQ(sources->received[0].Triples[1].shift, "0,1,1,1,1,1,1,35.6");
  EXPECT_EQ(sources->received[0].ParameterCode, "17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012");
  // The melt is summed by the hour; the states are hourly values.
  EXPECT_GT(testing::countRows(hdb, "select * from rhour where datatype_site_id=-10012 and value > 0.1"), 0);
  for (auto [dsid, value] : {std::pair{"-23012", 10.0}, {"-25012", 2.0}, {"-31012", 0.8}}) {
    EXPECT_GT(testing::countRows(hdb, std::string("select * from rhour where datatype_site_id=") + dsid +
                                          " and abs(value - " + std::to_string(value) + ") < 1e-6"),
              0)
        << dsid;
  }

  // A failing computation ends the line with its text after one walk.
  sources->calls.clear();
  sources->replies["SNOWMELT-HOUR"] = {"", "Snowcalc:   RHOUR has no history for 17033 beginning Jun-05-2024",
                                       1, 2};
  runstations(s);
  EXPECT_EQ(calls("Snowcalc"), 1);
  EXPECT_TRUE(
      logHas("SNOWMELT-HOUR -10012 Snowcalc:   RHOUR has no history for 17033 beginning Jun-05-2024"));
}

TEST_F(ComputedKinds, APassWhoseSeriesIsMissingEndsTheLinesPasses) {
  // No rsite row for the snow age: the third pass fails once, the albedo pass never comes, and the
  // next line runs as a line of its own.
  setUp({"START DATE=06/05/2024 13:15", "Write Hourly Avg= True"},
        {"SNOWMELT-hour; -10012,-23012; Melt, SWC; Snow Hill; 0; 0,1,1,1,1,1,1,35.6; ",
         "09380000; 1101; Flow; C; 0; 0; "},
        {{"-10012", 10, "in", "17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012"},
         {"-23012", 23, "in", "computed"},
         {"-31012", 31, "%", "computed"},
         {"1101"}});
  sources->replies["SNOWMELT-HOUR"] = {text("Compute Snowmelt from HDB\nx\n\r", 24, "0.01\t10\t2\t0.8"), "",
                                       1, 2};
  sources->replies["09380000"] = {text("gauge", 24, "100"), "", 1, 2};
  s.BatchMode = true;
  runstations(s);
  EXPECT_EQ(calls("Snowcalc"), 1);
  EXPECT_EQ(calls("GetUSGS"), 1);
  int missing = 0;
  for (const std::string& l : log()) missing += l.find("-25012") != std::string::npos ? 1 : 0;
  EXPECT_EQ(missing, 1);
  EXPECT_EQ(testing::countRows(hdb, "select * from rhour where datatype_site_id=-31012"), 0);
  EXPECT_GT(testing::countRows(hdb, "select * from rhour where datatype_site_id=1101"), 0);
  EXPECT_TRUE(logHas("F I N I S H E D  0:00"));
}

TEST_F(ComputedKinds, PointForecastsShareADownloadAndWaitForTheNextCycle) {
  setUp({"START DATE=06/05/2024 13:15", "Future Days=1"},
        {"FORECAST-NWS; 2502; Temp; Point; 0; 38.58, -121.49; ",
         "FORECAST-NWS; 2503; Rain; Point; 0; 38.58,-121.49,0; ",
         "FORECAST-NWS; 2504; Temp; Other; 0; 39.1,-120; "},
        {{"2502", 17, "F", "temp"}, {"2503", 10, "in", "qpf"}, {"2504", 17, "F", "temp"}});
  sources->otherwise = {text("NWSForecasts", 12, "45\t0.01"), "", 1, 2};
  s.BatchMode = true;
  runstations(s);
  ASSERT_EQ(calls("GetNWSForecast"), 3);
  EXPECT_EQ(sources->received[0].ShiftAside, "38.58, -121.49");
  EXPECT_TRUE(sources->received[0].RetrievalText.empty());
  EXPECT_FALSE(sources->received[1].RetrievalText.empty());  // the same place keeps the text
  EXPECT_TRUE(sources->received[2].RetrievalText.empty());   // another place does not
  EXPECT_EQ(sources->received[0].Triples[1].base, "-100");

  // Within the forecast's cycle nothing is fetched, unless "Overwrite Forecast" is ticked.
  sources->calls.clear();
  sources->received.clear();
  s.ForecastHoldUntil = vb::DateAdd("n", 20, s.RunDateTime);
  s.form.Text1.Text.clear();
  runstations(s);
  EXPECT_EQ(calls("GetNWSForecast"), 0);
  EXPECT_NE(s.form.Text1.Text.find("No new forecast\r\n"), std::string::npos);
  s.ForecastHoldUntil = vb::DateAdd("n", 20, s.RunDateTime);
  s.form.chkForecastOverwrite.Value = 1;
  runstations(s);
  EXPECT_EQ(calls("GetNWSForecast"), 3);
}

TEST_F(ComputedKinds, RiverAndSnowModelLines) {
  setUp({"START DATE=06/05/2024 13:15", "Future Days=1", "Write Unit Values= True", "Write Hourly Avg= True"},
        {"FORECAST-NWS,SACC1; 2501; Flow; River; 0; 0; ",
         "SNOWCAST,CAB34; -10045,-23045; Melt, SWE; Lake; 0; 0; ",
         "SNOWCAST,CAB35; -10046,-23046; Melt, SWE; Lake; 0; 0; x*1"},
        {{"2501", 1, "cfs", "flow"},
         {"-10045", 10, "in", "melt"},
         {"-23045", 23, "in", "swe"},
         {"-10046", 10, "in", "melt"},
         {"-23046", 23, "in", "swe"}});
  sources->replies["FORECAST-NWS,SACC1"] = {text("NWS forecast datatype 1", 12, "2000\t"), "", 1, 0};
  sources->replies["SNOWCAST,CAB34"] = {text("SNOWCAST CAB34\nx", 12, "0.1\t20"), "", 1, 0};
  sources->replies["SNOWCAST,CAB35"] = {"", "Skip", 1, 0};
  s.BatchMode = true;
  runstations(s);
  EXPECT_EQ(calls("GetNWPSForecast"), 1);
  // Without a formula the snow-model line is walked twice around one call; "Skip" ends quietly.
  EXPECT_EQ(calls("Snowcast"), 2);
  EXPECT_EQ(sources->received[1].DsidList, "-10045,-23045");
  EXPECT_GT(testing::countRows(hdb, "select * from runit where datatype_site_id=2501 and value=2000"), 0);
  EXPECT_GT(testing::countRows(hdb, "select * from rhour where datatype_site_id=-23045"), 0);
  for (const std::string& l : log()) EXPECT_EQ(l.find("Skip"), std::string::npos) << l;
}

}  // namespace
}  // namespace fw
