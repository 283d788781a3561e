// Writing a year of 15-minute unit values for one DSID over a period already stored, in a runit of
// 1,000,000 rows: hdbunit (and hdbunitDAO) beside the same delete and insert as plain prepared
// sqlite3 statements in one transaction. Prints the ratio of the writers' times to the plain one.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/session.h"
#include "platform/clock.h"
#include "platform/db/sqlite_backend.h"
#include "platform/ui.h"
#include "platform/vb/textfile.h"
#include "store/connection.h"
#include "store/unit_writer.h"

namespace {

constexpr int kValues = 35'040;        // a year of 15-minute values
constexpr int kTableRows = 1'000'000;  // rows in runit before the write
constexpr int kDsidCount = (kTableRows + kValues - 1) / kValues;
constexpr int kFirstDsid = 1000;
constexpr int kWrittenDsid = kFirstDsid + kDsidCount / 2;
constexpr double kFirstTime = 45292;  // 01/01/2024 00:00
constexpr double kStep = 1.0 / 96;    // 15 minutes

// The time of value i, to the whole second as the database layer stores it.
double timeOf(int i) {
  return std::round((kFirstTime + i * kStep) * 86400.0) / 86400.0;
}

struct Sqlite {
  sqlite3* db = nullptr;
  explicit Sqlite(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + file.string());
  }
  ~Sqlite() { sqlite3_close_v2(db); }
  void exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
};

struct Stmt {
  sqlite3_stmt* st = nullptr;
  Stmt(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
  ~Stmt() { sqlite3_finalize(st); }
  void run() {
    if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(st)));
    sqlite3_reset(st);
  }
};

// A database in a temporary folder with kTableRows unit rows, made once for all benchmarks.
struct Fixture {
  std::filesystem::path folder;
  std::filesystem::path file;

  Fixture() {
    folder =
        std::filesystem::temp_directory_path() / ("fw_bench_store_write_unit_" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    file = folder / "hdb.mdb";
    fw::db::createSqliteDatabase(file, vb::readAllBytes(FLUMEWRIGHT_SCHEMA));
    Sqlite s(file);
    s.exec("BEGIN");
    Stmt ins(s.db, "insert into runit values (?, ?, ?, 2)");
    for (int d = 0; d < kDsidCount; ++d)
      for (int i = 0; i < kValues; ++i) {
        sqlite3_bind_int(ins.st, 1, kFirstDsid + d);
        sqlite3_bind_double(ins.st, 2, timeOf(i));
        sqlite3_bind_double(ins.st, 3, i * 0.5);
        ins.run();
      }
    s.exec("COMMIT");
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void writeWithHdbunit(benchmark::State& state, bool dao, bool overwrite = false) {
  Fixture& f = fixture();
  fw::HeadlessUi ui;
  fw::FixedClock clock(45448.5);
  fw::Session s(ui, clock, f.folder);
  s.HdbConnString = dao ? "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + f.file.string() + ";"
                        : "Provider=SQLite;Data Source=" + f.file.string();
  fw::openHDB(s);
  if (dao) s.HdbDb = s.DaoEngine->OpenDatabase(s.HdbFile);  // writable, as a run opens it
  if (!s.LastError.empty()) throw std::runtime_error(s.LastError);
  // "Overwrite Source 5": one period delete in place of the row-by-row replacement.
  s.OverwriteSource5 = overwrite;
  const std::string dsid = std::to_string(kWrittenDsid);
  double bump = 0;
  for (auto _ : state) {
    bump += 1;
    s.UnitSeries.resize(kValues);
    for (int i = 0; i < kValues; ++i) s.UnitSeries[static_cast<size_t>(i)] = {timeOf(i), i + bump, 0};
    int32_t last = kValues - 1;
    bool written = false;
    if (dao)
      fw::hdbunitDAO(s, dsid, 365, 2, 1, last, written, false);
    else
      fw::hdbunit(s, dsid, 365, 2, 1, last, written, false);
    if (!written) state.SkipWithError("nothing written");
  }
  if (!s.LastError.empty()) state.SkipWithError(s.LastError.c_str());
}

void BM_hdbunit(benchmark::State& state) {
  writeWithHdbunit(state, false);
}
void BM_hdbunitDAO(benchmark::State& state) {
  writeWithHdbunit(state, true);
}
void BM_hdbunitOverwrite(benchmark::State& state) {
  writeWithHdbunit(state, false, true);
}

void BM_plainSqlite(benchmark::State& state) {
  Fixture& f = fixture();
  Sqlite s(f.file);
  Stmt del(s.db, "delete from runit where datatype_site_id=? and date_time between ? and ?");
  Stmt ins(s.db, "insert into runit values (?, ?, ?, ?)");
  double bump = 0;
  for (auto _ : state) {
    bump += 1;
    s.exec("BEGIN");
    sqlite3_bind_int(del.st, 1, kWrittenDsid);
    sqlite3_bind_double(del.st, 2, timeOf(0));
    sqlite3_bind_double(del.st, 3, timeOf(kValues - 1));
    del.run();
    for (int i = 0; i < kValues; ++i) {
      sqlite3_bind_int(ins.st, 1, kWrittenDsid);
      sqlite3_bind_double(ins.st, 2, timeOf(i));
      sqlite3_bind_double(ins.st, 3, i + bump);
      sqlite3_bind_int(ins.st, 4, 2);
      ins.run();
    }
    s.exec("COMMIT");
  }
}

BENCHMARK(BM_plainSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hdbunit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hdbunitDAO)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hdbunitOverwrite)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto plain = reporter.times.find("BM_plainSqlite");
  if (plain != reporter.times.end() && plain->second > 0)
    for (const char* name : {"BM_hdbunit", "BM_hdbunitDAO", "BM_hdbunitOverwrite"}) {
      const auto it = reporter.times.find(name);
      if (it != reporter.times.end())
        std::printf("%s / plain prepared sqlite3: %.2f (goal: at most 1.5)\n", name,
                    it->second / plain->second);
    }
  benchmark::Shutdown();
  return 0;
}
