// The stream-gauge reply turned into retrieval text: 120 days of 15-minute rows for two
// parameters, beside a plain hand-written loop in the same process that splits the reply at LF
// and TAB, puts "Z" for "USGS" and joins the fields again (goal: at most 2 times the loop). The
// 5-minute rebuild of the same reply is timed too, against the same loop, with no goal. The same
// readings as the Water Data API's GeoJSON pages go through its transform (parse, local times,
// the RDB text, the same transform), beside a plain loop that parses the pages with the same JSON
// library and writes each feature's time and value as a line (goal: at most 2 times that loop).
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "platform/vb/format.h"
#include "retrieval/usgs.h"
#include "retrieval/usgs_waterdata.h"

#include <nlohmann/json.hpp>

namespace {

constexpr double kFirstDay = 45292;  // 01/01/2024
constexpr int kDays = 120;

std::string reply() {
  std::string text = fw::bench::gaugeReplyComments();
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

// The reply's readings as pages of the continuous collection (10,000 features a page).
std::vector<std::string> pagesOf() {
  std::vector<std::string> pages;
  std::string page;
  int inPage = 0;
  auto close = [&](bool last) {
    page += "], \"numberReturned\": " + std::to_string(inPage) + ", \"links\": [";
    if (!last)
      page +=
          "{\"rel\": \"next\", \"href\": "
          "\"https://api.waterdata.usgs.gov/ogcapi/v0/collections/continuous/items?cursor=x\"}";
    page += "]}";
    pages.push_back(page);
  };
  for (int i = 0; i < kDays * 96; ++i) {
    if (inPage == 0) page = "{\"type\": \"FeatureCollection\", \"features\": [";
    const double local = kFirstDay + i / 96.0 + 7 / 24.0;  // MST is UTC-7
    char f[512];
    std::snprintf(f, sizeof f,
                  "%s{\"type\": \"Feature\", \"id\": \"%08d-aaaa-bbbb\", \"geometry\": null, \"properties\": "
                  "{\"time_series_id\": \"5f1b6d8e\", \"monitoring_location_id\": \"USGS-09380000\", "
                  "\"parameter_code\": \"00060\", \"statistic_id\": \"00011\", \"time\": \"%s+00:00\", "
                  "\"value\": \"%d\", \"unit_of_measure\": \"ft^3/s\", \"approval_status\": \"Provisional\", "
                  "\"qualifier\": null, \"last_modified\": \"2024-05-01T10:00:00+00:00\"}}",
                  inPage ? ", " : "", i,
                  (vb::Format(local, "yyyy-mm-dd") + "T" + vb::Format(local, "hh:mm:ss")).c_str(),
                  12000 + (i % 89) * 10);
    page += f;
    if (++inPage == 10000) {
      close(false);
      inPage = 0;
    }
  }
  if (inPage) close(true);
  return pages;
}

const std::vector<std::string>& thePages() {
  static const std::vector<std::string> pages = pagesOf();
  return pages;
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

void BM_WaterDataTransform(benchmark::State& state) {
  const auto& pages = thePages();
  for (auto _ : state) {
    std::vector<fw::WaterDataReading> readings;
    for (const std::string& page : pages) {
      fw::WaterDataPage p = fw::readContinuousPage(page, "cfs");
      readings.insert(readings.end(), std::make_move_iterator(p.readings.begin()),
                      std::make_move_iterator(p.readings.end()));
    }
    fw::UsgsText t = fw::usgsTransform(fw::waterDataRdb("09380000", {"00060"}, {readings}),
                                       static_cast<int32_t>(kFirstDay), false, false, "00060");
    benchmark::DoNotOptimize(t.text.data());
  }
}

void BM_WaterDataPlainLoop(benchmark::State& state) {
  const auto& pages = thePages();
  for (auto _ : state) {
    std::string out;
    for (const std::string& page : pages) {
      const nlohmann::json j = nlohmann::json::parse(page);
      for (const nlohmann::json& f : j["features"]) {
        const nlohmann::json& p = f["properties"];
        out += "Z\t09380000\t";
        out += p["time"].get<std::string>();
        out += '\t';
        out += p["value"].get<std::string>();
        out += '\n';
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
}

}  // namespace

BENCHMARK(BM_WaterDataTransform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaterDataPlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Transform5Minute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_PlainLoop", {"BM_Transform"}, "plain loop", 2.0);
  reporter.printRatios("BM_WaterDataPlainLoop", {"BM_WaterDataTransform"}, "its plain loop", 2.0);
  const double base = reporter.realOf("BM_PlainLoop");
  const double five = reporter.realOf("BM_Transform5Minute");
  if (base > 0 && five > 0)
    std::printf("BM_Transform5Minute / plain loop: %.2f real, %.2f CPU (no goal)\n", five / base,
                reporter.cpuOf("BM_Transform5Minute") / reporter.cpuOf("BM_PlainLoop"));
  benchmark::Shutdown();
  return 0;
}
