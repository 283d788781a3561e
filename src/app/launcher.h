#pragma once
// Starting companion programs (a text editor on a log, the desktop's handler for a folder or a
// web page) as separate processes the program does not wait for. Always an argument vector,
// never a shell, so a file name with blanks or ";" stays one argument.
#include <memory>
#include <string>
#include <vector>

namespace fw {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts argv[0] (searched on PATH) with the rest as its arguments; false with the reason.
  virtual bool startDetached(const std::vector<std::string>& argv, std::string& error) = 0;
};

// posix_spawn; a thread of its own reaps each child when it ends.
class SpawnLauncher : public Launcher {
 public:
  bool startDetached(const std::vector<std::string>& argv, std::string& error) override;
};

// For tests and batch runs: records what would be started and starts nothing.
class RecordingLauncher : public Launcher {
 public:
  std::vector<std::vector<std::string>> started;
  bool fail = false;
  bool startDetached(const std::vector<std::string>& argv, std::string& error) override {
    if (fail) {
      error = "No such file or directory";
      return false;
    }
    started.push_back(argv);
    return true;
  }
};

// The text editor for a file: $VISUAL, else $EDITOR (split at blanks, no shell), else xdg-open.
std::vector<std::string> editorCommand(const std::string& file);
// The desktop's handler for a folder or a web address.
std::vector<std::string> openCommand(const std::string& target);

}  // namespace fw
