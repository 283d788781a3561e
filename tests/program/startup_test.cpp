#include "app/startup.h"

#include <gtest/gtest.h>

#include <set>

#include "app/headless_timer.h"
#include "app/launch.h"
#include "fake_links.h"
#include "platform/vb/error.h"
#include "run/service_fakes.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::FakeLinks;
using testing::readFile;
using testing::TestSession;

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { s.links = links; }
  TestSession t;
  Session& s = t.s;
  std::shared_ptr<FakeLinks> links = std::make_shared<FakeLinks>();
};

TEST(CommandLine, BatchAnywhereInAnyCaseAndScheduledBatch) {
  struct Case {
    const char* line;
    bool batch, scheduled;
  } cases[] = {
      {"", false, false},
      {"BATCH", true, false},
      {"/batch", true, false},
      {"-x Batched", true, false},
      {"BATC H", false, false},
      {"scheduled batch", true, true},
      {"Scheduled Batch x", true, true},
      {"scheduled  batch", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(commandLineSelectsBatch(c.line), c.batch) << c.line;
    EXPECT_EQ(commandLineSelectsSchedule(c.line), c.scheduled) << c.line;
  }
  const char* argv[] = {"flumewright", "a", "/Batch"};
  EXPECT_EQ(joinCommandLine(3, argv), "a /Batch");
  EXPECT_EQ(joinCommandLine(1, argv), "");
}

TEST(CommandLine, DisplayNeedsDisplayOrWaylandAndNoOffscreenPlatform) {
  struct Case {
    const char *display, *wayland, *platform;
    bool expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, false},  {":0", nullptr, nullptr, true},
      {"", nullptr, nullptr, false},       {nullptr, "wayland-0", nullptr, true},
      {":0", nullptr, "offscreen", false}, {":0", nullptr, "xcb", true},
  };
  for (const Case& c : cases) {
    auto env = [&](const char* name) -> const char* {
      std::string n = name;
      if (n == "DISPLAY") return c.display;
      if (n == "WAYLAND_DISPLAY") return c.wayland;
      if (n == "QT_QPA_PLATFORM") return c.platform;
      return nullptr;
    };
    EXPECT_EQ(displayAvailable(env), c.expected);
  }
}

TEST_F(Startup, BatchStartReadsTheSetupAndRunsAtOnce) {
  s.form.Text6.Text = "Bridge Creek";
  Form_Load(s, "/batch");
  EXPECT_TRUE(s.BatchMode);
  EXPECT_EQ(links->calls, (std::vector<std::string>{"setupdata", "runstations"}));
  EXPECT_EQ(s.form.Caption, "Flumewright " + std::to_string(FLUMEWRIGHT_VERSION_MAJOR) + "." +
                                std::to_string(FLUMEWRIGHT_VERSION_MINOR) + "." +
                                std::to_string(FLUMEWRIGHT_VERSION_PATCH));
  EXPECT_EQ(s.RadarWorkTable, (std::vector<std::vector<int32_t>>{{0, 0}, {0, 0}}));
  EXPECT_EQ(s.form.Text4.BackColor, kBusyColor);
  EXPECT_EQ(s.form.Text6.Text, "Bridge Creek");
  EXPECT_FALSE(s.form.CheckBatch.ticked());
}

TEST_F(Startup, InteractiveStartShowsTheLastRunAndDoesNotRun) {
  s.form.Text1.appendLine("old text");
  links->lastRun = vb::DateSerial(2024, 6, 3) + vb::TimeSerial(7, 5, 0);  // a Monday
  Form_Load(s, "");
  EXPECT_FALSE(s.BatchMode);
  EXPECT_EQ(links->count("runstations"), 0);
  EXPECT_EQ(s.form.Text6.Text, "  Last run Mon Jun 03 at 07:05");
  EXPECT_DOUBLE_EQ(s.LastRunTime, *links->lastRun);
  EXPECT_EQ(s.form.Text1.Text, "");
  EXPECT_TRUE(s.form.Visible);
}

TEST_F(Startup, AnInteractiveStartWithoutALastRunLeavesText6) {
  s.form.Text6.Text = "Bridge Creek";
  Form_Load(s, "");
  EXPECT_EQ(s.form.Text6.Text, "Bridge Creek");
  EXPECT_DOUBLE_EQ(s.LastRunTime, 0);
}

// The real links with the setup reduced to its connection line.
class ConnectionOnly : public StartupLinks {
 public:
  explicit ConnectionOnly(std::string conn) : conn_(std::move(conn)) {}
  void setupdata(Session& s) override { s.HdbConnString = conn_; }

 private:
  std::string conn_;
};

TEST_F(Startup, TheLastRunComesFromRupdateRowZeroOverAReadOnlyConnection) {
  const auto file = testing::makeHdb(t.folder.path());
  testing::execSql(file,
                   "insert into rupdate values (0, 'Last error: ', #06/03/2024 07:05#, 0);"
                   "insert into rupdate values (5001, 'x', #06/04/2024 08:00#, 0)");
  s.links = std::make_shared<ConnectionOnly>(testing::jetConnString(file));
  Form_Load(s, "");
  EXPECT_EQ(s.form.Text6.Text, "  Last run Mon Jun 03 at 07:05");
  EXPECT_TRUE(t.ui.boxes.empty());

  // No row 0 yet (a new database): Text6 stays as it was.
  testing::execSql(file, "delete from rupdate where datatype_site_id=0");
  TestSession fresh;
  fresh.s.links = std::make_shared<ConnectionOnly>(testing::jetConnString(file));
  fresh.s.form.Text6.Text = "Bridge Creek";
  Form_Load(fresh.s, "");
  EXPECT_EQ(fresh.s.form.Text6.Text, "Bridge Creek");
  EXPECT_TRUE(fresh.ui.boxes.empty());
}

class FailingSetup : public FakeLinks {
 public:
  void setupdata(Session&) override { throw vb::Error(53, "File not found"); }
};

TEST_F(Startup, AFailedStartSaysHowToSetTheDatabase) {
  s.links = std::make_shared<FailingSetup>();
  s.errlog.open();
  Form_Load(s, "");
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(
      t.ui.boxes[0].text,
      "File not found\r\n\r\nUse the Connection button on the Select Station form to set the Database name.");
  EXPECT_FALSE(s.errlog.isOpen());
  // The window still shows, so the user can mend the setup, and nothing asks the program to end.
  EXPECT_TRUE(s.form.Visible);
  EXPECT_EQ(s.form.MousePointer, Pointer::Default);
  EXPECT_FALSE(s.ExitRequested);

  // In batch mode nobody can click: the same text goes to the error log, nothing runs, and the
  // program ends with the status of a cancelled run rather than that of a finished one.
  TestSession b;
  b.s.links = std::make_shared<FailingSetup>();
  Form_Load(b.s, "BATCH");
  EXPECT_TRUE(b.ui.boxes.empty());
  EXPECT_NE(readFile(b.folder / kErrorLogName).find("Use the Connection button"), std::string::npos);
  EXPECT_TRUE(b.s.ExitRequested);
  EXPECT_EQ(exitStatus(b.s), 1);
}

TEST_F(Startup, StartRetrievalsEmptiesOnlyALastRunText) {
  struct Case {
    const char *text6, *after;
  } cases[] = {
      {"  Last run Mon Jun 03 at 07:05", ""},
      {"Bridge Creek", "Bridge Creek"},
      {"last run (lower case)", "last run (lower case)"},
  };
  for (const Case& c : cases) {
    s.form.Text6.Text = c.text6;
    Command1_Click(s);
    EXPECT_EQ(s.form.Text6.Text, c.after);
  }
  EXPECT_EQ(links->count("runstations"), 3);
}

TEST_F(Startup, ASecondRunNeverStartsWhileOneRuns) {
  s.NextRunTime = t.clock.now();
  s.BatchInterval = 10;
  s.form.Timer1.Enabled = true;
  // While the run yields, the button, the timer and the tray can all ask for another run.
  links->duringRun = [](Session& s) {
    Command1_Click(s);
    Timer1_Timer(s);
  };
  Command1_Click(s);
  EXPECT_EQ(links->count("runstations"), 1);
  EXPECT_DOUBLE_EQ(s.NextRunTime, t.clock.now());  // the tick during the run moved nothing

  s.form.Command1.Enabled = false;
  Command1_Click(s);
  EXPECT_EQ(links->count("runstations"), 1);
}

TEST_F(Startup, QueryUnloadWaitsForARunThenReleasesEverything) {
  s.RunActive = true;
  EXPECT_FALSE(Form_QueryUnload(s));
  EXPECT_TRUE(s.StopRequested);
  EXPECT_EQ(links->count("releaseDatabase"), 0);

  s.RunActive = false;
  s.services.internet->open("agent");
  s.errlog.open();
  s.GdiplusToken = 7;
  EXPECT_TRUE(Form_QueryUnload(s));
  EXPECT_EQ(links->count("releaseDatabase"), 1);
  EXPECT_FALSE(s.services.internet->isOpen());
  EXPECT_FALSE(s.errlog.isOpen());
  EXPECT_EQ(s.GdiplusToken, 0u);
}

TEST_F(Startup, QueryUnloadClosesTheMainConnectionOfEitherEngine) {
  for (testing::HdbEngine engine : {testing::HdbEngine::Dao, testing::HdbEngine::AdoSqlite}) {
    TestSession u;
    testing::openTestHdb(u.s, engine);
    EXPECT_TRUE(Form_QueryUnload(u.s));
    EXPECT_FALSE(u.s.HdbDb.isOpen()) << testing::engineName(engine);
    EXPECT_EQ(u.s.HdbCnn.State(), db::adStateClosed) << testing::engineName(engine);
  }
}

TEST_F(Startup, WithTheTrayIconShownResizingHidesTheWindowAndClosingRemovesTheIcon) {
  auto tray = std::make_shared<FakeTray>();
  s.services.tray = tray;
  s.form.Visible = true;
  Form_Resize(s);
  EXPECT_TRUE(s.form.Visible);  // no icon: the window stays
  s.TrayState = kTrayShown;
  Form_Resize(s);
  EXPECT_FALSE(s.form.Visible);

  EXPECT_TRUE(Form_QueryUnload(s));
  EXPECT_EQ(tray->removes, 1);
  EXPECT_EQ(s.TrayState, kTrayNone);
  EXPECT_TRUE(s.GridStale);
}

class ThrowingRelease : public FakeLinks {
 public:
  void releaseDatabase(Session&) override { throw vb::Error(3420, "Object invalid or no longer set."); }
};

TEST_F(Startup, QueryUnloadPassesOverFailures) {
  s.links = std::make_shared<ThrowingRelease>();
  s.services.internet->open("agent");
  EXPECT_TRUE(Form_QueryUnload(s));
  EXPECT_FALSE(s.services.internet->isOpen());
}

TEST_F(Startup, HeadlessTimerTicksEveryTenSecondsUntilAStop) {
  const vb::VbDate start = t.clock.now();
  s.BatchScheduled = true;
  s.BatchInterval = 1;
  s.NextRunTime = vb::DateAdd("n", 1, start);
  s.form.Timer1.Enabled = true;
  links->duringRun = [this](Session& s) {
    if (links->count("runstations") == 3) s.StopRequested = true;
  };
  runHeadlessTimer(s);
  ASSERT_EQ(links->runStarts.size(), 3u);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_NEAR((links->runStarts[i] - start) * 86400.0, 60.0 * static_cast<double>(i + 1), 0.5) << i;

  // A stop asked while waiting is noticed within one slice, and nothing more runs.
  TestSession w;
  w.s.links = links;
  w.s.form.Timer1.Enabled = true;
  w.s.StopRequested = true;
  runHeadlessTimer(w.s);
  EXPECT_EQ(links->runStarts.size(), 3u);
  EXPECT_LT((w.clock.now() - testing::kTestNow) * 86400.0, 0.5);
}

// One status per cause; when several apply, the cause of a run that could not start comes first.
TEST_F(Startup, TheExitStatusNamesTheCause) {
  EXPECT_EQ(exitStatus(s), kExitFinished);
  s.LastRunOutcome = RunOutcome::Finished;
  EXPECT_EQ(exitStatus(s), kExitFinished);
  s.noteProgramFault("rupdate: no such table");
  EXPECT_EQ(exitStatus(s), kExitWriteFailed);
  s.LastRunOutcome = RunOutcome::Cancelled;
  EXPECT_EQ(exitStatus(s), kExitCancelled);
  s.LastRunStopped = true;
  EXPECT_EQ(exitStatus(s), kExitStopped);
  s.noteDatabaseFault("openHDB: Could not find file");
  EXPECT_EQ(exitStatus(s), kExitDatabaseUnopened);
  s.noteSetupFault("Flumewright_setup.txt line 3: START DATE= \"x\" is not a date");
  EXPECT_EQ(exitStatus(s), kExitSetupUnusable);
  s.FolderBusy = true;
  EXPECT_EQ(exitStatus(s), kExitFolderBusy);
  // Distinct statuses, none of them 0 but a finished run's.
  const std::set<int> all = {kExitFinished, kExitCancelled,  kExitWriteFailed, kExitSetupUnusable,
                             kExitDatabaseUnopened, kExitFolderBusy, kExitStopped, kExitNoDisplay};
  EXPECT_EQ(all.size(), 8u);
}

}  // namespace
}  // namespace fw
