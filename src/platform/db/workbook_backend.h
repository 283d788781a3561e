#pragma once
// A workbook database: an Office Open XML workbook (.xlsx) whose sheets are the tables, each with
// its first row as the column names. The sheets are loaded into an SQLite database in memory and
// every statement runs there; changes reach the file when the outermost transaction commits (a
// writer's pass), or at once for a change made outside any transaction. The file is written whole
// to a temporary file in the same folder, which is then renamed over the old one, so a crash leaves
// either the old workbook or the new one, never half of one.
//
// A lock file beside the workbook ("~$name.xlsx" of Excel, ".~lock.name.xlsx#" of LibreOffice)
// means another program has it open for writing: reading goes on, but every write is refused with
// a text naming the lock file, and the workbook is never written under the other program.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/backend.h"

namespace fw::db {

class SqliteBackend;

// The file is a workbook by its name (.xlsx, .xlsm, or the legacy .xls that is refused).
bool isWorkbookFile(const std::filesystem::path& file);

// The lock file another program keeps beside the workbook while it has it open; empty when none.
std::filesystem::path workbookLockFile(const std::filesystem::path& workbook);

// A write-back makes the new workbook in a temporary file beside it (".<name>.writing-XXXXXX")
// and holds a lock on that file until it is renamed over the workbook. Removes the ones that no
// program holds and that were not written in the last few seconds: the leavings of a program that
// was killed while it wrote.
void removeStaleWriteFiles(const std::filesystem::path& workbook);

class WorkbookBackend : public Backend {
 public:
  // Loads the workbook. A missing file raises "Could not find file"; a legacy .xls (or any file
  // that is not an .xlsx zip) raises EngineFailure with a text naming the conversion to .xlsx.
  // Opened for writing, it first removes stale write-back files beside it.
  WorkbookBackend(const std::filesystem::path& file, bool readOnly);
  ~WorkbookBackend() override;
  WorkbookBackend(const WorkbookBackend&) = delete;
  WorkbookBackend& operator=(const WorkbookBackend&) = delete;

  bool isOpen() const override;
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
  bool isOpen(TxnId level) const override;
  bool inTransaction() const override;
  bool transactionLost() const override;

  const std::filesystem::path& file() const { return file_; }

  // Called after the new workbook is complete in its temporary file and before it is renamed over
  // the old one, with the temporary file's path: lets a test fail or kill the write-back there.
  static std::function<void(const std::filesystem::path&)>& beforeRename();

 private:
  struct Stamp {
    std::filesystem::file_time_type time{};
    uintmax_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp stampNow() const;
  QueryResult runInMemory(const std::string& sql, RowUse use);
  static constexpr int kKeyBits = 40;
  RowKey outerKey(RowKey key) const;
  RowKey innerKey(RowKey key) const;
  void load();
  void reloadIfChanged();
  void writeBack();
  // Refuses a write: read-only, or another program holds the workbook.
  void requireWritable() const;
  // Runs work inside a transaction of its own and writes the workbook back after it, when no
  // transaction is open; inside one, runs it and marks the workbook changed.
  template <class Work>
  auto changing(Work work);

  std::filesystem::path file_;
  bool readOnly_ = false;
  std::unique_ptr<SqliteBackend> memory_;
  std::vector<std::string> sheetOrder_;  // the workbook's sheets as loaded, in their order
  Stamp loaded_;
  uint64_t generation_ = 0;  // how many times the file was loaded
  TxnId outermost_ = 0;
  bool changed_ = false;
};

}  // namespace fw::db
