#include <gtest/gtest.h>

#include <string>

#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "store/update_rows.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::execSql;
using testing::HdbEngine;

const vb::VbDate kWhen = vb::roundToSecond(45448.25);  // 06/05/2024 06:00

class UpdateRowsTest : public ::testing::TestWithParam<HdbEngine> {
 protected:
  void SetUp() override { file = testing::openTestHdb(s, GetParam()); }

  void lastUpdate(const std::string& dsid) {
    if (s.HdbUseDAO)
      hdblastupdateDAO(s, dsid, updated, value);
    else
      hdblastupdate(s, dsid, updated, value);
  }
  void update(const std::string& dsid, const std::string& note, const vb::Variant& when, double v) {
    if (s.HdbUseDAO)
      hdbupdateDAO(s, dsid, note, when, v);
    else
      hdbupdate(s, dsid, note, when, v);
  }
  // The row of the DSID as {note, updated, value}; value -1 stands for Null.
  std::tuple<std::string, vb::VbDate, double> row(const std::string& dsid) {
    testing::TestConnection b(file);
    db::QueryResult r = b.run("select * from rupdate where datatype_site_id=" + dsid);
    EXPECT_EQ(r.rowCount(), 1u) << dsid;
    if (r.rowCount() != 1) return {};
    EXPECT_EQ(r.cells[0].toLong(), std::stol(dsid));
    return {r.cells[1].toString(), r.cells[2].toDate(), r.cells[3].isNull() ? -1 : r.cells[3].toDouble()};
  }
  void expectSharedClosed() {
    EXPECT_EQ(s.HdbRs.State(), db::adStateClosed);
    EXPECT_FALSE(s.HdbDaoRsOpen);
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
  vb::VbDate updated = 123;
  double value = 456;
};

TEST_P(UpdateRowsTest, AMissingRowReadsAsZeroAndIsAddedByTheUpdate) {
  lastUpdate("2012");
  EXPECT_EQ(updated, 0);
  EXPECT_EQ(value, 0);
  update("2012", "Retrieved", vb::Variant::Date(kWhen), 3.5);
  EXPECT_EQ(row("2012"), std::make_tuple(std::string("Retrieved"), kWhen, 3.5));
  lastUpdate("2012");
  EXPECT_EQ(updated, kWhen);
  EXPECT_EQ(value, 3.5);
  EXPECT_EQ(s.LastError, "");
  expectSharedClosed();
}

TEST_P(UpdateRowsTest, NullColumnsReadAsZero) {
  execSql(file, "insert into rupdate values (2012, 'x', null, null);");
  lastUpdate("2012");
  EXPECT_EQ(updated, 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(s.LastError, "");
}

TEST_P(UpdateRowsTest, TheNoteIsCutTo98Characters) {
  const std::string note = std::string(98, 'a') + "bc";
  update("0", note, vb::Variant::Date(kWhen), 1);
  EXPECT_EQ(std::get<0>(row("0")), std::string(98, 'a'));
  update("0", "Last error:", vb::Variant::Date(kWhen + 1), 0);  // edited in place
  EXPECT_EQ(row("0"), std::make_tuple(std::string("Last error:"), kWhen + 1, 0.0));
}

TEST_P(UpdateRowsTest, TheRunoffSeriesWritesOnlyValuesAboveOne) {
  update("-30012", "Runoff", vb::Variant::Date(kWhen), 1);
  EXPECT_EQ(row("-30012"), std::make_tuple(std::string("Runoff"), kWhen, -1.0));  // new row: empty
  update("-30012", "Runoff", vb::Variant::Date(kWhen), 1.5);
  EXPECT_EQ(std::get<2>(row("-30012")), 1.5);
  update("-30012", "Later", vb::Variant::Date(kWhen + 1), 0.5);
  EXPECT_EQ(row("-30012"), std::make_tuple(std::string("Later"), kWhen + 1, 1.5));  // value kept
  update("-1", "Runoff Comp", vb::Variant::Date(kWhen), 0.5);                       // code 0: always written
  EXPECT_EQ(std::get<2>(row("-1")), 0.5);
  update("2012", "Flow", vb::Variant::Date(kWhen), 0.5);
  EXPECT_EQ(std::get<2>(row("2012")), 0.5);
}

TEST_P(UpdateRowsTest, FailuresGoToTheLogsAndLeaveTheRow) {
  update("2012", "Kept", vb::Variant::Date(kWhen), 2);
  update("2012", "Bad", vb::Variant("not a date"), 3);
  EXPECT_EQ(row("2012"), std::make_tuple(std::string("Kept"), kWhen, 2.0));
  EXPECT_EQ(s.LastError.rfind("06-05-2024 13:15 2012 HDBupdate  ", 0), 0u) << s.LastError;
  update("20x12", "Bad", vb::Variant::Date(kWhen), 3);
  EXPECT_EQ(s.LastError,
            "06-05-2024 13:15 20x12 HDBupdate  the datatype_site_id \"20x12\" is not a whole number");

  s.LastError.clear();
  lastUpdate("20x12");
  EXPECT_EQ(s.LastError, "20x12 hdblastupdate: the datatype_site_id \"20x12\" is not a whole number");
  EXPECT_EQ(updated, 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(s.form.Text1.Text.substr(s.form.Text1.Text.size() - 2), "\r\n");
  EXPECT_TRUE(t.ui.boxes.empty());
  expectSharedClosed();
}

INSTANTIATE_TEST_SUITE_P(Engines, UpdateRowsTest,
                         ::testing::Values(HdbEngine::Dao, HdbEngine::AdoJet, HdbEngine::AdoSqlite, HdbEngine::AdoPostgres),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

TEST(DsidDataType, NumberBeforeTheLastThreeCharacters) {
  struct Case {
    const char* dsid;
    int16_t code;
  } cases[] = {{"-30012", 30}, {"2012", 2}, {"-1", 0}, {"0", 0}, {"999", 0}, {"30001", 30}, {"x1001", 0}};
  for (const Case& c : cases) EXPECT_EQ(dsidDataType(c.dsid), c.code) << c.dsid;
}

}  // namespace
}  // namespace fw
