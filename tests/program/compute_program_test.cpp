// COMPUTE, LOOKUP and FILE station lines run by the flumewright executable in batch mode, over
// stored values and files in the program folder.
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

struct ComputeProgram {
  testing::TempFolder folder;
  std::filesystem::path hdb = testing::makeHdb(folder.path(), "Flumewright_HDB.db");
  std::string log, output;
  int status = -1;

  void setup(const std::string& lines) {
    testing::writeFile(
        folder / "Flumewright_setup.txt",
        "Write Unit Values= True\r\n"
        "START DATE=06/05/2024 12:00\r\n"
        "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n"
        "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n" +
            lines + "END\r\n");
  }
  void site(int dsid, const std::string& name, const std::string& parameterCode, int datatype = 1) {
    testing::execSql(
        hdb,
        "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
        "state) values ('" +
            std::to_string(dsid) + "', " + std::to_string(dsid) + ", '" + name + "', " +
            std::to_string(datatype) + ", 'cfs', '" + parameterCode + "', 'AZ');");
  }
  // Hourly values k = 0.. at the run day's hour k + 1 (from the day before when fromDayBefore).
  void storeHours(const std::string& table, int dsid, const std::vector<double>& values, int firstHour = 1) {
    std::string sql;
    for (size_t k = 0; k < values.size(); ++k)
      sql += "insert into " + table + " values (" + std::to_string(dsid) + ", " +
             db::dayLiteral(vb::roundToSecond(kRunDay + (static_cast<int>(k) + firstHour) / 24.0)) + ", " +
             std::to_string(values[k]) + ", 2);";
    testing::execSql(hdb, sql);
  }
  void run() {
    testing::ProgramRun r;
    r.args = {"BATCH"};
    r.workingFolder = folder.path();
    const testing::ProgramResult result = testing::runProgram(r);
    ASSERT_FALSE(result.timedOut);
    status = result.status;
    output = result.output;
    log = testing::readFile(folder / kErrorLogName);
  }
  std::vector<std::pair<std::string, double>> stored(const std::string& table, int dsid) {
    db::SqliteBackend b(hdb, true);
    db::QueryResult q = b.run("select date_time, value from " + table +
                              " where datatype_site_id=" + std::to_string(dsid) + " order by date_time");
    std::vector<std::pair<std::string, double>> out;
    for (size_t i = 0; i < q.rowCount(); ++i)
      out.emplace_back(q.cells[i * 2].toString(), q.cells[i * 2 + 1].toDouble());
    return out;
  }
};

TEST(ComputeProgram, ALookupHourLineStoresTheRatedValues) {
  ComputeProgram p;
  p.setup("LOOKUP-HOUR; -3001; Flow; Rated R; ; ; \r\n");
  p.site(-3001, "Rated R", "2001, stage.rat");
  testing::writeFile(p.folder / "stage.rat", "Stage\tFlow\n1\t10\n2\t40\n4\t160\n");
  p.storeHours("rhour", 2001, {3, 0.5, 8});
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  // An hourly line's values are stored as its unit values, one an hour.
  const auto rows = p.stored("runit", -3001);
  ASSERT_EQ(rows.size(), 3u) << p.log << p.output;
  EXPECT_NEAR(rows[0].second, 100, 1e-6);
  EXPECT_NEAR(rows[1].second, -5, 1e-6);
  EXPECT_NEAR(rows[2].second, 400, 1e-6);
}

TEST(ComputeProgram, ComputeLinesStoreTheirRowsAndExportsAndMissingOutsidePartsFailCleanly) {
  ComputeProgram p;
  p.setup(
      "COMPUTE-HOUR; -4001; Flow; Three In; ; ; P1+P2*P3\r\n"
      "COMPUTE-HOUR; -4002; Flow; One In; ; ; P1*2\r\n"
      "COMPUTE-HOUR; -4003; Gauge Ratio; Ratio R; ; 0.05,1,3; P1/P2\r\n"
      "COMPUTE-GET-HOUR; -4004; Flow; Imported; ; ; \r\n"
      "COMPUTE-PUT; -4005; Rain INTENS; Gauge; 0; RAIN1.txt; \r\n"
      "COMPUTE-PUT; -4005; Rain; Gauge; 0; out.dss; \r\n"
      "COMPUTE-GET-SWMM; -4006; Flow; Swmm; ; ; \r\n"
      "COMPUTE-HOUR; -4007; Gauge Ratio; Dry Gauge R; ; 0.01,1,3; P1/P2\r\n");
  p.site(-4001, "Three In", "1001,1002,1003");
  p.site(-4002, "One In", "1001");
  p.site(-4003, "Ratio R", "1001,1002");
  p.site(-4004, "Imported", "req.txt");
  p.site(-4005, "Gauge", "-4005");
  p.site(-4006, "Swmm", "x.out");
  p.site(-4007, "Dry Gauge R", "1011,1002");
  p.storeHours("rhour", 1001, {1, 2, 3});
  p.storeHours("rhour", 1002, {10, 20});
  p.storeHours("rhour", 1003, {5, 6, 7});
  p.storeHours("rhour", 1011, {0.5, 0, 0});
  std::string sql;
  for (int k = 1; k <= 3; ++k)
    sql += "insert into runit values (-4005, " + db::dayLiteral(vb::roundToSecond(kRunDay + k * 5 / 1440.0)) +
           ", 0.01, 2);";
  testing::execSql(p.hdb, sql);
  const std::filesystem::path other = testing::makeHdb(p.folder.path(), "other.db");
  testing::execSql(other,
                   "create table obs (t datetime, v double);"
                   "insert into obs values (#06/05/2024 05:00#, 7.5);"
                   "insert into obs values (#06/05/2024 06:00#, 8.5);");
  testing::writeFile(p.folder / "req.txt",
                     "Title: obs\r\nTable: rhour\r\nSource: " + testing::sqliteConnString(other) +
                         "\r\nQuery: select t, v from obs where t between #DAY1# and #DAY2#\r\n");
  testing::writeFile(p.folder / "out.dss", "kept");
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;

  auto values = [&](int dsid) {
    std::vector<double> v;
    for (const auto& r : p.stored("runit", dsid)) v.push_back(r.second);
    return v;
  };
  // Input 2 misses 03:00: its 02:00 value is carried.
  EXPECT_EQ(values(-4001), (std::vector<double>{51, 122, 143})) << p.log << p.output;
  EXPECT_EQ(values(-4002), (std::vector<double>{2, 4, 6}));
  const std::vector<double> ratio = values(-4003);
  ASSERT_EQ(ratio.size(), 3u) << p.log;
  EXPECT_NEAR(ratio[0], 0.1, 1e-6);
  EXPECT_NEAR(ratio[2], 1, 1e-6);  // no radar at 03:00: the default ratio
  // A gauge minimum of 0.01 trusts the dry gauge at 02:00: ratio 0, not the carried 0.05.
  const std::vector<double> dry = values(-4007);
  ASSERT_EQ(dry.size(), 3u) << p.log;
  EXPECT_NEAR(dry[0], 0.05, 1e-6);
  EXPECT_NEAR(dry[1], 0, 1e-9);
  EXPECT_NEAR(dry[2], 1, 1e-6);
  EXPECT_EQ(values(-4004), (std::vector<double>{7.5, 8.5})) << testing::readFile(p.folder / "computeIn.txt");
  EXPECT_EQ(values(-4005).size(), 3u);  // the export stores nothing
  EXPECT_EQ(testing::readFile(p.folder / "RAIN1.txt").substr(0, 8), "; RUNIT;");
  EXPECT_EQ(testing::readFile(p.folder / "out.dss"), "kept");
  // Without HEC's library the export fails saying which file was looked for.
  EXPECT_NE(p.log.find("HEC-DSS library not found: libhecdss.so"), std::string::npos) << p.log;
  EXPECT_NE(p.log.find("GetSWMM open error: "), std::string::npos) << p.log << p.output;
  EXPECT_NE(p.output.find("Overwrite: RAIN1.txt"), std::string::npos) << p.output;
}

TEST(ComputeProgram, AFileLineStoresTheColumnOfATextFile) {
  ComputeProgram p;
  p.setup("FILE-4; -4101; Flow; Logger; ; ; \r\n");
  p.site(-4101, "Logger", "logger.txt");
  testing::writeFile(
      p.folder / "logger.txt",
      "Date;Time;A;Flow\n06/05/2024 01:00;x;y;1,5\n06/05/2024 02:00;x;y;2,5\n06/05/2024 03:00;x;y;3\n");
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  std::vector<double> values;
  for (const auto& r : p.stored("runit", -4101)) values.push_back(r.second);
  EXPECT_EQ(values, (std::vector<double>{1.5, 2.5, 3})) << p.log << p.output;
}

}  // namespace
}  // namespace fw
