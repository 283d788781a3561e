// Stochastic rain: the storm shapes from a scripted generator, and the storm series a What-If
// trace stores with its hourly, daily and daily-maximum sums and its mrundsid note.
#include "compute/stochastic_rain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/session.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

// A generator that gives the same number every time.
std::function<double()> constant(double u) {
  return [u] { return u; };
}

StormSettings oneStorm(double hours, double flashiness) {
  StormSettings st;
  st.durationHours = hours;
  st.flashiness = flashiness;
  return st;
}

TEST(StochasticRain, OneStormsStepsAndPeak) {
  const struct {
    double hours;
    int32_t L, N, K;
  } cases[] = {{6, 72, 73, 68}, {24, 288, 289, 276}, {1, 12, 13, 11}};
  for (const auto& c : cases) {
    const StormShapes sh = stormShapes(oneStorm(c.hours, 1), constant(0.9));
    EXPECT_EQ(sh.L, c.L);
    EXPECT_EQ(sh.N, c.N);
    EXPECT_EQ(sh.K, c.K);
    EXPECT_EQ(sh.D[0], 1);
    // Rising by e^0.4 a step to the peak step, only falling after it.
    for (int32_t i = 3; i <= c.N; ++i)
      EXPECT_NEAR(sh.R[static_cast<size_t>(i)] / sh.R[static_cast<size_t>(i - 1)],
                  std::exp(i > c.K ? -0.4 : 0.4), 1e-12)
          << c.hours << " " << i;
  }
}

// A flashiness of 0 keeps the intensity flat; two storms in 2 hours of one hour each: the second
// starts in the second period, each storm's shape sums to X, sizes relative to the largest.
TEST(StochasticRain, FlashinessShapesAndSeveralStormsArePlacedInTheirPeriods) {
  const StormShapes flat = stormShapes(oneStorm(1, 0), constant(0.3));
  for (int32_t i = 2; i <= 13; ++i) EXPECT_NEAR(flat.R[static_cast<size_t>(i)], 0.01, 1e-15);
  EXPECT_EQ(flat.R[1], 0);
  EXPECT_NEAR(flat.X[0], 0.12, 1e-12);

  StormSettings two;
  two.durationHours = 0.5;  // 6 steps
  two.flashiness = 0;
  two.stormCount = 2;
  two.periodHours = 2;  // N = 25, P = round(12.5) = 12
  // D(0), the steps' draws 2 to 7 (no matter with no flashiness), the next start, D(1).
  std::vector<double> u = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.25, 0.25};
  size_t next = 0;
  const StormShapes sh = stormShapes(two, [&] { return next < u.size() ? u[next++] : 0.5; });
  EXPECT_EQ(sh.N, 25);
  EXPECT_EQ(sh.P, 12);
  EXPECT_EQ(sh.storms, 2);
  EXPECT_EQ(sh.B[0], 7);  // the first storm's steps 2 .. 6 end at step 7
  // The second starts at round(0.25 × (12 − 6) + 12) = 14 (rounded half to even) and runs on.
  for (int32_t i = 7; i < 14; ++i) EXPECT_EQ(sh.R[static_cast<size_t>(i)], 0) << i;
  EXPECT_GT(sh.R[14], 0);
  EXPECT_NEAR(sh.D[0], 1, 1e-12);  // 0.501 is the largest
  EXPECT_NEAR(sh.D[1], 0.251 / 0.501, 1e-12);
}

class StochasticRainStore : public ::testing::Test {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, testing::HdbEngine::AdoSqlite);
    s.UnitSeries.assign(2000, SeriesPoint{});
    s.HourSeries.assign(200, SeriesPoint{});
    s.DaySeries.assign(20, SeriesPoint{});
    s.DayMaxSeries.assign(20, SeriesPoint{});
    s.WhatIf.Coefficient = 2;
    s.WhatIf.WriteMTables = -1;
    s.WhatIf.Stochastic = -1;
    s.WhatIf.StormDuration = 6;
    s.WhatIf.FlashyFactor = 1;
    s.WhatIf.StormCount = 1;
    s.ModelRunWrite.modelRun = 1;
    s.form.Check3.setValue(1);
    s.form.Check5.setValue(1);
    s.form.Check6.setValue(1);
    s.form.Check7.setValue(1);
    s.RunoffRainFactor = 2;  // the storm stores 2 inches
    s.WhatIfRng.seed(7);
  }
  double sum(const std::string& sql) {
    testing::TestConnection b(file);
    db::QueryResult r = b.run(sql);
    return r.rowCount() == 0 || r.cells[0].isNull() ? 0 : r.cells[0].toDouble();
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_F(StochasticRainStore, AStormSumsToItsDepthInEveryTableOfTheTrace) {
  const vb::VbDate from = 45446;  // 06/03/2024 00:00, two days
  int32_t count = 0;
  std::vector<std::string> lines(1);
  StochasticRain(s, "10101", from, from + 2, count, 5, 0, 0, lines);
  // Points to the end of the first day: the storm ran out in it.
  EXPECT_EQ(count, 289);
  double handedBack = 0;
  for (int32_t i = 1; i <= count; ++i) handedBack += s.UnitSeries[static_cast<size_t>(i)].value;
  EXPECT_NEAR(handedBack, 1, 1e-3);  // unscaled: the storm's relative size
  EXPECT_EQ(s.UnitSeries[0].value, MissingValue);

  const std::string run = " where run_id=5 and trace=1 and datatype_site_id=10101";
  EXPECT_NEAR(sum("select sum(value) from munit" + run), 2, 2e-3);
  EXPECT_NEAR(sum("select sum(value) from mhour" + run), 2, 2e-3);
  EXPECT_NEAR(sum("select sum(value) from mday" + run), 2, 2e-3);
  // An hour is the sum of the twelve five-minute values ending at it.
  EXPECT_NEAR(
      sum("select value from mhour" + run + " and date_time=" + testing::dateSql(from + 3.0 / 24)),
      sum("select sum(value) from munit" + run + " and date_time > " + testing::dateSql(from + 2.0 / 24) +
          " and date_time <= " + testing::dateSql(from + 3.0 / 24 + 1e-6)),
      1e-4);
  EXPECT_NEAR(sum("select value from mdaymax" + run), sum("select max(value) from munit" + run), 1e-9);
  testing::TestConnection b(file);
  db::QueryResult note = b.run("select caption, coefficient, note from mrundsid where run_id=5 and trace=1");
  ASSERT_EQ(note.rowCount(), 1u);
  EXPECT_EQ(note.cells[0].toString(), "Stochastic Rainfall");
  EXPECT_EQ(note.cells[1].toDouble(), 2);
  EXPECT_EQ(note.cells[2].toString(), "6 hrs, F 1");
}

// The replace path puts point n into field 2 of line n; a five-minute value above 0.8 inch after
// the rain factor is held at 0.8 and logged.
TEST_F(StochasticRainStore, TheReplacePathAndTheCapOnAFiveMinuteValue) {
  s.WhatIf.WriteMTables = 0;
  s.WhatIf.StormDuration = 1;
  s.WhatIf.FlashyFactor = 0;  // twelve equal steps of 1/12 inch
  s.RunoffRainFactor = 12;    // 1 inch a step before the cap
  std::vector<std::string> lines = {"HDB RAIN and ETo\r"};
  for (int i = 0; i < 20; ++i) lines.push_back("Z\t2024-06-03 00:00\t 9 \t 0 \t 1 ");
  int32_t count = 0;
  StochasticRain(s, "10101", 45446, 45447, count, 5, 2, -1, lines);
  EXPECT_EQ(count, 14);  // the storm's 13 steps and one more
  EXPECT_EQ(lines[1], "Z\t2024-06-03 00:00\t0\t 0 \t 1 ");
  EXPECT_NEAR(std::stod(vb::Split(lines[2], "\t")[2]), 0.8 / 12, 1e-12);
  EXPECT_EQ(lines[14], "Z\t2024-06-03 00:00\t0\t 0 \t 1 ");
  EXPECT_EQ(lines[15], "Z\t2024-06-03 00:00\t 9 \t 0 \t 1 ");
  EXPECT_NE(s.form.Text1.Text.find("Stochastic rain 1 limited to 0.8"), std::string::npos)
      << s.form.Text1.Text;
}

}  // namespace
}  // namespace fw::compute
