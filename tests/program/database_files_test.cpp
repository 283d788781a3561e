// The files a user makes a database from: the example's sites load into SQLite and PostgreSQL
// alike, and the workbook script makes an empty workbook the program runs over.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/error_log.h"
#include "app/launch.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/postgres_cluster.h"
#include "support/test_hdb.h"
#include "support/test_workbook.h"

namespace fw {
namespace {

namespace fs = std::filesystem;
using testing::ProgramFolder;
using testing::readFile;
using testing::runProgram;

const fs::path kSource = FLUMEWRIGHT_SOURCE_DIR;

// Loaded twice, as every example run loads it into a kept database: the sites are there once.
TEST(DatabaseFiles, TheExampleSitesLoadIntoSqliteAndPostgresAlike) {
  const std::string sites = readFile(kSource / "example" / "hdb_sites.sql");
  testing::TempFolder folder;
  const fs::path hdb = testing::makeHdb(folder.path(), "hdb.db");
  testing::execSql(hdb, sites);
  testing::execSql(hdb, sites);
  EXPECT_EQ(testing::countRows(hdb, "select * from rsite"), 10);
  EXPECT_EQ(testing::countRows(hdb, "select * from rsite where datatype_site_id=2109 and source='http://127.0.0.1:8080'"),
            1);

  FW_REQUIRE_POSTGRES();
  testing::PostgresCluster& c = *testing::PostgresCluster::get();
  const std::string database = c.makeDatabase();
  c.exec(database, sites);
  c.exec(database, sites);
  EXPECT_EQ(testing::countRows("postgresql:" + database, "select * from rsite"), 10);
  EXPECT_EQ(testing::countRows("postgresql:" + database,
                               "select * from rsite where datatype_site_id=10110 and unit='in' and hour_shift=0"),
            1);
}

TEST(DatabaseFiles, TheWorkbookScriptMakesAnEmptyWorkbookTheProgramRunsOver) {
  ProgramFolder p({}, {"IF; 0; Always; ; rday; -1; 1=1"});
  const fs::path book = p.folder / "Flumewright_HDB.xlsx";
  testing::ProgramRun make;
  make.program = "/usr/bin/python3";
  make.args = {(kSource / "scripts" / "make_workbook_hdb.py").string(), book.string()};
  make.workingFolder = p.folder.path();
  const testing::ProgramResult made = runProgram(make);
  ASSERT_EQ(made.status, 0) << made.output;
  // A second call leaves the workbook alone.
  EXPECT_NE(runProgram(make).status, 0);

  // One sheet per table of the schema, its first row the columns in the schema's order.
  const std::vector<std::string> rows = testing::readWorkbookWithPython(book);
  for (const char* header : {"rday|datatype_site_id|date_time|value|source",
                             "rdaymax|datatype_site_id|date|date_time|value|source",
                             "mhour|datatype_site_id|date_time|value|source|trace|run_id",
                             "rupdate|datatype_site_id|note|updated|value"})
    EXPECT_NE(std::find(rows.begin(), rows.end(), header), rows.end()) << header;
  EXPECT_EQ(rows.size(), 15u);  // the headers only

  p.useConnection(testing::workbookConnString(book));
  const testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_EQ(r.status, kExitFinished) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  const std::vector<std::string> after = testing::readWorkbookWithPython(book);
  EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const std::string& l) { return l.starts_with("rupdate|0|"); }),
            1)
      << p.log();
}

}  // namespace
}  // namespace fw
