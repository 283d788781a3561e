#pragma once
// The PostgreSQL backend: one server connection over libpq. Dates are timestamp columns, read and
// written as VbDate at whole seconds; the session's DateStyle is ISO, MDY so that month-first date
// texts mean what they mean in the program. The outermost transaction is SERIALIZABLE, so that
// two programs writing the same period end with one pass's rows or the other's; inner levels and
// every statement inside a transaction are savepoints, so a refused row (a duplicate key) does not
// abort the pass, as it does not on SQLite.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/backend.h"
#include "platform/db/backend_support.h"

struct pg_conn;
struct pg_result;

namespace fw::db {

class PostgresBackend : public Backend {
 public:
  // Connects with the libpq keywords and values (connection_string.h: postgresParameters). A
  // failure raises EngineFailure with libpq's message, which never holds the password.
  PostgresBackend(const std::vector<std::pair<std::string, std::string>>& parameters, bool readOnly);
  ~PostgresBackend() override;
  PostgresBackend(const PostgresBackend&) = delete;
  PostgresBackend& operator=(const PostgresBackend&) = delete;

  bool isOpen() const override { return conn_ != nullptr; }
  bool readOnly() const override { return readOnly_; }
  void close() override;

  using Backend::run;
  QueryResult run(const std::string& sql, RowUse use) override;
  RowKey insertRow(const std::string& table, const std::vector<std::string>& columns,
                   const std::vector<vb::Variant>& values) override;
  RowKey updateRow(const std::string& table, RowKey key, const std::vector<std::string>& columns,
                   const std::vector<vb::Variant>& values) override;
  void deleteRow(const std::string& table, RowKey key) override;

  TxnId begin() override;
  void commit(TxnId level) override;
  void rollback(TxnId level) override;
  bool isOpen(TxnId level) const override { return levels_.isOpen(level); }
  bool inTransaction() const override { return !levels_.empty(); }
  bool transactionLost() const override { return lost_ && !levels_.empty(); }
  bool lostToConflict() const override { return conflict_; }
  SqlTarget sqlTarget() const override { return SqlTarget::Postgres; }

 private:
  struct ConnCloser {
    void operator()(pg_conn* c) const;
  };
  struct ResultClearer {
    void operator()(pg_result* r) const;
  };
  using Result = std::unique_ptr<pg_result, ResultClearer>;

  void requireOpen() const;
  void requireUsable();
  // Runs a statement with text parameters; inside a transaction it is wrapped in a savepoint so
  // that its failure undoes only itself. Raises the server's error.
  // prepared: the statement is prepared once per connection and reused (the row writes).
  Result execute(const std::string& sql, const std::vector<std::string>& params,
                 const std::vector<bool>& nulls, bool prepared = false);
  // The name of the statement prepared for sql, preparing it first when needed.
  const std::string& preparedName(const std::string& sql, int paramCount);
  Result plain(const std::string& sql);
  Result guardedStatement(const std::string& sql, const std::vector<const char*>& values, const std::string* name);  // no savepoint; raises on failure
  [[noreturn]] void fail(pg_result* result);
  void reconnectIfLost();
  std::string columnName(unsigned int tableOid, int column);
  std::string tableName(unsigned int tableOid);

  std::unique_ptr<pg_conn, ConnCloser> conn_;
  bool readOnly_ = false;
  TransactionLevels levels_;
  bool lost_ = false;
  bool conflict_ = false;
  bool settingsDone_ = false;
  uint64_t preparedCount_ = 0;
  std::map<std::pair<unsigned int, int>, std::string> columnNames_;
  std::map<unsigned int, std::string> tableNames_;
  std::map<std::string, std::string> prepared_;
};

}  // namespace fw::db
