// The starting conditions of a runoff station read back from the database, and the opening's
// checks, on a session with an open HDB.
#include <gtest/gtest.h>

#include "platform/db/dialect.h"
#include "run/links.h"
#include "run/run_fixture.h"
#include "run/runoff_start.h"

namespace fw {
namespace {

constexpr int32_t kStart = 45446;  // 06/03/2024

class RunoffStart : public testing::RunFixture {
 protected:
  void SetUp() override {
    setUp({}, {}, {{"30101", 30}});
    openRunDatabase(s);
    s.BatchMode = true;
    s.errlog.setPath(t.folder / "Flumewright_errlog.txt");
    s.errlog.open();
  }
  RunoffState state(const std::string& id, bool clark) {
    RunoffState r;
    r.params = readRunoffParameters("2,75,0.1,0,10,1.5,0.5,0,0,0,0,90,60,0,0,1,0,1,0,0,0,0.2,0,0.7,0,Lag0");
    r.clark = clark;
    line = stationLine(id + "; 30101; Runoff; Basin; 0; 0; ");
    line.Dsid = "30101";
    line.FirstDay = kStart;
    line.WindowDays = 3;
    runoffSetUp(s, ctx, line, r, 5);
    return r;
  }
  void put(const std::string& table, int dsid, double when, double value, const std::string& extra = "") {
    testing::execSql(hdb, "insert into " + table + " (datatype_site_id, date_time, value, source" +
                              (extra.empty() ? "" : ", run_id, trace") + ") values (" + std::to_string(dsid) + ", " +
                              db::dayLiteral(when) + ", " + std::to_string(value) + ", 1" + extra + ")");
  }
  RunContext ctx;
  LineState line;
};

TEST_F(RunoffStart, LastRunsStorageIsReadForTheStartDayAndKeptWithinTheDryLimit) {
  s.form.Check2.Value = 1;
  put("rday", 4101, kStart, 2.5);
  put("rday", -4101, kStart, 0.75);
  put("rday", 5101, kStart, 12);
  RunoffState r = state("COMPUTE-HOUR", false);
  ASSERT_FALSE(runoffStartConditions(s, ctx, line, r));
  EXPECT_DOUBLE_EQ(r.state.S1, 2.5);
  EXPECT_DOUBLE_EQ(r.state.Ia, 0.5);
  EXPECT_DOUBLE_EQ(r.state.RainSum, 0.75);
  EXPECT_DOUBLE_EQ(r.state.GroundwaterFlow, 12);
  EXPECT_EQ(ctx.WarningCount, 0);

  // S1dry is 1000 ÷ 60 − 10 = 6.6667: a thousandth above it stays, more is reset.
  const double dry = 1000.0 / 60 - 10;
  testing::execSql(hdb, "update rday set value=" + std::to_string(dry + 0.0009) + " where datatype_site_id=4101");
  r = state("COMPUTE-HOUR", false);
  runoffStartConditions(s, ctx, line, r);
  EXPECT_NEAR(r.state.S1, dry + 0.0009, 1e-6);
  testing::execSql(hdb, "update rday set value=9 where datatype_site_id=4101");
  r = state("COMPUTE-HOUR", false);
  runoffStartConditions(s, ctx, line, r);
  EXPECT_NEAR(r.state.S1, dry, 1e-12);
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(RunoffStart, AMissingStorageIsAWarningAndTheBasinStartsDry) {
  s.form.Check2.Value = 1;
  RunoffState r = state("COMPUTE-HOUR", false);
  ASSERT_FALSE(runoffStartConditions(s, ctx, line, r));
  EXPECT_EQ(ctx.WarningCount, 1);
  EXPECT_NEAR(r.state.S1, 1000.0 / 60 - 10, 1e-12);
  s.errlog.close();
  EXPECT_TRUE(logHas("Warning 4101 has no Storage value for Jun 03, 2024"));
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(RunoffStart, AClarkStationReadsItsStartingFlowOnTheStartDayWhenDailyAndADayLaterOtherwise) {
  s.form.Check2.Value = 1;
  put("rday", 4101, kStart, 2.5);
  put("rday", 30101, kStart, 40);
  put("rhour", 30101, kStart + 1, 55);
  RunoffState daily = state("COMPUTE-DAY", true);
  runoffStartConditions(s, ctx, line, daily);
  EXPECT_TRUE(daily.startFlowPending);
  EXPECT_DOUBLE_EQ(daily.startFlow, 40);
  RunoffState hourly = state("COMPUTE-HOUR", true);
  runoffStartConditions(s, ctx, line, hourly);
  EXPECT_DOUBLE_EQ(hourly.startFlow, 55);
  // A triangle station has no starting flow; without a stored one the flow starts at 0.
  RunoffState triangle = state("COMPUTE-HOUR", false);
  runoffStartConditions(s, ctx, line, triangle);
  EXPECT_FALSE(triangle.startFlowPending);
  testing::execSql(hdb, "delete from rhour");
  RunoffState none = state("COMPUTE-HOUR", true);
  runoffStartConditions(s, ctx, line, none);
  EXPECT_FALSE(none.startFlowPending);
  EXPECT_DOUBLE_EQ(none.startFlow, 0);
}

TEST_F(RunoffStart, WhatIfStartConditionsOfAModelRunReadTheModelRunTable) {
  s.form.Check2.Value = 1;
  s.WhatIf.StartDate = kStart + 1 + 0.4;
  s.WhatIf.StartRunID = 3;
  s.WhatIf.StartTrace = 2;
  put("mday", 4101, kStart + 1, 1.75, ", 3, 2");
  put("mday", 4101, kStart + 1, 3.25, ", 3, 1");
  put("rday", 4101, kStart + 1, 4.5);
  RunoffState r = state("COMPUTE-HOUR", false);
  runoffStartConditions(s, ctx, line, r);
  EXPECT_DOUBLE_EQ(r.state.S1, 1.75);
  EXPECT_EQ(ctx.WarningCount, 0);
}

TEST_F(RunoffStart, AStateSeriesNameThatIsNoNumberFailsTheStation) {
  s.form.Check2.Value = 1;
  RunoffState r = state("COMPUTE-HOUR", false);
  line.Dsid = "30x1";
  EXPECT_THROW(runoffStartConditions(s, ctx, line, r), vb::Error);
}

TEST_F(RunoffStart, SetUpDerivesTheLimitsAndSizesTheSeries) {
  struct Case {
    const char* parameters;
    bool curveNumber;
    double wet, dry;  // CN or IL limits after the set-up
    double range;
  };
  const char* tail = ",0,0,0,0,0,0,0.2,0,0.7,0,Lag0";
  for (const Case& c : {
           Case{"2,75,0.1,0,10,1.5,0.5,0,0,0,0,0,85,0,0,1", true, 88.6, 56.2, (1000 / 56.2 - 10) - (1000 / 88.6 - 10)},
           Case{"2,75,0,0,10,1.5,0.5,0,0,0,0,0,85,0,0,1", true, 75, 75, 1},
           Case{"2,75,0.1,0,10,1.5,0.5,0,0,0,0,70,90,0,0,1", true, 90, 70, (1000 / 70.0 - 10) - (1000 / 90.0 - 10)},
           Case{"2,1.5,0.1,0,10,1.5,0.5,0,0,0,0,0,0,0,0,1", false, 0, 1.5, 1.5},
           Case{"2,1.5,0.1,0,10,1.5,0.5,0,0,0,0,2.0,0.5,0,0,1", false, 0.5, 2.0, 1.5},
           Case{"2,9.99999,0.1,0,10,1.5,0.5,0,0,0,0,1,1,0,0,1", false, 1, 1, 1},
       }) {
    RunoffState r;
    r.params = readRunoffParameters(std::string(c.parameters) + tail);
    line = stationLine("COMPUTE-HOUR; 30101; Runoff; Basin; 0; 0; ");
    line.Dsid = "30101";
    runoffSetUp(s, ctx, line, r, 10);
    EXPECT_EQ(r.curveNumber, c.curveNumber) << c.parameters;
    if (c.curveNumber) {
      EXPECT_NEAR(r.CNwet, c.wet, 1e-9) << c.parameters;
      EXPECT_NEAR(r.CNdry, c.dry, 1e-9) << c.parameters;
    } else {
      EXPECT_NEAR(r.soil.ILwet, c.wet, 1e-9) << c.parameters;
      EXPECT_NEAR(r.soil.ILdry, c.dry, 1e-9) << c.parameters;
    }
    EXPECT_NEAR(r.soil.storageRange, c.range, 1e-9) << c.parameters;
    EXPECT_EQ(r.unitHydrograph.size(), 16u * 24 + 1) << c.parameters;
    EXPECT_EQ(line.Storage.DaySoil.size(), 17u);
  }
  EXPECT_TRUE(t.ui.boxes.empty());  // batch: the derived limits are not shown
  EXPECT_TRUE(s.RunoffCnMessageShown);
  EXPECT_TRUE(s.RunoffIlMessageShown);
}

TEST_F(RunoffStart, TheStartingConditionsAreShownUntilTheUserSaysNoAndCancelEndsTheRun) {
  s.BatchMode = false;
  put("rday", 4101, kStart, 9);  // above the dry limit: the reset message
  s.form.Check2.Value = 1;
  t.ui.answers = {MsgResult::Yes, MsgResult::No};
  RunoffState r = state("COMPUTE-HOUR", false);
  EXPECT_FALSE(runoffStartConditions(s, ctx, line, r));
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].title, "Basin starting conditions");
  EXPECT_EQ(t.ui.boxes[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(t.ui.boxes[0].text.substr(0, 40), "30101 Starting HDBstorage 9 greater than");
  EXPECT_FALSE(s.NoAsks);
  testing::execSql(hdb, "update rday set value=2.5 where datatype_site_id=4101");
  r = state("COMPUTE-HOUR", false);
  EXPECT_FALSE(runoffStartConditions(s, ctx, line, r));
  ASSERT_EQ(t.ui.boxes.size(), 2u);
  EXPECT_EQ(t.ui.boxes[1].text.substr(0, 48), "04-Jun-2024 Last Run's Storage is ON\r\nStarting s");
  EXPECT_TRUE(s.NoAsks);  // "No": not asked again this run
  r = state("COMPUTE-HOUR", false);
  runoffStartConditions(s, ctx, line, r);
  EXPECT_EQ(t.ui.boxes.size(), 2u);

  s.NoAsks = false;
  t.ui.answers = {MsgResult::Cancel};
  r = state("COMPUTE-HOUR", false);
  EXPECT_EQ(runoffStartConditions(s, ctx, line, r), Move::cancel());
}

}  // namespace
}  // namespace fw
