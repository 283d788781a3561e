// The graph window's chart turned into plot data: a year of hourly values in three columns
// through graphPlot, beside a plain loop in the same process that copies the same values and row
// labels out of the chart (goal: at most 2 times the loop).
#include <optional>
#include <string>
#include <vector>

#include "app/graph_plot.h"
#include "bench_support.h"

namespace {

constexpr int kRows = 366 * 24;
constexpr int kColumns = 3;

const fw::GraphModel& theChart() {
  static const fw::GraphModel chart = [] {
    fw::GraphModel g;
    g.setRowCount(kRows);
    g.setColumnCount(kColumns);
    for (int r = 1; r <= kRows; ++r) {
      g.setRow(r);
      const int hour = (r - 1) % 24;
      g.setRowLabel(hour == 0 ? "Jan01" : std::to_string(hour) + ":00");
      for (int c = 1; c <= kColumns; ++c) g.SetData(r, c, 10.0 * c + (r % 97) * 0.5, r % 500 == 0);
    }
    for (int c = 1; c <= kColumns; ++c) g.setColumnLabel(c, "Gauge " + std::to_string(c));
    g.XAxis.DivisionsPerLabel = 24;
    g.XAxis.DivisionsPerTick = 6;
    g.YAxis.Auto = true;
    return g;
  }();
  return chart;
}

void BM_GraphPlot(benchmark::State& state) {
  const fw::GraphModel& chart = theChart();
  fw::GraphWindow window;
  for (auto _ : state) {
    fw::GraphPlot plot = fw::graphPlot(chart, window);
    benchmark::DoNotOptimize(plot.series.data());
  }
}

void BM_PlainCopy(benchmark::State& state) {
  const fw::GraphModel& chart = theChart();
  for (auto _ : state) {
    std::vector<std::vector<std::optional<double>>> columns(kColumns);
    std::vector<std::string> labels(kRows);
    for (int c = 1; c <= kColumns; ++c) {
      columns[c - 1].reserve(kRows);
      for (int r = 1; r <= kRows; ++r) columns[c - 1].push_back(chart.data(r, c));
    }
    for (int r = 1; r <= kRows; ++r)
      if ((r - 1) % 24 == 0) labels[r - 1] = chart.rowLabel(r);
    benchmark::DoNotOptimize(columns.data());
    benchmark::DoNotOptimize(labels.data());
  }
}

}  // namespace

BENCHMARK(BM_GraphPlot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_PlainCopy", {"BM_GraphPlot"}, "plain copy", 2.0);
  benchmark::Shutdown();
  return 0;
}
