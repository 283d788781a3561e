#include "compute/modified_puls.h"

#include <cmath>

#include "app/session.h"
#include "compute/db_lookup.h"
#include "compute/if_check.h"
#include "compute/release_schedule.h"
#include "compute/routed_results.h"
#include "compute/table_position.h"
#include "compute/work_arrays.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"

namespace fw::compute {

namespace {

constexpr size_t kMaxRatingRows = 1000;
// The indication column is c * S / step + O: c turns storage per hour into flow, twice over.
constexpr double kIndicationFactor = 24.2;           // 2 x 12.1 cfs-hours per acre-foot
constexpr double kMetricIndicationFactor = 0.0005556;  // 2 / 3600 s per hour (m3, m3/s)
// Seasonal evaporation depth in inches a day: 0.12 sin((284 + day of year) 2 pi / 365) + 0.17.
constexpr double kEvapAmplitude = 0.12, kEvapMean = 0.17, kEvapPhaseDays = 284, kRadiansPerDay = 0.017214192;
constexpr double kAcresPerSquareMetre = 0.0002471;
constexpr double kCubicMetresPerCubicFoot = 0.028316846592;
// A mode from 1.991 divides the storage; from 1.999 it is a cascade of that many reservoirs.
constexpr double kDivideFrom = 1.991, kCascadeFrom = 1.999;
constexpr double kRoutingSource = 10;  // source of values stored from a routing station line

double lerp(const std::vector<double>& col, int16_t p, double f) {
  const double low = col[static_cast<size_t>(p)];
  return low + f * (col[static_cast<size_t>(p) + 1] - low);
}

class ModpulRouter {
 public:
  ModpulRouter(Session& s, ModpulCall& c) : s_(s), c_(c), v_(s.UnitSeries) {
    indication_ = s.MetricUnits ? kMetricIndicationFactor : kIndicationFactor;
    R_ = c.release ? c.release->value : 0;
  }

  void run() {
    setUp();
    for (int32_t r = 1; r <= reservoirs_; ++r) routeOneReservoir();
    shiftCascade();
    if (c_.restartDay != 0) c_.outputStart = c_.restartDay;
    storeElevations();
  }

 private:
  int32_t conditionCount() const { return c_.conditions ? static_cast<int32_t>(c_.conditions->size()) : 0; }
  const RoutingCondition& condition(int32_t k) const { return at(*c_.conditions, k - 1); }

  void setUp() {
    double m = c_.mode;
    if (m == -3) restartMode_ = true;
    if (m == -1) optimised_ = true;
    if (m < -1 && m != -2 && m != -3) {
      optimised_ = true;
      shiftAtEnd_ = false;
    }
    if (m < 0) m = 1;
    mode_ = m;

    lineRating_ = c_.ratingPath;
    for (int32_t k = 1; k <= conditionCount(); ++k) {
      const RoutingCondition& rc = condition(k);
      if (IfCheck(s_, rc.dsid, rc.table, c_.beginDay, c_.endDay, "", rc.expression) != 0) {
        c_.ratingPath = s_.inProgramFolder(rc.operand);
        active_ = k;
      }
    }
    loadRating();

    if (optimised_) {
      double peak = -1e308, floor = 9999999;
      for (int32_t i = 1; i <= c_.n; ++i) {
        peak = std::max(peak, at(v_, i).value);
        floor = std::min(floor, v_[static_cast<size_t>(i)].value);
      }
      double target = peak * (c_.further != 0 ? c_.further : 2.0 / 3.0);
      if (target < floor) target = floor;
      double f = 0;
      int16_t p = 0;
      TablePosition(target, rating_.O, rating_.rows, f, p);
      int16_t count = vb::toInteger(lerp(rating_.cascade, p, f));
      if (count < 1) count = 1;
      mode_ = count;
      for (int32_t k = 1; k <= rating_.rows; ++k)
        rating_.S[static_cast<size_t>(k)] = rating_.storageRead[static_cast<size_t>(k)] / mode_;
      buildIndication();
    }

    if (c_.elevationDsid != 0) {
      const std::string when = vb::Format(static_cast<vb::VbDate>(c_.beginDay), "mm/dd/yyyy hh:mm");
      const std::string dsid = vb::CStr(static_cast<int32_t>(c_.elevationDsid));
      const LookupRow row = lookupRow(s_, "select value from rhour where datatype_site_id=" + dsid +
                                              " and date_time = #" + when + "#;");
      if (hasValue(row)) {
        startElevation_ = row.first.toDouble();
        double f = 0;
        int16_t p = 0;
        TablePosition(startElevation_, rating_.E, rating_.rows, f, p);
        elevationOutflow_ = lerp(rating_.O, p, f);
        elevationFound_ = true;
      } else {
        s_.LastError = "Starting modpul elevation rhour " + dsid + " on " + when + " not found, inflow used.";
        logPaneLine(s_, s_.LastError);
        s_.errlog.writeLine(s_.LastError);
      }
      elevations_.assign(v_.size(), 0.0);
    }
    setupStartOutflow_ = elevationFound_ ? elevationOutflow_ : at(v_, 1).value;
    if (c_.elevationDsid != 0 && !elevationFound_) {
      double f = 0;
      int16_t p = 0;
      TablePosition(setupStartOutflow_, rating_.O, rating_.rows, f, p);
      startElevation_ = lerp(rating_.E, p, f);
    }

    reservoirs_ = mode_ >= kCascadeFrom ? vb::toInteger(mode_) : 1;
    // Each reservoir leaves the outflow at the end of step i in element i, one step early: the
    // result moves one element later per reservoir, one reservoir as a cascade.
    shift_ = reservoirs_;
    if (optimised_ && !shiftAtEnd_) shift_ = 0;
    hourlyReleases_ = c_.release && !c_.release->dsid.empty() && R_ > 0;
  }

  // Reads the rating at the path in use, lifts it above the release and builds the indication.
  void loadRating() {
    rating_ = readModpulRating(c_.ratingPath, mode_);
    for (int32_t k = 2; k <= rating_.rows; ++k) {
      double& o = rating_.O[static_cast<size_t>(k)];
      if (o < R_) o = R_ + k / 1000.0;
    }
    buildIndication();
  }

  void buildIndication() {
    for (int32_t k = 1; k <= rating_.rows; ++k) {
      const size_t i = static_cast<size_t>(k);
      rating_.Q[i] = indication_ * rating_.S[i] / c_.stepHours + rating_.O[i];
    }
  }

  // The reservoir term 2S/step at an elevation: the reservoir starts again from it.
  void restartAtElevation(double elevation) {
    double f = 0;
    int16_t p = 0;
    TablePosition(elevation, rating_.E, rating_.rows, f, p);
    SN_ = indication_ * lerp(rating_.S, p, f) / c_.stepHours;
  }

  void routeOneReservoir() {
    const double start = elevationFound_ ? elevationOutflow_ : at(v_, 1).value;
    double f = 0;
    int16_t p = 0;
    TablePosition(start, rating_.O, rating_.rows, f, p);
    SN_ = indication_ * lerp(rating_.S, p, f) / c_.stepHours;
    double O1 = start;
    vb::VbDate conditionDay = c_.beginDay;
    int32_t evaporationDay = 0;
    double V = 0;
    ReleaseSetting none;
    ReleaseSchedule schedule(s_, c_.release ? *c_.release : none, hourlyReleases_);

    for (int32_t i = 1; i <= c_.n - 1; ++i) {
      if (conditionCount() > 0 && i >= 3 && vb::Int(at(v_, i - 1).date) > conditionDay) {
        conditionDay = vb::Int(at(v_, i).date);
        if (restartMode_ && c_.elevationDsid != 0) dailyRestart(conditionDay);
        switchRatingByConditions(conditionDay);
      }
      if (schedule.on() && i >= 3 && vb::Minute(at(v_, i - 1).date) == 0)
        scheduledRelease(at(v_, i - 1).date, schedule);

      const double X = at(v_, i).value + at(v_, i + 1).value + SN_ - O1;
      p = 0;  // a rising column
      TablePosition(X, rating_.Q, rating_.rows, f, p);
      double O2 = lerp(rating_.O, p, f);
      if (c_.elevationDsid != 0) at(elevations_, i) = lerp(rating_.E, p, f);
      if (O2 < 0) O2 = 0;
      v_[static_cast<size_t>(i)].value = O2;

      if (c_.evaporation != 0) {
        const vb::VbDate d = v_[static_cast<size_t>(i)].date;
        if (vb::Int(d) > evaporationDay) {
          evaporationDay = static_cast<int32_t>(vb::Int(d));
          V = dailyEvaporation(d, p);
        }
      }
      SN_ = X - O2 - V;
      if (SN_ < 0) SN_ = 0;
      O1 = O2;
    }
  }

  // Storage lost to evaporation at each step of the day of d, in the units of 2S/step; p is the
  // rating row of the current outflow, whose slope gives the surface area.
  double dailyEvaporation(vb::VbDate d, int16_t p) const {
    const double depth =
        kEvapAmplitude * std::sin((kEvapPhaseDays + vb::DayOfYear(d)) * kRadiansPerDay) + kEvapMean;
    const size_t k = static_cast<size_t>(p);
    const double dE = rating_.E[k + 1] - rating_.E[k];
    if (dE == 0) vb::raise(vb::err::DivisionByZero);
    double area = (rating_.S[k + 1] - rating_.S[k]) / dE;
    if (s_.MetricUnits) area *= kAcresPerSquareMetre;
    double volume = 0.5 * c_.evaporation * area * depth / 12;
    if (s_.MetricUnits) volume *= kCubicMetresPerCubicFoot;
    return volume < 0 ? 0 : volume;
  }

  // An observed elevation not written by a routing restarts the reservoir; a routed one marks
  // the day before as the first day the routing's own output starts from.
  void dailyRestart(vb::VbDate day) {
    const LookupRow row = lookupRow(
        s_, "select value, source from runit where datatype_site_id=" + vb::CStr(static_cast<int32_t>(c_.elevationDsid)) +
                " and date_time = #" + vb::Format(day, "mm/dd/yyyy hh:mm") + "#;");
    if (!hasValue(row)) return;
    const double source = row.second.isNull() ? 0 : row.second.toDouble();
    if (source != kRoutingSource) {
      restartAtElevation(static_cast<float>(row.first.toDouble()));
    } else if (c_.restartDay == 0) {
      c_.restartDay = static_cast<int32_t>(day) - 1;
    }
  }

  void switchRatingByConditions(vb::VbDate day) {
    for (int32_t k = 1; k <= conditionCount(); ++k) {
      const RoutingCondition& rc = condition(k);
      if (IfCheck(s_, rc.dsid, rc.table, day, c_.endDay, "", rc.expression) == 0) continue;
      if (k != active_) {
        c_.ratingPath = s_.inProgramFolder(rc.operand);
        active_ = k;
        loadRating();
      }
      return;
    }
    if (active_ != 0) {
      active_ = 0;
      c_.ratingPath = lineRating_;
      loadRating();
    }
  }

  void scheduledRelease(vb::VbDate t, ReleaseSchedule& schedule) {
    const ReleaseSchedule::Reading reading = schedule.readAt(t);
    if (!reading.read) return;
    if (reading.value) {
      R_ = *reading.value;
      if (c_.elevationDsid != 0) {
        const LookupRow observed =
            lookupRow(s_, "select value from runit where datatype_site_id=" +
                              vb::CStr(static_cast<int32_t>(c_.elevationDsid)) + " and date_time = #" +
                              vb::Format(t, "mm/dd/yyyy hh:mm") + "#;");
        if (hasValue(observed) && observed.first.toDouble() > -998) restartAtElevation(observed.first.toDouble());
      }
    }
    // Before the run's time the reservoir releases the schedule; later the rating's own
    // outflows hold wherever they lie above it.
    const bool past = t < s_.RunDateTime;
    for (int32_t k = 2; k <= rating_.rows; ++k) {
      const size_t i = static_cast<size_t>(k);
      const double lifted = R_ + k / 1000.0;
      rating_.O[i] = past ? lifted : (rating_.O0[i] < R_ ? lifted : rating_.O0[i]);
    }
    buildIndication();
  }

  void shiftCascade() {
    if (shift_ <= 0) return;
    const int32_t last = c_.n + shift_;
    ensureElements(v_, last);
    if (!elevations_.empty() && elevations_.size() < v_.size()) elevations_.resize(v_.size(), 0.0);
    for (int32_t j = last; j >= 1; --j) {
      const size_t i = static_cast<size_t>(j);
      const bool shifted = j > shift_;
      v_[i].value = shifted ? v_[i - static_cast<size_t>(shift_)].value : setupStartOutflow_;
      if (!elevations_.empty())
        elevations_[i] = shifted ? elevations_[i - static_cast<size_t>(shift_)]
                                 : startElevation_;
    }
  }

  void storeElevations() {
    if (c_.elevationDsid == 0) return;
    std::vector<SeriesPoint> side(1);
    const int32_t last = std::min<int32_t>(c_.n - 1 + shift_, static_cast<int32_t>(v_.size()) - 1);
    for (int32_t i = 1; i <= last; ++i) {
      const SeriesPoint& e = v_[static_cast<size_t>(i)];
      if (e.date >= c_.outputStart)
        side.push_back({e.date, vb::Round(elevations_[static_cast<size_t>(i)], 2), 0});
    }
    RouteResultsToHdb(s_, side, static_cast<int32_t>(side.size()) - 1,
                      vb::CStr(static_cast<int32_t>(c_.elevationDsid)), c_.beginDay + 1, c_.endDay, c_.modelRun,
                      c_.runId, c_.trace, kElevationSeries);
  }

  Session& s_;
  ModpulCall& c_;
  std::vector<SeriesPoint>& v_;
  ModpulRating rating_;
  std::filesystem::path lineRating_;
  double indication_ = kIndicationFactor;
  double mode_ = 1;
  double R_ = 0;
  double SN_ = 0;
  bool optimised_ = false, shiftAtEnd_ = true, restartMode_ = false;
  int32_t active_ = 0;
  bool elevationFound_ = false;
  double startElevation_ = 0, elevationOutflow_ = 0, setupStartOutflow_ = 0;
  int32_t reservoirs_ = 1, shift_ = 0;
  bool hourlyReleases_ = false;
  std::vector<double> elevations_;
};

}  // namespace

ModpulRating readModpulRating(const std::filesystem::path& path, double factor) {
  ModpulRating r;
  for (const auto& f : readTableRows(path, 2)) {
    if (!vb::IsNumeric(f[0])) continue;  // a header or note row
    if (static_cast<size_t>(r.rows) >= kMaxRatingRows) vb::raise(vb::err::SubscriptOutOfRange);
    const double storage = vb::Val(field(f, 2));
    const double cascade = vb::Val(field(f, 3));
    ++r.rows;
    r.E.push_back(vb::Val(f[0]));
    r.O.push_back(vb::Val(f[1]));
    r.O0.push_back(r.O.back());
    r.storageRead.push_back(storage);
    r.S.push_back(factor < kDivideFrom ? storage * factor : storage / factor);
    r.cascade.push_back(cascade);
    r.Q.push_back(0);
  }
  return r;
}

void RouteModpul(Session& s, ModpulCall& c) {
  ModpulRouter(s, c).run();
}

}  // namespace fw::compute
