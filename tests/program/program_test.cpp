// The flumewright executable itself, started in a program folder without a display.
#include <gtest/gtest.h>

#include "app/error_log.h"
#include "app/launch.h"
#include "run_program.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::ProgramRun;
using testing::readFile;
using testing::runProgram;
using testing::TempFolder;

TEST(Program, WithoutADisplayOrBatchItShowsNoWindowAndSaysSoInTheErrorLog) {
  TempFolder folder;
  ProgramRun run;
  run.workingFolder = folder.path();
  testing::ProgramResult r = runProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, kExitNoDisplay);
  EXPECT_EQ(readFile(folder / kErrorLogName), std::string(kNoDisplayText) + "\r\n");

  // QT_QPA_PLATFORM=offscreen counts as no display, and FLUMEWRIGHT_HOME names the folder.
  TempFolder home;
  run.env = {
      {"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", "offscreen"}, {"FLUMEWRIGHT_HOME", home.path().string()}};
  r = runProgram(run);
  EXPECT_EQ(r.status, kExitNoDisplay);
  EXPECT_TRUE(std::filesystem::exists(home / kErrorLogName));
}

}  // namespace
}  // namespace fw
