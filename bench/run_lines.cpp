// A real-time cycle of stream-gauge lines against a loopback service that answers every request
// after a fixed delay, as a far service does: a batch run (setup file, station list, database)
// over 200 lines with 0.2 s replies and over 1,000 lines with instant ones, each into a fresh
// SQLite database in a temporary folder. Beside each, in the same process, a plain loop fetches
// the same addresses with libcurl one after another over one kept-alive connection and stores the
// same readings (unit values, hourly and daily means, daily extremes) with prepared sqlite3
// statements, one transaction per gauge. Prints the run's wall time against the loop's: for the
// delayed lines the goal is at most 0.25 (downloads side by side), for the instant ones 1.5.
#include <curl/curl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "app/startup.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "retrieval/web_retrievers.h"
#include "support/loopback_services.h"

namespace {

constexpr double kRunTime = 45448.5520833333;  // 2024-06-05 13:15
constexpr int kReadings = 329;                 // fifteen-minute values, the last at 13:00

// An instantaneous-values reply of the service for one gauge.
std::string gaugeReply() {
  std::string text = fw::bench::gaugeReplyComments();
  text +=
      "agency_cd\tsite_no\tdatetime\ttz_cd\t69928_00060\t69928_00060_cd\n"
      "5s\t15s\t20d\t6s\t14n\t10s\n";
  const double last = std::floor(kRunTime * 24) / 24;
  for (int i = kReadings - 1; i >= 0; --i) {
    char row[128];
    std::snprintf(row, sizeof row, "USGS\t09380000\t%s\tMST\t%d\tP\n",
                  vb::Format(last - i / 96.0, "yyyy-mm-dd hh:mm").c_str(), 12000 + (i % 89) * 10);
    text += row;
  }
  return text;
}

// The service, shared by every benchmark; the delay is set by each.
fw::testing::LoopbackHttpServer& service() {
  static fw::testing::LoopbackHttpServer* server = [] {
    auto* s = new fw::testing::LoopbackHttpServer;
    s->routeText("/nwis/iv/", gaugeReply());
    return s;
  }();
  return *server;
}

std::string siteNumber(int i) { return std::to_string(9380000 + i); }
int dsidOf(int i) { return 100000 + i; }

// A program folder: the setup file with `lines` gauge lines and the service's address, and a
// database with their sites.
struct RunFolder : fw::bench::TempDatabase {
  int lines;
  RunFolder(const char* name, int n, int downloads) : TempDatabase(name), lines(n) {
    std::string setup =
        "Future Days=0\r\nPercent Missing Allowed= 20%\r\nWrite Dailys= True\r\nWrite Hourly Avg= True\r\n"
        "Write Daily Max= True\r\nWrite Unit Values= True\r\nWrite Unit Shifts= False\r\n"
        "Check for Possible Bad Values= False\r\nMinimize to System Tray=False\r\n"
        "Bad/Missing Stations Allowed=10\r\n";
    setup += "USGS Server=" + service().base() + "\r\n";
    setup += "Parallel Downloads=" + std::to_string(downloads) + "\r\n";
    setup += "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";\r\n";
    setup += "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n";
    for (int i = 0; i < n; ++i)
      setup += siteNumber(i) + "; " + std::to_string(dsidOf(i)) + "; Flow; Gauge " + std::to_string(i) + "; 0; 0; \r\n";
    setup += "END\r\n";
    vb::writeAllBytes(folder / "Flumewright_setup.txt", setup);
    fw::bench::Sqlite db(file);
    db.exec("BEGIN");
    fw::bench::Stmt site(db.db,
                         "INSERT INTO rsite (site_id, datatype_site_id, site_name, datatype_id, datatype_name, unit, "
                         "unit_name, parameter_code, state, hour_shift) VALUES (?, ?, ?, 1, 'Flow', 'cfs', "
                         "'cubic feet per second', '60', 'AZ', 0)");
    for (int i = 0; i < n; ++i) {
      const std::string id = std::to_string(i % 1000), name = "Gauge " + std::to_string(i);
      sqlite3_bind_text(site.st, 1, id.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(site.st, 2, dsidOf(i));
      sqlite3_bind_text(site.st, 3, name.c_str(), -1, SQLITE_TRANSIENT);
      site.run();
    }
    db.exec("COMMIT");
  }
  int64_t unitRows() {
    fw::bench::Sqlite db(file);
    fw::bench::Stmt count(db.db, "SELECT count(*) FROM runit");
    sqlite3_step(count.st);
    return sqlite3_column_int64(count.st, 0);
  }
};

// The program's batch run over the folder, timed from its start to its end.
void runBatch(benchmark::State& state, int lines, int delayMs, int downloads) {
  service().delayReplies(std::chrono::milliseconds(delayMs));
  for (auto _ : state) {
    RunFolder folder("run_lines", lines, downloads);
    fw::HeadlessUi ui;
    fw::FixedClock clock{kRunTime};
    fw::Session s(ui, clock, folder.folder);
    fw::installWebServices(s);
    const auto start = std::chrono::steady_clock::now();
    fw::Form_Load(s, "BATCH");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const int64_t rows = folder.unitRows();
    if (rows < static_cast<int64_t>(lines) * 100) state.SkipWithError(("the run stored " + std::to_string(rows) + " unit rows").c_str());
    state.counters["unit rows"] = static_cast<double>(rows);
  }
}

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// "yyyy-mm-dd hh:mm" as a day number.
double dayNumber(const char* t) {
  auto n = [t](int at, int len) {
    int v = 0;
    for (int i = at; i < at + len; ++i) v = v * 10 + (t[i] - '0');
    return v;
  };
  return vb::fromCivil({n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), 0});
}

// The same readings fetched one after another and stored by hand: each gauge's unit values of the
// window, their hourly and daily means, the daily maximum and minimum, in one transaction.
void plainLoop(benchmark::State& state, int lines, int delayMs) {
  service().delayReplies(std::chrono::milliseconds(delayMs));
  for (auto _ : state) {
    RunFolder folder("run_lines_plain", lines, 1);
    const auto start = std::chrono::steady_clock::now();
    fw::bench::Sqlite db(folder.file);
    fw::bench::Stmt unit(db.db, "INSERT OR IGNORE INTO runit VALUES (?, ?, ?, 0)");
    fw::bench::Stmt hour(db.db, "INSERT OR IGNORE INTO rhour VALUES (?, ?, ?, 0)");
    fw::bench::Stmt day(db.db, "INSERT OR IGNORE INTO rday VALUES (?, ?, ?, 0)");
    fw::bench::Stmt dayMax(db.db, "INSERT OR IGNORE INTO rdaymax VALUES (?, ?, ?, ?, 0)");
    fw::bench::Stmt dayMin(db.db, "INSERT OR IGNORE INTO rdaymin VALUES (?, ?, ?, ?, 0)");
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    const std::string begin = vb::Format(kRunTime - 1, "yyyy-mm-dd"), end = vb::Format(kRunTime + 1, "yyyy-mm-dd");
    const double firstDay = std::floor(kRunTime - 1);
    int64_t rows = 0;
    for (int i = 0; i < lines; ++i) {
      const std::string url = service().base() + "/nwis/iv/?sites=" + siteNumber(i) + "&parameterCd=00060&startDT=" +
                              begin + "&endDT=" + end + "&siteStatus=all&format=rdb";
      std::string reply;
      curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
      curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
      if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("a download failed");
      const int dsid = dsidOf(i);
      std::map<int64_t, std::pair<double, int>> hours, days;
      std::map<int64_t, std::pair<double, double>> extremes;  // day: maximum, minimum
      db.exec("BEGIN");
      for (size_t at = 0; at < reply.size();) {
        size_t stop = reply.find('\n', at);
        if (stop == std::string::npos) stop = reply.size();
        if (reply.compare(at, 5, "USGS\t") == 0) {
          const char* date = reply.c_str() + at + 14;
          const double when = dayNumber(date);
          const double value = std::atof(date + 21);
          if (when >= firstDay) {
            sqlite3_bind_int(unit.st, 1, dsid);
            sqlite3_bind_double(unit.st, 2, when);
            sqlite3_bind_double(unit.st, 3, value);
            unit.run();
            ++rows;
            auto& h = hours[std::llround(std::ceil(when * 24 - 1e-9))];
            h.first += value;
            ++h.second;
            const int64_t d = static_cast<int64_t>(std::floor(when));
            auto& m = days[d];
            m.first += value;
            ++m.second;
            auto e = extremes.try_emplace(d, value, value).first;
            e->second.first = std::max(e->second.first, value);
            e->second.second = std::min(e->second.second, value);
          }
        }
        at = stop + 1;
      }
      for (const auto& [h, sum] : hours) {
        sqlite3_bind_int(hour.st, 1, dsid);
        sqlite3_bind_double(hour.st, 2, static_cast<double>(h) / 24);
        sqlite3_bind_double(hour.st, 3, sum.first / sum.second);
        hour.run();
      }
      for (const auto& [d, sum] : days) {
        sqlite3_bind_int(day.st, 1, dsid);
        sqlite3_bind_double(day.st, 2, static_cast<double>(d));
        sqlite3_bind_double(day.st, 3, sum.first / sum.second);
        day.run();
        for (fw::bench::Stmt* st : {&dayMax, &dayMin}) {
          sqlite3_bind_int(st->st, 1, dsid);
          sqlite3_bind_double(st->st, 2, static_cast<double>(d));
          sqlite3_bind_double(st->st, 3, static_cast<double>(d) + 0.5);
          sqlite3_bind_double(st->st, 4, st == &dayMax ? extremes[d].first : extremes[d].second);
          st->run();
        }
      }
      db.exec("COMMIT");
    }
    curl_easy_cleanup(curl);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    state.counters["unit rows"] = static_cast<double>(rows);
  }
}

void BM_RunDelayed(benchmark::State& state) { runBatch(state, 200, 200, 8); }
void BM_OneAfterAnotherDelayed(benchmark::State& state) { plainLoop(state, 200, 200); }
void BM_RunInstant(benchmark::State& state) { runBatch(state, 1000, 0, 8); }
void BM_PlainInstant(benchmark::State& state) { plainLoop(state, 1000, 0); }

BENCHMARK(BM_RunDelayed)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneAfterAnotherDelayed)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunInstant)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainInstant)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_OneAfterAnotherDelayed/iterations:1/manual_time", {"BM_RunDelayed/iterations:1/manual_time"},
                       "one after another, 0.2 s replies", 0.25);
  reporter.printRatios("BM_PlainInstant/iterations:1/manual_time", {"BM_RunInstant/iterations:1/manual_time"},
                       "plain loop, instant replies", 1.5);
  benchmark::Shutdown();
  return 0;
}
