// The generic shell line: the command as an argument vector, the time limit, and the error files
// of the companion programs.
#include "models/shell_program.h"

#include <gtest/gtest.h>

#include "model_test_host.h"
#include "platform/vb/strings.h"

namespace fw::models {
namespace {

using testing::TestHost;

TEST(ShellProgram, StartsTheCommandWithItsArgumentsAndWaitsForIt) {
  TestHost t;
  t.host.processes = &t.scripted;
  ShellArgs a = t.args("/opt/tools/Model Run.sh", "1", "-q \"two words\" $(rm -rf x)", "");
  ShellProgram(t.host, a, {});
  EXPECT_EQ(a.Error, "");
  ASSERT_EQ(t.scripted.runs.size(), 1u);
  // Blanks split the command, quotes keep words together, nothing is a shell's.
  EXPECT_EQ(t.scripted.runs[0].argv,
            (std::vector<std::string>{"/opt/tools/Model", "Run.sh", "-q", "two words", "$(rm", "-rf", "x)"}));
  EXPECT_EQ(t.log, "Shelled...\r\n");
  // No limit set: three minutes, kept in the setting.
  EXPECT_EQ(t.host.ShellTimeoutMinutes, 3.0);
  EXPECT_EQ(t.scripted.runs[0].timeoutMs, 180000);
  t.host.ShellTimeoutMinutes = 0.5;
  ShellProgram(t.host, a, {});
  EXPECT_EQ(t.scripted.runs[1].timeoutMs, 30000);
}

TEST(ShellProgram, AProgramPastItsLimitIsEndedAndTheLineFails) {
  TestHost t;
  t.host.processes = &t.scripted;
  t.scripted.outcome = ProcessRunner::Outcome::TimedOut;
  t.host.ShellTimeoutMinutes = 0.1;
  ShellArgs a = t.args("/opt/tools/hang", "", "", "");
  ShellProgram(t.host, a, {});
  EXPECT_EQ(a.Error, "Shell timed out minutes 0.1: /opt/tools/hang was ended.");

  // A program that does not start is the run's last error; the line is not counted.
  TestHost missing;
  missing.recorded.failing = {"/opt/none"};
  a = missing.args("/opt/none", "", "", "");
  ShellProgram(missing.host, a, {});
  EXPECT_EQ(a.Error, "");
  EXPECT_EQ(missing.lastError, "Ras: /opt/none: No such file or directory");
}

TEST(ShellProgram, TheCompanionsFtpErrorsBecomeTheFailureText) {
  TestHost t;
  t.host.processes = &t.scripted;
  const std::string folder = t.folder.path().string() + "/";
  ShellArgs a = t.args(folder + "Skyvantor.exe", "", "/radar", "");
  ShellProgram(t.host, a, {});
  EXPECT_EQ(a.Error, "");  // no error file

  t.scripted.onRun = [&](const ProcessRunner::Run&) {
    vb::writeAllBytes(folder + "SkyvantorFTPerrors.txt", "550 upload refused");
  };
  ShellProgram(t.host, a, {});
  EXPECT_EQ(a.Error, "\r\n550 upload refused");
  EXPECT_FALSE(vb::fileExists(folder + "SkyvantorFTPerrors.txt"));

  t.scripted.onRun = [&](const ProcessRunner::Run&) {
    vb::writeAllBytes(folder + "PlotwerksFTPerrors.txt", "421 timeout");
  };
  a = t.args("\"" + folder + "plotwerks.exe\"", "", "", "");
  ShellProgram(t.host, a, {});
  EXPECT_EQ(a.Error, "\r\n421 timeout");
}

TEST(ShellProgram, HistoryRunsTakeTheTypedDates) {
  TestHost t;
  t.host.processes = &t.scripted;
  t.host.RealtimeMode = false;
  t.host.TextBegindate = "2025-12-01 00:00";
  t.host.TextEnddate = "2025-12-03 00:00";
  ShellArgs a = t.args("/bin/true", "", "", "");
  ShellProgram(t.host, a, {});
  EXPECT_EQ(a.BeginDay, 45992);
  EXPECT_EQ(a.EndDay, 45994);
}

}  // namespace
}  // namespace fw::models
