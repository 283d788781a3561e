#pragma once
// The main window's small handlers: the viewers of the program's logs and the radar companion's
// files, help, the menu picture, "Select Station(s)", "History", and the boxes whose changes
// mirror into one another or recolour their neighbours.
#include <functional>
#include <string>

namespace fw {

struct Session;

namespace main_options {

inline constexpr const char* kWebSite = "https://flumewright.org";
inline constexpr const char* kHelpPage = "https://flumewright.org/help";

// Joins the boxes' change and click handlers to the session's window; the setup reader, the
// editor and the run then raise them by setting values.
void connect(Session& s);

void cmdShowNowcastCounts_Click(Session& s);
void cmdViewAlert_Click(Session& s);
void Command3_Click(Session& s);  // "View Error Log"
void cmdEditWindsAloft_Click(Session& s);
void cmdNowcastExpires_Click(Session& s);
void cmdShowNowcast_Click(Session& s);
void cmdHelp_Click(Session& s);
void cmdMenuPic_Click(Session& s);
void CommandDate_Click(Session& s);  // "History"

void CheckBatch_Click(Session& s);
void chkMetric_Click(Session& s);
void Text2_Change(Session& s);
void Text3_Change(Session& s);
void Text9_Change(Session& s);
void txtRadarMaxHrs_Change(Session& s);
void txtRunoffPrecipAdj_Change(Session& s);
void UpDown2_Change(Session& s);
void UpDown3_Change(Session& s);
void Check1_Click(Session& s);
void Checkbadvalue_Click(Session& s);
// A spinner click (+1 up, -1 down): steps from the number its box shows.
void UpDown2_Step(Session& s, int direction);
void UpDown3_Step(Session& s, int direction);

// Starts the text editor on a file; a program that cannot start leaves a log-pane line naming it.
void openInEditor(Session& s, const std::string& file);

}  // namespace main_options
}  // namespace fw
