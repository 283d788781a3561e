#include "run/line_kinds.h"

#include <gtest/gtest.h>

#include "platform/db/sqlite_backend.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"
#include "run/links.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;

LineState lineOf(std::vector<std::string> fields) {
  LineState line;
  line.fields = {""};
  line.fields.insert(line.fields.end(), fields.begin(), fields.end());
  return line;
}

class LineKindsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hdb = testing::openTestHdb(s, HdbEngine::Dao);
    openRunDatabase(s);
    s.RunDateTime = s.LastRunStart = testing::kTestNow;  // 2024-06-05 13:15
    s.RunDay = vb::Int(s.RunDateTime);
    s.RealtimeMode = true;
    s.form.Text2.Text = "1";
  }
  void TearDown() override { closeRunDatabase(s); }

  // Runs one line through the line kinds; the text it added to the log pane comes back in pane.
  std::optional<Move> run(std::vector<std::string> fields) {
    LineState line = lineOf(std::move(fields));
    size_t before = s.form.Text1.Text.size();
    std::optional<Move> move = lineKinds(s, ctx, line);
    pane = s.form.Text1.Text.substr(before);
    return move;
  }

  testing::TestSession t;
  Session& s = t.s;
  RunContext ctx;
  std::filesystem::path hdb;
  std::string pane;
  const int32_t today = 45448;  // 06/05/2024
};

TEST_F(LineKindsTest, CommentsAndTheLineHead) {
  EXPECT_EQ(run({"USGS*old", "1101", "Flow", "Site"}), Move::nextLine());  // "*" anywhere
  LineState shell = lineOf({"Shell-/opt/Hms/run.sh x", " 11 01 ", "Flow", "Site"});
  readLineHead(shell);
  EXPECT_EQ(shell.StationId, "SHELL-/opt/Hms/run.sh x");  // the command keeps its case
  EXPECT_EQ(shell.Dsid, "1101");
  EXPECT_EQ(shell.SiteNumber, 101);
  LineState pair = lineOf({"SNOWCAST,XXX", "23201, 23202", "SWE,Depth", "Basin"});
  readLineHead(pair);
  EXPECT_EQ(pair.DsidList, "23201,23202");
}

TEST_F(LineKindsTest, IfLineSkipsByItsConditionOnTheStoredValue) {
  testing::execSql(hdb, "insert into rday values (1045, 45447, 4000, 0)");  // the window's first day
  EXPECT_EQ(run({"IF", "1045", "Skip if dry", "Reservoir X", "rday", "NO-2", "P1>4500"}), Move::skipLines(2));
  EXPECT_EQ(pane, "Skip if dry  IF  1045\r\nrday P1>4500 NO-2\r\n");
  EXPECT_EQ(ctx.ConditionResult, 2);

  testing::execSql(hdb, "update rday set value=5000 where datatype_site_id=1045");
  EXPECT_EQ(run({"IF", "1045", "Skip if dry", "", "rday", "NO-2", "P1>4500"}), Move::nextLine());
  EXPECT_EQ(pane, "Skip if dry  IF  1045\r\nrday P1>4500 SKIP-FALSE\r\n");
  // A condition that holds without "-n" skips nothing.
  EXPECT_EQ(run({"IF", "1045", "x", "", "rday", "", "P1>4500"}), Move::nextLine());
  EXPECT_NE(pane.find("SKIP-FALSE"), std::string::npos);
}

TEST_F(LineKindsTest, AnUpdatedStationIsAskedForTheDayItsRupdateRowNames) {
  testing::execSql(
      hdb,
      "insert into rday values (1045, 45440, 9000, 0); insert into rday values (1045, 45447, 10, 0);"
      "insert into rupdate values (1045, 'x', 45448.3, 45440)");
  EXPECT_EQ(run({"IF", "1045", "x", "", "rday", "-1", "P1>4500"}), Move::skipLines(1));
}

TEST_F(LineKindsTest, AMissingValueIsZeroAndSaysSo) {
  EXPECT_EQ(run({"IF", "1045", "x", "", "rday", "-1", "P1=0"}), Move::skipLines(1));
  EXPECT_EQ(s.LastError, "1045 missing for IF/SKIP check, zero used.");
  EXPECT_EQ(s.errlog.written().back(), s.LastError);
  EXPECT_EQ(pane.rfind("1045 missing for IF/SKIP check, zero used.\r\n", 0), 0u) << pane;
}

// A read that fails on a lock is no missing row: the lines the condition guards are passed over
// (here the condition would be false on a zero and run them) and the line is a bad station.
TEST_F(LineKindsTest, ALockedReadIsAnErrorOfTheReadAndItsLinesAreSkipped) {
  testing::execSql(hdb, "insert into rday values (1045, 45447, 4000, 0)");
  // Another program's write locks readers out only under the rollback journal (with the
  // write-ahead log readers go on reading): the database is opened again with it.
  closeRunDatabase(s);
  db::setSqliteWriteAheadLog(false);
  openRunDatabase(s);
  dynamic_cast<db::SqliteBackend&>(*s.HdbDb.backend()).setBusyTimeout(100);
  db::SqliteBackend other(hdb, false);
  other.run("BEGIN EXCLUSIVE;");
  EXPECT_EQ(run({"IF", "1045", "Skip if dry", "", "rday", "-2", "P1>4500"}), Move::skipLines(2));
  other.run("ROLLBACK;");
  EXPECT_NE(s.LastError.find("1045 could not be read for IF/SKIP check"), std::string::npos) << s.LastError;
  EXPECT_NE(s.LastError.find("database is locked"), std::string::npos) << s.LastError;
  EXPECT_EQ(ctx.BadStationCount, 1);
  for (const std::string& line : s.errlog.written()) EXPECT_EQ(line.find("zero used"), std::string::npos) << line;

  // Unlocked, the same line reads its row again.
  EXPECT_EQ(run({"IF", "1045", "Skip if dry", "", "rday", "-2", "P1>4500"}), Move::nextLine());
}

TEST_F(LineKindsTest, DsidZeroReadsNothingAndDefinesDOnlyWhenTheConditionNamesIt) {
  // P1 is not defined: it reads as 0, so "P1" is false.
  EXPECT_EQ(run({"IF", "0", "x", "", "rday", "-3", "P1"}), Move::nextLine());
  EXPECT_EQ(run({"IF", "0", "Winter", "", "rday", "-3", "Month(D)<4 Or Month(D)>10"}), Move::nextLine());
  EXPECT_EQ(run({"IF", "0", "June", "", "rday", "-3", "Month(D)=6"}), Move::skipLines(3));
  EXPECT_EQ(run({"IF", "0", "June", "", "rday", "-3", "Month(d)=6"}),
            Move::nextLine());  // no capital D: d is empty
}

TEST_F(LineKindsTest, AlertLinesSkipOnceTheRunHasIssuedAnAlert) {
  EXPECT_EQ(run({"IF", "ALERT", "After alert", "", "rday", "-1", "P1"}), Move::nextLine());
  ctx.IssuedAlerts = "MINOR*Flood ALERT*\r\n";
  EXPECT_EQ(run({"IF", "alert", "After alert", "", "rday", "-1", "P1"}), Move::skipLines(1));
}

TEST_F(LineKindsTest, ParamLinesChooseTheSelectorOnceAndLaterConditionsArePassedOver) {
  testing::execSql(hdb,
                   "insert into rdaymax values (2045, 45447, 45447, 80, 0); insert into rdaymax values "
                   "(2045, 45448, 45448, 120, 0)");
  EXPECT_EQ(run({"IF", "2045", "Param set", "Lake", "rdaymax", "PARAM-2", "P1>200"}), Move::nextLine());
  EXPECT_EQ(pane, "Param set  IF  2045\r\nrdaymax P1>200 PARAM-FALSE\r\n");
  EXPECT_EQ(s.ParamSelector, 0);
  EXPECT_EQ(run({"IF", "2045", "Param set", "Lake", "rdaymax", "PARAM-2", "P1>100"}), Move::nextLine());
  EXPECT_EQ(s.ParamSelector, 2);
  EXPECT_EQ(pane, "Param set  IF  2045\r\nrdaymax P1>100 PARAM-2\r\n");
  EXPECT_EQ(run({"IF", "0", "x", "", "rday", "-1", "1=1"}), Move::nextLine());
  EXPECT_EQ(pane, "");
}

TEST_F(LineKindsTest, InHistoryModeAConditionLineGoesOnAsAStationLine) {
  s.RealtimeMode = false;
  EXPECT_EQ(run({"IF", "1045", "x", "", "rday", "-1", "1=1"}), std::nullopt);
  EXPECT_EQ(pane, "");
}

TEST_F(LineKindsTest, TableNamesAndDsidsAreCheckedBeforeTheyReachSql) {
  EXPECT_THROW(run({"IF", "1045", "x", "", "rday where 1=1 --", "-1", "P1"}), vb::Error);
  try {
    run({"IF", "10 45;drop", "x", "", "rday", "-1", "P1"});
    FAIL();
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.description(), "IF/SKIP check: DSID \"1045;drop\" is not a whole number.");
  }
}

TEST_F(LineKindsTest, SkipCountsFromTheOptions) {
  struct Case {
    int16_t r;
    const char* options;
    int16_t skip;
  } cases[] = {{-1, "-2", 2},     {0, "-2", 0},   {-1, "NO-2", 0}, {0, "no-2", 2},
               {-1, "", 0},       {-1, "--2", 0},  // a negative count would move the walk backwards
               {-1, "PARAM-3", 3}};
  for (const Case& c : cases) EXPECT_EQ(skipCount(c.r, c.options), c.skip) << c.r << " " << c.options;
}

TEST_F(LineKindsTest, TheOneStationFilterPassesOtherLinesOver) {
  ctx.settings.OneStationSdid = "1101";
  EXPECT_EQ(run({"09380000", "1102", "Flow", "Site"}), Move::nextLine());
  EXPECT_EQ(run({"09380000", "11 01", "Flow", "Site"}), std::nullopt);
  ctx.SnowFollowStep = 1;  // a snowmelt line asked for the lines after it
  EXPECT_EQ(run({"09380000", "1102", "Flow", "Site"}), std::nullopt);
}

class BatchIntervalTest : public LineKindsTest {
 protected:
  void SetUp() override {
    LineKindsTest::SetUp();
    s.BatchMode = true;
    s.BatchInterval = s.BaseBatchInterval = 30;
    s.form.Text5.Text = "30";
  }
  void rain(double value) {
    testing::execSql(hdb,
                     "delete from rhour; insert into rhour values (10045, 45448.5, 4, 0);"
                     "insert into rhour values (10045, 45448.52, " +
                         std::to_string(value) + ", 0)");
  }
  void set() { run({"SET", "10045", "Batch rule", "Creek", "-6,rhour", "15", "P1>5", "", "5", "P1>10"}); }
};

TEST_F(BatchIntervalTest, PicksIntervalAOrBOrTheBaseFromTheLargestValue) {
  rain(6.2);
  set();
  EXPECT_EQ(s.BatchInterval, 15);
  EXPECT_EQ(s.form.Text5.Text, "15");
  EXPECT_NEAR(s.NextRunTime, s.LastRunStart + 15.0 / 1440, 1e-9);
  EXPECT_EQ(s.errlog.written().back(), "15 minute batch interval max 6.2");
  EXPECT_EQ(pane, "\r\n10045 Batch 15 minutes \r\nP1>5P1>10 P1=6.2\r\n");

  rain(12);
  set();
  EXPECT_EQ(s.BatchInterval, 5);
  EXPECT_EQ(s.errlog.written().back(), "5 minute batch interval max 12");

  rain(3);
  set();
  EXPECT_EQ(s.BatchInterval, 30);
  size_t lines = s.errlog.written().size();
  set();  // unchanged: nothing logged
  EXPECT_EQ(s.errlog.written().size(), lines);
}

TEST_F(BatchIntervalTest, DoesNothingWithoutValuesOutsideBatchOrWithoutBothIntervals) {
  set();  // no rows in the window
  EXPECT_EQ(s.BatchInterval, 30);
  EXPECT_EQ(pane, "");
  rain(12);
  run({"SET", "10045", "x", "", "-6,rhour", "15", "P1>5", "", "0", "P1>10"});
  EXPECT_EQ(s.BatchInterval, 30);
  s.BatchMode = false;
  set();
  EXPECT_EQ(s.BatchInterval, 30);
  EXPECT_EQ(pane, "");
}

TEST_F(BatchIntervalTest, ABadRuleLeavesTheIntervalAndSaysWhyInLastError) {
  rain(12);
  run({"SET", "10045", "x", "", "-6,rhour;delete from rday", "15", "P1>5", "", "5", "P1>10"});
  EXPECT_EQ(s.BatchInterval, 30);
  EXPECT_EQ(s.LastError, "Batch interval rule: table \"rhour;delete from rday\" is not an HDB series table.");
  run({"SET", "10045", "x", "", "-6,rhour", "15", "P1>>5", "", "5", "P1>10"});
  EXPECT_EQ(s.BatchInterval, 30);
  EXPECT_EQ(s.LastError, "Syntax error");
}

TEST(RuleWindow, OffsetsCountBackOrForwardInTheTablesUnit) {
  const vb::VbDate start = testing::kTestNow;
  struct Case {
    const char* field5;
    int32_t interval;
    const char* unit;
    double beginMinutes, endMinutes;  // from the run start
  } cases[] = {{"-6,rhour", 30, "h", -360, 0},
               {"-2, RDAY", 30, "d", -2880, 0},
               {"2,rday", 30, "d", 0, 2880},
               {"1,runit", 15, "n", -15, 16},
               {"0.5,rhour", 30, "h", -30, 60}};
  for (const Case& c : cases) {
    RuleWindow w = ruleWindow(c.field5, start, c.interval);
    EXPECT_EQ(w.unit, c.unit) << c.field5;
    EXPECT_NEAR((w.begin - start) * 1440, c.beginMinutes, 1e-6) << c.field5;
    EXPECT_NEAR((w.end - start) * 1440, c.endMinutes, 1e-6) << c.field5;
  }
}

}  // namespace
}  // namespace fw
