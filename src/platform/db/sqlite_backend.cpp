#include "platform/db/sqlite_backend.h"

#include <sqlite3.h>
#include <sys/vfs.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <map>
#include <mutex>

#include "platform/db/backend_support.h"
#include "platform/db/error.h"
#include "platform/vb/strings.h"

namespace fw::db {

namespace {

std::mutex registryMutex;
std::map<std::string, int>& registry() {
  static std::map<std::string, int> r;
  return r;
}

std::string registryKey(const std::filesystem::path& file) {
  std::error_code ec;
  auto p = std::filesystem::weakly_canonical(file, ec);
  return (ec ? file : p).string();
}

void registerOpen(const std::string& key, int delta) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto& r = registry();
  r[key] += delta;
  if (r[key] <= 0) r.erase(key);
}

// Runs one pragma and gives its first result column ("" when it has none or fails).
std::string pragmaResult(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  std::string result;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(st, 0);
    if (text) result = reinterpret_cast<const char*>(text);
  }
  sqlite3_finalize(st);
  return vb::LCase(result);
}

// A change of journal mode needs the file to itself: another program reading it must not hold the
// run up for the whole busy wait, so the change is tried briefly and left as it was when refused.
std::string switchJournal(sqlite3* db, const char* sql) {
  sqlite3_busy_timeout(db, 250);
  std::string mode = pragmaResult(db, sql);
  sqlite3_busy_timeout(db, SqliteBackend::kBusyTimeoutMs);
  return mode;
}

[[noreturn]] void raiseEngine(int extended, const std::string& message) {
  int primary = extended & 0xff;
  if (primary == SQLITE_ERROR || extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY)
    raise(err::FaultyCommand, message);
  raise(err::EngineFailure, message);
}

ColumnKind kindOf(const char* declared) {
  if (!declared) return ColumnKind::Any;
  std::string d = vb::LCase(declared);
  if (d.find("date") != std::string::npos || d.find("time") != std::string::npos) return ColumnKind::Date;
  if (d.find("smallint") != std::string::npos) return ColumnKind::SmallInteger;
  if (d.find("int") != std::string::npos) return ColumnKind::Integer;
  if (d.find("char") != std::string::npos || d.find("clob") != std::string::npos || d.find("text") != std::string::npos)
    return ColumnKind::Text;
  if (d.find("real") != std::string::npos || d.find("floa") != std::string::npos || d.find("doub") != std::string::npos)
    return ColumnKind::Real;
  return ColumnKind::Any;
}

// Reads through the column's value object: one engine call per cell instead of two (the
// connection is used by one thread only, which the value functions need). put gets what the cell
// holds, to build it in place.
template <class Put>
void readCell(sqlite3_stmt* st, int col, ColumnKind kind, Put&& put) {
  sqlite3_value* value = sqlite3_column_value(st, col);
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      put(vb::NullTag{});
      return;
    case SQLITE_INTEGER: {
      sqlite3_int64 v = sqlite3_value_int64(value);
      if (kind == ColumnKind::Date)
        put(vb::DateTag{static_cast<double>(v)});
      else if (kind == ColumnKind::SmallInteger && v >= INT16_MIN && v <= INT16_MAX)
        put(static_cast<int16_t>(v));
      else if (v >= INT32_MIN && v <= INT32_MAX)
        put(static_cast<int32_t>(v));
      else
        put(static_cast<double>(v));
      return;
    }
    case SQLITE_FLOAT: {
      double v = sqlite3_value_double(value);
      if (kind == ColumnKind::Date)
        put(vb::DateTag{v});
      else
        put(v);
      return;
    }
    default: {
      const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(value));
      put(std::string(t ? t : "", static_cast<size_t>(sqlite3_value_bytes(value))));
    }
  }
}

void appendCell(std::vector<vb::Variant>& cells, sqlite3_stmt* st, int col, ColumnKind kind) {
  readCell(st, col, kind, [&](auto&& v) { cells.emplace_back(std::forward<decltype(v)>(v)); });
}

void bindValue(sqlite3_stmt* st, int index, const vb::Variant& v) {
  const auto& s = v.storage();
  int rc = SQLITE_OK;
  if (std::holds_alternative<vb::EmptyTag>(s) || std::holds_alternative<vb::NullTag>(s)) {
    rc = sqlite3_bind_null(st, index);
  } else if (const bool* b = std::get_if<bool>(&s)) {
    rc = sqlite3_bind_int(st, index, *b ? -1 : 0);
  } else if (const int16_t* i = std::get_if<int16_t>(&s)) {
    rc = sqlite3_bind_int(st, index, *i);
  } else if (const int32_t* l = std::get_if<int32_t>(&s)) {
    rc = sqlite3_bind_int(st, index, *l);
  } else if (const float* f = std::get_if<float>(&s)) {
    rc = sqlite3_bind_double(st, index, *f);
  } else if (const double* d = std::get_if<double>(&s)) {
    rc = sqlite3_bind_double(st, index, *d);
  } else if (const vb::DateTag* dt = std::get_if<vb::DateTag>(&s)) {
    rc = sqlite3_bind_double(st, index, dt->value);
  } else if (const std::string* t = std::get_if<std::string>(&s)) {
    rc = sqlite3_bind_text(st, index, t->data(), static_cast<int>(t->size()), SQLITE_TRANSIENT);
  }
  if (rc != SQLITE_OK) raise(err::EngineFailure, sqlite3_errstr(rc));
}

// A select stepped as its rows are asked for. It owns its statement; finalizing it after the
// connection closed is still safe (the connection closes with sqlite3_close_v2).
class SqliteRowStream : public RowStream {
 public:
  explicit SqliteRowStream(sqlite3_stmt* st) : st_(st) {
    const int n = sqlite3_column_count(st_);
    kinds_.reserve(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) kinds_.push_back(kindOf(sqlite3_column_decltype(st_, c)));
    row_.resize(kinds_.size());
    done_ = n == 0;  // a statement without rows has already run
  }
  ~SqliteRowStream() override { sqlite3_finalize(st_); }
  SqliteRowStream(const SqliteRowStream&) = delete;
  SqliteRowStream& operator=(const SqliteRowStream&) = delete;

  bool next() override {
    if (done_) return false;
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    done_ = true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(st_);
    raiseEngine(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
  }

  // Converted when asked for: a reader that skips a column pays nothing for it.
  const vb::Variant& field(int index) override {
    if (index < 0 || static_cast<size_t>(index) >= kinds_.size()) raiseNoSuchField();
    if (done_) raiseNotAllowed();
    vb::Variant& cell = row_[static_cast<size_t>(index)];
    readCell(st_, index, kinds_[static_cast<size_t>(index)],
             [&](auto&& v) { cell.set(std::forward<decltype(v)>(v)); });
    return cell;
  }

 private:
  sqlite3_stmt* st_;
  std::vector<ColumnKind> kinds_;
  std::vector<vb::Variant> row_;
  bool done_ = false;
};

}  // namespace

void SqliteBackend::StmtDeleter::operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }

SqliteBackend::SqliteBackend(const std::filesystem::path& file, bool readOnly) : file_(file), readOnly_(readOnly) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) raise(err::EngineFailure, "Could not find file '" + file.string() + "'.");
  // One connection is never used by two threads at once, so SQLite need not lock it on every call.
  int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  sqlite3* handle = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &handle, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close_v2(handle);
    raise(err::EngineFailure, msg);
  }
  db_ = handle;
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // A file that is not an SQLite database (a real Access file, say) fails here, not at the first query.
  rc = sqlite3_exec(db_, "PRAGMA schema_version;", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = sqlite3_errmsg(db_);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    raise(err::EngineFailure, msg + ": " + file.string());
  }
  // The recordsets' batches nest savepoints inside the writers' transactions; their
  // sub-journals stay in memory instead of going through a temporary file page by page.
  sqlite3_exec(db_, "PRAGMA temp_store=MEMORY;", nullptr, nullptr, nullptr);
  // A write-ahead log commits a pass with no sync of its own and still leaves each pass whole or
  // absent after a crash; its shared memory does not work across machines, so a database on a
  // network file system keeps the rollback journal with full syncs.
  if (!readOnly && sqliteWriteAheadLog() && !onNetworkFileSystem(file) &&
      switchJournal(db_, "PRAGMA journal_mode=WAL;") == "wal") {
    wal_ = true;
    sqlite3_exec(db_, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
  }
  registerOpen(registryKey(file_), 1);
}

SqliteBackend::SqliteBackend(InMemory) {
  sqlite3* handle = nullptr;
  int rc = sqlite3_open_v2(":memory:", &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close_v2(handle);
    raise(err::EngineFailure, msg);
  }
  db_ = handle;
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_exec(db_, "PRAGMA temp_store=MEMORY;", nullptr, nullptr, nullptr);
}

SqliteBackend::~SqliteBackend() { close(); }

void SqliteBackend::close() {
  if (!db_) return;
  insertStmt_ = nullptr;
  cache_.clear();
  if (!levels_.empty()) sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
  levels_.clear();
  // Between runs the file goes back to the rollback journal, so other programs and machines that
  // open it find a database file on its own, without log or shared-memory files beside it.
  if (wal_ && openCount(file_) <= 1) switchJournal(db_, "PRAGMA journal_mode=DELETE;");
  wal_ = false;
  sqlite3_close_v2(db_);
  db_ = nullptr;
  if (!file_.empty()) registerOpen(registryKey(file_), -1);
}

void SqliteBackend::requireOpen() const {
  if (!db_) raiseNotAllowed();
}

void SqliteBackend::requireUsable() const {
  requireOpen();
  if (transactionLost()) raiseTransactionEnded();
}

bool SqliteBackend::transactionLost() const {
  // SQLite undoes the whole transaction by itself after some errors (a full disk, an I/O error,
  // an interrupt) and is then back in autocommit mode while our levels are still open.
  return db_ && !levels_.empty() && sqlite3_get_autocommit(db_) != 0;
}

void SqliteBackend::setBusyTimeout(int milliseconds) {
  requireOpen();
  sqlite3_busy_timeout(db_, milliseconds);
}

void SqliteBackend::fail(int rc) const {
  (void)rc;
  raiseEngine(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
}

SqliteBackend::Stmt SqliteBackend::prepare(const std::string& sql, bool requireWhole) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &raw, &tail);
  Stmt st(raw);
  if (rc != SQLITE_OK) fail(rc);
  if (!st) raise(err::FaultyCommand, "Invalid SQL statement: the command text is empty.");
  if (requireWhole && tail) {
    for (const char* p = tail; *p; ++p)
      if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';')
        raise(err::FaultyCommand, "Characters found after end of SQL statement.");
  }
  return st;
}

sqlite3_stmt* SqliteBackend::cached(const std::string& sql) {
  auto it = cache_.find(sql);
  if (it != cache_.end()) {
    sqlite3_reset(it->second.get());
    sqlite3_clear_bindings(it->second.get());
    return it->second.get();
  }
  if (cache_.size() >= 64) {
    insertStmt_ = nullptr;
    cache_.clear();
  }
  Stmt st = prepare(sql, true);
  sqlite3_stmt* raw = st.get();
  cache_.emplace(sql, std::move(st));
  return raw;
}

void SqliteBackend::step(sqlite3_stmt* stmt) {
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    int ext = sqlite3_extended_errcode(db_);
    std::string msg = sqlite3_errmsg(db_);
    sqlite3_reset(stmt);
    raiseEngine(ext, msg);
  }
  sqlite3_reset(stmt);
}

void SqliteBackend::exec(const std::string& sql) {
  char* msg = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
  if (rc != SQLITE_OK) {
    std::string text = msg ? msg : sqlite3_errstr(rc);
    sqlite3_free(msg);
    raiseEngine(sqlite3_extended_errcode(db_), text);
  }
}

QueryResult SqliteBackend::run(const std::string& sql, RowUse use) {
  requireUsable();
  QueryResult result;
  Stmt st;
  bool withRowid = false;
  if (size_t at = use == RowUse::Write ? keyColumnInsertPoint(sql) : std::string::npos; at != std::string::npos) {
    std::string rewritten = sql.substr(0, at) + " rowid," + sql.substr(at);
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, rewritten.c_str(), static_cast<int>(rewritten.size()), &raw, &tail) == SQLITE_OK && raw) {
      st.reset(raw);
      withRowid = true;
      for (const char* p = tail; p && *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') {
          st.reset();
          withRowid = false;
          break;
        }
    } else {
      sqlite3_finalize(raw);
    }
  }
  if (!st) st = prepare(sql, true);

  int total = sqlite3_column_count(st.get());
  if (total == 0) {
    step(st.get());
    result.changes = sqlite3_changes64(db_);
    return result;
  }
  result.hasRows = true;
  int first = withRowid ? 1 : 0;
  std::string table;
  bool sameTable = withRowid;
  if (withRowid) {
    const char* t0 = sqlite3_column_table_name(st.get(), 0);
    const char* d0 = sqlite3_column_database_name(st.get(), 0);
    if (!t0 || !d0 || std::string(d0) != "main") sameTable = false;
    else table = t0;
  }
  for (int c = first; c < total; ++c) {
    ColumnInfo info;
    info.name = sqlite3_column_name(st.get(), c);
    const char* origin = sqlite3_column_origin_name(st.get(), c);
    const char* t = sqlite3_column_table_name(st.get(), c);
    if (origin) info.origin = origin;
    if (!t || table != t) sameTable = false;
    info.kind = kindOf(sqlite3_column_decltype(st.get(), c));
    result.columns.push_back(std::move(info));
  }
  if (sameTable) result.table = table;
  const size_t n = result.columns.size();
  std::vector<ColumnKind> kinds;
  kinds.reserve(n);
  for (const auto& c : result.columns) kinds.push_back(c.kind);

  // Series reads come in runs of similar size: starting from the last result's size saves most
  // of the copying while the rows are gathered.
  result.cells.reserve(std::max<size_t>(lastRowCount_, 256) * n);
  int rc;
  while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    if (sameTable) result.keys.push_back(sqlite3_column_int64(st.get(), 0));
    for (size_t c = 0; c < n; ++c) appendCell(result.cells, st.get(), static_cast<int>(c) + first, kinds[c]);
  }
  if (rc != SQLITE_DONE) fail(rc);
  lastRowCount_ = result.rowCount();
  return result;
}

std::unique_ptr<RowStream> SqliteBackend::stream(const std::string& sql) {
  requireUsable();
  Stmt st = prepare(sql, true);
  // A statement without rows runs whole now, as run() would run it.
  if (sqlite3_column_count(st.get()) == 0) step(st.get());
  return std::make_unique<SqliteRowStream>(st.release());
}

RowKey SqliteBackend::insertRow(const std::string& table, const std::vector<std::string>& columns,
                                const std::vector<vb::Variant>& values) {
  requireUsable();
  if (!insertStmt_ || table != insertTable_ || columns != insertColumns_) {
    insertStmt_ = nullptr;
    sqlite3_stmt* st = cached(insertStatement(table, columns, ParamMarks::Question));
    insertTable_ = table;
    insertColumns_ = columns;
    insertStmt_ = st;
  }
  // step() left the statement reset; every parameter is bound again below.
  sqlite3_stmt* st = insertStmt_;
  for (size_t i = 0; i < values.size(); ++i) bindValue(st, static_cast<int>(i) + 1, values[i]);
  step(st);
  return sqlite3_last_insert_rowid(db_);
}

RowKey SqliteBackend::updateRow(const std::string& table, RowKey key, const std::vector<std::string>& columns,
                                const std::vector<vb::Variant>& values) {
  requireUsable();
  if (columns.empty()) return key;
  sqlite3_stmt* st = cached(updateStatement(table, columns, ParamMarks::Question) + "rowid=?");
  for (size_t i = 0; i < values.size(); ++i) bindValue(st, static_cast<int>(i) + 1, values[i]);
  sqlite3_bind_int64(st, static_cast<int>(values.size()) + 1, key);
  step(st);
  return key;
}

void SqliteBackend::deleteRow(const std::string& table, RowKey key) {
  requireUsable();
  sqlite3_stmt* st = cached(deleteStatement(table) + "rowid=?");
  sqlite3_bind_int64(st, 1, key);
  step(st);
}

TxnId SqliteBackend::begin() {
  requireUsable();
  TxnId id = levels_.next();
  if (levels_.empty()) {
    // The outermost level takes the write lock now, where the busy timeout applies: a deferred
    // transaction that first reads and then writes meets a busy database with an immediate
    // "database is locked" instead of waiting for it.
    exec(readOnly_ ? "BEGIN;" : "BEGIN IMMEDIATE;");
  } else {
    exec("SAVEPOINT " + savepointName(id) + ";");
  }
  levels_.push(id);
  return id;
}

void SqliteBackend::commit(TxnId level) {
  requireOpen();
  levels_.requireInnermost(level);
  try {
    requireUsable();
    exec(levels_.size() == 1 ? std::string("COMMIT;") : "RELEASE " + savepointName(level) + ";");
  } catch (const vb::Error&) {
    rollback(level);
    throw;
  }
  levels_.popInnermost();
}

void SqliteBackend::rollback(TxnId level) {
  requireOpen();
  const bool lost = transactionLost();  // before the levels close (closeFrom refuses one not open)
  if (levels_.closeFrom(level) == 0) {
    // Ending the whole transaction: ROLLBACK also works when SQLite has already undone it
    // itself (after a failed commit or a full disk).
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return;
  }
  if (lost) return;  // the engine has undone this level with the rest
  std::string name = savepointName(level);
  exec("ROLLBACK TO " + name + "; RELEASE " + name + ";");
}

void SqliteBackend::compactInto(const std::filesystem::path& destination) {
  requireOpen();
  Stmt st = prepare("VACUUM INTO ?", true);
  std::string dest = destination.string();
  sqlite3_bind_text(st.get(), 1, dest.c_str(), static_cast<int>(dest.size()), SQLITE_TRANSIENT);
  step(st.get());
}

void createSqliteDatabase(const std::filesystem::path& file, const std::string& script) {
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) raise(err::DatabaseExists, "Database already exists: " + file.string());
  sqlite3* handle = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::string failure;
  int code = rc;
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(handle, 1);
    char* msg = nullptr;
    std::string all = "BEGIN;\n" + script + "\nCOMMIT;";
    rc = sqlite3_exec(handle, all.c_str(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
      failure = msg ? msg : sqlite3_errstr(rc);
      code = sqlite3_extended_errcode(handle);
    }
    sqlite3_free(msg);
  } else {
    failure = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
  }
  sqlite3_close_v2(handle);
  if (!failure.empty()) {
    std::filesystem::remove(file, ec);
    raiseEngine(code, failure);
  }
}

namespace {
std::atomic<bool> writeAheadLog{true};
}  // namespace

void setSqliteWriteAheadLog(bool on) { writeAheadLog = on; }
bool sqliteWriteAheadLog() { return writeAheadLog; }

bool isNetworkFileSystemType(long type) {
  switch (static_cast<unsigned long>(type) & 0xffffffffUL) {
    case 0x6969UL:       // NFS
    case 0x517BUL:       // SMB
    case 0xFF534D42UL:   // CIFS
    case 0xFE534D42UL:   // SMB2
    case 0x65735546UL:   // FUSE (sshfs and other remote mounts)
    case 0x73757245UL:   // Coda
    case 0x5346414FUL:   // AFS
    case 0x6B414653UL:   // kAFS
    case 0x00C36400UL:   // Ceph
    case 0x01021997UL:   // 9P
    case 0x01161970UL:   // GFS2
    case 0x7461636FUL:   // OCFS2
    case 0x0BD00BD0UL:   // Lustre
      return true;
    default:
      return false;
  }
}

bool onNetworkFileSystem(const std::filesystem::path& file) {
  struct statfs info {};
  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  // A folder that cannot be examined is treated as shared: the rollback journal is safe anywhere.
  if (::statfs(folder.c_str(), &info) != 0) return true;
  return isNetworkFileSystemType(static_cast<long>(info.f_type));
}

int openCount(const std::filesystem::path& file) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto it = registry().find(registryKey(file));
  return it == registry().end() ? 0 : it->second;
}

}  // namespace fw::db
