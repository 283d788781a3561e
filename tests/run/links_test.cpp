#include "run/links.h"

#include <gtest/gtest.h>

#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;

TEST(RunLinks, SelectGivesTheFirstRowOrTheLargestValueAndKeepsLastErrorOnSuccess) {
  testing::TestSession t;
  auto file = testing::openTestHdb(t.s, HdbEngine::Dao);
  testing::execSql(
      file,
      "insert into rhour values (1045, 45448.0, 3, 0); insert into rhour values (1045, 45448.5, 7, 0);"
      "insert into rhour values (1045, 45449.0, 5, 0)");
  openRunDatabase(t.s);
  t.s.LastError = "earlier";
  QueryResult first =
      runSelect(t.s, "select value from rhour where datatype_site_id=1045 order by date_time");
  EXPECT_FALSE(first.eof);
  EXPECT_EQ(first.first.toDouble(), 3);
  closeSelect(t.s);
  QueryResult all = runSelect(t.s, "select value from rhour where datatype_site_id=1045", -99);
  EXPECT_EQ(all.largest, 7);
  closeSelect(t.s);
  QueryResult most = runSelect(t.s, "SELECT MAX(value) as maxrday FROM rhour where datatype_site_id=1045;");
  EXPECT_FALSE(most.eof);  // an aggregate has its one row
  EXPECT_EQ(most.first.toDouble(), 7);
  closeSelect(t.s);
  QueryResult none = runSelect(t.s, "select value from rhour where datatype_site_id=9", -99);
  EXPECT_TRUE(none.eof);
  EXPECT_FALSE(none.failed);
  EXPECT_EQ(none.largest, -99);
  EXPECT_EQ(t.s.LastError, "earlier");
  closeSelect(t.s);

  QueryResult bad = runSelect(t.s, "select nothing from nowhere");
  EXPECT_TRUE(bad.failed);
  EXPECT_TRUE(bad.eof);
  EXPECT_EQ(t.s.LastError.rfind("GetCurrentCNNsql: ", 0), 0u) << t.s.LastError;
  closeRunDatabase(t.s);
}

TEST(RunLinks, ClosingADaoDatabaseNotesItsSizeInWholeMegabytes) {
  testing::TestSession t;
  testing::openTestHdb(t.s, HdbEngine::Dao);
  openRunDatabase(t.s);
  struct Case {
    uintmax_t bytes;
    const char* text;
  } cases[] = {{5120000, ", HDB size= 5 MB"}, {1535999, ", HDB size= 1 MB"}};
  for (const Case& c : cases) {
    auto sized = t.folder / "sized.mdb";
    testing::writeFile(sized, "");
    std::filesystem::resize_file(sized, c.bytes);
    t.s.HdbFile = sized.string();
    closeRunDatabase(t.s);
    EXPECT_EQ(t.s.HdbSizeText, c.text);
  }

  testing::TestSession ado;
  testing::openTestHdb(ado.s, HdbEngine::AdoSqlite);
  openRunDatabase(ado.s);
  ado.s.HdbSizeText = ", HDB size= 5 MB";
  closeRunDatabase(ado.s);
  EXPECT_EQ(ado.s.HdbSizeText, "");
  EXPECT_EQ(ado.s.HdbCnn.State(), db::adStateClosed);
}

}  // namespace
}  // namespace fw
