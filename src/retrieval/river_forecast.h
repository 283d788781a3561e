#pragma once
// River-gauge forecasts of the national water prediction service: the stage and flow forecast of
// one gauge, drawn as straight lines between its points at a 5-minute step.
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kStageflowName = "stageflow.json";  // in the current folder
inline constexpr const char* kForecastCopyName = "forcast.txt";  // in the program folder

struct NwpsText {
  std::string text;        // header line and value rows
  std::string error;       // "Flow Forecast error" for a reply without an issued forecast
  bool anyRecord = false;  // at least one forecast point was read
};

// A forecast point further than this outside the line's window is not the service's forecast
// of it (a stray date): it is dropped before any segment is drawn to it. Within it lie the points
// that close the segments crossing the window's edges.
inline constexpr double kForecastEdgeDays = 1;

// The reply read by its text rules: records cut at "},", from the eleventh piece on; the time
// after a record's first ":" (UTC, moved to local by tzHours, the hours local time is behind
// UTC); field 2 the stage, field 3 the flow (in thousands when the reply says "kcfs"). dataType 1
// takes the flow, any other the stage. Segments ending before windowStart or at a value of -10
// or less are not drawn; records more than kForecastEdgeDays before windowStart or after
// windowEnd (the end of the line's last forecast day) are dropped. Raises vb::Error for a record
// it cannot read.
NwpsText nwpsTransform(const std::string& reply, int16_t dataType, vb::VbDate windowStart, vb::VbDate windowEnd,
                       double tzHours);

// The retriever: StationId "FORECAST-NWS,<gauge>", DatatypeCode. Downloads into "stageflow.json",
// falls back to GetURL for a short reply, copies the result to "forcast.txt".
void GetNWPSForecast(Session& s, SourceCall& c);

}  // namespace fw
