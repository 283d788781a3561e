#include "store/hourly_writer.h"

#include <utility>
#include <vector>

#include "app/session.h"
#include "platform/db/error.h"
#include "platform/vb/format.h"
#include "store/graph_model.h"
#include "store/series_writer.h"

namespace fw {

namespace {

// Days added on both ends of the period: about a minute.
constexpr double kPeriodMargin = 0.0007;
// Values at or below this are not written (nor drawn).
constexpr double kLowestWritten = -99999;

const SeriesPoint& pointAt(const std::vector<SeriesPoint>& v, int32_t i) {
  if (i < 0 || static_cast<size_t>(i) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(i)];
}

// f: the first present value dated after 2.0; l: the last present value not earlier than f's.
bool trimHourly(const std::vector<SeriesPoint>& v, int32_t n, int32_t& f, int32_t& l) {
  f = 0;
  while (f <= n && !(pointAt(v, f).value != MissingValue && pointAt(v, f).date > 2.0)) ++f;
  if (f > n) return false;
  const vb::VbDate start = pointAt(v, f).date;
  l = n;
  while (l >= f && !(pointAt(v, l).value != MissingValue && pointAt(v, l).date >= start)) --l;
  return l >= f;
}

// One call of the hourly writer: what the pass hooks and the chart share.
struct HourlyCall {
  HourlyCall(Session& session, WriterForm f, HourlyGraphState& st) : s(session), form(f), state(st) {}

  Session& s;
  WriterForm form;
  std::string dsid;
  int32_t dailyCount = 0;
  int32_t lastIndex = -1;
  HourlyChartStyle style;
  HourlyGraphState& state;
  HourlyCaptionInputs caption;
  bool chart = false;  // the chart is drawn in this call

  vb::VbDate previous = 0;  // the last value accepted in this pass
  int32_t f = 0, l = -1;
  vb::VbDate firstDate = 0;  // element f's date before protection could clear it
  std::vector<std::pair<int32_t, SeriesPoint>> drawn;

  // The value is written (and drawn): above the lowest value, a real date, later than the last.
  bool accept(int32_t i, const SeriesPoint& e) {
    if (e.value <= kLowestWritten || e.date <= 2.0) return false;
    if (i != 0 && e.date <= previous) return false;
    previous = e.date;
    return true;
  }

  vb::VbDate dateOf(int32_t i) const {
    const auto& v = s.HourSeries;
    return (i >= 0 && static_cast<size_t>(i) < v.size()) ? v[static_cast<size_t>(i)].date : 0;
  }

  std::string errorText(int stage, int32_t at, const vb::Error& e) const {
    if (form == WriterForm::DaoImmediate)
      return vb::Format(dateOf(at), "mm-dd-yyyy hh:mm ") + dsid + " RHOUR at Line " + vb::Str(stage) +
             " count" + vb::Str(at) + "  " + e.description();
    return vb::Format(dateOf(at), "mm-dd-yyyy hh:mm ") + dsid + " RHOUR " + vb::Str(at) + "  " +
           e.description();
  }

  // Reports a chart error as the writer reports any error; false when the chart is to be left
  // for the caption (DAO at once, ADO at its error limit).
  bool chartError(int stage, int32_t at, const vb::Error& e, int& errors) {
    s.LastError = errorText(stage, at, e);
    if (form == WriterForm::DaoImmediate) s.LastError += std::string("\n") + kDaoErrorHint;
    logPaneLine(s, s.LastError);
    s.errlog.writeLine(s.LastError);
    const bool goOn = form == WriterForm::AdoBatch && ++errors < 6;
    if (!goOn) s.GraphWait = false;
    return goOn;
  }

  // Fills the chart from the values accepted in the first pass. Drawing is held meanwhile, and the
  // run with it unless GraphNoPause is set.
  void drawChart(int& errors) {
    HourlyChartFill fill(s.FrmGraph, state, style, s.GraphAdd, s.GraphOverwrite);
    fill.begin();
    s.GraphWait = !s.GraphNoPause;
    bool goOn = true;
    int32_t at = f;
    auto step = [&](int stage, auto&& work) {
      if (!goOn) return;
      try {
        work();
      } catch (const vb::Error& e) {
        goOn = chartError(stage, at, e, errors);
      }
    };
    step(3, [&] { fill.yRange(s.DayMaxSeries, s.DayMinSeries, dailyCount, firstDate); });
    step(4, [&] { fill.rowsAndColumns(firstDate, f, l); });
    step(5, [&] { fill.axisRange(); });
    for (const auto& point : drawn) {
      at = point.first;
      step(6, [&] { fill.point(point.first, lastIndex, point.second, s.DayMaxSeries, dailyCount); });
    }
    try {
      fill.finish(caption);
    } catch (const vb::Error& e) {
      chartError(6, at, e, errors);
      fill.release();
    }
  }
};

SeriesWriter hourlyWriter(HourlyCall& c) {
  SeriesWriter w = dailyRules();
  w.routine = "hdbhourly";
  w.valueTable = "rhour";
  w.modelRunTable = "mhour";
  w.series = &StoreState::HourSeries;
  w.busyBox = &MainForm::Check3;
  w.busyBoxName = "Check3";

  w.trim = [&c](WriterPass& p) {
    int32_t f = 0, l = -1;
    if (!trimHourly(p.series(), p.args.lastIndex, f, l)) return false;
    p.first = f;
    p.last = l;
    p.appendFrom = f;
    p.appendTo = l;
    c.previous = 0;
    if (p.number == 1) {
      c.f = f;
      c.l = l;
      c.firstDate = p.element(f).date;
      c.drawn.clear();
    }
    return true;
  };
  w.period = [](const WriterPass& p, PeriodUse) {
    return "date_time between #" + vb::Format(p.element(p.first).date - kPeriodMargin, "mm/dd/yyyy hh:mm") +
           "# and #" + vb::Format(p.element(p.last).date + kPeriodMargin, "mm/dd/yyyy hh:mm") + "#";
  };
  w.key = writer::timeKey;
  w.skip = [&c](WriterPass& p, int32_t i) { return !c.accept(i, p.element(i)); };
  w.fillRow = [](const WriterPass& p, const SeriesPoint& e, std::vector<vb::Variant>& row) {
    row = {vb::Variant(p.dsidNumber()), vb::Variant::Date(e.date), vb::Variant(e.value),
           vb::Variant(writer::sourceOf(p, e))};
    writer::addModelRunColumns(p, row);
  };
  w.alertKind = 2;  // "HOUR"
  w.alertAfterFromTime = true;
  // Rows are written only with the box ticked and, in a What-If run, when its traces are saved;
  // the values are walked (and drawn) all the same.
  w.writing = [](const WriterPass& p) {
    return p.s.form.Check3.ticked() && (p.s.WhatIf.Coefficient == 0 || p.s.WhatIf.WriteMTables != 0);
  };
  w.afterAccepted = [&c](WriterPass& p, int32_t i) {
    if (p.number == 1) c.drawn.emplace_back(i, p.element(i));
  };
  // The chart shows the first pass; a second pass (into rhour after mhour) draws nothing.
  w.afterPass = [&c](WriterPass& p) {
    if (p.number == 1 && c.chart && !p.workbook) c.drawChart(p.call.errors);
  };

  w.commandErrorNumbers = {db::err::FaultyCommand};
  w.commandErrorLine = [](const WriterPass& p, const vb::Error& e) {
    return p.args.dsid + " hdbhourly " + vb::CStr(e.number());
  };
  w.rowErrorText = [&c](const WriterPass& p, const vb::Error& e) { return c.errorText(p.stage, p.at, e); };
  return w;
}

void writeHourly(Session& s, const std::string& dsid, int32_t dailyCount, int16_t defaultSource,
                 int16_t secondCode, int32_t lastIndex, int16_t valueCode, const std::string& whatIfCaption,
                 int16_t noGraph, vb::VbDate captionTime, WriterForm form) {
  struct ClearWait {
    Session& s;
    ~ClearWait() { s.GraphWait = false; }
  } clearWait{s};
  graph_window::loadOnce(s);

  HourlyCall c(s, form, form == WriterForm::DaoImmediate ? s.HourlyGraphDAO : s.HourlyGraph);
  c.dsid = dsid;
  c.dailyCount = dailyCount;
  c.lastIndex = lastIndex;
  c.style = hourlyChartStyle(defaultSource, secondCode, valueCode);
  c.chart = s.FrmGraph.Visible && noGraph == 0;
  c.caption.whatIf = s.WhatIf.Coefficient != 0;
  c.caption.whatIfCaption = whatIfCaption;
  c.caption.captionTime = captionTime;
  c.caption.runoffTotals[0] = s.RunoffTotals[0];
  c.caption.runoffTotals[1] = s.RunoffTotals[1];
  c.caption.metricUnits = s.MetricUnits;
  c.caption.canadaSite = s.CanadaSite;

  const SeriesWriter w = hourlyWriter(c);
  runSeriesWriter(s, w, WriterArgs{dsid, lastIndex, defaultSource, valueCode}, form);
}

}  // namespace

void hdbhourly(Session& s, const std::string& dsid, int32_t dailyCount, int16_t defaultSource,
               int16_t secondCode, int32_t& lastIndex, int16_t valueCode, const std::string& whatIfCaption,
               int16_t noGraph, vb::VbDate captionTime) {
  writeHourly(s, dsid, dailyCount, defaultSource, secondCode, lastIndex, valueCode, whatIfCaption, noGraph,
              captionTime, WriterForm::AdoBatch);
}

void hdbhourlyDAO(Session& s, const std::string& dsid, int32_t dailyCount, int16_t defaultSource,
                  int16_t secondCode, int32_t& lastIndex, int16_t valueCode, const std::string& whatIfCaption,
                  int16_t noGraph, vb::VbDate captionTime) {
  const int32_t upper = static_cast<int32_t>(s.HourSeries.size()) - 1;
  if (lastIndex > upper) lastIndex = upper;
  writeHourly(s, dsid, dailyCount, defaultSource, secondCode, lastIndex, valueCode, whatIfCaption, noGraph,
              captionTime, WriterForm::DaoImmediate);
}

}  // namespace fw
