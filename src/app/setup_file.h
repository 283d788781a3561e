#pragma once
// The setup file "Flumewright_setup.txt": settings (key=value lines), the database connection
// line, the station list (a header line, then one station line per series, fields separated by
// ";") and, from the first line beginning "END", free notes that the program keeps untouched.
#include <cstddef>
#include <string>

namespace fw {

struct Session;

inline constexpr const char* kStationListHeader =
    "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1; base2; shift2; "
    "formula2; "
    "base3; shift3; formula3";

// Reads the setup file into the main window's controls, the settings, StationTable,
// StationCount, the editor's grid, LastSavedHour and NowcastTrackFile. A failure ends the read
// at that line and is reported with the line; what was read before stays in effect, and
// StationCount and the grid always match the station lines actually read.
void getstationfile(Session& s);

// A spreadsheet-exported line: every TAB becomes ";" and trailing empty fields are dropped;
// empty fields inside the line stay ("A", TAB, TAB, "B" gives "A;;B").
std::string convertTabs(const std::string& line);

// Byte offset of the first line beginning with "END" (lines end with CR LF, LF or CR);
// std::string::npos when there is none.
std::size_t findEndLine(const std::string& text);

// The whole text the writer puts into the setup file: the settings lines, the connection line,
// the header, one line per grid row, then the old file's notes (tail) unchanged.
std::string setupFileText(const Session& s, const std::string& tail);
// One grid row as a station line: column 1, then "; " and each later cell up to the last
// non-empty one, so empty cells inside the line stay empty fields.
std::string gridRowLine(const Session& s, int row);

// Writes the setup file from the settings and the editor's grid, keeping the old file's notes
// after "END". The file is written to a temporary file beside it and renamed over it, so a
// failure leaves the old file whole; the failure is reported and false returned.
bool writeSetupFile(Session& s);

// The editor's "Save": writes the setup file, reads it back through setupdata and returns to the
// main window with the current row as the station range. False when nothing was saved; the
// editor then stays open with its edits.
bool CommandSave_Click(Session& s);
// The editor's "Connection": asks for a new connection string and rewrites only the connection
// line before "END".
void CommandPW_Click(Session& s);

}  // namespace fw
