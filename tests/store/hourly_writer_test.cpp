// The hourly writer on SQLite, over DAO and over ADO, with the review chart it fills.
#include <gtest/gtest.h>

#include "store/hourly_writer.h"
#include "store/series_writer.h"
#include "store/stored_rows.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;
using testing::HdbEngine;
using testing::Stored;

const vb::VbDate kDay = 45448;  // 06/05/2024; the test clock stands at 13:15 of it
const double M = MissingValue;
vb::VbDate h(double hours) {
  return vb::roundToSecond(kDay + hours / 24.0);
}

class HourlyWriterTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    s.form.Check3.Value = 1;
    s.FrmGraph.Visible = true;
    s.DayMaxSeries = {{0, 0, 0}, {h(3.5), 40, 0}};
    s.DayMinSeries = {{0, 0, 0}, {h(1), 2, 0}};
  }

  // As the run calls it for a flow station: daily count 1, source 2, value code 1.
  int32_t write(int32_t last, int16_t valueCode = 1, const std::string& whatIfCaption = "") {
    if (s.HdbUseDAO)
      hdbhourlyDAO(s, "1001", 1, 2, 0, last, valueCode, whatIfCaption, 0, h(13.25));
    else
      hdbhourly(s, "1001", 1, 2, 0, last, valueCode, whatIfCaption, 0, h(13.25));
    return last;
  }
  std::vector<Stored> rows(const std::string& table = "rhour", const std::string& extra = "") {
    return testing::storedRows(file, table, extra);
  }
  void store(vb::VbDate when, double value, int source) {
    testing::storeRow(file, "rhour", when, value, source);
  }
  std::optional<double> cell(int row, int column = 1) { return s.FrmGraph.data(row, column); }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(HourlyWriterTest, WritesTheHoursWithTheirTimeAndKeepsASourceFiveHour) {
  store(h(-1), 1, 2);  // the hour before the period stays
  for (int n = 0; n <= 6; ++n) store(h(n), n == 2 ? 99 : 1, n == 2 ? 5 : 2);
  // -99998 is written, -99999 and missing values are not (their old rows go); 06:00 is past the
  // period's end (the trailing element dated before the first one ends it at 05:00).
  s.HourSeries = {{h(0), 10, 0}, {h(1), -99998, 0}, {h(2), 30, 0}, {h(3), -99999, 0},
                  {h(4), M, 0},  {h(5), 60, 7},     {0, 70, 0}};
  write(6);
  EXPECT_EQ(
      rows(),
      (std::vector<Stored>{
          {h(-1), 1, 2}, {h(0), 10, 2}, {h(1), -99998, 2}, {h(2), 99, 5}, {h(5), 60, 7}, {h(6), 1, 2}}));
  EXPECT_EQ(s.HourSeries[2].date, 0);
  EXPECT_EQ(s.form.Text1.Text, "");  // a protected hour leaves no line
  EXPECT_EQ(s.form.Check3.BackColor, kDoneColor);
  EXPECT_EQ(s.LastError, "");

  s.OverwriteSource5 = true;
  s.HourSeries = {{h(1), 11, 0}, {h(2), 22, 0}};
  write(1);
  EXPECT_EQ(rows("rhour", " and date_time between " + testing::dateSql(h(1)) + " and " + testing::dateSql(h(2))),
            (std::vector<Stored>{{h(1), 11, 2}, {h(2), 22, 2}}));
}

TEST_P(HourlyWriterTest, FillsTheChartAndTheCaption) {
  s.FrmGraph.Caption = "Gauge";
  std::vector<bool> waitWhileDrawing;
  s.FrmGraph.onRedraw = [&] { waitWhileDrawing.push_back(s.GraphWait); };
  s.GraphWait = true;
  s.HourSeries = {{h(1), 10, 0}, {h(2), 20, 0}, {h(3), 30, 0}, {h(4), 40, 0}, {h(5), 50, 0}, {h(6), 60, 0}};
  write(5);
  EXPECT_EQ(s.FrmGraph.RowCount(), 7);
  EXPECT_FALSE(cell(1).has_value());  // midnight, before the first value
  EXPECT_EQ(s.FrmGraph.rowLabel(1), "Jun05");
  EXPECT_EQ(*cell(2), 10);
  EXPECT_EQ(*cell(4), 40);  // the daily maximum at 03:30 shows in the 03:00 row
  EXPECT_EQ(s.FrmGraph.rowLabel(4), "3:00");
  EXPECT_EQ(s.FrmGraph.YAxis.Maximum, 40);
  // 210 cfs-hours are 17.4 acre-feet.
  EXPECT_EQ(s.FrmGraph.Caption, "Gauge 6/5 1:15 PM, Max 40 @ 6/5 3:30, 17.4 acft");
  EXPECT_EQ(waitWhileDrawing, (std::vector<bool>{true}));  // the run is held while the chart fills
  EXPECT_FALSE(s.GraphWait);                               // and released when the writer returns

  s.GraphNoPause = true;
  s.HourSeries = {{h(7), 1, 0}};
  write(0);
  EXPECT_EQ(waitWhileDrawing, (std::vector<bool>{true, false}));

  // A series of the same day with Add goes beside the first one.
  s.GraphAdd = true;
  s.HourSeries = {{h(0), 5, 0}, {h(1), 6, 0}};
  write(1);
  EXPECT_EQ(s.FrmGraph.ColumnCount(), 2);
  EXPECT_EQ(*cell(2, 2), 6);
  EXPECT_TRUE(s.FrmGraph.Loaded);
}

TEST_P(HourlyWriterTest, WritingOffStillDrawsTheChart) {
  store(h(1), 1, 2);
  s.FrmGraph.Caption = "Rain";
  s.form.Check3.Value = 0;  // a draw-only call
  s.HourSeries = {{h(0), 0.1, 0}, {h(1), 0.2, 0}, {h(2), 0.3, 0}};
  write(2, 10);
  EXPECT_EQ(rows(), (std::vector<Stored>{{h(1), 1, 2}}));
  EXPECT_NEAR(*cell(3), 0.6, 1e-12);  // rainfall is drawn as its running total
  EXPECT_EQ(s.FrmGraph.Caption, "Rain 6/5 1:15 PM");

  // A What-If run writes only when its traces are saved; the caption is its own.
  s.form.Check3.Value = 1;
  s.WhatIf.Coefficient = 2;
  write(2, 10, "What If: CN x 1.05");
  EXPECT_EQ(rows(), (std::vector<Stored>{{h(1), 1, 2}}));
  EXPECT_EQ(s.FrmGraph.Caption, "What If: CN x 1.05");
  s.WhatIf.WriteMTables = -1;
  write(2, 10, "What If: CN x 1.10");
  EXPECT_EQ(rows().size(), 3u);
}

// The run draws the hours of a station whose "Write  Hourly Avg" is unticked with an empty DSID.
TEST_P(HourlyWriterTest, ADrawOnlyCallNeedsNoDsidButAWriteDoes) {
  auto call = [&](const std::string& dsid) {
    int32_t last = 1;
    s.FrmGraph.Caption = "Flow";
    if (s.HdbUseDAO)
      hdbhourlyDAO(s, dsid, 1, 11, 30, last, 0, "", 0, 0);
    else
      hdbhourly(s, dsid, 1, 11, 30, last, 0, "", 0, 0);
  };
  s.HourSeries = {{h(1), 10, 0}, {h(2), 20, 0}};
  s.form.Check3.Value = 0;
  call("");
  EXPECT_EQ(*cell(2), 10);
  EXPECT_EQ(*cell(3), 20);
  EXPECT_EQ(s.FrmGraph.Caption, "Flow");  // a caption time of 0 is no date: none is shown
  EXPECT_EQ(s.LastError, "");
  EXPECT_TRUE(s.errlog.written().empty());
  EXPECT_TRUE(rows().empty());

  // Any other DSID that is no whole number is still refused before SQL, and an empty one when the
  // rows would be written.
  for (const auto& [dsid, ticked] : std::vector<std::pair<std::string, int>>{{"10x", 0}, {"", 1}}) {
    SCOPED_TRACE("\"" + dsid + "\"");
    s.LastError.clear();
    s.form.Check3.Value = ticked;
    call(dsid);
    EXPECT_NE(s.LastError.find("hdbhourly: the datatype_site_id \"" + dsid + "\" is not a whole number"),
              std::string::npos)
        << s.LastError;
    EXPECT_TRUE(rows().empty());
  }
}

TEST_P(HourlyWriterTest, AModelRunWritesMhourThenRhourAndDrawsOnce) {
  s.ModelRunWrite = {1, 1};
  s.RunId = 3;
  s.TraceNo = 1;
  s.HourSeries = {{h(0), 1, 0}, {h(1), 2, 0}};
  write(1);
  const std::vector<Stored> want = {{h(0), 1, 2}, {h(1), 2, 2}};
  EXPECT_EQ(rows("mhour", " and run_id=3 and trace=1"), want);
  EXPECT_EQ(rows(), want);
  EXPECT_EQ(s.ModelRunWrite.modelRun, 1);
  EXPECT_EQ(s.FrmGraph.Caption, " 6/5 1:15 PM, Max 40 @ 6/5 3:30, 0.248 acft");
}

TEST_P(HourlyWriterTest, AFailingAppendLeavesTheOldRowsAndReleasesTheRun) {
  for (int n = 0; n <= 9; ++n) store(h(n), 1, 2);
  testing::refuseInserts(file, "rhour", "full_disk", testing::Refusal::DiskFull);
  s.HourSeries.clear();
  for (int n = 0; n <= 9; ++n) s.HourSeries.push_back({h(n), 2, 0});
  s.GraphWait = true;
  write(9);
  EXPECT_EQ(rows().size(), 10u);
  for (const Stored& r : rows()) EXPECT_EQ(r.value, 1);
  if (s.HdbUseDAO)
    EXPECT_EQ(s.LastError,
              "06-05-2024 00:00 1001 RHOUR at Line  6 count 0  disk full\n" + std::string(kDaoErrorHint));
  else
    EXPECT_EQ(s.LastError, "06-05-2024 05:00 1001 RHOUR  5  disk full");
  EXPECT_FALSE(s.GraphWait);
  EXPECT_EQ(s.form.Check3.BackColor, kDoneColor);
}

TEST_P(HourlyWriterTest, ARefusedRowSkipsItsHourOverAdo) {
  // Someone else stores the 02:00 hour while the 01:00 hour is added: the engine refuses the
  // writer's own 02:00 row by its key.
  if (testing::isPostgres(file))
    execSql(file,
            "create function fw_meanwhile() returns trigger language plpgsql as $$ begin if new.value = 2 then "
            "insert into rhour values (1001, " +
                testing::dateSql(h(2)) +
                ", 99, 9); end if; return new; end $$; create trigger meanwhile after insert on rhour for each row "
                "execute function fw_meanwhile();");
  else
    execSql(file,
            "create trigger meanwhile after insert on rhour when new.value = 2 begin insert into rhour values "
            "(1001, " +
                testing::dateSql(h(2)) + ", 99, 9); end;");
  s.HourSeries = {{h(0), 1, 0}, {h(1), 2, 0}, {h(2), 3, 0}};
  write(2);
  if (s.HdbUseDAO) {
    EXPECT_TRUE(rows().empty());  // the first DAO error undoes the pass
    EXPECT_NE(s.LastError.find("1001 RHOUR at Line  6 count 2  "), std::string::npos) << s.LastError;
  } else {
    EXPECT_EQ(rows(), (std::vector<Stored>{{h(0), 1, 2}, {h(1), 2, 2}, {h(2), 99, 9}}));
    EXPECT_EQ(s.errlog.written(), (std::vector<std::string>{"1001 hdbhourly -2147217900"}));
    EXPECT_EQ(s.LastError, "");
  }
}

TEST_P(HourlyWriterTest, AnIndexBeyondTheSeries) {
  s.HourSeries = {{h(0), 1, 0}, {h(1), 2, 0}};
  const int32_t last = write(4);
  if (s.HdbUseDAO) {
    EXPECT_EQ(last, 1);  // lowered to the last element, and the caller sees it
    EXPECT_EQ(rows().size(), 2u);
  } else {
    EXPECT_EQ(last, 4);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(s.LastError, "12-30-1899 00:00 1001 RHOUR  4  Subscript out of range");
  }
}

TEST_P(HourlyWriterTest, AnHourlyAlertIsFedAfterTheAlertStart) {
  FloodAlertTracker& a = s.Alert;
  a.AlertActive = 2;
  a.AlertLevel = 25;
  a.AlertCrossDates.assign(1, 0);
  a.AlertFromTime = h(1);
  s.HourSeries = {{h(0), 90, 0}, {h(1), 80, 0}, {h(2), 20, 0}, {h(3), 30, 0}};
  write(3);
  EXPECT_EQ(a.AlertCrossDates[0], h(3));
  EXPECT_EQ(a.AlertActive, 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, HourlyWriterTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
