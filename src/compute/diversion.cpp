#include "compute/diversion.h"

#include "app/session.h"
#include "common/round_value.h"
#include "compute/routed_results.h"
#include "compute/table_position.h"
#include "compute/work_arrays.h"
#include "platform/vb/convert.h"

namespace fw::compute {

namespace {

constexpr size_t kMaxDiversionRows = 200;

struct DiversionRating {
  std::vector<double> inflow{0}, diverted{0};
  int32_t rows = 0;
};

DiversionRating readDiversionRating(const std::filesystem::path& path) {
  DiversionRating r;
  for (const auto& f : readTableRows(path, 2)) {
    if (static_cast<size_t>(r.rows) >= kMaxDiversionRows) vb::raise(vb::err::SubscriptOutOfRange);
    ++r.rows;
    r.inflow.push_back(vb::Val(f[0]));
    r.diverted.push_back(vb::Val(f[1]));
  }
  return r;
}

}  // namespace

void RouteDiversion(Session& s, int32_t n, const std::string& dsid, const std::filesystem::path& ratingPath,
                    vb::VbDate outputStart, int32_t beginDay, int32_t endDay, bool modelRun, int16_t runId,
                    int16_t trace) {
  try {
    const DiversionRating rating = readDiversionRating(ratingPath);
    std::vector<double> passed(static_cast<size_t>(std::max(n, 0)) + 1);
    std::vector<SeriesPoint> side(1);
    for (int32_t i = 1; i <= n; ++i) {
      const SeriesPoint& e = at(s.UnitSeries, i);
      double f = 0;
      int16_t p = 0;
      TablePosition(e.value, rating.inflow, rating.rows, f, p);
      const double lo = rating.diverted[static_cast<size_t>(p)];
      double d = lo + f * (rating.diverted[static_cast<size_t>(p) + 1] - lo);
      passed[static_cast<size_t>(i)] = e.value - d;
      if (e.date >= outputStart) side.push_back({e.date, RoundValue(d, kDiversionSeries, s.MetricUnits, s.CanadaSite), 0});
    }
    if (vb::Val(dsid) != 0 && s.form.Check3.Value == 1)
      RouteResultsToHdb(s, side, static_cast<int32_t>(side.size()) - 1, dsid, beginDay + 1, endDay, modelRun, runId,
                        trace, kDiversionSeries);
    for (int32_t i = 1; i <= n; ++i) s.UnitSeries[static_cast<size_t>(i)].value = passed[static_cast<size_t>(i)];
  } catch (const vb::Error& e) {
    s.LastError = e.description() + "... in DIVERSION routing.";
    if (s.BatchMode)
      s.errlog.writeLine(s.LastError);
    else
      s.ui.msgBox(s.LastError);
  }
}

}  // namespace fw::compute
