// A headless batch run that stores what a stream gauge and a reservoir gauge hand back, over ADO
// and DAO, with the values worked out by hand.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/vb/format.h"
#include "run/run_fixture.h"

namespace fw {
namespace {

using testing::HdbEngine;

constexpr double kDay1 = 45446;  // 06/03/2024; the run is on 06/05/2024 at 13:15

std::string at(double day, int minutes) {
  return vb::Format(day + minutes / 1440.0, "mm/dd/yyyy hh:mm");
}

// 15-minute flows from 06/03 00:15 to 06/05 10:45, as the gauge service sends them: day 1 is
// complete (100 cfs, 90 at 05:15, a spike of 400 at 10:00, two "-999" at 14:30 and 14:45); day 2
// (200 cfs) lacks the 11 values from 03:15 to 05:45; day 3 (300 cfs) ends at 10:45.
std::string flowText() {
  std::string text = "# USGS 09380000\n# retrieved 06/05/2024 13:15\nagency\tsite\tdatetime\tvalue\n";
  for (int m = 15; m <= 2 * 1440 + 645; m += 15) {
    const int day = m <= 1440 ? 1 : m <= 2880 ? 2 : 3;
    const int clock = m - (day - 1) * 1440;
    std::string value = day == 1 ? "100" : day == 2 ? "200" : "300";
    if (day == 2 && clock >= 195 && clock <= 345) continue;
    if (day == 1 && clock == 315) value = "90";
    if (day == 1 && clock == 600) value = "400";
    if (day == 1 && (clock == 870 || clock == 885)) value = "-999";
    text += "Z\t" + at(kDay1, m) + "\t" + value + "\n";
  }
  return text;
}

// Hourly elevations from 06/03 01:00 to 06/05 12:00: 1000 feet plus a hundredth per hour.
std::string elevationText() {
  std::string text = "# reservoir\n# hourly\nagency\tdatetime\tvalue\n";
  for (int h = 1; h <= 60; ++h) {
    char value[16];
    std::snprintf(value, sizeof value, "%.2f", 1000 + h / 100.0);
    text += "Z\t" + at(kDay1, h * 60) + "\t" + value + "\n";
  }
  return text;
}

class ValuePathRun : public testing::RunFixture, public ::testing::WithParamInterface<HdbEngine> {
 protected:
  int rows(const std::string& sql) { return testing::countRows(hdb, sql); }
  // Rows of the table for the DSID at the time, with the value (within a hundredth of a second).
  int rowAt(const std::string& table, int dsid, double time, double value) {
    char sql[256];
    std::snprintf(sql, sizeof sql,
                  "select * from %s where datatype_site_id=%d and abs(date_time - %.10f) < 0.0000001 and "
                  "abs(value - %.6f) < 0.000001",
                  table.c_str(), dsid, time, value);
    return rows(sql);
  }
  int count(const std::string& table, int dsid) {
    return rows("select * from " + table + " where datatype_site_id=" + std::to_string(dsid));
  }
};

TEST_P(ValuePathRun, GaugeAndReservoirValuesAreStored) {
  setUp({"Write Dailys= True", "Write Hourly Avg= True", "Write Daily Max= True", "Write Unit Values= True",
         "Percent Missing Allowed= 10%", "Check for Possible Bad Values= True", "Possible Bad Value Change= 300",
         "Bad/Missing Stations Allowed=10"},
        {"09380000; 1101; Flow; Colorado R; 0; 0; ", "LAKE1; 3201; Elevation; Lake Mead; 0; 0; "},
        {{"1101"}, {"3201", 3, "feet", "62614"}}, GetParam());
  s.form.Text2.Text = "2";
  sources->replies["09380000"] = {flowText(), "", 1, 2};
  sources->replies["LAKE1"] = {elevationText(), "", 1, 2};
  s.BatchMode = true;
  runstations(s);

  // Unit values: every line taken, the "-999" filled from the last good value.
  EXPECT_EQ(count("runit", 1101), 96 + 85 + 43);
  EXPECT_EQ(rowAt("runit", 1101, kDay1 + 870 / 1440.0, 100), 1);
  EXPECT_EQ(rowAt("runit", 1101, kDay1 + 600 / 1440.0, 400), 1);  // the spike, used as is in batch

  // Hours: minute-weighted means. The first value only starts the record.
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 1 / 24.0, 100), 1);
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 6 / 24.0, 97.5), 1);   // (90 + 3 x 100) x 15 / 60
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 10 / 24.0, 175), 1);   // (3 x 100 + 400) x 15 / 60
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 15 / 24.0, 100), 1);   // the filled values weigh as 100
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 1 + 4 / 24.0, 200), 1);  // 03:00 to 06:00 closes at 04:00
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 1 + 5 / 24.0, 200), 0);
  EXPECT_EQ(rowAt("rhour", 1101, kDay1 + 2 + 645 / 1440.0, 300), 1);  // the open last hour at 10:45
  EXPECT_EQ(count("rhour", 1101), 24 + 22 + 10 + 1);

  // Day 1: the mean of its 24 hours, (22 x 100 + 97.5 + 175) / 24 = 103.02, stored as 103; its
  // extremes with their times. Day 2 lost its values (11 missing, 10 allowed); day 3 is open.
  EXPECT_EQ(rowAt("rday", 1101, kDay1, 103), 1);
  EXPECT_EQ(count("rday", 1101), 1);
  EXPECT_EQ(rowAt("rdaymax", 1101, kDay1 + 600 / 1440.0, 400), 1);
  EXPECT_EQ(rowAt("rdaymin", 1101, kDay1 + 315 / 1440.0, 90), 1);
  EXPECT_EQ(rows("select * from rdaymax where datatype_site_id=1101 and date=" + std::to_string(kDay1 + 1)), 0);
  EXPECT_EQ(rows("select * from rdaymin where datatype_site_id=1101 and date=" + std::to_string(kDay1 + 1)), 0);

  const std::string& pane = s.form.Text1.Text;
  EXPECT_NE(pane.find("06/03/2024  103 cfs   Count  95  Missing  3\r\n"), std::string::npos) << pane;
  EXPECT_NE(pane.find("06/04/2024 -999999 cfs   Count  85  Missing  11\r\n"), std::string::npos);
  EXPECT_NE(pane.find("...Low count days 1\r\n"), std::string::npos);
  EXPECT_TRUE(logHas("1101--09380000--Possible Bad Value 400 cfs at 6/3/2024 10:00:00 AM used as is."));
  EXPECT_TRUE(logHas("1101--09380000--Possible Bad Value 100 cfs at 6/3/2024 10:15:00 AM used as is."));
  EXPECT_TRUE(logHas("09380000 1101 ...Low count days 1"));
  EXPECT_EQ(rows("select * from rupdate where datatype_site_id=0 and note='Last error: 09380000 1101 ...Low "
                 "count days 1'"),
            1);

  // The reservoir: the last value of each hour and of each closed day, its rupdate row with the
  // run's time and the last day's maximum.
  EXPECT_EQ(rowAt("rhour", 3201, kDay1 + 2 / 24.0, 1000.02), 1);
  EXPECT_EQ(rowAt("rhour", 3201, kDay1 + 2 + 12 / 24.0, 1000.60), 1);
  EXPECT_EQ(count("rhour", 3201), 59);
  EXPECT_EQ(rowAt("rday", 3201, kDay1, 1000.24), 1);
  EXPECT_EQ(rowAt("rday", 3201, kDay1 + 1, 1000.48), 1);
  EXPECT_EQ(count("rday", 3201), 2);  // the run day is still open
  EXPECT_EQ(rows("select * from rupdate where datatype_site_id=3201 and abs(value - 1000.6) < 0.000001 and "
                 "abs(updated - 45448.5520833333) < 0.00001"),
            1);
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
}

INSTANTIATE_TEST_SUITE_P(Engines, ValuePathRun, ::testing::Values(HdbEngine::AdoSqlite, HdbEngine::Dao),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

}  // namespace
}  // namespace fw
