// Runoff lines in a headless run with a fixed clock: the unit-graph methods side by side, the
// "Runoff.txt" of the last station that asks for it, a missing unit-graph file in batch.
#include <gtest/gtest.h>

#include "compute/compute_services.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "run/run_fixture.h"

namespace fw {
namespace {

constexpr int32_t kRunDay = 45448;  // 06/05/2024

const char* const kCurveNumber = "2,75,0.05,0,10,1.5,0.5,0,0,0,0,0,0,0.5,0.5,1,0,1,0,0,0,0.2,0,0.7,0,Lag0";
const char* const kInitialLoss = "3,1.5,0.1,0,5,1.5,0.5,0.3,2,0.2,3,0.5,2.0,0.5,0.5,1,0,1,0.1,0.5,2,0.2,0,0.7,0,LagV";

std::string line(const std::string& id, const std::string& dsid, const std::string& parameters,
                 const std::string& shape, const std::string& method) {
  return id + "; " + dsid + "; Runoff; Basin " + dsid + "; 5; " + parameters + "; P1; " + shape + "; " + method + "; ";
}

class RunoffRun : public testing::RunFixture {
 protected:
  void run(const std::vector<std::string>& stations, const std::vector<testing::SiteRow>& sites) {
    std::vector<testing::SiteRow> all = sites;
    all.push_back({"10101", 10, "in", "00045"});
    setUp({"Write Dailys= True", "Write Hourly Avg= True"}, stations, all);
    s.services.computations = std::make_shared<ComputeServices>();
    std::string sql = "insert into rupdate values (0, 'Last error:', " + db::dayLiteral(kRunDay - 2) + ", 0);";
    for (int h = 8; h <= 13; ++h)
      sql += "insert into rhour values (10101, " + db::dayLiteral(kRunDay - 1 + h / 24.0) + ", 0.8, 1);";
    sql += "insert into rday values (10101, " + db::dayLiteral(kRunDay - 1) + ", 2.5, 1);";
    testing::execSql(hdb, sql);
    s.BatchMode = true;
    runstations(s);
  }
  int rows(const std::string& table, int dsid) {
    return testing::countRows(hdb, "select * from " + table + " where datatype_site_id=" + std::to_string(dsid));
  }
  double largest(const std::string& table, int dsid) {
    db::SqliteBackend b(hdb, false);
    const db::QueryResult r =
        b.run("select max(value) from " + table + " where datatype_site_id=" + std::to_string(dsid));
    return r.rowCount() == 0 ? -1 : r.cells[0].toDouble();
  }
};

TEST_F(RunoffRun, EveryUnitGraphMethodComputesAndTheLastStationKeepsRunoffTxt) {
  run({line("COMPUTE-HOUR", "30101", std::string(kCurveNumber) + ",-1", "0", "Triangle Unit Graph"),
       line("COMPUTE-HOUR", "30102", std::string(kInitialLoss) + ",-1", "3", "Tri-Linear Reservoir"),
       line("COMPUTE-HOUR", "30103", kCurveNumber, "3", "Linear Reservoir"),
       line("COMPUTE-HOUR", "30104", kCurveNumber, "0.5", "Clark UGF"),
       line("COMPUTE-DAY", "30105", kCurveNumber, "0.5", "Clark UGF")},
      {{"30101", 30, "cfs", "10101"},
       {"30102", 30, "cfs", "10101"},
       {"30103", 30, "cfs", "10101"},
       {"30104", 30, "cfs", "10101,27101"},
       {"30105", 30, "cfs", "10101"}});
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
  EXPECT_TRUE(t.ui.boxes.empty());
  // Every station stores its flows, above the base flow in the storm, and its daily states.
  for (int dsid : {30101, 30102, 30103, 30104}) {
    EXPECT_GT(rows("rhour", dsid), 40) << dsid;
    EXPECT_GT(largest("rhour", dsid), 5.5) << dsid;
  }
  EXPECT_GE(rows("rday", 30105), 2);
  EXPECT_GT(largest("rday", 30105), 5.5);
  for (int dsid : {4101, -4101, 5101, 4102, 4105}) EXPECT_GE(rows("rday", dsid), 3) << dsid;

  // Two stations asked for "Runoff.txt": it holds the second, an initial-loss station with
  // variable lag (a lag column, the lag as 0.000).
  const std::vector<std::string> table = vb::splitLines(testing::readFile(t.folder / "Runoff.txt"));
  ASSERT_GT(table.size(), 6u);
  EXPECT_EQ(table[0], "30102 Runoff cfs Basin 30102");
  EXPECT_EQ(table[2].substr(0, 27), "Initial Loss Limits, ILdry=");
  EXPECT_EQ(table[4].substr(table[4].size() - 4), "\tLag");
  const std::vector<std::string> row = vb::Split(table[5], "\t");
  ASSERT_EQ(row.size(), 13u);
  EXPECT_EQ(row[12], "3.000");
  int reminders = 0;
  for (const std::string& l : log()) reminders += l == "Reminder that Runoff.txt output file is turned on.";
  EXPECT_EQ(reminders, 2);
}

TEST_F(RunoffRun, AMissingUnitGraphFileIsLoggedInBatchAndNothingWaits) {
  run({line("COMPUTE-HOUR", "30101", kCurveNumber, "0", "Missing.DGF")}, {{"30101", 30, "cfs", "10101"}});
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
  EXPECT_TRUE(t.ui.boxes.empty());
  bool logged = false;
  for (const std::string& l : log()) logged = logged || l.find("Reading DGF file: ") != std::string::npos;
  EXPECT_TRUE(logged);
  // Without a graph the excess leaves no direct runoff; the base and soil flows are stored.
  EXPECT_GT(rows("rhour", 30101), 40);
}

TEST_F(RunoffRun, GaugeTotalsCountByTheirRiseAndAStoredEtSeriesFillsItsHours) {
  setUp({"Write Dailys= True"}, {line("COMPUTE-HOUR", "30101", std::string(kCurveNumber) + ",-1", "0", "Triangle Unit Graph")},
        {{"30101", 30, "cfs", "9101,27101"}, {"9101", 9, "in", "00045"}});
  s.services.computations = std::make_shared<ComputeServices>();
  // A gauge's running total (a series under 10000) and an ET series with one stored hour.
  std::string sql = "insert into rupdate values (0, 'Last error:', " + db::dayLiteral(kRunDay - 2) + ", 0);";
  const double totals[] = {1.20, 1.25, 1.75, 0.10, 0.15};
  for (int h = 0; h < 5; ++h)
    sql += "insert into rhour values (9101, " + db::dayLiteral(kRunDay - 1 + (10 + h) / 24.0) + ", " +
           std::to_string(totals[h]) + ", 1);";
  sql += "insert into rhour values (27101, " + db::dayLiteral(kRunDay - 1 + 12 / 24.0) + ", 0.03, 1);";
  testing::execSql(hdb, sql);
  s.BatchMode = true;
  runstations(s);

  const std::vector<std::string> input = vb::splitLines(testing::readFile(t.folder / "runoffIn.txt"));
  ASSERT_GT(input.size(), 40u);
  EXPECT_EQ(input[24 + 12 + 1], "Z\t2024-06-04 12:00\t 1.75 \t .03 \t 1 ");
  // The rain of the steps is the rise of the total; a drop gives none and is no new reference.
  std::vector<std::string> rain;
  for (const std::string& row : vb::splitLines(testing::readFile(t.folder / "Runoff.txt"))) {
    const std::vector<std::string> f = vb::Split(row, "\t");
    if (f.size() > 2 && f[0].substr(0, 10) == "2024-06-04" && f[0].substr(11, 2) >= "10" && f[0].substr(11, 2) <= "14")
      rain.push_back(f[2]);
  }
  EXPECT_EQ(rain, (std::vector<std::string>{" 0 ", " .05 ", " .5 ", " 0 ", " 0 "}));
}

TEST_F(RunoffRun, ADailyStationsFirstStepIsADay) {
  run({line("COMPUTE-DAY", "30101", std::string(kCurveNumber) + ",-1", "0", "Triangle Unit Graph")},
      {{"30101", 30, "cfs", "10101"}});
  const std::vector<std::string> table = vb::splitLines(testing::readFile(t.folder / "Runoff.txt"));
  ASSERT_GT(table.size(), 6u);
  // A dry day loses the constant loss of a whole day: 0.05 in an hour for 24 hours.
  const std::vector<std::string> first = vb::Split(table[5], "\t");
  EXPECT_EQ(first[0], "2024-06-03 00:00 ");
  EXPECT_EQ(first[3], " 1.2 ");
}

TEST_F(RunoffRun, ADivisionByZeroInTheStepFailsTheStationAndStoresNothing) {
  // An initial-loss station without any loss: its variable lag divides by a dry limit of 0.
  run({line("COMPUTE-HOUR", "30101", "2,0,0.1,0,5,1.5,0.5,0,0,0,0,0,0,0.5,0.5,1,0,1,0,0,0,0.2,0,0.7,0,LagV", "0",
            "Triangle Unit Graph"),
       line("COMPUTE-HOUR", "30102", kCurveNumber, "0", "Triangle Unit Graph")},
      {{"30101", 30, "cfs", "10101"}, {"30102", 30, "cfs", "10101"}});
  EXPECT_EQ(rows("rhour", 30101), 0);
  EXPECT_EQ(rows("rday", 30101), 0);
  EXPECT_EQ(rows("rday", 4101), 0);
  EXPECT_GT(rows("rhour", 30102), 40);  // the run goes on
  bool logged = false;
  for (const std::string& l : log()) logged = logged || l.find("30101 runoff step: Division by zero") != std::string::npos;
  EXPECT_TRUE(logged);
}

}  // namespace
}  // namespace fw
