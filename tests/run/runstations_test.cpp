#include "run/runstations.h"

#include <gtest/gtest.h>

#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "run/run_end.h"
#include "run/run_fixture.h"

namespace fw {
namespace {

using testing::HdbEngine;
using testing::SiteRow;

const std::vector<std::string> kDailys = {"Write Dailys= True"};

class RunTest : public testing::RunFixture {};

TEST_F(RunTest, AFinishedRunLogsItsBeginAndFinishAndStoresRowZero) {
  // A MADIS line only collects: it ends without values and without an error.
  setUp(kDailys, {"*---- gauges ----; 0; comment; ", "MADIS-KSAC; 1101; Flow; Colorado R; 0; 0; "},
        {{"1101"}});
  sources->onCall = [this](Session&, SourceCall&) { t.clock.advanceSeconds(187); };
  s.BatchMode = true;
  runstations(s);

  std::vector<std::string> log = this->log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "B E G I N  6/5/2024 1:15:00 PM");
  EXPECT_EQ(log[1], "Database connect using ADODB");
  EXPECT_TRUE(logHas("F I N I S H E D  3:07"));
  EXPECT_EQ(log.back(), "");  // the finish line is followed by an empty line
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetMadis KSAC"}));  // the id after its "-"
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
  EXPECT_EQ(testing::countRows(hdb,
                               "select * from rupdate where datatype_site_id=0 and note='Last error: ' "
                               "and abs(updated - 45448.5520833333) < 0.00001"),
            1);
  EXPECT_TRUE(s.ExitRequested);  // an unscheduled batch run: the program ends
  EXPECT_FALSE(s.form.Timer1.Enabled);
  EXPECT_TRUE(s.form.Command1.Enabled);
  EXPECT_FALSE(s.form.frameProgressBar.Visible);
  EXPECT_FALSE(s.errlog.isOpen());
  EXPECT_FALSE(s.RunActive);
}

TEST_F(RunTest, RowZeroSaysLastErrorAloneForDataNotAvailable) {
  setUp(kDailys, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  sources->otherwise.Error = "Data not available.";
  s.BatchMode = true;
  runstations(s);
  EXPECT_TRUE(logHas("09380000 1101 Data not available."));
  EXPECT_EQ(s.RunLastError, "09380000 1101 Data not available.");
  EXPECT_EQ(testing::countRows(hdb, "select * from rupdate where datatype_site_id=0 and note='Last error:'"),
            1);
}

TEST_F(RunTest, AScheduledBatchRunSetsTheNextRunAndTheCaption) {
  setUp({"Minutes between retrievals=15"}, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  auto tray = std::make_shared<FakeTray>();
  s.services.tray = tray;
  s.form.CheckBatch.Value = 1;
  runstations(s);

  EXPECT_TRUE(s.BatchMode);
  EXPECT_TRUE(s.BatchScheduled);
  EXPECT_EQ(s.BatchInterval, 15);
  EXPECT_EQ(s.BaseBatchInterval, 15);
  EXPECT_NEAR(s.NextRunTime, testing::kTestNow + 15.0 / 1440, 1e-9);
  EXPECT_EQ(s.form.Caption, s.FolderTag + " 01:15 PM ");
  EXPECT_EQ(s.TrayState, 1);
  EXPECT_EQ(tray->tips.back(), s.form.Caption);
  EXPECT_TRUE(s.form.Timer1.Enabled);
  EXPECT_FALSE(s.ExitRequested);
  EXPECT_EQ(s.form.Text2.Text, "0");
  EXPECT_EQ(s.UnitSeries.size(), 1u);

  // The next run keeps the schedule: the interval is not set again.
  s.form.Text5.Text = "60";
  t.clock.set(s.NextRunTime);
  runstations(s);
  EXPECT_EQ(s.BatchInterval, 15);
  EXPECT_FALSE(s.ExitRequested);
}

TEST_F(RunTest, ABatchStartFromTheCommandLineWithScheduledBatchAlsoSetsTheSchedule) {
  setUp({"Minutes between retrievals=20"}, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  s.BatchMode = true;  // "BATCH" on the command line
  s.form.CheckBatch.Value = 1;
  runstations(s);
  EXPECT_EQ(s.BatchInterval, 20);
  EXPECT_NEAR(s.NextRunTime, testing::kTestNow + 20.0 / 1440, 1e-9);
  EXPECT_TRUE(s.BatchScheduled);
}

TEST_F(RunTest, ElevenBadStationsWithTenAllowedCancelTheRun) {
  std::vector<std::string> lines;
  std::vector<SiteRow> sites;
  for (int i = 1; i <= 12; ++i) {
    std::string dsid = std::to_string(1100 + i);
    lines.push_back("0938" + std::to_string(1000 + i) + "; " + dsid + "; Flow; Site; 0; 0; ");
    sites.push_back({dsid});
  }
  setUp(kDailys, lines, sites);
  sources->otherwise.Error = "Site number or parameter not found.";
  s.BatchMode = true;
  runstations(s);

  EXPECT_EQ(sources->calls.size(), 11u);  // the twelfth line is never reached
  EXPECT_TRUE(logHas("11 station errors... Run canceled."));
  EXPECT_EQ(s.LastError, "11 station errors... Run canceled.");
  EXPECT_NE(s.form.Text1.Text.find("11 station errors... Run canceled.\r\nRun canceled!\r\n"),
            std::string::npos);
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Cancelled);
  EXPECT_EQ(testing::countRows(hdb,
                               "select * from rupdate where datatype_site_id=0 and "
                               "note='Last error: 11 station errors... Run canceled.'"),
            1);
}

TEST_F(RunTest, WarningsAndRepeatedSitesNeverCountTowardsTheLimit) {
  setUp({"Bad/Missing Stations Allowed=1"},
        {"09381001; 1101; Flow; A; 0; 0; ", "09381002; 1102; Flow; B; 0; 0; ",
         "09381003; 2102; Flow; C; 0; 0; ", "09381004; 1103; Flow; D; 0; 0; ",
         "09381005; 1104; Flow; E; 0; 0; "},
        {{"1101"}, {"1102"}, {"2102"}, {"1103"}, {"1104"}});
  sources->otherwise.Error = "Data not available.";
  sources->replies["09381001"].Error = "Warning short record";
  s.BatchMode = true;
  runstations(s);
  // A warning, one bad station, a bad station on the same site as the line before (reported, not
  // counted), and the second counted bad station passes the limit of 1.
  EXPECT_EQ(sources->calls.size(), 4u);
  EXPECT_TRUE(logHas("09381003 2102 Data not available."));
  EXPECT_TRUE(logHas("2 station errors... Run canceled."));
}

TEST_F(RunTest, NoInternetSessionInBatchTakesTheCancelPath) {
  setUp(kDailys, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  internet->refuse = true;
  s.BatchMode = true;
  runstations(s);
  EXPECT_TRUE(logHas("Database connect using ADODB"));
  for (const std::string& line : log()) EXPECT_EQ(line.find("F I N I S H E D"), std::string::npos);
  EXPECT_TRUE(sources->calls.empty());
  EXPECT_EQ(testing::countRows(hdb, "select * from rupdate"), 0);
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Cancelled);
  EXPECT_TRUE(s.ExitRequested);
  EXPECT_TRUE(s.form.Command1.Enabled);
  EXPECT_FALSE(s.errlog.isOpen());
}

TEST_F(RunTest, InteractiveRunsAskBeforeWorkingOffline) {
  setUp({}, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  internet->refuse = true;
  t.ui.answers = {MsgResult::Yes};
  runstations(s);
  ASSERT_FALSE(t.ui.boxes.empty());
  EXPECT_EQ(t.ui.boxes[0].text, "No internet connection. Do you wish to work offline?");
  EXPECT_EQ(sources->calls.size(), 1u);  // offline: the run goes on
}

TEST_F(RunTest, TheOneStationFilterRunsItsLineAndEndsTheWalk) {
  setUp({},
        {"09381001; 1101; Flow; A; 0; 0; ", "09381002; 1102; Flow; B; 0; 0; ",
         "09381003; 1102; Flow; B2; 0; 0; "},
        {{"1101"}, {"1102"}});
  s.BatchMode = true;
  s.form.Check1.Value = 1;
  s.form.Text3.Text = "1102";
  runstations(s);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetUSGS 09381002"}));
  EXPECT_TRUE(logHas("F I N I S H E D  0:00"));
}

TEST_F(RunTest, InteractiveEndShowsTheCountsOrStationNotOnList) {
  setUp({},
        {"09381001; 1101; Flow; A; 0; 0; ", "09381002; 1102; Flow; B; 0; 0; ",
         "09381003; 1203; Flow; C; 0; 0; "},
        {{"1101"}, {"1102"}, {"1203"}});
  sources->otherwise.Error = "Data not available.";
  sources->replies["09381001"].Error = "Warning gap";
  runstations(s);
  EXPECT_EQ(s.form.Caption, "Bad Stations 2  Warnings 1");
  ASSERT_EQ(t.ui.boxes.size(), 3u);  // each station error is shown
  EXPECT_EQ(t.ui.boxes[0].title, "Error!");
  EXPECT_NE(s.form.Text1.Text.find("F I N I S H E D"), std::string::npos);
  ASSERT_EQ(s.form.Text1.Marks.size(), 1u);  // the run's error lines in red
  EXPECT_EQ(s.form.Text1.Marks[0].color, 255);

  t.ui.boxes.clear();
  s.form.Check1.Value = 1;
  s.form.Text3.Text = "9999";
  runstations(s);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Station number not on list");
}

TEST_F(RunTest, TheStartMinuteIsWaitedForOnTheClock) {
  setUp({}, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  s.BatchMode = true;
  s.form.txtMinToStart.Text = "20";
  runstations(s);
  EXPECT_EQ(log()[0], "B E G I N  6/5/2024 1:20:00 PM");
  EXPECT_EQ(s.form.txtMinToStart.Text, "now");
  EXPECT_GT(t.ui.doEventsCalls, 500);  // the window stayed live every half second
}

TEST_F(RunTest, AStartMinuteOutsideTheHourStartsAtOnceAndSaysSo) {
  setUp({}, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  s.BatchMode = true;
  s.form.txtMinToStart.Text = "75";
  runstations(s);
  std::vector<std::string> log = this->log();
  EXPECT_EQ(log[0], "Start at minute 75 is not a minute 0 to 59; the run starts now.");
  EXPECT_EQ(log[1], "B E G I N  6/5/2024 1:15:00 PM");
}

TEST_F(RunTest, LinesWithoutAHandlerFailWithAClearTextAndTheRunGoesOn) {
  setUp({},
        {"NEXRAD-KDAX; 9501; Radar rain; Site A; ; 0; ", "HCFCD1234; 10305; Rain; B; 0; 0; ",
         "09380000; 1101; Flow; C; 0; 0; "},
        {{"9501", 9}, {"10305"}, {"1101"}});
  sources->onCall = [](Session&, SourceCall& c) {
    if (c.StationId == "09380000") throw vb::Error(vb::err::Overflow, "Overflow");
  };
  s.BatchMode = true;
  runstations(s);
  // The radar line reaches the radar batch, which finds no service here.
  EXPECT_TRUE(logHas("NEXRAD-KDAX 9501 KDAX 00060 9501 ... no connection"));
  EXPECT_TRUE(logHas("HCFCD1234 10305 HCFCD1234: no retriever exists for this kind of station line."));
  EXPECT_TRUE(logHas("09380000 1101 Overflow"));
  EXPECT_TRUE(logHas("F I N I S H E D  0:00"));
}

TEST_F(RunTest, AnErrorWhileClosingStillRestoresTheWindowAndEndsAnUnscheduledBatch) {
  setUp(kDailys, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  internet->failOnClose = true;
  s.BatchMode = true;
  runstations(s);
  EXPECT_TRUE(logHas("Run end: The internet session could not be closed."));
  EXPECT_TRUE(s.ExitRequested);
  EXPECT_TRUE(s.form.Command1.Enabled);
  EXPECT_EQ(s.form.MousePointer, Pointer::Default);
  EXPECT_FALSE(s.form.frameProgressBar.Visible);
  EXPECT_FALSE(s.errlog.isOpen());

  s.ExitRequested = false;
  s.form.CheckBatch.Value = 1;
  runstations(s);
  EXPECT_TRUE(s.form.Timer1.Enabled);  // a scheduled batch keeps its timer
  EXPECT_FALSE(s.ExitRequested);
}

TEST_F(RunTest, TheDaoEngineNotesTheDatabaseSizeInsteadOfTheAdoLine) {
  setUp({}, {"*; 0; c; "}, {}, HdbEngine::Dao);
  s.BatchMode = true;
  runstations(s);
  EXPECT_FALSE(logHas("Database connect using ADODB"));
  EXPECT_NE(s.form.Text1.Text.find("Updated 0 days, HDB size= 0 MB"), std::string::npos);
}

TEST_F(RunTest, AFailedCompactionIsLoggedWithItsText) {
  setUp({}, {"*; 0; c; "});
  s.BatchMode = true;
  s.CompactStatus = -1;
  s.LastError = "CompactRepair: the database is in use";
  runstations(s);
  EXPECT_EQ(log()[2], "CompactRepair: the database is in use");
}

TEST_F(RunTest, ASecondRunNeverStartsWhileOneIsGoing) {
  setUp({}, {"09380000; 1101; Flow; Colorado R; 0; 0; "}, {{"1101"}});
  s.BatchMode = true;
  int nested = 0;
  sources->onCall = [&](Session& session, SourceCall&) {
    runstations(session);
    ++nested;
  };
  runstations(s);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(sources->calls.size(), 1u);
}

TEST_F(RunTest, AStopRequestFinishesTheRunBeforeTheNextLine) {
  setUp({}, {"09381001; 1101; Flow; A; 0; 0; ", "09381002; 1102; Flow; B; 0; 0; "}, {{"1101"}, {"1102"}});
  s.BatchMode = true;
  sources->onCall = [](Session& session, SourceCall&) { session.StopRequested = true; };
  runstations(s);
  EXPECT_EQ(sources->calls.size(), 1u);
  EXPECT_TRUE(logHas("Run stopped before line 2."));
  EXPECT_TRUE(logHas("F I N I S H E D  0:00"));
}

TEST_F(RunTest, ADailyLineWithoutAParameterCodeStopsTheRun) {
  setUp({}, {"09381001-DAY; 1101; Flow; A; 0; 0; ", "09381002; 1102; Flow; B; 0; 0; "},
        {{"1101", 1, "cfs", ""}, {"1102"}});
  s.BatchMode = true;
  runstations(s);
  EXPECT_TRUE(logHas("09381001-DAY Table rsite parameter_code missing."));  // no box in batch
  EXPECT_TRUE(t.ui.boxes.empty());
  EXPECT_TRUE(sources->calls.empty());
  EXPECT_TRUE(logHas("F I N I S H E D  0:00"));
}

TEST_F(RunTest, AScheduledRunReadsTheSetupAgainWhenAsked) {
  setUp({}, {"09381001; 1101; Flow; A; 0; 0; "}, {{"1101"}, {"1102"}});
  s.form.CheckBatch.Value = 1;
  runstations(s);
  ASSERT_TRUE(s.BatchScheduled);
  std::string text = testing::readFile(t.folder / "Flumewright_setup.txt");
  text.replace(text.find("09381001; 1101"), 14, "09381002; 1102");
  testing::writeFile(t.folder / "Flumewright_setup.txt", text);
  s.form.chkReadSetup.Value = 1;
  sources->calls.clear();
  runstations(s);
  EXPECT_EQ(s.form.chkReadSetup.Value, 0);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetUSGS 09381002"}));
}

TEST_F(RunTest, LinesAddedBeforeASetupReloadAreRun) {
  setUp({}, {"09381001; 1101; Flow; A; 0; 0; "}, {{"1101"}, {"1102"}});
  s.form.CheckBatch.Value = 1;
  runstations(s);
  ASSERT_TRUE(s.BatchScheduled);
  std::string text = testing::readFile(t.folder / "Flumewright_setup.txt");
  text.insert(text.find("END\r\n"), "09381002; 1102; Flow; B; 0; 0; \r\n");
  testing::writeFile(t.folder / "Flumewright_setup.txt", text);
  s.form.chkReadSetup.Value = 1;
  sources->calls.clear();
  runstations(s);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetUSGS 09381001", "GetUSGS 09381002"}));

  // A range the user picked stays as it is.
  s.StationRange = {2, 2};
  s.form.chkReadSetup.Value = 1;
  sources->calls.clear();
  runstations(s);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetUSGS 09381002"}));
}

TEST(FinishLine, ElapsedTimeAsMinutesAndSecondsWithoutHours) {
  const double start = testing::kTestNow;
  struct Case {
    double seconds;
    const char* text;
  } cases[] = {{187, "3:07"}, {3725, "2:05"}, {0, "0:00"}, {-60, "0:00"}};
  for (const Case& c : cases) EXPECT_EQ(elapsedText(start, start + c.seconds / 86400), c.text) << c.seconds;
}

}  // namespace
}  // namespace fw
