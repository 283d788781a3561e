// One station cut out of five days of MADIS history for 2,000 stations by MadisRead (goal: under
// a second), beside a plain scan of the same file for the station's rows. Prints the ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "retrieval/madis_history.h"

namespace {

constexpr int kStations = 2000;
constexpr int kHours = 5 * 24;

std::string stationId(int k) {
  char id[16];
  std::snprintf(id, sizeof id, "S%05d", k);
  return id;
}

// Hour blocks of dump rows, 1 to 5 June 2024 UTC.
void writeHistory(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  const vb::VbDate start = vb::DateSerial(2024, 6, 1);
  for (int h = 0; h < kHours; ++h) {
    const vb::VbDate hour = start + h / 24.0;
    out << "gz " << vb::Format(hour, "mm-dd-yyyy hh:mm") << " GMT > "
        << vb::Format(hour - 7 / 24.0, "mm-dd-yyyy hh:mm") << " local\n";
    const std::string date = vb::Format(hour, "yyyy/mm/dd"), time = vb::Format(hour, "hh:mm");
    for (int k = 0; k < kStations; ++k) {
      const std::string id = stationId(k);
      out << id << "    ," << date << "," << time
          << ",OTHER - MTR, ,270.15,V,55.0,V,101800,Z,280.15,V,270,V,3.1,V,"
          << "0.0001,Z,0.001,Z,350,Z,86000,Z," << id << ",b\r\n";
    }
  }
}

struct History {
  fw::bench::TempDatabase folder{"madis_extract"};
  History() { writeHistory(folder.folder / fw::kMadisHistoryName); }
};
History& history() {
  static History h;
  return h;
}

void BM_MadisRead(benchmark::State& state) {
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5};
  fw::Session s(ui, clock, history().folder.folder);
  s.BatchMode = true;
  for (auto _ : state) {
    std::string table, error;
    fw::MadisRead(s, "S01234", 45444, 45448, 7, table, error);
    if (!error.empty()) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(table);
  }
}
BENCHMARK(BM_MadisRead)->Unit(benchmark::kMillisecond);

void BM_PlainScan(benchmark::State& state) {
  const auto path = history().folder.folder / fw::kMadisHistoryName;
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::string line, rows;
    while (std::getline(in, line))
      if (line.compare(0, 6, "S01234") == 0) rows += line.substr(line.find(',') + 1) + "\n";
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_PlainScan)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double seconds = reporter.realOf("BM_MadisRead");
  if (seconds > 0) std::printf("BM_MadisRead: %.3f s for one station (goal: under 1 s)\n", seconds);
  if (seconds > 0 && reporter.realOf("BM_PlainScan") > 0)
    std::printf("BM_MadisRead / plain scan: %.2f real\n", seconds / reporter.realOf("BM_PlainScan"));
  benchmark::Shutdown();
  return 0;
}
