// A year of 5-minute steps (105,120) of synthetic rain through a runoff station's step: SCS curve
// number loss (abstraction 0.2; no impervious area, constant loss, recovery, interception or
// groundwater) and three triangle unit graphs, no "Runoff.txt". Beside it, a plain hand-written
// loop doing the same work over plain doubles: the same curve-number excess of the same rain,
// convolved through the same ordinates. Prints the ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "bench_support.h"
#include "compute/triangle_unit_graph.h"
#include "run/run_context.h"
#include "run/runoff_start.h"
#include "run/runoff_step.h"

namespace {

constexpr int32_t kSteps = 105120;  // 365 days of 5-minute steps
constexpr double kStart = 45292;    // 1 January 2024

// Storms of a few hours every ten days, 0.02 in a step at their peak.
std::vector<double> rain() {
  std::vector<double> v(kSteps);
  for (int32_t i = 0; i < kSteps; ++i) {
    const int32_t k = i % 2880;
    v[static_cast<size_t>(i)] = k < 48 ? 0.02 * std::sin(k * 3.14159265 / 48) : 0;
  }
  return v;
}

// Lag 2 h, CN 75, area 10 mi², shares 0.5, 0.3 and 0.2 with recession ratios 1.5, 2 and 3; the
// groundwater loss of 1 turns the groundwater off.
const char* const kParameters = "2,75,0,0,10,1.5,0,0.3,2,0.2,3,0,0,0,1,1,0,1,0,0,0,0.2,0,0.7,0,Lag0";

struct Station {
  fw::bench::TempDatabase folder{"runoff"};
  fw::HeadlessUi ui;
  fw::FixedClock clock{45658.5};
  fw::Session s{ui, clock, folder.folder};
  fw::RunContext ctx;
  fw::LineState line;
  std::vector<std::string_view> lines = std::vector<std::string_view>(kSteps + 2, "Z");

  void start() {
    line = fw::LineState{};
    line.StationId = "COMPUTE-UNIT";
    line.Dsid = "30101";
    line.ValueCode = 30;
    line.ValueClass = 30;
    auto r = std::make_shared<fw::RunoffState>();
    r->params = fw::readRunoffParameters(kParameters);
    r->inputStepMinutes = 5;
    fw::runoffSetUp(s, ctx, line, *r, 366);
    r->state.S1 = r->soil.S1dry;
    r->state.Ia = r->soil.initialAbstraction * r->state.S1;
    r->state.RetentionRest = r->state.S1 - r->state.Ia;
    line.Runoff = r;
    fw::ValueLoopState& v = line.ValueLoop;
    v.ValueLines = lines;
    v.Fields = {"Z", "", "", ".0004", "0"};
    v.StepMinutes = 5;
  }
};

void BM_RunoffStep(benchmark::State& state) {
  Station st;
  const std::vector<double> p = rain();
  // The value loop hands the step its dates: working them out is none of the step's work.
  std::vector<double> dates(kSteps);
  for (int32_t i = 0; i < kSteps; ++i) dates[static_cast<size_t>(i)] = kStart + i / 288.0;
  for (auto _ : state) {
    st.start();
    fw::ValueLoopState& v = st.line.ValueLoop;
    double sum = 0;
    for (int32_t i = 0; i < kSteps; ++i) {
      v.ValueDate = dates[static_cast<size_t>(i)];
      v.NewDay = i % 288 == 0 && i > 0;
      v.Hour = static_cast<int16_t>(i % 288 / 12);
      v.UnitIndex = i;
      v.CurrentValue = p[static_cast<size_t>(i)];
      fw::runoffStep(st.s, st.ctx, st.line);
      sum += v.CurrentValue;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BM_RunoffStep)->Unit(benchmark::kMillisecond);

// The same station written out by hand: the cumulative SCS runoff of the rain so far gives each
// step's excess, which goes through the three triangles' ordinates.
struct PlainLoop {
  double ia = 0, rest = 0;  // initial abstraction and the rest of the retention, inches
  std::vector<std::vector<double>> ordinates;
  std::vector<double> hydrograph = std::vector<double>(kSteps + 1);

  explicit PlainLoop(const fw::RunoffState& r) : ia(r.state.Ia), rest(r.state.RetentionRest) {
    for (const fw::compute::TriangleGraph& g : r.triangles) {
      std::vector<double> o;
      for (int32_t j = 1; j <= g.base; ++j) o.push_back(fw::compute::triangleOrdinate(g, g.peakFactor, j));
      ordinates.push_back(o);
    }
  }

  // The flows in cfs summed over the year; the excess in inches summed into `excessSum`.
  double run(const std::vector<double>& rain, double& excessSum) {
    std::fill(hydrograph.begin(), hydrograph.end(), 0.0);
    double rainSum = 0, cumulative = 0, sum = 0;
    excessSum = 0;
    for (int32_t n = 0; n < kSteps; ++n) {
      const double p = rain[static_cast<size_t>(n)];
      rainSum += p;
      const double d = rainSum - ia;
      const double runoff = d > 0 ? d * d / (rainSum + rest) : 0;
      const double e = p - std::max(p - (runoff - cumulative), 0.0);
      cumulative = runoff;
      if (e > 0) {
        excessSum += e;
        for (const std::vector<double>& o : ordinates)
          for (size_t j = 0; j < o.size() && n + j < hydrograph.size(); ++j) hydrograph[n + j] += e * o[j];
      }
      sum += hydrograph[static_cast<size_t>(n)];
    }
    return sum;
  }
};

void BM_PlainLoop(benchmark::State& state) {
  Station st;
  st.start();
  const std::vector<double> p = rain();
  PlainLoop plain(*st.line.Runoff);
  // Both sides must do the same work: the step's excess over the year is the loop's.
  double excess = 0;
  plain.run(p, excess);
  st.s.RunoffTotals[1] = 0;
  fw::ValueLoopState& v = st.line.ValueLoop;
  for (int32_t i = 0; i < kSteps; ++i) {
    v.ValueDate = kStart + i / 288.0;
    v.CurrentValue = p[static_cast<size_t>(i)];
    v.UnitIndex = i;
    fw::runoffStep(st.s, st.ctx, st.line);
  }
  if (std::fabs(st.s.RunoffTotals[1] - excess) > 1e-9 * excess || excess <= 0)
    state.SkipWithError("the plain loop's excess is not the step's");
  for (auto _ : state) {
    double e = 0;
    benchmark::DoNotOptimize(plain.run(p, e));
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainLoop", {"BM_RunoffStep"}, "plain loop", 2.0);
}
