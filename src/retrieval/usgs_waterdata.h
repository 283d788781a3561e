#pragma once
// Stream gauges through the USGS Water Data API: the "continuous" collection's GeoJSON pages of
// instantaneous values, turned into the RDB text the instantaneous-values service gives, so the
// gauge retriever reads both alike.
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct Session;
struct SourceCall;

// One reading of the continuous collection.
struct WaterDataReading {
  int64_t epoch = 0;  // seconds since 1970, UTC
  std::string value;  // as the reply wrote it; "Ice" or "Eqp" for a reading the gauge could not make
  std::string flags;  // the RDB qualifier column: "A" or "P", then the reply's qualifiers after ":"
};

struct WaterDataPage {
  std::vector<WaterDataReading> readings;
  std::string next;  // the href of the "next" link; empty on the last page
};

// Reads one page. Raises vb::Error with a text naming what was wrong: a reply that is not a
// FeatureCollection, a feature without a time or a value, a value that is not a number, or a unit
// other than `unit` (the line's; not checked when empty).
WaterDataPage readContinuousPage(const std::string& reply, const std::string& unit);

// True when two unit texts name the same unit ("cfs" and "ft^3/s"; "m^3/s" is another).
bool sameUnit(const std::string& a, const std::string& b);

// The readings of each parameter code (in the line's order) as an RDB reply: one row per instant
// in the machine's local clock time with its zone's name, a value and a qualifier column per code.
std::string waterDataRdb(const std::string& site, const std::vector<std::string>& codes,
                         const std::vector<std::vector<WaterDataReading>>& readings);

// The UTC instant of a local day's start ("yyyy-mm-ddThh:mm:ssZ"), as the request's window.
std::string utcInstantOfDay(int32_t day);

// Asks the continuous collection for each code over the local days firstDay to lastDay, following
// the "next" links, and gives the RDB text of the readings; on failure sets c.Error and gives an
// empty text. `codes` are padded to five digits; the first one's unit must be the line's.
std::string waterDataReply(Session& s, SourceCall& c, const std::string& site,
                           const std::vector<std::string>& codes, int32_t firstDay, int32_t lastDay);

}  // namespace fw
