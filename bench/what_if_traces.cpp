// 100 What-If traces of a year of hourly runoff (8,760 steps each), the constant loss stepped by
// 1 % a trace through the What-If opening and closing, against 100 plain runs of the same runoff
// step with the constant loss set by hand before each. Prints the ratio; the goal is at most
// 1.2: the What-If bookkeeping costs little beside the model.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench_support.h"
#include "run/run_context.h"
#include "run/runoff_start.h"
#include "run/runoff_step.h"
#include "run/what_if.h"

namespace {

constexpr int32_t kSteps = 8760;  // a year of hours
constexpr int32_t kTraces = 100;
constexpr double kStart = 45292;  // 1 January 2024
const char* const kParameters = "2,75,0.01,10,10,1.5,0.2,0.3,2,0.2,3,0,0,0,0.5,1,0,1,0,0,0,0.2,0,0.7,0,Lag0";

// A storm of six hours every five days.
std::vector<double> rain() {
  std::vector<double> v(kSteps);
  for (int32_t i = 0; i < kSteps; ++i) v[static_cast<size_t>(i)] = i % 120 < 6 ? 0.2 : 0;
  return v;
}

struct Station {
  fw::bench::TempDatabase folder{"whatif"};
  fw::HeadlessUi ui;
  fw::FixedClock clock{45658.5};
  fw::Session s{ui, clock, folder.folder};
  fw::RunContext ctx;
  fw::LineState line;
  std::vector<std::string_view> lines = std::vector<std::string_view>(kSteps + 2, "Z");
  std::vector<double> p = rain();

  Station() {
    s.BatchMode = true;
    line.StationId = "COMPUTE-HOUR";
    line.Dsid = "30101";
    line.ValueCode = 30;
    line.ValueClass = 30;
  }
  fw::RunoffState opened() const {
    fw::RunoffState r;
    r.params = fw::readRunoffParameters(kParameters);
    r.inputStepMinutes = 60;
    return r;
  }
  // One run of the year through the runoff step from the set-up of `r`.
  double run(const std::shared_ptr<fw::RunoffState>& r) {
    fw::runoffSetUp(s, ctx, line, *r, 366);
    r->state.S1 = r->soil.S1dry;
    r->state.Ia = r->soil.initialAbstraction * r->state.S1;
    r->state.RetentionRest = r->state.S1 - r->state.Ia;
    line.Runoff = r;
    fw::ValueLoopState& v = line.ValueLoop;
    v.ValueLines = lines;
    v.Fields = {"Z", "", "", ".0004", "0"};
    v.StepMinutes = 60;
    double sum = 0;
    for (int32_t i = 0; i < kSteps; ++i) {
      v.ValueDate = kStart + i / 24.0;
      v.NewDay = i % 24 == 0 && i > 0;
      v.Hour = static_cast<int16_t>(i % 24);
      v.UnitIndex = i;
      v.CurrentValue = p[static_cast<size_t>(i)];
      fw::runoffStep(s, ctx, line);
      sum += v.CurrentValue;
    }
    return sum;
  }
};

void BM_WhatIfTraces(benchmark::State& state) {
  Station st;
  for (auto _ : state) {
    fw::WhatIfSettings& w = st.s.WhatIf;
    w.Coefficient = 2;
    w.CoefficientCaption = fw::whatIfCaption(2);
    w.StepFactor = 1.01;
    w.Traces = kTraces;
    st.line.WhatIfRun = fw::WhatIfTraces{};
    st.line.WhatIfRun.active = true;
    st.line.WhatIfRun.opened = std::make_shared<fw::RunoffState>(st.opened());
    double sum = 0;
    for (;;) {
      auto r = std::make_shared<fw::RunoffState>();
      fw::whatIfOpening(st.s, st.line, *r);
      sum += st.run(r);
      if (fw::whatIfClosing(st.s, st.ctx, st.line)->kind != fw::MoveKind::NextTrace) break;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kTraces);
}
BENCHMARK(BM_WhatIfTraces)->Unit(benchmark::kMillisecond);

void BM_PlainRuns(benchmark::State& state) {
  Station st;
  for (auto _ : state) {
    double loss = 0.01, sum = 0;
    for (int32_t t = 0; t < kTraces; ++t) {
      auto r = std::make_shared<fw::RunoffState>(st.opened());
      r->params.constantLoss = loss;
      sum += st.run(r);
      loss = std::round(loss * 1.01 * 1e6) / 1e6;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kTraces);
}
BENCHMARK(BM_PlainRuns)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainRuns", {"BM_WhatIfTraces"}, "plain runs", 1.2);
}
