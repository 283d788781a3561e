// Forecast and snow-model lines run by the flumewright executable in batch mode against loopback
// services serving the services' own formats: the requests, the copies, the stored rows.
#include <gtest/gtest.h>

#include <algorithm>

#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

using testing::ProgramFolder;
using testing::readFile;
using testing::runProgram;

bool requested(const std::vector<std::string>& targets, const std::string& start) {
  return std::count_if(targets.begin(), targets.end(),
                       [&](const std::string& t) { return t.rfind(start, 0) == 0; }) == 1;
}

TEST(ForecastProgram, RiverPointModelAndSnowModelLinesAreStored) {
  testing::LoopbackHttpServer http;
  http.route("/nwps/v1/gauges/SACC1/stageflow", "forecasts/stageflow.json");
  http.route("/MapClick.php", "forecasts/digital_dwml.xml");
  http.route("/products/grib_index.php", "forecasts/spotwx_hrrr.html");
  http.route("/interactive/html/graph.html", "forecasts/snowcast_station.html");
  ProgramFolder p(
      {"NWPS Server=" + http.base(), "NWS Forecast Server=" + http.base(), "SpotWx Server=" + http.base(),
       "Snowcast Server=" + http.base(), "START DATE=02/10/2025 08:00", "Future Days=2",
       "Percent Missing Allowed= 100", "Write Unit Values= True", "Write Hourly Avg= True"},
      {"FORECAST-NWS,SACC1; 2501; Flow; Sacramento R; 0; 0; ",
       "FORECAST-NWS; 2502; Temp; Sacramento; 0; 38.58,-121.49; ",
       "FORECAST-NWS; 2503; Rain; Sacramento; 0; 38.58,-121.49; ",
       "FORECAST-HRRR-15; 2504; Temp; Sacramento; 0; 38.58,-121.49; ",
       "SNOWCAST,CAB34; -10045,-23045; Melt, SWE; Caples Lake; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('1', 2501, 'Sacramento R', 1, 'cfs', 'flow', 'CA'), "
      "('1', 2502, 'Sacramento', 17, 'F', 'temp', 'CA'), "
      "('1', 2503, 'Sacramento', 10, 'in', 'qpf', 'CA'), "
      "('1', 2504, 'Sacramento', 17, 'F', 'TMP', 'CA'), "
      "('45', -10045, 'Caples Lake', 10, 'in', 'melt', 'CA'), "
      "('45', -23045, 'Caples Lake', 23, 'in', 'swe', 'CA')");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env["TZ"] = "America/Los_Angeles";
  const testing::ProgramResult r = runProgram(run);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();

  const std::vector<std::string> targets = http.targets();
  EXPECT_TRUE(requested(targets, "/nwps/v1/gauges/SACC1/stageflow")) << ::testing::PrintToString(targets);
  EXPECT_TRUE(requested(targets, "/MapClick.php?lat=38.58&lon=-121.49&FcstType=digitalDWML"))
      << ::testing::PrintToString(targets);
  EXPECT_TRUE(requested(
      targets, "/products/grib_index.php?model=hrrr_wrfprsf&lat=38.58&lon=-121.49&tz=-8&display=table"))
      << ::testing::PrintToString(targets);
  EXPECT_TRUE(requested(targets, "/interactive/html/graph.html?data=1&region=us&units=0&station=CAB34"))
      << ::testing::PrintToString(targets);

  for (const char* dsid : {"2501", "2502", "2503", "2504", "-10045", "-23045"}) {
    for (const char* table : {"runit", "rhour", "rday"})
      EXPECT_GT(testing::countRows(p.hdb,
                                   std::string("select * from ") + table + " where datatype_site_id=" + dsid),
                0)
          << dsid << " " << table << "\n"
          << p.log() << r.output;
  }
  // The flow is stored in cfs (the reply gives kcfs).
  EXPECT_EQ(testing::countRows(p.hdb, "select * from runit where datatype_site_id=2501 and value > 20000"),
            testing::countRows(p.hdb, "select * from runit where datatype_site_id=2501"));
  EXPECT_NE(readFile(p.folder / "forcast.txt").find("NWSForecasts "), std::string::npos);
  EXPECT_NE(readFile(p.folder / "Spotwx.txt").find("n DATETIME TMP DPT"), std::string::npos);
  EXPECT_EQ(readFile(p.folder / "snowcast.txt").substr(0, 15), "SNOWCAST CAB34\n");
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

}  // namespace
}  // namespace fw
