#pragma once
// The rows of one opened recordset, held in memory (a client-side cursor), with the editing rules
// the ADO and DAO recordsets share:
// - writes go through the backend by row key; a select over one table is writable, others are not;
// - immediate mode sends each Update and Delete at once (inside any transaction the caller opened);
// - batch mode (ADO lock type 4) sends them at once too, but inside a transaction level of its own
//   that UpdateBatch commits and CancelBatch (or Close) rolls back, so a batch reaches the database
//   whole or not at all, and a unique-key violation is reported by the Update of that very row;
// - deleted rows are skipped by every move; a deleted current row has no fields;
// - moving off a row that is being edited finishes the edit (Update) first.
#include <memory>
#include <string>
#include <vector>

#include "platform/db/backend.h"

namespace fw::db {

enum class Flavor { Ado, Dao };

// ADO's EditMode values.
enum EditMode : int { EditNone = 0, EditInProgress = 1, EditAdd = 2 };

class RowSet {
 public:
  RowSet() = default;
  ~RowSet();
  RowSet(const RowSet&) = delete;
  RowSet& operator=(const RowSet&) = delete;

  void load(std::shared_ptr<Backend> backend, QueryResult&& result, Flavor flavor, bool writable, bool batch);
  // Drops the rows; a pending edit is dropped and an unsent batch rolled back.
  void close();
  bool loaded() const { return loaded_; }

  bool eof() const;
  bool bof() const;
  int64_t recordCount() const;
  int fieldCount() const;
  const ColumnInfo& column(int index) const;
  // The field of the current row; a row being edited or added shows its new values.
  const vb::Variant& value(int index) const {
    // The common case, reading a stored row, without a call.
    if (loaded_ && edit_ == EditNone && index >= 0 && static_cast<size_t>(index) < columns_.size() &&
        currentValid())
      return cells_[static_cast<size_t>(pos_) * columns_.size() + static_cast<size_t>(index)];
    return checkedValue(index);
  }
  void setValue(int index, const vb::Variant& v);
  int editMode() const { return edit_; }

  void moveFirst();
  void moveNext();
  void movePrevious();
  void moveLast();

  void addNew();
  // addNew, the first values.size() columns set from values in order, and update, in one call
  // with the same outcome, without going through the row field by field.
  void addRow(const std::vector<vb::Variant>& values);
  // The same row written the same way (inside the batch, if any), but not kept among the rows
  // here: for a writer adding many rows it never reads back, which then need no memory. The
  // current row stays where it was. (Over a pending edit it goes the long way and is kept.)
  void insertRow(const std::vector<vb::Variant>& values);
  void edit();
  void update();
  void cancelUpdate();
  void deleteCurrent();
  void updateBatch();
  void cancelBatch();
  void find(const std::string& criterion);

 private:
  struct Row {
    RowKey key = 0;
    bool deleted = false;
    bool batchAdded = false;
    bool batchDeleted = false;
    int32_t original = -1;  // index into originals_ when the batch changed this row
  };

  void requireLoaded() const;
  void requireCurrent() const;
  void requireWritable() const;
  bool currentValid() const {
    return pos_ >= 0 && pos_ < static_cast<int64_t>(rows_.size()) && !rows_[static_cast<size_t>(pos_)].deleted;
  }
  const vb::Variant& checkedValue(int index) const;  // value() with every check and case
  void finishEdit();
  void dropEdit();
  void syncBatch();
  void ensureBatchLevel();
  void revertBatchInMemory();
  void countVisible();
  vb::Variant coerce(int index, const vb::Variant& v) const;
  int64_t firstVisible() const;
  int64_t lastVisible() const;
  // Fills names_ and values_ with the edited columns and their values.
  void dirtyColumns();
  void add(const std::vector<vb::Variant>& values, bool keep);

  std::shared_ptr<Backend> backend_;
  Flavor flavor_ = Flavor::Ado;
  bool loaded_ = false;
  bool writable_ = false;
  bool batch_ = false;
  std::string table_;
  std::vector<ColumnInfo> columns_;
  std::vector<vb::Variant> cells_;
  std::vector<Row> rows_;
  std::vector<std::vector<vb::Variant>> originals_;
  int64_t pos_ = 0;  // -1 before the first row, rows_.size() after the last
  int64_t visible_ = 0;

  EditMode edit_ = EditNone;
  int64_t editRow_ = -1;  // the row being edited; for an ADO add, the appended row
  int64_t beforeAdd_ = 0;
  std::vector<vb::Variant> buffer_;
  std::vector<bool> dirty_;
  // Kept from one Update to the next, so adding rows one by one does not allocate for each.
  std::vector<std::string> names_;
  std::vector<vb::Variant> values_;
  // addRow's column names: the origins of the first columns, made once per load.
  std::vector<std::string> addNames_;

  TxnId batchLevel_ = 0;
};

}  // namespace fw::db
