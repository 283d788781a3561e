#include "common/log_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_session.h"

namespace fw {
namespace {

using testing::readFile;
using testing::TestSession;
using testing::writeFile;

// A log of numbered lines, so a cut shows where it fell.
std::string numberedLog(size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += "line " + std::to_string(i) + " of the log\r\n";
  text.resize(bytes);
  return text;
}

TEST(ShrinkLog, KeepsTheLastTwoThirdsFromTheCutOn) {
  TestSession t;
  const auto path = t.folder / "Flumewright_Alert.txt";
  const std::string before = numberedLog(33000);
  writeFile(path, before);
  ShrinkLog(t.s, path, 32000);
  const std::string after = readFile(path);
  EXPECT_EQ(after.size(), 22001u);
  EXPECT_EQ(after, before.substr(10999));  // no line end added, the cut may fall inside a line
  EXPECT_TRUE(t.s.LastError.empty());
}

TEST(ShrinkLog, LeavesSmallAndMissingFilesAlone) {
  TestSession t;
  const auto path = t.folder / "NowCast_RECENT.txt";
  const std::string atLimit = numberedLog(6000);
  writeFile(path, atLimit);
  ShrinkLog(t.s, path, 6000);
  EXPECT_EQ(readFile(path), atLimit);

  ShrinkLog(t.s, t.folder / "missing.txt", 6000);
  EXPECT_FALSE(std::filesystem::exists(t.folder / "missing.txt"));
  EXPECT_TRUE(t.s.LastError.empty());
}

TEST(ShrinkLog, TheOpenErrorLogIsClosedAroundTheShrinkAndOpenedAgain) {
  TestSession t;
  const auto path = t.s.errlog.path();
  writeFile(path, numberedLog(33000));
  t.s.errlog.open();
  ShrinkLog(t.s, path, 32000);
  EXPECT_TRUE(t.s.errlog.isOpen());
  t.s.errlog.writeLine("B E G I N");
  const std::string after = readFile(path);
  EXPECT_EQ(after.size(), 22001u + 11);
  EXPECT_EQ(after.substr(after.size() - 11), "B E G I N\r\n");
}

TEST(ShrinkLog, FailureGoesToLastErrorAndTheErrorLog) {
  TestSession t;
  const auto dir = t.folder / "a_folder";
  std::filesystem::create_directory(dir);
  ShrinkLog(t.s, dir, 10);
  EXPECT_EQ(t.s.LastError.rfind("ShrinkLog: ", 0), 0u) << t.s.LastError;
  EXPECT_GT(t.s.LastError.size(), std::string("ShrinkLog: ").size());
  EXPECT_EQ(readFile(t.s.errlog.path()), t.s.LastError + "\r\n");
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(CheckFileClosed, CreatesAMissingFileAndSaysNothing) {
  TestSession t;
  const auto path = t.folder / "runoffIn.txt";
  EXPECT_FALSE(CheckFileClosed(t.s, path));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);

  writeFile(path, "kept");
  EXPECT_FALSE(CheckFileClosed(t.s, path));
  EXPECT_EQ(readFile(path), "kept");
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST(CheckFileClosed, AFileThatCannotBeOpenedIsReported) {
  TestSession t;
  const auto path = t.folder / "busy";
  std::filesystem::create_directory(path);
  EXPECT_TRUE(CheckFileClosed(t.s, path));
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Before continuing, close file: " + path.string());
  EXPECT_EQ(t.ui.boxes[0].buttons, MsgButtons::OK);

  // In batch mode nobody can click: the text goes to the error log.
  t.s.BatchMode = true;
  EXPECT_TRUE(CheckFileClosed(t.s, path));
  EXPECT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(readFile(t.s.errlog.path()), "Before continuing, close file: " + path.string() + "\r\n");
}

}  // namespace
}  // namespace fw
