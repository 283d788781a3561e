// Stored hourly series drawn through the writer and turned into plain plot data.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/graph_plot.h"
#include "store/hourly_writer.h"
#include "store/stored_rows.h"
#include "support/test_session.h"

namespace fw {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

const vb::VbDate kDay = 45448;  // 06/05/2024
vb::VbDate h(double hours) {
  return vb::roundToSecond(kDay + hours / 24.0);
}

class GraphPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = testing::openTestHdb(s, testing::HdbEngine::AdoSqlite);
    s.form.Check3.Value = 1;
    s.FrmGraph.Visible = true;
  }
  // Three days of hourly flow from 02:00 of the first: 10 cfs with a low of 3.2 at the start and
  // a peak of 47 on the second morning.
  void threeDaysOfFlow(double startHour = 2) {
    s.HourSeries.clear();
    for (int n = 0; n < 72 - static_cast<int>(startHour); ++n) {
      const double hour = startHour + n;
      double v = 10;
      if (n == 0) v = 3.2;
      if (hour == 30) v = 47;
      s.HourSeries.push_back({h(hour), v, 0});
    }
    s.DayMaxSeries = {{0, 0, 0}, {h(startHour + 1), 10, 0}, {h(30), 47, 0}, {h(50), 10, 0}};
    s.DayMinSeries = {{0, 0, 0}, {h(startHour), 3.2, 0}, {h(25), 10, 0}, {h(49), 10, 0}};
  }
  int32_t write(int16_t valueCode = 1, int32_t dailyCount = 3) {
    int32_t last = static_cast<int32_t>(s.HourSeries.size()) - 1;
    hdbhourly(s, "1001", dailyCount, 2, 0, last, valueCode, "", 0, h(13.25));
    return last;
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path file;
};

TEST_F(GraphPlotTest, AStoredFlowSeries) {
  s.FrmGraph.ChartTitle = "Gauge A";
  s.FrmGraph.Caption = "Gauge A";
  threeDaysOfFlow();
  write();
  const auto rows = testing::storedRows(file, "rhour");
  ASSERT_EQ(rows.size(), 70u);
  EXPECT_EQ(rows.front(), (testing::Stored{h(2), 3.2, 2}));
  EXPECT_EQ(rows[28], (testing::Stored{h(30), 47, 2}));

  const GraphPlot p = graphPlot(s.FrmGraph, s.GraphWin);
  EXPECT_EQ(p.yMinimum, 0);
  EXPECT_EQ(p.yMaximum, 50);
  EXPECT_EQ(p.yStep, 5);
  ASSERT_EQ(p.series.size(), 1u);
  EXPECT_EQ(p.series[0].name, "Gauge A");
  ASSERT_EQ(p.series[0].points.size(), 72u);
  // The hours before the first value are empty points.
  EXPECT_FALSE(p.series[0].points[0].has_value());
  EXPECT_FALSE(p.series[0].points[1].has_value());
  EXPECT_NEAR(*p.series[0].points[2], 3.2, 1e-6);
  EXPECT_EQ(*p.series[0].points[30], 47);
  EXPECT_EQ(p.xLabels[0], "Jun05");
  EXPECT_EQ(p.xLabels[1], "");  // between labels
  EXPECT_EQ(p.xLabels[12], "12:00");
  EXPECT_TRUE(p.xTicks[12]);
  EXPECT_FALSE(p.xTicks[13]);
  EXPECT_EQ(p.kind, 1);
  EXPECT_FALSE(p.threeD);
  EXPECT_FALSE(p.logarithmic);
  EXPECT_THAT(p.caption, HasSubstr(", Max 47 @ 6/6 6:00, "));
  EXPECT_THAT(p.caption, EndsWith(" acft"));

  // "Add": the next series of the same day goes beside it under its own name.
  graph_window::Command3_Click(s);
  s.FrmGraph.ChartTitle = "Gauge B";
  threeDaysOfFlow(0);
  write();
  const GraphPlot two = graphPlot(s.FrmGraph, s.GraphWin);
  ASSERT_EQ(two.series.size(), 2u);
  EXPECT_EQ(two.series[0].name, "Gauge A");
  EXPECT_EQ(two.series[1].name, "Gauge B");
  EXPECT_NEAR(*two.series[1].points[0], 3.2, 1e-6);

  // A series of another day starts the chart again, even with Add.
  s.FrmGraph.ChartTitle = "Gauge C";
  s.HourSeries = {{h(24 * 5 + 1), 4, 0}, {h(24 * 5 + 2), 6, 0}};
  s.DayMaxSeries = {{0, 0, 0}, {h(24 * 5 + 2), 6, 0}};
  s.DayMinSeries = {{0, 0, 0}, {h(24 * 5 + 1), 4, 0}};
  write(1, 1);
  const GraphPlot fresh = graphPlot(s.FrmGraph, s.GraphWin);
  ASSERT_EQ(fresh.series.size(), 1u);
  EXPECT_EQ(fresh.series[0].name, "Gauge C");
}

TEST_F(GraphPlotTest, RainIsDrawnAsItsTotalOnTheChartsOwnScale) {
  s.HourSeries = {{h(0), 0.1, 0}, {h(1), 0.2, 0}, {h(2), 0.3, 0}};
  s.DayMaxSeries = {{0, 0, 0}, {h(2), 0.3, 0}};
  s.DayMinSeries = {{0, 0, 0}, {h(0), 0.1, 0}};
  write(10, 1);
  const GraphPlot p = graphPlot(s.FrmGraph, s.GraphWin);
  ASSERT_EQ(p.series.size(), 1u);
  EXPECT_EQ(p.series[0].name, "C1");  // no title given
  EXPECT_NEAR(*p.series[0].points[2], 0.6, 1e-9);
  EXPECT_EQ(p.yMinimum, 0);
  EXPECT_GE(p.yMaximum, 0.6);
  EXPECT_GT(p.yStep, 0);
}

TEST(GraphPlotKindTest, ChartTypesLogAxisAndEmptyChart) {
  GraphModel chart;
  GraphWindow window;
  struct Case {
    int16_t type, kind;
    bool threeD;
  };
  for (const Case& c : {Case{0, 2, true}, Case{1, 2, false}, Case{2, 1, true}, Case{3, 1, false},
                        Case{4, 3, true}, Case{5, 3, false}}) {
    window.ChartType = c.type;
    const GraphPlot p = graphPlot(chart, window);
    EXPECT_EQ(p.kind, c.kind) << c.type;
    EXPECT_EQ(p.threeD, c.threeD) << c.type;
  }
  // A log axis spans the positive values in powers of ten, whatever the writer's range.
  chart.setRowCount(3);
  chart.setColumnCount(1);
  chart.SetData(1, 1, 0, false);
  chart.SetData(2, 1, 3, false);
  chart.SetData(3, 1, 420, false);
  chart.YAxis.Auto = false;
  chart.YAxis.Minimum = 0;
  chart.YAxis.Maximum = 500;
  chart.YAxis.MajorDivision = 5;
  window.YScaleType = 1;
  GraphPlot p = graphPlot(chart, window);
  EXPECT_TRUE(p.logarithmic);
  EXPECT_EQ(p.yMinimum, 1);
  EXPECT_EQ(p.yMaximum, 1000);
  window.YScaleType = 0;
  p = graphPlot(chart, window);
  EXPECT_EQ(p.yMaximum, 500);
  EXPECT_EQ(p.yStep, 100);
}

}  // namespace
}  // namespace fw
