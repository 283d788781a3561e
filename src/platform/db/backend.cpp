#include "platform/db/backend.h"

#include "platform/db/error.h"

namespace fw::db {

namespace {

// The rows of a result already read whole, handed out one by one.
class ResultStream : public RowStream {
 public:
  explicit ResultStream(QueryResult&& result) : result_(std::move(result)) {}

  bool next() override {
    if (row_ < rows()) ++row_;
    return row_ < rows();
  }
  const vb::Variant& field(int index) override {
    const size_t n = result_.columns.size();
    if (index < 0 || static_cast<size_t>(index) >= n) raiseNoSuchField();
    if (row_ < 0 || row_ >= rows()) raiseNotAllowed();
    return result_.cells[static_cast<size_t>(row_) * n + static_cast<size_t>(index)];
  }

 private:
  int64_t rows() const { return static_cast<int64_t>(result_.rowCount()); }
  QueryResult result_;
  int64_t row_ = -1;  // before the first row
};

}  // namespace

std::unique_ptr<RowStream> Backend::stream(const std::string& sql) {
  return std::make_unique<ResultStream>(run(sql, RowUse::ReadOnly));
}

int TransactionStack::begin(Backend& backend) {
  levels_.push_back(backend.begin());
  return static_cast<int>(levels_.size());
}

TxnId TransactionStack::innermost(Backend& backend) {
  if (!active(backend)) raiseNotAllowed();
  return levels_.back();
}

bool TransactionStack::active(Backend& backend) {
  while (!levels_.empty() && !backend.isOpen(levels_.back())) levels_.pop_back();
  return !levels_.empty();
}

void TransactionStack::commit(Backend& backend) {
  backend.commit(innermost(backend));
  levels_.pop_back();
}

void TransactionStack::rollback(Backend& backend) {
  backend.rollback(innermost(backend));
  levels_.pop_back();
}

std::string quoteName(const std::string& name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

}  // namespace fw::db
