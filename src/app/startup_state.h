#pragma once
// The main window's own state for start-up, the batch timer and shutdown, and the links to the
// routines of other subsystems that these handlers call.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;

// What start-up, the timer and shutdown call elsewhere. The base class calls the program's own
// routines; a test replaces it (s.links = std::make_shared<...>()) to count runs or to make a
// compaction fail without a database.
class StartupLinks {
 public:
  virtual ~StartupLinks() = default;
  // Built-in tables, the setup file and the site table.
  virtual void setupdata(Session& s);
  // One run over the station list.
  virtual void runstations(Session& s);
  // The `updated` value of the rupdate row of DSID 0, read over a second, read-only connection
  // that is closed again; nothing when there is no such row or the database cannot be opened.
  virtual std::optional<vb::VbDate> lastRunTime(Session& s);
  // Compacts and backs up the database; the outcome is LastError (empty on success).
  virtual void CompactRepair(Session& s);
  // Closes the main connection's recordsets and database and lets them go.
  virtual void releaseDatabase(Session& s);
};

struct StartupState {
  // Day number of the last day the daily compaction rule recorded; 0 until the first due tick.
  int32_t LastCompactDay = 0;
  // The updated time of rupdate row 0, read at an interactive start; 0 when unknown.
  vb::VbDate LastRunTime = 0;
  // The last run was stopped from outside (a signal) before the end of its station list.
  bool LastRunStopped = false;
  // Non-zero while the image library the radar code uses needs shutting down at exit.
  uint64_t GdiplusToken = 0;
  // The radar batch's work table of whole numbers, indexes [0..1][0..1] until the batch enlarges it.
  std::vector<std::vector<int32_t>> RadarWorkTable;

  std::shared_ptr<StartupLinks> links = std::make_shared<StartupLinks>();
};

}  // namespace fw
