#include "run/station_setup.h"

#include <gtest/gtest.h>

#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/line_kinds.h"
#include "run/links.h"
#include "run/run_fixture.h"
#include "run/station_options.h"
#include "run/station_road.h"

namespace fw {
namespace {

using testing::SiteRow;

class SetUpTest : public testing::RunFixture {
 protected:
  // Sites as rsite rows: DSID, datatype, unit, parameter; the state goes in through SQL.
  void sites(const std::vector<SiteRow>& rows) { setUp({}, {"*; 0; c; "}, rows); }
  void state(const std::string& dsid, const std::string& st) {
    testing::execSql(hdb, "update rsite set state='" + st + "' where datatype_site_id=" + dsid);
    setupdata(s);
  }
  LineState line(const std::string& fields, int16_t type) {
    LineState l = stationLine(fields);
    ctx.SourceType = type;
    return l;
  }
  void rupdate(const std::string& dsid, double updated, double value) {
    testing::execSql(hdb, "insert into rupdate (datatype_site_id, note, updated, value) values (" + dsid +
                              ", 'n', " + vb::CStr(updated) + ", " + vb::CStr(value) + ")");
  }
  std::string logText() const { return testing::readFile(t.folder / "Flumewright_errlog.txt"); }

  RunContext ctx;
  const int32_t runDay = static_cast<int32_t>(vb::Int(testing::kTestNow));
  void SetUp() override {
    s.RunDateTime = testing::kTestNow;
    s.RunDay = runDay;
  }
};

TEST_F(SetUpTest, HistoryWindowsCountBothDays) {
  sites({{"1101"}});
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-06-01 00:00";
  s.form.TextEnddate.Text = "2024-06-01 23:00";
  LineState l = line("09380000; 1101; Flow; A", 2);
  EXPECT_EQ(stationSetUp(s, ctx, l), std::nullopt);
  EXPECT_EQ(ctx.DaysBack, 1);
  EXPECT_EQ(l.FirstDay, l.LastDay);
  EXPECT_TRUE(s.UnitValues);

  // "Dailys Only": weather and snow stations read daily values, others lose "Write Daily MaxMin".
  s.form.Option1[0].Value = true;
  s.form.Check7.Value = 1;
  LineState snow = line("1050; 1101; Snow; A", 4);
  stationSetUp(s, ctx, snow);
  EXPECT_TRUE(snow.DailyFromSource);
  EXPECT_FALSE(s.UnitValues);
  EXPECT_EQ(s.form.Check7.Value, 1);
  LineState gauge = line("09380000; 1101; Flow; A", 2);
  stationSetUp(s, ctx, gauge);
  EXPECT_FALSE(gauge.DailyFromSource);
  EXPECT_EQ(s.form.Check7.Value, 0);
}

TEST_F(SetUpTest, ABeginAfterTheEndIsSaidOnceAndEveryLineFails) {
  sites({{"1101"}});
  s.RealtimeMode = false;
  s.BatchMode = true;
  s.form.TextBegindate.Text = "2024-06-02 00:00";
  s.form.TextEnddate.Text = "2024-06-01 00:00";
  s.errlog.open();
  for (int i = 0; i < 2; ++i) {
    LineState l = line("09380000; 1101; Flow; A", 2);
    EXPECT_EQ(stationSetUp(s, ctx, l), Move::endStation());
    EXPECT_TRUE(l.CloseDirectly);
    EXPECT_EQ(l.StationError, "09380000 1101 Your Start Date is later than your End Date, try again.");
  }
  s.errlog.close();
  EXPECT_EQ(logText(), "Your Start Date is later than your End Date, try again.\r\n");
  EXPECT_EQ(s.LastError, "Your Start Date is later than your End Date, try again.");
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(SetUpTest, RealTimeWindowsNeverGoBelowNoDays) {
  sites({{"1101"}});
  s.form.Text2.Text = "-5";
  LineState l = line("09380000; 1101; Flow; A", 2);
  stationSetUp(s, ctx, l);
  EXPECT_EQ(ctx.DaysBack, 0);
  EXPECT_EQ(l.LastDay, runDay);
  EXPECT_TRUE(s.UnitValues);
}

TEST_F(SetUpTest, TheRunoffQuestionIsAskedOnceInteractivelyAndNeverInBatch) {
  sites({{"30101", 30}});
  openRunDatabase(s);
  rupdate("-1", runDay - 40 + 0.5, 0);
  s.form.Text2.Text = "30";
  t.ui.answers = {MsgResult::Yes};
  LineState first = line("COMPUTE-RUNOFF; 30101; Runoff; A", 11);
  stationSetUp(s, ctx, first);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text,
            "Starting date is newer than last runoff computation update.  Do you want to start on last update?");
  EXPECT_EQ(t.ui.boxes[0].title, "Last runoff date: 40 days ago.");
  EXPECT_EQ(t.ui.boxes[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(s.form.Text2.Text, "40");
  EXPECT_EQ(ctx.DaysBack, 40);
  EXPECT_EQ(ctx.RunAnswer, static_cast<int16_t>(MsgResult::Yes));
  LineState second = line("COMPUTE-RUNOFF; 30101; Runoff; A", 11);
  stationSetUp(s, ctx, second);
  EXPECT_EQ(t.ui.boxes.size(), 1u);

  RunContext batch;
  s.BatchMode = true;
  s.form.Text2.Text = "30";
  LineState inBatch = line("COMPUTE-RUNOFF; 30101; Runoff; A", 11);
  stationSetUp(s, batch, inBatch);
  EXPECT_TRUE(batch.RunoffDateChecked);
  EXPECT_EQ(t.ui.boxes.size(), 1u);
}

TEST_F(SetUpTest, NoRunoffQuestionForAComputationOfAHundredDaysAgo) {
  sites({{"30101", 30}});
  openRunDatabase(s);
  rupdate("-1", runDay - 100, 0);
  s.form.Text2.Text = "30";
  LineState l = line("COMPUTE-RUNOFF; 30101; Runoff; A", 11);
  stationSetUp(s, ctx, l);
  EXPECT_TRUE(t.ui.boxes.empty());
  EXPECT_TRUE(ctx.RunoffDateChecked);
}

TEST_F(SetUpTest, ADsidPairGivesEachPassItsSeries) {
  sites({{"23101"}, {"16102"}, {"5103"}, {"5104"}});
  ctx.SnowmeltParameters = "a,b,c,d,e,f,g,5103,5104";
  const char* fields = "SNOWMELT-A; 23101, 16102; Snow water, Snow depth; A";
  struct Case {
    int16_t step;
    const char* dsid;
    const char* name;
    bool unitWrite;
  } cases[] = {{0, "23101", "Snow water", false},
               {1, "16102", "Snow depth", true},
               {2, "5103", "Snow Age", true},
               {3, "5104", "Albedo", true}};
  for (const Case& c : cases) {
    ctx.SnowFollowStep = c.step;
    ctx.UnitWriteFlag = false;
    LineState l = line(fields, 12);
    EXPECT_EQ(stationSetUp(s, ctx, l), std::nullopt) << c.step;
    EXPECT_EQ(l.Dsid, c.dsid) << c.step;
    EXPECT_EQ(l.Datatype_Name, c.name) << c.step;
    EXPECT_EQ(ctx.UnitWriteFlag, c.unitWrite) << c.step;
    EXPECT_GT(l.SiteRow, 0) << c.step;
  }
}

TEST_F(SetUpTest, CanadianSitesReadTheCanadianServiceUnlessAKeywordNamesTheirRoad) {
  sites({{"1101"}});
  struct Case {
    const char* state;
    const char* id;
    int16_t type;
    bool canada;
    int16_t after;
  } cases[] = {
      {"BC", "08MF005", 2, true, 0},   {"bc ", "08MF005", 2, true, 0}, {"ON", "ROUTE-A", 10, true, 10},
      {"QC", "COMPUTE-X", 11, true, 11}, {"AB", "KSACRAMENTO", 1, true, 1}, {"", "08MF005", 2, false, 2},
      {"N", "08MF005", 2, false, 2},   {"WA", "12345678", 2, false, 2}, {"NS", "ABC", 3, true, 0},
  };
  for (const Case& c : cases) {
    state("1101", c.state);
    s.CanadaSite = false;
    LineState l = line(std::string(c.id) + "; 1101; Flow; A", c.type);
    stationSetUp(s, ctx, l);
    EXPECT_EQ(s.CanadaSite, c.canada) << c.state << " " << c.id;
    EXPECT_EQ(ctx.SourceType, c.after) << c.state << " " << c.id;
  }
  EXPECT_TRUE(isCanadianState("NL"));
  EXPECT_FALSE(isCanadianState("BC AB"));
}

TEST_F(SetUpTest, DsidZeroKeepsTheStateOfTheLineBefore) {
  sites({{"1101"}});
  state("1101", "az");
  LineState before = line("09380000; 1101; Flow; A", 2);
  stationSetUp(s, ctx, before);
  EXPECT_EQ(s.SiteState, "AZ");
  LineState zero = line("MADIS-KSAC; 0; Collect; A", 30);
  EXPECT_EQ(stationSetUp(s, ctx, zero), std::nullopt);
  EXPECT_EQ(zero.SiteRow, 0);
  EXPECT_EQ(s.SiteState, "AZ");
  EXPECT_FALSE(s.CanadaSite);
}

TEST_F(SetUpTest, ASiteMissingFromTheListFailsTheLine) {
  sites({{"1101"}});
  LineState asked = line("09380000; 9999; Flow; A", 2);
  EXPECT_EQ(stationSetUp(s, ctx, asked), Move::endStation());
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].title, "Station Not Found");
  EXPECT_EQ(t.ui.boxes[0].text,
            "9999 Site not found in database table RSite.\r\nUse Tablewise to add site info to table RSite.\r\n"
            "Restart Flumewright to load the new rsite info.");
  EXPECT_EQ(asked.StationError, "");

  s.BatchMode = true;
  LineState unattended = line("09380000; 9999; Flow; A", 2);
  EXPECT_EQ(stationSetUp(s, ctx, unattended), Move::endStation());
  EXPECT_EQ(unattended.StationError, "9999 Site not found in database table RSite.");
  EXPECT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(ctx.StationsRun, 0);
}

// The line's own set-up runs while its source is down (it reaches the retrieval, which then says
// the line was not retrieved); a Canadian site takes another service, whose state is its own.
TEST_F(SetUpTest, WhileTheSourceIsDownTheSetUpStillRunsAndACanadianSiteStartsAfresh) {
  sites({{"1101"}});
  s.InternetFailed = true;
  s.LastError = "GetURL: no connection";
  LineState l = line("KSACRAMENTO; 1101; Temp; A", 1);
  EXPECT_EQ(stationSetUp(s, ctx, l), std::nullopt);
  EXPECT_FALSE(l.CloseDirectly);
  EXPECT_EQ(l.StationError, "");
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(s.errlog.written().size(), 0u);

  state("1101", "BC");
  LineState canadian = line("08MF005; 1101; Flow; B", 6);
  EXPECT_EQ(stationSetUp(s, ctx, canadian), std::nullopt);
  EXPECT_EQ(ctx.SourceType, 0);
  EXPECT_FALSE(s.InternetFailed);
}

}  // namespace
}  // namespace fw
