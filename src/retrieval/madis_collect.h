#pragma once
// The MADIS collection of a "MADIS" station line: mesonet observations of every station inside a
// latitude/longitude box, appended to the history "My5DayMadis.txt" that "MA-" lines read.
// Two ways: the hourly netCDF files of the service's data folder (unpacked with 7za, dumped with
// the madis_dump program), or in batch runs whose base1 is 3 one request to the public CGI for the
// last 59 minutes. The work lives in "madis/" of the program folder.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

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

inline constexpr const char* kMadisFolderName = "madis";
inline constexpr const char* kMadisNewHoursName = "MadisNewF$.txt";
inline constexpr const char* kMadisUpdateName = "MyUpdateMadis.txt";

// One hour of the netCDF path. downloaded: the ".gz" hour as bytes, or "-1" when the unpacked hour
// is already on disk. Unpacks it, dumps the box and appends the hour's block to the run's work file
// ("MadisNewF$.txt" in real-time mode, historyPath in history mode, then merged into the history
// when the user agreed). dumpText: what the dump wrote. error: the hour's failure, else empty.
// An hour that unpacks past the download size limit (the unpacker is stopped there), or is on
// disk larger than it, fails, and its archive and unpacked file are removed.
void MadisRun(Session& s, const std::string& hourName, const std::string& box,
              const std::vector<std::string>& variables, int16_t base1, const std::string& downloaded,
              vb::VbDate hourUtc, float offset, const std::string& historyPath, std::string& dumpText,
              std::string& error);

}  // namespace fw
