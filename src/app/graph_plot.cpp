#include "app/graph_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/axis_scale.h"
#include "platform/vb/error.h"

namespace fw {

namespace {

int16_t kindOf(int16_t chartType) {
  switch (chartType) {
    case 0:
    case 1:
      return 2;
    case 4:
    case 5:
      return 3;
    default:
      return 1;
  }
}

// The range the chart would choose itself over the drawn values.
void autoRange(GraphPlot& plot) {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (const GraphPlot::Series& s : plot.series)
    for (const std::optional<double>& v : s.points) {
      if (!v || (plot.logarithmic && *v <= 0)) continue;
      low = std::min(low, *v);
      high = std::max(high, *v);
    }
  if (low > high) {
    low = plot.logarithmic ? 1 : 0;
    high = plot.logarithmic ? 10 : 1;
  }
  if (plot.logarithmic) {
    plot.yMinimum = std::pow(10.0, std::floor(std::log10(low)));
    plot.yMaximum = std::pow(10.0, std::ceil(std::log10(high)));
    if (plot.yMaximum <= plot.yMinimum) plot.yMaximum = plot.yMinimum * 10;
    plot.yStep = 10;
    return;
  }
  float lo = static_cast<float>(std::min(low, 0.0));
  float hi = static_cast<float>(high);
  float axisMin = 0, step = 0, axisMax = 0;
  try {
    AxisScale(lo, hi, axisMin, step, axisMax);
    plot.yMinimum = axisMin;
    plot.yMaximum = axisMax;
    plot.yStep = step;
  } catch (const vb::Error&) {
    plot.yMinimum = low;
    plot.yMaximum = high > low ? high : low + 1;
    plot.yStep = (plot.yMaximum - plot.yMinimum) / 5;
  }
}

}  // namespace

GraphPlot graphPlot(const GraphModel& chart, const GraphWindow& window) {
  GraphPlot plot;
  plot.kind = kindOf(window.ChartType);
  plot.threeD = window.is3D();
  plot.logarithmic = window.YScaleType == 1;
  plot.markers = window.MarkersVisible;
  plot.line = window.LineVisible;
  plot.title = chart.ChartTitle;
  plot.yTitle = chart.YAxisTitle;
  plot.caption = chart.Caption;
  plot.backdrop = window.BackdropColor;

  const int32_t rows = chart.RowCount();
  for (int32_t c = 1; c <= chart.ColumnCount(); ++c) {
    GraphPlot::Series series;
    series.name = chart.columnLabel(c);
    if (series.name.empty()) series.name = "C" + std::to_string(c);
    series.points.reserve(static_cast<std::size_t>(rows));
    for (int32_t r = 1; r <= rows; ++r) series.points.push_back(chart.data(r, c));
    plot.series.push_back(std::move(series));
  }

  const int32_t perLabel = std::max<int32_t>(1, chart.XAxis.DivisionsPerLabel);
  const int32_t perTick = std::max<int32_t>(1, chart.XAxis.DivisionsPerTick);
  plot.xLabels.resize(static_cast<std::size_t>(rows));
  plot.xTicks.resize(static_cast<std::size_t>(rows));
  for (int32_t r = 1; r <= rows; ++r) {
    if ((r - 1) % perLabel == 0) plot.xLabels[static_cast<std::size_t>(r - 1)] = chart.rowLabel(r);
    plot.xTicks[static_cast<std::size_t>(r - 1)] = (r - 1) % perTick == 0;
  }

  const GraphModel::ValueScale& y = chart.YAxis;
  if (y.Auto || plot.logarithmic || y.Maximum <= y.Minimum) {
    autoRange(plot);
  } else {
    plot.yMinimum = y.Minimum;
    plot.yMaximum = y.Maximum;
    plot.yStep = (y.Maximum - y.Minimum) / std::max<int16_t>(1, y.MajorDivision);
  }
  return plot;
}

}  // namespace fw
