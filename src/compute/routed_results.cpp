#include "compute/routed_results.h"

#include "app/session.h"
#include "common/round_value.h"
#include "compute/db_lookup.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "store/extremes_writer.h"
#include "store/hourly_writer.h"
#include "store/series_reader.h"
#include "store/unit_writer.h"

namespace fw::compute {

namespace {

constexpr int16_t kRoutingSource = 10;

std::string tableFor(const std::string& table, bool modelRun) {
  return modelRun ? "m" + table.substr(1) : table;
}

// The stored extreme of the DSID dated exactly at the day's midnight, or none.
bool storedExtreme(Session& s, const std::string& table, const std::string& dsid, int32_t day, bool modelRun,
                   int16_t runId, int16_t trace, double& value) {
  std::string sql = "select value from " + table + " where ";
  if (modelRun)
    sql += "run_id=" + vb::CStr(static_cast<int32_t>(runId)) + " and trace=" + vb::CStr(static_cast<int32_t>(trace)) +
           " and ";
  const std::string when = vb::Format(static_cast<vb::VbDate>(day), "mm/dd/yyyy  hh:mm");
  sql += "datatype_site_id=" + dsid + " and date_time between #" + when + "# and #" + when + "#;";
  const LookupRow row = lookupRow(s, sql);
  if (!hasValue(row)) return false;
  value = row.first.toDouble();
  return true;
}

// Puts UnitSeries back as it was however the store calls end.
struct KeepUnitSeries {
  explicit KeepUnitSeries(Session& s) : s_(s), kept_(s.UnitSeries) {}
  ~KeepUnitSeries() { s_.UnitSeries = std::move(kept_); }
  Session& s_;
  std::vector<SeriesPoint> kept_;
};

}  // namespace

void RouteResultsToHdb(Session& s, const std::vector<SeriesPoint>& side, int32_t k, const std::string& dsid,
                       int32_t firstDay, int32_t lastDay, bool modelRun, int16_t runId, int16_t trace, int16_t kind) {
  KeepUnitSeries keep(s);
  const size_t work = std::max(keep.kept_.size(), static_cast<size_t>(std::max(k, 0)) + 1);

  // 1. The side series as unit values.
  s.UnitSeries.assign(work, SeriesPoint{});
  for (int32_t i = 1; i <= k; ++i) s.UnitSeries[static_cast<size_t>(i)] = side.at(static_cast<size_t>(i));
  int32_t last = k;
  bool written = false;
  if (s.HdbUseDAO)
    hdbunitDAO(s, dsid, k, kRoutingSource, kind, last, written, false);
  else
    hdbunit(s, dsid, k, kRoutingSource, kind, last, written, false);

  // 2. Read back what the table now holds for the period.
  int32_t count = 0;
  GetHDB(s, dsid, tableFor("runit", modelRun), firstDay, lastDay, count, modelRun ? 1 : 0, runId, trace, 0, 0);
  std::vector<SeriesPoint> units(s.UnitSeries.begin(),
                                 s.UnitSeries.begin() + std::min<size_t>(static_cast<size_t>(std::max(count, 0)) + 1,
                                                                         s.UnitSeries.size()));
  double seedMax = -1e308, seedMin = 99999;
  bool haveMax = storedExtreme(s, tableFor("rdaymax", modelRun), dsid, firstDay, modelRun, runId, trace, seedMax);
  double storedMin = 0;
  if (storedExtreme(s, tableFor("rdaymin", modelRun), dsid, firstDay, modelRun, runId, trace, storedMin) &&
      storedMin != 0)
    seedMin = storedMin;

  // 3. Clock-hour means and daily extremes, each rounded by the kind.
  auto round = [&](double v) { return RoundValue(v, kind, s.MetricUnits, s.CanadaSite); };
  s.HourSeries.assign(work, SeriesPoint{});
  s.DayMaxSeries.assign(work, SeriesPoint{});
  s.DayMinSeries.assign(work, SeriesPoint{});
  s.HourSeries[0].value = MissingValue;
  int32_t hours = 0, days = 0;
  double hourSum = 0;
  int32_t hourValues = 0;
  double hourKey = -1, dayKey = -1;
  auto closeHour = [&] {
    if (hourValues == 0) return;
    if (static_cast<size_t>(hours + 1) >= s.HourSeries.size()) s.HourSeries.resize(static_cast<size_t>(hours) + 2);
    s.HourSeries[static_cast<size_t>(++hours)] = {vb::roundToSecond(hourKey / 24), round(hourSum / hourValues), 0};
    hourSum = 0;
    hourValues = 0;
  };
  for (int32_t i = 1; i <= count && static_cast<size_t>(i) < units.size(); ++i) {
    const SeriesPoint& e = units[static_cast<size_t>(i)];
    if (e.value == MissingValue) continue;
    const vb::VbDate t = vb::roundToSecond(e.date);
    const double hour = vb::Int(t * 24 + 1e-9);
    if (hour != hourKey) {
      closeHour();
      hourKey = hour;
    }
    hourSum += e.value;
    ++hourValues;

    const double day = vb::Int(t);
    if (day != dayKey) {
      if (static_cast<size_t>(days + 1) >= s.DayMaxSeries.size()) {
        s.DayMaxSeries.resize(static_cast<size_t>(days) + 2);
        s.DayMinSeries.resize(static_cast<size_t>(days) + 2);
      }
      ++days;
      const bool seeded = dayKey < 0 && day == firstDay;
      s.DayMaxSeries[static_cast<size_t>(days)] = {e.date, seeded && haveMax ? seedMax : -1e308, 0};
      s.DayMinSeries[static_cast<size_t>(days)] = {e.date, seeded ? seedMin : 99999, 0};
      dayKey = day;
    }
    const double v = round(e.value);
    SeriesPoint& mx = s.DayMaxSeries[static_cast<size_t>(days)];
    SeriesPoint& mn = s.DayMinSeries[static_cast<size_t>(days)];
    if (v > mx.value) mx = {e.date, v, 0};
    if (v < mn.value) mn = {e.date, v, 0};
  }
  closeHour();

  // 4. The hourly values and the daily extremes.
  if (hours > 0) {
    int32_t lastHour = hours;
    if (s.HdbUseDAO)
      hdbhourlyDAO(s, dsid, days, kRoutingSource, 0, lastHour, kind, "", 1, 0);
    else
      hdbhourly(s, dsid, days, kRoutingSource, 0, lastHour, kind, "", 1, 0);
  }
  if (days > 0) {
    if (s.HdbUseDAO) {
      hdbdmaxDAO(s, dsid, days, kRoutingSource, kind);
      hdbdminDAO(s, dsid, days, kRoutingSource);
    } else {
      hdbdmax(s, dsid, days, kRoutingSource, kind);
      hdbdmin(s, dsid, days, kRoutingSource);
    }
  }
  // 5.
  logPaneLine(s, (kind == kDiversionSeries ? "Diversion " : "Modpul Elevation ") + dsid);
  s.ui.doEvents();
}

}  // namespace fw::compute
