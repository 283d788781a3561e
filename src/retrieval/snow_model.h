#pragma once
// The snow model's interactive station pages: two columns of one station's modelled series (rain
// and snowfall, air and surface temperature, depth and density, or melt and SWE).
#include <cstdint>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kSnowcastCopyName = "snowcast.txt";  // in the current folder

struct SnowcastPage {
  int data = 2;         // the page's "data=" number
  int firstColumn = 3;  // cells counted in a row cut at "<td": 1 is the time
  int secondColumn = 2;
  const char* header = "x   date  rainfall  snowfall";
  bool temperature = false;  // empty cells stay empty
};
// The page a line reads, from its DSID field (",-23" melt and SWE, ",-17" temperatures) and data type.
SnowcastPage snowcastPage(const std::string& dsidField, int16_t dataType);

// The page's table as value lines (UTC hours moved to local by tzHours, the hours local time is
// behind UTC), rows at or before beginDay minus 61 minutes left out. `page` is the reply from its
// "Cover</th>" (or "Forest Density") on. Raises vb::Error for a time it cannot read.
std::string snowcastTransform(const std::string& page, const SnowcastPage& choice, const std::string& code,
                              bool metric, int32_t beginDay, double tzHours);

// The retriever: StationId "SNOWCAST,<code>", DsidList, DatatypeCode, FirstDay. Error "Skip" asks
// the run to end the line quietly (a scheduled run outside the page's hours).
void Snowcast(Session& s, SourceCall& c);

}  // namespace fw
