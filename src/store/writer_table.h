#pragma once
// The table operations of one writer pass, over the shared recordset of the engine in use: ADO
// collects deletions and additions and sends each kind in one batch; DAO changes rows at once.
// Every operation raises vb::Error with the engine's number and description.
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/vb/variant.h"
#include "store/series_writer.h"

namespace fw {

class WriterTable {
 public:
  virtual ~WriterTable() = default;

  // The pass transaction. rollbackPass also drops whatever is pending on the recordset.
  virtual void beginPass() = 0;
  virtual void commitPass() = 0;
  virtual void rollbackPass() = 0;
  // The engine ended the pass transaction by itself (a full disk, an I/O error): nothing more of
  // the pass may run.
  virtual bool passLost() = 0;
  // The engine ended the pass because another writer's transaction conflicted with it.
  virtual bool passLostToConflict() { return false; }

  virtual void closeShared() = 0;
  virtual void execute(const std::string& sql) = 0;  // the period delete
  // Runs a delete beside the open rows, which stay open as they are.
  virtual void deleteSelected(const std::string& sql) = 0;
  virtual void openRows(const std::string& sql) = 0;  // the period's stored rows, for changing
  virtual bool atEnd() = 0;
  virtual vb::Variant field(int position) = 0;
  virtual void moveNext() = 0;
  virtual void moveFirst() = 0;
  virtual void deleteRow() = 0;
  virtual void sendDeletions() = 0;  // whole or not at all, as sendAdditions
  // Adds a row with the columns in order. A row the database refuses raises its error and is
  // dropped; the rows before it stay pending.
  virtual void addRow(const std::vector<vb::Variant>& columns) = 0;
  // The same for a row the pass never reads back: the recordset does not keep it.
  virtual void appendRow(const std::vector<vb::Variant>& columns) = 0;
  // Sends what is pending (ADO's batch update of all records). It reaches the table whole or not
  // at all.
  virtual void sendAdditions() = 0;
  // Workbook path: Find forward from the current row; overwriting the found row's columns.
  virtual bool find(const std::string& criterion) = 0;
  virtual void overwrite(const std::vector<vb::Variant>& columns) = 0;
};

std::unique_ptr<WriterTable> makeWriterTable(Session& s, WriterForm form);

}  // namespace fw
