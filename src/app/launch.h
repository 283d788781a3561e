#pragma once
// How the program was started: its command line as one text, whether a display is there to show
// a window on, and the exit status it leaves.
#include <functional>
#include <string>

namespace fw {

struct Session;

// The arguments after the program name, joined by single blanks.
std::string joinCommandLine(int argc, const char* const* argv);

// A window can be shown: DISPLAY or WAYLAND_DISPLAY is set and not empty, and QT_QPA_PLATFORM
// does not ask for the offscreen platform. `env` reads a variable (nullptr when unset).
bool displayAvailable(const std::function<const char*(const char*)>& env);

// The exit status a scheduler reads, one cause each. When several apply, the one listed first
// here is given (a run that could not start says why, before how the run went):
//   5  another program holds the program folder's run lock: the run did not start;
//   3  the setup file could not be used: missing, not a regular file, over 64 MB, empty, UTF-16,
//      reading stopped early (a second connection line), cut off without an END line, or a
//      START DATE that is no date (then no run starts);
//   4  the database could not be opened (a missing database file or workbook, a server that does
//      not answer or refuses the login, a provider that is not supported): the run did not start;
//   6  the run was stopped by SIGINT or SIGTERM before the end of its station list;
//   1  the run was cancelled before the end of its station list: more bad stations than
//      "Bad/Missing Stations Allowed" (or a line that cancels the run);
//   2  the run finished, but a write failed: series rows or rupdate row 0 could not be written to
//      the database, or the error log could not be written;
//   0  the run finished and its station lines were handled (bad stations within the allowed number
//      included), or no run was asked for (--help, --version).
//   7  (not a run) started without BATCH where there is no display to show the window on.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitCancelled = 1;
inline constexpr int kExitWriteFailed = 2;
inline constexpr int kExitSetupUnusable = 3;
inline constexpr int kExitDatabaseUnopened = 4;
inline constexpr int kExitFolderBusy = 5;
inline constexpr int kExitStopped = 6;
inline constexpr int kExitNoDisplay = 7;
int exitStatus(const Session& s);

inline constexpr const char* kNoDisplayText =
    "Flumewright: no display to show the main window on. Start it with BATCH to run the station list "
    "without a window.";

// What the command line asks before any run: the usage or the version, printed at once.
enum class InfoRequest { None, Help, Version };
InfoRequest infoRequest(int argc, const char* const* argv);
// The usage: the three ways to start the program, FLUMEWRIGHT_HOME and the exit statuses.
std::string usageText();
// "Flumewright 1.0.0"
std::string versionText();

}  // namespace fw
