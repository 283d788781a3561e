// Writing a year of 15-minute unit values for one DSID over a period already stored, on a
// PostgreSQL server (a throw-away cluster on a loopback port): hdbunit beside the same delete and
// insert as plain libpq prepared statements in one transaction. Prints the ratio of the writer's
// time to the plain one. Runs only where the server programs are installed.
#include <libpq-fe.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "platform/db/dialect.h"
#include "store/unit_writer.h"
#include "support/postgres_cluster.h"

namespace {

constexpr int kValues = 35'040;  // a year of 15-minute values
constexpr int kDsidCount = 10;   // series in runit before the write
constexpr int kFirstDsid = 1000;
constexpr int kWrittenDsid = kFirstDsid + kDsidCount / 2;
constexpr double kFirstTime = 45292;  // 01/01/2024 00:00
constexpr double kStep = 1.0 / 96;    // 15 minutes

double timeOf(int i) {
  return std::round((kFirstTime + i * kStep) * 86400.0) / 86400.0;
}

using fw::testing::PostgresCluster;

struct Fixture {
  PostgresCluster* cluster = nullptr;
  std::string database;
  std::string whyNot;
  Fixture() {
    cluster = PostgresCluster::get(&whyNot);
    if (!cluster) return;
    database = cluster->makeDatabase();
    cluster->exec(database, "insert into runit select " + std::to_string(kFirstDsid) +
                                " + d, timestamp '2024-01-01' + i * interval '15 minutes', i * 0.5, 2 from "
                                "generate_series(0, " + std::to_string(kDsidCount - 1) +
                                ") d, generate_series(0, " + std::to_string(kValues - 1) + ") i; analyze runit;");
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

struct PgConn {
  PGconn* c = nullptr;
  explicit PgConn(const std::string& conninfo) : c(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(c) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(c));
  }
  ~PgConn() { PQfinish(c); }
  void exec(const char* sql) {
    PGresult* r = PQexec(c, sql);
    bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    PQclear(r);
    if (!ok) throw std::runtime_error(PQerrorMessage(c));
  }
  void prepared(const char* name, int n, const char* const* values) {
    PGresult* r = PQexecPrepared(c, name, n, values, nullptr, nullptr, 0);
    bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok) throw std::runtime_error(PQerrorMessage(c));
  }
};

void BM_plainLibpq(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.cluster) return state.SkipWithError(f.whyNot.c_str());
  PgConn pg("host=127.0.0.1 port=" + std::to_string(f.cluster->port()) + " dbname=" + f.database + " user=" +
            PostgresCluster::kUser + " password=" + PostgresCluster::kPassword);
  PQclear(PQprepare(pg.c, "del", "delete from runit where datatype_site_id=$1 and date_time between $2 and $3", 0,
                    nullptr));
  PQclear(PQprepare(pg.c, "ins", "insert into runit values ($1, $2, $3, $4)", 0, nullptr));
  const std::string dsid = std::to_string(kWrittenDsid);
  const std::string from = fw::db::timestampText(timeOf(0)), to = fw::db::timestampText(timeOf(kValues - 1));
  double bump = 0;
  for (auto _ : state) {
    bump += 1;
    pg.exec("BEGIN");
    const char* del[] = {dsid.c_str(), from.c_str(), to.c_str()};
    pg.prepared("del", 3, del);
    for (int i = 0; i < kValues; ++i) {
      const std::string when = fw::db::timestampText(timeOf(i));
      char value[32];
      std::snprintf(value, sizeof value, "%.17g", i + bump);
      const char* ins[] = {dsid.c_str(), when.c_str(), value, "2"};
      pg.prepared("ins", 4, ins);
    }
    pg.exec("COMMIT");
  }
}

void BM_hdbunit(benchmark::State& state) {
  Fixture& f = fixture();
  if (!f.cluster) return state.SkipWithError(f.whyNot.c_str());
  fw::HeadlessUi ui;
  fw::FixedClock clock{45448.5};
  fw::Session s(ui, clock, std::filesystem::temp_directory_path());
  s.HdbConnString = f.cluster->connString(f.database);
  fw::openHDB(s);
  if (!s.LastError.empty()) return state.SkipWithError(s.LastError.c_str());
  const std::string dsid = std::to_string(kWrittenDsid);
  double bump = 0;
  for (auto _ : state) {
    bump += 1;
    s.UnitSeries.resize(kValues);
    for (int i = 0; i < kValues; ++i) s.UnitSeries[static_cast<size_t>(i)] = {timeOf(i), i + bump, 0};
    int32_t last = kValues - 1;
    bool written = false;
    fw::hdbunit(s, dsid, 365, 2, 1, last, written, false);
    if (!written) state.SkipWithError("nothing written");
  }
  if (!s.LastError.empty()) state.SkipWithError(s.LastError.c_str());
}

BENCHMARK(BM_plainLibpq)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_hdbunit)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// Nine interleaved repetitions: the ratio is of medians over the same stretch of the machine's load.
int main(int argc, char** argv) {
  return fw::bench::runWithRatios(argc, argv, "BM_plainLibpq/iterations:3", {"BM_hdbunit/iterations:3"},
                                  "plain libpq prepared statements", 1.5, 9);
}
