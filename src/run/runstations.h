#pragma once
// The run: one pass over the station lines of StationTable from the first to the last line of
// StationRange. Started by "Start Retrievals", by the start-up in batch mode and by the batch
// timer; everything it uses and leaves goes through the Session.
namespace fw {

struct Session;

// The file in the program folder that a run holds locked from its start to its end: one run at a
// time per program folder.
inline constexpr const char* kRunLockName = "Flumewright_run.lock";
inline constexpr const char* kAnotherRunText =
    "Another run is using this program folder; this run did not start.";

// Runs once; does nothing while a run is already going. When another program (or session) holds
// the folder's run lock, the run does not start: interactively a box says so; in batch one line
// goes to standard error and one to the error log; the run counts as cancelled. Never throws: a station's failure is that
// station's, and an error outside the stations ends the run through its cancel path.
void runstations(Session& s);

}  // namespace fw
