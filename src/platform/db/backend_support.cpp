#include "platform/db/backend_support.h"

#include <cctype>

#include "platform/db/error.h"
#include "platform/vb/strings.h"

namespace fw::db {

bool iequalsWord(const std::string& s, size_t pos, const char* word) {
  size_t n = std::char_traits<char>::length(word);
  if (pos + n > s.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[pos + i])) != word[i]) return false;
  return pos + n == s.size() || !(std::isalnum(static_cast<unsigned char>(s[pos + n])) || s[pos + n] == '_');
}

size_t keyColumnInsertPoint(const std::string& sql) {
  size_t i = 0;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  if (!iequalsWord(sql, i, "select")) return std::string::npos;
  size_t after = i + 6;
  size_t j = after;
  while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
  if (iequalsWord(sql, j, "distinct") || iequalsWord(sql, j, "all")) return std::string::npos;
  std::string l = vb::LCase(sql);
  for (const char* w : {" group ", " union ", " join ", " having ", " except ", " intersect "})
    if (l.find(w) != std::string::npos) return std::string::npos;
  return after;
}

namespace {
std::string mark(ParamMarks marks, size_t index) {
  return marks == ParamMarks::Question ? std::string("?") : "$" + std::to_string(index + 1);
}
}  // namespace

std::string insertStatement(const std::string& table, const std::vector<std::string>& columns, ParamMarks marks) {
  std::string sql = "insert into " + quoteName(table);
  if (columns.empty()) return sql + " default values";
  sql += " (";
  std::string values;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) {
      sql += ",";
      values += ",";
    }
    sql += quoteName(columns[i]);
    values += mark(marks, i);
  }
  return sql + ") values (" + values + ")";
}

std::string updateStatement(const std::string& table, const std::vector<std::string>& columns, ParamMarks marks) {
  std::string sql = "update " + quoteName(table) + " set ";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) sql += ",";
    sql += quoteName(columns[i]) + "=" + mark(marks, i);
  }
  return sql + " where ";
}

std::string deleteStatement(const std::string& table) { return "delete from " + quoteName(table) + " where "; }

bool TransactionLevels::isOpen(TxnId level) const {
  for (TxnId l : levels_)
    if (l == level) return true;
  return false;
}

void TransactionLevels::requireInnermost(TxnId level) const {
  if (levels_.empty() || levels_.back() != level) raiseNotAllowed();
}

size_t TransactionLevels::closeFrom(TxnId level) {
  size_t i = 0;
  while (i < levels_.size() && levels_[i] != level) ++i;
  if (i == levels_.size()) raiseNotAllowed();
  levels_.resize(i);
  return i;
}

std::string savepointName(TxnId level) { return "fw_" + std::to_string(level); }

void raiseTransactionEnded() {
  raise(err::EngineFailure,
        "The database engine ended the transaction after an error; nothing more is done in it until it is "
        "rolled back.");
}

}  // namespace fw::db
