// The editor's tool buttons: the tools list, the companion launchers and their argument
// vectors, the guard during a prompt, help and "Edit w/Notepad".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/editor_tools.h"
#include "app/session.h"
#include "app/station_editor.h"
#include "platform/process/process_runner.h"
#include "setup_support.h"
#include "support/radar_sites_file.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class EditorToolsTest : public ::testing::Test, protected testing::SetupSession {
 protected:
  void SetUp() override {
    s.processes = runner;
    ::setenv("VISUAL", "myedit -w", 1);
    grid().setRows(3);
    grid().TextMatrix(1, 2) = "10005, 23005";
    grid().TextMatrix(2, 2) = "1001";
    grid().Row = 1;
  }
  void TearDown() override { ::unsetenv("VISUAL"); }
  StationGrid& grid() { return s.Form2.MSFlexGrid1; }
  std::string companion(const std::string& folderName, const std::string& exe) {
    std::filesystem::create_directories(folder / folderName);
    testing::writeFile(folder / folderName / exe, "");
    return (folder / folderName).string();
  }
  std::shared_ptr<RecordingProcessRunner> runner = std::make_shared<RecordingProcessRunner>();
};

TEST_F(EditorToolsTest, TheToolsListAndItsChoices) {
  CommandTools_Click(s);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "User file Flumewright_tools.txt not found.");
  EXPECT_FALSE(s.Form2.ComboTools.Visible);

  testing::writeFile(folder / kToolsFileName,
                     "ab\r\nnotepad notes file.txt\r\n\"/opt/my tool/run\" --x \"a b\"\r\n$(touch x)\r\n");
  int dropDowns = 0;
  s.Form2.ShowDropDown = [&] { ++dropDowns; };
  CommandTools_Click(s);
  EXPECT_TRUE(s.Form2.ComboTools.Visible);
  EXPECT_EQ(dropDowns, 1);
  EXPECT_THAT(s.Form2.ComboTools.List,
              ElementsAre("Cancel Select", "Reload Flumewright_setup.txt", "notepad notes file.txt",
                          "\"/opt/my tool/run\" --x \"a b\"", "$(touch x)"));
  EXPECT_EQ(s.Form2.ComboTools.Text, "Select command to shell:");

  struct Case {
    std::string choice;
    std::vector<std::string> argv;  // empty: nothing started
  };
  const std::vector<Case> cases = {
      {"Cancel Select", {}},
      {"notepad notes file.txt", {"myedit", "-w", "notes", "file.txt"}},
      {" \"/opt/my tool/run\" --x \"a b\" ", {"/opt/my tool/run", "--x", "a b"}},
      {"$(touch x)", {"$(touch", "x)"}},
  };
  for (const auto& c : cases) {
    runner->started.clear();
    const double before = clock.now();
    s.Form2.ComboTools.Visible = true;
    s.Form2.ComboTools.Text = c.choice;
    ComboTools_Click(s);
    EXPECT_FALSE(s.Form2.ComboTools.Visible);
    EXPECT_EQ(s.Form2.ComboTools.Text, "Select command to shell:");
    if (c.argv.empty()) {
      EXPECT_TRUE(runner->started.empty());
    } else {
      ASSERT_EQ(runner->started.size(), 1u) << c.choice;
      EXPECT_EQ(runner->started[0], c.argv);
      EXPECT_NEAR((clock.now() - before) * 86400.0, 1.0, 1e-6);  // the pause after a start
    }
  }
  CommandTools_Click(s);  // shown: the button hides it again
  CommandTools_Click(s);
  EXPECT_FALSE(s.Form2.ComboTools.Visible);
}

TEST_F(EditorToolsTest, CompanionLaunchersAskForTheFolderUntilTheProgramIsFound) {
  const std::string sky = companion("Sky vantor", "Skyvantor.exe");
  // Empty folder: asked at once; the answer without a final "/" still finds the program.
  ui.inputs = {sky};
  cmdSkyvantor_Click(s);
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_THAT(ui.prompts[0], HasSubstr("Enter Skyvantor.exe folder name"));
  EXPECT_THAT(runner->started.at(0), ElementsAre(sky + "/Skyvantor.exe"));
  EXPECT_EQ(s.SkyvantorFolder, sky + "/");
  EXPECT_TRUE(s.Form2.ListDirty);
  EXPECT_FALSE(s.Form2.SkyvantorGuard);

  // A wrong folder: reported, then asked; an empty answer ends quietly.
  s.PlotwerksFolder = "/nowhere/";
  ui.inputs = {""};
  cmdPlotwerks_Click(s);
  EXPECT_EQ(ui.boxes.back().text, "/nowhere/Plotwerks.exe not found... try again.");
  EXPECT_EQ(runner->started.size(), 1u);
  EXPECT_FALSE(s.Form2.PlotwerksGuard);

  // The folder offered is the program folder's sibling; an answer that finds nothing again ends.
  s.PlotwerksFolder.clear();
  ui.prompts.clear();
  cmdPlotwerks_Click(s);  // no answers queued: each prompt gives its default
  EXPECT_EQ(s.PlotwerksFolder, folder.path().parent_path().string() + "/Plotwerks/");
  EXPECT_EQ(ui.prompts.size(), 2u);
  EXPECT_FALSE(s.Form2.PlotwerksGuard);

  // History mode: 0, 0 and the dates and times as separate arguments.
  s.PlotwerksFolder = companion("Plotwerks", "Plotwerks.exe") + "/";
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-01-05 00:00";
  s.form.TextEnddate.Text = "2024-01-06 00:07";
  cmdPlotwerks_Click(s);
  EXPECT_THAT(runner->started.back(), ElementsAre(s.PlotwerksFolder + "Plotwerks.exe", "0", "0", "2024-01-05",
                                                  "00:00", "2024-01-06", "00:07"));
  s.RealtimeMode = true;
  cmdPlotwerks_Click(s);
  EXPECT_THAT(runner->started.back(), ElementsAre(s.PlotwerksFolder + "Plotwerks.exe"));

  // Tablewise gets the first id of the row; a start marks the list changed.
  s.TablewiseFolder = companion("Tablewise", "Tablewise.exe") + "/";
  s.Form2.ListDirty = false;
  cmdTablewise_Click(s);
  EXPECT_THAT(runner->started.back(), ElementsAre(s.TablewiseFolder + "Tablewise.exe", "10005"));
  EXPECT_TRUE(s.Form2.ListDirty);

  // A program that cannot start: its path and the system's reason.
  runner->failing = {s.TablewiseFolder + "Tablewise.exe"};
  cmdTablewise_Click(s);
  EXPECT_EQ(ui.boxes.back().text, s.TablewiseFolder + "Tablewise.exe: No such file or directory");
  EXPECT_FALSE(s.Form2.TablewiseGuard);
}

// A tray click arriving while the launcher's prompt is up.
class ReenteringUi : public ScriptedUi {
 public:
  Session* s = nullptr;
  std::string inputBox(const std::string& prompt, const std::string& title, const std::string& def) override {
    cmdSkyvantor_Click(*s);
    return ScriptedUi::inputBox(prompt, title, def);
  }
};

TEST_F(EditorToolsTest, TheGuardKeepsASecondCallOutDuringThePrompt) {
  ReenteringUi reentering;
  Session other(reentering, clock, folder.path());
  reentering.s = &other;
  other.processes = runner;
  const std::string sky = companion("Skyvantor", "Skyvantor.exe");
  reentering.inputs = {sky + "/"};
  cmdSkyvantor_Click(other);
  EXPECT_EQ(reentering.prompts.size(), 1u);
  EXPECT_EQ(runner->started.size(), 1u);
  EXPECT_FALSE(other.Form2.SkyvantorGuard);
  EXPECT_EQ(reentering.prompts.size(), 1u);
}

TEST_F(EditorToolsTest, HelpNotepadDataTypesWizardAndQuit) {
  ui.answers = {MsgResult::OK, MsgResult::No};
  cmdHelp_Click(s);
  EXPECT_TRUE(runner->started.empty());
  ui.answers = {MsgResult::OK, MsgResult::Yes};
  cmdHelp_Click(s);
  EXPECT_THAT(runner->started.at(0), ElementsAre("xdg-open", kOnlineHelpAddress));
  EXPECT_THAT(ui.boxes.at(0).text, HasSubstr("In Edit List mode, right click leftt border for edit menu."));
  EXPECT_THAT(ui.boxes.at(1).title, HasSubstr(kProgramWebAddress));

  cmdDataTypes_Click(s);
  EXPECT_THAT(runner->started.back(), ElementsAre("myedit", "-w", (folder / kDataTypesFileName).string()));

  s.Form2.Loaded = true;
  s.Form2.Visible = true;
  s.Form2.ListDirty = true;
  grid().TextMatrix(2, 4) = "unsaved";
  cmdNotepad_Click(s);
  EXPECT_THAT(runner->started.back(), ElementsAre("myedit", "-w", (folder / kSetupFileName).string()));
  EXPECT_TRUE(s.GridStale);
  EXPECT_FALSE(s.Form2.Loaded);
  EXPECT_EQ(grid().Rows(), 0);  // the unsaved grid is dropped; the next opening reads the file

  ui.boxes.clear();
  testing::writeRadarSites(folder.path());
  cmdWizards_Click(s);
  EXPECT_TRUE(s.WizardLoaded);
  EXPECT_TRUE(s.frmWizard.Visible);  // on an empty list no page is shown, and nothing is said
  EXPECT_TRUE(ui.boxes.empty());

  cmdQuit_Click(s);
  EXPECT_TRUE(s.ExitRequested);
}

}  // namespace
}  // namespace fw
