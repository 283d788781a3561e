#pragma once
// The engine behind the recordsets: runs one statement, writes one row by its key, and nests
// transactions. SQLite (a file) and PostgreSQL (a server) are the implementations. SQL reaching a
// backend is already translated from the Access dialect for the backend's sqlTarget() (dialect.h).
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/dialect.h"
#include "platform/vb/variant.h"

namespace fw::db {

// How the layer treats a column's values.
enum class ColumnKind {
  Date,     // REAL day numbers: read as dates, rounded to whole seconds when written
  Integer,  // whole numbers (texts holding a number are converted on assignment)
  SmallInteger,  // whole numbers read as 16-bit integers (SMALLINT: sources, traces, run ids)
  Real,     // 64-bit floats
  Text,
  Any,      // no declared type: kept as given
};

struct ColumnInfo {
  std::string name;  // the name the result gives the column
  std::string origin;  // the table column it comes from (for writes); empty for expressions
  ColumnKind kind = ColumnKind::Any;
};

// The identity of a stored row (SQLite: its rowid; PostgreSQL: its current tuple position).
using RowKey = int64_t;

// What a statement gave back. A statement without result columns (delete, insert, create) has
// hasRows false and changes set. A select returns every row at once: recordsets are client-side,
// as the program's recordsets always were.
struct QueryResult {
  bool hasRows = false;
  std::vector<ColumnInfo> columns;
  std::vector<vb::Variant> cells;  // row-major, columns.size() per row
  std::vector<RowKey> keys;        // one per row when the rows can be written back
  std::string table;               // the base table when they can, else empty
  int64_t changes = 0;
  bool updatable() const { return !table.empty(); }
  size_t rowCount() const { return columns.empty() ? 0 : cells.size() / columns.size(); }
};

// What a select's rows are for: rows that may be written back carry their keys; rows that are
// only read leave them out, which saves the engine a column per row.
enum class RowUse { Write, ReadOnly };

// A forward-only pass over a select's rows, for a reader that takes each row once and keeps none:
// the rows come from the engine as they are asked for, without the copy a recordset keeps.
class RowStream {
 public:
  virtual ~RowStream() = default;
  // Moves to the next row (the first, on the first call); false after the last. An engine error
  // raises, as run() would have.
  virtual bool next() = 0;
  // A field of the current row, read from the engine when asked for; valid until the next call.
  // An index the select does not have raises NoSuchField.
  virtual const vb::Variant& field(int index) = 0;
};

// A transaction level handed out by begin(); 0 is never a valid level.
using TxnId = uint64_t;

class Backend {
 public:
  virtual ~Backend() = default;

  virtual bool isOpen() const = 0;
  virtual bool readOnly() const = 0;
  // Rolls back any open transaction and releases the engine. Further calls raise NotAllowed.
  virtual void close() = 0;

  virtual QueryResult run(const std::string& sql, RowUse use) = 0;
  QueryResult run(const std::string& sql) { return run(sql, RowUse::Write); }
  // The rows run(sql, RowUse::ReadOnly) would give, one at a time. The stream must be gone before
  // the backend is written to or closed. This one reads them all through run() first; an engine
  // that can step a statement overrides it.
  virtual std::unique_ptr<RowStream> stream(const std::string& sql);

  // Row writes for recordsets. Values are already converted to their column's kind.
  virtual RowKey insertRow(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<vb::Variant>& values) = 0;
  // Returns the row's key afterwards: a server may move a changed row.
  virtual RowKey updateRow(const std::string& table, RowKey key, const std::vector<std::string>& columns,
                           const std::vector<vb::Variant>& values) = 0;
  virtual void deleteRow(const std::string& table, RowKey key) = 0;

  // Nested transactions. The outermost level is a real transaction that takes the engine's write
  // lock at once, so a busy database is waited for at the start; inner levels are savepoints.
  // commit() takes only the innermost open level (NotAllowed otherwise); rollback() undoes the
  // level and every level opened after it. isOpen(level) tells a holder whether its level was
  // ended by someone else (an outer rollback, or close()).
  virtual TxnId begin() = 0;
  virtual void commit(TxnId level) = 0;
  virtual void rollback(TxnId level) = 0;
  virtual bool isOpen(TxnId level) const = 0;
  virtual bool inTransaction() const = 0;
  // True while the engine has ended, by itself, a transaction whose levels are still open here (a
  // full disk, an I/O error, an interrupt, a lost connection). Its levels stay open until their
  // holders roll them back; until the outermost one is, every statement and begin() is refused,
  // so that nothing meant for the transaction runs outside it.
  virtual bool transactionLost() const { return false; }
  // True after the engine ended a transaction because another writer's conflicted with it (a
  // serialization failure or a deadlock): running the same work again may well succeed. Cleared
  // when the next outermost level begins.
  virtual bool lostToConflict() const { return false; }

  // The dialect the backend's SQL must be translated to.
  virtual SqlTarget sqlTarget() const { return SqlTarget::Sqlite; }
};

// The levels a connection object began itself, innermost last: what AdoConnection's BeginTrans /
// CommitTrans / RollbackTrans and DaoDatabase's BeginTrans / CommitTrans / Rollback work on.
// Levels ended from elsewhere (an outer rollback) are forgotten on the way.
class TransactionStack {
 public:
  int begin(Backend& backend);  // returns the new depth, 1 = outermost
  void commit(Backend& backend);
  void rollback(Backend& backend);
  // A level is open still: the engine may have ended them all by itself (a failed commit).
  bool active(Backend& backend);
  void clear() { levels_.clear(); }

 private:
  TxnId innermost(Backend& backend);
  std::vector<TxnId> levels_;
};

// A table or column name as an SQL identifier in double quotes, inner quotes doubled: every engine
// behind the layer takes this form.
std::string quoteName(const std::string& name);

}  // namespace fw::db
