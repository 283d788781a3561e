// Reading a year of 15-minute values (35,040 rows) with GetHDB from a runit of 1,000,000 rows,
// beside the same rows read by a plain prepared sqlite3 select in the same process. Prints the
// ratio GetHDB / plain select; the goal is 1.15 or less.
#include <memory>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "store/series_reader.h"

namespace {

constexpr int kTotalRows = 1000000;
constexpr int kSeriesRows = 40000;  // per DSID; 25 DSIDs fill the table
constexpr int kYearRows = 35040;
constexpr double kStart = 44927;  // 01/01/2023
constexpr double kStep = 15.0 / 1440.0;
const double kEnd = kStart + (kYearRows - 1) * kStep;

struct World : fw::bench::TempDatabase {
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5};
  std::unique_ptr<fw::Session> dao, ado;

  World() : TempDatabase("store_read") {
    fill();
    dao = open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";");
    ado = open("Provider=SQLite;Data Source=" + file.string());
  }

  // One transaction, one prepared insert.
  void fill() {
    fw::bench::Sqlite s(file);
    s.exec("BEGIN");
    fw::bench::Stmt ins(s.db, "insert into runit values (?, ?, ?, ?)");
    for (int i = 0; i < kTotalRows; ++i) {
      int dsid = 1001 + i / kSeriesRows;
      int k = i % kSeriesRows;
      sqlite3_bind_int(ins.st, 1, dsid);
      sqlite3_bind_double(ins.st, 2, kStart + k * kStep);
      sqlite3_bind_double(ins.st, 3, 100.0 + (k % 977) * 0.25);
      sqlite3_bind_int(ins.st, 4, 2);
      ins.run();
    }
    s.exec("COMMIT");
  }

  std::unique_ptr<fw::Session> open(const std::string& conn) {
    auto s = std::make_unique<fw::Session>(ui, clock, folder);
    s->BatchMode = true;
    s->HdbConnString = conn;
    fw::openHDB(*s);
    if (!s->LastError.empty()) throw std::runtime_error(s->LastError);
    s->UnitSeries.assign(kSeriesRows + 1, fw::SeriesPoint{});
    return s;
  }
};

World& world() {
  static World w;
  return w;
}

void readWithGetHDB(benchmark::State& state, fw::Session& s) {
  for (auto _ : state) {
    int32_t count = 0;
    fw::GetHDB(s, "1010", "runit", kStart, kEnd, count, 0, 0, 0, -1, 0);
    if (count != kYearRows - 1) state.SkipWithError("GetHDB read the wrong number of rows");
    benchmark::DoNotOptimize(s.UnitSeries.data());
  }
}

void BM_GetHDB_Dao(benchmark::State& state) { readWithGetHDB(state, *world().dao); }
void BM_GetHDB_Ado(benchmark::State& state) { readWithGetHDB(state, *world().ado); }

void BM_PlainSelect(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(world().file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     "select date_time, value, source from runit where datatype_site_id=? and date_time between ? and ? "
                     "order by date_time",
                     -1, &st, nullptr);
  std::vector<fw::SeriesPoint> series(kSeriesRows + 1);
  for (auto _ : state) {
    sqlite3_bind_int(st, 1, 1010);
    sqlite3_bind_double(st, 2, kStart);
    sqlite3_bind_double(st, 3, kEnd);
    size_t n = 0;
    while (sqlite3_step(st) == SQLITE_ROW && n < series.size()) {
      series[n].date = sqlite3_column_double(st, 0);
      series[n].value = sqlite3_column_double(st, 1);
      series[n].source = static_cast<int16_t>(sqlite3_column_int(st, 2));
      ++n;
    }
    sqlite3_reset(st);
    if (n != kYearRows) state.SkipWithError("the plain select read the wrong number of rows");
    benchmark::DoNotOptimize(series.data());
  }
  sqlite3_finalize(st);
  sqlite3_close_v2(db);
}

BENCHMARK(BM_PlainSelect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetHDB_Dao)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetHDB_Ado)->Unit(benchmark::kMillisecond);

}  // namespace

// The database is built before any timing; nine interleaved repetitions, the ratio of medians (the
// CPU-time ratio is the steadier one on a machine shared with other work).
int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_PlainSelect", {"BM_GetHDB_Dao", "BM_GetHDB_Ado"}, "plain select",
                                  1.15, 9, [] { world(); });
}
