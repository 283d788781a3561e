#pragma once
// Ctrl+C (SIGINT) and SIGTERM ask the session in work to stop: the run finishes before its next
// station line, closing the database and the error log as after its last line, and the program
// ends. A second signal, or one while no session is routed, takes its default action and ends
// the program at once.
#include <atomic>

namespace fw {

// Installs the handlers for SIGINT and SIGTERM (again after a signal has taken them away).
void installStopSignals();

// The flag a signal sets (the session's StopRequested); nullptr before the session goes.
void routeStopSignals(std::atomic<bool>* flag);

}  // namespace fw
