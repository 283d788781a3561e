#include "platform/db/postgres_backend.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/db/backend_support.h"
#include "platform/db/error.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"

namespace fw::db {

namespace {

// Type OIDs of the server's built-in types (fixed since their first release).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700,
              kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184;

ColumnKind kindOf(Oid type) {
  switch (type) {
    case kDate:
    case kTimestamp:
    case kTimestampTz:
      return ColumnKind::Date;
    case kInt2:
      return ColumnKind::SmallInteger;
    case kInt4:
    case kInt8:
      return ColumnKind::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric:
      return ColumnKind::Real;
    case kBool:
      return ColumnKind::Any;
    default:
      return ColumnKind::Text;
  }
}

// libpq's text on one line: each line break, with the blanks and tabs around it, becomes one
// blank, so that one error is one line of the error log.
std::string trimMessage(const char* text) {
  std::string s;
  bool lineBreak = false;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '\n' || *p == '\r') {
      lineBreak = true;
      while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    } else if (lineBreak && (*p == ' ' || *p == '\t')) {
      continue;
    } else {
      if (lineBreak && !s.empty()) s += ' ';
      lineBreak = false;
      s += *p;
    }
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// Where "ctid, " can go into a plain single-table select so that its rows can be written back;
// npos when the statement is not of that shape (a join, a group, an aggregate, distinct).
size_t ctidInsertPoint(const std::string& sql) {
  const size_t after = keyColumnInsertPoint(sql);
  if (after == std::string::npos) return after;
  std::string l = vb::LCase(sql);
  size_t from = l.find(" from ", after);
  if (from == std::string::npos) return std::string::npos;
  if (l.find('(', after) < from) return std::string::npos;  // an aggregate or another expression
  if (l.find(',', from) < std::min(l.find(" where ", from), l.find(" order ", from))) return std::string::npos;
  return after;
}

std::optional<vb::VbDate> parseTimestamp(const char* text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  double sec = 0;
  int n = std::sscanf(text, "%d-%d-%d %d:%d:%lf", &y, &mo, &d, &h, &mi, &sec);
  if (n != 3 && n != 6) return std::nullopt;
  if (y < 100 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > vb::daysInMonth(y, mo)) return std::nullopt;
  vb::CivilDateTime c;
  c.year = y;
  c.month = mo;
  c.day = d;
  c.hour = h;
  c.minute = mi;
  // The layer writes whole seconds; a fraction written by another program is dropped.
  c.second = std::clamp(static_cast<int>(sec), 0, 59);
  return vb::roundToSecond(vb::fromCivil(c));
}

void appendCell(std::vector<vb::Variant>& cells, PGresult* r, int row, int col, Oid type) {
  if (PQgetisnull(r, row, col)) {
    cells.emplace_back(vb::NullTag{});
    return;
  }
  const char* text = PQgetvalue(r, row, col);
  switch (type) {
    case kBool:
      cells.emplace_back(text[0] == 't');
      return;
    case kInt2:
    case kInt4:
    case kInt8: {
      long long v = std::strtoll(text, nullptr, 10);
      if (type == kInt2 && v >= INT16_MIN && v <= INT16_MAX)
        cells.emplace_back(static_cast<int16_t>(v));
      else if (v >= INT32_MIN && v <= INT32_MAX)
        cells.emplace_back(static_cast<int32_t>(v));
      else
        cells.emplace_back(static_cast<double>(v));
      return;
    }
    case kFloat4:
    case kFloat8:
    case kNumeric:
      cells.emplace_back(std::strtod(text, nullptr));
      return;
    case kDate:
    case kTimestamp:
    case kTimestampTz:
      if (std::optional<vb::VbDate> d = parseTimestamp(text)) {
        cells.emplace_back(vb::DateTag{*d});
        return;
      }
      break;
    default:
      break;
  }
  cells.emplace_back(std::string(text, static_cast<size_t>(PQgetlength(r, row, col))));
}

// A value as the text parameter the server converts to its column's type; nullopt for Null.
std::optional<std::string> paramText(const vb::Variant& v) {
  const auto& s = v.storage();
  if (std::holds_alternative<vb::EmptyTag>(s) || std::holds_alternative<vb::NullTag>(s)) return std::nullopt;
  if (const bool* b = std::get_if<bool>(&s)) return std::string(*b ? "-1" : "0");
  if (const int16_t* i = std::get_if<int16_t>(&s)) return std::to_string(*i);
  if (const int32_t* l = std::get_if<int32_t>(&s)) return std::to_string(*l);
  auto real = [](double d) -> std::string {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
  };
  if (const float* f = std::get_if<float>(&s)) return real(*f);
  if (const double* d = std::get_if<double>(&s)) return real(*d);
  if (const vb::DateTag* dt = std::get_if<vb::DateTag>(&s)) return timestampText(dt->value);
  if (const std::string* t = std::get_if<std::string>(&s)) return *t;
  return std::nullopt;
}

// A tuple position "(block,offset)" as a row key, and back.
RowKey keyOf(const char* ctid) {
  unsigned long long block = 0, offset = 0;
  if (std::sscanf(ctid, "(%llu,%llu)", &block, &offset) != 2) return -1;
  return static_cast<RowKey>((block << 16) | (offset & 0xffff));
}

std::string ctidOf(RowKey key) {
  auto k = static_cast<unsigned long long>(key);
  return "(" + std::to_string(k >> 16) + "," + std::to_string(k & 0xffff) + ")";
}

}  // namespace

void PostgresBackend::ConnCloser::operator()(pg_conn* c) const { PQfinish(c); }
void PostgresBackend::ResultClearer::operator()(pg_result* r) const { PQclear(r); }

PostgresBackend::PostgresBackend(const std::vector<std::pair<std::string, std::string>>& parameters, bool readOnly)
    : readOnly_(readOnly) {
  std::vector<const char*> keys;
  std::vector<const char*> values;
  bool timeout = false;
  // Only a URI is expanded: a database name that happens to hold "=" stays a name.
  int expand = 0;
  for (const auto& [k, v] : parameters) {
    if (k == "dbname" && (v.rfind("postgresql://", 0) == 0 || v.rfind("postgres://", 0) == 0)) expand = 1;
    keys.push_back(k.c_str());
    values.push_back(v.c_str());
    if (k == "connect_timeout") timeout = true;
  }
  // An unattended run must not hang on a server that does not answer.
  if (!timeout) {
    keys.push_back("connect_timeout");
    values.push_back("20");
  }
  keys.push_back("application_name");
  values.push_back("flumewright");
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_.reset(PQconnectdbParams(keys.data(), values.data(), expand));
  if (!conn_) raise(err::EngineFailure, "out of memory connecting to the PostgreSQL server");
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    std::string msg = trimMessage(PQerrorMessage(conn_.get()));
    conn_.reset();
    raise(err::EngineFailure, msg);
  }
  // The server's notices (a rollback with nothing to undo) are no business of the log.
  PQsetNoticeProcessor(conn_.get(), [](void*, const char*) {}, nullptr);
  try {
    reconnectIfLost();  // applies the session settings
  } catch (...) {
    conn_.reset();
    throw;
  }
}

PostgresBackend::~PostgresBackend() { close(); }

void PostgresBackend::close() {
  if (!conn_) return;
  if (!levels_.empty() && PQstatus(conn_.get()) == CONNECTION_OK) Result(PQexec(conn_.get(), "ROLLBACK"));
  levels_.clear();
  conn_.reset();
}

void PostgresBackend::requireOpen() const {
  if (!conn_) raiseNotAllowed();
}

void PostgresBackend::requireUsable() {
  requireOpen();
  if (transactionLost()) raiseTransactionEnded();
  if (levels_.empty()) reconnectIfLost();
}

namespace {
bool settingsApplied(PGconn* c) { return c && PQstatus(c) == CONNECTION_OK; }
}  // namespace

void PostgresBackend::reconnectIfLost() {
  static const char* kSettings =
      "SET DateStyle = 'ISO, MDY'; SET IntervalStyle = 'postgres'; SET client_min_messages = warning;";
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    // A lost connection is tried once more when no transaction depends on it.
    PQreset(conn_.get());
    if (PQstatus(conn_.get()) != CONNECTION_OK) raise(err::EngineFailure, trimMessage(PQerrorMessage(conn_.get())));
    columnNames_.clear();
    tableNames_.clear();
    prepared_.clear();
    settingsDone_ = false;
  }
  if (settingsDone_ || !settingsApplied(conn_.get())) return;
  std::string settings = kSettings;
  if (readOnly_) settings += " SET default_transaction_read_only = on;";
  plain(settings);
  settingsDone_ = true;
}

void PostgresBackend::fail(pg_result* result) {
  std::string state;
  std::string message;
  if (result) {
    const char* s = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    state = s ? s : "";
    message = trimMessage(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL);
    if (detail && *detail) message += " (" + trimMessage(detail) + ")";
  }
  if (message.empty()) message = trimMessage(PQerrorMessage(conn_.get()));
  if (message.empty()) message = "the PostgreSQL server failed without a message";
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    if (!levels_.empty()) lost_ = true;
    raise(err::EngineFailure, message);
  }
  if (state == "40001" || state == "40P01") {
    // The server chose this transaction to give way to another writer's: all of it is undone.
    if (!levels_.empty()) {
      lost_ = true;
      conflict_ = true;
      Result(PQexec(conn_.get(), "ROLLBACK"));
    }
    raise(err::EngineFailure, message);
  }
  if (state.rfind("42", 0) == 0 || state == "23505" || state.rfind("22", 0) == 0) raise(err::FaultyCommand, message);
  raise(err::EngineFailure, message);
}

PostgresBackend::Result PostgresBackend::plain(const std::string& sql) {
  Result r(PQexec(conn_.get(), sql.c_str()));
  ExecStatusType st = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) fail(r.get());
  return r;
}

const std::string& PostgresBackend::preparedName(const std::string& sql, int paramCount) {
  auto it = prepared_.find(sql);
  if (it != prepared_.end()) return it->second;
  if (prepared_.size() >= 64) {
    plain("DEALLOCATE ALL");
    prepared_.clear();
  }
  std::string name = "fw_p" + std::to_string(++preparedCount_);
  // A statement the server refuses to prepare (an unknown column) must not abort the transaction.
  const bool guarded = !levels_.empty();
  if (guarded) plain("SAVEPOINT fw_prep");
  Result r(PQprepare(conn_.get(), name.c_str(), sql.c_str(), paramCount, nullptr));
  if (!r || PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
    if (guarded && PQstatus(conn_.get()) == CONNECTION_OK)
      Result(PQexec(conn_.get(), "ROLLBACK TO SAVEPOINT fw_prep; RELEASE SAVEPOINT fw_prep"));
    fail(r.get());
  }
  if (guarded) plain("RELEASE SAVEPOINT fw_prep");
  return prepared_.emplace(sql, name).first->second;
}

PostgresBackend::Result PostgresBackend::execute(const std::string& sql, const std::vector<std::string>& params,
                                                 const std::vector<bool>& nulls, bool prepared) {
  std::vector<const char*> values(params.size());
  for (size_t i = 0; i < params.size(); ++i) values[i] = nulls[i] ? nullptr : params[i].c_str();
  const bool guarded = !levels_.empty();
  const std::string* name = prepared ? &preparedName(sql, static_cast<int>(params.size())) : nullptr;
  Result r;
  if (guarded) {
    r = guardedStatement(sql, values, name);
  } else if (name) {
    r.reset(PQexecPrepared(conn_.get(), name->c_str(), static_cast<int>(values.size()),
                           values.empty() ? nullptr : values.data(), nullptr, nullptr, 0));
  } else {
    r.reset(PQexecParams(conn_.get(), sql.c_str(), static_cast<int>(params.size()), nullptr,
                         values.empty() ? nullptr : values.data(), nullptr, nullptr, 0));
  }
  ExecStatusType st = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
  if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK) return r;
  if (guarded && PQstatus(conn_.get()) == CONNECTION_OK) {
    const char* s = r ? PQresultErrorField(r.get(), PG_DIAG_SQLSTATE) : nullptr;
    std::string state = s ? s : "";
    // Only this statement is undone; a conflict with another writer undoes the whole transaction
    // in fail().
    if (state != "40001" && state != "40P01") {
      Result undo(PQexec(conn_.get(), "ROLLBACK TO SAVEPOINT fw_stmt; RELEASE SAVEPOINT fw_stmt"));
    }
  }
  fail(r.get());
}

// The savepoint, the statement and the release go to the server together and come back in one
// round trip: a writer adds its rows one statement each.
PostgresBackend::Result PostgresBackend::guardedStatement(const std::string& sql, const std::vector<const char*>& values,
                                                          const std::string* name) {
  PGconn* c = conn_.get();
  auto send = [&] {
    const int n = static_cast<int>(values.size());
    const char* const* v = values.empty() ? nullptr : values.data();
    return name ? PQsendQueryPrepared(c, name->c_str(), n, v, nullptr, nullptr, 0)
                : PQsendQueryParams(c, sql.c_str(), n, nullptr, v, nullptr, nullptr, 0);
  };
  if (PQenterPipelineMode(c) != 1) {
    plain("SAVEPOINT fw_stmt");
    Result r(name ? PQexecPrepared(c, name->c_str(), static_cast<int>(values.size()),
                                   values.empty() ? nullptr : values.data(), nullptr, nullptr, 0)
                  : PQexecParams(c, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                 values.empty() ? nullptr : values.data(), nullptr, nullptr, 0));
    ExecStatusType st = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK) plain("RELEASE SAVEPOINT fw_stmt");
    return r;
  }
  bool sent = PQsendQueryParams(c, "SAVEPOINT fw_stmt", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
              send() == 1 &&
              PQsendQueryParams(c, "RELEASE SAVEPOINT fw_stmt", 0, nullptr, nullptr, nullptr, nullptr, 0) == 1 &&
              PQpipelineSync(c) == 1;
  // Results: one per command, each followed by a null, then the sync point. The first failure is
  // what is reported: the savepoint's own failure, or the statement's.
  Result statement;
  Result failure;
  int command = 0;
  for (int guard = 0; sent && guard < 64; ++guard) {
    Result r(PQgetResult(c));
    if (!r) {
      // Between commands; a null right after the sync point would wait for ever, so stop there.
      continue;
    }
    ExecStatusType st = PQresultStatus(r.get());
    if (st == PGRES_PIPELINE_SYNC) break;
    if (st == PGRES_PIPELINE_ABORTED) {
      ++command;
      continue;
    }
    const bool ok = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK;
    if (!ok && !failure) failure = std::move(r);
    else if (command == 1 && ok) statement = std::move(r);
    ++command;
  }
  PQexitPipelineMode(c);
  if (!sent) {
    Result none;
    return none;  // fail() reports the connection's message
  }
  if (failure) return failure;
  return statement;
}

std::string PostgresBackend::tableName(unsigned int tableOid) {
  auto it = tableNames_.find(tableOid);
  if (it != tableNames_.end()) return it->second;
  Result r = execute("select relname from pg_class where oid = $1", {std::to_string(tableOid)}, {false});
  std::string name = PQntuples(r.get()) == 1 ? PQgetvalue(r.get(), 0, 0) : "";
  tableNames_[tableOid] = name;
  return name;
}

std::string PostgresBackend::columnName(unsigned int tableOid, int column) {
  auto key = std::make_pair(tableOid, column);
  auto it = columnNames_.find(key);
  if (it != columnNames_.end()) return it->second;
  Result r = execute("select attnum, attname from pg_attribute where attrelid = $1 and attnum > 0",
                     {std::to_string(tableOid)}, {false});
  for (int i = 0; i < PQntuples(r.get()); ++i)
    columnNames_[{tableOid, std::atoi(PQgetvalue(r.get(), i, 0))}] = PQgetvalue(r.get(), i, 1);
  return columnNames_[key];
}

QueryResult PostgresBackend::run(const std::string& sql, RowUse use) {
  requireUsable();
  QueryResult result;
  Result r;
  bool withCtid = false;
  if (size_t at = use == RowUse::Write ? ctidInsertPoint(sql) : std::string::npos; at != std::string::npos) {
    try {
      r = execute(sql.substr(0, at) + " ctid," + sql.substr(at), {}, {});
      withCtid = true;
    } catch (const vb::Error&) {
      if (transactionLost() || !conn_ || PQstatus(conn_.get()) != CONNECTION_OK) throw;
      // Not a plain table after all (a view, say): the rows are read without their keys.
    }
  }
  if (!r) r = execute(sql, {}, {});
  if (PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
    const char* n = PQcmdTuples(r.get());
    result.changes = n && *n ? std::atoll(n) : 0;
    return result;
  }
  result.hasRows = true;
  const int total = PQnfields(r.get());
  const int first = withCtid ? 1 : 0;
  Oid table = InvalidOid;
  bool sameTable = withCtid;
  std::vector<Oid> types;
  for (int c = first; c < total; ++c) {
    ColumnInfo info;
    info.name = PQfname(r.get(), c);
    Oid t = PQftable(r.get(), c);
    int col = PQftablecol(r.get(), c);
    if (t == InvalidOid || col <= 0 || (table != InvalidOid && t != table)) sameTable = false;
    if (table == InvalidOid) table = t;
    if (t != InvalidOid && col > 0 && sameTable) info.origin = columnName(t, col);
    types.push_back(PQftype(r.get(), c));
    info.kind = kindOf(types.back());
    result.columns.push_back(std::move(info));
  }
  if (sameTable && table != InvalidOid) result.table = tableName(table);
  if (result.table.empty()) {
    for (auto& c : result.columns) c.origin.clear();
  }
  const int rows = PQntuples(r.get());
  const size_t n = result.columns.size();
  result.cells.reserve(static_cast<size_t>(rows) * n);
  if (!result.table.empty()) result.keys.reserve(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    if (!result.table.empty()) result.keys.push_back(keyOf(PQgetvalue(r.get(), i, 0)));
    for (size_t c = 0; c < n; ++c)
      appendCell(result.cells, r.get(), i, static_cast<int>(c) + first, types[c]);
  }
  return result;
}

namespace {

void toParams(const std::vector<vb::Variant>& values, std::vector<std::string>& params, std::vector<bool>& nulls) {
  for (const auto& v : values) {
    std::optional<std::string> t = paramText(v);
    params.push_back(t ? *t : std::string());
    nulls.push_back(!t);
  }
}

}  // namespace

RowKey PostgresBackend::insertRow(const std::string& table, const std::vector<std::string>& columns,
                                  const std::vector<vb::Variant>& values) {
  requireUsable();
  const std::string sql = insertStatement(table, columns, ParamMarks::Numbered) + " returning ctid";
  std::vector<std::string> params;
  std::vector<bool> nulls;
  toParams(values, params, nulls);
  Result r = execute(sql, params, nulls, true);
  return PQntuples(r.get()) == 1 ? keyOf(PQgetvalue(r.get(), 0, 0)) : -1;
}

RowKey PostgresBackend::updateRow(const std::string& table, RowKey key, const std::vector<std::string>& columns,
                                  const std::vector<vb::Variant>& values) {
  requireUsable();
  if (columns.empty()) return key;
  const std::string sql = updateStatement(table, columns, ParamMarks::Numbered) + "ctid=$" +
                          std::to_string(columns.size() + 1) + "::tid returning ctid";
  std::vector<std::string> params;
  std::vector<bool> nulls;
  toParams(values, params, nulls);
  params.push_back(ctidOf(key));
  nulls.push_back(false);
  Result r = execute(sql, params, nulls, true);
  if (PQntuples(r.get()) != 1)
    raise(err::EngineFailure, "The row was changed or deleted by another user since it was read; it was not updated.");
  return keyOf(PQgetvalue(r.get(), 0, 0));
}

void PostgresBackend::deleteRow(const std::string& table, RowKey key) {
  requireUsable();
  execute(deleteStatement(table) + "ctid=$1::tid", {ctidOf(key)}, {false}, true);
}

TxnId PostgresBackend::begin() {
  requireUsable();
  TxnId id = levels_.next();
  if (levels_.empty()) {
    lost_ = false;
    conflict_ = false;
    // Serializable: two programs writing the same period cannot both keep their rows; one of them
    // is told to give way and may run again.
    plain("BEGIN ISOLATION LEVEL SERIALIZABLE");
  } else {
    plain("SAVEPOINT " + savepointName(id));
  }
  levels_.push(id);
  return id;
}

void PostgresBackend::commit(TxnId level) {
  requireOpen();
  levels_.requireInnermost(level);
  try {
    if (transactionLost()) raiseTransactionEnded();
    if (levels_.size() == 1) {
      // COMMIT of a failed transaction rolls back without an error: that must not pass as a commit.
      if (PQtransactionStatus(conn_.get()) == PQTRANS_INERROR)
        raise(err::EngineFailure, "The transaction failed on the server and was not committed.");
      plain("COMMIT");
    } else {
      plain("RELEASE SAVEPOINT " + savepointName(level));
    }
  } catch (const vb::Error&) {
    if (isOpen(level)) rollback(level);
    throw;
  }
  levels_.popInnermost();
}

void PostgresBackend::rollback(TxnId level) {
  requireOpen();
  const bool lost = transactionLost();  // before the levels close (closeFrom refuses one not open)
  if (levels_.closeFrom(level) == 0) {
    if (PQstatus(conn_.get()) == CONNECTION_OK) Result(PQexec(conn_.get(), "ROLLBACK"));
    lost_ = false;
    return;
  }
  if (lost) return;
  std::string name = savepointName(level);
  plain("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name);
}

}  // namespace fw::db
