// The unit and unit-shift writers on SQLite, over DAO and over ADO.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/db/sqlite_backend.h"
#include "platform/vb/convert.h"
#include "store/series_writer.h"
#include "store/stored_rows.h"
#include "store/unit_writer.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;
using testing::HdbEngine;
using testing::Stored;

const vb::VbDate kDay = 45448;  // 06/05/2024
const double M = MissingValue;
// 15-minute steps from 00:00 of the test day.
vb::VbDate q(int n, vb::VbDate day = kDay) {
  return vb::roundToSecond(day + n / 96.0);
}

class UnitWriterTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override { file = testing::openTestHdb(s, GetParam()); }

  bool write(int32_t last, int32_t count = 5, bool midnightOnly = false) {
    bool written = true;
    if (s.HdbUseDAO)
      hdbunitDAO(s, "1001", count, 2, 1, last, written, midnightOnly);
    else
      hdbunit(s, "1001", count, 2, 1, last, written, midnightOnly);
    return written;
  }
  void shift(int32_t last, vb::VbDate end) {
    if (s.HdbUseDAO)
      hdbunitshiftDAO(s, "1001", 0, last, end);
    else
      hdbunitshift(s, "1001", 0, last, end);
  }
  std::vector<Stored> rows(const std::string& table = "runit", const std::string& extra = "") {
    return testing::storedRows(file, table, extra);
  }
  void store(vb::VbDate when, double value, int source, const std::string& table = "runit") {
    testing::storeRow(file, table, when, value, source);
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(UnitWriterTest, WritesEachTimeAndKeepsASourceFiveRow) {
  for (int n = 0; n <= 5; ++n) store(q(n), n == 2 ? 99 : 1, n == 2 ? 5 : 2);
  // A missing value inside the period deletes its old row; a repeated time stamp is passed over
  // without a word; trailing missing values do not widen the period.
  s.UnitSeries = {{q(0), M, 0},  {q(1), 10, 0}, {q(2), 20, 0}, {q(3), M, 0},
                  {q(4), 40, 7}, {q(4), 41, 0}, {0, M, 0}};
  EXPECT_TRUE(write(6));
  EXPECT_EQ(rows(),
            (std::vector<Stored>{{q(0), 1, 2}, {q(1), 10, 2}, {q(2), 99, 5}, {q(4), 40, 7}, {q(5), 1, 2}}));
  EXPECT_EQ(s.UnitSeries[2].date, 0);  // the protected element is kept out of the append
  EXPECT_EQ(s.form.Text1.Text, "");
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.form.Check6.BackColor, kDoneColor);

  s.OverwriteSource5 = true;
  s.UnitSeries = {{q(1), 11, 0}, {q(2), 21, 0}, {q(3), 31, 0}};
  EXPECT_TRUE(write(2));
  EXPECT_EQ(rows(),
            (std::vector<Stored>{
                {q(0), 1, 2}, {q(1), 11, 2}, {q(2), 21, 2}, {q(3), 31, 2}, {q(4), 40, 7}, {q(5), 1, 2}}));
}

TEST_P(UnitWriterTest, OnlyMissingValuesWriteNothingAndLeaveTheBoxBusy) {
  store(q(0), 1, 2);
  s.UnitSeries = {{q(0), M, 0}, {q(1), M, 0}};
  EXPECT_FALSE(write(1));
  EXPECT_EQ(rows(), (std::vector<Stored>{{q(0), 1, 2}}));
  EXPECT_EQ(s.form.Check6.BackColor, kBusyColor);
}

// The period's stored rows are replaced on every engine, whatever the count of daily values.
TEST_P(UnitWriterTest, StoredTimesAreReplacedWhateverTheCount) {
  for (int n = 0; n < 14; ++n) store(q(n), 1, 2);
  for (int32_t count : {0, 5}) {
    s.UnitSeries.clear();
    for (int n = 0; n < 14; ++n) s.UnitSeries.push_back({q(n), 5.0 + count, 0});
    s.UnitSeries.push_back({q(20), 5.0 + count, 0});
    EXPECT_TRUE(write(14, count)) << count;
    ASSERT_EQ(rows().size(), 15u);
    for (const Stored& r : rows()) EXPECT_EQ(r.value, 5.0 + count) << count;
  }
  EXPECT_TRUE(s.errlog.written().empty());
}

// A row the engine refuses as a duplicate is skipped with one line; the others are written. The
// eleventh refusal ends the pass, which is undone.
TEST_P(UnitWriterTest, RowsTheEngineRefusesAsDuplicatesAreSkippedWithALine) {
  if (s.HdbUseDAO) return;  // DAO ends its pass at the first refusal
  for (int n = 0; n < 14; ++n) store(q(n), 1, 2);
  testing::refuseInserts(file, "runit", "duplicate", testing::Refusal::Faulty, "new.value = 6");
  s.UnitSeries.clear();
  for (int n = 0; n < 14; ++n) s.UnitSeries.push_back({q(n), 6, 0});
  EXPECT_FALSE(write(13));
  ASSERT_EQ(s.errlog.written().size(), 11u);
  EXPECT_EQ(s.errlog.written()[0], "1001 at 6/5/2024 RUNIT skip dublicate -2147217900");
  EXPECT_EQ(s.errlog.written()[1], "1001 at 6/5/2024 12:15:00 AM RUNIT skip dublicate -2147217900");
  EXPECT_EQ(rows().size(), 14u);
  for (const Stored& r : rows()) EXPECT_EQ(r.value, 1);
  EXPECT_EQ(s.LastError, "");

  s.UnitSeries = {{q(12), 6, 0}, {q(13), 6, 0}, {q(30), 7, 0}};
  const size_t before = s.errlog.written().size();
  EXPECT_TRUE(write(2));
  EXPECT_EQ(s.errlog.written().size() - before, 2u);
  EXPECT_EQ(rows().back(), (Stored{q(30), 7, 2}));
}

TEST_P(UnitWriterTest, MidnightOnlyWritesTheValuesAtZeroHours) {
  s.UnitSeries = {{q(0), 1, 0}, {q(1), 2, 0}, {q(95), 3, 0}, {q(96), 4, 0}};
  EXPECT_TRUE(write(3, 5, true));
  EXPECT_EQ(rows(), (std::vector<Stored>{{q(0), 1, 2}, {q(96), 4, 2}}));
}

TEST_P(UnitWriterTest, AModelRunGoesToMunitThenRunit) {
  s.ModelRunWrite = {1, 1};
  s.RunId = 4;
  s.TraceNo = 2;
  s.UnitSeries = {{q(0), 1, 0}, {q(1), 2, 0}};
  EXPECT_TRUE(write(1));
  EXPECT_EQ(rows("munit", " and run_id=4 and trace=2"), (std::vector<Stored>{{q(0), 1, 2}, {q(1), 2, 2}}));
  EXPECT_EQ(rows(), (std::vector<Stored>{{q(0), 1, 2}, {q(1), 2, 2}}));
  EXPECT_EQ(s.ModelRunWrite.modelRun, 1);
}

TEST_P(UnitWriterTest, TheAlertSumsTheLastFourValuesAfterTheAlertStart) {
  FloodAlertTracker& a = s.Alert;
  a.AlertActive = 3;
  a.AlertSumCount = 4;
  a.AlertLevel = 10;
  a.AlertCrossDates.assign(1, 0);
  a.AlertFromTime = q(0);
  // 100 at the alert start itself is not counted; 3 + 3 + 3 + 1 is 10, which does not cross.
  s.UnitSeries = {{q(0), 100, 0}, {q(1), 3, 0}, {q(2), 3, 0}, {q(3), 3, 0}, {q(4), 1, 0}};
  write(4);
  EXPECT_EQ(a.AlertValue, 10);
  EXPECT_EQ(a.AlertActive, 3);
  s.UnitSeries = {{q(5), 5, 0}};  // 3 drops out: 3 + 3 + 1 + 5 = 12
  write(0);
  EXPECT_EQ(a.AlertValue, 12);
  EXPECT_EQ(a.AlertCrossDates[0], q(5));
  EXPECT_EQ(a.AlertActive, 0);

  a.AlertActive = 2;  // an hourly alert is not fed by unit values
  a.AlertValue = 0;
  s.UnitSeries = {{q(6), 50, 0}};
  write(0);
  EXPECT_EQ(a.AlertValue, 0);
}

TEST_P(UnitWriterTest, AnIndexBeyondTheSeries) {
  s.UnitSeries = {{q(0), 1, 0}, {q(1), 2, 0}};
  int32_t last = 5;
  bool written = false;
  if (s.HdbUseDAO) {
    hdbunitDAO(s, "1001", 5, 2, 1, last, written, false);
    EXPECT_EQ(last, 1);  // lowered to the last element
    EXPECT_TRUE(written);
    EXPECT_EQ(rows().size(), 2u);
  } else {
    hdbunit(s, "1001", 5, 2, 1, last, written, false);
    EXPECT_FALSE(written);
    EXPECT_TRUE(rows().empty());
    EXPECT_NE(s.LastError.find("1001 RUNIT at Line  5  Subscript out of range"), std::string::npos)
        << s.LastError;
  }
}

TEST_P(UnitWriterTest, AFailingAppendLeavesTheOldRowsAndTellsWhatMayHelp) {
  for (int n = 0; n <= 9; ++n) store(q(n), 1, 2);
  testing::refuseInserts(file, "runit", "full_disk", testing::Refusal::DiskFull);
  s.UnitSeries.clear();
  for (int n = 0; n <= 9; ++n) s.UnitSeries.push_back({q(n), 2, 0});
  EXPECT_FALSE(write(9));
  EXPECT_EQ(rows().size(), 10u);
  for (const Stored& r : rows()) EXPECT_EQ(r.value, 1);
  if (s.HdbUseDAO)
    EXPECT_EQ(s.LastError,
              "06-05-2024 00:00 1001 RUNIT at Line  0  disk full\n" + std::string(kDaoErrorHint));
  else
    EXPECT_EQ(
        s.LastError,
        "06-05-2024 01:15 1001 RUNIT at Line  5  disk full\nChanging ending retrieval date or deleting last "
        "day values for calculations with missing values may resolve this error.");
}

// ---- shifts ------------------------------------------------------------------------------------

TEST_P(UnitWriterTest, ShiftPeriodStartsAtTheUnitTimeOfTheFirstShift) {
  for (int n = 0; n <= 4; ++n) store(q(n), 0.1, 2, "runitshift");
  // The shifts carry the unit values' index; the first one is missing.
  s.UnitSeries = {{q(0), 5, 0}, {q(1), 5, 0}, {q(2), 5, 0}, {q(3), 5, 0}};
  s.ShiftSeries = {{q(0), M, 0}, {q(1), 0.2, 3}, {q(2), 0.3, 0}, {q(3), M, 0}};
  shift(3, q(3));
  EXPECT_EQ(rows("runitshift"),
            (std::vector<Stored>{{q(0), 0.1, 2}, {q(1), 0.2, 3}, {q(2), 0.3, 0}, {q(4), 0.1, 2}}));
  EXPECT_EQ(s.form.Check8.BackColor, kDoneColor);
}

TEST_P(UnitWriterTest, ShiftsDatedTwoOrEarlierNeverWidenThePeriod) {
  store(q(-400), 0.1, 2, "runitshift");
  for (int n = 0; n <= 2; ++n) store(q(n), 0.1, 2, "runitshift");
  // The first unit value and its shift have no time stamp: the period starts at q(1), not in 1899.
  s.UnitSeries = {{0.5, 5, 0}, {q(1), 5, 0}, {q(2), 5, 0}};
  s.ShiftSeries = {{0.5, 0.2, 3}, {q(1), 0.3, 3}, {q(2), 0.4, 3}};
  shift(2, q(2));
  EXPECT_EQ(rows("runitshift"),
            (std::vector<Stored>{{q(-400), 0.1, 2}, {q(0), 0.1, 2}, {q(1), 0.3, 3}, {q(2), 0.4, 3}}));
  EXPECT_EQ(s.LastError, "");
}

TEST_P(UnitWriterTest, AProtectedShiftKeepsItsShiftElementOutAndLeavesTheUnitValues) {
  store(q(1), 0.9, 5, "runitshift");
  s.UnitSeries = {{q(0), 5, 0}, {q(1), 6, 0}, {q(2), 7, 0}};
  const auto units = s.UnitSeries;
  s.ShiftSeries = {{q(0), 0.1, 2}, {q(1), 0.2, 2}, {q(2), 0.3, 2}};
  shift(2, q(2));
  EXPECT_EQ(rows("runitshift"), (std::vector<Stored>{{q(0), 0.1, 2}, {q(1), 0.9, 5}, {q(2), 0.3, 2}}));
  EXPECT_EQ(s.ShiftSeries[1].date, 0);
  for (size_t i = 0; i < units.size(); ++i) EXPECT_EQ(s.UnitSeries[i].date, units[i].date) << i;
  EXPECT_EQ(s.LastError, "");
  EXPECT_TRUE(s.errlog.written().empty());
}

TEST_P(UnitWriterTest, ShiftsWithoutAValueLeaveTheBoxBusy) {
  s.UnitSeries = {{q(0), 5, 0}};
  s.ShiftSeries = {{q(0), M, 0}};
  shift(0, q(0));
  EXPECT_TRUE(rows("runitshift").empty());
  EXPECT_EQ(s.form.Check8.BackColor, kBusyColor);
}

TEST_P(UnitWriterTest, ShiftWriteCanceledAfterFiveErrors) {
  for (int n = 0; n <= 9; ++n) store(q(n), 0.1, 2, "runitshift");
  testing::refuseInserts(file, "runitshift", "full_disk", testing::Refusal::DiskFull);
  s.UnitSeries.clear();
  s.ShiftSeries.clear();
  for (int n = 0; n <= 9; ++n) {
    s.UnitSeries.push_back({q(n), 5, 0});
    s.ShiftSeries.push_back({q(n), 0.5, 2});
  }
  shift(9, q(9));
  EXPECT_EQ(rows("runitshift").size(), 10u);
  for (const Stored& r : rows("runitshift")) EXPECT_EQ(r.value, 0.1);
  if (s.HdbUseDAO) {
    EXPECT_EQ(s.LastError,
              "06-05-2024 00:00 1001 RUNITSHIFT at Line  0  disk full\n" + std::string(kDaoErrorHint));
    EXPECT_TRUE(t.ui.boxes.empty());
  } else {
    EXPECT_EQ(s.LastError, "06-05-2024 13:15 1001 RUNITSHIFT  at Line  5  disk full");
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text, "1001 RUNITSHIFT write canceled after 5 errors.");
  }
}

// A full disk makes SQLite undo the whole transaction by itself. The pass must stop there: the
// rows after the failing one would otherwise go in one by one outside any transaction.
TEST_P(UnitWriterTest, AFullDiskInTheMiddleOfTheAppendLeavesThePeriodAsItWas) {
  for (int n = 0; n < 200; ++n) store(q(n), 1, 2);
  const auto before = rows();
  s.UnitSeries.clear();
  for (int n = 0; n < 3000; ++n) s.UnitSeries.push_back({q(n), 7, 0});
  // The database may not grow: the new rows fill the pages the old ones free, and then the disk
  // is full.
  const auto& backend = s.HdbUseDAO ? s.HdbDb.backend() : s.HdbCnn.backend();
  // On a server the like of it is the connection lost in the middle of the append: the server
  // undoes the transaction, and the program must not go on outside it.
  const bool server = testing::isPostgres(file);
  const std::string failure = server ? "terminating connection" : "database or disk is full";
  if (server) {
    execSql(file,
            "create function fw_lose() returns trigger language plpgsql as $$ begin if new.value = 7 and "
            "new.date_time > " + testing::dateSql(q(100)) +
                " then perform pg_terminate_backend(pg_backend_pid()); end if; return new; end $$;"
                "create trigger lose before insert on runit for each row execute function fw_lose();");
  } else {
    const int64_t pages = backend->run("PRAGMA page_count;").cells.at(0).toInteger();
    backend->run("PRAGMA max_page_count=" + std::to_string(pages) + ";");
  }

  EXPECT_FALSE(write(2999, 3000));
  EXPECT_EQ(rows(), before);
  EXPECT_NE(s.LastError.find(failure), std::string::npos) << s.LastError;
  int full = 0;
  for (const std::string& line : s.errlog.written()) {
    EXPECT_EQ(line.find("dublicate"), std::string::npos) << line;
    if (line.find(failure) != std::string::npos) ++full;
  }
  EXPECT_EQ(full, 1);
  EXPECT_FALSE(backend->inTransaction());
  EXPECT_EQ(s.form.Check6.BackColor, kDoneColor);
}

// Another program holds a write for 2 s (the database editor, a second program): the pass waits
// for it at its start instead of failing with "database is locked".
TEST_P(UnitWriterTest, APassWaitsForAnotherWriterAndThenSucceeds) {
  store(q(0), 1, 2);
  std::unique_ptr<db::Backend> other = testing::openBackend(file, true);
  if (testing::isPostgres(file)) {
    // A server locks tables, not the database: the other program holds the table's write lock.
    other->run("BEGIN;");
    other->run("LOCK TABLE runit IN EXCLUSIVE MODE;");
  } else {
    other->run("BEGIN IMMEDIATE;");
  }
  other->run(testing::translated(file, "insert into runit values (2002, " + testing::dateSql(45000) + ", 1, 2);"));
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    other->run("COMMIT;");
  });
  s.UnitSeries = {{q(0), 5, 0}, {q(1), 6, 0}};
  const auto start = std::chrono::steady_clock::now();
  const bool written = write(1);
  const auto waited = std::chrono::steady_clock::now() - start;
  release.join();
  EXPECT_TRUE(written);
  EXPECT_GE(waited, std::chrono::milliseconds(1500));
  EXPECT_EQ(rows(), (std::vector<Stored>{{q(0), 5, 2}, {q(1), 6, 2}}));
  EXPECT_EQ(s.LastError, "");
  EXPECT_TRUE(s.errlog.written().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, UnitWriterTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
