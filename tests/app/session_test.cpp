#include <gtest/gtest.h>

#include "support/test_session.h"

namespace fw {
namespace {

using testing::readFile;

class SessionTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
  std::filesystem::path dir = folder.path();
  ScriptedUi ui;
  FixedClock clock{45448.5};
};

TEST_F(SessionTest, BatchModeSendsMessagesToTheErrorLogAndTakesTheDefaultAnswer) {
  Session s(ui, clock, dir);
  s.BatchMode = true;
  EXPECT_EQ(notify(s, "Level2RGB.txt not found.", MsgButtons::YesNo), MsgResult::Yes);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(readFile(dir / kErrorLogName), "Level2RGB.txt not found.\r\n");
}

TEST_F(SessionTest, InteractiveMessagesGoToTheUi) {
  Session s(ui, clock, dir);
  ui.answers.push_back(MsgResult::No);
  EXPECT_EQ(notify(s, "Continue?", MsgButtons::YesNo, MsgIcon::Question, "t"), MsgResult::No);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Continue?");
  EXPECT_FALSE(std::filesystem::exists(dir / kErrorLogName));
}

TEST_F(SessionTest, ErrorLogHeldOpenAppendsEveryLineAtOnce) {
  Session s(ui, clock, dir);
  s.errlog.open();
  s.errlog.writeLine("B E G I N");
  EXPECT_EQ(readFile(dir / kErrorLogName), "B E G I N\r\n");  // flushed, not held back
  s.errlog.writeLine("x");
  s.errlog.close();
  s.errlog.writeLine("after");
  EXPECT_EQ(readFile(dir / kErrorLogName), "B E G I N\r\nx\r\nafter\r\n");
}

}  // namespace
}  // namespace fw
