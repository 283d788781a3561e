#pragma once
// What the benchmark programs share: a temporary folder holding a new HDB database, thin sqlite3
// handles for the plain baselines, and a reporter that keeps each benchmark's time per iteration
// so that a program can print its ratio to the baseline.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "app/session.h"
#include "platform/clock.h"
#include "platform/db/sqlite_backend.h"
#include "platform/ui.h"
#include "platform/vb/textfile.h"
#include "store/connection.h"

namespace fw::bench {

// A folder under the temporary directory, named for the program and its process, removed at the
// end; `file` is an HDB database made from the schema in it.
struct TempDatabase {
  std::filesystem::path folder;
  std::filesystem::path file;

  explicit TempDatabase(const std::string& name) {
    folder = std::filesystem::temp_directory_path() / ("fw_bench_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    file = folder / "hdb.mdb";
    fw::db::createSqliteDatabase(file, vb::readAllBytes(FLUMEWRIGHT_SCHEMA));
  }
  ~TempDatabase() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;
};

struct Sqlite {
  sqlite3* db = nullptr;
  explicit Sqlite(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + file.string());
  }
  ~Sqlite() { sqlite3_close_v2(db); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;
  void exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  }
};

struct Stmt {
  sqlite3_stmt* st = nullptr;
  Stmt(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  }
  ~Stmt() { sqlite3_finalize(st); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  // Runs a statement without result rows and makes it ready for the next bindings.
  void run() {
    if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(st)));
    sqlite3_reset(st);
  }
};

// A session writing to the database as a run does: over ADO ("Provider=SQLite"), or over DAO with
// the database opened writable.
struct WriterSession {
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5};
  fw::Session s;

  WriterSession(const TempDatabase& d, bool dao) : s(ui, clock, d.folder) {
    s.HdbConnString = dao ? "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + d.file.string() + ";"
                          : "Provider=SQLite;Data Source=" + d.file.string();
    fw::openHDB(s);
    if (dao) s.HdbDb = s.DaoEngine->OpenDatabase(s.HdbFile);
    if (!s.LastError.empty()) throw std::runtime_error(s.LastError);
  }
};

// Keeps each benchmark's real and CPU time per iteration, in seconds: with repetitions their
// median, so that one slow repetition on a busy machine does not decide the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (r.iterations <= 0 || (r.run_type != Run::RT_Iteration && !median)) continue;
      const std::string name = r.run_name.str();
      if (median)
        medians.insert(name);
      else if (medians.count(name) > 0)
        continue;
      seconds[name] = r.real_accumulated_time / static_cast<double>(r.iterations);
      cpuSeconds[name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double realOf(const std::string& name) const {
    const auto it = seconds.find(name);
    return it == seconds.end() ? 0 : it->second;
  }
  double cpuOf(const std::string& name) const {
    const auto it = cpuSeconds.find(name);
    return it == cpuSeconds.end() ? 0 : it->second;
  }
  // One line per benchmark that ran: its real and CPU time as a multiple of the baseline's.
  void printRatios(const std::string& base, std::initializer_list<const char*> names, const char* baseText,
                   double goal) const {
    if (realOf(base) <= 0 || cpuOf(base) <= 0) return;
    for (const char* name : names)
      if (realOf(name) > 0)
        std::printf("%s / %s: %.2f real, %.2f CPU (goal: at most %g)\n", name, baseText,
                    realOf(name) / realOf(base), cpuOf(name) / cpuOf(base), goal);
  }

 private:
  std::map<std::string, double> seconds, cpuSeconds;
  std::set<std::string> medians;
};

// The comment lines an instantaneous-values reply of the gauge service starts with, padded with "#"
// lines to the length of a real reply's head.
inline std::string gaugeReplyComments() {
  std::string text =
      "# ---------------------------------- WARNING ----------------------------------------\n"
      "# Some of the data that you have obtained from this U.S. Geological Survey database\n"
      "# may not have received Director's approval.\n"
      "#\n"
      "# Data for the following 1 site(s) are contained in this file\n"
      "#    USGS 09380000 COLORADO RIVER AT LEES FERRY, AZ\n";
  while (text.size() < 1600) text += "#\n";
  return text;
}

// Initializes the library with `repetitions` runs of each benchmark, interleaved at random and only
// their aggregates shown, so that a loaded machine does not swing a ratio across its goal; flags on
// the command line still win.
inline void initializeRepeated(int argc, char** argv, int repetitions) {
  std::vector<std::string> flags = {"--benchmark_repetitions=" + std::to_string(repetitions),
                                    "--benchmark_enable_random_interleaving=true",
                                    "--benchmark_display_aggregates_only=true"};
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + 1, {flags[0].data(), flags[1].data(), flags[2].data()});  // later flags win
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
}

// The whole main of a benchmark program with one goal: runs its benchmarks and prints each named
// one's ratio to the baseline. With `repetitions`, each benchmark runs that many times, interleaved,
// and the ratio is of their medians; `prepare` runs before any timing.
inline int runWithRatios(int argc, char** argv, const std::string& base, std::initializer_list<const char*> names,
                         const char* baseText, double goal, int repetitions = 0,
                         const std::function<void()>& prepare = {}) {
  if (repetitions > 0) initializeRepeated(argc, argv, repetitions);
  else benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (prepare) prepare();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios(base, names, baseText, goal);
  benchmark::Shutdown();
  return 0;
}

}  // namespace fw::bench
