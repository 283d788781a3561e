#pragma once
// What a connection string names on Linux. A Jet or ACE provider names an SQLite file (the
// program's Access file, kept in SQLite form); "Provider=SQLite" names one too, reached as another
// source whose dates go between apostrophes; "Provider=PostgreSQL" (or a whole "postgresql://"
// URI) names a PostgreSQL server; a string holding "Excel" names a workbook (.xlsx) file.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fw::db {

enum class SourceKind { SqliteFile, PostgresServer, Workbook };

struct DataSourceSpec {
  std::string provider;    // as written
  std::string dataSource;  // as written
  bool aposDates = false;  // the provider takes '...' date literals
  SourceKind kind = SourceKind::SqliteFile;
};

// The whole string is a libpq URI ("postgresql://..." or "postgres://...").
bool isPostgresUri(const std::string& connectionString);

// The libpq keywords and values a PostgreSQL connection string maps to, in the order written.
// ADO key -> libpq keyword (keys compared without regard to case and blanks):
//   Data Source, Server, Host              -> host (a "host:port" value sets port too)
//   Port                                   -> port
//   Location, Initial Catalog, Database    -> dbname
//   User Id, UID                           -> user
//   Password, PWD                          -> password
//   sslmode                                -> sslmode
// Other keys (Provider, Persist Security Info, ...) are left out. A URI is passed whole as dbname,
// which libpq expands.
std::vector<std::pair<std::string, std::string>> postgresParameters(const std::string& connectionString);

// The connection string with every password value shown as "***" (the Password and PWD keys, and
// the password of a URI's "user:password@"), for anything a person or a log may read.
std::string maskPassword(const std::string& connectionString);

// The text with every secret of the connection string shown as "***": the connection string
// itself wherever the text holds it (masked as maskPassword masks it), its Password and PWD values,
// a URI's password as written and percent-decoded, and besides any URI "user:password@" or
// "password=" the text holds. Every text that may carry a connection string, or an engine's
// message about one, goes through here before a log, a box or the database sees it.
std::string maskConnectionSecrets(const std::string& text, const std::string& connectionString);

// The value of one key ("Data Source", "Provider"), keys compared without regard to case and
// blanks around them; "" when absent.
std::string connectionValue(const std::string& connectionString, const std::string& key);

// Raises UnknownProvider (naming the providers that work) for a provider the layer cannot reach.
// A workbook's dates may come between apostrophes or "#": both are taken.
DataSourceSpec parseConnectionString(const std::string& connectionString);

// The file a data source names. A relative path is taken in the program folder. A path written
// for Windows (drive letter, backslashes, "//" or "|DataDirectory|") that does not exist here is
// looked up by its file name in the program folder (exact name first, then ignoring case), so a
// setup file brought from Windows works; when that fails too, EngineFailure "Could not find file".
std::filesystem::path resolveDataSource(const std::string& dataSource, const std::filesystem::path& programFolder);

}  // namespace fw::db
