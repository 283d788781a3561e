#include "support/test_hdb.h"

#include <sqlite3.h>

#include <stdexcept>

#include "platform/db/dialect.h"
#include "platform/db/connection_string.h"
#include "platform/db/postgres_backend.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/format.h"
#include "support/postgres_cluster.h"
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

namespace {
constexpr const char* kPgPrefix = "postgresql:";
std::string pgDatabase(const std::filesystem::path& file) { return file.string().substr(std::string(kPgPrefix).size()); }
}  // namespace

bool isPostgres(const std::filesystem::path& file) { return file.string().rfind(kPgPrefix, 0) == 0; }

std::string dateSql(vb::VbDate d) { return "#" + vb::Format(d, "mm/dd/yyyy hh:mm:ss") + "#"; }

std::string translated(const std::filesystem::path& file, const std::string& sql) {
  return db::translateAccessSql(sql, false, isPostgres(file) ? db::SqlTarget::Postgres : db::SqlTarget::Sqlite);
}

std::unique_ptr<db::Backend> openBackend(const std::filesystem::path& file, bool writable) {
  if (isPostgres(file)) {
    PostgresCluster* c = PostgresCluster::get();
    if (!c) throw std::runtime_error("openBackend: no PostgreSQL cluster");
    return std::make_unique<db::PostgresBackend>(db::postgresParameters(c->connString(pgDatabase(file))), !writable);
  }
  return std::make_unique<db::SqliteBackend>(file, !writable);
}

void execSql(const std::filesystem::path& file, const std::string& sql) {
  if (isPostgres(file)) {
    PostgresCluster* c = PostgresCluster::get();
    if (!c) throw std::runtime_error("execSql: no PostgreSQL cluster");
    c->exec(pgDatabase(file), translated(file, sql));
    return;
  }
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

void refuseInserts(const std::filesystem::path& file, const std::string& table, const std::string& name, Refusal kind,
                   const std::string& when) {
  if (isPostgres(file)) {
    const std::string raise = kind == Refusal::DiskFull
                                  ? "raise exception 'disk full' using errcode = '53100';"
                                  : "raise exception 'duplicate key value' using errcode = '23505';";
    execSql(file, "create or replace function fw_refuse_" + name + "() returns trigger language plpgsql as $$ begin if " +
                      (when.empty() ? std::string("true") : when) + " then " + raise +
                      " end if; return new; end $$; create trigger " + name + " before insert on " + table +
                      " for each row execute function fw_refuse_" + name + "();");
    return;
  }
  const std::string whenPart = when.empty() ? "" : " when " + when;
  if (kind == Refusal::DiskFull) {
    execSql(file, "create trigger " + name + " before insert on " + table + whenPart +
                      " begin select raise(abort, 'disk full'); end;");
  } else {
    execSql(file, "create table if not exists taken (k integer primary key); insert or ignore into taken values (1);"
                  "create trigger " + name + " before insert on " + table + whenPart +
                      " begin insert into taken values (1); end;");
  }
}

void dropRefusal(const std::filesystem::path& file, const std::string& table, const std::string& name) {
  execSql(file, "drop trigger if exists " + name + (isPostgres(file) ? " on " + table : std::string()) + ";");
}

int countRows(const std::filesystem::path& file, const std::string& sql) {
  return static_cast<int>(openBackend(file)->run(translated(file, sql)).rowCount());
}

std::string jetConnString(const std::filesystem::path& file) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";User Id=admin;Password=;";
}

std::string sqliteConnString(const std::filesystem::path& file) { return "Provider=SQLite;Data Source=" + file.string(); }

std::filesystem::path openTestHdb(Session& s, HdbEngine engine) {
  std::filesystem::path file;
  if (engine == HdbEngine::AdoPostgres) {
    PostgresCluster* c = PostgresCluster::get();
    if (!c) throw std::runtime_error("openTestHdb: no PostgreSQL cluster");
    std::string database = c->makeDatabase();
    file = kPgPrefix + database;
    s.HdbConnString = c->connString(database);
  } else {
    file = makeHdb(s.programFolder);
  }
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
    case HdbEngine::AdoPostgres:
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
    case HdbEngine::AdoPostgres:
      return "AdoPostgres";
  }
  return "";
}

}  // namespace fw::testing
