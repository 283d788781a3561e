// One batch run over 10,000 station lines (half comment lines, half stream-gauge lines answered by
// a fake retriever), beside a plain loop that reads the same lines and calls the same retriever in
// the same process. Prints the time of a run (the goal is under 2 seconds) and the ratio to the
// plain loop.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "platform/vb/strings.h"
#include "run/runstations.h"
#include "run/service_fakes.h"
#include "store/connection.h"

namespace {

constexpr int kLines = 10000;
constexpr int kSites = 200;

const char* const kReply =
    "# USGS 09380000\n"
    "Z\t06/04/2024 00:00\t12300\n"
    "Z\t06/04/2024 00:15\t12350\n"
    "Z\t06/04/2024 00:30\t12410\n";

struct World : fw::bench::TempDatabase {
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5520833333};
  std::unique_ptr<fw::Session> s;
  std::shared_ptr<fw::FakeSources> sources;

  World() : TempDatabase("run_walk") {
    s = std::make_unique<fw::Session>(ui, clock, folder);
    s->BatchMode = true;
    s->HdbConnString = "Provider=SQLite;Data Source=" + file.string();
    fw::openHDB(*s);
    if (!s->LastError.empty()) throw std::runtime_error(s->LastError);

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
    s->form.txtAllowedBadStations.Text = "32000";  // every gauge line ends without storing
    sources = fw::installFakeSources(s->services);
    sources->keepCalls = false;
    sources->otherwise.RetrievalText = kReply;
  }
};

World& world() {
  static World w;
  return w;
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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double run = reporter.realOf("BM_RunWalk");
  const double plain = reporter.realOf("BM_PlainLoop");
  if (run > 0 && plain > 0)
    std::printf("run over %d lines: %.3f s (goal: under 2 s); %.1f times the plain loop\n", kLines, run, run / plain);
  benchmark::Shutdown();
  return run > 0 && run < 2.0 ? 0 : 1;
}
