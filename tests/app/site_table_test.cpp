#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/session.h"
#include "app/setup_data.h"
#include "app/site_table.h"
#include "setup_support.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::HdbEngine;

constexpr const char* kRows =
    "insert into rsite values ('1', 1001, 'Sample Creek', 1, 'flow', 'CFS', 'cubic feet per second', "
    "'00060', "
    "'USGS', 0, 'ID', 2.5, 'n');"
    "insert into rsite values ('12', -30012, 'My New Site', 30, 'runoff', 'Cfs', 'cfs', '-11,-12', "
    "'COMPUTE', 0, "
    "'-', NULL, NULL);"
    "insert into rsite values ('5', 10005, 'Upper Basin', 10, 'rainfall', NULL, 'inches', '', 'NEXRAD', 0, "
    "'-', "
    "-1, NULL);";

class SiteTableTest : public ::testing::TestWithParam<HdbEngine>, protected testing::SetupSession {
 protected:
  std::filesystem::path file;
  void SetUp() override {
    file = testing::makeHdb(folder.path());
    s.HdbConnString = GetParam() == HdbEngine::AdoSqlite ? testing::sqliteConnString(file)
                      : GetParam() == HdbEngine::Dao     ? testing::jetConnString(file)
                                                         : testing::jetConnString(file) + "|";
  }
  void expectClosed() {
    if (s.HdbUseDAO) {
      EXPECT_FALSE(s.HdbDb.isOpen());
      EXPECT_FALSE(s.HdbDaoRsOpen);
    } else {
      EXPECT_EQ(s.HdbCnn.State(), db::adStateClosed);
      EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
    }
  }
};

TEST_P(SiteTableTest, LoadsRsiteInDsidOrder) {
  testing::execSql(file, kRows);
  getrsite(s);
  EXPECT_EQ(s.HdbUseDAO, GetParam() == HdbEngine::Dao);
  ASSERT_EQ(s.SiteCount, 3);
  ASSERT_EQ(s.SiteList.rows(), 4);
  EXPECT_EQ(s.SiteList(1, 1).toLong(), -30012);
  EXPECT_EQ(s.SiteList(2, 1).toLong(), 30);
  EXPECT_EQ(s.SiteList(3, 1).toString(), "cfs");
  EXPECT_EQ(s.SiteList(4, 1).toString(), "-11,-12");
  EXPECT_EQ(s.SiteList(6, 1), vb::Variant(static_cast<int16_t>(0)));  // Null hour shift
  EXPECT_EQ(s.SiteList(7, 1).toString(), "COMPUTE");
  EXPECT_EQ(s.SiteList(1, 2).toLong(), 1001);
  EXPECT_EQ(s.SiteList(3, 2).toString(), "cfs");
  EXPECT_DOUBLE_EQ(s.SiteList(6, 2).toDouble(), 2.5);
  EXPECT_TRUE(s.SiteList(3, 3).isNull());
  EXPECT_DOUBLE_EQ(s.SiteList(6, 3).toDouble(), -1);
  EXPECT_TRUE(s.SiteList(0, 1).isEmpty());
  EXPECT_EQ(s.SiteList(5, 1).toString(), "-");  // the state
  EXPECT_EQ(s.SiteList(5, 2).toString(), "ID");
  EXPECT_TRUE(s.SiteList(1, 0).isEmpty());
  expectClosed();
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_P(SiteTableTest, ATwelveColumnTableNeverReadsPositionEleven) {
  testing::execSql(
      file,
      "drop table rsite;"
      "create table rsite (site_id text, datatype_site_id integer, site_name text, datatype_id integer, "
      "datatype_name text, unit text, unit_name text, parameter_code text, source text, site_digit "
      "integer, state text, hour_shift real);"
      "insert into rsite values ('1', 1001, 'a', 1, 'flow', 'CFS', 'cfs', '00060', 'USGS', 0, 'ID', 2.5);");
  getrsite(s);
  ASSERT_EQ(s.SiteCount, 1);
  EXPECT_EQ(s.SiteList(6, 1), vb::Variant(static_cast<int16_t>(0)));
  EXPECT_EQ(s.SiteList(7, 1).toString(), "USGS");
}

TEST_P(SiteTableTest, AnEmptyTableLeavesTheListAsItWas) {
  s.SiteList.redim(kSiteListColumns, 2);
  s.SiteList(1, 1) = vb::Variant(1001);
  s.SiteCount = 1;
  getrsite(s);
  EXPECT_EQ(s.SiteCount, 0);
  EXPECT_EQ(s.SiteList(1, 1).toLong(), 1001);
  expectClosed();
}

TEST_P(SiteTableTest, AMissingTableRaisesAndStillClosesTheConnection) {
  testing::execSql(file, "drop table rsite;");
  EXPECT_THROW(getrsite(s), vb::Error);
  expectClosed();
}

INSTANTIATE_TEST_SUITE_P(Engines, SiteTableTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

class SiteLoadInSetupTest : public ::testing::Test, protected testing::SetupSession {};

TEST_F(SiteLoadInSetupTest, SetupdataLoadsTheSitesOfTheSetupFilesDatabase) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  copyFixture("Level2RGB.txt", kLevel2RGBFile);
  copyFixture("Level3RGB2RainRateA2m.txt", kA2mRateFile);
  testing::execSql(makeFixtureHdb(), kRows);
  setupdata(s);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(s.SiteCount, 3);
  EXPECT_TRUE(s.HdbUseDAO);
  EXPECT_FALSE(s.HdbDb.isOpen());
}

TEST_F(SiteLoadInSetupTest, AFailedSiteLoadIsReportedOnceAndTheRestStillLoads) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  copyFixture("Level2RGB.txt", kLevel2RGBFile);
  copyFixture("Level3RGB2RainRateA2m.txt", kA2mRateFile);
  s.BatchMode = true;
  setupdata(s);  // no database beside the program
  ASSERT_EQ(s.errlog.written().size(), 1u);
  EXPECT_THAT(s.errlog.written()[0], HasSubstr("openHDB: "));
  EXPECT_EQ(s.StationCount, 5);
  EXPECT_EQ(s.FolderTag, folderTagFor(folder.path()));

  testing::execSql(makeFixtureHdb(), "drop table rsite;");
  setupdata(s);
  ASSERT_EQ(s.errlog.written().size(), 2u);
  EXPECT_THAT(s.errlog.written()[1], HasSubstr("rsite"));
  EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace fw
