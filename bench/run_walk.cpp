// One batch run over 10,000 station lines (half comment lines, half stream-gauge lines answered by
// a fake retriever), beside a plain loop that reads the same lines and calls the same retriever in
// the same process. Prints the time of a run (the goal is under 2 seconds) and the ratio to the
// plain loop.
//
// Then a run of 10,000 gauge lines over a site list of 5,000 rows: every line is set up (its site
// looked up), gets its options and its series arrays, and is dispatched to an instant fake; beside
// it a plain loop does the same lookups, array fills and calls. Goal: at most 2 times the loop,
// and the run under 2 seconds.
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "platform/vb/strings.h"
#include "run/runstations.h"
#include "run/service_fakes.h"
#include "store/connection.h"
#include "store/store_state.h"

namespace {

constexpr int kLines = 10000;
constexpr int kSites = 200;

const char* const kReply =
    "# USGS 09380000\n"
    "Z\t06/04/2024 00:00\t12300\n"
    "Z\t06/04/2024 00:15\t12350\n"
    "Z\t06/04/2024 00:30\t12410\n";

// A batch session over a fresh database, with fake retrievers that keep no calls.
struct BatchWorld : fw::bench::TempDatabase {
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5520833333};
  std::unique_ptr<fw::Session> s;
  std::shared_ptr<fw::FakeSources> sources;

  explicit BatchWorld(const char* name) : TempDatabase(name) {
    s = std::make_unique<fw::Session>(ui, clock, folder);
    s->BatchMode = true;
    s->HdbConnString = "Provider=SQLite;Data Source=" + file.string();
    fw::openHDB(*s);
    if (!s->LastError.empty()) throw std::runtime_error(s->LastError);
    s->form.txtAllowedBadStations.Text = "32000";  // every line ends without storing
    sources = fw::installFakeSources(s->services);
    sources->keepCalls = false;
  }
};

struct World : BatchWorld {
  World() : BatchWorld("run_walk") {
    s->StationTable.redim(fw::kStationTableColumns, kLines + 1);
    for (int i = 1; i <= kLines; ++i) {
      const int site = i % kSites;
      if (i % 2) {
        s->StationTable(1, i) = "*---- comment " + std::to_string(i);
        s->StationTable(2, i) = "0";
      } else {
        s->StationTable(1, i) = std::to_string(9380000 + site);
        s->StationTable(2, i) = std::to_string(1000 + site);
        s->StationTable(3, i) = "Flow";
        s->StationTable(4, i) = "Site " + std::to_string(site);
      }
    }
    s->StationCount = kLines;
    s->SiteList.redim(fw::kSiteListColumns, kSites + 1);
    for (int site = 0; site < kSites; ++site) {
      s->SiteList(1, site + 1) = vb::Variant(std::to_string(1000 + site));
      s->SiteList(2, site + 1) = vb::Variant(1);
      s->SiteList(4, site + 1) = vb::Variant("00060");
    }
    s->SiteCount = kSites;
    sources->otherwise.RetrievalText = kReply;
  }
};

World& world() {
  static World w;
  return w;
}

constexpr int kBigSites = 5000;
constexpr int kDaysBack = 7;

// Every line a gauge line, over a large site list; the retriever answers at once with no text.
struct StepsWorld : BatchWorld {
  StepsWorld() : BatchWorld("run_steps") {
    s->StationTable.redim(fw::kStationTableColumns, kLines + 1);
    for (int i = 1; i <= kLines; ++i) {
      const int site = (i * 7919) % kBigSites;  // spread over the whole list
      s->StationTable(1, i) = std::to_string(9380000 + site);
      s->StationTable(2, i) = std::to_string(100000 + site);
      s->StationTable(3, i) = "Flow";
      s->StationTable(4, i) = "Site " + std::to_string(site);
      s->StationTable(5, i) = "0";
      s->StationTable(6, i) = "0";
    }
    s->StationCount = kLines;
    s->SiteList.redim(fw::kSiteListColumns, kBigSites + 1);
    for (int site = 0; site < kBigSites; ++site) {
      s->SiteList(1, site + 1) = vb::Variant(int32_t{100000 + site});
      s->SiteList(2, site + 1) = vb::Variant(int16_t{1});
      s->SiteList(3, site + 1) = vb::Variant("cfs");
      s->SiteList(4, site + 1) = vb::Variant("00060");
      s->SiteList(5, site + 1) = vb::Variant("AZ");
    }
    s->SiteCount = kBigSites;
    s->form.Text2.Text = std::to_string(kDaysBack);
  }
};

StepsWorld& stepsWorld() {
  static StepsWorld w;
  return w;
}

void BM_StationSteps(benchmark::State& state) {
  fw::Session& s = *stepsWorld().s;
  for (auto _ : state) {
    stepsWorld().sources->calls.clear();
    fw::runstations(s);
    if (stepsWorld().sources->calls.size() != kLines) state.SkipWithError("the run did not reach every line");
  }
}

// The same site lookups, the same six arrays sized and marked missing, the same retriever called.
void BM_PlainSteps(benchmark::State& state) {
  fw::Session& s = *stepsWorld().s;
  fw::Retrievers& r = *s.services.retrievers;
  const int days = kDaysBack;
  auto fill = [](std::vector<fw::SeriesPoint>& v, size_t size, size_t missing) {
    v.assign(size, fw::SeriesPoint{});
    for (size_t i = 0; i < missing && i < size; ++i) v[i].value = fw::MissingValue;
  };
  for (auto _ : state) {
    stepsWorld().sources->calls.clear();
    size_t found = 0;
    for (int i = 1; i <= kLines; ++i) {
      const std::string id = vb::UCase(s.StationTable(1, i));
      const std::string dsid = s.StationTable(2, i);
      int row = 0;
      for (int k = 1; k <= s.SiteCount; ++k) {
        char buffer[24];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer,
                                       std::get<int32_t>(s.SiteList(1, k).storage())).ptr;
        if (std::string_view(buffer, static_cast<size_t>(end - buffer)) == dsid) {
          row = k;
          break;
        }
      }
      found += row != 0;
      const size_t dayCount = static_cast<size_t>(days) + 7;
      fill(s.DaySeries, dayCount, dayCount);
      fill(s.DayMaxSeries, dayCount, dayCount);
      fill(s.DayMinSeries, dayCount, dayCount);
      const size_t slots = 12 * 24 * (static_cast<size_t>(days) + 4);
      fill(s.HourSeries, (static_cast<size_t>(days) + 6) * 24 + 1, (static_cast<size_t>(days) + 2) * 24);
      fill(s.UnitSeries, slots + 1, (static_cast<size_t>(days) + 2) * 24 * 12);
      fill(s.ShiftSeries, slots + 1, (static_cast<size_t>(days) + 2) * 24 * 12);
      fw::SourceCall c;
      c.StationId = id;
      c.Dsid = dsid;
      r.GetUSGS(s, c);
    }
    benchmark::DoNotOptimize(found);
  }
}

void BM_RunWalk(benchmark::State& state) {
  fw::Session& s = *world().s;
  for (auto _ : state) {
    world().sources->calls.clear();
    fw::runstations(s);
    if (world().sources->calls.size() != kLines / 2) state.SkipWithError("the run did not reach every gauge line");
  }
}

// The same lines read and the same retriever called, with nothing else around them.
void BM_PlainLoop(benchmark::State& state) {
  fw::Session& s = *world().s;
  fw::Retrievers& r = *s.services.retrievers;
  for (auto _ : state) {
    world().sources->calls.clear();
    size_t calls = 0;
    for (int i = 1; i <= kLines; ++i) {
      std::string id = vb::UCase(s.StationTable(1, i));
      if (id.find('*') != std::string::npos) continue;
      fw::SourceCall c;
      c.StationId = id;
      c.Dsid = s.StationTable(2, i);
      r.GetUSGS(s, c);
      calls += c.RetrievalText.empty() ? 0 : 1;
    }
    benchmark::DoNotOptimize(calls);
  }
}

BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StationSteps)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double run = reporter.realOf("BM_RunWalk");
  const double plain = reporter.realOf("BM_PlainLoop");
  if (run > 0 && plain > 0)
    std::printf("run over %d lines: %.3f s (goal: under 2 s); %.1f times the plain loop\n", kLines, run, run / plain);
  const double steps = reporter.realOf("BM_StationSteps");
  const double plainSteps = reporter.realOf("BM_PlainSteps");
  if (steps > 0 && plainSteps > 0)
    std::printf("set-up, options and dispatch of %d lines over %d sites: %.3f s (goal: under 2 s); "
                "%.2f times the plain loop (goal: at most 2)\n",
                kLines, kBigSites, steps, steps / plainSteps);
  benchmark::Shutdown();
  const bool walkMet = run > 0 && run < 2.0;
  const bool stepsMet = steps > 0 && steps < 2.0 && plainSteps > 0 && steps / plainSteps <= 2.0;
  return walkMet && stepsMet ? 0 : 1;
}
