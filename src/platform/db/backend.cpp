#include "platform/db/backend.h"

#include "platform/db/error.h"

namespace fw::db {

int TransactionStack::begin(Backend& backend) {
  levels_.push_back(backend.begin());
  return static_cast<int>(levels_.size());
}

TxnId TransactionStack::innermost(Backend& backend) {
  while (!levels_.empty() && !backend.isOpen(levels_.back())) levels_.pop_back();
  if (levels_.empty()) raiseNotAllowed();
  return levels_.back();
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
