#pragma once
// The MADIS collection of a "MADIS" station line: mesonet observations of every station inside a
// latitude/longitude box, appended to the history "My5DayMadis.txt" that "MA-" lines read.
// Built: the public CGI (batch runs whose base1 is 3), one request for the last 59 minutes. The
// hourly netCDF files (the other base1 values) are not collected; such a line fails with its text.
#include <array>
#include <string>

namespace fw {

struct Session;
struct SourceCall;

// The box text "lat, lon, lat, lon" as south-west latitude, south-west longitude, north-east
// latitude, north-east longitude, whatever corners were given first. Raises vb::Error for fewer
// than four numbers or a value that is no number.
std::array<double, 4> madisBox(const std::string& box);

// The retriever (StationId the line's name, Triples[1].base the mode, Triples[1].shift the box,
// ParameterCode empty for every variable, else precipitation only). Leaves no values.
void GetMadis(Session& s, SourceCall& c);

}  // namespace fw
