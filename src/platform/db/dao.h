#pragma once
// Our stand-in for DAO: the engine object, a database opened on one file, and recordsets that
// write each change at once. A Jet file is an SQLite file here.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/backend.h"
#include "platform/db/field.h"
#include "platform/db/row_set.h"

namespace fw::db {

inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;

class DaoRecordset {
 public:
  DaoRecordset();
  ~DaoRecordset();
  DaoRecordset(DaoRecordset&&) noexcept;
  DaoRecordset& operator=(DaoRecordset&&) noexcept;

  bool isOpen() const { return rows_->loaded(); }
  bool Eof() const { return rows_->eof(); }
  bool Bof() const { return rows_->bof(); }
  int64_t RecordCount() const { return rows_->recordCount(); }
  int FieldCount() const { return rows_->fieldCount(); }
  Field Fields(int index) { return Field(*rows_, index); }
  const vb::Variant& Value(int index) const { return rows_->value(index); }
  int EditMode() const { return rows_->editMode(); }

  void MoveFirst() { rows_->moveFirst(); }
  void MoveNext() { rows_->moveNext(); }
  void MovePrevious() { rows_->movePrevious(); }
  void MoveLast() { rows_->moveLast(); }

  // Deletes the current row at once; moves skip it afterwards.
  void Delete() { rows_->deleteCurrent(); }
  // Starts a new row; the current row stays where it is until Update, which writes the row at once.
  void AddNew() { rows_->addNew(); }
  // AddNew, the fields from the first on set from values, and Update, in one call.
  void AddRow(const std::vector<vb::Variant>& values) { rows_->addRow(values); }
  // The same row, not kept among the rows for reading (the current row stays where it was).
  void InsertRow(const std::vector<vb::Variant>& values) { rows_->insertRow(values); }
  void Edit() { rows_->edit(); }
  void Update() { rows_->update(); }
  void CancelUpdate() { rows_->cancelUpdate(); }
  void Close();

 private:
  friend class DaoDatabase;
  std::unique_ptr<RowSet> rows_;
};

class DaoDatabase {
 public:
  DaoDatabase() = default;
  ~DaoDatabase();
  DaoDatabase(DaoDatabase&&) noexcept;
  DaoDatabase& operator=(DaoDatabase&&) noexcept;
  DaoDatabase(const DaoDatabase&) = delete;
  DaoDatabase& operator=(const DaoDatabase&) = delete;

  bool isOpen() const { return backend_ && backend_->isOpen(); }
  // 4 = snapshot (read only), 2 = dynaset (writable, each change at once), 1 as 2.
  DaoRecordset OpenRecordset(const std::string& sql, int type = dbOpenDynaset);
  // A select whose rows are read once, front to back, as they come from the engine (as on
  // AdoConnection).
  std::unique_ptr<RowStream> readForward(const std::string& sql);
  // Runs a statement without rows; RecordsAffected tells how many rows it changed.
  void Execute(const std::string& sql);
  int64_t RecordsAffected = 0;
  void Close();

  // Transactions, nestable, as on AdoConnection: a writer pass begins one and commits it, or
  // rolls it all back.
  int BeginTrans();
  void CommitTrans();
  void Rollback();

  const std::shared_ptr<Backend>& backend() const { return backend_; }
  void openOn(std::shared_ptr<Backend> backend);

 private:
  void requireOpen() const;
  std::shared_ptr<Backend> backend_;
  TransactionStack levels_;
};

class DaoEngine {
 public:
  // Where the file name of a Windows path is looked up (the program folder).
  std::filesystem::path ProgramFolder;

  // Shared; read-only when asked. A missing file raises EngineFailure "Could not find file".
  DaoDatabase OpenDatabase(const std::string& path, bool exclusive = false, bool readOnly = false);
  // Writes a compacted copy of source into destination, a new file. Refuses a destination that
  // exists and a source this process holds open.
  void CompactDatabase(const std::string& source, const std::string& destination);
};

}  // namespace fw::db
