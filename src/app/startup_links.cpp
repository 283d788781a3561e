#include "app/session.h"
#include "app/startup_state.h"

namespace fw {

namespace {

// What a link reports while the routine it stands for is not part of the program yet.
void notAvailable(Session& s, const char* routine) {
  s.errlog.writeLine(std::string(routine) + " is not available in this version.");
}

}  // namespace

void StartupLinks::setupdata(Session& s) {
  notAvailable(s, "setupdata");
}

void StartupLinks::runstations(Session& s) {
  notAvailable(s, "runstations");
  s.LastRunOutcome = RunOutcome::Cancelled;
  if (s.BatchMode && !s.form.CheckBatch.ticked()) s.ExitRequested = true;
}

std::optional<vb::VbDate> StartupLinks::lastRunTime(Session&) {
  return std::nullopt;
}

void StartupLinks::CompactRepair(Session& s) {
  s.LastError = "CompactRepair is not available in this version.";
}

void StartupLinks::releaseDatabase(Session&) {}

}  // namespace fw
