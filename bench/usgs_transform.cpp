// The stream-gauge reply turned into retrieval text: 120 days of 15-minute rows for two
// parameters, beside a plain hand-written loop in the same process that splits the reply at LF
// and TAB, puts "Z" for "USGS" and joins the fields again (goal: at most 2 times the loop). The
// 5-minute rebuild of the same reply is timed too, against the same loop, with no goal.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "platform/vb/format.h"
#include "retrieval/usgs.h"

namespace {

constexpr double kFirstDay = 45292;  // 01/01/2024
constexpr int kDays = 120;

std::string reply() {
  std::string text =
      "# ---------------------------------- WARNING ----------------------------------------\n"
      "# Some of the data that you have obtained from this U.S. Geological Survey database\n"
      "# may not have received Director's approval.\n"
      "#\n"
      "# Data for the following 1 site(s) are contained in this file\n"
      "#    USGS 09380000 COLORADO RIVER AT LEES FERRY, AZ\n";
  while (text.size() < 1600) text += "#\n";
  text +=
      "agency_cd\tsite_no\tdatetime\ttz_cd\t69928_00060\t69928_00060_cd\t69929_00065\t69929_00065_cd\n"
      "5s\t15s\t20d\t6s\t14n\t10s\t14n\t10s\n";
  for (int i = 0; i < kDays * 96; ++i) {
    char row[128];
    std::snprintf(row, sizeof row, "USGS\t09380000\t%s\tMST\t%d\tP\t%.2f\tP\n",
                  vb::Format(kFirstDay + i / 96.0, "yyyy-mm-dd hh:mm").c_str(), 12000 + (i % 89) * 10,
                  10 + (i % 89) / 100.0);
    text += row;
  }
  return text;
}

const std::string& theReply() {
  static const std::string text = reply();
  return text;
}

void BM_Transform(benchmark::State& state) {
  const std::string& text = theReply();
  for (auto _ : state) {
    fw::UsgsText t = fw::usgsTransform(text, static_cast<int32_t>(kFirstDay), false, false);
    benchmark::DoNotOptimize(t.text.data());
  }
}

void BM_Transform5Minute(benchmark::State& state) {
  const std::string& text = theReply();
  for (auto _ : state) {
    fw::UsgsText t = fw::usgsTransform(text, static_cast<int32_t>(kFirstDay), false, true);
    benchmark::DoNotOptimize(t.text.data());
  }
}

void BM_PlainLoop(benchmark::State& state) {
  const std::string& text = theReply();
  std::vector<std::string_view> fields;
  for (auto _ : state) {
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string_view line(text.data() + start, end - start);
      start = end + 1;
      fields.clear();
      size_t from = 0;
      for (;;) {
        const size_t tab = line.find('\t', from);
        fields.push_back(
            line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos) break;
        from = tab + 1;
      }
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += '\t';
        out += fields[i] == "USGS" ? std::string_view("Z") : fields[i];
      }
      out += '\n';
    }
    benchmark::DoNotOptimize(out.data());
  }
}

}  // namespace

BENCHMARK(BM_Transform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transform5Minute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_PlainLoop", {"BM_Transform"}, "plain loop", 2.0);
  const double base = reporter.realOf("BM_PlainLoop");
  const double five = reporter.realOf("BM_Transform5Minute");
  if (base > 0 && five > 0)
    std::printf("BM_Transform5Minute / plain loop: %.2f real, %.2f CPU (no goal)\n", five / base,
                reporter.cpuOf("BM_Transform5Minute") / reporter.cpuOf("BM_PlainLoop"));
  benchmark::Shutdown();
  return 0;
}
