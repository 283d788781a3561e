#pragma once
// Test databases: a new HDB file made from example/hdb_schema.sql, the connection strings that
// reach it, and a Session pointed at it.
#include <filesystem>
#include <string>

#include "app/session.h"

namespace fw::testing {

// The schema script every test database and the example folder are made from.
std::string hdbSchema();

// Makes a new HDB (an SQLite file) named name in folder and returns its path.
std::filesystem::path makeHdb(const std::filesystem::path& folder, const std::string& name = "hdb.mdb");

// Runs SQL statements (several, separated by ";") on the file over a connection of its own;
// # date literals are translated as the layer translates them.
void execSql(const std::filesystem::path& file, const std::string& sql);

// The number of rows a query returns, on a connection of its own.
int countRows(const std::filesystem::path& file, const std::string& sql);

// How a test reaches the database.
enum class HdbEngine {
  Dao,        // a Jet string: DAO, reopened writable as a run does
  AdoJet,     // a Jet string holding "|": ADO, # dates
  AdoSqlite,  // "Provider=SQLite": ADO, apostrophe dates
};

std::string jetConnString(const std::filesystem::path& file);
std::string sqliteConnString(const std::filesystem::path& file);

// Makes "hdb.mdb" in the session's program folder, sets HdbConnString for the engine and opens it
// with openHDB (writable). Returns the file's path.
std::filesystem::path openTestHdb(Session& s, HdbEngine engine);

const char* engineName(HdbEngine engine);

}  // namespace fw::testing
