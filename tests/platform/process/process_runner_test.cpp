// Programs start from an argument vector: no shell sees the arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
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
