// The review chart filled from one hourly series at a time, without a database.
#include <gtest/gtest.h>

#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "store/graph_model.h"

namespace fw {
namespace {

const vb::VbDate kDay = 45448;  // 2024-06-05

vb::VbDate at(double hours, vb::VbDate day = kDay) {
  return day + hours / 24.0;
}

std::vector<SeriesPoint> hourly(vb::VbDate first, std::vector<double> values) {
  std::vector<SeriesPoint> v;
  for (size_t i = 0; i < values.size(); ++i)
    v.push_back({first + static_cast<double>(i) / 24.0, values[i], 0});
  return v;
}

struct Chart {
  GraphModel chart;
  HourlyGraphState state;
  std::vector<SeriesPoint> dayMax{{0, 0, 0}, {at(3.5), 40, 0}};
  std::vector<SeriesPoint> dayMin{{0, 0, 0}, {at(1), 3.2, 0}};

  // Draws the whole series the way the writer does when every value is accepted.
  HourlyChartFill draw(const std::vector<SeriesPoint>& series, HourlyChartStyle style = {}, bool add = false,
                       bool overwrite = false, int32_t dailyCount = 1) {
    HourlyChartFill fill(chart, state, style, add, overwrite);
    fill.begin();
    fill.yRange(dayMax, dayMin, dailyCount, series[0].date);
    const int32_t l = static_cast<int32_t>(series.size()) - 1;
    fill.rowsAndColumns(series[0].date, 0, l);
    fill.axisRange();
    for (int32_t i = 0; i <= l; ++i) fill.point(i, l, series[static_cast<size_t>(i)], dayMax, dailyCount);
    return fill;
  }
};

TEST(HourlyChartStyle, ByValueCodeSourceAndSecondCode) {
  struct Case {
    int16_t source, second, code;
    bool cumulative, autoScale, volume;
  } cases[] = {
      {2, 0, 10, true, true, false},  // rainfall: running total, automatic scale
      {12, 0, 10, false, false, false}, {28, 0, 10, false, false, false},
      {2, 27, 10, false, true, false},  // second code 27: automatic scale, no total
      {2, 0, 19, false, true, false},   // wind direction
      {2, 0, 1, false, false, true},    {2, 0, 30, false, false, true},
      {2, 27, 1, false, true, true},
  };
  for (const Case& c : cases) {
    const HourlyChartStyle st = hourlyChartStyle(c.source, c.second, c.code);
    EXPECT_EQ(st.cumulative, c.cumulative) << c.source << " " << c.second << " " << c.code;
    EXPECT_EQ(st.autoScale, c.autoScale) << c.source << " " << c.second << " " << c.code;
    EXPECT_EQ(st.volumeSummary, c.volume) << c.source << " " << c.second << " " << c.code;
  }
}

TEST(HourlyChartFill, LabelStepGrowsWithTheRows) {
  struct Case {
    int rows;
    int16_t step;
    bool shortLabels;
  } cases[] = {{1, 1, true},  {10, 2, true}, {14, 4, true},  {20, 4, true},   {24, 4, true},
               {28, 6, true}, {48, 6, true}, {52, 12, true}, {168, 24, true}, {300, 48, false}};
  for (const Case& c : cases) {
    Chart ch;
    ch.draw(hourly(at(0), std::vector<double>(static_cast<size_t>(c.rows), 1.0)));
    EXPECT_EQ(ch.chart.RowCount(), c.rows);
    EXPECT_EQ(ch.chart.XAxis.DivisionsPerTick, c.step) << c.rows;
    EXPECT_EQ(ch.chart.XAxis.DivisionsPerLabel, c.step) << c.rows;
    EXPECT_EQ(ch.state.shortLabels, c.shortLabels) << c.rows;
  }
}

TEST(HourlyChartFill, RowLabelsAndLeadingEmptyHours) {
  Chart ch;
  ch.draw(hourly(at(22), {1, 2, 3, 4, 5}));  // 22:00 .. 02:00 of the next day
  ASSERT_EQ(ch.chart.RowCount(), 27);
  EXPECT_EQ(ch.chart.rowLabel(1), "Jun05");
  EXPECT_EQ(ch.chart.rowLabel(2), "1:00");
  EXPECT_EQ(ch.chart.rowLabel(22), "21:00");
  EXPECT_FALSE(ch.chart.data(1, 1).has_value());
  EXPECT_FALSE(ch.chart.data(22, 1).has_value());
  EXPECT_EQ(ch.chart.rowLabel(23), "22:00");
  EXPECT_EQ(ch.chart.rowLabel(25), "Jun06");  // midnight shows the date
  EXPECT_EQ(ch.chart.rowLabel(26), "1:00");
  EXPECT_EQ(*ch.chart.data(23, 1), 1);
  EXPECT_EQ(*ch.chart.data(27, 1), 5);

  // Without short labels (a long series) every label carries the date.
  Chart longer;
  longer.draw(hourly(at(0), std::vector<double>(300, 1.0)));
  EXPECT_EQ(longer.chart.rowLabel(1), "Jun05");
  EXPECT_EQ(longer.chart.rowLabel(2), "Jun05 1:00");
  EXPECT_EQ(longer.chart.rowLabel(25), "Jun06");

  // A first value at 1 o'clock in the first row (the one before it was not drawn) shows the date.
  Chart early;
  HourlyChartFill fill(early.chart, early.state, {}, false, false);
  const auto series = hourly(at(0), {-99999, 2, 3});
  fill.rowsAndColumns(series[0].date, 0, 2);
  fill.point(1, 2, series[1], early.dayMax, 1);
  fill.point(2, 2, series[2], early.dayMax, 1);
  EXPECT_EQ(early.chart.rowLabel(1), "Jun05");
  EXPECT_EQ(early.chart.rowLabel(2), "2:00");
}

TEST(HourlyChartFill, YScaleFromTheDailyExtremes) {
  Chart ch;
  ch.draw(hourly(at(0), {5, 6, 7, 8, 9, 10}));
  EXPECT_FALSE(ch.chart.YAxis.Auto);
  EXPECT_EQ(ch.chart.YAxis.Minimum, 0);
  EXPECT_EQ(ch.chart.YAxis.Maximum, 40);  // 40 is a whole step of 5: it is the top itself
  EXPECT_EQ(ch.chart.YAxis.MajorDivision, 8);
  EXPECT_EQ(ch.chart.YAxis.MinorDivision, 1);
  EXPECT_FLOAT_EQ(ch.state.yMinimum, 3.2f);
  EXPECT_FLOAT_EQ(ch.state.yMaximum, 40);

  // Missing minima are passed over; with none left the minimum is the maximum and no range is set.
  Chart none;
  none.dayMin[1].value = MissingValue;
  none.chart.YAxis.Minimum = -7;
  none.draw(hourly(at(0), {1, 2}));
  EXPECT_FLOAT_EQ(none.state.yMinimum, 40);
  EXPECT_EQ(none.chart.YAxis.Minimum, -7);

  // A small range below zero is left to the chart's own scale.
  Chart cold;
  cold.dayMax[1].value = 3;
  cold.dayMin[1].value = -2;
  cold.draw(hourly(at(0), {1, 2}));
  EXPECT_TRUE(cold.chart.YAxis.Auto);

  // An automatic style computes nothing.
  Chart rain;
  rain.draw(hourly(at(0), {1, 2}), hourlyChartStyle(2, 0, 10));
  EXPECT_TRUE(rain.chart.YAxis.Auto);
  EXPECT_EQ(rain.chart.YAxis.MajorDivision, 0);
}

TEST(HourlyChartFill, AddOverwriteAndANewDay) {
  Chart ch;
  ch.draw(hourly(at(0), {1, 2, 3}), {}, true);
  EXPECT_EQ(ch.chart.ColumnCount(), 1);
  ch.dayMax[1].value = 60;
  ch.draw(hourly(at(0), {4, 5, 6, 7, 8}), {}, true);  // same day, Add: a second column
  EXPECT_EQ(ch.chart.ColumnCount(), 2);
  EXPECT_EQ(ch.chart.Column(), 2);
  EXPECT_EQ(ch.chart.RowCount(), 5);
  EXPECT_EQ(*ch.chart.data(1, 1), 1);
  EXPECT_EQ(*ch.chart.data(5, 2), 8);
  EXPECT_FLOAT_EQ(ch.state.yMaximum, 60);  // the range covers both columns
  EXPECT_EQ(ch.chart.YAxis.Maximum, 60);
  EXPECT_EQ(ch.state.rowCounts, (std::vector<int32_t>{0, 3, 5}));

  ch.draw(hourly(at(0), {9, 9}), {}, true, true);  // OverWrite: the last column again
  EXPECT_EQ(ch.chart.ColumnCount(), 2);
  EXPECT_EQ(*ch.chart.data(1, 2), 9);
  EXPECT_EQ(*ch.chart.data(1, 1), 1);
  EXPECT_EQ(ch.chart.RowCount(), 5);  // a shorter column keeps the rows

  ch.draw(hourly(at(0, kDay + 1), {7}), {}, true);  // another day starts the columns again
  EXPECT_EQ(ch.chart.ColumnCount(), 1);
  EXPECT_EQ(ch.chart.RowCount(), 1);
  EXPECT_EQ(ch.state.graphDay, kDay + 1);

  // OverWrite on another day leaves no column to overwrite: the series becomes column 1.
  ch.draw(hourly(at(0, kDay + 2), {3, 4}), {}, true, true);
  EXPECT_EQ(ch.chart.ColumnCount(), 1);
  EXPECT_EQ(*ch.chart.data(2, 1), 4);

  // Without Add every series starts a new chart.
  ch.draw(hourly(at(0, kDay + 2), {5}));
  EXPECT_EQ(ch.chart.ColumnCount(), 1);
  EXPECT_EQ(ch.chart.RowCount(), 1);
}

// The scale, the legend and the axis describe the columns shown: a chart that starts again (a
// new day with Add in force) takes its series' own range, not one left from the columns before.
TEST(HourlyChartFill, ScaleLegendAndAxisDescribeTheColumnsShown) {
  Chart ch;
  ch.dayMax[1].value = 16000;
  ch.chart.ChartTitle = "Davis Dam";
  ch.chart.YAxisTitle = "Hourly Release, cfs";
  ch.draw(hourly(at(0), {15000, 16000}), {}, true);
  EXPECT_EQ(ch.chart.YAxis.Maximum, 16000);

  ch.dayMax[1] = {at(3, kDay + 1), 12, 0};
  ch.dayMin[1] = {at(1, kDay + 1), 11, 0};
  ch.chart.ChartTitle = "Colorado R at Lees Ferry";
  ch.chart.YAxisTitle = "Hourly Flow, cfs";
  ch.draw(hourly(at(0, kDay + 1), {11, 12}), {}, true);
  EXPECT_EQ(ch.chart.ColumnCount(), 1);
  EXPECT_FLOAT_EQ(ch.state.yMaximum, 12);
  EXPECT_LE(ch.chart.YAxis.Maximum, 13);
  EXPECT_GE(ch.chart.YAxis.Minimum, 10);
  EXPECT_EQ(ch.chart.columnLabel(1), "Colorado R at Lees Ferry");
  EXPECT_EQ(ch.chart.YAxisTitle, "Hourly Flow, cfs");

  // A second column of another kind beside it: the legend names both, the axis says both.
  ch.chart.ChartTitle = "Oroville Runoff";
  ch.chart.YAxisTitle = "Hourly Runoff, cfs";
  ch.draw(hourly(at(0, kDay + 1), {10, 13}), {}, true);
  EXPECT_EQ(ch.chart.ColumnCount(), 2);
  EXPECT_EQ(ch.chart.columnLabel(1), "Colorado R at Lees Ferry");
  EXPECT_EQ(ch.chart.columnLabel(2), "Oroville Runoff");
  EXPECT_EQ(ch.chart.YAxisTitle, "Hourly Flow, cfs / Hourly Runoff, cfs");

  // Overwriting the last column with the first kind leaves one kind on the axis.
  ch.chart.YAxisTitle = "Hourly Flow, cfs";
  ch.draw(hourly(at(0, kDay + 1), {10, 13}), {}, true, true);
  EXPECT_EQ(ch.chart.YAxisTitle, "Hourly Flow, cfs");
  EXPECT_EQ(ch.chart.Fills, 4);
}

TEST(HourlyChartFill, PeakAtItsHourAndCumulativeTotals) {
  Chart ch;
  // The daily maximum at 03:30 is drawn in the 03:00 row, unless the row is among the last three.
  ch.draw(hourly(at(0), {1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(*ch.chart.data(4, 1), 40);
  EXPECT_EQ(*ch.chart.data(5, 1), 5);
  Chart late;
  late.draw(hourly(at(0), {1, 2, 3, 4, 5}));
  EXPECT_EQ(*late.chart.data(4, 1), 4);

  Chart rain;
  HourlyChartFill fill = rain.draw(hourly(at(0), {0.1, 0.2, 0, 0.5}), hourlyChartStyle(2, 0, 10));
  EXPECT_NEAR(*rain.chart.data(4, 1), 0.8, 1e-12);
  EXPECT_EQ(fill.volumeSum(), 0);
}

TEST(HourlyChartFill, CaptionSummary) {
  Chart ch;
  ch.chart.Caption = "Gauge 1";
  HourlyChartFill fill = ch.draw(hourly(at(0), {10, 20, 30, 40}), hourlyChartStyle(2, 0, 1));
  HourlyCaptionInputs in;
  in.captionTime = at(13.25);
  fill.finish(in);
  // 100 cfs-hours are 8.26458 acre-feet, three significant digits.
  EXPECT_EQ(ch.chart.Caption, "Gauge 1 6/5 1:15 PM, Max 40 @ 6/5 3:30, 8.26 acft");
  EXPECT_TRUE(ch.chart.Repaint);
  EXPECT_FALSE(ch.chart.UpdatesLocked);

  Chart runoff;
  HourlyChartFill f2 = runoff.draw(hourly(at(0), {1}), hourlyChartStyle(2, 0, 30));
  in.runoffTotals[0] = 1.254;
  in.runoffTotals[1] = 0.4;
  f2.finish(in);
  EXPECT_EQ(runoff.chart.Caption, " 6/5 1:15 PM, Max 40 @ 6/5 3:30, 0.083 acft, 1.25\" > 0.40\"");

  Chart stage;
  stage.chart.Caption = "Stage";
  HourlyChartFill f3 = stage.draw(hourly(at(0), {1}), hourlyChartStyle(2, 0, 2));
  in.whatIf = true;
  in.whatIfCaption = "What If CN x 1.1";
  f3.finish(in);
  EXPECT_EQ(stage.chart.Caption, "What If CN x 1.1");

  // A caption time of 0 is no date: nothing is appended ("12/30 12:00 AM" would be shown).
  Chart empty;
  empty.chart.Caption = "Markland";
  empty.draw(hourly(at(0), {1, 2})).finish(HourlyCaptionInputs{});
  EXPECT_EQ(empty.chart.Caption, "Markland");
}

TEST(HourlyChartFill, DailyIndexBeyondItsArrayIsSubscriptOutOfRange) {
  Chart ch;
  HourlyChartFill fill(ch.chart, ch.state, {}, false, false);
  try {
    fill.yRange(ch.dayMax, ch.dayMin, 5, 45448);
    FAIL() << "no error";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), vb::err::SubscriptOutOfRange);
  }
}

TEST(GraphModel, RefusesCellsOutsideTheGrid) {
  GraphModel g;
  g.setColumnCount(2);
  g.setRowCount(3);
  EXPECT_THROW(g.setRow(4), vb::Error);
  EXPECT_THROW(g.setColumn(0), vb::Error);
  EXPECT_THROW(g.SetData(1, 3, 1, false), vb::Error);
  g.setRow(3);
  g.setColumn(2);
  g.setData(7);
  EXPECT_EQ(*g.data(3, 2), 7);
  g.setRowCount(0);
  g.setRowCount(3);
  EXPECT_FALSE(g.data(3, 2).has_value());
}

}  // namespace
}  // namespace fw
