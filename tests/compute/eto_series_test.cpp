// The ET series of a station: rows of hourly weather into hourly ET, solar or long-wave values.
#include <gtest/gtest.h>

#include "compute/eto_series.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "retrieval/eto_hourly.h"
#include "support/test_session.h"

namespace fw {
namespace {

using compute::EToCompute;
using compute::EtoSeriesCall;

const std::string kHeader = "Date\tT\tRH\tW\tRs";

EtoSeriesCall senegalCall(const std::string& rows, int16_t inputsLessOne) {
  EtoSeriesCall c;
  c.parameterCode = "ETo";
  c.inputCount = inputsLessOne;
  c.datatype = 27;
  c.stationParameters = "16.2167,-16.25,-15,26,0";
  c.columns = {7, 7, 7, 7};
  c.table = kHeader + "\n" + rows;
  return c;
}

TEST(EToCompute, RowsBecomeValueRowsAndMissingSolarHoursAreEstimated) {
  testing::TestSession t;
  EtoSeriesCall c = senegalCall(
      "Z\t10/01/2023 14:30\t100.4\t52\t7.3826\t1404.73\n"
      "Z\t10/01/2023 15:30\t100.4\t52\t7.3826\t-99\n"
      "Z\t10/01/2023 16:30\t-99\t52\t7.3826\t1404.73\n"
      "Z\t10/01/2023 17:30\t99\n",
      3);
  EToCompute(t.s, c);
  EXPECT_EQ(c.inputCount, 4);
  EXPECT_EQ(c.columns, (std::vector<int16_t>{2, 3, 4, 5}));
  const std::vector<std::string> lines = vb::Split(c.table, "\n");
  ASSERT_EQ(lines.size(), 6u) << c.table;
  EXPECT_EQ(lines[0], kHeader);
  // The measured hour is the same as the row layer's own value.
  EtoLine a;
  a.latitude = 16.2167 * 3.14159 / 180;
  a.elevation = 26 * 0.3048;
  a.offset = (-16.25 - -15) / 15;
  a.inputCount = 4;
  EXPECT_EQ(lines[1],
            "Z\t10/01/2023 14:30\t" +
                EToHourly(t.s, a, vb::Split("Z\t10/01/2023 14:30\t100.4\t52\t7.3826\t1404.73", "\t"),
                          {2, 3, 4, 5}));
  EXPECT_EQ(lines[2], "\r");
  // The hour without a solar value is estimated (region 1: low and east of -116.5).
  a.SolarRegion = 1;
  EXPECT_EQ(lines[3], "Z\t10/01/2023 15:30\t" +
                          EToHourly(t.s, a, vb::Split("Z\t10/01/2023 15:30\t100.4\t52\t7.3826\t-99", "\t"),
                                    {2, 3, 4, 5}));
  EXPECT_EQ(testing::readFile(t.folder / "wonderin.txt"), c.table);
}

TEST(EToCompute, AHeaderAloneGivesTheHeaderLine) {
  testing::TestSession t;
  EtoSeriesCall c = senegalCall("", 2);
  c.table = kHeader;
  EToCompute(t.s, c);
  EXPECT_EQ(c.table, kHeader + "\n");
  EXPECT_EQ(c.columns[0], 2);
}

TEST(EToCompute, LongWaveLinesTakeTheWholeListAsATemperatureOffset) {
  testing::TestSession t;
  EtoSeriesCall c = senegalCall("Z\t06/04/2024 12:00\t57\t50\t9\n", 2);
  c.datatype = 29;
  c.parameterCode = "long";
  c.stationParameters = "3";
  EToCompute(t.s, c);
  const double expected = (2.551623 * 60 + 149.9996 + 0.6432865 * 50 + 2.171697 * 9) * 2.065;
  const std::vector<std::string> lines = vb::Split(c.table, "\n");
  EXPECT_NEAR(vb::CDbl(vb::Split(lines.at(1), "\t").at(2)), expected, 0.01);
  // A solar line without LONG reads its third input from field 4.
  EtoSeriesCall solar = senegalCall("Z\t10/01/2023 12:30\t90\t30\t0\n", 2);
  solar.datatype = 29;
  EToCompute(t.s, solar);
  EXPECT_EQ(solar.columns, (std::vector<int16_t>{2, 3, 4, 4}));
  EXPECT_GT(vb::CDbl(vb::Split(vb::Split(solar.table, "\n").at(1), "\t").at(2)), 1000);
}

}  // namespace
}  // namespace fw
