#include "run/station_options.h"

#include <gtest/gtest.h>

#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/line_kinds.h"
#include "run/links.h"
#include "run/run_fixture.h"
#include "store/store_state.h"

namespace fw {
namespace {

using testing::SiteRow;

class OptionsTest : public testing::RunFixture {
 protected:
  void sites(const std::vector<SiteRow>& rows) { setUp({}, {"*; 0; c; "}, rows); }
  LineState line(const std::string& fields, int16_t type, int32_t daysBack = 7) {
    LineState l = stationLine(fields);
    for (int32_t row = 1; row <= s.SiteCount; ++row)
      if (s.SiteList(1, row).toString() == l.Dsid) l.SiteRow = row;
    ctx.SourceType = type;
    ctx.DaysBack = daysBack;
    s.UnitValues = true;
    return l;
  }
  void SetUp() override {
    s.RunDateTime = testing::kTestNow;
    s.RunDay = runDay;
  }
  std::string logText() {
    s.errlog.close();
    return testing::readFile(t.folder / "Flumewright_errlog.txt");
  }

  RunContext ctx;
  const int32_t runDay = static_cast<int32_t>(vb::Int(testing::kTestNow));
};

TEST_F(OptionsTest, TriplesEndAtTheFirstEmptyFormulaAndTheirLettersAreFlagged) {
  sites({{"1101"}});
  LineState l = line("09380000; 1101; Flow; A; 0; 0; p1*2; 1; D; ; 2; 0; P1+N", 2);
  ASSERT_EQ(stationOptions(s, ctx, l), std::nullopt);
  EXPECT_EQ(l.FormulaCount, 1);
  EXPECT_EQ(l.Triples[1].formula, "P1*2");
  EXPECT_FALSE(l.FormulaUsesD);  // the shift "D" of the second triple is past the stop
  EXPECT_FALSE(l.FormulaUsesN);

  LineState n = line("09380000; 1101; Flow; A; 0; 0; p1+n*p2; 0; D; P1", 2);
  stationOptions(s, ctx, n);
  EXPECT_EQ(n.FormulaCount, 2);
  EXPECT_TRUE(n.FormulaUsesD);
  EXPECT_TRUE(n.FormulaUsesN);
  EXPECT_EQ(n.FormulaPCount, 2);

  LineState swmm = line("COMPUTE-GET-SWMM; 1101; Flow; A; 0; x.out; P1+N", 11);
  stationOptions(s, ctx, swmm);
  EXPECT_FALSE(swmm.FormulaUsesN);
}

TEST_F(OptionsTest, SiteValuesValueClassesAndTheComputeRules) {
  sites({{"1101"}, {"3102", 3}, {"11103", 11}, {"30104", 30}, {"27105", 27}});
  struct Case {
    const char* fields;
    int16_t type;
    int16_t valueClass;
    int16_t typeAfter;
  } cases[] = {
      {"09380000; 1101; Flow; A", 2, 1, 2},         {"09380000; 3102; Elev; A", 2, 9, 2},
      {"KSACRAMENTO; 11103; Rain; A", 1, 10, 1},    {"COMPUTE-RUNOFF; 30104; Runoff; A", 11, 30, 9},
      {"COMPUTE-PUT; 30104; Runoff; A", 11, 1, 11}, {"COMPUTE-GET; 30104; Runoff; A", 11, 1, 11},
      {"KSACRAMENTO; 27105; ET; A; 0; 5,6; ", 1, 10, 1},
  };
  for (const Case& c : cases) {
    LineState l = line(c.fields, c.type);
    ASSERT_EQ(stationOptions(s, ctx, l), std::nullopt) << c.fields;
    EXPECT_EQ(l.ValueClass, c.valueClass) << c.fields;
    EXPECT_EQ(ctx.SourceType, c.typeAfter) << c.fields;
    EXPECT_EQ(l.UnitText, "cfs") << c.fields;
    EXPECT_EQ(l.ParameterCodes, (std::vector<std::string>{"00060"})) << c.fields;
    EXPECT_EQ(l.ParameterCount, 0) << c.fields;
    EXPECT_EQ(l.ValueColumns, (std::vector<int16_t>{2, 0})) << c.fields;
    EXPECT_EQ(l.ParameterNumbers, (std::vector<int16_t>{0, 1})) << c.fields;
  }
  LineState et = line("KSACRAMENTO; 27105; ET; A; 0; 5,6; P1", 1);
  stationOptions(s, ctx, et);
  EXPECT_EQ(et.ShiftAside, "5,6");
  EXPECT_EQ(et.Triples[1].shift, "0");
  EXPECT_EQ(et.PrecipKind, -1);

  LineState madis = line("MADIS-KSAC; 1101; Collect; A", 30);
  stationOptions(s, ctx, madis);
  EXPECT_EQ(madis.StationId, "KSAC");
  EXPECT_EQ(madis.Dsid, "0");
  EXPECT_EQ(madis.ValueCode, 1);
  EXPECT_EQ(madis.DatatypeCode, 0);
}

TEST_F(OptionsTest, TheRainGaugeRatioCheckWarnsAboveFiveHundredths) {
  sites({{"10301", 10}});
  s.errlog.open();
  struct Case {
    const char* name;
    const char* shift;
    bool warns;
  } cases[] = {{"Ratio", "0.06", true}, {"RATIO", ".05", false}, {"Ration", "0.5", false}};
  for (const Case& c : cases) {
    LineState l = line(std::string("KSAC; 10301; ") + c.name + "; A; 0; " + c.shift + "; P1", 3);
    const int16_t warnings = ctx.WarningCount;
    stationOptions(s, ctx, l);
    EXPECT_EQ(ctx.WarningCount - warnings, c.warns ? 1 : 0) << c.name;
    EXPECT_EQ(l.DatatypeCode, vb::InStr(vb::UCase(c.name), "RATION") ? 10 : 101) << c.name;
    EXPECT_EQ(l.StationError, "") << c.name;
  }
  const std::string warning = "Warning KSAC 10301 RainGage ratio check .06>0.05 inch";
  EXPECT_EQ(s.LastError, warning);
  EXPECT_EQ(logText(), warning + "\r\n");
  EXPECT_NE(s.form.Text1.Text.find(warning + "\r\n"), std::string::npos);
}

TEST_F(OptionsTest, RunoffWindowsFollowTheLastRunoffValue) {
  sites({{"30101", 30}});
  openRunDatabase(s);
  struct Case {
    int32_t daysAgo;
    int32_t window;
  } cases[] = {{200, 30}, {50, 50}, {10, 30}};
  for (const Case& c : cases) {
    testing::execSql(hdb, "delete from rupdate");
    testing::execSql(hdb, "insert into rupdate (datatype_site_id, note, updated, value) values (30101, 'n', " +
                              vb::CStr(double{runDay - 1.0}) + ", " + vb::CStr(double(runDay - c.daysAgo)) + ")");
    RunContext fresh;
    ctx = fresh;
    LineState l = line("COMPUTE-GET; 30101; Runoff; A", 11, 30);
    l.ValueCode = 30;
    l.ValueClass = 30;
    windowDays(s, ctx, l);
    EXPECT_EQ(l.FirstDay, runDay - c.window) << c.daysAgo;
    EXPECT_EQ(l.WindowDays, c.window + ctx.settings.FutureDays + 1) << c.daysAgo;
    EXPECT_EQ(ctx.RunoffWindowDays, c.window) << c.daysAgo;
  }
}

TEST_F(OptionsTest, ComputedLinesRunOverTheRunoffWindowAndTheFutureDays) {
  sites({{"1101"}});
  ctx.settings.FutureDays = 2;
  ctx.RunoffWindowDays = 40;
  LineState route = line("ROUTE-A; 1101; Flow; A", 10, 7);
  windowDays(s, ctx, route);
  EXPECT_EQ(route.FirstDay, runDay - 40);
  EXPECT_EQ(route.LastDay, runDay + 2);
  EXPECT_EQ(route.WindowDays, 43);
  EXPECT_EQ(route.DaySlots, 46);

  LineState gauge = line("09380000; 1101; Flow; A", 2, 7);
  windowDays(s, ctx, gauge);
  EXPECT_EQ(gauge.FirstDay, runDay - 7);
  EXPECT_EQ(gauge.WindowDays, 7);
  EXPECT_EQ(gauge.DaySlots, 8);
  // No days to retrieve: the run day and the day before it, which the gauge is asked from.
  LineState today = line("09380000; 1101; Flow; A", 2, 0);
  windowDays(s, ctx, today);
  EXPECT_EQ(today.FirstDay, runDay);
  EXPECT_EQ(today.WindowDays, 0);
  EXPECT_EQ(today.DaySlots, 2);

  LineState forecast = line("FORECAST-NWS; 1101; Flow; A", 18, 7);
  windowDays(s, ctx, forecast);
  EXPECT_EQ(forecast.WindowDays, 2);
  EXPECT_EQ(forecast.DaySlots, 3);

  s.RealtimeMode = false;
  ctx.DaysBack = 5;
  LineState history = line("09380000; 1101; Flow; A", 2, 5);
  windowDays(s, ctx, history);
  EXPECT_EQ(history.WindowDays, 5);
  EXPECT_EQ(history.DaySlots, 6);
}

TEST_F(OptionsTest, ALargeRequestIsAskedAboutOnceAndNeverInBatch) {
  sites({{"1101"}});
  t.ui.answers = {MsgResult::OK};
  LineState big = line("09380000; 1101; Flow; A", 2, 120);
  ASSERT_EQ(stationOptions(s, ctx, big), std::nullopt);
  EXPECT_EQ(big.ValueSlots, 35712);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "35,712   values is alot.\r\n\r\nShall we proceed optimistically?");
  EXPECT_EQ(t.ui.boxes[0].buttons, MsgButtons::OKCancel);
  EXPECT_EQ(s.UnitSeries.size(), 35713u);
  EXPECT_EQ(s.HourSeries.size(), 126u * 24 + 1);
  EXPECT_EQ(s.DaySeries.size(), 127u);
  EXPECT_EQ(s.UnitSeries[0].value, MissingValue);
  EXPECT_EQ(s.UnitSeries[122 * 24 * 12 - 1].value, MissingValue);
  EXPECT_EQ(s.UnitSeries[122 * 24 * 12].value, 0);
  EXPECT_EQ(s.DaySeries[0].value, 0);
  EXPECT_EQ(s.DaySeries[122].value, MissingValue);
  LineState again = line("09380000; 1101; Flow; A", 2, 120);
  stationOptions(s, ctx, again);
  EXPECT_EQ(t.ui.boxes.size(), 1u);  // the answer holds for the run

  RunContext declined;
  ctx = declined;
  t.ui.answers = {MsgResult::Cancel};
  LineState refused = line("09380000; 1101; Flow; A", 2, 120);
  EXPECT_EQ(stationOptions(s, ctx, refused), Move::cancel());

  RunContext batch;
  ctx = batch;
  s.BatchMode = true;
  LineState unattended = line("09380000; 1101; Flow; A", 2, 120);
  EXPECT_EQ(stationOptions(s, ctx, unattended), std::nullopt);
  EXPECT_EQ(t.ui.boxes.size(), 2u);

  s.BatchMode = false;
  RunContext hourly;
  ctx = hourly;
  LineState thousand = line("09380000-HOUR; 1101; Flow; A", 2, 1000);
  EXPECT_EQ(stationOptions(s, ctx, thousand), std::nullopt);
  EXPECT_EQ(thousand.ValuesPerHour, 1);
  EXPECT_EQ(thousand.ValueSlots, 24 * 1004);
  EXPECT_TRUE(thousand.LongRun);
  EXPECT_EQ(t.ui.boxes.size(), 2u);
  EXPECT_NE(s.form.Text1.Text.find("For speed, only end of month displayed.\r\n"), std::string::npos);
}

TEST_F(OptionsTest, DailyLinesUseSmallArraysAndWeatherStationsThirtyValuesAnHour) {
  sites({{"1101"}});
  LineState daily = line("09380000-DAY; 1101; Flow; A", 2, 10);
  stationOptions(s, ctx, daily);
  EXPECT_TRUE(daily.DayLine);
  EXPECT_EQ(s.UnitSeries.size(), 17u);
  EXPECT_TRUE(s.UnitValues);  // set again after the arrays

  LineState wx = line("KSACRAMENTO; 1101; Temp; A", 1, 2);
  stationOptions(s, ctx, wx);
  EXPECT_EQ(wx.ValuesPerHour, 30);
  EXPECT_EQ(wx.ValueSlots, 30 * 24 * 6);
}

TEST_F(OptionsTest, ASiteWithoutParametersEndsTheRun) {
  sites({{"1101", 1, "cfs", ""}});
  s.BatchMode = true;
  s.errlog.open();
  LineState l = line("09380000; 1101; Flow; A", 2);
  EXPECT_EQ(stationOptions(s, ctx, l), Move::finish());
  EXPECT_EQ(logText(), "09380000 Table rsite parameter_code missing.\r\n");
}

TEST_F(OptionsTest, AnAlertLineSetsItsTableKindAndSiteName) {
  sites({{"1101"}});
  LineState l = line("09380000; 1101; Flow-Alert>5000-HOUR; Colorado R", 2);
  l.AlertLine = true;
  s.Alert.AlertTableWord = "HOUR";
  stationOptions(s, ctx, l);
  EXPECT_EQ(s.Alert.AlertActive, 2);
  EXPECT_EQ(s.Alert.AlertSiteName, "Colorado R");
}

TEST(ValueClass, RunningValuesAndTotals) {
  for (int16_t code : {3, 4, 23}) EXPECT_EQ(valueClassOf(code), 9);
  for (int16_t code : {11, 27}) EXPECT_EQ(valueClassOf(code), 10);
  for (int16_t code : {1, 10, 19, 30}) EXPECT_EQ(valueClassOf(code), code);
}

}  // namespace
}  // namespace fw
