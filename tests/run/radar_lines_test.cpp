#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "run/radar_lines.h"
#include "run/run_services.h"
#include "support/test_session.h"

namespace fw {
namespace {

TEST(RadarLines, ProductAndImageKind) {
  struct Case {
    int16_t type;
    const char* id;
    const char* parameter;
    const char* options;
    const char* product;
    int16_t mode;
    const char* label;
  };
  const Case cases[] = {
      {9, "NEXRAD-ESX", "N0Q-RIDGE", "", "N0Q", 2, "NEXRAD"},
      {9, "NEXRAD-ESX", "N0R-RIDGE", "", "N0R", 0, "NEXRAD"},
      {9, "NEXRAD-ESX", "N0R", "", "N0R", 0, "NEXRAD"},
      {23, "A2M-ESX", "A2M-RIDGE", "", "A2M", 1, "MRMS-A2M"},
      {24, "HRR-ESX", "N0Q", "6", "HRR", 2, "MRMS-HRRR"},  // an HRR id always runs as HRR-Ridge
      {9, "NEXRAD-WKR", "C0S", "", "C0S", 0, "NEXRAD"},
  };
  for (const Case& c : cases) {
    const RadarLineSetup r = radarLineSetup(c.type, c.id, c.parameter, c.options);
    EXPECT_EQ(r.product, c.product) << c.id << " " << c.parameter;
    EXPECT_EQ(r.imageMode, c.mode) << c.id << " " << c.parameter;
    EXPECT_EQ(r.label, c.label) << c.id;
  }
  EXPECT_EQ(radarLineSetup(24, "HRR-ESX", "N0Q", "6").hrrrHours, 6);
  EXPECT_TRUE(radarLineSetup(9, "NEXRAD-WKR", "C0S", "").canada);
  EXPECT_EQ(radarLineSetup(9, "NEXRAD-WKR", "C0S", "").canadaColumn, 1);
  EXPECT_EQ(radarLineSetup(9, "NEXRAD-WKR", "C0S", "").batchValue, 0);
  EXPECT_EQ(radarLineSetup(9, "NEXRAD-ESX", "N0Q", "").batchValue, 5.0f);
}

TEST(RadarLines, LegendFromTheOptions) {
  testing::TestSession t;
  Session& s = t.s;
  s.Level3Legend = builtinLevel3Legend();
  applyRadarLegend(s, "0,20,30", false, 0);
  EXPECT_EQ(s.Level3Legend.RateInUse[1], 20);
  EXPECT_EQ(s.Level3Legend.RateInUse[2], 30);
  EXPECT_EQ(s.Level3Legend.RateInUse[3], 0);  // left as it was
  applyRadarLegend(s, "NOWCAST,T2,E1", false, 0);
  EXPECT_EQ(s.Level3Legend.RateInUse[1], s.Level3Legend.Rate[1]);
  EXPECT_EQ(s.Level3Legend.RateInUse[13], s.Level3Legend.Rate[13]);
}

TEST(RadarLines, HistoryWindowInPieces) {
  const vb::VbDate begin = vb::DateSerial(2024, 6, 1);
  auto pieces = radarHistoryPieces(begin, begin + 1);
  ASSERT_EQ(pieces.size(), 1u);
  pieces = radarHistoryPieces(begin, begin + 25 / 24.0);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_NEAR(pieces[0].end, begin + 1 + 10 / 1440.0, 1e-6);
  EXPECT_EQ(pieces[1].begin, begin + 1);
  EXPECT_EQ(pieces[1].end, begin + 25 / 24.0);
}

// The radar batch as the run calls it: each call recorded.
class RecordingRadar : public RadarRain {
 public:
  void radarrainupdate(Session&, RadarCall& c) override { calls.push_back(c); }
  bool restartImages(Session&) override { return true; }
  std::vector<RadarCall> calls;
};

class RadarLineRun : public ::testing::Test {
 protected:
  void SetUp() override {
    radar = std::make_shared<RecordingRadar>();
    s.services.radar = radar;
    s.StationTable.redim(kStationTableColumns, 6);
    // Columns 1 Station_ID, 2 DSID, 3 Datatype_Name, 4 Site_Name, 5 base1, 6 shift1, 7 formula1.
    const char* lines[][8] = {{"", "NEXRAD-ESX", "-10012", "Radar rain", "Wash A", "", "", ""},
                              {"", "NEXRAD-ESX", "-10014", "Radar rain", "Wash B", "", "", "P1*2.0"},
                              {"", "*NEXRAD-ESX", "-10016", "Radar rain", "comment", "", "", ""},
                              {"", "NEXRAD-ESX", "-10018", "Radar rain", "Wash C", "", "0.05", ""},
                              {"", "USGS-09419700", "1001", "Flow", "Las Vegas Wash", "", "", ""}};
    for (int i = 0; i < 5; ++i)
      for (int k = 1; k <= 7; ++k) s.StationTable(k, i + 1) = lines[i][k];
    s.StationCount = 5;
    s.StationRange.first = 1;
    s.StationRange.last = 5;
    line.StationIndex = 1;
    line.StationId = "NEXRAD-ESX";
    line.Dsid = "-10012";
    line.Site_Name = "Wash A";
    line.ParameterCode = "N0Q-RIDGE";
    line.DatatypeCode = 10;
    line.ValueClass = 10;
    ctx.SourceType = 9;
  }
  testing::TestSession t;
  Session& s = t.s;
  std::shared_ptr<RecordingRadar> radar;
  RunContext ctx;
  LineState line;
};

TEST_F(RadarLineRun, FollowingLinesOfTheSameRadarRunAreGathered) {
  EXPECT_EQ(radarLine(s, ctx, line, ""), Move::endStation());
  ASSERT_EQ(radar->calls.size(), 1u);
  const RadarCall& c = radar->calls[0];
  EXPECT_EQ(c.Product, "N0Q");
  ASSERT_EQ(c.Rows.size(), 3u);
  EXPECT_EQ(c.Rows[1].Dsid, "-10014");
  EXPECT_EQ(c.Rows[1].Adjustment, "P1*2.0");
  EXPECT_EQ(c.Rows[2].Dsid, "-10018");  // the comment line is stepped over
  EXPECT_EQ(c.Rows[2].Inversion, "0.05");
  EXPECT_EQ(line.GatheredLines, 3);  // the walk goes on at the USGS line
  EXPECT_EQ(s.RadarImageMode, 2);
  EXPECT_EQ(s.CurrentRadarSite, "ESX");
  EXPECT_EQ(s.CurrentRadarProduct, "N0Q");
}

TEST_F(RadarLineRun, AHistoryRunCallsTheBatchOncePerDay) {
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-06-01 00:00";
  s.form.TextEnddate.Text = "2024-06-03 00:00";
  radarLine(s, ctx, line, "");
  ASSERT_EQ(radar->calls.size(), 2u);
  EXPECT_EQ(radar->calls[0].WindowBegin, vb::DateSerial(2024, 6, 1));
  EXPECT_NEAR(radar->calls[0].WindowEnd, vb::DateSerial(2024, 6, 2) + 10 / 1440.0, 1e-6);
  EXPECT_EQ(radar->calls[1].WindowBegin, vb::DateSerial(2024, 6, 2));
  EXPECT_EQ(radar->calls[1].WindowEnd, vb::DateSerial(2024, 6, 3));
  // The boxes keep the whole window.
  EXPECT_EQ(s.form.TextBegindate.Text, "2024-06-01 00:00");
  EXPECT_EQ(s.form.TextEnddate.Text, "2024-06-03 00:00");
}

TEST_F(RadarLineRun, AFailedBatchFailsTheStationAndNoConnectionSkipsTheNextSite) {
  class Failing : public RecordingRadar {
   public:
    void radarrainupdate(Session& s, RadarCall& c) override {
      RecordingRadar::radarrainupdate(s, c);
      c.ConnectionStatus = -8;
      c.Error = "ESX N0Q -10012 ... no connection";
    }
  };
  auto failing = std::make_shared<Failing>();
  s.services.radar = failing;
  radarLine(s, ctx, line, "");
  EXPECT_EQ(line.StationError, "ESX N0Q -10012 ... no connection");
  EXPECT_FALSE(line.CloseDirectly);
  LineState next;
  next.StationIndex = 5;
  next.StationId = "NEXRAD-FSX";
  next.Dsid = "-10030";
  next.ParameterCode = "N0Q-RIDGE";
  next.DatatypeCode = 10;
  radarLine(s, ctx, next, "");
  EXPECT_EQ(failing->calls.size(), 1u);  // another site is not asked again
  EXPECT_FALSE(next.StationError.empty());
}

}  // namespace
}  // namespace fw
