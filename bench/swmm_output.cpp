// The SWMM results reader: one variable of each of 100 nodes over 100,000 report periods of a
// test-written results file, beside a hand-written loop of pread calls at the same offsets.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "bench_support.h"
#include "models/swmm_output.h"
#include "support/swmm_out_writer.h"

namespace {

constexpr int32_t kNodes = 100;
constexpr int32_t kPeriods = 100000;

// The file: 100 nodes of one variable and one system variable, 412 bytes a period (41 MB).
struct ResultsFile {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("fw_bench_swmm_" + std::to_string(::getpid()));
  std::filesystem::path file = folder / "big.out";
  ResultsFile() {
    std::filesystem::create_directories(folder);
    fw::testing::SwmmOutSpec spec;
    spec.subcatchments = 0;
    spec.links = 0;
    spec.nodes = kNodes;
    spec.nodeVars = 1;
    spec.systemVars = 1;
    spec.periods = kPeriods;
    spec.value = [](int32_t, int32_t e, int32_t, int32_t p) { return static_cast<float>(e + p % 97); };
    fw::testing::writeSwmmOut(file, spec);
  }
  ~ResultsFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

const ResultsFile& results() {
  static const ResultsFile f;
  return f;
}

void BM_SwmmOutput(benchmark::State& state) {
  fw::models::SwmmOutFile out;
  if (out.open(results().file.string()) != 0) {
    state.SkipWithError("the results file is not usable");
    return;
  }
  std::vector<float> values;
  for (auto _ : state) {
    double sum = 0;
    for (int32_t node = 0; node < kNodes; ++node) {
      out.series(1, node, 0, values);
      for (float v : values) sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
}

// The same values by pread at offsets worked out by hand from the file's layout.
void BM_PreadLoop(benchmark::State& state) {
  const int fd = ::open(results().file.c_str(), O_RDONLY);
  int32_t trailer[3] = {};
  const off_t length = ::lseek(fd, 0, SEEK_END);
  if (fd < 0 || ::pread(fd, trailer, sizeof trailer, length - 20) != static_cast<ssize_t>(sizeof trailer)) {
    state.SkipWithError("cannot read the results file");
    return;
  }
  const int64_t outputStart = trailer[1];
  const int64_t bytesPerPeriod = 8 + 4 * (kNodes + 1);
  for (auto _ : state) {
    double sum = 0;
    for (int32_t node = 0; node < kNodes; ++node) {
      for (int32_t p = 0; p < kPeriods; ++p) {
        float v = 0;
        if (::pread(fd, &v, sizeof v, static_cast<off_t>(outputStart + p * bytesPerPeriod + 8 + 4 * node)) !=
            4)
          state.SkipWithError("short read");
        sum += v;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  ::close(fd);
}

}  // namespace

BENCHMARK(BM_SwmmOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreadLoop)->Unit(benchmark::kMillisecond);

// Unless the command line says otherwise, five repetitions with the two benchmarks interleaved, so
// that the ratio printed is of medians taken over the same stretch of a shared machine's load.
int main(int argc, char** argv) {
  fw::bench::initializeRepeated(argc, argv, 5);
  results();
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_PreadLoop", {"BM_SwmmOutput"}, "pread loop", 1.5);
  benchmark::Shutdown();
  return 0;
}
