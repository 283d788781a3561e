#pragma once
// Precipitation of automated flood-warning gauges from the river forecast service's tabular
// hydrograph page (real-time unit values only).
#include <cstdint>
#include <string>

namespace fw {

struct Session;
struct SourceCall;

// The request path (after the server): `gauge` and the page's time-zone code (empty: the
// template's own), `product` the precipitation product.
std::string afwsRequest(const std::string& gauge, const std::string& timeZone, const std::string& product);

// The page's rows from the begin day (a whole day) on, oldest first: "Z", TAB,
// "yyyy-mm-dd hh:mm", TAB, the amount, after the station code as header line. The page shows
// "mm/dd hh:mm" without a year: a row takes the year that puts it on or before the run day, so
// in a window from December into January the January rows are a year after the December ones.
// The first row written is the oldest one on or after the begin day.
std::string afwsTransform(const std::string& page, const std::string& stationCode, int32_t beginDay,
                          int32_t runDay);

// The retriever: station code "<first>-<gauge>[-<zone>]", parameter code the product. V is 2
// after a request, 0 without one. History mode and daily values are refused with a notice (in
// batch, to the error log).
void GetAFWS(Session& s, SourceCall& c);

}  // namespace fw
