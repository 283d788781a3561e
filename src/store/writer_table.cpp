#include "store/writer_table.h"

#include "platform/db/error.h"

namespace fw {
namespace {

bool lost(const std::shared_ptr<db::Backend>& backend) {
  return backend && backend->isOpen() && backend->transactionLost();
}

// ADO: the shared recordset with lock type 4. Its batch is written row by row inside a level of
// its own, so a refused row fails at its own Update and the rows before it stay pending; the
// batch update sends what is pending, and the pass transaction around it decides what stays.
class AdoWriterTable : public WriterTable {
 public:
  explicit AdoWriterTable(Session& s) : s_(s) {}

  void beginPass() override { s_.HdbCnn.BeginTrans(); }
  void commitPass() override { s_.HdbCnn.CommitTrans(); }
  void rollbackPass() override {
    if (s_.HdbRs.State() != db::adStateClosed) s_.HdbRs.Close();
    // A commit the server refused (another program's write came first) has undone it already.
    if (s_.HdbCnn.InTransaction()) s_.HdbCnn.RollbackTrans();
  }
  bool passLost() override { return lost(s_.HdbCnn.backend()); }
  bool passLostToConflict() override {
    const auto& b = s_.HdbCnn.backend();
    return b && b->isOpen() && b->lostToConflict();
  }

  void closeShared() override {
    if (s_.HdbRs.State() != db::adStateClosed) s_.HdbRs.Close();
  }
  void execute(const std::string& sql) override {
    s_.HdbRs.Open(sql, s_.HdbCnn);
    closeShared();
  }
  void deleteSelected(const std::string& sql) override { s_.HdbCnn.Execute(sql); }
  void openRows(const std::string& sql) override {
    s_.HdbRs.LockType = db::adLockBatchOptimistic;
    s_.HdbRs.Open(sql, s_.HdbCnn);
  }
  bool atEnd() override { return s_.HdbRs.Eof(); }
  vb::Variant field(int position) override { return s_.HdbRs.Value(position); }
  void moveNext() override { s_.HdbRs.MoveNext(); }
  void moveFirst() override { s_.HdbRs.MoveFirst(); }
  void deleteRow() override { s_.HdbRs.Delete(); }
  void sendDeletions() override { s_.HdbRs.UpdateBatch(db::adAffectAll); }

  void addRow(const std::vector<vb::Variant>& columns) override { s_.HdbRs.AddRow(columns); }
  void appendRow(const std::vector<vb::Variant>& columns) override { s_.HdbRs.InsertRow(columns); }
  void sendAdditions() override { s_.HdbRs.UpdateBatch(db::adAffectAll); }
  bool find(const std::string& criterion) override {
    s_.HdbRs.Find(criterion, 0, 1);
    return !s_.HdbRs.Eof();
  }
  void overwrite(const std::vector<vb::Variant>& columns) override { write(columns); }

 private:
  void write(const std::vector<vb::Variant>& columns) {
    try {
      for (size_t i = 0; i < columns.size(); ++i) s_.HdbRs.Fields(static_cast<int>(i)) = columns[i];
      s_.HdbRs.Update();
    } catch (const vb::Error&) {
      if (s_.HdbRs.State() != db::adStateClosed) s_.HdbRs.CancelUpdate();
      throw;
    }
  }

  Session& s_;
};

// DAO: the shared dynaset; every delete and every new row reaches the table at once.
class DaoWriterTable : public WriterTable {
 public:
  explicit DaoWriterTable(Session& s) : s_(s) {}

  void beginPass() override { s_.HdbDb.BeginTrans(); }
  void commitPass() override { s_.HdbDb.CommitTrans(); }
  void rollbackPass() override {
    closeShared();
    s_.HdbDb.Rollback();
  }
  bool passLost() override { return lost(s_.HdbDb.backend()); }

  void closeShared() override {
    if (!s_.HdbDaoRsOpen) return;
    s_.HdbDaoRsOpen = false;
    s_.HdbDaoRs.Close();
  }
  void execute(const std::string& sql) override { s_.HdbDb.Execute(sql); }
  void deleteSelected(const std::string& sql) override { s_.HdbDb.Execute(sql); }
  void openRows(const std::string& sql) override {
    s_.HdbDaoRs = s_.HdbDb.OpenRecordset(sql, db::dbOpenDynaset);
    s_.HdbDaoRsOpen = true;
  }
  bool atEnd() override { return s_.HdbDaoRs.Eof(); }
  vb::Variant field(int position) override { return s_.HdbDaoRs.Value(position); }
  void moveNext() override { s_.HdbDaoRs.MoveNext(); }
  void moveFirst() override { s_.HdbDaoRs.MoveFirst(); }
  void deleteRow() override { s_.HdbDaoRs.Delete(); }
  void sendDeletions() override {}

  void addRow(const std::vector<vb::Variant>& columns) override { s_.HdbDaoRs.AddRow(columns); }
  void appendRow(const std::vector<vb::Variant>& columns) override { s_.HdbDaoRs.InsertRow(columns); }
  void sendAdditions() override {}
  // A DAO database is never a workbook.
  bool find(const std::string&) override { db::raiseNotAllowed(); }
  void overwrite(const std::vector<vb::Variant>&) override { db::raiseNotAllowed(); }

 private:
  Session& s_;
};

}  // namespace

std::unique_ptr<WriterTable> makeWriterTable(Session& s, WriterForm form) {
  if (form == WriterForm::DaoImmediate) return std::make_unique<DaoWriterTable>(s);
  return std::make_unique<AdoWriterTable>(s);
}

}  // namespace fw
