// The main window's viewers, menu picture, history switch and mirrored boxes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/main_options.h"
#include "app/station_editor.h"
#include "support/test_session.h"

namespace fw {
namespace {

using namespace main_options;

class MainOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VISUAL");
    ::unsetenv("EDITOR");
    s.processes = launcher;
  }
  std::string folder() const { return t.folder.path().string(); }

  testing::TestSession t;
  Session& s = t.s;
  std::shared_ptr<RecordingProcessRunner> launcher = std::make_shared<RecordingProcessRunner>();
};

TEST_F(MainOptionsTest, LogViewersOpenTheirFileInTheEditor) {
  cmdShowNowcastCounts_Click(s);
  cmdViewAlert_Click(s);
  Command3_Click(s);
  ::setenv("EDITOR", "nano -R", 1);
  Command3_Click(s);
  ::unsetenv("EDITOR");
  const std::string f = folder() + "/";
  EXPECT_EQ(launcher->started,
            (std::vector<std::vector<std::string>>{{"xdg-open", f + "Flumewright_StormCount.txt"},
                                                   {"xdg-open", f + "Flumewright_Alert.txt"},
                                                   {"xdg-open", f + "Flumewright_errlog.txt"},
                                                   {"nano", "-R", f + "Flumewright_errlog.txt"}}));
  // A viewer that cannot start says so, naming the file: in a box with the window, in the error
  // log always.
  launcher->failing = {"xdg-open"};
  Command3_Click(s);
  const std::string said = "Could not start xdg-open on " + f + "Flumewright_errlog.txt: No such file or directory";
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, said);
  EXPECT_EQ(s.errlog.written(), std::vector<std::string>{said});
  s.BatchMode = true;
  cmdViewAlert_Click(s);
  EXPECT_EQ(t.ui.boxes.size(), 1u);
  ASSERT_EQ(s.errlog.written().size(), 2u);
  EXPECT_EQ(s.errlog.written()[1], "Could not start xdg-open on " + f + "Flumewright_Alert.txt: No such file or directory");
}

TEST_F(MainOptionsTest, RadarFileEditors) {
  // Before any radar line the placeholders stay, and the file is not there.
  cmdEditWindsAloft_Click(s);
  const std::string parent = t.folder.path().parent_path().string() + "/";
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, parent + "Skyvantor/WindsAloft_RRR_PPP.txt not found.  Run a radar first?");

  s.SkyvantorFolder = folder() + "/";
  s.CurrentRadarSite = "MUX";
  s.CurrentRadarProduct = "N0Q";
  testing::writeFile(t.folder / "NowCast_MUX_N0Q.txt", "x");
  cmdNowcastExpires_Click(s);
  EXPECT_EQ(launcher->started,
            (std::vector<std::vector<std::string>>{{"xdg-open", folder() + "/NowCast_MUX_N0Q.txt"}}));
}

TEST_F(MainOptionsTest, NowcastTrackFallsBackThroughTheProducts) {
  cmdShowNowcast_Click(s);
  EXPECT_EQ(t.ui.boxes.back().text, "File not found:  ");
  EXPECT_TRUE(launcher->started.empty());

  s.NowcastTrackFile = folder() + "/Track_N0B_1.txt";
  testing::writeFile(t.folder / "Track_NCQ_1.txt", "x");
  cmdShowNowcast_Click(s);
  std::filesystem::remove(t.folder / "Track_NCQ_1.txt");
  cmdShowNowcast_Click(s);
  EXPECT_EQ(launcher->started,
            (std::vector<std::vector<std::string>>{{"xdg-open", folder() + "/Track_NCQ_1.txt"},
                                                   {"xdg-open", folder() + "/Track_NCR_1.txt"}}));
}

TEST_F(MainOptionsTest, MenuGraphicCyclesTheColourAndMeetsTheGraphSavesCancel) {
  std::vector<vb::Color> colours;
  for (int i = 0; i < 4; ++i) {
    t.ui.files.push_back(folder() + "/pic" + std::to_string(i) + ".png");
    cmdMenuPic_Click(s);
    colours.push_back(s.MenuTextColor);
  }
  EXPECT_EQ(colours, (std::vector<vb::Color>{14085615, 5869787, 0, 16777215}));
  EXPECT_EQ(s.MenuPic, folder() + "/pic3.png");
  EXPECT_EQ(s.form.Image1.Picture, s.MenuPic);
  EXPECT_EQ(s.form.Text1.Text,
            "\r\nText color swaps with each pic change.\r\nSave setup to keep pic.\r\nOr edit "
            "Flumewright_setup.txt 'Menu Pic='\r\n");
  ASSERT_EQ(s.form.Text1.Runs.size(), 1u);
  EXPECT_EQ(s.form.Text1.Runs[0].color, 16777215);
  EXPECT_EQ(t.ui.fileDialogs.back().filters.size(), 2u);

  // Cancelled without CancelError: the last name stays and the rest still happens.
  cmdMenuPic_Click(s);
  EXPECT_EQ(s.MenuPic, folder() + "/pic3.png");
  EXPECT_EQ(s.MenuTextColor, 14085615);
  EXPECT_TRUE(t.ui.boxes.empty());

  // After the graph window's save the dialog reports a cancel as an error.
  s.form.CommonDialog1.CancelError = true;
  s.form.Text1.clear();
  s.form.Text1.append("kept");
  cmdMenuPic_Click(s);
  EXPECT_EQ(t.ui.boxes.back().text, "Cancel was selected.");
  EXPECT_EQ(s.form.Text1.Text, "kept");
  EXPECT_EQ(s.MenuTextColor, 14085615);
}

TEST_F(MainOptionsTest, SelectStationsAndHistory) {
  s.TrayHookWindow = 1;
  s.form.Text3.Text = "1001";
  Command2_Click(s);
  EXPECT_FALSE(s.Form2.Visible);
  s.TrayHookWindow = 0;
  Command2_Click(s);
  EXPECT_TRUE(s.Form2.Visible);
  EXPECT_EQ(s.form.Text3.Text, "");
  EXPECT_EQ(s.form.Text3.BackColor, 5869787);

  int shown = 0;
  s.onShowDateForm = [&] { ++shown; };
  s.form.CheckBatch.setValue(1);
  EXPECT_TRUE(s.form.FrameBatchVisible);
  CommandDate_Click(s);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(s.form.CheckBatch.Value, 0);
  EXPECT_FALSE(s.form.FrameBatchVisible);
  EXPECT_EQ(s.form.Height, 8160);
  EXPECT_TRUE(date_form::Command1_Click(s));
  EXPECT_FALSE(s.RealtimeMode);
  EXPECT_FALSE(s.form.Text2.Enabled);

  s.form.State = WindowState::Maximized;
  s.form.Height = 9999;
  CommandDate_Click(s);  // back to real time
  EXPECT_TRUE(s.RealtimeMode);
  EXPECT_TRUE(s.form.Text2.Enabled);
  EXPECT_EQ(s.form.Height, 9999);
  s.form.State = WindowState::Normal;
  CommandDate_Click(s);
  EXPECT_EQ(s.form.Height, 8160);
  EXPECT_EQ(shown, 2);
}

TEST_F(MainOptionsTest, BoxesMirrorAndRecolour) {
  // "Max hours of radar=" fills both boxes; an equal text raises nothing more.
  s.form.txtRadarMaxHrs.setText("6");
  EXPECT_EQ(s.form.Text9.Text, "6");
  s.form.Text9.setText("8");
  EXPECT_EQ(s.form.txtRadarMaxHrs.Text, "8");

  s.form.Text3.setText("1001");
  EXPECT_EQ(s.form.Check1.Value, 1);
  EXPECT_EQ(s.form.Text6.BackColor, 5869787);
  s.form.Text6.Text = "Selected 3 to 9";
  s.form.Check1.setValue(0);
  EXPECT_EQ(s.form.Text3.BackColor, 3879240);
  EXPECT_EQ(s.form.Text6.BackColor, 5869787);  // a picked range keeps its colour
  s.form.Text6.Text = "";
  s.form.Check1.setValue(1);
  s.form.Check1.setValue(0);
  EXPECT_EQ(s.form.Text6.BackColor, 3879240);

  s.form.Text8.Text = "14%";
  UpDown2_Step(s, 1);
  EXPECT_EQ(s.form.Text8.Text, "15%");
  s.form.Text4.Text = "0%";
  UpDown3_Step(s, -1);
  EXPECT_EQ(s.form.Text4.Text, "0%");

  s.NoAsks = true;
  s.form.Text2.setText("3");
  EXPECT_FALSE(s.NoAsks);

  s.form.txtRunoffPrecipAdj.setText("0.5");
  EXPECT_TRUE(s.form.chkRunoffPrecipAdj.ticked());
  s.form.chkMetric.setValue(1);
  EXPECT_TRUE(s.MetricUnits);
  s.form.Checkbadvalue.setValue(1);
  EXPECT_EQ(s.form.Text4.BackColor, TextBox::kDefaultBackColor);
  s.form.Checkbadvalue.setValue(0);
  EXPECT_EQ(s.form.Text4.BackColor, 5869787);
}

TEST(ProcessRunnerEditorTest, AnEditorGetsAPathWithABlankAndSemicolonAsOneArgument) {
  testing::TempFolder dir;
  const std::filesystem::path script = dir / "editor.sh";
  const std::filesystem::path out = dir / "args.txt";
  testing::writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"" + out.string() + "\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  ::setenv("VISUAL", script.c_str(), 1);
  const std::string file = (dir / "my file;rm x.txt").string();
  const std::vector<std::string> argv = textEditorCommand(file);
  ::unsetenv("VISUAL");
  SpawnProcessRunner launcher;
  std::string error;
  ASSERT_TRUE(launcher.startDetached(argv, error)) << error;
  for (int i = 0; i < 200 && !std::filesystem::exists(out); ++i) ::usleep(10000);
  ::usleep(20000);
  EXPECT_EQ(testing::readFile(out), "1\n" + file + "\n");

  EXPECT_FALSE(launcher.startDetached({"/no/such/editor", "x"}, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace fw
