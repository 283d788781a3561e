// Programs start from an argument vector: no shell sees the arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/process/process_runner.h"
#include "support/test_session.h"

namespace fw {
namespace {

using ::testing::ElementsAre;

TEST(ProcessRunnerTest, AnArgumentWithBlanksAndShellTextArrivesIntact) {
  testing::TempFolder folder;
  const auto target = folder / "a b $(touch x); rm -rf y";
  SpawnProcessRunner runner;
  std::string error;
  ASSERT_TRUE(runner.startDetached({"touch", target.string()}, error)) << error;
  for (int i = 0; i < 200 && !std::filesystem::exists(target); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_FALSE(std::filesystem::exists(folder / "x"));
  EXPECT_FALSE(std::filesystem::exists("x"));

  EXPECT_FALSE(runner.startDetached({(folder / "no such program").string()}, error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_FALSE(runner.startDetached({}, error));
}

// A viewer is watched a moment: one that ends at once with a failure (xdg-open without a program
// for the file) is a failure with its status and its first line of standard error; one that ends
// well or still runs after the moment has shown the file.
TEST(ProcessRunnerTest, AViewerThatFailsAtOnceIsAFailureWithItsReason) {
  testing::TempFolder folder;
  const auto viewer = folder / "xdg-open";
  testing::writeFile(viewer, "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n");
  std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
  SpawnProcessRunner runner;
  std::string error;
  int waits = 0;
  EXPECT_FALSE(runner.startViewer({viewer.string(), "/data/log.txt"}, error, 5000, [&waits] { ++waits; }));
  EXPECT_EQ(error, viewer.string() + " ended with status 3 (xdg-open: no method available for opening "
                                     "'/data/log.txt')");

  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(runner.startViewer({"sleep", "5"}, error, 200, nullptr)) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_TRUE(runner.startViewer({"true"}, error, 5000, nullptr)) << error;
  EXPECT_FALSE(runner.startViewer({(folder / "no such viewer").string()}, error, 200, nullptr));
  EXPECT_EQ(error, "No such file or directory");
}

// A program run to its end: in its own folder, output to a file, its exit code; stopped at its
// time limit together with what it started.
TEST(ProcessRunnerTest, ARunToItsEndReportsHowItEnded) {
  testing::TempFolder folder;
  SpawnProcessRunner runner;
  ProcessRunner::Run run;
  run.argv = {"sh", "-c", "pwd; read x || echo no input; exit 3", "a b"};
  run.workFolder = folder.path();
  run.outputFile = folder / "out.txt";
  run.timeoutMs = 20000;
  int waits = 0;
  run.whileWaiting = [&waits] { ++waits; };
  ProcessRunner::RunResult r = runner.runToEnd(run);
  EXPECT_EQ(r.outcome, ProcessRunner::Outcome::Exited);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(testing::readFile(folder / "out.txt"),
            std::filesystem::canonical(folder.path()).string() + "\nno input\n");
  EXPECT_NE(std::filesystem::current_path(), folder.path());

  run.argv = {"sh", "-c", "sleep 30 & sleep 30; touch late"};
  run.timeoutMs = 200;
  const auto started = std::chrono::steady_clock::now();
  r = runner.runToEnd(run);
  EXPECT_EQ(r.outcome, ProcessRunner::Outcome::TimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_GT(waits, 0);

  run.argv = {(folder / "no such program").string()};
  r = runner.runToEnd(run);
  EXPECT_EQ(r.outcome, ProcessRunner::Outcome::NotStarted);
  EXPECT_EQ(r.error, "No such file or directory");
  run.argv = {"true"};
  run.workFolder = folder / "no such folder";
  EXPECT_EQ(runner.runToEnd(run).outcome, ProcessRunner::Outcome::NotStarted);
}

TEST(ProcessRunnerTest, CommandLinesAndTheUsersEditor) {
  EXPECT_THAT(splitCommandLine(R"(  "/opt/my tool/run"  --x "a b" c"d e"f )"),
              ElementsAre("/opt/my tool/run", "--x", "a b", "cd ef"));
  EXPECT_THAT(splitCommandLine(R"(a "" b)"), ElementsAre("a", "", "b"));
  EXPECT_TRUE(splitCommandLine("   ").empty());

  ::setenv("VISUAL", "code  -w", 1);
  ::setenv("EDITOR", "vi", 1);
  EXPECT_THAT(textEditorCommand("/f g.txt"), ElementsAre("code", "-w", "/f g.txt"));
  ::setenv("VISUAL", " ", 1);
  EXPECT_THAT(textEditorCommand("/f g.txt"), ElementsAre("vi", "/f g.txt"));
  ::unsetenv("VISUAL");
  ::unsetenv("EDITOR");
  EXPECT_THAT(textEditorCommand("/f g.txt"), ElementsAre("xdg-open", "/f g.txt"));
}

}  // namespace
}  // namespace fw
