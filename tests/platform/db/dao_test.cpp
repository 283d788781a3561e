#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/db/ado.h"
#include "platform/db/connection_string.h"
#include "platform/db/dao.h"
#include "platform/db/error.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::db {
namespace {

using fw::testing::countRows;
using fw::testing::execSql;

int32_t errorNumber(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const vb::Error& e) {
    return e.number();
  }
  return 0;
}

std::string errorText(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const vb::Error& e) {
    return e.description();
  }
  return "";
}

class DaoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = fw::testing::makeHdb(folder.path());
    execSql(file,
            "insert into rhour values (1001, #06/05/2024 10:00#, 1, 2);"
            "insert into rhour values (1001, #06/05/2024 11:00#, 2, 5);"
            "insert into rhour values (1001, #06/05/2024 12:00#, 3, 2);");
    engine.ProgramFolder = folder.path();
    db = engine.OpenDatabase(file.string());
  }
  int stored() { return countRows(file, "select * from rhour"); }

  fw::testing::TempFolder folder;
  std::filesystem::path file;
  DaoEngine engine;
  DaoDatabase db;
  const std::string all = "select * from rhour where datatype_site_id=1001 order by date_time;";
};

TEST_F(DaoTest, DynasetDeletesAndAddsAtOnce) {
  DaoRecordset rs = db.OpenRecordset(all, dbOpenDynaset);
  rs.MoveNext();
  rs.Delete();
  EXPECT_EQ(stored(), 2);
  rs.MoveNext();
  EXPECT_EQ(rs.Fields(2).Value().toDouble(), 3);  // the deleted row is skipped
  rs.AddNew();
  rs.Fields(0) = "1001";
  rs.Fields(1) = vb::Variant::Date(45448.5 + 1 / 24.0);
  rs.Fields(2) = 4.0;
  rs.Fields(3) = int16_t(2);
  rs.Update();
  EXPECT_EQ(stored(), 3);
  EXPECT_EQ(rs.Fields(2).Value().toDouble(), 3);  // the current row stays where it was
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveLast();
  EXPECT_EQ(rs.Fields(2).Value().toDouble(), 4);

  rs.MoveFirst();
  EXPECT_EQ(errorNumber([&] { rs.Fields(2) = 9.0; }), err::NotAllowed);  // no Edit yet
  rs.Edit();
  rs.Fields(2) = 9.0;
  rs.Update();
  EXPECT_EQ(countRows(file, "select * from rhour where value=9"), 1);
  EXPECT_EQ(errorNumber([&] { rs.Update(); }), err::NotAllowed);  // Update without AddNew or Edit
  rs.Close();
}

// New rows that set different fields, one after another: each row's values land in its own
// columns, whichever row came before.
TEST_F(DaoTest, AddedRowsWithDifferentFieldsKeepTheirColumns) {
  DaoRecordset rs = db.OpenRecordset(all, dbOpenDynaset);
  struct Added {
    double hour;
    bool withSource;
  };
  for (const Added& a : {Added{13, true}, Added{14, false}, Added{15, true}, Added{16, false}}) {
    rs.AddNew();
    rs.Fields(0) = int32_t(1001);
    rs.Fields(1) = vb::Variant::Date(45448 + a.hour / 24.0);
    rs.Fields(2) = a.hour;
    if (a.withSource) rs.Fields(3) = int16_t(5);
    rs.Update();
  }
  rs.Close();
  EXPECT_EQ(countRows(file, "select * from rhour where value in (13, 15) and source=5"), 2);
  EXPECT_EQ(countRows(file, "select * from rhour where value in (14, 16) and source is null"), 2);
}

TEST_F(DaoTest, SnapshotIsReadOnlyAndAnEmptyTableCountsZero) {
  DaoRecordset rs = db.OpenRecordset(all, dbOpenSnapshot);
  EXPECT_EQ(errorNumber([&] { rs.Delete(); }), err::NotAllowed);
  EXPECT_EQ(errorNumber([&] { rs.AddNew(); }), err::NotAllowed);
  DaoRecordset empty = db.OpenRecordset("select * from rsite order by datatype_site_id;", dbOpenSnapshot);
  empty.MoveLast();  // an empty table loads as no records, without an error
  EXPECT_EQ(empty.RecordCount(), 0);
  EXPECT_TRUE(empty.Eof());
}

TEST_F(DaoTest, ExecuteRunsPlainDaySerialsAndTransactionsRollBack) {
  execSql(file, "insert into rdaymax values (1001, 45294, #01/03/2024 06:00#, 7, 2);"
                "insert into rdaymax values (1001, 45301, #01/10/2024 06:00#, 8, 2);");
  db.BeginTrans();
  db.Execute("delete from rdaymax where datatype_site_id=1001 and date between 45294 and 45300;");
  EXPECT_EQ(db.RecordsAffected, 1);
  DaoRecordset rs = db.OpenRecordset(all);
  rs.Delete();
  rs.Close();
  db.Rollback();
  EXPECT_EQ(countRows(file, "select * from rdaymax"), 2);
  EXPECT_EQ(stored(), 3);
  EXPECT_EQ(errorNumber([&] { db.Execute("select * from rhour;"); }), err::ExecuteSelect);
  EXPECT_EQ(errorNumber([&] { db.Execute("delete from rhour where;"); }), err::FaultyCommand);
}

TEST_F(DaoTest, ReadOnlyDatabaseRefusesWrites) {
  DaoDatabase ro = engine.OpenDatabase(file.string(), false, true);
  DaoRecordset rs = ro.OpenRecordset(all, dbOpenDynaset);
  EXPECT_EQ(errorNumber([&] { rs.Delete(); }), err::NotAllowed);
  EXPECT_EQ(errorNumber([&] { ro.Execute("delete from rhour;"); }), err::EngineFailure);
}

TEST_F(DaoTest, CompactDatabaseWritesANewFileAndRefusesAnOpenSource) {
  std::filesystem::path dest = folder / "hdb_new.mdb";
  EXPECT_EQ(errorNumber([&] { engine.CompactDatabase(file.string(), dest.string()); }), err::DatabaseInUse);
  db.Close();
  engine.CompactDatabase(file.string(), dest.string());
  EXPECT_EQ(countRows(dest, "select * from rhour"), 3);
  EXPECT_EQ(errorNumber([&] { engine.CompactDatabase(file.string(), dest.string()); }), err::DatabaseExists);
}

std::string journalMode(const std::filesystem::path& file) {
  SqliteBackend b(file, true);
  const QueryResult r = b.run("PRAGMA journal_mode;");
  return r.rowCount() ? vb::LCase(r.cells.at(0).toString()) : "";
}

// A database written on a local disk uses the write-ahead log while it is open and is a file on
// its own (rollback journal, no log beside it) once the last connection closes; shared folders
// keep the rollback journal throughout.
TEST_F(DaoTest, AWrittenDatabaseLogsAheadWhileOpenAndIsWholeInItsFileWhenClosed) {
  EXPECT_EQ(journalMode(file), "wal");
  db.Execute("insert into rhour values (1001, #06/05/2024 13:00#, 3, 2)");
  db.Close();
  EXPECT_EQ(journalMode(file), "delete");
  EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
  EXPECT_EQ(countRows(file, "select * from rhour"), 4);

  for (long type : {0x6969L, 0x517BL, 0xFF534D42L, 0xFE534D42L, 0x65735546L})
    EXPECT_TRUE(isNetworkFileSystemType(type)) << std::hex << type;
  for (long type : {0xEF53L, 0x01021994L, 0x58465342L, 0x9123683EL})  // ext4, tmpfs, XFS, Btrfs
    EXPECT_FALSE(isNetworkFileSystemType(type)) << std::hex << type;
}

// A run killed after its commit leaves its passes in the log beside the file: compaction takes
// them over, and the log is not left to be applied to the compacted file.
TEST_F(DaoTest, CompactionKeepsThePassesAKilledRunLeftInItsLog) {
  db.Close();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SqliteBackend b(file, false);
    b.run("insert into rhour values (1001, '2024-06-05 13:00:00', 3, 2);");
    ::_exit(0);  // no close: the log stays as a killed run leaves it
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(std::filesystem::exists(file.string() + "-wal"));
  const std::filesystem::path dest = folder / "hdb_new.mdb";
  engine.CompactDatabase(file.string(), dest.string());
  EXPECT_EQ(countRows(dest, "select * from rhour"), 4);
  EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
}

TEST(ConnectionString, ProvidersAndWindowsPaths) {
  fw::testing::TempFolder folder;
  std::filesystem::path file = fw::testing::makeHdb(folder.path(), "Basin.mdb");

  EXPECT_FALSE(parseConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb").aposDates);
  EXPECT_TRUE(parseConnectionString("Provider=SQLite;Data Source=x.mdb").aposDates);
  const DataSourceSpec workbook =
      parseConnectionString("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=b.xlsx;Extended Properties=Excel 12.0;");
  EXPECT_EQ(workbook.kind, SourceKind::Workbook);
  EXPECT_EQ(workbook.dataSource, "b.xlsx");
  EXPECT_EQ(errorNumber([] { parseConnectionString("Provider=SQLOLEDB;Data Source=server"); }), err::UnknownProvider);
  EXPECT_EQ(connectionValue("Provider=SQLite; data source = \"a b.mdb\" ;", "Data Source"), "a b.mdb");

  // A path written on Windows is found by its file name in the program folder, in any case.
  EXPECT_EQ(resolveDataSource("C:\\Hydro\\Basin.mdb", folder.path()), file);
  EXPECT_EQ(resolveDataSource("D:\\x\\BASIN.MDB", folder.path()), file);
  EXPECT_EQ(resolveDataSource("|DataDirectory|\\Basin.mdb", folder.path()), file);
  EXPECT_EQ(resolveDataSource("Basin.mdb", folder.path()), file);
  EXPECT_EQ(errorText([&] { resolveDataSource("C:\\Hydro\\Other.mdb", folder.path()); }),
            "Could not find file 'C:\\Hydro\\Other.mdb'.");

  AdoConnection cnn;
  cnn.ProgramFolder = folder.path();
  cnn.ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Hydro\\Basin.mdb;";
  cnn.Open();
  EXPECT_EQ(cnn.State(), adStateOpen);
  EXPECT_FALSE(cnn.aposDates());

  AdoConnection missing;
  missing.ConnectionString = "Provider=SQLite;Data Source=" + (folder / "nothere.db").string();
  EXPECT_EQ(errorNumber([&] { missing.Open(); }), err::EngineFailure);
  EXPECT_FALSE(std::filesystem::exists(folder / "nothere.db"));  // opening never creates a database
}

}  // namespace
}  // namespace fw::db
