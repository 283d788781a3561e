// Storing a station's series after its value loop: which writers run with which indexes, codes
// and sources; and the What-If compare series drawn before a station's own series.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/db/dialect.h"
#include "platform/vb/format.h"
#include "run/series_save.h"
#include "run/series_slots.h"
#include "run/value_loop.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;

constexpr double kDay1 = 45447;  // 06/04/2024; the run day is 06/05/2024

// One 15-minute gauge line whose loop has filled two days (06/04 and the run day up to 00:30),
// ready to be saved over the engine of the test.
class SaveCase : public ::testing::TestWithParam<HdbEngine> {
 public:  // the case table's steps reach the fixture through a reference
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    s.UnitValues = true;
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.RunDay = kDay1 + 1;
    s.RunDateTime = testing::kTestNow;
    ctx.SourceType = 2;
    line.StationId = "09380000";
    line.Dsid = "1101";
    line.Site_Name = "Colorado R";
    line.UnitText = "cfs";
    line.ValueCode = line.ValueClass = line.DatatypeCode = 1;
    line.WindowDays = 2;
    line.StationDayCount = 1;
    for (auto* series : {&s.DaySeries, &s.DayMaxSeries, &s.DayMinSeries}) sizeSeries(*series, 8);
    sizeSeries(s.HourSeries, 8 * 24);
    sizeSeries(s.UnitSeries, 8 * 96);
    // Day 1 and an open run day; entries of days not closed stay missing.
    for (size_t d = 1; d < 8; ++d)
      s.DaySeries[d] = s.DayMaxSeries[d] = s.DayMinSeries[d] = {kDay1 + d - 1, MissingValue};
    s.DaySeries[1].value = 100;
    s.DayMaxSeries[1] = {kDay1 + 0.5, 150};
    s.DayMinSeries[1] = {kDay1 + 0.25, 50};
    s.DaySeries[2].value = 200;  // a day only daily-value retrievals fill
    for (int h = 1; h <= 24; ++h) s.HourSeries[static_cast<size_t>(h - 1)] = {kDay1 + h / 24.0, 100};
    line.ValueLoop.HourIndex = 24;
    const double units[] = {90, 110, 120, 130};  // 06/04 23:45, then the run day 00:00 to 00:30
    for (int i = 0; i < 4; ++i)
      s.UnitSeries[static_cast<size_t>(i)] = {vb::roundToSecond(kDay1 + (1425 + 15 * i) / 1440.0), units[i]};
    line.ValueLoop.UnitIndex = 4;
    line.ValueLoop.LastValueTime = s.UnitSeries[3].date;
    for (CheckBox* box : {&s.form.Check5, &s.form.Check3, &s.form.Check7, &s.form.Check6}) box->Value = 1;
  }

  int rows(const std::string& table, const std::string& where = "") {
    return testing::countRows(file, "select * from " + table + " where datatype_site_id=1101" + where);
  }
  int rowsOf(const std::string& dsid, const std::string& table, const std::string& where = "") {
    return testing::countRows(file, "select * from " + table + " where datatype_site_id=" + dsid + where);
  }
  std::string onDay(double day) { return " and date_time=" + db::dayLiteral(day); }

  testing::TestSession t;
  Session& s = t.s;
  RunContext ctx;
  LineState line;
  std::filesystem::path file;
};

TEST_P(SaveCase, TheSavePathFollowsTheLine) {
  struct Case {
    const char* name;
    std::function<void(SaveCase&)> setUp;
    std::function<void(SaveCase&)> check;
  };
  const Case cases[] = {
      {"unit values: every series up to the station's days", [](SaveCase&) {},
       [](SaveCase& c) {
         EXPECT_EQ(c.rows("rday"), 1);
         EXPECT_EQ(c.rows("rdaymax"), 1);
         EXPECT_EQ(c.rows("rhour"), 24);
         EXPECT_EQ(c.rows("runit"), 4);
         EXPECT_EQ(c.rows("rday", " and source=2"), 1);
       }},
      {"daily-only path: one day more, no hours or units, the count in the pane",
       [](SaveCase& c) { c.s.UnitValues = false; },
       [](SaveCase& c) {
         EXPECT_EQ(c.rows("rday"), 2);
         EXPECT_EQ(c.rows("rday", c.onDay(kDay1 + 1) + " and value=200"), 1);
         EXPECT_EQ(c.rows("rhour") + c.rows("runit"), 0);
         EXPECT_NE(c.s.form.Text1.Text.find("1 dailys retrieved"), std::string::npos) << c.s.form.Text1.Text;
       }},
      {"class 10: the extremes stop a day before the daily values",
       [](SaveCase& c) {
         c.line.ValueClass = 10;
         c.line.StationDayCount = 2;
         c.s.DaySeries[2].value = 1.5;
         c.s.DayMaxSeries[2].value = 0.5;
         c.s.DayMinSeries[2].value = 0;
       },
       [](SaveCase& c) {
         EXPECT_EQ(c.rows("rday"), 2);
         EXPECT_EQ(c.rows("rdaymax"), 1);
         EXPECT_EQ(c.rows("rdaymin"), 1);
       }},
      {"-GET: stored with source 17", [](SaveCase& c) { c.line.StationId = "09380000-GET"; },
       [](SaveCase& c) {
         EXPECT_EQ(c.rows("rday", " and source=17"), 1);
         EXPECT_EQ(c.rows("rhour", " and source=17"), 24);
         EXPECT_EQ(c.rows("runit", " and source=17"), 4);
       }},
      {"runoff storage: daily soil, precipitation and groundwater, step series beside the line",
       [](SaveCase& c) {
         c.line.ValueClass = 30;
         c.line.Storage.DaySoil = {0, 1.5};
         c.line.Storage.DayPrecip = {0, 0.25};
         c.line.Storage.DayGroundwater = {0, 3};
         c.line.Storage.WriteUnits = true;
         c.line.Storage.StepSoil = {1, 2, 3, 4};
         c.line.Storage.StepPrecip = {0, 0.1, 0.2, 0.3};
         c.line.Storage.StepThird = {5, 6, 7, 8};
       },
       [](SaveCase& c) {
         const std::string day = c.onDay(kDay1);
         EXPECT_EQ(c.rowsOf("4101", "rday", day + " and value=1.5"), 1);
         EXPECT_EQ(c.rowsOf("-4101", "rday", day + " and value=0.25"), 1);
         EXPECT_EQ(c.rowsOf("5101", "rday", day + " and value=3"), 1);
         for (const char* dsid : {"4101", "-4101", "3101"}) {
           EXPECT_EQ(c.rowsOf(dsid, "runit"), 4) << dsid;
           EXPECT_EQ(c.rowsOf(dsid, "rhour"), 1) << dsid;  // the one full hour, 00:00
         }
         EXPECT_EQ(c.rowsOf("3101", "runit", " and value=6"), 1);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    testing::execSql(file,
                     "delete from rday; delete from rdaymax; delete from rdaymin; delete from rhour; "
                     "delete from runit; delete from rupdate;");
    SaveCase& c = *this;
    const auto dayValues = s.DaySeries;
    const auto maxValues = s.DayMaxSeries;
    const auto minValues = s.DayMinSeries;
    const LineState saved = line;
    const bool unitValues = s.UnitValues;
    const auto hours = s.HourSeries;
    const auto units = s.UnitSeries;
    k.setUp(c);
    seriesSave(s, ctx, line);
    k.check(c);
    EXPECT_EQ(s.LastError, "");
    s.form.Text1.Text.clear();
    s.DaySeries = dayValues;
    s.DayMaxSeries = maxValues;
    s.DayMinSeries = minValues;
    line = saved;
    s.UnitValues = unitValues;
    s.HourSeries = hours;
    s.UnitSeries = units;
  }
}

// The run day is recomputed from its stored unit values once the next day has a daily value, and
// only in real time when the last unit value lies on the run day.
TEST_P(SaveCase, TheRunDayIsRedoneOnlyInRealTimeOnTheRunDay) {
  const struct {
    bool realTime;
    bool lastOnRunDay;
    bool redone;
  } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  const std::vector<SeriesPoint> units = s.UnitSeries, days = s.DaySeries;
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.realTime) + " " + std::to_string(k.lastOnRunDay));
    // The next day's daily value, and the run day's unit values as an earlier run stored them.
    std::string sql = "delete from rday; delete from runit; insert into rday values (1101, " +
                      db::dayLiteral(kDay1 + 2) + ", 1, 2);";
    for (size_t i = 1; i <= 3; ++i)
      sql += "insert into runit values (1101, " + db::dayLiteral(units[i].date) + ", " +
             std::to_string(units[i].value) + ", 2);";
    testing::execSql(file, sql);
    s.UnitSeries = units;  // the writers and the redo leave their marks on the series
    s.DaySeries = days;
    s.RealtimeMode = k.realTime;
    line.ValueLoop.UnitIndex = k.lastOnRunDay ? 4 : 1;
    seriesSave(s, ctx, line);
    // The mean of the run day's values after its first (00:00): (120 + 130) / 2.
    EXPECT_EQ(rows("rday", onDay(kDay1 + 1) + " and value=125"), k.redone ? 1 : 0);
  }
}

TEST_P(SaveCase, ModelRunsNameTheirKind) {
  s.ModelRunWrite.modelRun = -1;
  s.RunId = 7;
  s.TraceNo = 1;
  s.ModelRunTime = "2024-06-05 13:15";
  s.LastRunStart = testing::kTestNow;
  const struct {
    bool mrunLine;
    int16_t coefficient;
    const char* kind;
  } cases[] = {{false, 0, "Run"}, {true, 0, "Mrun"}, {false, 3, "What If"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.kind);
    testing::execSql(file, "delete from mrun; delete from mrundsid;");
    s.MrunLine = k.mrunLine;
    s.WhatIf.Coefficient = k.coefficient;
    s.WhatIf.CoefficientCaption = "CN";
    s.WhatIf.WriteMTables = -1;
    line.WhatIfNote = k.coefficient ? "CN 72" : "";
    seriesSave(s, ctx, line);
    EXPECT_EQ(
        testing::countRows(file, std::string("select * from mrun where run_id=7 and kind='") + k.kind + "'"),
        1);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, SaveCase, ::testing::Values(HdbEngine::AdoSqlite, HdbEngine::Dao),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

// ---- the What-If compare series ------------------------------------------------------------

TEST(CompareSeries, AGapIsFilledWithTheNextRowsValueAndAnHourKeepsItsFirstTime) {
  std::vector<SeriesPoint> hours(10);
  const double day2 = kDay1 + 1;
  const CompareHours c = compareHours(hours,
                                      {{day2 + 1 / 24.0, 10},
                                       {day2 + 4 / 24.0, 40},
                                       {day2 + 5 / 24.0, 50},
                                       {day2 + 5 / 24.0 + 30 / 1440.0, 55}},
                                      static_cast<int32_t>(kDay1));
  ASSERT_EQ(c.last, 5);
  const double step = 1 / 24.0 + 0.00001;  // an hour and 0.864 seconds
  const SeriesPoint expected[] = {{day2 + 1 / 24.0, 10},
                                  {day2 + 1 / 24.0 + step, 40},
                                  {day2 + 1 / 24.0 + 2 * step, 40},
                                  {day2 + 4 / 24.0, 40},
                                  {day2 + 5 / 24.0, 55}};
  for (int i = 1; i <= 5; ++i) {
    EXPECT_NEAR(hours[static_cast<size_t>(i)].date, expected[i - 1].date, 1e-9) << i;
    EXPECT_EQ(hours[static_cast<size_t>(i)].value, expected[i - 1].value) << i;
  }
  EXPECT_NEAR((hours[2].date - (day2 + 2 / 24.0)) * 86400, 0.864, 1e-4);
  EXPECT_NEAR((hours[3].date - (day2 + 3 / 24.0)) * 86400, 1.728, 1e-4);
  EXPECT_EQ(c.maximum, 55);
  EXPECT_EQ(c.maximumTime, day2 + 5 / 24.0);
  EXPECT_EQ(c.minimum, 10);
}

class CompareDraw : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    line.FirstDay = static_cast<int32_t>(kDay1);
    line.LastDay = static_cast<int32_t>(kDay1) + 3;
    line.WindowDays = 3;
    for (auto* series : {&s.DaySeries, &s.DayMaxSeries, &s.DayMinSeries}) sizeSeries(*series, 9);
    sizeSeries(s.HourSeries, 9 * 24);
    s.FrmGraph.Visible = true;
    s.GraphNoPause = true;
    s.WhatIf.CompareOn = -1;
    s.WhatIf.CompareDSID = "2001";
    s.form.Check3.Value = 1;
    for (int h = 1; h <= 6; ++h)
      testing::execSql(file, "insert into rhour values (2001, " + db::dayLiteral(kDay1 + 1 + h / 24.0) +
                                 ", " + std::to_string(h * 10) + ", 1);");
  }
  testing::TestSession t;
  Session& s = t.s;
  LineState line;
  std::filesystem::path file;
};

TEST_P(CompareDraw, TheCompareSeriesIsDrawnOnceAndNotStored) {
  EXPECT_TRUE(compareSeries(s, line));
  EXPECT_EQ(s.FrmGraph.Caption, "Compare DSID=2001 (red) to");
  EXPECT_EQ(s.WhatIf.CompareOn, 0);
  EXPECT_TRUE(s.GraphAdd);
  EXPECT_EQ(s.form.Check3.Value, 1);
  // The six hours from 01:00 in the chart's first column, after the empty row of 00:00.
  ASSERT_EQ(s.FrmGraph.ColumnCount(), 1);
  for (int h = 1; h <= 6; ++h) EXPECT_EQ(s.FrmGraph.data(h + 1, 1), h * 10.0) << h;
  EXPECT_EQ(testing::countRows(file, "select * from rhour"), 6);  // drawn only
  EXPECT_EQ(s.HourSeries.size(), static_cast<size_t>((3 + 6) * 24 + 1));
  EXPECT_EQ(s.DayMaxSeries[1].value, MissingValue);
  EXPECT_FALSE(compareSeries(s, line)) << "served once";
}

TEST_P(CompareDraw, NoRowsOrADsidThatIsNoNumberDrawNothing) {
  for (const char* dsid : {"2002", "2001 or 1=1", "x"}) {
    SCOPED_TRACE(dsid);
    t.ui.boxes.clear();
    s.WhatIf.CompareDSID = dsid;
    EXPECT_FALSE(compareSeries(s, line));
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text, std::string("No hourly values found for ") + dsid);
    EXPECT_EQ(s.WhatIf.CompareOn, -1) << "still pending";
    EXPECT_EQ(s.FrmGraph.ColumnCount(), 0);
  }
  // Not asked for: the chart hidden.
  s.WhatIf.CompareDSID = "2001";
  s.FrmGraph.Visible = false;
  EXPECT_FALSE(compareSeries(s, line));
  EXPECT_EQ(s.WhatIf.CompareOn, -1);
}

INSTANTIATE_TEST_SUITE_P(Engines, CompareDraw, ::testing::Values(HdbEngine::AdoSqlite, HdbEngine::Dao),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
