// Writing a year of 15-minute unit values for one DSID over a period already stored, in a runit of
// 1,000,000 rows: hdbunit (and hdbunitDAO) beside the same delete and insert as plain prepared
// sqlite3 statements in one transaction. Prints the ratio of the writers' times to the plain one.
#include <cmath>
#include <string>

#include "bench_support.h"
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

using fw::bench::Sqlite;
using fw::bench::Stmt;

// A database in a temporary folder with kTableRows unit rows, made once for all benchmarks.
struct Fixture : fw::bench::TempDatabase {
  Fixture() : TempDatabase("store_write_unit") {
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
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void writeWithHdbunit(benchmark::State& state, bool dao, bool overwrite = false) {
  fw::bench::WriterSession w(fixture(), dao);
  fw::Session& s = w.s;
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

}  // namespace

// Nine interleaved repetitions: the ratio is of medians over the same stretch of the machine's load.
int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_plainSqlite", {"BM_hdbunit", "BM_hdbunitDAO", "BM_hdbunitOverwrite"},
                                  "plain prepared sqlite3", 1.25, 9);
}
