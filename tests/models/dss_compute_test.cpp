// COMPUTE exports and imports of HEC-DSS series through the store over the fake DSS 7 library:
// three days of 15-minute values out and back in.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/session.h"
#include "compute/hdbcompute.h"
#include "models/dss_store.h"
#include "platform/db/dialect.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::models {
namespace {

constexpr int32_t kDay = 45448;  // 06/05/2024

TEST(DssCompute, AnExportOf289ValuesIsReadBackByAnImport) {
  fw::testing::TestSession t;
  Session& s = t.s;
  const std::filesystem::path hdb = fw::testing::openTestHdb(s, fw::testing::HdbEngine::AdoSqlite);
  s.RealtimeMode = true;
  s.BatchMode = true;
  s.form.Check6.Value = 1;
  s.UnitSeries.assign(10, SeriesPoint{});
  std::vector<std::string> told;
  s.services.dss = std::make_shared<HecDssStore>([] { return std::string(FW_FAKE_HECDSS); },
                                                 [&told](const std::string& text) { told.push_back(text); });
  const std::string calls = (t.folder / "calls.txt").string();
  ::setenv("FW_FAKE_DSS_CALLS", calls.c_str(), 1);

  std::string sql;
  for (int k = 0; k < 289; ++k)
    sql += "insert into runit values (9419700, " +
           db::dayLiteral(vb::roundToSecond(kDay - 2 + k * 15 / 1440.0)) + ", " + std::to_string(k * 0.25) +
           ", 2);";
  fw::testing::execSql(hdb, sql);

  SourceCall put;
  put.SourceType = 11;
  put.StationId = "COMPUTE-PUT-15UNIT";
  put.Dsid = "9419700";
  put.DatatypeName = "Flow";
  put.UnitText = "cfs";
  put.SiteName = "LAS VEGAS WASH";
  put.DatatypeCode = 30;
  put.SiteState = "NV";
  put.FirstDay = kDay - 2;
  put.LastDay = kDay;
  put.Triples[1] = {"0", "flows.dss", ""};
  compute::hdbcompute(s, put);
  ASSERT_EQ(put.Error, "OK");
  const std::vector<std::string> stored = vb::readLines(calls);
  ASSERT_GE(stored.size(), 2u);
  EXPECT_EQ(stored[1],
            "store /NV700/9419700 LAS VEGAS WASH/FLOW//15MIN/MSA/|02 Jun 2024|2400|289|CFS|INST-VAL|1|0||0");
  EXPECT_EQ(told.size(), 1u);  // the new file was announced

  fw::testing::writeFile(t.folder / "req.txt",
                         "Title: wash\r\nTable: runit\r\nSource: flows.dss\r\n"
                         "Path: /NV700/9419700 LAS VEGAS WASH/FLOW/01JUN2024/15MIN/MSA/\r\n");
  SourceCall get;
  get.SourceType = 11;
  get.StationId = "COMPUTE-GET-15UNIT";
  get.ParameterCode = "req.txt";
  get.Dsid = "-5000";
  get.FirstDay = kDay - 2;
  get.LastDay = kDay;
  compute::hdbcompute(s, get);
  ::unsetenv("FW_FAKE_DSS_CALLS");
  ASSERT_EQ(get.Error, "");
  EXPECT_EQ(vb::readLines(calls).at(4),
            "retrieve /NV700/9419700 LAS VEGAS WASH/FLOW//15MIN/MSA/|02 Jun 2024|2400|05 Jun 2024|2400|289");
  const std::vector<std::string> lines = vb::splitLines(get.RetrievalText);
  ASSERT_EQ(lines.size(), 290u);
  EXPECT_EQ(lines[1], "Z\t2024-06-03 00:00\t 0 \t 16 \t");
  EXPECT_EQ(lines[2], "Z\t2024-06-03 00:15\t .25 \t 16 \t");
  EXPECT_EQ(lines[289], "Z\t2024-06-06 00:00\t 72 \t 16 \t");
}

}  // namespace
}  // namespace fw::models
