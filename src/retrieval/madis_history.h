#pragma once
// The MADIS history "My5DayMadis.txt": hourly blocks of mesonet observations of a whole box, rows
// as the surface dump writes them (station id, UTC date, UTC time, then each variable followed by
// its quality flag). MadisRead cuts one station out of it as a weather table.
#include <cstdint>
#include <filesystem>
#include <string>

namespace fw {

struct Session;

inline constexpr const char* kMadisHistoryName = "My5DayMadis.txt";
inline constexpr const char* kMadisStationSortName = "MyStationSort.txt";
// A history larger than this loses its oldest fifth when it is read.
inline constexpr std::uintmax_t kMadisHistoryLimit = 50000000;

inline constexpr const char* kMadisBackupName = "oldhist$.bak";

// Merges hour blocks (a header line, then dump rows "id,yyyy/mm/dd,hh:mm,...") into the history.
// No history yet: the source file becomes it. Replace mode (the real-time collection): every row
// from the block's first hour on gives way to the block. Insert mode (a history-mode hour): the
// rows of the block's hours give way to it where they stand. A block older than the whole history
// goes in front and a block later than it at the end, in both modes. The history is replaced
// through a temporary file; a merge that fails leaves it as it was and logs a line.
void Madis5DayHistInsert(Session& s, const std::string& newText, const std::filesystem::path& source,
                         bool replace);

// One station's rows of the window (whole days firstDay to lastDay, local time; UTC = local +
// offsetHours) as a weather table: line 0 the station id, line 1 the header, rows from line 2 in
// time order, field 0 the local date and time. Imperial units (°F, hPa, mph, inches) unless
// METRIC UNITS (°C, hPa, km/h, mm). A station that reports only a rate gets the rate summed into
// an accumulation. Reads the history-mode collection's work file instead while it exists.
// error: "MadisRead " and the fault.
void MadisRead(Session& s, const std::string& station, int32_t firstDay, int32_t lastDay, float offsetHours,
               std::string& table, std::string& error);

}  // namespace fw
