// A year of hourly reference ET with measured solar radiation through EToCompute (VB-style row
// reading, the work file written and read back), beside a plain loop of the same formula:
// split, strtod, the standardized hourly equation, to_chars and one file. Prints the ratio.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "compute/eto_series.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "retrieval/eto_hourly.h"

namespace {

constexpr int kHours = 8760;
constexpr double kLatitude = 38.5 * 3.14159 / 180;
constexpr double kOffset = (-121.5 - -120.0) / 15;

// Hourly weather of a valley station through 2023 (°F, percent, mph, langleys per day).
const std::string& yearTable() {
  static const std::string table = [] {
    std::string t = "Date\tT\tRH\tW\tRs\n";
    const vb::VbDate start = vb::DateSerial(2023, 1, 1);
    for (int h = 0; h < kHours; ++h) {
      const double day = std::sin(h * 2 * 3.14159 / 24 - 1.8);
      const double temperature = 60 + 15 * day + 10 * std::sin(h * 2 * 3.14159 / kHours);
      const double solar = std::max(0.0, 1800 * std::sin((h % 24 - 6) * 3.14159 / 12));
      t += "Z\t" + vb::Format(start + h / 24.0, "mm/dd/yyyy hh:mm") + "\t" + std::to_string(temperature) +
           "\t" + std::to_string(50 - 20 * day) + "\t" + std::to_string(3 + 2 * day) + "\t" +
           std::to_string(solar) + "\n";
    }
    return t;
  }();
  return table;
}

void BM_EToComputeYear(benchmark::State& state) {
  fw::bench::TempDatabase folder("eto_year");
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5};
  fw::Session s(ui, clock, folder.folder);
  for (auto _ : state) {
    fw::compute::EtoSeriesCall c;
    c.parameterCode = "ETo";
    c.inputCount = 3;
    c.datatype = 27;
    c.stationParameters = "38.5,-121.5,-120,50,0";
    c.table = yearTable();
    fw::compute::EToCompute(s, c);
    benchmark::DoNotOptimize(c.table);
  }
  state.SetItemsProcessed(state.iterations() * kHours);
}
BENCHMARK(BM_EToComputeYear)->Unit(benchmark::kMillisecond);

void BM_PlainEtoLoop(benchmark::State& state) {
  fw::bench::TempDatabase folder("eto_plain");
  const std::string path = (folder.folder / "plain.txt").string();
  for (auto _ : state) {
    const std::string& table = yearTable();
    std::string out = table.substr(0, table.find('\n') + 1);
    std::size_t at = out.size();
    while (at < table.size()) {
      const std::size_t end = table.find('\n', at);
      const char* p = table.data() + at;
      const char* tab1 = static_cast<const char*>(std::memchr(p, '\t', end - at));
      int month = 0, day = 0, year = 0, hour = 0, minute = 0;
      std::sscanf(tab1 + 1, "%d/%d/%d %d:%d", &month, &day, &year, &hour, &minute);
      char* q = const_cast<char*>(std::strchr(tab1 + 1, '\t'));
      const double t = std::strtod(q + 1, &q);
      const double rh = std::strtod(q + 1, &q);
      const double w = std::strtod(q + 1, &q);
      const double rs = std::strtod(q + 1, &q);
      const int J = vb::DayOfYear(vb::DateSerial(year, month, day));
      const double b = (J - 81) * 6.28318 / 364;
      fw::EtoHourInput in;
      in.tempC = (t - 32) * 0.5556;
      in.rh = rh;
      in.u2 = std::max(1.0, w) * 0.447;
      in.rs = rs / 23.89 / 24;
      in.latitude = kLatitude;
      in.elevation = 50 * 0.3048;
      in.dayOfYear = J;
      in.solarTime = hour + minute / 60.0 + kOffset + 0.1645 * std::sin(2 * b) - 0.1255 * std::cos(b) -
                     0.025 * std::sin(b);
      const float et = static_cast<float>(fw::etoHourPhysics(in).ET * 0.03937);
      char number[32];
      const auto r = std::to_chars(number, number + sizeof number, et);
      out.append(p, static_cast<std::size_t>(std::strchr(tab1 + 1, '\t') - p));
      out += '\t';
      out.append(number, r.ptr);
      out += "\n\r\n";
      at = end + 1;
    }
    std::ofstream(path, std::ios::binary) << out;
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * kHours);
}
BENCHMARK(BM_PlainEtoLoop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainEtoLoop", {"BM_EToComputeYear"}, "plain loop", 1.5);
}
