// A runoff line run by the flumewright executable in batch mode: hourly rain stored in rhour, the
// curve-number model with a triangle unit graph, "runoffIn.txt", "Runoff.txt" and the stored
// series; a second run starting from the storage the first one stored.
#include <gtest/gtest.h>

#include <cmath>

#include "app/error_log.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

constexpr int32_t kStormDay = 45446;  // 06/03/2024

// lag 2 h, CN 75 with wet 90 and dry 60, no constant loss or recovery (the soil keeps what the
// storm left), 10 square miles, one triangle of ratio 1.5, no groundwater; "Runoff.txt" on.
const char* const kParameters = "2,75,0,0,10,1.5,0,0,0,0,0,90,60,0,1,0,0,1,0,0,0,0.2,0,0.7,0,Lag0,-1";

const char* const kLine = "COMPUTE-HOUR; 30101; Runoff; Test Basin; 5; %; P1; 0; Triangle Unit Graph; ";

std::string stationLine() {
  std::string line = kLine;
  line.replace(line.find('%'), 1, kParameters);
  return line;
}

void addSites(const std::filesystem::path& hdb, bool rain) {
  std::string sql =
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) values "
      "('101', 30101, 'Test Basin', 30, 'cfs', '10101,27101', 'AZ');"
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) values "
      "('101', 10101, 'Test Gauge', 10, 'in', '00045', 'AZ');"
      "insert into rupdate values (0, 'Last error:', " + db::dayLiteral(kStormDay) + ", 0);";
  // Half an inch an hour from 10:00 to 15:00 on the storm day: 3 inches.
  if (rain)
    for (int h = 10; h <= 15; ++h)
      sql += "insert into rhour values (10101, " + db::dayLiteral(kStormDay + h / 24.0) + ", 0.5, 1);";
  testing::execSql(hdb, sql);
}

std::vector<std::string> fieldsOf(const std::string& row) { return vb::Split(row, "\t"); }

// The rows of "Runoff.txt" after its five header lines.
std::vector<std::string> runoffRows(const std::string& text) {
  std::vector<std::string> lines = vb::Split(text, "\r\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines.size() > 5 ? std::vector<std::string>(lines.begin() + 5, lines.end()) : std::vector<std::string>{};
}

double storedDay(const std::filesystem::path& hdb, int dsid, int32_t day) {
  db::SqliteBackend b(hdb, false);
  db::QueryResult r = b.run("select value from rday where datatype_site_id=" + std::to_string(dsid) +
                            " and date_time=" + db::dayLiteral(day));
  return r.rowCount() == 0 ? -1e9 : r.cells[0].toDouble();
}

TEST(RunoffProgram, ARunoffLineWritesItsInputTableAndSeriesAndTheNextRunStartsFromItsStorage) {
  testing::ProgramFolder p({"START DATE=06/05/2024 12:00", "Write Hourly Avg= True"}, {stationLine()});
  addSites(p.hdb, true);
  testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << p.log() << r.output;
  EXPECT_EQ(p.count("Reminder that Runoff.txt output file is turned on."), 1) << p.log();

  // runoffIn.txt: an hourly row from the storm day 00:00 to the end of the future day, the rain at
  // its hours with its source, the seasonal ET where no ET series is stored.
  const std::string input = testing::readFile(p.folder / "runoffIn.txt");
  ASSERT_EQ(input.substr(0, 18), "HDB RAIN and ETo\r\n") << p.log();
  std::vector<std::string> rows = vb::Split(input.substr(18), "\n");
  rows.pop_back();
  ASSERT_EQ(rows.size(), 97u);
  EXPECT_EQ(fieldsOf(rows[0])[1], "2024-06-03 00:00");
  EXPECT_EQ(fieldsOf(rows[0])[2], " 0 ");
  EXPECT_EQ(fieldsOf(rows[0])[4], " 1 ");  // the source of the next rain point
  EXPECT_EQ(fieldsOf(rows[10])[1], "2024-06-03 10:00");
  EXPECT_EQ(fieldsOf(rows[10])[2], " .5 ");
  EXPECT_EQ(fieldsOf(rows[96])[1], "2024-06-07 00:00");
  EXPECT_NEAR(std::stod(fieldsOf(rows[15])[3]), 0.0, 0.05);

  // Runoff.txt: the header and one row per value line. The storm passes the initial
  // abstraction (0.2 × 3.333 in) in its second hour: 1 in of rain gives (1 − .6667)² ÷ (1 + 2.6667)
  // = .030303 in of excess, of which half the triangle's peak (2 × 645.33 × 10 ÷ 5 hours of base)
  // arrives in the same hour.
  const std::string table = testing::readFile(p.folder / "Runoff.txt");
  ASSERT_EQ(table.substr(0, table.find("\r\n")), "30101 Runoff cfs Test Basin");
  EXPECT_FALSE(std::filesystem::exists(p.folder / "Runoff.txt.writing"));
  std::vector<std::string> steps = runoffRows(table);
  ASSERT_EQ(steps.size(), 97u) << table;
  std::vector<std::string> f = fieldsOf(steps[11]);
  ASSERT_EQ(f.size(), 13u);
  EXPECT_EQ(f[0], "2024-06-03 11:00 ");
  EXPECT_EQ(f[2], " .5 ");
  EXPECT_EQ(f[4], " .030303 ");
  EXPECT_NEAR(std::stod(f[7]), 0.030303030303 * 2581.32 / 2, 1e-6);
  // After the storm the retention has lost what the soil kept: 3.3333 − (3 − .960784).
  const double keptS1 = 10.0 / 3 - (3 - 0.9607843137);
  EXPECT_NEAR(std::stod(fieldsOf(steps[30])[5]), keptS1, 1e-6);
  double excess = 0;
  for (const std::string& row : steps) excess += std::stod(fieldsOf(row)[4]);
  EXPECT_NEAR(excess, 0.9607843137, 1e-5);

  // The flows in rhour, the states at the start of every day in rday.
  db::SqliteBackend b(p.hdb, false);
  EXPECT_GE(b.run("select value from rhour where datatype_site_id=30101").rowCount(), 48u) << p.log();
  for (int dsid : {30101, 4101, -4101, 5101})
    EXPECT_GE(b.run("select value from rday where datatype_site_id=" + std::to_string(dsid)).rowCount(), 3u)
        << dsid << p.log();
  EXPECT_NEAR(storedDay(p.hdb, 4101, kStormDay), 10.0 / 3, 1e-5);
  EXPECT_NEAR(storedDay(p.hdb, 4101, kStormDay + 1), keptS1, 1e-5);
  EXPECT_NEAR(storedDay(p.hdb, -4101, kStormDay + 1), 3.0, 1e-5);
  EXPECT_NEAR(storedDay(p.hdb, 5101, kStormDay + 1), 0.0, 1e-9);

  // The next day's run with "Last Run's Storage" starts its window (a day before its first day)
  // from the storage stored for that day.
  std::string setup = testing::readFile(p.folder / "Flumewright_setup.txt");
  setup.replace(setup.find("START DATE=06/05/2024"), 21, "START DATE=06/06/2024");
  setup = "Last Runoff Run's Storage= True\r\n" + setup;
  testing::writeFile(p.folder / "Flumewright_setup.txt", setup);
  r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("has no Storage value"), 0) << p.log();
  steps = runoffRows(testing::readFile(p.folder / "Runoff.txt"));
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(fieldsOf(steps[0])[0], "2024-06-05 00:00 ");
  EXPECT_NEAR(std::stod(fieldsOf(steps[0])[5]), keptS1, 1e-5);
}

// The flows of a storm's excess add up to its volume over the basin, 645.33 cfs·h per inch and
// square mile, whatever lag and recession ratio the triangle has.
TEST(RunoffProgram, TheTriangleUnitGraphGivesBackTheVolumeOfTheExcess) {
  struct Case {
    const char* lag;
    const char* ratio;
  };
  for (const Case& c : {Case{"1", "1.67"}, Case{"3", "1.67"}, Case{"2", "1.5"}}) {
    std::string line = stationLine();
    line.replace(line.find("; 2,75,") + 2, 1, c.lag);
    line.replace(line.find(",10,1.5,") + 4, 3, c.ratio);
    testing::ProgramFolder p({"START DATE=06/05/2024 12:00"}, {line});
    addSites(p.hdb, true);
    testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
    ASSERT_EQ(r.status, 0) << p.log();
    double excess = 0, flow = 0;
    for (const std::string& row : runoffRows(testing::readFile(p.folder / "Runoff.txt"))) {
      excess += std::stod(fieldsOf(row)[4]);
      flow += std::stod(fieldsOf(row)[7]);  // cfs over one hour
    }
    EXPECT_NEAR(excess, 0.9607843137, 1e-5) << c.lag;
    EXPECT_NEAR(flow, 645.33 * 10 * excess, 0.5) << "lag " << c.lag << " ratio " << c.ratio;
  }
}

TEST(RunoffProgram, WithoutAStoredStorageTheRunWarnsAndStartsDry) {
  testing::ProgramFolder p({"START DATE=06/05/2024 12:00", "Last Runoff Run's Storage= True"}, {stationLine()});
  addSites(p.hdb, false);
  testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("Warning 4101 has no Storage value for Jun 02, 2024"), 1) << p.log();
  const std::vector<std::string> steps = runoffRows(testing::readFile(p.folder / "Runoff.txt"));
  ASSERT_FALSE(steps.empty());
  EXPECT_NEAR(std::stod(fieldsOf(steps[0])[5]), 1000.0 / 60 - 10, 1e-5);  // S1dry
}

TEST(RunoffProgram, ABadParameterOrAZeroLagFailsTheStationAndStoresNothing) {
  for (const std::string bad : {"x2", "0"}) {
    std::string line = stationLine();
    line.replace(line.find("; 2,75,") + 2, 1, bad);
    testing::ProgramFolder p({"START DATE=06/05/2024 12:00"}, {line});
    addSites(p.hdb, true);
    testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
    EXPECT_EQ(r.status, 0) << p.log();
    db::SqliteBackend b(p.hdb, false);
    EXPECT_EQ(b.run("select value from rday where datatype_site_id in (30101, 4101)").rowCount(), 0u) << bad;
    const std::string log = p.log();
    EXPECT_TRUE(log.find(bad == "0" ? "Division by zero" : "Type mismatch") != std::string::npos) << log;
  }
}

TEST(RunoffProgram, TooFewParametersStopTheRunWithoutWaiting) {
  testing::ProgramFolder p({"START DATE=06/05/2024 12:00"},
                           {"COMPUTE-HOUR; 30101; Runoff; Test Basin; 5; 2,75,0; P1; 0; Triangle Unit Graph; "});
  addSites(p.hdb, true);
  testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(p.count("New Runoff coefficient added.  Check with Wizards and reSave."), 1) << p.log();
  EXPECT_EQ(testing::readFile(p.folder / "Flumewright_setup.txt").find("reSave"), std::string::npos);
}

}  // namespace
}  // namespace fw
