#include "compute/runoff_input.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

namespace fw::compute {
namespace {

const std::array<double, 25> kFractions = [] {
  std::array<double, 25> f{};
  for (size_t h = 0; h < 24; ++h) f[h] = 1.0 / 24;
  return f;
}();

TEST(RunoffInput, StepAndTableFromTheStationId) {
  struct Case {
    const char* id;
    const char* table;
    double minutes;
  };
  for (const Case& c : {Case{"COMPUTE-15UNIT", "RUNIT", 15}, Case{"COMPUTE-UNIT", "RUNIT", 5},
                        Case{"COMPUTE-1UNIT", "RUNIT", 5}, Case{"COMPUTE-HOUR", "RHOUR", 60},
                        Case{"COMPUTE-6HOUR", "RHOUR", 360}, Case{"COMPUTE-DAY", "RDAY", 1440},
                        Case{"COMPUTE", "RUNIT", 5}, Case{"NEXRAD-HOUR", "RHOUR", 60}}) {
    const RunoffInputStep s = runoffInputStep(c.id);
    EXPECT_EQ(s.table, c.table) << c.id;
    EXPECT_NEAR(s.stepDays * 1440, c.minutes, 1e-9) << c.id;
  }
}

TEST(RunoffInput, RainAndEtSeriesFromTheParameterCode) {
  struct Case {
    const char* id;
    const char* codes;
    const char* dsid;
    int32_t rain, et;
  };
  for (const Case& c : {Case{"COMPUTE-HOUR", "10101,27101", "30101", 10101, 27101},
                        Case{"COMPUTE-HOUR", "27101,10101", "30101", 10101, 27101},
                        Case{"COMPUTE-HOUR", "10101", "30101", 10101, 0},
                        Case{"COMPUTE-HOUR", "27101", "30101", 10101, 27101},
                        Case{"COMPUTE-HOUR", "27101", "-30105", -10105, 27101},
                        Case{"COMPUTE-HOUR", "0", "30101", 10101, 0},
                        Case{"NEXRAD-HOUR", "10555", "30101", 10101, 0},
                        Case{"NEXRAD-HOUR", "0", "30101", 10101, 0}}) {
    const RunoffInputDsids d = runoffInputDsids(c.id, c.codes, c.dsid);
    EXPECT_EQ(d.rain, c.rain) << c.id << " " << c.codes << " " << c.dsid;
    EXPECT_EQ(d.et, c.et) << c.id << " " << c.codes << " " << c.dsid;
  }
  // A DSID beyond the series numbers the input can hold is refused, not wrapped.
  EXPECT_THROW(runoffInputDsids("COMPUTE-HOUR", "10101,99999", "30101"), vb::Error);
}

TEST(RunoffInput, RowsWithoutRainRunFromTheBeginDayToTheEnd) {
  const int32_t begin = static_cast<int32_t>(vb::DateSerial(2024, 6, 3));
  EtGrid et(begin, begin + 8, true, kFractions.data());
  const std::vector<SeriesPoint> none(1);
  const std::string rows = runoffInputRows(none, 0, begin, begin + 3, 1.0 / 24, et, false);
  std::vector<std::string> lines = vb::Split(rows, "\n");
  lines.pop_back();
  ASSERT_EQ(lines.size(), 73u);
  EXPECT_EQ(lines.front().substr(0, 24), "Z\t2024-06-03 00:00\t 0 \t ");
  EXPECT_EQ(lines.back().substr(0, 19), "Z\t2024-06-06 00:00\t");
  EXPECT_EQ(vb::Split(lines.back(), "\t")[4], " 0 ");
}

TEST(RunoffInput, ARainPointBetweenStepsIsWrittenAtItsTimeAndTheStepsGoOnFromIt) {
  const int32_t begin = static_cast<int32_t>(vb::DateSerial(2024, 6, 3));
  EtGrid et(begin, begin + 8, true, kFractions.data());
  std::vector<SeriesPoint> rain(3);
  rain[1] = {begin + vb::TimeSerial(1, 30, 0), 0.25, 7};
  rain[2] = {begin + vb::TimeSerial(4, 30, 0), 0.1, 8};
  const std::string rows = runoffInputRows(rain, 2, begin, begin + 1, 1.0 / 24, et, false);
  std::vector<std::string> lines = vb::Split(rows, "\n");
  lines.pop_back();
  std::vector<std::string> times;
  for (const std::string& l : lines) times.push_back(vb::Split(l, "\t")[1].substr(11));
  ASSERT_GE(times.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(times.begin(), times.begin() + 7),
            (std::vector<std::string>{"00:00", "01:00", "01:30", "02:30", "03:30", "04:30", "05:30"}));
  EXPECT_EQ(vb::Split(lines[0], "\t")[4], " 7 ");  // before a point: the point's source
  EXPECT_EQ(vb::Split(lines[2], "\t")[2], " .25 ");
  EXPECT_EQ(vb::Split(lines[3], "\t")[4], " 8 ");
  EXPECT_EQ(vb::Split(lines.back(), "\t")[4], " 8 ");  // after the last point: its source
}

TEST(RunoffInput, LongRunsOfStepsDriftLater) {
  const int32_t begin = static_cast<int32_t>(vb::DateSerial(2024, 1, 1));
  EtGrid et(begin, begin + 40, true, kFractions.data());
  const std::vector<SeriesPoint> none(1);
  const std::string rows = runoffInputRows(none, 0, begin, begin + 30, 5.0 / 1440, et, false);
  std::vector<std::string> lines = vb::Split(rows, "\n");
  lines.pop_back();
  // 8640 steps are 30 days; the added ten-millionth of a day per step puts step 8639 about 75 s
  // late, and the end itself, as late, falls past the 52 s the last row may lie beyond it.
  ASSERT_EQ(lines.size(), 8640u);
  EXPECT_EQ(vb::Split(lines[8639], "\t")[1], "2024-01-30 23:56");
}

TEST(RunoffInput, TheSeasonalCurveFillsHoursAStoredSeriesLacks) {
  const int32_t day = static_cast<int32_t>(vb::DateSerial(2024, 6, 21));
  EtGrid et(day, day + 1, true, kFractions.data());
  const double e = seasonalEt(day);
  EXPECT_NEAR(e, 0.12 * std::sin((173 + 284) * 0.017214192) + 0.17, 1e-12);
  EXPECT_NEAR(et.at(day + 13 / 24.0), e / 24, 1e-7);
  et.set(day + 13 / 24.0, 0.02f);
  EXPECT_FLOAT_EQ(et.at(day + 13 / 24.0), 0.02f);
  EXPECT_NEAR(et.at(day + 14 / 24.0), e / 24, 1e-7);
  EXPECT_THROW(et.at(day + 3), vb::Error);
  EtGrid daily(day, day + 1, false, kFractions.data());
  EXPECT_NEAR(daily.at(day + 0.5), e, 1e-6);
}

}  // namespace
}  // namespace fw::compute
