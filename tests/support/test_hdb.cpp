#include "support/test_hdb.h"

#include <sqlite3.h>

#include <stdexcept>

#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/textfile.h"
#include "store/connection.h"

namespace fw::testing {

std::string hdbSchema() {
  return vb::readAllBytes(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / "hdb_schema.sql");
}

std::filesystem::path makeHdb(const std::filesystem::path& folder, const std::string& name) {
  std::filesystem::path file = folder / name;
  db::createSqliteDatabase(file, hdbSchema());
  return file;
}

void execSql(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw std::runtime_error("execSql: cannot open " + file.string());
  }
  char* msg = nullptr;
  std::string text = db::translateAccessSql(sql, false);
  int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &msg);
  std::string err = msg ? msg : "";
  sqlite3_free(msg);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) throw std::runtime_error("execSql: " + err + " in: " + text);
}

int countRows(const std::filesystem::path& file, const std::string& sql) {
  db::SqliteBackend b(file, true);
  return static_cast<int>(b.run(db::translateAccessSql(sql, false)).rowCount());
}

std::string jetConnString(const std::filesystem::path& file) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";User Id=admin;Password=;";
}

std::string sqliteConnString(const std::filesystem::path& file) { return "Provider=SQLite;Data Source=" + file.string(); }

std::filesystem::path openTestHdb(Session& s, HdbEngine engine) {
  std::filesystem::path file = makeHdb(s.programFolder);
  switch (engine) {
    case HdbEngine::Dao:
      s.HdbConnString = jetConnString(file);
      break;
    case HdbEngine::AdoJet:
      s.HdbConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=|DataDirectory|\\hdb.mdb;";
      break;
    case HdbEngine::AdoSqlite:
      s.HdbConnString = sqliteConnString(file);
      break;
  }
  openHDB(s);
  if (!s.LastError.empty()) throw std::runtime_error("openTestHdb: " + s.LastError);
  if (s.HdbUseDAO) s.HdbDb = s.DaoEngine->OpenDatabase(s.HdbFile);  // shared and writable, as a run opens it
  return file;
}

const char* engineName(HdbEngine engine) {
  switch (engine) {
    case HdbEngine::Dao:
      return "Dao";
    case HdbEngine::AdoJet:
      return "AdoJet";
    case HdbEngine::AdoSqlite:
      return "AdoSqlite";
  }
  return "";
}

}  // namespace fw::testing
