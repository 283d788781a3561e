// A gauge line in batch through the USGS Water Data API stores what the same readings served as
// RDB store: with "USGS Service=Water Data", and with NWIS when its instantaneous-values path
// answers that it is gone.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "program_folder.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

const char* const kItems = "/ogcapi/v0/collections/continuous/items";

// The rows of a table for the line's series, one text per row.
std::vector<std::string> rowsOf(const std::filesystem::path& hdb, const std::string& table) {
  std::vector<std::string> out;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(hdb.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return out;
  }
  const std::string sql = "select printf('%.6f %.4f', date_time, value) from " + table +
                          " where datatype_site_id=1101 order by date_time";
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
    while (sqlite3_step(st) == SQLITE_ROW)
      out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

struct Stored {
  std::vector<std::string> runit, rhour, rday;
  std::string log;
  std::vector<std::string> targets;
};

// One batch run of the gauge line against a server the test set up.
Stored runGauge(testing::LoopbackHttpServer& http, const std::vector<std::string>& extra) {
  std::vector<std::string> settings = {"USGS Server=" + http.base(),
                                       "USGS Legacy Server=" + http.base(),
                                       "USGS Water Data Server=" + http.base(),
                                       "START DATE=2024-06-05 13:15",
                                       "Write Unit Values= True",
                                       "Write Hourly Avg= True"};
  settings.insert(settings.end(), extra.begin(), extra.end());
  testing::ProgramFolder p(settings, {"09380000; 1101; Flow; Colorado R; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 1101, 'Colorado R', 1, 'cfs', '60', 'AZ')");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env["TZ"] = "America/Phoenix";  // the gauge's own zone, so local clock times agree
  const testing::ProgramResult r = runProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("09380000 1101 "), 0) << p.log();
  return {rowsOf(p.hdb, "runit"), rowsOf(p.hdb, "rhour"), rowsOf(p.hdb, "rday"), p.log(), http.targets()};
}

TEST(WaterDataProgram, BothRoadsStoreTheSameRowsAndAGoneServiceFallsBackOnce) {
  testing::LoopbackHttpServer rdb;
  rdb.route("/nwis/iv/", "usgs/iv_lees_ferry.rdb");
  const Stored nwis = runGauge(rdb, {});
  ASSERT_EQ(nwis.runit.size(), 149u) << nwis.log;
  ASSERT_GE(nwis.rhour.size(), 30u);
  ASSERT_GE(nwis.rday.size(), 1u);

  testing::LoopbackHttpServer api;
  api.route(kItems, "usgs/waterdata/continuous_page1.json");
  api.routeQuery(kItems, "cursor=", "usgs/waterdata/continuous_page2.json");
  const Stored waterData = runGauge(api, {"USGS Service=Water Data", "USGS API Key=abc123"});
  ASSERT_EQ(waterData.targets.size(), 2u);
  EXPECT_EQ(waterData.targets[0].find(std::string(kItems) + "?monitoring_location_id=USGS-09380000&"), 0u);
  EXPECT_EQ(waterData.runit, nwis.runit);
  EXPECT_EQ(waterData.rhour, nwis.rhour);
  EXPECT_EQ(waterData.rday, nwis.rday);
  EXPECT_EQ(waterData.log.find("abc123"), std::string::npos);

  testing::LoopbackHttpServer gone;
  gone.routeText("/nwis/iv/", "<html><body><h1>410 Gone</h1></body></html>", 410);
  gone.route(kItems, "usgs/waterdata/continuous_page1.json");
  gone.routeQuery(kItems, "cursor=", "usgs/waterdata/continuous_page2.json");
  const Stored fallBack = runGauge(gone, {"USGS Service=NWIS"});
  ASSERT_EQ(fallBack.targets.size(), 3u);
  EXPECT_EQ(fallBack.targets[0].find("/nwis/iv/?sites=09380000"), 0u);
  EXPECT_EQ(fallBack.runit, nwis.runit);
  EXPECT_EQ(fallBack.rhour, nwis.rhour);
  EXPECT_EQ(fallBack.rday, nwis.rday);
  const std::string said = "the USGS instantaneous-values service answered HTTP 410 (gone)";
  EXPECT_NE(fallBack.log.find(said), std::string::npos) << fallBack.log;
  EXPECT_EQ(fallBack.log.find(said), fallBack.log.rfind(said));
}

}  // namespace
}  // namespace fw
