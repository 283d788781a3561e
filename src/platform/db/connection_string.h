#pragma once
// What a connection string names on Linux. A Jet or ACE provider names an SQLite file (the
// program's Access file, kept in SQLite form); "Provider=SQLite" names one too, reached as another
// source whose dates go between apostrophes; a workbook is refused until a workbook provider exists.
#include <filesystem>
#include <string>

namespace fw::db {

inline constexpr const char* kWorkbookNotSupported = "workbook databases are not supported yet";

struct DataSourceSpec {
  std::string provider;    // as written
  std::string dataSource;  // as written
  bool aposDates = false;  // the provider takes '...' date literals
};

// The value of one key ("Data Source", "Provider"), keys compared without regard to case and
// blanks around them; "" when absent.
std::string connectionValue(const std::string& connectionString, const std::string& key);

// Raises EngineFailure with kWorkbookNotSupported for a workbook string and UnknownProvider for a
// provider the layer cannot reach.
DataSourceSpec parseConnectionString(const std::string& connectionString);

// The file a data source names. A relative path is taken in the program folder. A path written
// for Windows (drive letter, backslashes, "//" or "|DataDirectory|") that does not exist here is
// looked up by its file name in the program folder (exact name first, then ignoring case), so a
// setup file brought from Windows works; when that fails too, EngineFailure "Could not find file".
std::filesystem::path resolveDataSource(const std::string& dataSource, const std::filesystem::path& programFolder);

}  // namespace fw::db
