#pragma once
// A session over a fresh SQLite HDB in real-time mode, hourly series stored for the routing
// window, and the routing call a ROUTE line makes.
#include <cmath>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/db/dialect.h"
#include "run/run_services.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::compute::testing {

using fw::testing::execSql;
using fw::testing::readFile;
using fw::testing::writeFile;

// The run day is kTestNow's day (06/05/2024); the line asks for one day back.
inline constexpr int32_t kRunDay = 45448;
inline constexpr int32_t kFirstDay = kRunDay - 1;  // the output start
inline constexpr int32_t kReadFrom = kFirstDay - 1, kReadTo = kRunDay + 1;
inline constexpr int kHours = (kReadTo - kReadFrom) * 24 + 1;  // hourly values read, both ends included

inline vb::VbDate hourAt(int k) {
  return vb::roundToSecond(kReadFrom + k / 24.0);
}

struct RoutingFixture {
  fw::testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path hdb;

  explicit RoutingFixture(fw::testing::HdbEngine engine = fw::testing::HdbEngine::AdoSqlite) {
    hdb = fw::testing::openTestHdb(s, engine);
    s.RealtimeMode = true;
    s.RunDateTime = fw::testing::kTestNow;
    s.RunDay = kRunDay;
    s.BatchMode = true;
    s.UnitSeries.assign(100, SeriesPoint{});
  }

  // Stores values (element k at hourAt(k)) for the DSID in the table.
  void store(const std::string& table, int dsid, const std::vector<double>& values) {
    std::string sql;
    for (size_t k = 0; k < values.size(); ++k)
      sql += "insert into " + table + " values (" + std::to_string(dsid) + ", " + db::dayLiteral(hourAt(int(k))) +
             ", " + std::to_string(values[k]) + ", 2);";
    execSql(hdb, sql);
  }

  void file(const std::string& name, const std::string& text) { writeFile(t.folder / name, text); }

  SourceCall call(const std::string& routingFile, const std::string& stationId = "ROUTE-HOUR") {
    SourceCall c;
    c.SourceType = 10;
    c.StationId = stationId;
    c.Dsid = "-1000";
    c.ParameterCode = routingFile;
    c.FirstDay = kFirstDay;
    c.LastDay = kRunDay;
    return c;
  }

  int rows(const std::string& sql) { return fw::testing::countRows(hdb, sql); }
};

// A hydrograph with one flood wave on a base flow, over the whole routing window.
inline std::vector<double> floodWave(double base, double peak, int peakAt) {
  std::vector<double> v(kHours);
  for (int k = 0; k < kHours; ++k) v[k] = base + peak * std::exp(-std::pow((k - peakAt) / 4.0, 2));
  return v;
}

}  // namespace fw::compute::testing
