#pragma once
// setupdata: everything the program loads at start, after every save of the setup and when a run
// reloads it: the built-in tables (hour fractions, monthly coefficients, the radar colour
// tables and their override files), the setup file, the site table, and FolderTag.
#include <filesystem>
#include <string>

namespace fw {

struct Session;

// A failure in one of these steps is reported (in batch mode to the error log) and the others
// still run, so a damaged override file never leaves the program without its stations.
void setupdata(Session& s);

// The built-in hour fractions and monthly coefficients.
void buildBuiltinTables(Session& s);

// The first 12 characters of the name of the folder that holds the program folder; "Vor" when
// the program folder sits at the root.
std::string folderTagFor(const std::filesystem::path& programFolder);

}  // namespace fw
