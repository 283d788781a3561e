#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/format.h"
#include "store/daily_writer.h"
#include "store/series_writer.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;
using testing::HdbEngine;

const vb::VbDate kDay0 = 45444;  // 06/01/2024
vb::VbDate day(int i) {
  return kDay0 + i;
}
vb::VbDate dayAt(int i, int hour) {
  return vb::roundToSecond(day(i) + hour / 24.0);
}
std::string mmddyyyy(vb::VbDate d) {
  return vb::Format(d, "mm/dd/yyyy");
}

struct Stored {
  vb::VbDate date;
  double value;
  int source;
  bool operator==(const Stored&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Stored& r) {
  return o << "{" << mmddyyyy(r.date) << " " << vb::Format(r.date, "hh:mm") << ", " << r.value << ", "
           << r.source << "}";
}

class DailyWriterTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    s.form.onRepaint = [this](const char* control) { repaints.push_back(control); };
  }

  // As the run calls it: the DAO twin when the main connection is DAO.
  void write(int32_t last, const std::string& dsid = "1001") {
    if (s.HdbUseDAO)
      hdbdailyDAO(s, dsid, last, 2, 1);
    else
      hdbdaily(s, dsid, last, 2, 1);
  }
  void store(vb::VbDate d, double value, int source, const std::string& table = "rday") {
    execSql(file, "insert into " + table + " (datatype_site_id, date_time, value, source) values (1001, " +
                      testing::dateSql(d) + ", " + std::to_string(value) + ", " + std::to_string(source) +
                      ");");
  }
  void storeDays(int from, int to, double value) {
    for (int i = from; i <= to; ++i) store(day(i), value, 2);
  }
  std::vector<Stored> rows(const std::string& table = "rday", const std::string& extra = "") {
    testing::TestConnection b(file);
    db::QueryResult r = b.run("select date_time, value, source from " + table +
                              " where datatype_site_id=1001" + extra + " order by date_time");
    std::vector<Stored> out;
    for (size_t i = 0; i < r.rowCount(); ++i)
      out.push_back({r.cells[i * 3].toDate(), r.cells[i * 3 + 1].toDouble(), r.cells[i * 3 + 2].toInteger()});
    return out;
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
  std::vector<std::string> repaints;
};

const double M = MissingValue;

TEST_P(DailyWriterTest, AllMissingWritesNothingAndLeavesTheColour) {
  storeDays(0, 1, 1);
  s.DaySeries = {{day(0), M, 0}, {day(1), M, 0}, {0, 4, 0}};
  write(2);
  EXPECT_EQ(rows(), (std::vector<Stored>{{day(0), 1, 2}, {day(1), 1, 2}}));
  EXPECT_EQ(s.form.Check5.BackColor, CheckBox::kDefaultBackColor);
  EXPECT_TRUE(repaints.empty());
  EXPECT_EQ(s.LastError, "");
}

TEST_P(DailyWriterTest, ReplacesThePeriodOnlyWithTheTimeRemoved) {
  for (bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite ? "period delete" : "row by row");
    execSql(file, "delete from rday;");
    storeDays(0, 5, 1);
    s.OverwriteSource5 = overwrite;
    repaints.clear();
    // Leading and trailing missing values do not widen the period; the one inside it deletes its
    // day's old row; the 06:00 element is stored at the day's 00:00.
    s.DaySeries = {{day(0), M, 0}, {dayAt(1, 6), 10, 0}, {day(2), M, 0}, {day(3), 30, 7}, {day(4), M, 0}};
    write(4);
    EXPECT_EQ(rows(), (std::vector<Stored>{
                          {day(0), 1, 2}, {day(1), 10, 2}, {day(3), 30, 7}, {day(4), 1, 2}, {day(5), 1, 2}}));
    EXPECT_EQ(s.form.Check5.BackColor, kDoneColor);
    EXPECT_EQ(repaints, (std::vector<std::string>{"Check5", "Check5"}));
    EXPECT_EQ(s.LastError, "");
    EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
    EXPECT_FALSE(s.HdbDaoRsOpen);
  }
}

TEST_P(DailyWriterTest, ASourceFiveDaySurvivesAndIsLoggedUnlessOverwriteIsTicked) {
  store(day(0), 1, 2);
  store(day(1), 99, 5);
  store(day(2), 88, 5);
  store(day(3), 1, 2);
  // Day 1 has no element at all; day 2's element is stamped 06:00 and must still be kept out.
  s.DaySeries = {{day(0), 10, 0}, {dayAt(2, 6), 20, 0}, {day(3), 30, 0}};
  write(2);
  EXPECT_EQ(rows(),
            (std::vector<Stored>{{day(0), 10, 2}, {day(1), 99, 5}, {day(2), 88, 5}, {day(3), 30, 2}}));
  EXPECT_EQ(s.form.Text1.Text, mmddyyyy(day(2)) + "daily source 5 protected\r\n");
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.DaySeries[1].date, 0);  // kept out of the append, and out of any second pass

  s.form.Text1.clear();
  s.OverwriteSource5 = true;
  s.DaySeries = {{day(0), 10, 0}, {day(1), 11, 0}, {day(2), 20, 0}, {day(3), 30, 0}};
  write(3);
  EXPECT_EQ(rows(),
            (std::vector<Stored>{{day(0), 10, 2}, {day(1), 11, 2}, {day(2), 20, 2}, {day(3), 30, 2}}));
  EXPECT_EQ(s.form.Text1.Text, "");
}

TEST_P(DailyWriterTest, DuplicatesFromIndexTwoAreSkipped) {
  s.DaySeries = {{day(0), 1, 0}, {day(1), 2, 0}, {day(2), 3, 0},
                 {day(2), 4, 0}, {day(1), 5, 0}, {day(3), 6, 0}};
  write(5);
  EXPECT_EQ(rows(), (std::vector<Stored>{{day(0), 1, 2}, {day(1), 2, 2}, {day(2), 3, 2}, {day(3), 6, 2}}));
  EXPECT_EQ(s.LastError, "");
}

TEST_P(DailyWriterTest, ElementsZeroAndOneAreNotComparedSoTheKeyRefusesTheSecond) {
  storeDays(0, 2, 1);
  s.DaySeries = {{day(0), 1, 0}, {day(0), 2, 0}, {day(1), 3, 0}, {day(2), 4, 0}};
  write(3);
  if (s.HdbUseDAO) {
    // The first DAO error ends the pass, and the pass is undone: the old rows are all there.
    EXPECT_EQ(rows(), (std::vector<Stored>{{day(0), 1, 2}, {day(1), 1, 2}, {day(2), 1, 2}}));
    EXPECT_NE(s.LastError.find("06-01-2024 00:00 1001 RDAY at Line  1  "), std::string::npos) << s.LastError;
    EXPECT_NE(s.LastError.find("\n" + std::string(kDaoErrorHint)), std::string::npos);
  } else {
    // A refused row is one command error: logged, skipped, and the rest is written.
    EXPECT_EQ(rows(), (std::vector<Stored>{{day(0), 1, 2}, {day(1), 3, 2}, {day(2), 4, 2}}));
    EXPECT_EQ(s.errlog.written(), (std::vector<std::string>{"hdbdaily -2147217900"}));
    EXPECT_EQ(s.LastError, "");
  }
}

TEST_P(DailyWriterTest, AModelRunGoesToMdayThenRdayAndTheFlagIsRestored) {
  s.ModelRunWrite = {1, 1};
  s.RunId = 12;
  s.TraceNo = 3;
  store(day(1), 77, 5, "rday");
  execSql(file, "insert into mday values (1001, " + testing::dateSql(day(0)) +
                    ", 1, 2, 3, 12);"
                    "insert into mday values (1001, " +
                    testing::dateSql(day(0)) + ", 1, 2, 4, 12);");
  s.DaySeries = {{day(0), 10, 0}, {day(1), 11, 0}, {day(2), 12, 0}};
  write(2);
  EXPECT_EQ(rows("mday", " and trace=3 and run_id=12"),
            (std::vector<Stored>{{day(0), 10, 2}, {day(1), 11, 2}, {day(2), 12, 2}}));
  EXPECT_EQ(rows("mday", " and trace=4"), (std::vector<Stored>{{day(0), 1, 2}}));  // another trace
  EXPECT_EQ(rows("rday"), (std::vector<Stored>{{day(0), 10, 2}, {day(1), 77, 5}, {day(2), 12, 2}}));
  EXPECT_EQ(s.ModelRunWrite.modelRun, 1);
  EXPECT_EQ(s.form.Text1.Text, mmddyyyy(day(1)) + "daily source 5 protected\r\n");

  s.ModelRunWrite = {1, 0};  // not a save hour: the model-run table only
  s.DaySeries = {{day(5), 50, 0}};
  write(0);
  EXPECT_EQ(rows("mday", " and trace=3 and date_time=" + testing::dateSql(day(5))).size(), 1u);
  EXPECT_TRUE(rows("rday", " and date_time=" + testing::dateSql(day(5))).empty());
}

TEST_P(DailyWriterTest, ThreeAlertLevelsAreCrossedInOrder) {
  FloodAlertTracker& a = s.Alert;
  a.AlertActive = 1;
  a.AlertLevels = {0, 10, 20, 30};
  a.AlertTexts.assign(4, "");
  a.AlertCrossDates.assign(4, 0);
  a.AlertNextLevel = 1;
  a.AlertLastLevel = 3;
  s.DaySeries = {{day(0), 5, 0}, {day(1), 25, 0}, {day(2), 15, 0}, {day(3), 35, 0}, {day(4), 50, 0}};
  write(4);
  EXPECT_EQ(a.AlertCrossDates, (std::vector<vb::VbDate>{0, day(1), day(1), day(3)}));
  EXPECT_EQ(a.AlertTexts, (std::vector<std::string>{"", " 25", " 25", " 35"}));
  EXPECT_EQ(a.AlertNextLevel, 4);
  EXPECT_EQ(a.AlertActive, 0);
  EXPECT_EQ(a.AlertValue, 35);  // the last level ended the feed
  EXPECT_EQ(rows().size(), 5u);
}

TEST_P(DailyWriterTest, TheAlertSumCountsOnlyValuesWritten) {
  FloodAlertTracker& a = s.Alert;
  a.AlertActive = 1;
  a.AlertSumCount = 2;
  a.AlertLevel = 25;
  a.AlertCrossDates.assign(1, 0);
  // A missing value and a duplicate day are not written, so they are not in the sum either.
  s.DaySeries = {{day(0), 10, 0}, {day(1), M, 0}, {day(2), 10, 0}, {day(2), 400, 0}, {day(3), 10, 0}};
  write(4);
  EXPECT_EQ(a.AlertValue, 20);
  EXPECT_EQ(a.AlertActive, 1);
  EXPECT_EQ(a.AlertCrossDates[0], 0);

  s.DaySeries = {{day(4), 16, 0}};  // a later call sums on: 10 drops out
  write(0);
  EXPECT_EQ(a.AlertValue, 26);
  EXPECT_EQ(a.AlertCrossDates[0], day(4));
  EXPECT_EQ(a.AlertNextLevel, -1);
  EXPECT_EQ(a.AlertActive, 0);
}

TEST_P(DailyWriterTest, AFailingAppendLeavesThePeriodsOldRows) {
  for (bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite ? "period delete" : "row by row");
    testing::dropRefusal(file, "rday", "full_disk");
    execSql(file, "delete from rday;");
    storeDays(0, 14, 1);
    testing::refuseInserts(file, "rday", "full_disk", testing::Refusal::DiskFull);
    s.OverwriteSource5 = overwrite;
    s.LastError.clear();
    s.DaySeries.clear();
    for (int i = 0; i <= 14; ++i) s.DaySeries.push_back({day(i), 2, 0});
    write(14);
    EXPECT_EQ(rows().size(), 15u);
    for (const Stored& r : rows()) EXPECT_EQ(r.value, 1);
    if (s.HdbUseDAO)
      EXPECT_EQ(s.LastError,
                "06-01-2024 00:00 1001 RDAY at Line  0  disk full\n" + std::string(kDaoErrorHint));
    else
      EXPECT_EQ(s.LastError, "06-06-2024 00:00 1001 RDAY at Line  5  disk full");  // the sixth ends the pass
    EXPECT_EQ(s.form.Check5.BackColor, kDoneColor);
  }
  // The connection is usable afterwards: nothing of the undone pass is left open.
  testing::dropRefusal(file, "rday", "full_disk");
  s.OverwriteSource5 = false;
  s.DaySeries = {{day(20), 5, 0}};
  write(0);
  EXPECT_EQ(rows().size(), 16u);
}

TEST_P(DailyWriterTest, MoreThanTenFaultyCommandsEndAndUndoThePass) {
  storeDays(0, 14, 1);
  // Every insert runs a command the database refuses as faulty.
  testing::refuseInserts(file, "rday", "faulty", testing::Refusal::Faulty);
  s.DaySeries.clear();
  for (int i = 0; i <= 14; ++i) s.DaySeries.push_back({day(i), 2, 0});
  write(14);
  EXPECT_EQ(rows().size(), 15u);
  for (const Stored& r : rows()) EXPECT_EQ(r.value, 1);
  if (s.HdbUseDAO) {
    EXPECT_EQ(s.errlog.written().size(), 1u);
  } else {
    EXPECT_EQ(s.errlog.written(), std::vector<std::string>(11, "hdbdaily -2147217900"));
    EXPECT_EQ(s.LastError, "");
  }
}

TEST_P(DailyWriterTest, ElementsDatedTwoOrEarlierNeverWidenThePeriod) {
  for (bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite ? "period delete" : "row by row");
    execSql(file, "delete from rday;");
    store(day(-400), 1, 2);
    storeDays(0, 3, 1);
    s.OverwriteSource5 = overwrite;
    // Half a day after 30 December 1899, day 2 itself, and a trailing 1.5: none is a time stamp.
    s.DaySeries = {{0.5, 7, 0}, {2.0, 7, 0}, {day(1), 10, 0}, {day(2), 20, 0}, {1.5, 7, 0}};
    write(4);
    EXPECT_EQ(rows(), (std::vector<Stored>{
                          {day(-400), 1, 2}, {day(0), 1, 2}, {day(1), 10, 2}, {day(2), 20, 2}, {day(3), 1, 2}}));
    EXPECT_EQ(s.LastError, "");
  }
}

// Faulty commands and other errors count together: the other kind ends the pass at 6, a faulty
// command above 10, and an ended pass leaves the stored rows as they were.
TEST_P(DailyWriterTest, BothKindsOfErrorShareOneCounter) {
  if (s.HdbUseDAO) GTEST_SKIP() << "the DAO twin ends its pass at the first error";
  struct Case {
    const char* name;
    std::vector<double> values;
    bool ended;
  };
  const std::vector<Case> cases = {
      {"five faulty commands, then another error", {1, 1, 1, 1, 1, 200, 50, 50}, true},
      {"five other errors, then six faulty commands", {200, 200, 200, 200, 200, 1, 1, 1, 1, 1, 1, 50}, true},
      {"four faulty commands and another error", {1, 1, 1, 1, 200, 50, 50}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::dropRefusal(file, "rday", "faulty");
    testing::dropRefusal(file, "rday", "full_disk");
    execSql(file, "delete from rday;");
    const int n = static_cast<int>(c.values.size());
    storeDays(0, n - 1, 7);
    // A value of 1 makes a faulty command (a key the engine refuses), 200 another error, 50 goes in.
    testing::refuseInserts(file, "rday", "faulty", testing::Refusal::Faulty, "new.value = 1");
    testing::refuseInserts(file, "rday", "full_disk", testing::Refusal::DiskFull, "new.value = 200");
    s.DaySeries.clear();
    for (int i = 0; i < n; ++i) s.DaySeries.push_back({day(i), c.values[static_cast<size_t>(i)], 0});
    write(n - 1);
    const std::vector<Stored> now = rows();
    if (c.ended) {
      EXPECT_EQ(now.size(), static_cast<size_t>(n));
      for (const Stored& r : now) EXPECT_EQ(r.value, 7);
    } else {
      EXPECT_EQ(now, (std::vector<Stored>{{day(5), 50, 2}, {day(6), 50, 2}}));
    }
  }
}

TEST_P(DailyWriterTest, ADsidThatIsNotANumberNeverReachesTheDatabase) {
  storeDays(0, 0, 1);
  s.DaySeries = {{day(0), 10, 0}};
  write(0, "1001 or 1=1");
  EXPECT_EQ(rows(), (std::vector<Stored>{{day(0), 1, 2}}));
  EXPECT_NE(s.LastError.find("\"1001 or 1=1\" is not a whole number"), std::string::npos) << s.LastError;
  EXPECT_EQ(s.errlog.written(), (std::vector<std::string>{s.LastError}));
  EXPECT_EQ(s.form.Check5.BackColor, CheckBox::kDefaultBackColor);
}

TEST_P(DailyWriterTest, AnIndexBeyondTheSeriesIsReportedAndWritesNothing) {
  s.DaySeries = {{day(0), 10, 0}};
  write(3);
  EXPECT_TRUE(rows().empty());
  EXPECT_NE(s.LastError.find("1001 RDAY at Line  3  Subscript out of range"), std::string::npos)
      << s.LastError;
}

TEST_P(DailyWriterTest, RedoCurrentdayRecomputesADayOnceTheNextDayHasItsRow) {
  s.UnitSeries.assign(50, SeriesPoint{});
  s.DaySeries.assign(5, SeriesPoint{});
  auto units = [&](std::vector<double> values) {
    execSql(file, "delete from runit;");
    for (size_t i = 0; i < values.size(); ++i)
      execSql(file, "insert into runit values (1001, " + testing::dateSql(dayAt(1, static_cast<int>(i) * 6)) +
                        ", " + std::to_string(values[i]) + ", 2);");
  };
  auto redo = [&](int16_t code) {
    execSql(file, "delete from rday where date_time=" + testing::dateSql(day(1)) + ";");
    RedoCurrentday(s, "1001", static_cast<int32_t>(day(1)), 4, code);
    const auto r = rows("rday", " and date_time=" + testing::dateSql(day(1)));
    return r.empty() ? Stored{0, 0, 0} : r[0];
  };
  units({100, 10.1234, 20.5, 30});  // 00:00 (the day before's) and three values of the day
  EXPECT_EQ(redo(1).date, 0) << "no row for the next day yet";
  store(day(2), 1, 2);
  EXPECT_EQ(redo(1), (Stored{day(1), 20.2, 4}));      // the mean, three significant digits
  EXPECT_EQ(redo(10), (Stored{day(1), 60.6234, 4}));  // rainfall: the total
  units({5, 0, 0, 0});
  EXPECT_EQ(redo(10).date, 0) << "a total of 0 writes nothing";
  EXPECT_EQ(s.LastError, "");
}

INSTANTIATE_TEST_SUITE_P(Engines, DailyWriterTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
