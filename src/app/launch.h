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

// 0 when the last run finished (or none ran), 1 when it was cancelled or stopped by a signal
// before the end of its station list.
int exitStatus(const Session& s);

// The program was started without BATCH and has no display to show its window on.
inline constexpr int kExitNoDisplay = 2;
inline constexpr const char* kNoDisplayText =
    "Flumewright: no display to show the main window on. Start it with BATCH to run the station list "
    "without a window.";

}  // namespace fw
