#pragma once
// The program with its main window: start-up, then the window's event loop until the window may
// close.
#include <filesystem>
#include <functional>
#include <string>

namespace fw {

struct Session;

namespace gui {

// `onSession` is called with the session once it exists and with nullptr before it goes, so the
// caller can route a stop signal to it. Gives the program's exit status.
int runWithWindow(int& argc, char** argv, const std::string& commandLine,
                  const std::filesystem::path& programFolder, const std::function<void(Session*)>& onSession);

}  // namespace gui
}  // namespace fw
