// flumewright: the main window, or with BATCH on the command line one unattended run over the
// station list (and with "Scheduled Batch" further runs from the 10-second timer). Without a
// display there is no window at all and every complaint goes to the error log.
//
// SIGINT and SIGTERM ask the run to stop before its next station line; the run then closes the
// database and the error log as after its last line, and the program ends. A second signal ends
// the program at once.
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "app/error_log_ui.h"
#include "app/headless_timer.h"
#include "app/launch.h"
#include "app/session.h"
#include "app/startup.h"
#ifdef FLUMEWRIGHT_WITH_GUI
#include "gui/gui_program.h"
#endif

namespace {

// The stop flag of the session in work: a signal handler can reach nothing else. A lock-free
// atomic store is safe in a handler.
std::atomic<std::atomic<bool>*> stopFlag{nullptr};

extern "C" void askToStop(int) {
  if (std::atomic<bool>* flag = stopFlag.load()) flag->store(true);
}

void installStopHandlers() {
  struct sigaction action {};
  action.sa_handler = askToStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // the second signal takes its default action
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void routeStop(fw::Session* s) {
  stopFlag.store(s ? &s->StopRequested : nullptr);
}

int runHeadless(const std::string& commandLine, const std::filesystem::path& folder) {
  fw::ErrorLogUi ui;
  fw::SystemClock clock;
  fw::Session s(ui, clock, folder);
  ui.attach(s.errlog);
  if (!fw::commandLineSelectsBatch(commandLine)) {
    s.errlog.writeLine(fw::kNoDisplayText);
    std::cerr << fw::kNoDisplayText << "\n";
    return fw::kExitNoDisplay;
  }
  routeStop(&s);
  fw::Form_Load(s, commandLine);
  if (s.BatchScheduled && !s.ExitRequested) fw::runHeadlessTimer(s);
  fw::Form_QueryUnload(s);
  routeStop(nullptr);
  return fw::exitStatus(s);
}

}  // namespace

int main(int argc, char** argv) {
  installStopHandlers();
  const std::string commandLine = fw::joinCommandLine(argc, argv);
  const std::filesystem::path folder = fw::defaultProgramFolder();
#ifdef FLUMEWRIGHT_WITH_GUI
  if (fw::displayAvailable([](const char* name) { return std::getenv(name); }))
    return fw::gui::runWithWindow(argc, argv, commandLine, folder, routeStop);
#endif
  return runHeadless(commandLine, folder);
}
