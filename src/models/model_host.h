#pragma once
// What an outside-model runner needs of the program around it, and the call every runner takes.
// The run fills a ModelHost from its session for one station line; tests fill one by hand. A
// runner reads nothing else of the program, so it can be driven without a window or a database.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/process/process_runner.h"
#include "platform/vb/date.h"

namespace fw::models {

// The station line as a runner gets it; the runner may change the command and the two days.
struct ShellArgs {
  std::string Command;    // the line's Station_ID: the program and its arguments
  std::string Parameter;  // the line's parameter text (no runner reads it)
  int32_t BeginDay = 0;   // whole day numbers of the window
  int32_t EndDay = 0;
  std::string base1, shift1, formula1;  // the line's first base/shift/formula triple
  std::string Error;                    // out: the station's failure text, empty on success
};

struct ModelHost {
  ProcessRunner* processes = nullptr;  // starts the programs
  std::filesystem::path programFolder;
  bool BatchMode = false;  // nobody answers boxes: failures go to the error log only
  bool RealtimeMode = true;
  bool AddEndDay = false;                  // the end day moves one day later first
  std::string TextBegindate, TextEnddate;  // the history window's dates, as typed
  vb::VbDate RunDateTime = 0;
  std::function<vb::VbDate()> now = [] { return vb::systemNow(); };
  std::function<void(int milliseconds)> sleepMs = [](int) {};
  // Hours to add to local time to get UTC, and whether daylight time is in force, at the run.
  float TZHours = 0;
  bool TZDaylight = false;

  // ---- settings (the first one in and out: a value below 0.1 is replaced by 3.0) ----
  double ShellTimeoutMinutes = 0;  // the longest wait on a started program, minutes
  std::string HmsProgram;          // "HEC-HMS Program=": the launcher started with "-s script"
  std::string ResSimProgram;       // "HEC-ResSim Program=": replaces the program of the command
  int ResSimLimitSeconds = 360;    // the longest wait on HEC-ResSim
  int HmsLimitMinutes = 60;        // the longest wait on HEC-HMS

  // ---- the daily maximum writer's peak (in and out) ----
  double PeakFlowValue = 0;
  vb::VbDate PeakFlowTime = 0;

  // ---- what the runner tells the program ----
  std::function<void(const std::string&)> log = [](const std::string&) {};  // log pane text as given
  std::function<void(const std::string&)> errorLine = [](const std::string&) {};
  std::function<void(const std::string&)> setLastError = [](const std::string&) {};
  std::function<void(const std::string&)> caption = [](const std::string&) {};
  std::function<void(const std::string&)> messageBox = [](const std::string&) {};
  std::function<void()> doEvents = [] {};
  std::function<bool()> stopRequested = [] { return false; };
  std::function<void()> closeInternet = [] {};

  // A failure inside an outside program: the run's last error and the error log get it, and
  // the user a box unless nobody is there to click it.
  void report(const std::string& text) {
    note(text);
    if (!BatchMode) messageBox(text);
  }
  // The same without the box.
  void note(const std::string& text) {
    setLastError(text);
    errorLine(text);
  }
  // A message the user must see: a box, or in batch the error log.
  void tell(const std::string& text) {
    if (BatchMode)
      errorLine(text);
    else
      messageBox(text);
  }
};

// A model file named on the line: a relative name lies in the program folder (the program never
// changes its current folder for a model).
std::string modelPath(const ModelHost& host, const std::string& text);

// The steps every runner takes first: the error text is cleared, the shared internet session is
// closed, the end day moves one day later when AddEndDay is set, and in history mode both days
// come from the typed dates.
void shellEntry(ModelHost& host, ShellArgs& args);

}  // namespace fw::models

namespace fw::models {
// The text of an exception as a runner reports it: a run-time error's description, or what().
std::string errorText(const std::exception& e);
}  // namespace fw::models
