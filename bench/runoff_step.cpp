// A year of 5-minute steps (105,120) of synthetic rain through a runoff station's step: SCS curve
// number loss (abstraction 0.2; no impervious area, constant loss, recovery, interception or
// groundwater) and three triangle unit graphs, no "Runoff.txt". Beside it, the same model work in a
// plain loop: the soil step, the triangles and the day's states, without the run's bookkeeping.
// Prints the ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "bench_support.h"
#include "compute/curve_number_loss.h"
#include "compute/triangle_unit_graph.h"
#include "platform/vb/date.h"
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

// The same model work without the run's bookkeeping: the soil's curve-number step with its
// storage and recovery, the three triangles' ordinates added into the hydrograph, the base flow,
// and the day's states kept at each day's start; no fields, texts, rounding rules or event rows.
struct PlainModel {
  fw::compute::SoilParameters soil;
  fw::compute::SoilConstants constants;
  fw::compute::SoilState start;
  std::array<double, 13> monthlyEt{};
  double baseFlow = 0, stepET = 0;
  std::vector<int> months;  // of each day
  std::vector<fw::compute::TriangleOrdinates> ordinates;
  std::vector<double> hydrograph = std::vector<double>(kSteps + 2);
  std::vector<double> daySoil, dayRain, dayGroundwater;

  explicit PlainModel(const fw::RunoffState& r)
      : soil(r.soil), constants(r.constants), start(r.state), monthlyEt(r.monthlyEt), baseFlow(r.baseFlow) {
    for (const fw::compute::TriangleOrdinates& o : r.triangleOrdinates) ordinates.push_back(o);
    // The station's ET field, ".0004" an hour, as the step reads it.
    stepET = constants.stepRecovery == 0 ? 0 : 0.0004 * (constants.stepHours < 13 ? constants.stepHours : 1);
    for (int d = 0; d <= 366; ++d) months.push_back(vb::Month(kStart + d));
  }

  // The flows in cfs summed over the year; the excess in inches summed into `excessSum`.
  double run(const std::vector<double>& rain, double& excessSum) {
    std::fill(hydrograph.begin(), hydrograph.end(), 0.0);
    daySoil.assign(367, 0);
    dayRain.assign(367, 0);
    dayGroundwater.assign(367, 0);
    fw::compute::SoilState st = start;
    const int64_t last = static_cast<int64_t>(hydrograph.size()) - 1;
    double sum = 0;
    excessSum = 0;
    for (int32_t i = 0; i < kSteps; ++i) {
      if (i % 288 == 0) {
        const size_t d = static_cast<size_t>(i / 288);
        daySoil[d] = st.S1;
        dayRain[d] = st.RainSum;
        dayGroundwater[d] = st.GroundwaterFlow;
      }
      fw::compute::StepInput in;
      in.rainfall = rain[static_cast<size_t>(i)];
      in.stepET = stepET;
      in.month = months[static_cast<size_t>(i / 288)];
      in.etCoefficient = monthlyEt[static_cast<size_t>(in.month)];
      in.lineCounter = i + 1;
      const fw::compute::StepValues sv = fw::compute::curveNumberStep(soil, constants, st, in);
      const double stepBase = std::max(0.0, sv.SoilFlowCFS + baseFlow + sv.GWFlowCFS);
      const int64_t n = i + 1;
      if (sv.Excess > 0)
        for (const fw::compute::TriangleOrdinates& o : ordinates)
          fw::compute::addOrdinates(hydrograph, n, last, sv.Excess, o);
      excessSum += sv.Excess;
      sum += hydrograph[static_cast<size_t>(n)] + stepBase;
    }
    return sum;
  }
};

void BM_PlainModel(benchmark::State& state) {
  Station st;
  st.start();
  const std::vector<double> p = rain();
  fw::RunoffState& r = *st.line.Runoff;
  // The step works out its constants and graphs at its first line; the plain model starts from them.
  st.s.RunoffTotals[1] = 0;
  fw::ValueLoopState& v = st.line.ValueLoop;
  const fw::compute::SoilState before = r.state;
  for (int32_t i = 0; i < kSteps; ++i) {
    v.ValueDate = kStart + i / 288.0;
    v.NewDay = i % 288 == 0 && i > 0;
    v.CurrentValue = p[static_cast<size_t>(i)];
    v.UnitIndex = i;
    fw::runoffStep(st.s, st.ctx, st.line);
  }
  r.state = before;
  PlainModel plain(r);
  // Both sides must do the same work: the step's excess over the year is the model's.
  double excess = 0;
  plain.run(p, excess);
  if (std::fabs(st.s.RunoffTotals[1] - excess) > 1e-9 * excess || excess <= 0)
    state.SkipWithError("the plain model's excess is not the step's");
  for (auto _ : state) {
    double e = 0;
    benchmark::DoNotOptimize(plain.run(p, e));
  }
  state.SetItemsProcessed(state.iterations() * kSteps);
}
BENCHMARK(BM_PlainModel)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainModel", {"BM_RunoffStep"}, "plain model", 3.0, 9);
}
