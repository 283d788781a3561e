// The daily maximum and minimum writers on SQLite, over DAO and over ADO.
#include <gtest/gtest.h>

#include "platform/db/sqlite_backend.h"
#include "store/extremes_writer.h"
#include "store/series_writer.h"
#include "store/stored_rows.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;
using testing::HdbEngine;

const vb::VbDate kDay0 = 45444;  // 06/01/2024; the test clock stands at 06/05/2024 13:15
const double M = MissingValue;
vb::VbDate day(int i) {
  return kDay0 + i;
}
vb::VbDate dayAt(int i, double hour) {
  return vb::roundToSecond(day(i) + hour / 24.0);
}

// One row of an extremes table: the day, the time of the extreme, the value, the source.
struct Extreme {
  vb::VbDate date, when;
  double value;
  int source;
  bool operator==(const Extreme&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Extreme& r) {
  return o << "{" << vb::Format(r.date, "mm/dd/yyyy") << ", " << vb::Format(r.when, "mm/dd/yyyy hh:mm")
           << ", " << r.value << ", " << r.source << "}";
}

std::vector<Extreme> extremes(const std::filesystem::path& file, const std::string& table,
                              const std::string& extra = "") {
  testing::TestConnection b(file);
  db::QueryResult r = b.run("select date, date_time, value, source from " + table +
                            " where datatype_site_id=1001" + extra + " order by date");
  std::vector<Extreme> out;
  for (size_t i = 0; i < r.rowCount(); ++i)
    out.push_back({r.cells[i * 4].toDate(), r.cells[i * 4 + 1].toDate(), r.cells[i * 4 + 2].toDouble(),
                   static_cast<int>(r.cells[i * 4 + 3].toInteger())});
  return out;
}

class ExtremesWriterTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override { file = testing::openTestHdb(s, GetParam()); }

  void max(int32_t last, int16_t code = 1) {
    if (s.HdbUseDAO)
      hdbdmaxDAO(s, "1001", last, 2, code);
    else
      hdbdmax(s, "1001", last, 2, code);
  }
  void min(int32_t last) {
    if (s.HdbUseDAO)
      hdbdminDAO(s, "1001", last, 2);
    else
      hdbdmin(s, "1001", last, 2);
  }
  void store(const std::string& table, int d, double hour, double value, int source) {
    execSql(file, "insert into " + table + " values (1001, " + testing::dateSql(day(d)) + ", " +
                      testing::dateSql(dayAt(d, hour)) + ", " + vb::CStr(value) + ", " +
                      std::to_string(source) + ");");
  }
  std::vector<Extreme> rows(const std::string& table = "rdaymax", const std::string& extra = "") {
    return extremes(file, table, extra);
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(ExtremesWriterTest, OneRowPerDayWithTheDayAndTheTimeOfTheExtreme) {
  for (int d = 0; d <= 4; ++d) store("rdaymax", d, 12, 1, 2);
  // Element 0 is never written; the second element of day 2 is left out; a missing day keeps
  // nothing of its old row.
  s.DayMaxSeries = {{dayAt(0, 3), 50, 0},  {dayAt(1, 14.5), 11, 0}, {dayAt(2, 6), 12, 0},
                    {dayAt(2, 18), 99, 0}, {dayAt(3, 1), M, 0},     {dayAt(4, 23), 14, 3}};
  max(5);
  EXPECT_EQ(rows(), (std::vector<Extreme>{{day(0), dayAt(0, 12), 1, 2},
                                          {day(1), dayAt(1, 14.5), 11, 2},
                                          {day(2), dayAt(2, 6), 12, 2},
                                          {day(4), dayAt(4, 23), 14, 3}}));
  EXPECT_EQ(s.form.Check7.BackColor, kDoneColor);
  EXPECT_EQ(s.LastError, "");

  // First and last on one day: the last alone.
  s.DayMinSeries = {{0, 0, 0}, {dayAt(1, 2), 3, 0}, {dayAt(1, 20), 4, 0}};
  min(2);
  EXPECT_EQ(rows("rdaymin"), (std::vector<Extreme>{{day(1), dayAt(1, 20), 4, 2}}));
}

TEST_P(ExtremesWriterTest, NothingToWriteLeavesTheBoxAlone) {
  store("rdaymax", 1, 12, 1, 2);
  s.DayMaxSeries = {{dayAt(1, 3), 50, 0}, {1.5, 7, 0}, {dayAt(1, 4), M, 0}};
  max(0);
  max(2);
  EXPECT_EQ(rows().size(), 1u);
  EXPECT_EQ(s.form.Check7.BackColor, CheckBox::kDefaultBackColor);
}

TEST_P(ExtremesWriterTest, ASourceFiveDayStaysUnlessOverwriteDeletesTheWholeDays) {
  store("rdaymax", 1, 12, 1, 2);
  store("rdaymax", 2, 9, 77, 5);
  store("rdaymax", 3, 12, 1, 2);
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(1, 5), 11, 0}, {dayAt(2, 5), 12, 0}, {dayAt(3, 5), 13, 0}};
  max(3);
  EXPECT_EQ(rows(),
            (std::vector<Extreme>{
                {day(1), dayAt(1, 5), 11, 2}, {day(2), dayAt(2, 9), 77, 5}, {day(3), dayAt(3, 5), 13, 2}}));
  EXPECT_EQ(s.DayMaxSeries[2].date, 0);
  EXPECT_EQ(s.form.Text1.Text, "");

  // The delete compares the day column with whole day numbers: the rows of the first and the last
  // day go whatever their time.
  execSql(file, "update rdaymax set date_time=" + testing::dateSql(dayAt(3, 23.9)) +
                    " where date=" + testing::dateSql(day(3)) + ";");
  s.OverwriteSource5 = true;
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(1, 6), 21, 0}, {dayAt(2, 6), 22, 0}, {dayAt(3, 6), 23, 0}};
  max(3);
  EXPECT_EQ(rows(),
            (std::vector<Extreme>{
                {day(1), dayAt(1, 6), 21, 2}, {day(2), dayAt(2, 6), 22, 2}, {day(3), dayAt(3, 6), 23, 2}}));
}

TEST_P(ExtremesWriterTest, PeakFlowKeepsTheRunsLargestFlowMaximum) {
  s.PeakFlow = 200;
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(1, 5), 150, 0}, {dayAt(2, 7), 250, 0}};
  max(2, 30);
  EXPECT_EQ(s.PeakFlow, 250);
  EXPECT_EQ(s.PeakFlowTime, dayAt(2, 7));
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(3, 5), 250, 0}};  // equal: the first time stays
  max(1, 1);
  EXPECT_EQ(s.PeakFlowTime, dayAt(2, 7));
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(4, 5), 900, 0}};  // a stage is not a flow
  max(1, 2);
  EXPECT_EQ(s.PeakFlow, 250);
  s.DayMinSeries = {{0, 0, 0}, {dayAt(5, 5), 900, 0}};  // nor is a minimum
  min(1);
  EXPECT_EQ(s.PeakFlow, 250);
}

TEST_P(ExtremesWriterTest, DaymaxAlertWithALevelList) {
  FloodAlertTracker& a = s.Alert;
  a.AlertActive = 4;
  a.AlertLevels = {0, 10, 20};
  a.AlertTexts.assign(3, "");
  a.AlertCrossDates.assign(3, 0);
  a.AlertNextLevel = 1;
  a.AlertLastLevel = 2;
  a.AlertFromTime = day(1);
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(0, 5), 50, 0}, {dayAt(1, 5), 15, 0}, {dayAt(2, 5), 25, 0}};
  max(3);
  EXPECT_EQ(a.AlertCrossDates, (std::vector<vb::VbDate>{0, dayAt(1, 5), dayAt(2, 5)}));
  EXPECT_EQ(a.AlertTexts, (std::vector<std::string>{"", " 15", " 25"}));
  EXPECT_EQ(a.AlertActive, 0);
  EXPECT_EQ(rows().size(), 3u);
}

TEST_P(ExtremesWriterTest, DaymaxAlertWithOneLevelFollowsTheHighestValue) {
  FloodAlertTracker& a = s.Alert;
  a.AlertActive = 4;
  a.AlertLevel = 10;
  a.AlertCrossDates.assign(1, 0);
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(1, 5), 12, 0}, {dayAt(2, 5), 30, 0}, {dayAt(3, 5), 20, 0}};
  max(3);
  EXPECT_EQ(a.AlertCrossDates[0], dayAt(2, 5));
  EXPECT_EQ(a.AlertNextLevel, -1);
  EXPECT_EQ(a.AlertActive, 4);
  EXPECT_EQ(a.AlertValue, 30);  // the peak, not the last value

  a.AlertActive = 1;  // a daily alert: the extremes do not feed it
  a.AlertValue = 0;
  s.DayMaxSeries = {{0, 0, 0}, {dayAt(5, 5), 99, 0}};
  max(1);
  EXPECT_EQ(a.AlertValue, 0);
}

TEST_P(ExtremesWriterTest, AModelRunWritesMdaymaxThenRdaymax) {
  s.ModelRunWrite = {1, 1};
  s.RunId = 7;
  s.TraceNo = 1;
  s.DayMinSeries = {{0, 0, 0}, {dayAt(1, 5), 3, 0}, {dayAt(2, 6), 4, 0}};
  min(2);
  const std::vector<Extreme> want = {{day(1), dayAt(1, 5), 3, 2}, {day(2), dayAt(2, 6), 4, 2}};
  EXPECT_EQ(rows("mdaymin", " and run_id=7 and trace=1"), want);
  EXPECT_EQ(rows("rdaymin"), want);
  EXPECT_EQ(s.ModelRunWrite.modelRun, 1);
}

TEST_P(ExtremesWriterTest, AFailingAppendLeavesTheOldRows) {
  for (int d = 1; d <= 8; ++d) store("rdaymax", d, 12, 1, 2);
  testing::refuseInserts(file, "rdaymax", "full_disk", testing::Refusal::DiskFull);
  s.DayMaxSeries = {{0, 0, 0}};
  for (int d = 1; d <= 8; ++d) s.DayMaxSeries.push_back({dayAt(d, 5), 9, 0});
  max(8);
  EXPECT_EQ(rows().size(), 8u);
  for (const Extreme& r : rows()) EXPECT_EQ(r.value, 1);
  if (s.HdbUseDAO)
    EXPECT_EQ(s.LastError,
              "06-02-2024 05:00 1001 RDAYMAX at Line  1  disk full\n" + std::string(kDaoErrorHint));
  else
    EXPECT_EQ(s.LastError, "06-07-2024 05:00 1001 RDAYMAX at Line  6  disk full");
}

INSTANTIATE_TEST_SUITE_P(Engines, ExtremesWriterTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
