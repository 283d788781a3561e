// A SNOWMELT station line run by the flumewright executable in batch mode over a stored season of
// hourly weather: the melt, SWE, snow age and albedo it stores, and its two files.
#include <gtest/gtest.h>

#include <cmath>

#include "app/error_log.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

const double kSeasonStart = vb::DateSerial(2023, 10, 1);
const double kSeasonEnd = vb::DateSerial(2024, 6, 30);
const double kBeginDay = vb::DateSerial(2024, 3, 10);  // the run's window starts here
const double kRunDay = vb::DateSerial(2024, 6, 15);

std::string setupFile(const std::string& startDate, const std::string& shift1) {
  return "Write Unit Values= True\r\n"
         "Write Hourly Avg= True\r\n"
         "Write Dailys= True\r\n"
         "Possible Bad Value Change= 50\r\n"
         "START DATE=" +
         startDate +
         "\r\n"
         "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n"
         "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n"
         "SNOWMELT-hour; -10012,-23012; Melt, SWC; Snow Hill; 0; " +
         shift1 +
         ";\r\n"
         "END\r\n";
}

// Hourly weather at site 33 from October to June: cold snowy winter days, spring storms in March,
// a warm sunny May and June.
std::string seasonSql() {
  std::string sql = "begin;";
  const std::string rsite =
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, datatype_name, unit, "
      "parameter_code, "
      "source, state) values ";
  sql += rsite +
         "('12', -10012, 'Snow Hill', 10, 'rain/melt', 'inches', "
         "'17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012', 'SNOWMELT', 'CA');";
  sql += rsite +
         "('12', -23012, 'Snow Hill', 23, 'snow water content', 'inches', 'computed', 'SNOWMELT', 'CA');";
  sql += rsite + "('12', -25012, 'Snow Hill', 11, 'snow age', 'days', 'computed', 'SNOWMELT', 'CA');";
  sql += rsite + "('12', -31012, 'Snow Hill', 31, 'albedo', '%', 'computed', 'SNOWMELT', 'CA');";
  for (double t = kSeasonStart; t < kSeasonEnd + 0.5 / 24; t += 1.0 / 24) {
    const double date = vb::roundToSecond(t);
    const int hour = vb::Hour(date);
    const double days = date - kSeasonStart;  // 0 in October, ~160 in March, ~270 at the end
    const double season = std::cos((days - 120) / 273 * 2 * 3.14159265);  // 1 in late January
    const double tempF = 40 - 22 * season + 8 * std::sin((hour - 9) / 24.0 * 2 * 3.14159265);
    const double solar = 450 - 250 * season;
    const int day = static_cast<int>(days);
    // A storm every ninth day for the first twelve hours, through March.
    const double precip = day % 9 == 0 && hour < 12 && date < vb::DateSerial(2024, 4, 1) ? 0.05 : 0.0;
    const std::string d = db::dayLiteral(date);
    auto row = [&](const char* dsid, double v) {
      sql += "insert into rhour values (" + std::string(dsid) + ", " + d + ", " + std::to_string(v) + ", 1);";
    };
    row("17033", tempF);
    row("18033", 70);
    row("28033", 4);
    row("29033", solar);
    row("-29033", 560);
    row("10033", precip);
  }
  sql += "insert into rhour values (-23012, " + db::dayLiteral(kBeginDay) + ", 10, 1);";
  sql += "insert into rhour values (-25012, " + db::dayLiteral(kBeginDay) + ", 20, 1);";
  sql += "insert into rupdate values (0, '', " + db::dayLiteral(kBeginDay) + ", 0);";
  return sql + "commit;";
}

std::vector<std::vector<std::string>> rows(const std::string& text, size_t skipLines) {
  std::vector<std::vector<std::string>> out;
  std::vector<std::string> lines = vb::Split(text, "\n");
  for (size_t k = skipLines; k < lines.size(); ++k)
    if (!lines[k].empty()) out.push_back(vb::Split(lines[k], "\t"));
  return out;
}

TEST(SnowmeltProgram, ASeasonIsComputedStoredAndContinued) {
  testing::TempFolder folder;
  const std::filesystem::path hdb = testing::makeHdb(folder.path(), "Flumewright_HDB.db");
  testing::writeFile(folder / "Flumewright_setup.txt",
                     setupFile("06/15/2024 12:00", "-0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 35.6, 0"));
  testing::execSql(hdb, seasonSql());

  testing::ProgramRun run;
  run.args = {"BATCH"};
  run.workingFolder = folder.path();
  run.timeout = std::chrono::milliseconds(120000);
  const testing::ProgramResult r = testing::runProgram(run);
  const std::string log = testing::readFile(folder / kErrorLogName);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << log << r.output;

  // snowin.txt: the title print, then one row per computed hour; the first row has no melt and
  // the starting SWE as a plain number.
  const std::string snowin = testing::readFile(folder / "snowin.txt");
  ASSERT_EQ(snowin.substr(0, 60), "Compute Snowmelt from HDB\nx  date  melt  swe  age  albeto\n\r\n")
      << log << r.output;
  const auto result = rows(snowin, 3);
  ASSERT_GT(result.size(), 2000u);
  EXPECT_EQ(result[0][1], "2024-03-10 00:00");
  EXPECT_EQ(result[0][2], "");
  EXPECT_EQ(result[0][3], " 10");
  EXPECT_EQ(result[0][4], "20.00000");

  // SNOWMELT.txt: the three header lines, then a row per computed hour.
  const std::string diag = testing::readFile(folder / "SNOWMELT.txt");
  ASSERT_EQ(diag.substr(0, 8), "0\t1\t2\t3\t");
  const size_t line3 = diag.find("\n", diag.find("\n") + 1) + 1;
  EXPECT_EQ(diag.substr(line3, 24), "-10012,-23012\tdate_time\t");
  const size_t headerEnd = diag.find("Melt/Rain\r\n");
  ASSERT_NE(headerEnd, std::string::npos);
  const auto diagRows = rows(diag.substr(headerEnd + 11), 0);
  ASSERT_EQ(diagRows.size(), result.size());
  EXPECT_EQ(diagRows[0][0], "SNOWMELT-HOUR");
  EXPECT_EQ(diagRows[1].size(), 26u);

  // The SWE builds in the March storms and melts out, handing on its melt.
  double peak = 0, meltTotal = 0;
  bool meltedOut = false, freshSnow = false;
  for (size_t k = 1; k < result.size(); ++k) {
    const double swe = std::stod(result[k][3]);
    peak = std::max(peak, swe);
    meltTotal += std::stod(result[k][2]);
    if (peak > 10 && swe == 0) meltedOut = true;
    if (result[k][5] == "0.90000") freshSnow = true;
  }
  EXPECT_GT(peak, 10.5);
  EXPECT_TRUE(meltedOut);
  EXPECT_TRUE(freshSnow);
  EXPECT_GT(meltTotal, peak);

  // Four walks store melt, SWE, age and albedo as the file's columns.
  db::SqliteBackend b(hdb, true);
  const char* dsids[] = {"-10012", "-23012", "-25012", "-31012"};
  for (int col = 0; col < 4; ++col) {
    SCOPED_TRACE(dsids[col]);
    db::QueryResult stored =
        b.run("select date_time, value from rhour where datatype_site_id=" + std::string(dsids[col]) +
              " and date_time > " + db::dayLiteral(vb::DateSerial(2024, 4, 1)) + " order by date_time");
    ASSERT_GT(stored.rowCount(), 1000u) << log;
    // The stored values follow the file (the hourly value of each computed hour).
    size_t matched = 0;
    for (size_t k = 1; k < result.size() && matched < 50; ++k) {
      if (result[k][1] != "2024-04-10 12:00") continue;
      for (size_t i = 0; i < stored.rowCount(); ++i) {
        if (std::fabs(stored.cells[i * 2].toDouble() - vb::DateSerial(2024, 4, 10) - 0.5) < 1e-6) {
          EXPECT_NEAR(stored.cells[i * 2 + 1].toDouble(), std::stod(result[k][2 + col]), 1e-4);
          ++matched;
        }
      }
    }
    EXPECT_EQ(matched, 1u);
  }
  EXPECT_GT(testing::countRows(hdb, "select * from runit where datatype_site_id=-23012"), 0);
  EXPECT_GT(testing::countRows(hdb, "select * from rday where datatype_site_id=-31012"), 50);

  // A second run a few days later starts from the state the first one stored at its begin day.
  testing::writeFile(folder / "Flumewright_setup.txt",
                     setupFile("06/20/2024 12:00", "-0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 35.6"));
  std::filesystem::remove(folder / "SNOWMELT.txt");
  const testing::ProgramResult r2 = testing::runProgram(run);
  ASSERT_FALSE(r2.timedOut);
  EXPECT_EQ(r2.status, 0) << testing::readFile(folder / kErrorLogName);
  EXPECT_FALSE(std::filesystem::exists(folder / "SNOWMELT.txt"));  // eight scalings: no table
  const auto second = rows(testing::readFile(folder / "snowin.txt"), 3);
  ASSERT_GT(second.size(), 2u);
  EXPECT_EQ(second[0][1], "2024-06-15 00:00");
  db::QueryResult start =
      b.run("select value from rhour where datatype_site_id=-23012 and date_time=" + db::dayLiteral(kRunDay));
  ASSERT_EQ(start.rowCount(), 1u);
  EXPECT_NEAR(std::stod(second[0][3]), start.cells[0].toDouble(), 1e-6);
}

}  // namespace
}  // namespace fw
