// A year of 5-minute inflows (105,120 values) through a 10-reach Muskingum-Cunge cascade, as the
// routing interpreter runs it (table read at the peak, then the cascade over UnitSeries), beside
// a plain loop over std::vector<double> with the same coefficients. Prints the ratio.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "compute/channel_routing.h"

namespace {

constexpr int32_t kValues = 105120;  // 365 days of 5-minute values
constexpr double kStepHours = 5.0 / 60;
constexpr int16_t kReaches = 10;

std::vector<double> inflow() {
  std::vector<double> v(kValues);
  for (int32_t i = 0; i < kValues; ++i)
    v[static_cast<size_t>(i)] = 50 + 400 * std::exp(-std::pow((i % 8640 - 2000) / 300.0, 2));
  return v;
}

// Keys span the peak, so the cascade's K, X and count are interpolated as a run would.
const char* kTable = "Name\tFlow\tK\tX\tReaches\r\nlow\t100\t5\t0.2\t10\r\nhigh\t1000\t5\t0.2\t10\r\n";

struct Routing {
  fw::bench::TempDatabase folder{"routing"};
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5};
  fw::Session s{ui, clock, folder.folder};
  std::vector<double> in = inflow();
  std::filesystem::path table = folder.folder / "reach.txt";

  Routing() {
    vb::writeAllBytes(table, kTable);
    s.UnitSeries.assign(kValues + 1, fw::SeriesPoint{});
    for (int32_t i = 1; i <= kValues; ++i) s.UnitSeries[static_cast<size_t>(i)].date = 45000 + i / 288.0;
  }
  void load() {
    for (int32_t i = 1; i <= kValues; ++i) s.UnitSeries[static_cast<size_t>(i)].value = in[static_cast<size_t>(i) - 1];
  }
};

void BM_MuskingumCungeCascade(benchmark::State& state) {
  Routing r;
  for (auto _ : state) {
    r.load();
    double K = 0, X = 0;
    int16_t m = 0;
    fw::compute::MuskingumCungeSetup(r.s, kValues, kStepHours, r.table, K, X, m);
    fw::compute::RouteMuskingum(r.s, K, X, kValues, kStepHours, m);
    benchmark::DoNotOptimize(r.s.UnitSeries[kValues].value);
  }
  state.SetItemsProcessed(state.iterations() * kValues * kReaches);
}
BENCHMARK(BM_MuskingumCungeCascade)->Unit(benchmark::kMillisecond);

void BM_PlainCascadeLoop(benchmark::State& state) {
  const std::vector<double> in = inflow();
  std::vector<double> v(in.size());
  const fw::compute::MuskingumCoefficients c = fw::compute::muskingumCoefficients(5.0 / kReaches, 0.2, kStepHours);
  for (auto _ : state) {
    v = in;
    for (int r = 0; r < kReaches; ++r) {
      double previousInflow = in[0];
      for (size_t j = 1; j < v.size(); ++j) {
        const double x = v[j];
        v[j] = c.c1 * previousInflow + c.c0 * x + c.c2 * v[j - 1];
        if (v[j - 1] < 0) v[j - 1] = 0;
        previousInflow = x;
      }
    }
    benchmark::DoNotOptimize(v.back());
  }
  state.SetItemsProcessed(state.iterations() * kValues * kReaches);
}
BENCHMARK(BM_PlainCascadeLoop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainCascadeLoop", {"BM_MuskingumCungeCascade"}, "plain loop", 2.0);
}
