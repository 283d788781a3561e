#include "store/unit_writer.h"

#include "platform/db/error.h"
#include "platform/vb/format.h"
#include "store/series_writer.h"

namespace fw {

namespace {

// Days added on both ends of the period: the ADO select reaches six seconds past the first and
// last time stamps, the deletes (and the DAO select) about a minute.
constexpr double kDeleteMargin = 0.0007;
constexpr double kSelectMargin = 0.00007;

constexpr const char* kUnitErrorHint =
    "Changing ending retrieval date or deleting last day values for calculations with missing values may "
    "resolve "
    "this error.";

const SeriesPoint& pointAt(const std::vector<SeriesPoint>& v, int32_t i) {
  if (i < 0 || static_cast<size_t>(i) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(i)];
}

// The date of the element at hand for an error text, 0 when there is none.
vb::VbDate dateAtHand(const WriterPass& p, const std::vector<SeriesPoint>& v) {
  return (p.at >= 0 && static_cast<size_t>(p.at) < v.size()) ? v[static_cast<size_t>(p.at)].date : 0;
}

std::string timeSpan(vb::VbDate from, vb::VbDate to) {
  return "date_time between #" + vb::Format(from, "mm/dd/yyyy hh:mm") + "# and #" +
         vb::Format(to, "mm/dd/yyyy hh:mm") + "#";
}

void rowWithTime(const WriterPass& p, const SeriesPoint& e, int16_t source, std::vector<vb::Variant>& row) {
  row = {vb::Variant(p.dsidNumber()), vb::Variant::Date(e.date), vb::Variant(e.value), vb::Variant(source)};
}

// ---- hdbunit -----------------------------------------------------------------------------------

SeriesWriter unitWriter(bool midnightOnly) {
  SeriesWriter w = dailyRules();
  w.routine = "hdbunit";
  w.valueTable = "runit";
  w.modelRunTable = "munit";
  w.series = &StoreState::UnitSeries;
  w.busyBox = &MainForm::Check6;
  w.busyBoxName = "Check6";
  w.busyBeforeTrim = true;

  w.trim = [](WriterPass& p) {
    const int32_t n = p.args.lastIndex;
    int32_t f = 0;
    while (f <= n && !(p.element(f).value != MissingValue && p.element(f).date > 2.0)) ++f;
    if (f > n) return false;
    const vb::VbDate start = p.element(f).date;
    int32_t l = n;
    while (l >= f && !(p.element(l).value != MissingValue && p.element(l).date >= start)) --l;
    p.first = f;
    p.last = l;
    p.appendFrom = f;  // to the caller's last index, not only to the trimmed end
    p.appendTo = n;
    return l >= f;
  };
  w.period = [](const WriterPass& p, PeriodUse use) {
    const double margin =
        (use == PeriodUse::Delete || p.form == WriterForm::DaoImmediate) ? kDeleteMargin : kSelectMargin;
    return timeSpan(p.element(p.first).date - margin, p.element(p.last).date + margin);
  };
  // The period's stored rows are replaced on every engine, whatever the count: kept, they would
  // refuse the new values at their times as duplicates.
  w.scanRows = [](const WriterPass& p) { return !p.s.OverwriteSource5; };
  w.key = writer::timeKey;
  w.skip = [midnightOnly](WriterPass& p, int32_t i) {
    const SeriesPoint& e = p.element(i);
    if (e.value == MissingValue) return true;
    if (midnightOnly && (vb::Hour(e.date) != 0 || vb::Minute(e.date) != 0)) return true;
    return e.date <= p.lastAdded;
  };
  w.fillRow = [](const WriterPass& p, const SeriesPoint& e, std::vector<vb::Variant>& row) {
    rowWithTime(p, e, writer::sourceOf(p, e), row);
    writer::addModelRunColumns(p, row);
  };
  w.alertKind = 3;  // "UNIT"
  w.alertAfterFromTime = true;

  // The unique key turns a second row at a stored time into a faulty command: that row is skipped.
  w.commandErrorNumbers = {db::err::FaultyCommand};
  w.commandErrorLine = [](const WriterPass& p, const vb::Error& e) {
    return p.args.dsid + " at " + vb::CStrDate(dateAtHand(p, p.series())) + " RUNIT skip dublicate " +
           vb::CStr(e.number());
  };
  w.rowErrorWord = " RUNIT at Line ";
  w.adoRowErrorTail = kUnitErrorHint;
  return w;
}

void writeUnit(Session& s, const std::string& dsid, int32_t count, int16_t defaultSource, int16_t valueCode,
               int32_t lastIndex, bool& written, bool midnightOnly, WriterForm form) {
  written = false;
  (void)count;
  const SeriesWriter w = unitWriter(midnightOnly);
  const WriteResult r = runSeriesWriter(s, w, WriterArgs{dsid, lastIndex, defaultSource, valueCode}, form);
  written = r.wrote;
}

// ---- hdbunitshift --------------------------------------------------------------------------------

SeriesWriter shiftWriter(vb::VbDate periodEnd) {
  SeriesWriter w = dailyRules();
  w.routine = "hdbunitshift";
  w.valueTable = "runitshift";
  w.modelRunTable.clear();
  w.series = &StoreState::ShiftSeries;
  w.busyBox = &MainForm::Check8;
  w.busyBoxName = "Check8";
  w.busyBeforeTrim = true;

  w.trim = [](WriterPass& p) {
    const int32_t n = p.args.lastIndex;
    // The period begins at the unit time of the first shift kept: neither that time nor the
    // shift's own may be 2.0 or less, or the period would reach back to 1899.
    auto usable = [&](int32_t i) {
      const SeriesPoint& e = p.element(i);
      return e.value != MissingValue && e.date > 2.0 && pointAt(p.s.UnitSeries, i).date > 2.0;
    };
    int32_t f = 0;
    while (f <= n && !usable(f)) ++f;
    if (f > n) return false;
    p.first = f;
    p.last = n;
    p.appendFrom = f;
    p.appendTo = n;
    return true;
  };
  // The shifts belong to the unit values of the same index: the period starts at that unit time.
  w.period = [periodEnd](const WriterPass& p, PeriodUse) {
    return "date_time between #" + vb::Format(pointAt(p.s.UnitSeries, p.first).date, "mm/dd/yyyy  hh:mm") +
           "# and #" + vb::Format(periodEnd, "mm/dd/yyyy hh:mm") + "#";
  };
  w.scanRows = [](const WriterPass&) { return true; };
  // A protected row keeps the shift of its own time out of the write; UnitSeries is not touched.
  w.key = writer::timeKey;
  w.skip = [](WriterPass& p, int32_t i) {
    const SeriesPoint& e = p.element(i);
    return e.value == MissingValue || e.date <= 2.0;
  };
  w.fillRow = [](const WriterPass& p, const SeriesPoint& e, std::vector<vb::Variant>& row) {
    rowWithTime(p, e, e.source, row);
  };
  w.alertKind = 0;

  w.commandErrorNumbers = {db::err::FaultyCommand};
  w.commandErrorLine = [](const WriterPass&, const vb::Error& e) {
    return "hdbunitshift " + vb::CStr(e.number());
  };
  w.rowErrorText = [](const WriterPass& p, const vb::Error& e) {
    if (p.form == WriterForm::DaoImmediate)
      return vb::Format(dateAtHand(p, p.s.UnitSeries), "mm-dd-yyyy hh:mm ") + p.args.dsid +
             " RUNITSHIFT at Line " + vb::Str(p.at) + "  " + e.description();
    return vb::Format(p.s.clock.now(), "mm-dd-yyyy hh:mm ") + p.args.dsid + " RUNITSHIFT  at Line " +
           vb::Str(p.at) + "  " + e.description();
  };
  w.afterPass = [](WriterPass& p) {
    if (p.stopped && p.form == WriterForm::AdoBatch && p.call.atErrorLimit)
      notify(p.s, p.args.dsid + " RUNITSHIFT write canceled after 5 errors.");
  };
  return w;
}

void writeShift(Session& s, const std::string& dsid, int32_t lastIndex, vb::VbDate periodEnd,
                WriterForm form) {
  const SeriesWriter w = shiftWriter(periodEnd);
  runSeriesWriter(s, w, WriterArgs{dsid, lastIndex, 0, 0}, form);
}

}  // namespace

void hdbunit(Session& s, const std::string& dsid, int32_t count, int16_t defaultSource, int16_t valueCode,
             int32_t& lastIndex, bool& written, bool midnightOnly) {
  writeUnit(s, dsid, count, defaultSource, valueCode, lastIndex, written, midnightOnly, WriterForm::AdoBatch);
}

void hdbunitDAO(Session& s, const std::string& dsid, int32_t count, int16_t defaultSource, int16_t valueCode,
                int32_t& lastIndex, bool& written, bool midnightOnly) {
  const int32_t upper = static_cast<int32_t>(s.UnitSeries.size()) - 1;
  if (lastIndex > upper) lastIndex = upper;
  writeUnit(s, dsid, count, defaultSource, valueCode, lastIndex, written, midnightOnly,
            WriterForm::DaoImmediate);
}

void hdbunitshift(Session& s, const std::string& dsid, int32_t, int32_t lastIndex, vb::VbDate periodEnd) {
  writeShift(s, dsid, lastIndex, periodEnd, WriterForm::AdoBatch);
}

void hdbunitshiftDAO(Session& s, const std::string& dsid, int32_t, int32_t lastIndex, vb::VbDate periodEnd) {
  writeShift(s, dsid, lastIndex, periodEnd, WriterForm::DaoImmediate);
}

}  // namespace fw
