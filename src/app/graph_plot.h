#pragma once
// The graph window's chart as plain data a view draws without knowing the chart's rules: the
// series with their points and legend names, the X labels and ticks, the Y range, the chart kind.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/graph_window.h"
#include "store/graph_model.h"

namespace fw {

struct GraphPlot {
  struct Series {
    std::string name;                           // the legend's text
    std::vector<std::optional<double>> points;  // one per row; an empty point breaks the line
  };
  std::vector<Series> series;
  std::vector<std::string> xLabels;  // per row; empty where no label is drawn
  std::vector<bool> xTicks;          // per row: a tick before it
  double yMinimum = 0, yMaximum = 1, yStep = 0.2;
  bool logarithmic = false;  // values <= 0 are left out on a log axis
  int16_t kind = 1;          // 1 line, 2 bar, 3 area
  bool threeD = false;
  bool markers = true, line = true;
  std::string title;   // the chart title
  std::string yTitle;  // the Y axis title
  std::string caption;
  vb::Color backdrop = GraphWindow::kWindowGrey;
};

// The chart and its window as drawn now. Column n's legend name is the title the chart had when
// the writer took the column, else "Cn".
GraphPlot graphPlot(const GraphModel& chart, const GraphWindow& window);

}  // namespace fw
