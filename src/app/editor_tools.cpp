// The station-list editor's tool buttons and the companion launchers.
#include "app/editor_tools.h"

#include <string>
#include <vector>

#include "app/session.h"
#include "app/setup_data.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "common/paths.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

constexpr int kStartPauseMs = 1000;
constexpr const char* kCancelSelect = "Cancel Select";
constexpr const char* kReloadSetup = "Reload Flumewright_setup.txt";
constexpr const char* kToolsPrompt = "Select command to shell:";

// Starts a program and gives it a second to come up, as the user expects to see it first.
bool startProgram(Session& s, const std::vector<std::string>& argv, std::string& error, bool pause = true) {
  const bool started = s.processes->startDetached(argv, error);
  if (pause) s.clock.sleepMs(kStartPauseMs);
  return started;
}

struct Companion {
  const char* exe;     // "Skyvantor.exe"
  const char* folder;  // the sibling folder offered: "Skyvantor"
  std::string SetupState::*setting;
  bool StationEditor::*guard;
  bool dirtyOnFolder;  // a folder answer marks the list changed (it is saved with it)
};

std::string withSeparator(const std::string& folder) {
  if (folder.empty()) return folder;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder : folder + "/";
}

// Finds the program, asking for its folder until it is found or the user gives up, and starts it
// with the arguments. The guard keeps a second call out while prompts and messages are up.
// True when the program was started.
bool launchCompanion(Session& s, const Companion& c, const std::vector<std::string>& args) {
  StationEditor& f = s.Form2;
  if (f.*c.guard) return false;
  f.*c.guard = true;
  bool started = false;
  std::string& folder = s.*c.setting;
  bool ask = folder.empty();
  std::string tried;
  for (;;) {
    if (!ask) {
      const std::string path = folder + c.exe;
      if (vb::fileExists(path)) {
        std::vector<std::string> argv{path};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string error;
        started = startProgram(s, argv, error);
        if (!started) notify(s, path + ": " + error, MsgButtons::OK, MsgIcon::Exclamation);
        break;
      }
      s.ui.msgBox(path + " not found... try again.");
      // Nobody can answer a prompt in batch mode, and the same folder again finds nothing new.
      if (s.BatchMode || folder == tried) break;
      tried = folder;
    }
    const std::string name = c.exe;
    std::string program = s.programFolder.string();
    while (program.size() > 1 && (program.back() == '/' || program.back() == '\\')) program.pop_back();
    const std::string offered = ParentFolder(program) + c.folder + "/";
    const std::string answer =
        vb::Trim(s.ui.inputBox("Enter " + name + " folder name", name + " path", offered));
    if (answer.empty()) break;
    folder = withSeparator(answer);
    if (c.dirtyOnFolder) f.ListDirty = true;
    ask = false;
  }
  f.*c.guard = false;
  return started;
}

}  // namespace

std::vector<std::string> toolCommand(const std::string& line) {
  std::vector<std::string> words = splitCommandLine(line);
  if (!words.empty() && vb::LCase(words[0]) == "notepad") {
    if (words.size() == 1) return textEditorCommand("");
    std::vector<std::string> argv = textEditorCommand(words[1]);
    argv.insert(argv.end(), words.begin() + 2, words.end());
    return argv;
  }
  return words;
}

void CommandTools_Click(Session& s) {
  ComboList& list = s.Form2.ComboTools;
  try {
    if (list.Visible) {
      list.Visible = false;
      return;
    }
    if (vb::InStr(list.Text, "Select") == 0) {
      const auto path = s.inProgramFolder(kToolsFileName);
      if (!vb::fileExists(path)) {
        s.ui.msgBox(std::string("User file ") + kToolsFileName + " not found.");
        return;
      }
      list.List = {kCancelSelect, kReloadSetup};
      for (const std::string& line : vb::readLines(path))
        if (line.size() >= 4) list.List.push_back(line);
      list.Text = kToolsPrompt;
    }
    list.Visible = true;
    ComboTools_GotFocus(s);
  } catch (const std::exception&) {
    // a tools file that cannot be read offers nothing
  }
}

void ComboTools_GotFocus(Session& s) {
  if (s.Form2.ShowDropDown) s.Form2.ShowDropDown();
}

void ComboTools_Click(Session& s) {
  ComboList& list = s.Form2.ComboTools;
  list.Visible = false;
  const std::string choice = vb::Trim(list.Text);
  list.Text = kToolsPrompt;
  if (choice == kCancelSelect || choice == kToolsPrompt || choice.empty()) return;
  if (choice == kReloadSetup) {
    // A run holds the station table: it reloads the file at its next start instead.
    if (s.RunActive) s.SetupChanged = true;
    else setupdata(s);
    return;
  }
  std::string error;
  startProgram(s, toolCommand(choice), error);  // a tool that cannot start is passed over
}

void cmdSkyvantor_Click(Session& s) {
  launchCompanion(s, {"Skyvantor.exe", "Skyvantor", &SetupState::SkyvantorFolder, &StationEditor::SkyvantorGuard, true},
                  {});
}

void cmdPlotwerks_Click(Session& s) {
  std::vector<std::string> args;
  if (!s.RealtimeMode) {
    args = {"0", "0"};
    for (const std::string& word : splitCommandLine(s.form.TextBegindate.Text + " " + s.form.TextEnddate.Text))
      args.push_back(word);
  }
  launchCompanion(s, {"Plotwerks.exe", "Plotwerks", &SetupState::PlotwerksFolder, &StationEditor::PlotwerksGuard, true},
                  args);
}

void cmdTablewise_Click(Session& s) {
  StationEditor& f = s.Form2;
  const StationGrid& grid = f.MSFlexGrid1;
  std::string dsid;
  if (grid.Row >= 0 && grid.Row < grid.Rows()) {
    dsid = grid.TextMatrix(grid.Row, 2);
    if (const int comma = vb::InStr(dsid, ","); comma > 0) dsid = vb::Left(dsid, comma - 1);
    dsid = vb::Trim(dsid);  // one argument, without the blanks around it
  }
  if (f.RsiteLaunch) dsid += ",rsite";
  f.RsiteLaunch = false;
  if (launchCompanion(s, {"Tablewise.exe", "Tablewise", &SetupState::TablewiseFolder, &StationEditor::TablewiseGuard,
                           false},
                      {dsid}))
    f.ListDirty = true;
}

void cmdDataTypes_Click(Session& s) {
  const std::string file = s.inProgramFolder(kDataTypesFileName).string();
  if (openViewer(s, textEditorCommand(file), file)) s.clock.sleepMs(kStartPauseMs);
}

void cmdNotepad_Click(Session& s) {
  StationEditor& f = s.Form2;
  f.ListDirty = false;
  s.form.Check1.Value = 0;
  const std::string file = s.inProgramFolder(kSetupFileName).string();
  openViewer(s, textEditorCommand(file), file);
  s.GridStale = true;
  if (Form2_QueryUnload(s)) unloadStationEditor(s);
}

void cmdWizards_Click(Session& s) {
  if (s.WizardLoaded) setupframes(s);
  showWizard(s);
}

void cmdHelp_Click(Session& s) {
  const std::string lf = "\n";
  const std::string text =
      "Use mouse over each option for more info." + lf + lf +
      "It may be easier to use Windows Notepad to edit and arrange this station list file 'Flumewright_setup.txt' "
      "with Edit w/Notepad button." + lf +
      "For Wunderground, Nexrad, and CIMIS arrange parameters for the same station to follow each other to cut down "
      "on reaccessing the same data source.  For instance, all parameters for a Wunderground station should be "
      "together and like wise all rainfall points of interest for the same radar site.  USGS, USBR, CDEC, and "
      "Snotel doesn't matter.  " + lf +
      "In Edit List mode, right click leftt border for edit menu." + lf +
      "Some wizards can add setup lines to table RSITE or right click on selected setup line to add most of the "
      "needed info to table RSITE." + lf + "Setup Wizards are available for more help.";
  s.ui.msgBox(text, MsgButtons::OK, MsgIcon::Question, "");
  const std::string version = vb::Mid(versionCaption(), static_cast<int>(std::string("Flumewright ").size()) + 1);
  const MsgResult go = s.ui.msgBox("Would you like to go to online help?", MsgButtons::YesNo, MsgIcon::Question,
                                   std::string(kProgramWebAddress) + " " + version);
  if (go != MsgResult::Yes) return;
  std::string error;
  if (!s.processes->startDetached(openCommand(kOnlineHelpAddress), error))
    s.ui.msgBox(error + "... Help is available at " + kProgramWebAddress);
}

void cmdQuit_Click(Session& s) { s.ExitRequested = true; }

}  // namespace fw
