#pragma once
// What the engine backends share: the statement texts they build for row writes, the test that
// finds where a row key column can go into a select, and the bookkeeping of nested transaction
// levels (the outermost a real transaction, inner ones savepoints named for their level).
#include <cstddef>
#include <string>
#include <vector>

#include "platform/db/backend.h"

namespace fw::db {

// True when s holds word (lower case) at pos, in any case, not followed by a name character.
bool iequalsWord(const std::string& s, size_t pos, const char* word);

// Where " key," can go into a select so that its rows can be written back: just after "select",
// when the statement is a select without distinct, grouping, union or join; npos otherwise. A
// backend may refuse further shapes.
size_t keyColumnInsertPoint(const std::string& sql);

// How parameters are marked: "?" (SQLite) or "$1", "$2", ... (PostgreSQL).
enum class ParamMarks { Question, Numbered };

// "insert into "t" ("a","b") values (?,?)", or "... default values" without columns.
std::string insertStatement(const std::string& table, const std::vector<std::string>& columns, ParamMarks marks);
// "update "t" set "a"=?,"b"=? where " ending there: the caller adds its key condition, whose
// parameter, if numbered, is number columns.size() + 1.
std::string updateStatement(const std::string& table, const std::vector<std::string>& columns, ParamMarks marks);
// "delete from "t" where " ending there: the caller adds its key condition.
std::string deleteStatement(const std::string& table);

// The open transaction levels of one connection, outermost first, and the numbering of new ones.
class TransactionLevels {
 public:
  TxnId next() { return next_++; }  // a new level's id, not yet open
  void push(TxnId level) { levels_.push_back(level); }
  bool empty() const { return levels_.empty(); }
  size_t size() const { return levels_.size(); }
  bool isOpen(TxnId level) const;
  // NotAllowed unless level is the innermost open one.
  void requireInnermost(TxnId level) const;
  void popInnermost() { levels_.pop_back(); }
  // Closes level and every level opened after it; returns how many stay open (0: level was the
  // outermost). NotAllowed when level is not open.
  size_t closeFrom(TxnId level);
  void clear() { levels_.clear(); }

 private:
  std::vector<TxnId> levels_;
  TxnId next_ = 1;
};

// The savepoint name of an inner level.
std::string savepointName(TxnId level);

// Raised for a statement or a begin() while the engine has ended a transaction that is still open
// here.
[[noreturn]] void raiseTransactionEnded();

}  // namespace fw::db
