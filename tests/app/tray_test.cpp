// The tray icon's mouse events, its menu and the tip.
#include <gtest/gtest.h>

#include "app/tray.h"
#include "run/service_fakes.h"
#include "support/test_session.h"

namespace fw {
namespace {

using namespace tray;

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.processes = launcher;
    s.TrayState = kTrayShown;
  }
  testing::TestSession t;
  Session& s = t.s;
  std::shared_ptr<RecordingProcessRunner> launcher = std::make_shared<RecordingProcessRunner>();
};

TEST_F(TrayTest, MouseEventsOnlyWhileTheIconIsShown) {
  int popped = 0;
  auto pop = [&] {
    ++popped;
    return -1;
  };
  for (int16_t state : {kTrayBusy, kTrayOff}) {
    s.TrayState = state;
    MyMouseMove(s, kLeftButtonDown, pop);
    MyMouseMove(s, kRightButtonDown, pop);
    EXPECT_FALSE(s.form.Visible);
    EXPECT_EQ(popped, 0);
    EXPECT_EQ(s.TrayState, state);
  }
  s.TrayState = kTrayShown;
  s.form.State = WindowState::Minimized;
  int16_t stateWhileShowing = -1;
  s.form.onShow = [&] { stateWhileShowing = s.TrayState; };
  MyMouseMove(s, kLeftButtonDown, pop);
  EXPECT_TRUE(s.form.Visible);
  EXPECT_EQ(s.form.State, WindowState::Normal);
  EXPECT_EQ(stateWhileShowing, kTrayBusy);  // so the resize does not hide the window again
  EXPECT_EQ(s.TrayState, kTrayShown);
  MyMouseMove(s, kRightButtonDown, pop);
  EXPECT_EQ(popped, 1);
  EXPECT_EQ(s.TrayState, kTrayShown);
}

TEST_F(TrayTest, InfoShowsNoneThenTheAlertThenNoneAgain) {
  s.form.Text5.Text = "30";
  s.NextRunTime = s.clock.now() + 12.5 / 1440;
  s.form.Caption = "USGS";
  menuItem_Click(s, 1);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text,
            "Next run in 12 min\r\nBatch interval: 30\r\nAlert issued: none\r\nLast error: none");
  EXPECT_EQ(t.ui.boxes[0].title, "Flumewright USGS");
  EXPECT_EQ(t.ui.boxes[0].icon, MsgIcon::Question);

  s.LastAlertText = "Flood at 1001";
  s.RunLastError = "a long error text that goes past thirty characters";
  s.HdbUseDAO = true;
  s.HdbSizeText = ", HDB size= 12 MB";
  EXPECT_EQ(
      trayInfoText(s),
      "Next run in 12 min\r\nBatch interval: 30\r\nAlert issued: Flood at 1001\r\nLast error: a long error "
      "text that goes pa\r\nHDB size= 12 MB");
  EXPECT_NE(trayInfoText(s).find("Alert issued: none\r\nLast error: none"), std::string::npos);
}

TEST_F(TrayTest, TheMenuItemsInOrder) {
  ASSERT_EQ(std::size(kMenuItems), 13u);
  for (int i = 2; i < kMenuItemCount - 1; ++i) menuItem_Click(s, i);
  const std::string f = t.folder.path().string();
  // Storm count, (track: no file known), alerts, folder, error log.
  ASSERT_EQ(launcher->started.size(), 4u);
  EXPECT_EQ(launcher->started[0].back(), f + "/Flumewright_StormCount.txt");
  EXPECT_EQ(launcher->started[1].back(), f + "/Flumewright_Alert.txt");
  EXPECT_EQ(launcher->started[2], (std::vector<std::string>{"xdg-open", f}));
  EXPECT_EQ(launcher->started[3].back(), f + "/Flumewright_errlog.txt");
  EXPECT_NE(s.form.Text1.Text.find(kNoRadarYet), std::string::npos);
  // The companions' items are the station editor's launchers: with no folder known they ask for it.
  ASSERT_FALSE(t.ui.prompts.empty());
  EXPECT_NE(t.ui.prompts.front().find("Enter Plotwerks.exe folder name"), std::string::npos);
  EXPECT_NE(t.ui.prompts.back().find("Enter Skyvantor.exe folder name"), std::string::npos);
  // With a radar window the radar item shows its last image instead.
  auto radar = std::make_shared<FakeRadarWindow>();
  s.services.radarWindow = radar;
  s.form.Text1.clear();
  menuItem_Click(s, 2);
  EXPECT_EQ(radar->lastImageShows, 1);
  EXPECT_EQ(s.form.Text1.Text, "");
  menuItem_Click(s, 12);
  EXPECT_TRUE(s.ExitRequested);
}

TEST(TrayTipTest, CutsAtSixtyThreeBytesWithoutSplittingACharacter) {
  const std::string seventy(70, 'a');
  EXPECT_EQ(trayTip(seventy), std::string(63, 'a'));
  EXPECT_EQ(trayTip("short"), "short");
  // "é" is two bytes; one starting at byte 62 would be cut in half.
  const std::string text = std::string(62, 'a') + "\xC3\xA9" + "bbbb";
  EXPECT_EQ(trayTip(text), std::string(62, 'a'));
}

}  // namespace
}  // namespace fw
