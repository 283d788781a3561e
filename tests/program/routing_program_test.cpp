// A ROUTE station line run by the flumewright executable in batch mode, over stored unit values.
#include <gtest/gtest.h>

#include <cmath>

#include "app/error_log.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

constexpr int32_t kRunDay = 45448;  // 06/05/2024

TEST(RoutingProgram, ARouteUnitLineStoresTheRoutedUnitValues) {
  testing::TempFolder folder;
  const std::filesystem::path hdb = testing::makeHdb(folder.path(), "Flumewright_HDB.db");
  testing::writeFile(folder / "Flumewright_setup.txt",
                     "Write Unit Values= True\r\n"
                     "START DATE=06/05/2024 12:00\r\n"
                     "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n"
                     "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n"
                     "ROUTE-unit; -1500; Flow; Routed R; ; ; \r\n"
                     "END\r\n");
  testing::writeFile(folder / "route.txt",
                     "Upper river to the town\r\nGET 1 1001 Upper\r\nROUTE Muskingum-Cunge reach.txt\r\nEND\r\n");
  testing::writeFile(folder / "reach.txt", "Name\tFlow\tK\tX\tReaches\r\nlow\t100\t1\t0.2\t2\r\nhigh\t1000\t3\t0.1\t4\r\n");
  std::string sql =
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) values "
      "('500', -1500, 'Routed R', 1, 'cfs', 'route.txt', 'AZ');";
  // Five-minute inflows from the day before the run day to the day after: one flood wave.
  for (int k = 0; k <= 2 * 288; ++k)
    sql += "insert into runit values (1001, " + db::dayLiteral(vb::roundToSecond(kRunDay - 1 + k / 288.0)) + ", " +
           std::to_string(40 + 500 * std::exp(-std::pow((k - 320) / 40.0, 2))) + ", 2);";
  testing::execSql(hdb, sql);

  testing::ProgramRun run;
  run.args = {"BATCH"};
  run.workingFolder = folder.path();
  const testing::ProgramResult r = testing::runProgram(run);
  const std::string log = testing::readFile(folder / kErrorLogName);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << log;

  // Routein.txt holds the routed values from the run day on; runit holds them under the line's
  // DSID with the routing's source.
  const std::string routein = testing::readFile(folder / "Routein.txt");
  ASSERT_EQ(routein.substr(0, 18), "Routing from HDB\r\n") << log;
  std::vector<std::string> rows = vb::Split(routein.substr(18), "\n");
  rows.pop_back();
  ASSERT_EQ(rows.size(), 289u);
  EXPECT_EQ(vb::Split(rows.front(), "\t")[1], "2024-06-05 00:00");

  db::SqliteBackend b(hdb, true);
  db::QueryResult stored =
      b.run("select value, source from runit where datatype_site_id=-1500 order by date_time");
  ASSERT_GE(stored.rowCount(), 288u) << log << r.output;
  for (size_t i = 0; i < stored.rowCount(); ++i) {
    EXPECT_NEAR(stored.cells[i * 2].toDouble(), std::stod(vb::Split(rows[i], "\t")[2]), 1e-9) << i;
    EXPECT_EQ(stored.cells[i * 2 + 1].toInteger(), 10) << i;
  }
}

}  // namespace
}  // namespace fw
