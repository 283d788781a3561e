// The value path of one station: a year of 5-minute values in retrieval text through parsing and
// aggregation, beside a plain hand-written loop in the same process that splits the text at LF and
// TAB, converts date and number and forms hourly and daily means (goal: at most 3 times the loop);
// then a year of 15-minute values from retrieval text to its stored runit, rhour, rday, rdaymax
// and rdaymin rows on SQLite (goal: under a second).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/vb/format.h"
#include "run/aggregation.h"
#include "run/hand_over.h"
#include "run/series_save.h"
#include "run/series_slots.h"
#include "run/station_road.h"
#include "run/value_loop.h"

namespace {

constexpr double kFirstDay = 45292;  // 01/01/2024
constexpr int kDays = 365;

std::string yearText(int stepMinutes) {
  std::string text = "# USGS 09380000\n# a year\nagency\tsite\tdatetime\tvalue\n";
  const int steps = kDays * 1440 / stepMinutes;
  text.reserve(static_cast<size_t>(steps) * 32);
  for (int i = 1; i <= steps; ++i) {
    const double value = 1000 + (i % 97) * 3.5;
    char number[32];
    std::snprintf(number, sizeof number, "%.1f", value);
    text += "Z\t" + vb::Format(kFirstDay + i * stepMinutes / 1440.0, "mm/dd/yyyy hh:mm") + "\t" + number + "\n";
  }
  return text;
}

const std::string& fiveMinuteYear() {
  static const std::string text = yearText(5);
  return text;
}

// A station line of a real-time run on the day after the year, its series sized as the station
// options size them.
void prepare(fw::Session& s, fw::RunContext& ctx, fw::LineState& line, const std::string& text) {
  s.UnitValues = true;
  s.RealtimeMode = true;
  s.BatchMode = true;
  s.RunDay = kFirstDay + kDays;
  s.RunDateTime = s.RunDay + 0.5;
  ctx = fw::RunContext{};
  ctx.ValueFieldIndex = 2;
  ctx.SourceType = 2;
  ctx.settings.MissingAllowedPercent = 10;
  ctx.RetrievalText = text;
  line = fw::LineState{};
  line.StationId = "09380000";
  line.Dsid = "1101";
  line.Site_Name = "Colorado R";
  line.WindowDays = kDays + 1;
  line.DaySlots = line.WindowDays + 1;
  line.FirstDay = static_cast<int32_t>(kFirstDay);
  line.ValueCode = line.ValueClass = line.DatatypeCode = 1;
  line.UnitText = "cfs";
  line.ValueSlots = 12 * 24 * (line.WindowDays + 4);
  for (auto* series : {&s.DaySeries, &s.DayMaxSeries, &s.DayMinSeries}) fw::sizeSeries(*series, line.WindowDays + 6);
  fw::sizeSeries(s.HourSeries, (line.WindowDays + 6) * 24);
  fw::sizeSeries(s.UnitSeries, line.ValueSlots);
  fw::sizeSeries(s.ShiftSeries, line.ValueSlots);
  for (size_t d = 1; d < s.DaySeries.size(); ++d)
    s.DaySeries[d].value = s.DayMaxSeries[d].value = s.DayMinSeries[d].value = fw::MissingValue;
}

void BM_ValuePath(benchmark::State& state) {
  fw::HeadlessUi ui;
  fw::FixedClock clock{kFirstDay + kDays + 0.5};
  fw::Session s(ui, clock, std::filesystem::temp_directory_path());
  fw::RunContext ctx;
  fw::LineState line;
  for (auto _ : state) {
    state.PauseTiming();
    prepare(s, ctx, line, fiveMinuteYear());
    s.form.Text1.Text.clear();
    state.ResumeTiming();
    if (fw::handOver(s, ctx, line)) state.SkipWithError("the text was refused");
    fw::valueLoopSetUp(s, ctx, line);
    fw::valueLoop(s, ctx, line);
    fw::closeAfterLastLine(s, line);
    benchmark::DoNotOptimize(s.HourSeries.data());
  }
  if (line.ValueLoop.UnitIndex != kDays * 288) state.SkipWithError("not every value was taken");
}

// Two digits at p as a number.
int two(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

void BM_PlainLoop(benchmark::State& state) {
  const std::string& text = fiveMinuteYear();
  std::vector<double> hours, days;
  for (auto _ : state) {
    hours.clear();
    days.clear();
    double hourSum = 0, daySum = 0;
    int hourCount = 0, dayCount = 0, lastHour = -1, lastDay = -1;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const char* line = text.data() + start;
      const size_t length = end - start;
      start = end + 1;
      if (length < 3 || line[0] != 'Z' || line[1] != '\t') continue;
      const char* date = line + 2;
      const char* tab = static_cast<const char*>(std::memchr(date, '\t', length - 2));
      if (!tab || tab - date < 16) continue;
      const int month = two(date), day = two(date + 3), year = two(date + 6) * 100 + two(date + 8);
      const int hour = two(date + 11);
      const int dayKey = year * 10000 + month * 100 + day;
      const double value = std::strtod(tab + 1, nullptr);
      const int hourKey = dayKey * 100 + hour;
      if (lastHour != -1 && hourKey != lastHour) {
        hours.push_back(hourSum / hourCount);
        daySum += hours.back();
        dayCount += 1;
        hourSum = 0;
        hourCount = 0;
      }
      if (lastDay != -1 && dayKey != lastDay) {
        days.push_back(daySum / dayCount);
        daySum = 0;
        dayCount = 0;
      }
      lastHour = hourKey;
      lastDay = dayKey;
      hourSum += value;
      hourCount += 1;
    }
    benchmark::DoNotOptimize(hours.data());
    benchmark::DoNotOptimize(days.data());
  }
}

// A year of 15-minute values from retrieval text to the five series tables.
void BM_StationStored(benchmark::State& state) {
  static const std::string text = yearText(15);
  fw::bench::TempDatabase d("value_path");
  fw::bench::WriterSession w(d, false);
  fw::Session& s = w.s;
  for (auto* box : {&s.form.Check3, &s.form.Check5, &s.form.Check6, &s.form.Check7}) box->Value = 1;
  fw::RunContext ctx;
  fw::LineState line;
  for (auto _ : state) {
    state.PauseTiming();
    prepare(s, ctx, line, text);
    state.ResumeTiming();
    fw::valuePath(s, ctx, line);
  }
  fw::bench::Sqlite check(d.file);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(check.db, "select count(*) from runit", -1, &st, nullptr);
  sqlite3_step(st);
  if (sqlite3_column_int(st, 0) != kDays * 96) state.SkipWithError("not every unit value was stored");
  sqlite3_finalize(st);
}

}  // namespace

BENCHMARK(BM_ValuePath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StationStored)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_PlainLoop", {"BM_ValuePath"}, "plain loop", 3.0);
  const double stored = reporter.realOf("BM_StationStored");
  if (stored > 0) std::printf("BM_StationStored: %.3f s per station (goal: under 1 s)\n", stored);
  benchmark::Shutdown();
  return 0;
}
