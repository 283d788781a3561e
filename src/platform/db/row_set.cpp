#include "platform/db/row_set.h"

#include <cctype>
#include <exception>
#include <optional>

#include "platform/db/error.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw::db {

namespace {



[[noreturn]] void badCriterion(const std::string& criterion) {
  raise(err::BadArguments, "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another: " +
                               criterion);
}

// The number a date or numeric cell holds (a date is its day number).
double numberOf(const vb::Variant& v) {
  if (const auto* d = std::get_if<vb::DateTag>(&v.storage())) return d->value;
  return v.toDouble();
}

bool isDateOrNumber(const vb::Variant& v) {
  switch (v.type()) {
    case vb::VarType::Date:
    case vb::VarType::Double:
    case vb::VarType::Single:
    case vb::VarType::Long:
    case vb::VarType::Integer:
      return true;
    default:
      return false;
  }
}

}  // namespace

RowSet::~RowSet() {
  try {
    close();
  } catch (...) {
    // A destructor cannot report; the backend rolls back whatever it still holds when it closes.
  }
}

void RowSet::load(std::shared_ptr<Backend> backend, QueryResult&& result, Flavor flavor, bool writable, bool batch) {
  close();
  backend_ = std::move(backend);
  flavor_ = flavor;
  table_ = result.table;
  writable_ = writable && result.updatable() && !backend_->readOnly();
  batch_ = batch;
  // Counted before the cells move: a result without row keys (an aggregate) counts by its cells.
  const size_t rowCount = result.keys.empty() ? result.rowCount() : result.keys.size();
  columns_ = std::move(result.columns);
  cells_ = std::move(result.cells);
  addNames_.clear();
  rows_.clear();
  rows_.resize(rowCount);
  for (size_t i = 0; i < result.keys.size(); ++i) rows_[i].key = result.keys[i];
  visible_ = static_cast<int64_t>(rows_.size());
  pos_ = 0;
  loaded_ = true;
}

void RowSet::close() {
  if (!loaded_) return;
  edit_ = EditNone;
  buffer_.clear();
  dirty_.clear();
  TxnId level = batchLevel_;
  batchLevel_ = 0;
  loaded_ = false;
  rows_.clear();
  cells_.clear();
  originals_.clear();
  columns_.clear();
  visible_ = 0;
  pos_ = 0;
  std::shared_ptr<Backend> backend = std::move(backend_);
  if (level && backend && backend->isOpen() && backend->isOpen(level)) backend->rollback(level);
}

void RowSet::requireLoaded() const {
  if (!loaded_) raiseNotAllowed();
}

void RowSet::requireCurrent() const {
  requireLoaded();
  if (!currentValid()) raiseNotAllowed();
}

void RowSet::requireWritable() const {
  requireLoaded();
  if (!writable_ || !backend_ || !backend_->isOpen()) raiseNotAllowed();
}

bool RowSet::eof() const {
  requireLoaded();
  return visible_ == 0 || pos_ >= static_cast<int64_t>(rows_.size());
}

bool RowSet::bof() const {
  requireLoaded();
  return visible_ == 0 || pos_ < 0;
}

int64_t RowSet::recordCount() const {
  requireLoaded();
  return visible_;
}

int RowSet::fieldCount() const {
  requireLoaded();
  return static_cast<int>(columns_.size());
}

const ColumnInfo& RowSet::column(int index) const {
  requireLoaded();
  if (index < 0 || index >= static_cast<int>(columns_.size())) raiseNoSuchField();
  return columns_[static_cast<size_t>(index)];
}

const vb::Variant& RowSet::checkedValue(int index) const {
  column(index);
  if (edit_ == EditAdd && flavor_ == Flavor::Dao) return buffer_[static_cast<size_t>(index)];
  requireCurrent();
  if (edit_ != EditNone && editRow_ == pos_) return buffer_[static_cast<size_t>(index)];
  return cells_[static_cast<size_t>(pos_) * columns_.size() + static_cast<size_t>(index)];
}

vb::Variant RowSet::coerce(int index, const vb::Variant& v) const {
  if (v.isNull() || v.isEmpty()) return vb::Variant::Null();
  const bool text = v.type() == vb::VarType::String;
  switch (columns_[static_cast<size_t>(index)].kind) {
    case ColumnKind::Date: {
      if (text && vb::Trim(v.toString()).empty()) return vb::Variant::Null();
      return vb::Variant::Date(vb::roundToSecond(v.toDate()));
    }
    case ColumnKind::Integer:
    case ColumnKind::SmallInteger:
      if (text) {
        std::string t = vb::Trim(v.toString());
        if (t.empty()) return vb::Variant::Null();
        return vb::Variant(vb::CLng(vb::CDbl(t)));
      }
      return vb::Variant(v.toLong());
    case ColumnKind::Real:
      if (text && vb::Trim(v.toString()).empty()) return vb::Variant::Null();
      return vb::Variant(v.toDouble());
    case ColumnKind::Text:
      return text ? v : vb::Variant(v.toString());
    case ColumnKind::Any:
      break;
  }
  return v;
}

void RowSet::setValue(int index, const vb::Variant& v) {
  column(index);
  requireWritable();
  if (edit_ == EditNone) {
    if (flavor_ == Flavor::Dao) raiseNotAllowed();  // DAO writes fields only after AddNew or Edit
    requireCurrent();
    editRow_ = pos_;
    const size_t n = columns_.size();
    buffer_.assign(cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(pos_) * n),
                   cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(pos_ + 1) * n));
    dirty_.assign(n, false);
    edit_ = EditInProgress;
  }
  buffer_[static_cast<size_t>(index)] = coerce(index, v);
  dirty_[static_cast<size_t>(index)] = true;
}

void RowSet::dirtyColumns() {
  size_t k = 0;
  values_.clear();
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!dirty_[i]) continue;
    if (columns_[i].origin.empty()) raiseNotAllowed();
    if (k < names_.size())
      names_[k] = columns_[i].origin;  // reuses the string's storage
    else
      names_.push_back(columns_[i].origin);
    ++k;
    values_.push_back(buffer_[i]);
  }
  names_.resize(k);
}

void RowSet::syncBatch() {
  if (batchLevel_ && !(backend_ && backend_->isOpen() && backend_->isOpen(batchLevel_))) {
    // Someone rolled the batch back from outside (the connection's rollback, or its close).
    batchLevel_ = 0;
    revertBatchInMemory();
  }
}

void RowSet::ensureBatchLevel() {
  if (!batch_) return;
  syncBatch();
  if (!batchLevel_) batchLevel_ = backend_->begin();
}

void RowSet::update() {
  requireLoaded();
  if (edit_ == EditNone) {
    if (flavor_ == Flavor::Dao) raiseNotAllowed();
    return;
  }
  requireWritable();
  const size_t n = columns_.size();
  try {
    dirtyColumns();
    ensureBatchLevel();
    if (edit_ == EditAdd) {
      RowKey key = backend_->insertRow(table_, names_, values_);
      Row row;
      row.key = key;
      row.batchAdded = batch_;
      if (flavor_ == Flavor::Ado) {
        rows_[static_cast<size_t>(editRow_)] = row;
        std::copy(buffer_.begin(), buffer_.end(), cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(editRow_) * n));
      } else {
        rows_.push_back(row);
        cells_.insert(cells_.end(), buffer_.begin(), buffer_.end());
        ++visible_;
        // DAO leaves the current row where it was; a recordset that was at its end stays there.
        if (pos_ == static_cast<int64_t>(rows_.size()) - 1) pos_ = static_cast<int64_t>(rows_.size());
      }
    } else {
      Row& row = rows_[static_cast<size_t>(editRow_)];
      row.key = backend_->updateRow(table_, row.key, names_, values_);
      auto first = cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(editRow_) * n);
      if (batch_ && !row.batchAdded && row.original < 0) {
        row.original = static_cast<int32_t>(originals_.size());
        originals_.emplace_back(first, first + static_cast<ptrdiff_t>(n));
      }
      std::copy(buffer_.begin(), buffer_.end(), first);
    }
  } catch (const vb::Error&) {
    // A refused row (a duplicate key, a value the column does not take) is dropped, so the
    // caller can go on with the next one.
    dropEdit();
    throw;
  }
  edit_ = EditNone;
  buffer_.clear();
  dirty_.clear();
}

void RowSet::dropEdit() {
  if (edit_ == EditAdd && flavor_ == Flavor::Ado && editRow_ >= 0) {
    const size_t n = columns_.size();
    rows_.erase(rows_.begin() + editRow_);
    cells_.erase(cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(editRow_) * n),
                 cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(editRow_ + 1) * n));
    --visible_;
    pos_ = std::min<int64_t>(beforeAdd_, static_cast<int64_t>(rows_.size()));
  }
  edit_ = EditNone;
  editRow_ = -1;
  buffer_.clear();
  dirty_.clear();
}

void RowSet::cancelUpdate() {
  requireLoaded();
  dropEdit();
}

void RowSet::finishEdit() {
  if (edit_ != EditNone) update();
}

void RowSet::addNew() {
  requireWritable();
  std::exception_ptr previous;
  if (edit_ != EditNone) {
    try {
      update();
    } catch (const vb::Error&) {
      previous = std::current_exception();
    }
  }
  const size_t n = columns_.size();
  buffer_.assign(n, vb::Variant::Null());
  dirty_.assign(n, false);
  edit_ = EditAdd;
  if (flavor_ == Flavor::Ado) {
    beforeAdd_ = pos_;
    rows_.push_back(Row{});
    cells_.insert(cells_.end(), n, vb::Variant::Null());
    ++visible_;
    editRow_ = static_cast<int64_t>(rows_.size()) - 1;
    pos_ = editRow_;
  } else {
    editRow_ = -1;
  }
  // The previous row's failure is reported, but the new row is ready for its fields.
  if (previous) std::rethrow_exception(previous);
}

void RowSet::addRow(const std::vector<vb::Variant>& values) { add(values, true); }
void RowSet::insertRow(const std::vector<vb::Variant>& values) { add(values, false); }

void RowSet::add(const std::vector<vb::Variant>& values, bool keep) {
  requireWritable();
  const size_t n = columns_.size();
  const size_t k = values.size();
  bool named = edit_ == EditNone && k <= n;
  if (named && addNames_.size() != k) {
    addNames_.clear();
    for (size_t i = 0; i < k && named; ++i) {
      named = !columns_[i].origin.empty();
      addNames_.push_back(columns_[i].origin);
    }
    if (!named) addNames_.clear();
  }
  if (!named) {
    // A pending edit, a column too many or one without a table column: the long way, which
    // reports these as AddNew, the field and Update do.
    addNew();
    try {
      for (size_t i = 0; i < k; ++i) setValue(static_cast<int>(i), values[i]);
      update();
    } catch (const vb::Error&) {
      dropEdit();
      throw;
    }
    return;
  }
  values_.clear();
  for (size_t i = 0; i < k; ++i) values_.push_back(coerce(static_cast<int>(i), values[i]));
  ensureBatchLevel();
  Row row;
  row.key = backend_->insertRow(table_, addNames_, values_);
  row.batchAdded = batch_;
  // A refused row raised above and left nothing behind, as a dropped edit does.
  if (!keep) return;
  const bool atEnd = pos_ == static_cast<int64_t>(rows_.size());
  rows_.push_back(row);
  cells_.insert(cells_.end(), values_.begin(), values_.end());
  for (size_t i = k; i < n; ++i) cells_.emplace_back(vb::NullTag{});
  ++visible_;
  // ADO stays on the added row; DAO leaves the current row where it was, or at the end.
  if (flavor_ == Flavor::Ado)
    pos_ = static_cast<int64_t>(rows_.size()) - 1;
  else if (atEnd)
    pos_ = static_cast<int64_t>(rows_.size());
}

void RowSet::edit() {
  requireWritable();
  finishEdit();
  requireCurrent();
  editRow_ = pos_;
  const size_t n = columns_.size();
  buffer_.assign(cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(pos_) * n),
                 cells_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(pos_ + 1) * n));
  dirty_.assign(n, false);
  edit_ = EditInProgress;
}

void RowSet::deleteCurrent() {
  requireWritable();
  if (edit_ == EditAdd && flavor_ == Flavor::Ado) {
    dropEdit();  // deleting a row that was never sent only forgets it
    return;
  }
  dropEdit();
  requireCurrent();
  ensureBatchLevel();
  Row& row = rows_[static_cast<size_t>(pos_)];
  backend_->deleteRow(table_, row.key);
  row.deleted = true;
  row.batchDeleted = batch_;
  --visible_;
}

void RowSet::updateBatch() {
  requireLoaded();
  finishEdit();
  if (!batch_) return;
  if (batchLevel_ && !(backend_ && backend_->isOpen() && backend_->isOpen(batchLevel_))) {
    syncBatch();
    raise(err::NotAllowed, "The pending changes were rolled back before they could be sent.");
  }
  if (batchLevel_) {
    backend_->commit(batchLevel_);
    batchLevel_ = 0;
  }
  for (Row& r : rows_) {
    r.batchAdded = false;
    r.batchDeleted = false;
    r.original = -1;
  }
  originals_.clear();
}

void RowSet::cancelBatch() {
  requireLoaded();
  dropEdit();
  if (!batch_) return;
  syncBatch();
  if (batchLevel_) {
    backend_->rollback(batchLevel_);
    batchLevel_ = 0;
    revertBatchInMemory();
  }
}

void RowSet::revertBatchInMemory() {
  const size_t n = columns_.size();
  std::vector<Row> rows;
  std::vector<vb::Variant> cells;
  rows.reserve(rows_.size());
  cells.reserve(cells_.size());
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row r = rows_[i];
    if (r.batchAdded) continue;
    auto first = cells_.begin() + static_cast<ptrdiff_t>(i * n);
    if (r.original >= 0) {
      const auto& orig = originals_[static_cast<size_t>(r.original)];
      cells.insert(cells.end(), orig.begin(), orig.end());
    } else {
      cells.insert(cells.end(), first, first + static_cast<ptrdiff_t>(n));
    }
    if (r.batchDeleted) r.deleted = false;
    r.batchDeleted = false;
    r.original = -1;
    rows.push_back(r);
  }
  rows_ = std::move(rows);
  cells_ = std::move(cells);
  originals_.clear();
  countVisible();
  pos_ = firstVisible();
}

void RowSet::countVisible() {
  visible_ = 0;
  for (const Row& r : rows_)
    if (!r.deleted) ++visible_;
}

int64_t RowSet::firstVisible() const {
  int64_t i = 0;
  while (i < static_cast<int64_t>(rows_.size()) && rows_[static_cast<size_t>(i)].deleted) ++i;
  return i;
}

int64_t RowSet::lastVisible() const {
  int64_t i = static_cast<int64_t>(rows_.size()) - 1;
  while (i >= 0 && rows_[static_cast<size_t>(i)].deleted) --i;
  return i < 0 ? static_cast<int64_t>(rows_.size()) : i;
}

void RowSet::moveFirst() {
  requireLoaded();
  finishEdit();
  pos_ = firstVisible();
}

void RowSet::moveLast() {
  requireLoaded();
  finishEdit();
  pos_ = lastVisible();
}

void RowSet::moveNext() {
  requireLoaded();
  finishEdit();
  if (pos_ >= static_cast<int64_t>(rows_.size())) raiseNotAllowed();
  ++pos_;
  while (pos_ < static_cast<int64_t>(rows_.size()) && rows_[static_cast<size_t>(pos_)].deleted) ++pos_;
}

void RowSet::movePrevious() {
  requireLoaded();
  finishEdit();
  if (pos_ < 0) raiseNotAllowed();
  --pos_;
  while (pos_ >= 0 && rows_[static_cast<size_t>(pos_)].deleted) --pos_;
}

void RowSet::find(const std::string& criterion) {
  requireLoaded();
  finishEdit();
  // "<column> = <value>" with the value a #date#, a number or a 'text'.
  size_t eq = criterion.find('=');
  if (eq == std::string::npos) badCriterion(criterion);
  std::string name = vb::LCase(vb::Trim(criterion.substr(0, eq)));
  std::string literal = vb::Trim(criterion.substr(eq + 1));
  int col = -1;
  for (size_t i = 0; i < columns_.size(); ++i)
    if (vb::LCase(columns_[i].name) == name) col = static_cast<int>(i);
  if (col < 0) raiseNoSuchField();
  std::optional<double> number;
  std::optional<std::string> text;
  if (literal.size() >= 2 && literal.front() == '#' && literal.back() == '#') {
    std::optional<vb::VbDate> d = vb::parseDate(literal.substr(1, literal.size() - 2));
    if (!d) badCriterion(criterion);
    number = vb::roundToSecond(*d);
  } else if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
    text = vb::Replace(literal.substr(1, literal.size() - 2), "''", "'");
  } else if (vb::IsNumeric(literal)) {
    number = vb::CDbl(literal);
  } else {
    badCriterion(criterion);
  }
  const size_t n = columns_.size();
  const bool isDate = columns_[static_cast<size_t>(col)].kind == ColumnKind::Date;
  for (int64_t i = pos_ < 0 ? 0 : pos_; i < static_cast<int64_t>(rows_.size()); ++i) {
    if (rows_[static_cast<size_t>(i)].deleted) continue;
    const vb::Variant& v = cells_[static_cast<size_t>(i) * n + static_cast<size_t>(col)];
    bool match = false;
    if (number && isDateOrNumber(v)) {
      double x = numberOf(v);
      match = isDate ? vb::roundToSecond(x) == *number : x == *number;
    } else if (text && v.type() == vb::VarType::String) {
      match = v.toString() == *text;
    }
    if (match) {
      pos_ = i;
      return;
    }
  }
  pos_ = static_cast<int64_t>(rows_.size());
}

}  // namespace fw::db
