#pragma once
// The run: one pass over the station lines of StationTable from the first to the last line of
// StationRange. Started by "Start Retrievals", by the start-up in batch mode and by the batch
// timer; everything it uses and leaves goes through the Session.
namespace fw {

struct Session;

// Runs once; does nothing while a run is already going. Never throws: a station's failure is that
// station's, and an error outside the stations ends the run through its cancel path.
void runstations(Session& s);

}  // namespace fw
