#pragma once
// Starts the flumewright executable as a user would, in a program folder, with the display
// variables removed from its environment, and waits for it to end.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fw::testing {

struct ProgramResult {
  int status = -1;        // exit status; -1 when it did not exit normally
  int signal = 0;         // the signal that ended it, if one did
  bool timedOut = false;  // killed after the time-out
  std::string output;     // what it wrote to standard output and standard error
};

struct ProgramRun {
  std::string program;                     // empty: the flumewright executable
  std::vector<std::string> args;           // after the program name
  std::filesystem::path workingFolder;     // its current directory
  std::map<std::string, std::string> env;  // set on top of this process's environment
  std::chrono::milliseconds timeout{30000};
  // Called every few milliseconds while the program runs, with its process id; for sending a
  // signal once something has happened.
  std::function<void(int pid)> whileRunning;
};

ProgramResult runProgram(const ProgramRun& run);

}  // namespace fw::testing
