#include <gtest/gtest.h>

#include <string>

#include "platform/db/sqlite_backend.h"
#include "store/model_run_tables.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;

class ModelRunTablesTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, GetParam());
    s.RunId = 12;
    s.TraceNo = 3;
    s.LastRunStart = 45448.5;
  }
  void mrun(const std::string& dsid, vb::VbDate when, const std::string& description,
            const std::string& kind) {
    if (s.HdbUseDAO)
      hdbmrunDAO(s, dsid, when, description, kind);
    else
      hdbmrun(s, dsid, when, description, kind);
  }
  void mrundsid(const std::string& dsid, double number, const std::string& text1, const std::string& note,
                const std::string& text2) {
    if (s.HdbUseDAO)
      hdbmrundsidDAO(s, dsid, number, text1, note, text2);
    else
      hdbmrundsid(s, dsid, number, text1, note, text2);
  }
  db::QueryResult query(const std::string& sql) {
    testing::TestConnection b(file);
    return b.run(sql);
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_P(ModelRunTablesTest, TheRunsRowIsAddedThenUpdated) {
  mrun("1001", 45447, "STATION1", "Run");
  s.TraceNo = 4;
  s.LastRunStart = 45448.75;
  mrun("2002", 45446, "STATION2", "Mrun");
  db::QueryResult r = query("select * from mrun");
  ASSERT_EQ(r.rowCount(), 1u);
  EXPECT_EQ(r.cells[0].toLong(), 12);
  EXPECT_EQ(r.cells[1].toDate(), 45448.75);
  EXPECT_EQ(r.cells[2].toDate(), 45446);
  EXPECT_EQ(r.cells[3].toLong(), 4);
  EXPECT_EQ(r.cells[4].toString(), "2002");
  EXPECT_EQ(r.cells[5].toString(), "Mrun");
  EXPECT_EQ(r.cells[6].toString(), "STATION2");
  EXPECT_EQ(s.LastError, "");
}

TEST_P(ModelRunTablesTest, TheSeriesRowIsAddedThenUpdatedWithTheNotesEnd) {
  mrundsid("1001", 1.5, "first", "short", "a");
  const std::string note = std::string(45, 'x') + std::string(255, 'y');
  mrundsid("1001", 2.5, "second", note, "b");
  s.TraceNo = 4;
  mrundsid("1001", 3.5, "other trace", "n", "c");
  db::QueryResult r = query("select * from mrundsid order by trace");
  ASSERT_EQ(r.rowCount(), 2u);
  const std::vector<vb::Variant> first(r.cells.begin(), r.cells.begin() + 8);
  EXPECT_EQ(first[0].toLong(), 12);
  EXPECT_EQ(first[1].toLong(), 3);
  EXPECT_EQ(first[2].toLong(), 1001);
  EXPECT_EQ(first[3].toDouble(), 2.5);
  EXPECT_EQ(first[4].toString(), "second");
  EXPECT_EQ(first[5].toLong(), 1);
  EXPECT_EQ(first[6].toString(), std::string(255, 'y'));
  EXPECT_EQ(first[7].toString(), "b");
  EXPECT_EQ(s.LastError, "");
  EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
  EXPECT_FALSE(s.HdbDaoRsOpen);
}

TEST_P(ModelRunTablesTest, FailuresAreLoggedWithTheWritersWord) {
  testing::execSql(file, "drop table mrun;");
  mrun("1001", 45447, "X", "Run");
  EXPECT_EQ(s.LastError.rfind("06-05-2024 13:15 1001 HDBmrun  ", 0), 0u) << s.LastError;
  mrundsid("1001 or 1=1", 1, "", "", "");
  EXPECT_EQ(
      s.LastError,
      "06-05-2024 13:15 1001 or 1=1 HDBmrundsid  the datatype_site_id \"1001 or 1=1\" is not a whole number");
  EXPECT_EQ(query("select * from mrundsid").rowCount(), 0u);
  EXPECT_EQ(s.errlog.written().size(), 2u);
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_P(ModelRunTablesTest, MrundsidExistsLooksUpTheRunAndSeries) {
  mrundsid("1001", 1, "", "", "");
  // It opens the database itself (over DAO read-only, as outside a run).
  EXPECT_TRUE(MrundsidExists(s, "12", "1001"));
  EXPECT_FALSE(MrundsidExists(s, "13", "1001"));
  EXPECT_FALSE(MrundsidExists(s, "12", "1001;drop table mrundsid"));
}

INSTANTIATE_TEST_SUITE_P(Engines, ModelRunTablesTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

TEST(MrundsidExistsTest, FalseWhenTheDatabaseCannotBeOpened) {
  testing::TestSession t;
  t.s.BatchMode = true;
  t.s.HdbConnString = testing::jetConnString(t.folder / "missing.mdb");
  EXPECT_FALSE(MrundsidExists(t.s, "12", "1001"));
  EXPECT_EQ(t.s.LastError.rfind("openHDB: ", 0), 0u) << t.s.LastError;
}

}  // namespace
}  // namespace fw
