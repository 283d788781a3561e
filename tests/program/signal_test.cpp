// A stop signal in the middle of a run, through the program's own handlers.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <sstream>

#include "app/error_log_ui.h"
#include "app/launch.h"
#include "app/startup.h"
#include "app/stop_signals.h"
#include "run/run_fixture.h"

namespace fw {
namespace {

class StopSignal : public testing::RunFixture {
 protected:
  void TearDown() override {
    routeStopSignals(nullptr);
    std::signal(SIGTERM, SIG_DFL);
  }
};

TEST_F(StopSignal, SigtermDuringARunEndsItBeforeTheNextLineWithEverythingClosed) {
  setUp({"Write Dailys= True"},
        {"09381001; 1101; Flow; A; 0; 0; ", "09381002; 1102; Flow; B; 0; 0; ",
         "09381003; 1103; Flow; C; 0; 0; "},
        {{"1101"}, {"1102"}, {"1103"}}, testing::HdbEngine::Dao);
  installStopSignals();
  routeStopSignals(&s.StopRequested);
  sources->onCall = [](Session&, SourceCall&) { std::raise(SIGTERM); };
  Form_Load(s, "BATCH");

  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetUSGS 09381001"}));
  EXPECT_TRUE(logHas("Run stopped before line 2."));
  EXPECT_TRUE(s.ExitRequested);
  EXPECT_FALSE(s.errlog.isOpen());
  EXPECT_FALSE(s.HdbDb.isOpen());
  EXPECT_EQ(exitStatus(s), kExitStopped);
  EXPECT_TRUE(Form_QueryUnload(s));
}

TEST(StopSignalDeathTest, ASecondSignalOrOneWithNoSessionEndsTheProgramAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        installStopSignals();
        std::atomic<bool> stop{false};
        routeStopSignals(&stop);
        std::raise(SIGINT);
        if (!stop) std::exit(3);  // the first signal only asks
        std::raise(SIGINT);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
  EXPECT_EXIT(
      {
        installStopSignals();
        routeStopSignals(nullptr);
        std::raise(SIGTERM);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
}

TEST(ErrorLogUi, EchoesWholeLogPaneLinesWithAtMostOneEmptyLineInARow) {
  testing::TempFolder folder;
  ErrorLog log(folder / kErrorLogName);
  LogPane pane;
  std::ostringstream out;
  ErrorLogUi ui;
  ui.attach(log, pane, &out);

  pane.append(" \r\n\r\n\r\n\r\nB E G I N\r\nStation 1 of 2");
  ui.doEvents();
  EXPECT_EQ(out.str(), "B E G I N\n");  // the half line waits for its end
  pane.append(": Bridge Creek\r\n\r\n\r\nDone\r\n");
  ui.doEvents();
  EXPECT_EQ(out.str(), "B E G I N\nStation 1 of 2: Bridge Creek\n\nDone\n");

  pane.clear();  // the next run empties the pane
  pane.appendLine("  Second run");
  ui.doEvents();
  EXPECT_EQ(out.str(), "B E G I N\nStation 1 of 2: Bridge Creek\n\nDone\n  Second run\n");

  EXPECT_EQ(ui.msgBox("Level2RGB.txt not found.", MsgButtons::YesNo, MsgIcon::None, ""), MsgResult::Yes);
  EXPECT_EQ(testing::readFile(folder / kErrorLogName), "Level2RGB.txt not found.\r\n");
}

}  // namespace
}  // namespace fw
