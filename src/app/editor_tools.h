#pragma once
// The station-list editor's tool buttons: the user's tools list, the text editor on side files,
// the setup wizard, help, quit and the three companion programs.
#include <string>
#include <vector>

namespace fw {

struct Session;

inline constexpr const char* kToolsFileName = "Flumewright_tools.txt";
inline constexpr const char* kDataTypesFileName = "Flumewright_datatypes.txt";
inline constexpr const char* kProgramWebAddress = "https://flumewright.org";
inline constexpr const char* kOnlineHelpAddress = "https://flumewright.org/help.html";

void CommandTools_Click(Session& s);
void ComboTools_GotFocus(Session& s);
// The list's text holds the chosen entry.
void ComboTools_Click(Session& s);
void cmdSkyvantor_Click(Session& s);
void cmdPlotwerks_Click(Session& s);
void cmdTablewise_Click(Session& s);
void cmdDataTypes_Click(Session& s);
void cmdNotepad_Click(Session& s);
void cmdWizards_Click(Session& s);
void cmdHelp_Click(Session& s);
void cmdQuit_Click(Session& s);

// A tools-file line as an argument vector; a first word "notepad" is the user's text editor.
std::vector<std::string> toolCommand(const std::string& line);

}  // namespace fw
