// The per-value formula step: the run sends "P1=<value>" as text and evaluates the station's
// formula, once per value of the station. Beside it the same arithmetic written in C++, so the
// result reads as a ratio. Goal: at least 2 million evaluations per second on one core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/script/script_control.h"
#include "platform/vb/format.h"

namespace {

constexpr std::size_t kValues = 4096;  // distinct P1 values, cycled

std::vector<double> values() {
  std::vector<double> v(kValues);
  for (std::size_t i = 0; i < kValues; ++i) v[i] = 100.0 + static_cast<double>(i) * 0.37;
  return v;
}

// The statements as the run writes them: "P1=" and VB's text of the number.
std::vector<std::string> statements() {
  std::vector<std::string> s;
  for (double v : values()) s.push_back("P1=" + vb::CStr(v));
  return s;
}

void BM_ScriptFormula(benchmark::State& state) {
  const std::vector<std::string> texts = statements();
  fw::ScriptControl sc;
  sc.ExecuteStatement("SHIFT= .12");
  std::size_t i = 0;
  for (auto _ : state) {
    sc.ExecuteStatement(texts[i]);
    vb::Variant r = sc.Eval("(P1+SHIFT)^1.5*3.2");
    benchmark::DoNotOptimize(r);
    i = (i + 1) % kValues;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScriptFormula);

void BM_NativeFormula(benchmark::State& state) {
  const std::vector<double> p1 = values();
  double shift = 0.12;
  benchmark::DoNotOptimize(shift);
  std::size_t i = 0;
  for (auto _ : state) {
    double r = std::pow(p1[i] + shift, 1.5) * 3.2;
    benchmark::DoNotOptimize(r);
    i = (i + 1) % kValues;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NativeFormula);

// Keeps each benchmark's evaluations per second for the summary.
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("items_per_second");
      if (it != r.counters.end()) rates[r.benchmark_name()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  benchmark::Shutdown();
  auto script = recorder.rates.find("BM_ScriptFormula");
  auto native = recorder.rates.find("BM_NativeFormula");
  if (script != recorder.rates.end()) {
    std::printf("script: %.0f evaluations per second (goal 2000000)\n", script->second);
  }
  if (native != recorder.rates.end()) {
    std::printf("C++:    %.0f evaluations per second\n", native->second);
  }
  if (script != recorder.rates.end() && native != recorder.rates.end() && script->second > 0) {
    std::printf("ratio:  C++ is %.1f times as fast as the script\n", native->second / script->second);
  }
  return 0;
}
