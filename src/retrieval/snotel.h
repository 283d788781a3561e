#pragma once
// Snow-telemetry stations: the report generator's hourly CSV report (real time) and the older
// data-report pages (history).
#include <cstdint>
#include <string>

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kSnotelHeader = "Equivalent Depth Precipitation Temp";

// The request path (after the server) for the station in the window. `state` is the upper-cased
// state of the station triplet; `beginDay` the window's first whole day.
std::string snotelRequest(bool realtime, bool unitValues, const std::string& station,
                          const std::string& state, const std::string& element, int32_t dayCount,
                          int32_t beginDay, int32_t runDay);

// The reply turned into value lines ("Z", TAB, the date as received, TAB, the value); rows dated
// before `beginDay` are left out. `report` comes back false when the reply holds no report (no
// "#" within its first three characters, or no "GMT" header line): the text is then empty.
// Raises vb::Error for a data row whose date cannot be read.
std::string snotelTransform(const std::string& reply, int32_t beginDay, bool& report);

// The retriever. Columns[0] becomes 2 (the value field). A reply without a report gives an empty
// retrieval of its own line; the run's no-data flag SnotelStop is set only when the download
// itself failed, so the later snow-telemetry lines of the run ask nothing of a service that is
// down. A row that cannot be read ends the line with LastError, the error log and (interactive
// only) a box.
void GetSNOTEL(Session& s, SourceCall& c);

}  // namespace fw
