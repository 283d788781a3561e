#pragma once
// The California data exchange center: hourly and daily values of one sensor of a station, from
// the exchange's CSV services.
#include <optional>
#include <string>

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kCdecTitle = "California Data Exchange Center";

// Sensors whose values are wind directions in degrees (exact texts: "010" is not one).
bool cdecWindSensor(const std::string& sensor);

// The reply (CR LF lines) turned into retrieval text: the title, then "Z", station, sensor,
// "yyyy-mm-dd hh:mm", value. Hourly rows (from line 4 to the third-last) are the station's own
// only, 24 values a day; daily rows run from line 4 to the last, value in the third field, and
// are written with the line's station and sensor.
// Empty values, letter flags and days or values that do not convert give no line. Values are
// handed on as received (a wind direction stays in degrees).
std::string cdecTransform(const std::string& reply, const std::string& station, const std::string& sensor,
                          bool hourly);

// The number text of a value text ("+7" is "7", ".50" is "0.5"); nothing for a text that
// does not start with a digit or a sign or is no number.
std::optional<std::string> cdecNumberText(const std::string& text);

// The retriever: station id, sensor number, the window from the run. No error text: a failed
// download or an unserved station leaves the title alone, an empty retrieval.
void GetCDEC(Session& s, SourceCall& c);

}  // namespace fw
