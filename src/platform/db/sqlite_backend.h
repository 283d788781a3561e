#pragma once
// The SQLite backend: one database file, prepared statements kept for reuse, nested
// transactions as savepoints.
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/db/backend.h"
#include "platform/db/backend_support.h"

struct sqlite3;
struct sqlite3_stmt;

namespace fw::db {

class SqliteBackend : public Backend {
 public:
  // Opens an existing file; never creates one (a missing file raises EngineFailure with
  // "Could not find file 'PATH'.").
  SqliteBackend(const std::filesystem::path& file, bool readOnly);
  // A new, empty database that lives in memory only (a workbook's sheets are loaded into one).
  struct InMemory {};
  explicit SqliteBackend(InMemory);
  ~SqliteBackend() override;
  SqliteBackend(const SqliteBackend&) = delete;
  SqliteBackend& operator=(const SqliteBackend&) = delete;

  bool isOpen() const override { return db_ != nullptr; }
  bool readOnly() const override { return readOnly_; }
  void close() override;

  using Backend::run;
  QueryResult run(const std::string& sql, RowUse use) override;
  std::unique_ptr<RowStream> stream(const std::string& sql) override;
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
  bool transactionLost() const override;

  // How long a statement waits for another connection's lock before it fails with "database is
  // locked". A run is unattended: the default waits out an editor's or another program's write.
  static constexpr int kBusyTimeoutMs = 60000;
  void setBusyTimeout(int milliseconds);

  // Writes a compacted copy of this database into a new file (VACUUM INTO).
  void compactInto(const std::filesystem::path& destination);

  const std::filesystem::path& file() const { return file_; }

 private:
  struct StmtDeleter {
    void operator()(sqlite3_stmt* s) const;
  };
  using Stmt = std::unique_ptr<sqlite3_stmt, StmtDeleter>;

  sqlite3_stmt* cached(const std::string& sql);
  Stmt prepare(const std::string& sql, bool requireWhole);
  void exec(const std::string& sql);
  void requireOpen() const;
  // requireOpen, and no statement while the engine has ended a transaction still open here.
  void requireUsable() const;
  [[noreturn]] void fail(int rc) const;
  void step(sqlite3_stmt* stmt);

  sqlite3* db_ = nullptr;
  std::filesystem::path file_;
  bool readOnly_ = false;
  bool wal_ = false;
  std::unordered_map<std::string, Stmt> cache_;
  TransactionLevels levels_;
  size_t lastRowCount_ = 0;
  // The last insert's table, columns and statement (owned by cache_): a writer adds its rows one
  // by one with the same columns, and this saves building and looking up the text for each.
  std::string insertTable_;
  std::vector<std::string> insertColumns_;
  sqlite3_stmt* insertStmt_ = nullptr;
};

// Makes a new SQLite file from an SQL script (the HDB schema). Raises EngineFailure when the
// file exists or the script fails; a failed script leaves no file behind.
void createSqliteDatabase(const std::filesystem::path& file, const std::string& script);

// How many backends of this process hold the file open (compaction refuses an open file: on Linux
// a rename under an open connection would send its later writes to the moved file).
int openCount(const std::filesystem::path& file);

// Whether databases opened for writing on a local disk use the write-ahead log (the default);
// false keeps the rollback journal with full syncs for every file, for a local folder that other
// machines reach through a share.
void setSqliteWriteAheadLog(bool on);
bool sqliteWriteAheadLog();

// Whether a statfs file-system type is one that other machines share (NFS, SMB/CIFS, remote FUSE
// mounts, cluster file systems), and whether the file's folder lies on one.
bool isNetworkFileSystemType(long type);
bool onNetworkFileSystem(const std::filesystem::path& file);

}  // namespace fw::db
