// The exchange's hourly transform over a year of hourly values (365 rows of 24), beside a plain
// loop that splits the same reply at CR LF and ",", steps the hour and copies each value.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "retrieval/cdec.h"

namespace {

constexpr int kDays = 365;

const std::string& yearReply() {
  static const std::string reply = [] {
    std::string r = "Hourly Data\r\nStation ID,ORO\r\nUnits,CFS\r\nSTATION_ID,SENSOR_NUMBER,DATE,0000\r\n";
    int year = 2023, month = 1, day = 1;
    const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int d = 0; d < kDays; ++d) {
      char date[32];
      std::snprintf(date, sizeof date, "%04d%02d%02d", year, month, day);
      r += std::string("ORO,20,") + date;
      for (int h = 0; h < 24; ++h)
        r += "," + std::to_string(1000 + (d * 24 + h) % 977) + "." + std::to_string(h % 10);
      r += "\r\n";
      if (++day > monthDays[month - 1]) {
        day = 1;
        ++month;
      }
    }
    r += "End of Data\r\n";
    return r;
  }();
  return reply;
}

void BM_CdecTransform(benchmark::State& state) {
  const std::string& reply = yearReply();
  std::string text;
  for (auto _ : state) {
    text = fw::cdecTransform(reply, "ORO", "20", true);
    benchmark::DoNotOptimize(text);
  }
  std::size_t lines = 0;
  for (const char ch : text) lines += ch == '\n';
  if (lines != 1 + kDays * 24) state.SkipWithError("not every hourly value became a line");
}

// Splits at CR LF and ",", steps an hour counter and copies each value into one text.
void BM_PlainLoop(benchmark::State& state) {
  const std::string& reply = yearReply();
  for (auto _ : state) {
    std::string out;
    std::string_view rest(reply);
    double hour = 0;
    int line = 0;
    while (!rest.empty()) {
      const std::size_t end = rest.find("\r\n");
      std::string_view row = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
      if (line++ < 4) continue;
      int field = 0;
      while (!row.empty()) {
        const std::size_t comma = row.find(',');
        const std::string_view cell = row.substr(0, comma);
        row = comma == std::string_view::npos ? std::string_view() : row.substr(comma + 1);
        if (field++ >= 3) {
          hour += 1.0 / 24;
          out += "Z\t";
          out += cell;
          out += '\n';
        }
      }
    }
    benchmark::DoNotOptimize(out);
    benchmark::DoNotOptimize(hour);
  }
}

}  // namespace

BENCHMARK(BM_CdecTransform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

// Unless the command line says otherwise, nine repetitions with the two benchmarks interleaved, so
// that the ratio printed is of medians taken over the same stretch of a shared machine's load.
int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainLoop", {"BM_CdecTransform"}, "plain loop", 2.0, 9);
}
