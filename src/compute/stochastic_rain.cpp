#include "compute/stochastic_rain.h"

#include <algorithm>
#include <cmath>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "store/daily_writer.h"
#include "store/extremes_writer.h"
#include "store/hourly_writer.h"
#include "store/model_run_tables.h"
#include "store/series_reader.h"
#include "store/unit_writer.h"

namespace fw::compute {

namespace {

constexpr double kStepDays = 1.0 / 288;  // five minutes
constexpr double kCapInches = 0.8;       // the largest five-minute value after the rain factor
constexpr int16_t kRainSource = 11;
constexpr int16_t kRainCode = 10;
constexpr int kErrorLimit = 5;

int32_t roundEven(double x) {
  return static_cast<int32_t>(vb::Round(x));
}

// Runs the routine's statements: a failing one is logged with its number and the next one runs;
// after five failures the rest is left out.
class StepErrors {
 public:
  StepErrors(Session& s, const std::string& dsid) : s_(s), dsid_(dsid) {}
  bool canceled() const { return canceled_; }
  template <class Fn>
  void step(int number, Fn&& fn) {
    if (canceled_) return;
    try {
      fn();
    } catch (const std::exception& e) {
      const auto* v = dynamic_cast<const vb::Error*>(&e);
      const std::string text = vb::Format(s_.clock.now(), "mm-dd-yyyy hh:mm") + " StohcRain Line " +
                               vb::CStr(int32_t{number}) + "  " +
                               (v ? v->description() : std::string(e.what()));
      logPaneLine(s_, text);
      s_.errlog.writeLine(text);
      if (++errors_ > kErrorLimit) {
        notify(s_, dsid_ + " StohcRain " + "read canceled after 5 errors.");
        canceled_ = true;
      }
    }
  }

 private:
  Session& s_;
  std::string dsid_;
  int errors_ = 0;
  bool canceled_ = false;
};

void emptySeries(std::vector<SeriesPoint>& series) {
  std::fill(series.begin(), series.end(), SeriesPoint{});
}

SeriesPoint& at(std::vector<SeriesPoint>& series, int32_t i) {
  if (i < 0 || static_cast<size_t>(i) >= series.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return series[static_cast<size_t>(i)];
}

// Field 2 of a value line; a title or an empty line has none and stays.
void setField2(std::string& line, const std::string& text) {
  std::vector<std::string> fields = vb::Split(line, "\t");
  if (fields.size() < 3) return;
  fields[2] = text;
  line = vb::Join(fields, "\t");
}

}  // namespace

StormShapes stormShapes(const StormSettings& st, const std::function<double()>& rnd) {
  StormShapes sh;
  sh.L = roundEven(st.durationHours * 12);
  int32_t E = 0;
  if (st.stormCount <= 1) {
    sh.N = roundEven(st.durationHours * 12 + 1);
    sh.S = 1;
    E = sh.N;
  } else {
    sh.N = roundEven(st.periodHours * 12 + 1);
    sh.S = st.stormCount;
    if (st.randomCount) sh.S = roundEven((rnd() - 0.5) * st.stormCount + st.stormCount);
    sh.S = std::max(sh.S, 1);
    E = sh.L;
  }
  sh.N = std::max(sh.N, 1);
  sh.P = roundEven(static_cast<double>(sh.N) / sh.S);
  sh.R.assign(static_cast<size_t>(sh.N) + 1, 0.0);
  sh.D.assign(static_cast<size_t>(sh.S), 0.0);
  sh.X.assign(static_cast<size_t>(sh.S), 0.0);
  sh.B.assign(static_cast<size_t>(sh.S), 0);

  int32_t k = 0;
  sh.D[0] = rnd() + 0.001;
  double Dmax = sh.D[0];
  sh.K = sh.L - std::min(roundEven(sh.L / 18.0), 12);
  int32_t K = sh.K;
  double I = 0.01;
  for (int32_t i = 2; i <= sh.N; ++i) {
    double x = (rnd() - 0.5) * st.flashiness;
    if (i > K) x = -std::fabs(x);
    if (i > E) {
      // The next storm starts at a random step of the next period, early enough to end inside it.
      I = 0.01;
      sh.B[static_cast<size_t>(k)] = i;
      const int32_t b = i;
      i = roundEven(rnd() * (sh.P - sh.L) + (k + 1) * sh.P);
      if (i < b) i = b + 2;
      E = i + sh.L;
      K = roundEven(E - sh.L / 18.0);
      k += 1;
      if (k > sh.S - 1) {
        k = sh.S - 1;
        break;
      }
      sh.D[static_cast<size_t>(k)] = rnd() + 0.001;
      Dmax = std::max(Dmax, sh.D[static_cast<size_t>(k)]);
      // A storm that would start past the series' end is not made.
      if (i > sh.N) break;
    }
    I *= std::exp(x);
    sh.R[static_cast<size_t>(i)] = I;
    sh.X[static_cast<size_t>(k)] += I;
  }
  sh.B[static_cast<size_t>(k)] = sh.N + 3;
  sh.storms = k + 1;
  if (sh.S > 1) {
    for (int32_t j = 0; j <= k; ++j) sh.D[static_cast<size_t>(j)] /= Dmax;
  } else {
    sh.D[0] = 1;
  }
  return sh;
}

StormSettings stormSettings(const Session& s) {
  StormSettings st;
  st.durationHours = s.WhatIf.StormDuration;
  st.flashiness = s.WhatIf.FlashyFactor;
  st.stormCount = s.WhatIf.StormCount;
  st.periodHours = s.WhatIf.MultiDuration;
  st.randomCount = s.WhatIf.RandomMulti != 0;
  return st;
}

void StochasticRain(Session& s, const std::string& dsid, vb::VbDate from, vb::VbDate to, int32_t& count,
                    int16_t runId, int16_t trace, int16_t replace, std::vector<std::string>& lines) {
  StepErrors errors(s, dsid);
  const bool write = s.WhatIf.WriteMTables != 0;
  const double factor = s.RunoffRainFactor == 0 ? 1 : s.RunoffRainFactor;
  StormShapes sh;
  errors.step(1, [&] { sh = stormShapes(stormSettings(s), [&s] { return s.WhatIfRng.next(); }); });
  if (errors.canceled()) return;

  // The storms to the unit series, each scaled to its size.
  count = 0;
  int32_t k = 0;
  int32_t n = 0;
  errors.step(2, [&] {
    at(s.UnitSeries, 0).value = MissingValue;
    const int32_t upper = static_cast<int32_t>(s.UnitSeries.size()) - 1;
    for (int32_t step = 0;; ++step) {
      const vb::VbDate t = vb::roundToSecond(from + step * kStepDays);
      if (t > to + 0.0001) break;
      n = count + 1;
      count = n;
      if (n <= sh.N) {
        if (n > sh.B[static_cast<size_t>(k)] && k + 1 < sh.storms) k += 1;
        double& r = sh.R[static_cast<size_t>(n)];
        const double sum = sh.X[static_cast<size_t>(k)];
        r = sum > 0 ? vb::Round(sh.D[static_cast<size_t>(k)] * r / sum, 5) : 0;
        if (factor * r > kCapInches) {
          logPaneLine(s, "Stochastic rain " + vb::CStr(vb::Round(factor * r, 2)) + " limited to 0.8");
          r = kCapInches / factor;
        }
        at(s.UnitSeries, n) = SeriesPoint{t, r, at(s.UnitSeries, n).source};
        if (replace != 0 && static_cast<size_t>(n) < lines.size())
          setField2(lines[static_cast<size_t>(n)], vb::CStr(r));
      } else {
        at(s.UnitSeries, n) = SeriesPoint{t, 0, at(s.UnitSeries, n).source};
        if (replace != 0 && static_cast<size_t>(n) < lines.size())
          setField2(lines[static_cast<size_t>(n)], "0");
        // Zero rain to the end of the day in which the storms ran out.
        if (vb::roundToSecond(t - vb::Int(t)) == 0 || (replace != 0 && !write)) break;
      }
      if (n >= upper) break;
    }
  });
  if (n < sh.N)
    logPaneLine(s, "Period ran was less than stochastic rain storm length by " +
                       vb::CStr(vb::Round((sh.N - n) / 12.0, 2)) + " hours");
  if (!write || errors.canceled()) return;

  // Stored in the model-run tables under the run and trace.
  if (trace == 0) trace = 1;
  s.RunId = runId;
  s.TraceNo = trace;
  if (trace == 1) {
    for (const char* table : {"munit", "mhour", "mday", "mdaymax"}) {
      errors.step(9, [&] {
        if (!isDsid(dsid)) vb::raise(vb::err::TypeMismatch);
        const std::string sql = std::string("delete from ") + table +
                                " where run_id=" + vb::CStr(int32_t{runId}) +
                                " and datatype_site_id=" + dsid + ";";
        if (s.HdbUseDAO)
          s.HdbDb.Execute(sql);
        else
          s.HdbCnn.Execute(sql);
      });
      s.ui.doEvents();
    }
  }
  emptySeries(s.HourSeries);
  emptySeries(s.DaySeries);
  emptySeries(s.DayMaxSeries);
  errors.step(11, [&] {
    const std::string note = vb::CStr(s.WhatIf.StormDuration) + " hrs, F " + vb::CStr(s.WhatIf.FlashyFactor);
    if (s.HdbUseDAO)
      hdbmrundsidDAO(s, dsid, factor, "Stochastic Rainfall", note, "");
    else
      hdbmrundsid(s, dsid, factor, "Stochastic Rainfall", note, "");
  });
  errors.step(12, [&] {
    for (int32_t i = 1; i <= count; ++i)
      at(s.UnitSeries, i).value = vb::Round(at(s.UnitSeries, i).value * factor, 6);
    if (s.form.Check6.ticked()) {
      int32_t last = count;
      bool written = false;
      if (s.HdbUseDAO)
        hdbunitDAO(s, dsid, 0, kRainSource, kRainCode, last, written, false);
      else
        hdbunit(s, dsid, 0, kRainSource, kRainCode, last, written, false);
    }
  });
  int32_t hours = 0, days = 0;
  errors.step(13, [&] {
    double h = 0, d = 0, m = -1;
    vb::VbDate mTime = 0;
    for (int32_t i = 2; i <= count; ++i) {
      SeriesPoint& p = at(s.UnitSeries, i);
      h += p.value;
      if (vb::Minute(p.date) == 0) {
        at(s.HourSeries, ++hours) = SeriesPoint{p.date, vb::Round(h, 5), 0};
        d += h;
        h = 0;
        const vb::VbDate previous = at(s.UnitSeries, i - 1).date;
        if (vb::Hour(previous) == 23) {
          ++days;
          at(s.DaySeries, days) = SeriesPoint{vb::Int(previous), vb::Round(d, 4), 0};
          at(s.DayMaxSeries, days) = SeriesPoint{mTime, m, 0};
          d = 0;
          m = -1;
        }
      }
      if (p.value > m) {
        m = p.value;
        mTime = p.date;
      }
      if (i <= sh.N) p.value = sh.R[static_cast<size_t>(i)];
    }
  });
  errors.step(14, [&] {
    if (s.form.Check3.ticked()) {
      int32_t last = hours;
      if (s.HdbUseDAO)
        hdbhourlyDAO(s, dsid, 0, kRainSource, kRainCode, last, kRainCode, "stochastic", -1, 0);
      else
        hdbhourly(s, dsid, 0, kRainSource, kRainCode, last, kRainCode, "stochastic", -1, 0);
    }
    if (s.form.Check5.ticked()) {
      if (s.HdbUseDAO)
        hdbdailyDAO(s, dsid, days, kRainSource, kRainCode);
      else
        hdbdaily(s, dsid, days, kRainSource, kRainCode);
    }
    if (s.form.Check7.ticked()) {
      if (s.HdbUseDAO)
        hdbdmaxDAO(s, dsid, days, kRainSource, kRainCode);
      else
        hdbdmax(s, dsid, days, kRainSource, kRainCode);
    }
  });
  emptySeries(s.HourSeries);
  emptySeries(s.DaySeries);
}

}  // namespace fw::compute
