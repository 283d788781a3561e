// What-If runs of a runoff line by the flumewright executable in batch mode, their settings in
// the setup file: a step run over five traces, and a Monte Carlo run of ten traces with
// stochastic rain that a second run with the same seed repeats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

constexpr int32_t kStormDay = 45446;  // 06/03/2024

// lag 2 h, CN 75 with wet 90 and dry 60, 20 % impervious, 10 square miles, one triangle.
std::string runoffLine(const char* id) {
  return std::string(id) +
         "; 30101; Runoff; Test Basin; 5; "
         "2,75,0.02,20,10,1.5,0,0,0,0,0,90,60,0,1,0,0,1,0,0,0,0.2,0,0.7,0,Lag0; "
         "P1; 0; Triangle Unit Graph; ";
}

void addSites(const std::filesystem::path& hdb) {
  std::string sql =
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
      "values "
      "('101', 30101, 'Test Basin', 30, 'cfs', '10101', 'AZ');"
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
      "values "
      "('101', 10101, 'Test Gauge', 10, 'in', '00045', 'AZ');"
      "insert into rupdate values (0, 'Last error:', " +
      db::dayLiteral(kStormDay) + ", 0);";
  for (int h = 10; h <= 15; ++h)
    sql += "insert into rhour values (10101, " + db::dayLiteral(kStormDay + h / 24.0) + ", 0.5, 1);";
  testing::execSql(hdb, sql);
}

db::QueryResult query(const std::filesystem::path& hdb, const std::string& sql) {
  db::SqliteBackend b(hdb, false);
  return b.run(sql);
}

std::vector<long> traces(const std::filesystem::path& hdb, const std::string& table, int dsid) {
  db::QueryResult r =
      query(hdb, "select distinct trace from " + table +
                     " where run_id>0 and datatype_site_id=" + std::to_string(dsid) + " order by trace");
  std::vector<long> t;
  for (size_t i = 0; i < r.rowCount(); ++i) t.push_back(r.cells[i].toLong());
  return t;
}

std::vector<long> oneTo(long n) {
  std::vector<long> t;
  for (long i = 1; i <= n; ++i) t.push_back(i);
  return t;
}

// Coefficient 3 (impervious) times 1.1 a trace over five traces: traces 1 to 5 in mhour and mday
// under the run_id, the coefficient of each in mrundsid, mrun's last trace 5, and no sixth trace.
TEST(WhatIfProgram, AStepRunStoresEachTraceWithItsCoefficient) {
  testing::ProgramFolder p(
      {"START DATE=06/05/2024 12:00", "Write Hourly Avg= True", "What-If Coefficient=3",
       "What-If Step Multiplier=1.1", "What-If Traces=5", "What-If Run ID=7", "What-If Seed=1"},
      {runoffLine("COMPUTE-HOUR")});
  addSites(p.hdb);
  testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("What-If run 7: 5 of 5 traces stored."), 1) << p.log();
  EXPECT_EQ(traces(p.hdb, "mhour", 30101), oneTo(5)) << p.log();
  EXPECT_EQ(traces(p.hdb, "mday", 30101), oneTo(5));
  EXPECT_EQ(query(p.hdb, "select traces, kind from mrun where run_id=7").cells[0].toLong(), 5);
  db::QueryResult c = query(p.hdb,
                            "select coefficient, caption from mrundsid where run_id=7 and "
                            "datatype_site_id=30101 order by trace");
  ASSERT_EQ(c.rowCount(), 5u);
  const double expected[] = {20, 22, 24.2, 26.6, 29.3};
  for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(c.cells[i * 2].toDouble(), expected[i], 1e-9) << i;
  EXPECT_EQ(c.cells[1].toString(), "% Impervious");
  // More impervious area, more runoff from the same storm.
  db::QueryResult peaks = query(p.hdb,
                                "select max(value) from mhour where run_id=7 and datatype_site_id=30101 "
                                "group by trace order by trace");
  ASSERT_EQ(peaks.rowCount(), 5u);
  for (size_t i = 1; i < 5; ++i) EXPECT_GT(peaks.cells[i].toDouble(), peaks.cells[i - 1].toDouble()) << i;
  // The real tables are left alone.
  EXPECT_EQ(query(p.hdb, "select * from rhour where datatype_site_id=30101").rowCount(), 0u);
}

const std::vector<std::string> kMonteCarlo = {"START DATE=06/05/2024 12:00",
                                              "Write Hourly Avg= True",
                                              "Write Unit Values= True",
                                              "What-If Coefficient=2",
                                              "What-If Monte Carlo=Random Normal",
                                              "What-If Mean=0.05",
                                              "What-If Standard Deviation=0.01",
                                              "What-If Traces=10",
                                              "What-If Run ID=9",
                                              "What-If Stochastic Rain=True",
                                              "What-If Storm Duration=6",
                                              "What-If Flashy Factor=1",
                                              "What-If Storm Count=1",
                                              "What-If Seed=42"};

std::string table(const std::filesystem::path& hdb, const std::string& name) {
  db::QueryResult r = query(hdb, "select datatype_site_id, trace, date_time, value from " + name +
                                     " where run_id=9 order by datatype_site_id, trace, date_time");
  std::string text;
  for (const auto& cell : r.cells) text += cell.toString() + ";";
  return text;
}

// Ten Monte Carlo traces on the constant loss, each with its own stochastic storm: the storms'
// rain and the runoff in the model-run tables for traces 1 to 10; the same seed again stores the
// same values; a run_id already in mrun is refused unless the settings say to write over it.
TEST(WhatIfProgram, AMonteCarloRunWithStochasticRainIsRepeatedByItsSeed) {
  std::vector<std::string> settings = kMonteCarlo;
  testing::ProgramFolder p(settings, {runoffLine("COMPUTE")});
  addSites(p.hdb);
  testing::ProgramResult r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("What-If run 9: 10 of 10 traces stored."), 1) << p.log();
  EXPECT_EQ(p.count("\"What-If Seed=42\" repeats this run"), 1) << p.log();
  EXPECT_EQ(traces(p.hdb, "mhour", 30101), oneTo(10)) << p.log();
  EXPECT_EQ(traces(p.hdb, "munit", 10101), oneTo(10));
  EXPECT_EQ(traces(p.hdb, "mhour", 10101), oneTo(10));
  EXPECT_EQ(query(p.hdb, "select traces from mrun where run_id=9").cells[0].toLong(), 10);
  // Each trace's storm is new, and each has its own sample of the constant loss.
  db::QueryResult rain = query(p.hdb,
                               "select max(value) from munit where run_id=9 and datatype_site_id=10101 "
                               "group by trace order by trace");
  ASSERT_EQ(rain.rowCount(), 10u);
  EXPECT_NE(rain.cells[0].toDouble(), rain.cells[1].toDouble());
  db::QueryResult losses =
      query(p.hdb, "select coefficient from mrundsid where run_id=9 and datatype_site_id=30101");
  ASSERT_EQ(losses.rowCount(), 10u);
  for (const auto& loss : losses.cells) EXPECT_NEAR(loss.toDouble(), 0.05, 0.05);
  EXPECT_GT(query(p.hdb, "select sum(value) from mhour where run_id=9 and datatype_site_id=30101")
                .cells[0]
                .toDouble(),
            0);
  const std::string first = table(p.hdb, "mhour") + table(p.hdb, "munit") + table(p.hdb, "mday");

  // Run again: the run_id is in mrun now, and batch takes No.
  r = testing::runProgram(p.run({"BATCH"}));
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(p.count("What-If run_id 9 is already in table mrun; the What-If run did not start"), 1)
      << p.log();

  settings.push_back("What-If Overwrite=True");
  testing::ProgramFolder again(settings, {runoffLine("COMPUTE")});
  std::filesystem::copy_file(p.hdb, again.hdb, std::filesystem::copy_options::overwrite_existing);
  // The real-time window starts from the last run: the same window as the first run's.
  testing::execSql(again.hdb,
                   "update rupdate set updated=" + db::dayLiteral(kStormDay) + " where datatype_site_id=0;");
  r = testing::runProgram(again.run({"BATCH"}));
  ASSERT_EQ(r.status, 0) << again.log();
  EXPECT_EQ(again.count("its traces are written over"), 1) << again.log();
  EXPECT_EQ(table(again.hdb, "mhour") + table(again.hdb, "munit") + table(again.hdb, "mday"), first);
}

}  // namespace
}  // namespace fw
