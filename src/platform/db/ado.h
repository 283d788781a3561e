#pragma once
// Our stand-in for ADO's Connection and Recordset, with the operations and semantics the program
// relies on. Every cursor is client-side: Open fetches all rows. Errors raise vb::Error with the
// numbers of platform/db/error.h.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/backend.h"
#include "platform/db/field.h"
#include "platform/db/row_set.h"

namespace fw::db {

// ADO's constants, under their own names.
inline constexpr int adStateClosed = 0;
inline constexpr int adStateOpen = 1;
inline constexpr int adUseClient = 3;
inline constexpr int adOpenForwardOnly = 0;
inline constexpr int adOpenStatic = 3;
inline constexpr int adLockReadOnly = 1;
inline constexpr int adLockPessimistic = 2;
inline constexpr int adLockOptimistic = 3;
inline constexpr int adLockBatchOptimistic = 4;
inline constexpr int adModeUnknown = 0;
inline constexpr int adModeRead = 1;
inline constexpr int adModeReadWrite = 3;
inline constexpr int adAffectAll = 3;

class AdoConnection {
 public:
  std::string ConnectionString;
  int CursorLocation = 2;  // kept as set; cursors are client-side whatever it says
  int Mode = adModeUnknown;  // 1 opens read-only; 0 and 3 read and write
  // Where the file name of a Windows data source path is looked up (the program folder).
  std::filesystem::path ProgramFolder;

  AdoConnection() = default;
  ~AdoConnection();
  AdoConnection(AdoConnection&& other) noexcept;
  AdoConnection& operator=(AdoConnection&& other) noexcept;
  AdoConnection(const AdoConnection&) = delete;
  AdoConnection& operator=(const AdoConnection&) = delete;

  // Opens ConnectionString (connection_string.h says what it may name). Raises NotAllowed when
  // already open; an engine's text of why it could not open holds no password.
  void Open(const std::string& user = "", const std::string& password = "", int options = -1);
  // Opens over a backend made elsewhere (another engine, or a test's).
  void OpenOn(std::shared_ptr<Backend> backend, bool aposDates);
  int State() const;
  // Rolls back any open transaction; recordsets opened on it keep their rows but can no longer write.
  void Close();

  // Runs a statement in the Access dialect; returns the number of rows it changed.
  int64_t Execute(const std::string& sql);

  // Transactions, nestable; a writer pass begins one, then commits it or rolls it all back
  // (recordset batches opened inside it roll back with it). BeginTrans returns the new level (1 =
  // outermost). CommitTrans raises NotAllowed while a recordset batch opened after the level is
  // still unsent.
  int BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  // A transaction begun here is open still (the engine ends one by itself when its commit fails).
  bool InTransaction();

  // A select in the Access dialect whose rows are read once, front to back, as they come from the
  // engine: no recordset keeps them. Nothing else may use the connection until the stream is gone.
  std::unique_ptr<RowStream> readForward(const std::string& sql);

  // The connection writes its dates between apostrophes ('...' date literals are translated).
  bool aposDates() const { return aposDates_; }
  const std::shared_ptr<Backend>& backend() const { return backend_; }

 private:
  void requireOpen() const;
  void openBackend();
  std::shared_ptr<Backend> backend_;
  bool aposDates_ = false;
  TransactionStack levels_;
};

class AdoRecordset {
 public:
  int CursorLocation = 2;
  int CursorType = adOpenForwardOnly;
  int LockType = adLockReadOnly;  // kept across opens: an unspecified lock type keeps this value

  AdoRecordset();
  ~AdoRecordset();
  AdoRecordset(AdoRecordset&&) noexcept;
  AdoRecordset& operator=(AdoRecordset&&) noexcept;

  // Runs the source on the connection. A statement without rows (delete) runs and leaves the
  // recordset closed. A cursor or lock type of -1 keeps the one last set on this object.
  void Open(const std::string& source, AdoConnection& connection, int cursorType = -1, int lockType = -1,
            int options = -1);
  // Drops a pending edit and rolls back an unsent batch ("pending rows are not sent").
  void Close();
  int State() const;

  bool Eof() const { return rows().eof(); }
  bool Bof() const { return rows().bof(); }
  int64_t RecordCount() const { return rows().recordCount(); }
  int FieldCount() const { return rows().fieldCount(); }  // Fields.Count
  Field Fields(int index) { return Field(rows(), index); }
  const vb::Variant& Value(int index) const { return rows().value(index); }
  int EditMode() const { return rows().editMode(); }

  void MoveFirst() { rows().moveFirst(); }
  void MoveNext() { rows().moveNext(); }
  void MovePrevious() { rows().movePrevious(); }
  void MoveLast() { rows().moveLast(); }

  // Finishes a pending add or edit first (its failure is raised after the new row is ready).
  void AddNew() { rows().addNew(); }
  // AddNew, the fields from the first on set from values, and Update, in one call.
  void AddRow(const std::vector<vb::Variant>& values) { rows().addRow(values); }
  // The same row, not kept among the rows for reading (the current row stays where it was).
  void InsertRow(const std::vector<vb::Variant>& values) { rows().insertRow(values); }
  void Update() { rows().update(); }
  void CancelUpdate() { rows().cancelUpdate(); }
  void Delete() { rows().deleteCurrent(); }
  // All records: lock type 4 sends (commits) or drops the batch.
  void UpdateBatch(int affect = adAffectAll);
  void CancelBatch(int affect = adAffectAll);
  // "<column> = #<date>#" (also a number or 'text'), searching forward from the current row;
  // at the end (EOF) when no row matches.
  void Find(const std::string& criterion, int skipRecords = 0, int searchDirection = 1);

 private:
  RowSet& rows() const;
  std::unique_ptr<RowSet> rows_;
};

}  // namespace fw::db
