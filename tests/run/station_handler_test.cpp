#include "run/station_handler.h"

#include <gtest/gtest.h>

#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "run/run_fixture.h"
#include "run/series_slots.h"
#include "run/service_fakes.h"
#include "support/test_session.h"

namespace fw {
namespace {

class BadValueCheckTest : public ::testing::Test {
 protected:
  BadValueCheckArgs punch(double value = 512) {
    BadValueCheckArgs a;
    a.Message = std::string(kBadPunchText) + "\r\n";
    a.SiteName = "Colorado R";
    a.Dsid = "1101";
    a.StationId = "09380000";
    a.Value = value;
    a.UnitText = "cfs";
    a.ValueDate = vb::DateSerial(2024, 6, 5) + vb::TimeSerial(13, 15, 0);
    a.CheckOn = true;
    a.LastGoodValue = 40.5;
    a.DayIndex = 2;
    a.DayLimit = 3;
    a.MissingCount = 1;
    return a;
  }
  std::string log() const { return testing::readFile(t.folder / "Flumewright_errlog.txt"); }

  testing::TestSession t;
  Session& s = t.s;
  const std::string header = "Colorado R\r\n1101--09380000--";
};

TEST_F(BadValueCheckTest, InBatchAPossibleBadValueIsUsedAsIsAndLogged) {
  s.BatchMode = true;
  BadValueCheckArgs a = punch();
  EXPECT_TRUE(badvaluecheck(s, a));
  EXPECT_TRUE(t.ui.boxes.empty());
  EXPECT_EQ(a.Value, 512);
  const std::string expected = header + "Possible Bad Value 512 cfs at 6/5/2024 1:15:00 PM used as is.";
  EXPECT_EQ(a.Message, expected);
  EXPECT_EQ(s.LastError, expected);
  EXPECT_EQ(log(), expected + "\r\n");
  EXPECT_EQ(s.form.Text1.Text, "");  // nothing in the log pane
}

TEST_F(BadValueCheckTest, TheAnswersYesNoAndCancel) {
  s.DaySeries.assign(4, SeriesPoint{});
  s.DayMaxSeries.assign(4, SeriesPoint{});
  s.DayMinSeries.assign(4, SeriesPoint{});

  t.ui.answers = {MsgResult::Yes};
  BadValueCheckArgs yes = punch();
  badvaluecheck(s, yes);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].title, "Colorado R unit values");
  EXPECT_EQ(t.ui.boxes[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(t.ui.boxes[0].text,
            " Value=  512 cfs\rlast good value=  40.5\r\rPossible bad punch, use it anyway???\r\n\r\n"
            "(No=last good value will be used)\r\n(Cancel=Don't ask again, just use them)");
  EXPECT_EQ(yes.Value, 512);
  EXPECT_TRUE(yes.CheckOn);
  EXPECT_EQ(yes.MissingCount, 1);

  t.ui.answers = {MsgResult::No};
  BadValueCheckArgs no = punch();
  badvaluecheck(s, no);
  EXPECT_EQ(no.Value, 40.5);
  EXPECT_EQ(no.MissingCount, 2);
  EXPECT_EQ(no.Message, header + "Value 512 cfs replaced by 40.5 at 6/5/2024 1:15:00 PM");
  EXPECT_EQ(s.LastError, no.Message);
  EXPECT_EQ(s.DaySeries[2].source, 5);
  EXPECT_EQ(s.DayMaxSeries[2].source, 5);
  EXPECT_EQ(s.DayMinSeries[2].source, 5);
  EXPECT_EQ(s.DaySeries[1].source, 0);

  t.ui.answers = {MsgResult::Cancel};
  BadValueCheckArgs cancel = punch();
  badvaluecheck(s, cancel);
  EXPECT_FALSE(cancel.CheckOn);
  EXPECT_EQ(cancel.Value, 512);
  badvaluecheck(s, cancel);  // no further question for the station
  EXPECT_EQ(t.ui.boxes.size(), 3u);
}

TEST_F(BadValueCheckTest, AnswerNoPastTheDayLimitLeavesTheDayEntries) {
  s.DaySeries.assign(4, SeriesPoint{});
  t.ui.answers = {MsgResult::No};
  BadValueCheckArgs a = punch();
  a.DayIndex = 9;  // beyond both the limit and the arrays
  a.DayLimit = 3;
  badvaluecheck(s, a);
  EXPECT_EQ(a.Value, 40.5);
  for (const SeriesPoint& p : s.DaySeries) EXPECT_EQ(p.source, 0);
}

TEST_F(BadValueCheckTest, AnyOtherErrorIsNoDataAndEndsTheWhatIfRun) {
  auto radar = std::make_shared<FakeRadarWindow>();
  s.services.radarWindow = radar;
  BadValueCheckArgs a = punch();
  a.Message = "Type mismatch\r\n";
  a.ValueClass = 30;
  a.Coefficient = 3;
  a.WriteMTables = -1;
  a.MonteType = 3;
  a.Stochastic = -1;
  EXPECT_TRUE(badvaluecheck(s, a));
  const std::string noData = " **NoData, server down.**\r\nor bad runoff coefficents.";
  EXPECT_EQ(s.form.Text1.Text, noData + "\r\n" + "Type mismatch\r\n" + noData + "\r\n");
  EXPECT_EQ(s.LastError, header + "Type mismatch\r\n" + noData);
  EXPECT_EQ(a.Message, "");
  EXPECT_EQ(a.Coefficient, 0);
  EXPECT_EQ(a.WriteMTables, 0);
  EXPECT_EQ(a.MonteType, 0);
  EXPECT_EQ(a.Stochastic, 0);
  EXPECT_EQ(radar->hides, 1);
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(BadValueCheckTest, ALockedWorkbookIsNamedInteractively) {
  BadValueCheckArgs a = punch();
  a.Message = "Permission denied\r\n";
  badvaluecheck(s, a);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Permission denied\r\nTry closing your Excel workbood open to this output");
  EXPECT_EQ(s.LastError, header + "Permission denied\r\n **NoData, server down.**");
}

TEST_F(BadValueCheckTest, ARuntimeErrorIsCountedAndTheValueComesBack) {
  RunContext ctx;
  ctx.BadValueCheckOn = true;
  LineState line;
  line.Site_Name = "Colorado R";
  line.Dsid = "1101";
  line.StationId = "09380000";
  line.UnitText = "cfs";
  line.ValueLoop.CurrentValue = 512;
  line.ValueLoop.LastGoodValue = 40.5;
  s.WhatIf.Coefficient = 2;
  t.ui.answers = {MsgResult::No};
  stationRuntimeError(s, ctx, line, kBadPunchText);
  EXPECT_EQ(line.StationErrorCount, 1);
  EXPECT_EQ(line.ValueLoop.CurrentValue, 40.5);
  EXPECT_EQ(line.ValueLoop.MissingCount, 1);
  EXPECT_EQ(s.WhatIf.Coefficient, 2);  // a possible bad value keeps the what-if run

  stationRuntimeError(s, ctx, line, "Overflow");
  EXPECT_EQ(line.StationErrorCount, 2);
  EXPECT_EQ(s.WhatIf.Coefficient, 0);
}

class HandlerTest : public ::testing::Test {
 protected:
  LineState station(const std::string& error, int16_t siteNumber = 101) {
    LineState line;
    line.StationId = "09380000";
    line.Dsid = "1101";
    line.SiteNumber = siteNumber;
    line.StationError = error;
    line.UnitText = "cfs";
    return line;
  }
  std::string log() {
    s.errlog.close();
    return testing::readFile(t.folder / "Flumewright_errlog.txt");
  }
  testing::TestSession t;
  Session& s = t.s;
  RunContext ctx;
  void SetUp() override {
    s.BatchMode = true;
    ctx.settings.AllowedBadStations = 10;
    s.errlog.open();
  }
};

TEST_F(HandlerTest, AStationWithoutErrorOrValuesGetsOnlyTheBlankLine) {
  LineState line = station("");
  EXPECT_EQ(stationHandler(s, ctx, line), std::nullopt);
  EXPECT_EQ(s.form.Text1.Text, " \r\n");
  EXPECT_EQ(ctx.BadStationCount, 0);
}

TEST_F(HandlerTest, TheCountLineShowsTheLastValueOfAStationWithValues) {
  LineState line = station("");
  line.StationDayCount = 3;
  line.ValueClass = 1;
  line.ValueLoop.DayValueCount = 5;
  line.ValueLoop.MissingCount = 1;
  line.ValueLoop.CurrentValue = 12.345;
  line.ValueLoop.LastValueTime = vb::DateSerial(2024, 6, 5) + vb::TimeSerial(13, 0, 0);
  stationHandler(s, ctx, line);
  EXPECT_EQ(s.form.Text1.Text, "06/05/2024 12.3 cfs   Count  5  Missing  1\r\n \r\n");
  EXPECT_EQ(ctx.MaxUpdatedDays, 3);
}

TEST_F(HandlerTest, ErrorsWarningsLowCountsAndRepeatedSites) {
  LineState low = station("");
  low.LowCountDays = 2;
  stationHandler(s, ctx, low);
  EXPECT_EQ(s.LastError, "09380000 1101 ...Low count days 2");
  EXPECT_EQ(ctx.BadStationCount, 1);

  LineState lower = station("warning: gap", 102);
  stationHandler(s, ctx, lower);
  EXPECT_EQ(ctx.BadStationCount, 2);  // only "Warning" is a warning

  LineState warning = station("Warning gap", 103);
  stationHandler(s, ctx, warning);
  EXPECT_EQ(ctx.WarningCount, 1);

  ctx.PreviousSiteNumber = 104;
  LineState repeated = station("Data not available.", 104);
  stationHandler(s, ctx, repeated);
  EXPECT_EQ(ctx.BadStationCount, 2);  // reported, not counted again
  EXPECT_EQ(log(),
            "09380000 1101 ...Low count days 2\r\n09380000 1101 warning: gap\r\n09380000 1101 Warning gap\r\n"
            "09380000 1101 Data not available.\r\n");
  EXPECT_EQ(ctx.RunErrorText.substr(0, 2), "\r\n");
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(HandlerTest, InteractiveRunsShowEachStationError) {
  s.BatchMode = false;
  LineState line = station("Data not available.");
  stationHandler(s, ctx, line);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].title, "Error!");
  EXPECT_EQ(t.ui.boxes[0].text, "09380000 1101 Data not available.");
}

TEST_F(HandlerTest, TheEleventhBadStationOfTenAllowedCancelsTheRun) {
  for (int16_t i = 1; i <= 10; ++i) {
    LineState line = station("Data not available.", i);
    EXPECT_EQ(stationHandler(s, ctx, line), std::nullopt) << i;
  }
  LineState eleventh = station("Data not available.", 11);
  EXPECT_EQ(stationHandler(s, ctx, eleventh), Move::finish());
  EXPECT_EQ(s.LastError, "11 station errors... Run canceled.");
}

TEST_F(HandlerTest, ADirectCloseCountsItsTextWithoutReportingIt) {
  LineState line = station("09380000 1101 Your Start Date is later than your End Date, try again.");
  line.CloseDirectly = true;
  s.LastError = "before";
  stationHandler(s, ctx, line);
  EXPECT_EQ(ctx.BadStationCount, 1);
  EXPECT_EQ(s.LastError, "before");
  EXPECT_EQ(log(), "09380000 1101 Your Start Date is later than your End Date, try again.\r\n");
}

class HandlerRunTest : public testing::RunFixture {};

TEST_F(HandlerRunTest, AnErrorRaisedInTheSetUpTakesTheNoDataRoadAndCountsOnce) {
  // A datatype number too large for the station's 16-bit code overflows in the options.
  setUp({}, {"09380000; 1101; Flow; Colorado R; 0; 0; ", "09380001; 1102; Flow; Gila R; 0; 0; "},
        {{"1101", 99999}, {"1102"}});
  sources->replies["09380001"].Error = "Data not available.";
  s.WhatIf.Coefficient = 3;
  runstations(s);
  EXPECT_TRUE(logHas("Colorado R")) << testing::readFile(t.folder / "Flumewright_errlog.txt");
  EXPECT_TRUE(logHas("1101--09380000--Overflow"));
  EXPECT_TRUE(logHas(" **NoData, server down.**"));
  EXPECT_EQ(s.WhatIf.Coefficient, 0);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetUSGS 09380001"}));
  EXPECT_EQ(s.form.Caption, "Bad Stations 2  Warnings 0");
  ASSERT_EQ(t.ui.boxes.size(), 1u);  // only the second station's error is a box
  EXPECT_EQ(t.ui.boxes[0].text.find("09380001 1102 "), 0u);
}

TEST(NoValueColumnText, NamesWhatTheRetrievalLeft) {
  EXPECT_EQ(noValueColumnText(""), "Parameter Not Found");
  EXPECT_EQ(noValueColumnText("<HTML><BODY>404</BODY></HTML>"), "Site number or parameter not found.");
  EXPECT_EQ(noValueColumnText("# USGS\nZ\t06/05/2024"), "Data not available.");
}

TEST(SeriesSlots, AnIndexOutsideTheArrayIsSubscriptOutOfRange) {
  std::vector<SeriesPoint> series;
  sizeSeries(series, 3);
  ASSERT_EQ(series.size(), 4u);
  seriesAt(series, 3).value = 7;
  EXPECT_EQ(series[3].value, 7);
  for (int64_t bad : {int64_t{-1}, int64_t{4}}) {
    try {
      seriesAt(series, bad);
      ADD_FAILURE() << bad;
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.number(), 9);
    }
  }
  EXPECT_THROW(sizeSeries(series, int64_t{1} << 62), vb::Error);
  EXPECT_TRUE(series.empty());
}

}  // namespace
}  // namespace fw
