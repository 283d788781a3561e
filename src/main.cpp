// flumewright: the main window, or with BATCH on the command line one unattended run over the
// station list (and with "Scheduled Batch" further runs from the 10-second timer). Without a
// display there is no window at all: every complaint goes to the error log, and what the run
// writes into the log pane is echoed on standard output.
// SIGINT and SIGTERM end it cleanly (app/stop_signals.h).
#include <cstdlib>
#include <iostream>

#include "app/error_log_ui.h"
#include "app/headless_timer.h"
#include "app/launch.h"
#include "app/session.h"
#include "app/startup.h"
#include "app/stop_signals.h"
#include "compute/compute_services.h"
#include "models/model_services.h"
#include "retrieval/web_retrievers.h"
#ifdef FLUMEWRIGHT_WITH_GUI
#include "gui/gui_program.h"
#endif

namespace {

void routeStop(fw::Session* s) {
  fw::routeStopSignals(s ? &s->StopRequested : nullptr);
}

int runHeadless(const std::string& commandLine, const std::filesystem::path& folder) {
  fw::ErrorLogUi ui;
  fw::SystemClock clock;
  fw::Session s(ui, clock, folder);
  fw::installComputeServices(s);
  fw::installModelServices(s);
  ui.attach(s.errlog, s.form.Text1, &std::cout);
  if (!fw::commandLineSelectsBatch(commandLine)) {
    s.errlog.writeLine(fw::kNoDisplayText);
    std::cerr << fw::kNoDisplayText << "\n";
    return fw::kExitNoDisplay;
  }
  routeStop(&s);
  fw::installWebServices(s);
  fw::Form_Load(s, commandLine);
  ui.doEvents();
  if (s.BatchScheduled && !s.ExitRequested) fw::runHeadlessTimer(s);
  fw::Form_QueryUnload(s);
  routeStop(nullptr);
  return fw::exitStatus(s);
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer at once: no run, no window, nothing written in the folder.
  switch (fw::infoRequest(argc, argv)) {
    case fw::InfoRequest::Help:
      std::cout << fw::usageText();
      return fw::kExitFinished;
    case fw::InfoRequest::Version:
      std::cout << fw::versionText() << "\n";
      return fw::kExitFinished;
    case fw::InfoRequest::None:
      break;
  }
  fw::installStopSignals();
  const std::string commandLine = fw::joinCommandLine(argc, argv);
  const std::filesystem::path folder = fw::defaultProgramFolder();
#ifdef FLUMEWRIGHT_WITH_GUI
  if (fw::displayAvailable([](const char* name) { return std::getenv(name); }))
    return fw::gui::runWithWindow(argc, argv, commandLine, folder, routeStop);
#endif
  return runHeadless(commandLine, folder);
}
