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

// The exit status a scheduler reads:
//   0  the run finished and its station lines were handled (bad stations within the allowed
//      number included), or no run was asked for;
//   1  the run was cancelled, stopped, or could not start;
//   2  the run finished, but the program's own work failed: the setup file could not be read
//      whole, the database could not be opened or written, rupdate row 0 could not be written,
//      or the error log could not be written.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitNotFinished = 1;
inline constexpr int kExitFault = 2;
int exitStatus(const Session& s);

// The program was started without BATCH and has no display to show its window on.
inline constexpr int kExitNoDisplay = 2;
inline constexpr const char* kNoDisplayText =
    "Flumewright: no display to show the main window on. Start it with BATCH to run the station list "
    "without a window.";

}  // namespace fw
