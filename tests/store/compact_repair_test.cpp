// Daily compaction with its backup: run in a temporary program folder.
#include <gtest/gtest.h>

#include "platform/vb/error.h"
#include "store/compact_repair.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

namespace fs = std::filesystem;
using testing::countRows;
using testing::execSql;
using testing::makeHdb;

struct CompactTest : ::testing::Test {
  testing::TestSession t;
  Session& s = t.s;
  fs::path db;
  fs::path backupFolder;

  void SetUp() override {
    db = makeHdb(t.folder.path(), "Basin.mdb");
    execSql(db,
            "insert into rday values (1001, #06/01/2024#, 12.5, 2); insert into rday values (1001, "
            "#06/02/2024#, 13, 2)");
    s.HdbFile = db.string();
    s.HdbUseDAO = true;
    backupFolder = t.folder.path() / "BatchBackup";
  }
  int storedRows(const fs::path& file) { return countRows(file, "select * from rday"); }
  std::string corrupted() const {
    return db.string() +
           " may be corrupted.  Copy your *_backup.mdb to a safe location before proceeding...  Then delete "
           "the "
           "*_new.mdb and try Compact & Repair again.";
  }
};

TEST_F(CompactTest, CompactsAndKeepsTheOldFileAsBackup) {
  CompactRepair(s);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(storedRows(db), 2);
  EXPECT_TRUE(fs::exists(backupFolder / "Basin_backup.mdb"));
  EXPECT_FALSE(fs::exists(backupFolder / "Basin_new.mdb"));
  EXPECT_EQ(storedRows(backupFolder / "Basin_backup.mdb"), 2);

  // The next day the old backup gives way to the database of that day.
  execSql(db, "insert into rday values (1001, #06/03/2024#, 14, 2)");
  CompactRepair(s);
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(storedRows(db), 3);
  EXPECT_EQ(storedRows(backupFolder / "Basin_backup.mdb"), 3);
  EXPECT_FALSE(fs::exists(backupFolder / "Basin_new.mdb"));
}

TEST_F(CompactTest, ALeftoverNewFileStopsBeforeAnythingIsTouched) {
  fs::create_directory(backupFolder);
  testing::writeFile(backupFolder / "Basin_new.mdb", "partial");
  CompactRepair(s);
  EXPECT_EQ(s.LastError, corrupted());
  EXPECT_EQ(storedRows(db), 2);
  EXPECT_FALSE(fs::exists(backupFolder / "Basin_backup.mdb"));
  EXPECT_EQ(testing::readFile(backupFolder / "Basin_new.mdb"), "partial");
}

TEST_F(CompactTest, AFailedFinalRenameMovesTheDatabaseBack) {
  CompactFileOps ops = systemFileOps();
  const auto real = ops.rename;
  ops.rename = [&](const fs::path& from, const fs::path& to) {
    if (from.filename() == "Basin_new.mdb") vb::raise(vb::err::PathFileAccess);
    real(from, to);
  };
  CompactRepair(s, ops);
  EXPECT_EQ(s.LastError, "CompactRepair: Path/File access error");
  ASSERT_TRUE(fs::exists(db));
  EXPECT_EQ(storedRows(db), 2);
  EXPECT_FALSE(fs::exists(backupFolder / "Basin_backup.mdb"));
  // The compacted copy stays and holds later attempts until someone looks at it.
  EXPECT_TRUE(fs::exists(backupFolder / "Basin_new.mdb"));
  s.LastError.clear();
  CompactRepair(s);
  EXPECT_EQ(s.LastError, corrupted());
}

TEST_F(CompactTest, BaseNameIsCutAtTheFirstDot) {
  const fs::path dotted = t.folder.path() / "a.b.mdb";
  fs::rename(db, dotted);
  s.HdbFile = dotted.string();
  CompactRepair(s);
  EXPECT_EQ(s.LastError, "");
  EXPECT_TRUE(fs::exists(backupFolder / "a_backup.mdb"));
  EXPECT_EQ(storedRows(dotted), 2);

  const fs::path plain = t.folder.path() / "basin";
  fs::rename(dotted, plain);
  s.HdbFile = plain.string();
  CompactRepair(s);
  EXPECT_EQ(s.LastError, "CompactRepair: Invalid procedure call or argument");
  EXPECT_EQ(storedRows(plain), 2);
}

TEST_F(CompactTest, ADatabaseInUseIsLeftAlone) {
  s.DaoEngine.emplace();
  db::DaoDatabase open = s.DaoEngine->OpenDatabase(db.string());
  CompactRepair(s);
  EXPECT_EQ(s.LastError.rfind("CompactRepair: ", 0), 0u) << s.LastError;
  EXPECT_GT(s.LastError.size(), std::string("CompactRepair: ").size());
  open.Close();
  EXPECT_EQ(storedRows(db), 2);
  EXPECT_FALSE(fs::exists(backupFolder / "Basin_backup.mdb"));
  EXPECT_FALSE(fs::exists(backupFolder / "Basin_new.mdb"));
}

}  // namespace
}  // namespace fw
