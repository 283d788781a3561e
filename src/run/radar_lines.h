#pragma once
// Station lines of source type 9 (NEXRAD), 23 (A2M) and 24 (HRR) get their rainfall from radar
// images: the run sets the shared radar settings from the line, gathers the following lines of
// the same radar run into one pass, records the model run where asked, calls the radar batch (a
// day at a time in a history run) and ends the station.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// A radar rain line: data type 9 (total) or 32 (maximum), or value class 10 (rainfall).
bool isRadarRainLine(int16_t sourceType, const LineState& line);

// What the line sets up for the radar batch.
struct RadarLineSetup {
  std::string product;        // the radar product code
  int16_t imageMode = 0;      // RadarImageMode
  bool canada = false;        // C0R, C0S
  int16_t canadaColumn = 0;   // 1 for C0S
  float batchValue = 0;       // 5 for every product but the Canadian ones
  int32_t hrrrHours = 0;      // HRR: forecast hours (the number in the options text)
  std::string label, icon;    // the status display
};
// From the source type, Station_ID (upper case), the parameter (the product keyword) and the
// options text (shift1, trimmed and upper-cased).
RadarLineSetup radarLineSetup(int16_t sourceType, const std::string& stationId, std::string parameter,
                              const std::string& options);

// The level-3 legend rates in use: a comma list in the options text (without "NOWCAST") gives
// entries 1 on from its items 1 on; otherwise the built-in rates, or the Canadian column's.
void applyRadarLegend(Session& s, const std::string& options, bool canada, int16_t canadaColumn);

// A history window in pieces for the radar batch: one piece when it spans 24 hours or less,
// otherwise one a day, each a day and 10 minutes long but not past the end.
struct RadarPiece {
  vb::VbDate begin = 0;
  vb::VbDate end = 0;
};
std::vector<RadarPiece> radarHistoryPieces(vb::VbDate begin, vb::VbDate end);

// The radar road of a line; the station then ends (StationError set when the batch failed).
Move radarLine(Session& s, RunContext& ctx, LineState& line, const std::string& caption);

}  // namespace fw
