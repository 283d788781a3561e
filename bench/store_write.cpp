// Writing ten years of daily values for one DSID over a period already stored, in an rday of
// 1,000,000 rows: hdbdaily (and hdbdailyDAO) beside the same delete and insert as plain prepared
// sqlite3 statements in one transaction. Prints the ratio of the writers' times to the plain one.
#include <string>

#include "bench_support.h"
#include "store/daily_writer.h"

namespace {

constexpr int kDays = 3653;            // ten years
constexpr int kTableRows = 1'000'000;  // rows in rday before the write
constexpr int kDsidCount = (kTableRows + kDays - 1) / kDays;
constexpr int kFirstDsid = 1000;
constexpr int kWrittenDsid = kFirstDsid + kDsidCount / 2;
constexpr double kFirstDay = 41640;  // 01/01/2014

using fw::bench::Sqlite;
using fw::bench::Stmt;

// A database in a temporary folder with kTableRows daily rows, made once for all benchmarks.
struct Fixture : fw::bench::TempDatabase {
  Fixture() : TempDatabase("store_write") {
    Sqlite s(file);
    s.exec("BEGIN");
    Stmt ins(s.db, "insert into rday values (?, ?, ?, 2)");
    for (int d = 0; d < kDsidCount; ++d)
      for (int i = 0; i < kDays; ++i) {
        sqlite3_bind_int(ins.st, 1, kFirstDsid + d);
        sqlite3_bind_double(ins.st, 2, kFirstDay + i);
        sqlite3_bind_double(ins.st, 3, i * 0.5);
        ins.run();
      }
    s.exec("COMMIT");
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void writeWithHdbdaily(benchmark::State& state, bool dao) {
  fw::bench::WriterSession w(fixture(), dao);
  fw::Session& s = w.s;
  const std::string dsid = std::to_string(kWrittenDsid);
  double bump = 0;
  for (auto _ : state) {
    bump += 1;
    s.DaySeries.resize(kDays);
    for (int i = 0; i < kDays; ++i) s.DaySeries[static_cast<size_t>(i)] = {kFirstDay + i, i + bump, 0};
    if (dao)
      fw::hdbdailyDAO(s, dsid, kDays - 1, 2, 1);
    else
      fw::hdbdaily(s, dsid, kDays - 1, 2, 1);
  }
  if (!s.LastError.empty()) state.SkipWithError(s.LastError.c_str());
}

void BM_hdbdaily(benchmark::State& state) {
  writeWithHdbdaily(state, false);
}
void BM_hdbdailyDAO(benchmark::State& state) {
  writeWithHdbdaily(state, true);
}

void BM_plainSqlite(benchmark::State& state) {
  Fixture& f = fixture();
  Sqlite s(f.file);
  Stmt del(s.db, "delete from rday where datatype_site_id=? and date_time between ? and ?");
  Stmt ins(s.db, "insert into rday values (?, ?, ?, ?)");
  double bump = 0;
  for (auto _ : state) {
    bump += 1;
    s.exec("BEGIN");
    sqlite3_bind_int(del.st, 1, kWrittenDsid);
    sqlite3_bind_double(del.st, 2, kFirstDay);
    sqlite3_bind_double(del.st, 3, kFirstDay + kDays - 1);
    del.run();
    for (int i = 0; i < kDays; ++i) {
      sqlite3_bind_int(ins.st, 1, kWrittenDsid);
      sqlite3_bind_double(ins.st, 2, kFirstDay + i);
      sqlite3_bind_double(ins.st, 3, i + bump);
      sqlite3_bind_int(ins.st, 4, 2);
      ins.run();
    }
    s.exec("COMMIT");
  }
}

BENCHMARK(BM_plainSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hdbdaily)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hdbdailyDAO)->Unit(benchmark::kMillisecond);

}  // namespace

// Nine interleaved repetitions: the ratio is of medians over the same stretch of the machine's load.
int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_plainSqlite", {"BM_hdbdaily", "BM_hdbdailyDAO"},
                                  "plain prepared sqlite3", 1.25, 9);
}
