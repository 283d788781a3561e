#pragma once
// The Environment Canada datamart: hourly climate files for weather codes, hourly hydrometric
// files for stage and flow. One file holds every parameter of a station; the code picks the column.
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kCanadaCopyName = "GoCin.txt";
inline constexpr const char* kCanadaTitle = "Date and Data";
inline constexpr const char* kCanadaUnserved =
    "New Canada Water Office supports stage (46) and flow (47) and some weather codes (see Help)";

// The file column of a parameter code; -1 for a code that is not served.
int canadaColumn(const std::string& parameterCode);
// Codes up to 45 are weather codes, read from the climate file.
bool canadaClimateCode(const std::string& parameterCode);
// The file's path for the station, province and the window's end day.
std::string canadaPath(const std::string& parameterCode, const std::string& station,
                       const std::string& province, int32_t endDay);

// Splits a CSV row at commas outside double quotes; the quotes stay in the fields.
std::vector<std::string> splitCsvRow(const std::string& row);

// The file turned into retrieval text: the title, then "Z", date text, value (quotes removed),
// for rows dated from beginDay to endDay (whole days). Climate rows carry their date in column 4,
// hydrometric rows a time stamp in column 1 ("T" read as a blank). Raises vb::Error for a row
// whose date cannot be read.
std::string canadaTransform(const std::string& file, bool climate, int column, int32_t beginDay,
                            int32_t endDay);

// The retriever. No error text: an unserved code empties the result and says so in LastError and
// the error log; a failed download is a title alone. The text of the last call is reused only
// for the same station, file and column. Writes the result to "GoCin.txt".
void GetCanada(Session& s, SourceCall& c);

}  // namespace fw
