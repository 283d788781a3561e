// The HEC-ResSim line: the four dates of the simulation file, and the start and the 360-second
// wait on HEC-ResSim.
#include "models/ressim_run.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "model_test_host.h"
#include "platform/vb/strings.h"

namespace fw::models {
namespace {

using testing::crlf;
using testing::TestHost;

TEST(ResSimRun, SetsTheFourDatesOfTheSimulationFile) {
  TestHost t;
  t.host.processes = &t.scripted;
  t.host.TZHours = 7;
  const std::string sim = t.fixture("ressim/storm.sim");
  ShellArgs a = t.args("/opt/ressim/ResSim.exe -s go.py", "1", sim, "LOOKBACK=2");
  ShellResSim(t.host, a);
  ASSERT_EQ(a.Error, "");
  // 07/01/2026 12:00 local is 19:00 UTC; the stamp counts one day more than Unix milliseconds.
  EXPECT_EQ(
      t.file("storm.sim"),
      crlf({"Simulation: Storm 2026", "  _name", "  STR=Storm 2026", "  _lastModifiedTime",
            "  J=1767898800000", "  _startDate", "  STR=05Jan2026,0000", "  _endDate", " STR=08Jan2026,0000",
            "  _lookbackDate", "  STR=03Jan2026,0000", "  _computeFlag", "  Z=1"}));
  ASSERT_EQ(t.scripted.runs.size(), 1u);
  EXPECT_EQ(t.scripted.runs[0].argv, (std::vector<std::string>{"/opt/ressim/ResSim.exe", "-s", "go.py"}));
  EXPECT_EQ(t.scripted.runs[0].timeoutMs, 360000);
  EXPECT_EQ(t.log, "Shelled ResSim...\r\n");

  // Daylight time takes one hour more off; the setting's program replaces the command's.
  EXPECT_EQ(resSimModifiedTime(46029.5, 7, true), 1767898800000 - 3600000);
  t.host.ResSimProgram = "/opt/hec/ressim/bin/ressim";
  ShellResSim(t.host, a);
  EXPECT_EQ(t.scripted.runs[1].argv, (std::vector<std::string>{"/opt/hec/ressim/bin/ressim", "-s", "go.py"}));
}

TEST(ResSimRun, AKeyOnTheLastLineLeavesTheFileAndStartsNothing) {
  TestHost t;
  t.host.processes = &t.scripted;
  vb::writeAllBytes(t.folder / "cut.sim", "Simulation: x\r\n  _endDate\r\n");
  ShellArgs a = t.args("ResSim.exe", "", (t.folder / "cut.sim").string(), "3");
  ShellResSim(t.host, a);
  EXPECT_EQ(a.Error, "");
  EXPECT_EQ(t.lastError, "ResSim: Input past end of file");
  EXPECT_EQ(t.file("cut.sim"), "Simulation: x\r\n  _endDate\r\n");
  EXPECT_TRUE(t.scripted.runs.empty());

  a = t.args("ResSim.exe", "", (t.folder / "none.sim").string(), "3");
  ShellResSim(t.host, a);
  EXPECT_EQ(a.Error, "Not found: " + (t.folder / "none.sim").string());

  // A line holding two keys acts for the first only.
  const std::vector<std::string> two =
      rewriteSimulation({"_startDate _endDate", "old", "tail"}, {46027, 46029, 0, 5});
  EXPECT_EQ(crlf(two), crlf({"_startDate _endDate", "  STR=05Jan2026,0000", "tail"}));
}

bool processGone(pid_t pid) {
  for (int i = 0; i < 100; ++i) {
    if (::kill(pid, 0) != 0) return true;
    const std::string stat = vb::readAllBytes("/proc/" + std::to_string(pid) + "/stat");
    if (stat.find(") Z") != std::string::npos) return true;  // ended, waiting to be reaped
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(ResSimRun, AProgramPastTheLimitIsEndedWithWhatItStarted) {
  TestHost t(true);
  t.host.ResSimLimitSeconds = 1;
  const std::string sim = t.fixture("ressim/storm.sim");
  const std::string pidFile = (t.folder / "child.pid").string();
  const std::string program = t.script("ResSim.exe", "sleep 30 &\necho $! > \"" + pidFile + "\"\nwait");
  ShellArgs a = t.args(program, "", sim, "1");
  const auto started = std::chrono::steady_clock::now();
  ShellResSim(t.host, a);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(a.Error, "Shell Ressim timed out.");
  const pid_t child = static_cast<pid_t>(std::stol(vb::Trim(t.file("child.pid"))));
  EXPECT_TRUE(processGone(child));
}

}  // namespace
}  // namespace fw::models
