#pragma once
// Test databases: a new HDB file made from example/hdb_schema.sql, the connection strings that
// reach it, and a Session pointed at it.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/db/backend.h"
#include "platform/vb/date.h"

#include "app/session.h"

namespace fw::testing {

// The schema script every test database and the example folder are made from.
std::string hdbSchema();

// Makes a new HDB (an SQLite file) named name in folder and returns its path.
std::filesystem::path makeHdb(const std::filesystem::path& folder, const std::string& name = "hdb.mdb");

// The test databases below are named by a path: an SQLite file, or for a PostgreSQL database of
// the test cluster "postgresql:<database>" (what openTestHdb returns for AdoPostgres).
bool isPostgres(const std::filesystem::path& file);

// Runs SQL statements (several, separated by ";") on the file over a connection of its own;
// # date literals are translated as the layer translates them for the file's engine.
void execSql(const std::filesystem::path& file, const std::string& sql);

// The number of rows a query returns, on a connection of its own.
int countRows(const std::filesystem::path& file, const std::string& sql);

// A connection of its own to the file's engine (read-only unless writable). Its SQL is not
// translated: write dates with dateSql and pass the text through translated().
std::unique_ptr<db::Backend> openBackend(const std::filesystem::path& file, bool writable = false);
std::string translated(const std::filesystem::path& file, const std::string& sql);

// A read-only connection of its own whose run() translates the Access dialect for the engine.
class TestConnection {
 public:
  explicit TestConnection(const std::filesystem::path& file) : file_(file), backend_(openBackend(file)) {}
  db::QueryResult run(const std::string& sql) { return backend_->run(translated(file_, sql)); }

 private:
  std::filesystem::path file_;
  std::unique_ptr<db::Backend> backend_;
};

// Makes the engine refuse inserts into table while when (a condition on new.value; "" = always)
// holds: DiskFull with the text "disk full", Faulty as a faulty command (a duplicate key). name
// names the refusal for dropRefusal.
enum class Refusal { DiskFull, Faulty };
void refuseInserts(const std::filesystem::path& file, const std::string& table, const std::string& name, Refusal kind,
                   const std::string& when = "");
void dropRefusal(const std::filesystem::path& file, const std::string& table, const std::string& name);

// A date as an Access-dialect literal (#mm/dd/yyyy hh:mm:ss#), for execSql and countRows.
std::string dateSql(vb::VbDate d);

// How a test reaches the database.
enum class HdbEngine {
  Dao,        // a Jet string: DAO, reopened writable as a run does
  AdoJet,     // a Jet string holding "|": ADO, # dates
  AdoSqlite,  // "Provider=SQLite": ADO, apostrophe dates
  AdoPostgres,  // "Provider=PostgreSQL": a new database on the test cluster, apostrophe dates
};

std::string jetConnString(const std::filesystem::path& file);
std::string sqliteConnString(const std::filesystem::path& file);

// Makes "hdb.mdb" in the session's program folder (AdoPostgres: a new database on the test
// cluster), sets HdbConnString for the engine and opens it with openHDB (writable). Returns the
// file's path (AdoPostgres: "postgresql:<database>").
std::filesystem::path openTestHdb(Session& s, HdbEngine engine);

const char* engineName(HdbEngine engine);

}  // namespace fw::testing
