// Reading and saving a setup file of 5,000 station lines, beside plain file I/O of the same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/setup_file.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace {

constexpr int kStations = 5000;

std::string settingsPart() {
  return "Future Days=1\r\nPercent Missing Allowed= 20%\r\nWrite Dailys= True\r\nWrite Hourly Avg= True\r\n"
         "Write Unit Values= True\r\nMinutes between retrievals=30\r\nNowCast Info folder=/data/Radar/\r\n"
         "Column Widths=1400,600,300,4000,600,3500,3000\r\nAlert Address=a@example.org;b@example.org\r\n"
         "Shell Timed Out Minutes=0.0\r\n\r\n"
         "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/hdb.mdb;User "
         "Id=admin;Password=;\r\n\r\n"
         "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1; base2; shift2; "
         "formula2; base3; shift3; formula3\r\n";
}

std::string setupText() {
  std::string text = settingsPart();
  for (int i = 0; i < kStations; ++i) {
    const std::string site = std::to_string(i % 1000);
    switch (i % 4) {
      case 0:
        text += "USGS-" + site + "; " + std::to_string(1000 + i % 1000) + "; flow; sample creek near town " +
                site + ", ID\r\n";
        break;
      case 1:
        text += "COMPUTE-Unit; -30" + site + "; runoff; upper basin " + site +
                ", NV; 0; -0.0, 1.0, 1.0, 1.0; P1*2\r\n";
        break;
      case 2:
        text += "NEXRAD-ABC; 10" + site + "; rainfall; ridge gauge " + site + ", NV; 1; 2; ; 4; 5; P1+P2\r\n";
        break;
      default:
        text += "SNOWMELT-Hour; 10005, 23005; snow water content; high meadow " + site +
                ", NV; 0; -0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0\r\n";
    }
  }
  text += "END\r\nnotes kept as they are\r\n";
  return text;
}

struct Bench {
  Bench() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "fw_bench_setup_XXXXXX").string();
    folder = ::mkdtemp(tmpl.data());
    text = setupText();
    rewrite();
  }
  ~Bench() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  void rewrite() const {
    std::ofstream out(folder / fw::kSetupFileName, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::filesystem::path folder;
  std::string text;
};

Bench& bench() {
  static Bench b;
  return b;
}

void BM_GetStationFile(benchmark::State& state) {
  fw::HeadlessUi ui;
  fw::FixedClock clock(45448.5);
  fw::Session s(ui, clock, bench().folder);
  bench().rewrite();
  for (auto _ : state) {
    fw::getstationfile(s);
    benchmark::DoNotOptimize(s.StationCount);
  }
  if (s.StationCount != kStations) state.SkipWithError("the stations were not all read");
}
BENCHMARK(BM_GetStationFile)->Unit(benchmark::kMillisecond);

void BM_PlainReadLines(benchmark::State& state) {
  bench().rewrite();
  for (auto _ : state) {
    std::ifstream in(bench().folder / fw::kSetupFileName, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(ss, line)) lines.push_back(line);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_PlainReadLines)->Unit(benchmark::kMillisecond);

void BM_WriteSetupFile(benchmark::State& state) {
  fw::HeadlessUi ui;
  fw::FixedClock clock(45448.5);
  fw::Session s(ui, clock, bench().folder);
  bench().rewrite();
  fw::getstationfile(s);
  for (auto _ : state) {
    if (!fw::writeSetupFile(s)) state.SkipWithError("the save failed");
  }
}
BENCHMARK(BM_WriteSetupFile)->Unit(benchmark::kMillisecond);

void BM_PlainWrite(benchmark::State& state) {
  const auto path = bench().folder / "plain_copy.txt";
  for (auto _ : state) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bench().text;
  }
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
