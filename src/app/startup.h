#pragma once
// The main window's start-up, its "Start Retrievals" button, the scheduled-batch tick, its resize
// and its close, as handlers of the MainForm model. The Qt window (and the headless program)
// only forward their events here.
#include <string>

namespace fw {

struct Session;

// "Flumewright " and the program's version as three plain numbers ("Flumewright 1.0.0").
std::string versionCaption();

// The command line asks for batch mode: "BATCH" anywhere in it, in any case.
bool commandLineSelectsBatch(const std::string& commandLine);
// The command line ticks "Scheduled Batch" before the start: "SCHEDULED BATCH" anywhere, in any
// case. Without a window this is the only way to tick it; such a command line is a batch one too.
bool commandLineSelectsSchedule(const std::string& commandLine);

// Start-up: caption, command line, setupdata; then in batch mode the run at once, otherwise the
// time of the last run in Text6 and the window made visible in the model. A failure on the way is
// reported with a hint on the database; an interactive start then still shows the window, and a
// batch start asks the program to end with its run counted as cancelled.
void Form_Load(Session& s, const std::string& commandLine);

// "Start Retrievals": empties a "Last run" text in Text6 and runs. Nothing while a run is going
// (the button is disabled then, but the tray menu or a queued click can still ask).
void Command1_Click(Session& s);

// The 10-second tick while Timer1 is enabled: when the next scheduled run is due, moves
// NextRunTime on, compacts the database once a day when asked to, and starts the run.
void Timer1_Timer(Session& s);

// While the tray icon is shown, any resize of the visible window hides it: minimising sends the
// program to the tray.
void Form_Resize(Session& s);

// Asked before the program ends. While a run is going it only asks the run to stop before its
// next station line and gives false (the caller asks again once the run has ended). Otherwise
// it releases the database, the internet session, the image library and the tray icon, closes
// the error log and gives true. Every failure on the way is passed over, so the program can always end.
bool Form_QueryUnload(Session& s);

}  // namespace fw
