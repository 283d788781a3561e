#pragma once
// Daily summaries of weather stations (lines of the weather kinds while only daily values are
// asked for): an airport's custom history or a personal station's daily history, both CSV.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct Session;
struct SourceCall;

// The column search on a daily header (comma-separated names): Columns[k] per parameter and, for
// one parameter, the fields of the day's maximum, mean and minimum beside its column.
void wxDailyColumns(const std::string& header, const std::string& parameterCode,
                    const std::vector<std::string>& parameters, int16_t parameterIndex,
                    std::vector<int16_t>& columns, std::array<int16_t, 3>& daily);

// The retriever: station code whole, the window from the date boxes. Error "WU dailys not
// found." when the reply has no header; a "Direction" parameter gives nothing.
void GetWxDaily(Session& s, SourceCall& c);

}  // namespace fw
