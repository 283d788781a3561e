#include "platform/db/dao.h"

#include "platform/db/connection_string.h"
#include "platform/db/dialect.h"
#include "platform/db/error.h"
#include "platform/db/sqlite_backend.h"
#include "platform/db/workbook_backend.h"

namespace fw::db {

DaoRecordset::DaoRecordset() : rows_(std::make_unique<RowSet>()) {}
DaoRecordset::~DaoRecordset() = default;
DaoRecordset::DaoRecordset(DaoRecordset&& other) noexcept : rows_(std::make_unique<RowSet>()) { rows_.swap(other.rows_); }

DaoRecordset& DaoRecordset::operator=(DaoRecordset&& other) noexcept {
  if (this != &other) {
    rows_.swap(other.rows_);
    try {
      other.rows_->close();
    } catch (...) {
    }
  }
  return *this;
}

void DaoRecordset::Close() {
  if (!rows_->loaded()) raiseNotAllowed();
  rows_->close();
}

DaoDatabase::~DaoDatabase() {
  try {
    Close();
  } catch (...) {
  }
}

DaoDatabase::DaoDatabase(DaoDatabase&& other) noexcept
    : RecordsAffected(other.RecordsAffected), backend_(std::move(other.backend_)), levels_(std::move(other.levels_)) {}

DaoDatabase& DaoDatabase::operator=(DaoDatabase&& other) noexcept {
  if (this != &other) {
    try {
      Close();
    } catch (...) {
    }
    RecordsAffected = other.RecordsAffected;
    backend_ = std::move(other.backend_);
    levels_ = std::move(other.levels_);
  }
  return *this;
}

void DaoDatabase::openOn(std::shared_ptr<Backend> backend) {
  Close();
  backend_ = std::move(backend);
}

void DaoDatabase::requireOpen() const {
  if (!isOpen()) raiseNotAllowed();
}

DaoRecordset DaoDatabase::OpenRecordset(const std::string& sql, int type) {
  requireOpen();
  QueryResult result =
      backend_->run(translateAccessSql(sql, false), type == dbOpenSnapshot ? RowUse::ReadOnly : RowUse::Write);
  if (!result.hasRows) raise(err::FaultyCommand, "Invalid SQL statement: a recordset needs a select query.");
  DaoRecordset rs;
  rs.rows_->load(backend_, std::move(result), Flavor::Dao, type != dbOpenSnapshot, false);
  return rs;
}

std::unique_ptr<RowStream> DaoDatabase::readForward(const std::string& sql) {
  requireOpen();
  return backend_->stream(translateAccessSql(sql, false));
}

void DaoDatabase::Execute(const std::string& sql) {
  requireOpen();
  QueryResult result = backend_->run(translateAccessSql(sql, false));
  if (result.hasRows) raise(err::ExecuteSelect, "Cannot execute a select query.");
  RecordsAffected = result.changes;
}

void DaoDatabase::Close() {
  levels_.clear();
  if (backend_) {
    std::shared_ptr<Backend> b = std::move(backend_);
    b->close();
  }
}

int DaoDatabase::BeginTrans() {
  requireOpen();
  return levels_.begin(*backend_);
}

void DaoDatabase::CommitTrans() {
  requireOpen();
  levels_.commit(*backend_);
}

void DaoDatabase::Rollback() {
  requireOpen();
  levels_.rollback(*backend_);
}

DaoDatabase DaoEngine::OpenDatabase(const std::string& path, bool, bool readOnly) {
  std::filesystem::path file = resolveDataSource(path, ProgramFolder);
  DaoDatabase db;
  // A Jet string may name a workbook file (with "Extended Properties=Excel ...").
  if (isWorkbookFile(file)) db.openOn(std::make_shared<WorkbookBackend>(file, readOnly));
  else db.openOn(std::make_shared<SqliteBackend>(file, readOnly));
  return db;
}

void DaoEngine::CompactDatabase(const std::string& source, const std::string& destination) {
  std::filesystem::path file = resolveDataSource(source, ProgramFolder);
  std::error_code ec;
  std::filesystem::path dest(destination);
  if (std::filesystem::exists(dest, ec)) raise(err::DatabaseExists, "Database already exists: " + destination);
  if (openCount(file) > 0)
    raise(err::DatabaseInUse, "The database '" + file.string() + "' is open; it cannot be compacted while it is in use.");
  if (isWorkbookFile(file)) {
    // A workbook is written whole on every write-back and has nothing to compact: its copy is the
    // compacted database (and what the backup keeps).
    WorkbookBackend check(file, true);  // refuses a legacy or damaged workbook
    check.close();
    std::filesystem::copy_file(file, dest, ec);
    if (ec) raise(err::EngineFailure, ec.message() + ": " + destination);
    return;
  }
  // A write-ahead log left by a run that was killed still holds committed passes: one writable
  // open and close moves them into the file. A log that stays belongs to another program's open
  // connection, and the file must not be moved under it.
  std::filesystem::path log = file;
  log += "-wal";
  if (std::filesystem::exists(log, ec)) SqliteBackend(file, false).close();
  if (std::filesystem::exists(log, ec))
    raise(err::DatabaseInUse, "The database '" + file.string() + "' is open in another program; it cannot be compacted while it is in use.");
  SqliteBackend backend(file, true);
  backend.compactInto(dest);
  backend.close();
}

}  // namespace fw::db
