#include "store/extremes_writer.h"

#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "store/flood_alert_feed.h"
#include "store/series_writer.h"

namespace fw {

namespace {

enum class Extreme { Max, Min };

bool usable(const SeriesPoint& e) {
  return e.value != MissingValue && e.date > 2.0;
}

// A day as the delete (and the DAO select) write it: whole days since 30 December 1899.
std::string daySerial(vb::VbDate d) {
  return vb::CStr(static_cast<int32_t>(vb::Int(d)));
}

// What one call of the maximum writer carries from row to row for the alert.
struct AlertRun {
  bool feeding = false;  // the append began while the tracker waited for a "DAYMAX" value
  double peak = 0;       // the highest value fed so far; starts at the single level
};

SeriesWriter extremesWriter(Extreme kind, AlertRun& alert) {
  const bool max = kind == Extreme::Max;
  SeriesWriter w = dailyRules();
  w.routine = max ? "hdbdmax" : "hdbdmin";
  w.valueTable = max ? "rdaymax" : "rdaymin";
  w.modelRunTable = max ? "mdaymax" : "mdaymin";
  w.series = max ? &StoreState::DayMaxSeries : &StoreState::DayMinSeries;
  w.busyBox = &MainForm::Check7;
  w.busyBoxName = "Check7";

  w.trim = [](WriterPass& p) {
    const int32_t n = p.args.lastIndex;
    int32_t first = 1;
    while (first <= n - 1 && !usable(p.element(first))) ++first;
    if (first > n - 1) first = n;
    int32_t end = n;
    while (end >= first && !usable(p.element(end))) --end;
    if (end < first) return false;
    p.first = first;
    p.last = end;
    // First and last on one day: only the last is written.
    const bool oneDay = extremeDay(p.element(first)) == extremeDay(p.element(end));
    p.appendFrom = oneDay ? end : first;
    p.appendTo = end;
    return true;
  };
  w.period = [](const WriterPass& p, PeriodUse use) {
    const vb::VbDate a = extremeDay(p.element(p.first)), b = extremeDay(p.element(p.last));
    if (use == PeriodUse::Delete || p.form == WriterForm::DaoImmediate)
      return "date between " + daySerial(a) + " and " + daySerial(b);
    return "date between #" + vb::Format(a, "mm/dd/yyyy") + "# and #" + vb::Format(b, "mm/dd/yyyy") + "#";
  };
  w.scanRows = [](const WriterPass&) { return true; };
  w.sourceColumn = 4;
  w.key = writer::dayKey;
  w.elementKey = extremeDay;
  // The first element of each day: a later one of the same day is left out. When the whole write
  // is one day, its last element is the one row, whatever lies before it.
  w.skip = [](WriterPass& p, int32_t i) {
    const SeriesPoint& e = p.element(i);
    if (!usable(e)) return true;
    if (i == p.appendFrom && p.appendFrom != p.first) return false;
    return !(extremeDay(e) > extremeDay(p.element(i - 1)));
  };
  w.fillRow = [](const WriterPass& p, const SeriesPoint& e, std::vector<vb::Variant>& row) {
    row = {vb::Variant(p.dsidNumber()), vb::Variant::Date(extremeDay(e)), vb::Variant::Date(e.date),
           vb::Variant(e.value), vb::Variant(writer::sourceOf(p, e))};
    writer::addModelRunColumns(p, row);
  };

  w.commandErrorLine = [max](const WriterPass& p, const vb::Error& e) {
    return max ? p.args.dsid + " hdbmax " + vb::CStr(e.number()) : "hdbmin " + vb::CStr(e.number());
  };
  w.rowErrorWord = max ? " RDAYMAX at Line " : " RDAYMIN at Line ";
  if (!max) return w;

  // The run's peak flow.
  w.afterRowAdded = [](WriterPass& p, int32_t i) {
    const SeriesPoint& e = p.element(i);
    if ((p.args.valueCode == 1 || p.args.valueCode == 30) && e.value > p.s.PeakFlow) {
      p.s.PeakFlow = e.value;
      p.s.PeakFlowTime = e.date;
    }
  };
  // A "DAYMAX" alert compares each day's maximum itself, no sum; without a level list every new
  // highest value moves the crossing to its own time and the alert stays armed.
  w.alertKind = 4;
  w.alertAfterFromTime = true;
  w.beforeAppend = [&alert](WriterPass& p) {
    alert.feeding = p.s.Alert.AlertActive == 4;
    alert.peak = p.s.Alert.AlertLevel;
  };
  w.feedAlert = [&alert](WriterPass& p, const SeriesPoint& e) {
    FloodAlertTracker& t = p.s.Alert;
    t.AlertValue = e.value;
    if (t.AlertLastLevel != 0) {
      crossAlertLevelList(t, e.date);
    } else if (t.AlertValue > alert.peak) {
      if (t.AlertCrossDates.empty()) vb::raise(vb::err::SubscriptOutOfRange);
      t.AlertNextLevel = -1;
      t.AlertCrossDates[0] = e.date;
      alert.peak = t.AlertValue;
    }
  };
  w.afterPass = [&alert](WriterPass& p) {
    if (alert.feeding) p.s.Alert.AlertValue = alert.peak;
    alert.feeding = false;
  };
  return w;
}

void writeExtreme(Session& s, Extreme kind, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
                  int16_t valueCode, WriterForm form) {
  if (lastIndex < 1) return;
  AlertRun alert;
  const SeriesWriter w = extremesWriter(kind, alert);
  runSeriesWriter(s, w, WriterArgs{dsid, lastIndex, defaultSource, valueCode}, form);
}

}  // namespace

void hdbdmax(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
             int16_t valueCode) {
  writeExtreme(s, Extreme::Max, dsid, lastIndex, defaultSource, valueCode, WriterForm::AdoBatch);
}

void hdbdmaxDAO(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
                int16_t valueCode) {
  writeExtreme(s, Extreme::Max, dsid, lastIndex, defaultSource, valueCode, WriterForm::DaoImmediate);
}

void hdbdmin(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource) {
  writeExtreme(s, Extreme::Min, dsid, lastIndex, defaultSource, 0, WriterForm::AdoBatch);
}

void hdbdminDAO(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource) {
  writeExtreme(s, Extreme::Min, dsid, lastIndex, defaultSource, 0, WriterForm::DaoImmediate);
}

}  // namespace fw
