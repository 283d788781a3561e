#include "platform/db/ado.h"

#include "platform/db/connection_string.h"
#include "platform/db/dialect.h"
#include "platform/db/error.h"
#include "platform/db/postgres_backend.h"
#include "platform/db/sqlite_backend.h"
#include "platform/db/workbook_backend.h"
#include "platform/vb/strings.h"

namespace fw::db {

AdoConnection::~AdoConnection() {
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from a destructor; the backend releases itself regardless.
  }
}

AdoConnection::AdoConnection(AdoConnection&& other) noexcept
    : ConnectionString(std::move(other.ConnectionString)),
      CursorLocation(other.CursorLocation),
      Mode(other.Mode),
      ProgramFolder(std::move(other.ProgramFolder)),
      backend_(std::move(other.backend_)),
      aposDates_(other.aposDates_),
      levels_(std::move(other.levels_)) {}

AdoConnection& AdoConnection::operator=(AdoConnection&& other) noexcept {
  if (this != &other) {
    try {
      Close();
    } catch (...) {
    }
    ConnectionString = std::move(other.ConnectionString);
    CursorLocation = other.CursorLocation;
    Mode = other.Mode;
    ProgramFolder = std::move(other.ProgramFolder);
    backend_ = std::move(other.backend_);
    aposDates_ = other.aposDates_;
    levels_ = std::move(other.levels_);
  }
  return *this;
}

void AdoConnection::Open(const std::string&, const std::string&, int) {
  if (State() == adStateOpen) raiseNotAllowed();
  try {
    openBackend();
  } catch (const vb::Error& e) {
    // An engine that cannot parse or reach what the string names may quote it (libpq quotes a URI
    // it cannot read): no text that leaves here holds a password.
    throw vb::Error(e.number(), maskConnectionSecrets(e.description(), ConnectionString));
  }
}

void AdoConnection::openBackend() {
  DataSourceSpec spec = parseConnectionString(ConnectionString);
  if (spec.kind == SourceKind::PostgresServer) {
    OpenOn(std::make_shared<PostgresBackend>(postgresParameters(ConnectionString), Mode == adModeRead), true);
    return;
  }
  std::filesystem::path file = resolveDataSource(spec.dataSource, ProgramFolder);
  if (spec.kind == SourceKind::Workbook) {
    // "ReadOnly=True" (the program itself appends "ReadOnly=False") opens it for reading only.
    const bool readOnly = Mode == adModeRead || vb::LCase(connectionValue(ConnectionString, "ReadOnly")) == "true";
    OpenOn(std::make_shared<WorkbookBackend>(file, readOnly), spec.aposDates);
    return;
  }
  OpenOn(std::make_shared<SqliteBackend>(file, Mode == adModeRead), spec.aposDates);
}

void AdoConnection::OpenOn(std::shared_ptr<Backend> backend, bool aposDates) {
  if (State() == adStateOpen) raiseNotAllowed();
  backend_ = std::move(backend);
  aposDates_ = aposDates;
  levels_.clear();
}

int AdoConnection::State() const { return backend_ && backend_->isOpen() ? adStateOpen : adStateClosed; }

void AdoConnection::Close() {
  levels_.clear();
  if (backend_) {
    std::shared_ptr<Backend> b = std::move(backend_);
    b->close();
  }
}

void AdoConnection::requireOpen() const {
  if (State() != adStateOpen) raiseNotAllowed();
}

int64_t AdoConnection::Execute(const std::string& sql) {
  requireOpen();
  return backend_->run(translateAccessSql(sql, aposDates_, backend_->sqlTarget())).changes;
}

std::unique_ptr<RowStream> AdoConnection::readForward(const std::string& sql) {
  requireOpen();
  return backend_->stream(translateAccessSql(sql, aposDates_, backend_->sqlTarget()));
}

int AdoConnection::BeginTrans() {
  requireOpen();
  return levels_.begin(*backend_);
}

void AdoConnection::CommitTrans() {
  requireOpen();
  levels_.commit(*backend_);
}

void AdoConnection::RollbackTrans() {
  requireOpen();
  levels_.rollback(*backend_);
}

bool AdoConnection::InTransaction() { return State() == adStateOpen && levels_.active(*backend_); }

AdoRecordset::AdoRecordset() : rows_(std::make_unique<RowSet>()) {}
AdoRecordset::~AdoRecordset() = default;

AdoRecordset::AdoRecordset(AdoRecordset&& other) noexcept
    : CursorLocation(other.CursorLocation),
      CursorType(other.CursorType),
      LockType(other.LockType),
      rows_(std::make_unique<RowSet>()) {
  rows_.swap(other.rows_);
}

AdoRecordset& AdoRecordset::operator=(AdoRecordset&& other) noexcept {
  if (this != &other) {
    CursorLocation = other.CursorLocation;
    CursorType = other.CursorType;
    LockType = other.LockType;
    rows_.swap(other.rows_);
    try {
      other.rows_->close();
    } catch (...) {
    }
  }
  return *this;
}

RowSet& AdoRecordset::rows() const { return *rows_; }

void AdoRecordset::Open(const std::string& source, AdoConnection& connection, int cursorType, int lockType, int) {
  if (rows_->loaded() || connection.State() != adStateOpen) raiseNotAllowed();
  if (cursorType != -1) CursorType = cursorType;
  if (lockType != -1) LockType = lockType;
  QueryResult result = connection.backend()->run(translateAccessSql(source, connection.aposDates(), connection.backend()->sqlTarget()),
                                                 LockType == adLockReadOnly ? RowUse::ReadOnly : RowUse::Write);
  if (!result.hasRows) return;
  rows_->load(connection.backend(), std::move(result), Flavor::Ado, LockType != adLockReadOnly,
              LockType == adLockBatchOptimistic);
}

void AdoRecordset::Close() {
  if (!rows_->loaded()) raiseNotAllowed();
  rows_->close();
}

int AdoRecordset::State() const { return rows_->loaded() ? adStateOpen : adStateClosed; }

void AdoRecordset::UpdateBatch(int) { rows_->updateBatch(); }
void AdoRecordset::CancelBatch(int) { rows_->cancelBatch(); }

void AdoRecordset::Find(const std::string& criterion, int skipRecords, int) {
  for (int i = 0; i < skipRecords && !rows_->eof(); ++i) rows_->moveNext();
  rows_->find(criterion);
}

}  // namespace fw::db
