#include "store/series_writer.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "store/flood_alert_feed.h"
#include "store/series_reader.h"
#include "store/writer_table.h"

namespace fw {

// ---- the pass ------------------------------------------------------------------------------

std::vector<SeriesPoint>& WriterPass::series() const {
  return s.*(w.series);
}

SeriesPoint& WriterPass::element(int32_t i) const {
  auto& v = series();
  if (i < 0 || static_cast<size_t>(i) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(i)];
}

int32_t WriterPass::dsidNumber() const {
  if (!dsidValue) dsidValue = vb::CLng(args.dsid);  // a DSID out of range raises for every row
  return *dsidValue;
}

// ---- building blocks -----------------------------------------------------------------------

namespace writer {

std::string tablePart(const WriterPass& p) {
  if (p.modelRun)
    return p.w.modelRunTable + " where run_id=" + vb::CStr(static_cast<int32_t>(p.s.RunId)) +
           " and trace=" + vb::CStr(static_cast<int32_t>(p.s.TraceNo)) + " and ";
  return p.w.valueTable + " where";
}

vb::VbDate dayKey(vb::VbDate d) {
  return vb::DateValue(d);
}
vb::VbDate timeKey(vb::VbDate d) {
  return vb::roundToSecond(d);
}

int16_t sourceOf(const WriterPass& p, const SeriesPoint& e) {
  return e.source != 0 ? e.source : p.args.defaultSource;
}

void addModelRunColumns(const WriterPass& p, std::vector<vb::Variant>& row) {
  if (!p.modelRun) return;
  row.emplace_back(p.s.TraceNo);
  row.emplace_back(p.s.RunId);
}

std::string elementErrorText(const WriterPass& p, const vb::Error& e) {
  const auto& v = p.series();
  const vb::VbDate when =
      (p.at >= 0 && static_cast<size_t>(p.at) < v.size()) ? v[static_cast<size_t>(p.at)].date : 0;
  return vb::Format(when, "mm-dd-yyyy hh:mm ") + p.args.dsid + p.w.rowErrorWord + vb::Str(p.at) + "  " +
         e.description();
}

}  // namespace writer

// ---- the daily writer's rules as defaults ------------------------------------------------------

SeriesWriter dailyRules() {
  SeriesWriter w;
  w.trim = [](WriterPass& p) {
    const int32_t n = p.args.lastIndex;
    auto kept = [&](int32_t i) {
      const SeriesPoint& e = p.element(i);
      // A date of 2.0 or less is no real time stamp: it must not widen the period.
      return e.date > 2.0 && e.value != MissingValue;
    };
    int32_t f = 0;
    while (f <= n && !kept(f)) ++f;
    int32_t l = n;
    while (l >= f && !kept(l)) --l;
    p.first = f;
    p.last = l;
    p.appendFrom = 0;  // the append looks at every element given, not only the trimmed range
    p.appendTo = n;
    return l >= f;
  };
  w.period = [](const WriterPass& p, PeriodUse) {
    return "date_time between #" + vb::Format(p.element(p.first).date, "mm/dd/yyyy") + "# and #" +
           vb::Format(p.element(p.last).date, "mm/dd/yyyy") + "#";
  };
  w.scanRows = [](const WriterPass&) { return true; };
  w.key = writer::dayKey;
  w.skip = [](WriterPass& p, int32_t i) {
    const SeriesPoint& e = p.element(i);
    if (e.date <= 2.0 || e.value == MissingValue) return true;
    return i >= 2 && e.date <= p.element(i - 1).date;
  };
  w.fillRow = [](const WriterPass& p, const SeriesPoint& e, std::vector<vb::Variant>& row) {
    row = {vb::Variant(p.dsidNumber()), vb::Variant::Date(writer::dayKey(e.date)), vb::Variant(e.value),
           vb::Variant(writer::sourceOf(p, e))};
    writer::addModelRunColumns(p, row);
  };
  w.feedAlert = [](WriterPass& p, const SeriesPoint& e) { feedAlertSum(p.s.Alert, e.value, e.date); };
  w.commandErrorLine = [](const WriterPass& p, const vb::Error& e) {
    return p.w.routine + " " + vb::CStr(e.number());
  };
  w.rowErrorText = writer::elementErrorText;
  return w;
}

// ---- the engine ------------------------------------------------------------------------------

namespace {

class Engine {
 public:
  Engine(WriterPass& p, WriterTable& t) : p_(p), s_(p.s), w_(p.w), t_(t) {}
  // A pass left by anything but vb::Error is undone too.
  ~Engine() {
    if (!begun_) return;
    try {
      t_.rollbackPass();
    } catch (...) {
      // The connection's own close rolls back what is still open.
    }
  }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // One pass from rule 2 on. False when nothing is left to write (the writer returns).
  bool run();

 private:
  // Runs one step under the writer's error rules; false when the pass must end.
  template <class Step>
  bool attempt(Step&& step) {
    try {
      step();
      return true;
    } catch (const vb::Error& e) {
      return onError(e);
    }
  }
  bool onError(const vb::Error& e);
  void reportRowError(const vb::Error& e, const std::string& tail);
  // Ends the pass at an error limit: nothing of it stays in the table.
  void stopPass();
  void endPass();

  // "delete from " or "select * from " the pass's table, DSID and period, and `also` when given.
  std::string sqlText(const char* verb, PeriodUse use, const char* also = "") const;
  bool scanStoredRows();
  void protect(vb::VbDate rowTime);
  void append();
  bool sendBatch(void (WriterTable::*send)());
  void feed(const SeriesPoint& e);

  WriterPass& p_;
  Session& s_;
  const SeriesWriter& w_;
  WriterTable& t_;
  bool hadRows_ = false;
  bool begun_ = false;
  bool ended_ = false;
  std::vector<vb::Variant> row_;
};

bool Engine::onError(const vb::Error& e) {
  if (begun_ && p_.mayGiveWay && t_.passLostToConflict()) {
    // Another program wrote the same rows at the same time and the server undid this pass: it
    // runs once more from the start, and only a second conflict is reported.
    p_.gaveWay = true;
    return false;
  }
  if (begun_ && t_.passLost()) {
    // The engine has undone the pass already: its text is said once and counted, and no further
    // statement runs, so the period stays as it was.
    reportRowError(e, p_.form == WriterForm::DaoImmediate ? kDaoErrorHint : w_.adoRowErrorTail);
    if (p_.form != WriterForm::DaoImmediate) ++p_.call.errors;
    return false;
  }
  if (p_.form == WriterForm::DaoImmediate) {
    reportRowError(e, kDaoErrorHint);
    return false;
  }
  // One counter for both kinds: a faulty command ends the pass above its limit, any other error
  // at its own, whatever mix of the two came before.
  const auto& numbers = w_.commandErrorNumbers;
  if (std::find(numbers.begin(), numbers.end(), e.number()) != numbers.end()) {
    s_.errlog.writeLine(w_.commandErrorLine(p_, e));
    return ++p_.call.errors <= w_.commandErrorLimit;
  }
  reportRowError(e, w_.adoRowErrorTail);
  if (++p_.call.errors < w_.errorLimit) return true;
  p_.call.atErrorLimit = true;
  return false;
}

void Engine::reportRowError(const vb::Error& e, const std::string& tail) {
  s_.LastError = w_.rowErrorText(p_, e);
  if (!tail.empty()) s_.LastError += "\n" + tail;
  logPaneLine(s_, s_.LastError);
  s_.errlog.writeLine(s_.LastError);
}

void Engine::stopPass() {
  p_.stopped = true;
  if (begun_) {
    begun_ = false;
    try {
      t_.rollbackPass();
    } catch (const vb::Error& e) {
      s_.errlog.writeLine(w_.routine + ": " + e.description());
    }
  }
  endPass();
}

void Engine::endPass() {
  if (ended_) return;
  ended_ = true;
  if (w_.afterPass) attempt([&] { w_.afterPass(p_); });
  try {
    t_.closeShared();
  } catch (const vb::Error& e) {
    s_.errlog.writeLine(w_.routine + ": " + e.description());
  }
}

std::string Engine::sqlText(const char* verb, PeriodUse use, const char* also) const {
  const bool deleting = verb[0] == 'd';
  std::string sql = verb + writer::tablePart(p_) + " datatype_site_id=" + p_.args.dsid + " and " +
                    w_.period(p_, use) + also + (deleting ? ";" : " order by date_time;");
  if (p_.form == WriterForm::AdoBatch) {
    if (s_.HdbAposDates) sql = vb::Replace(sql, "#", "'");
    if (p_.workbook) sql = vb::Replace(sql, w_.valueTable, "[" + w_.valueTable + "$]");
  }
  return sql;
}

void Engine::protect(vb::VbDate rowTime) {
  const vb::VbDate wanted = w_.key(rowTime);
  bool matched = false;
  // The whole write range, for every protected row: a row without a match must not use up the
  // search for the rows after it.
  for (int32_t i = p_.first; i <= p_.last; ++i) {
    SeriesPoint& e = p_.element(i);
    if (e.date != 0 && (w_.elementKey ? w_.elementKey(e) : w_.key(e.date)) == wanted) {
      e.date = 0;
      matched = true;
    }
  }
  if (matched && w_.logProtectedDays)
    logPaneLine(s_, vb::Format(rowTime, "mm/dd/yyyy") + "daily source 5 protected");
}

// Rule 7. False when the pass ended.
bool Engine::scanStoredRows() {
  // The rows that go are removed first, by one statement over the select's own period: what the
  // select then finds is only the protected rows, whatever the period held. The search below goes
  // through those few instead of fetching every stored row of the period to look at its source.
  if (w_.scanRows(p_)) {
    const char* unprotected = s_.OverwriteSource5 ? "" : " and (source is null or source<>5)";
    if (!attempt([&] { t_.deleteSelected(sqlText("delete from ", PeriodUse::Select, unprotected)); }))
      return false;
  }
  bool opened = false;
  if (!attempt([&] {
        t_.openRows(sqlText("select * from ", PeriodUse::Select));
        opened = true;
        hadRows_ = !t_.atEnd();
      }))
    return false;
  if (!opened || !hadRows_ || !w_.scanRows(p_)) return true;
  // First the protected rows; then the others go. A row whose protection could not be read stays.
  std::vector<bool> keep;
  bool anyKept = false;
  for (;;) {
    bool done = false;
    bool kept = true;
    const bool ok = attempt([&] {
      if (t_.atEnd()) {
        done = true;
        return;
      }
      const vb::Variant source = t_.field(w_.sourceColumn);
      if (!source.isNull() && source.toDouble() == 5 && !s_.OverwriteSource5) {
        protect(t_.field(1).toDate());
      } else {
        kept = false;
      }
    });
    if (!ok) return false;
    if (done) break;
    keep.push_back(kept);
    anyKept = anyKept || kept;
    if (!attempt([&] { t_.moveNext(); })) return false;
  }
  if (keep.empty()) return true;
  if (!anyKept) {
    // Every row the select found goes: one statement with the select's own condition removes
    // exactly those rows, inside the pass transaction, instead of one delete per row.
    return attempt([&] { t_.deleteSelected(sqlText("delete from ", PeriodUse::Select)); });
  }
  if (!attempt([&] { t_.moveFirst(); })) return false;
  for (const bool kept : keep) {
    if (!kept && !attempt([&] { t_.deleteRow(); })) return false;
    if (!attempt([&] { t_.moveNext(); })) return false;
  }
  return sendBatch(&WriterTable::sendDeletions);
}

void Engine::feed(const SeriesPoint& e) {
  const FloodAlertTracker& a = s_.Alert;
  if (w_.alertKind == 0 || a.AlertActive != w_.alertKind || !w_.feedAlert) return;
  if (w_.alertAfterFromTime && !(e.date > a.AlertFromTime)) return;
  w_.feedAlert(p_, e);
}

// Sends a batch. The batch reaches the table whole or not at all, so a failed send ends the pass
// whatever the error count: committing after it would keep the deletions without the new rows.
bool Engine::sendBatch(void (WriterTable::*send)()) {
  bool sent = false;
  attempt([&] {
    (t_.*send)();
    sent = true;
  });
  return sent;
}

void Engine::append() {
  p_.stage = 6;
  if (w_.beforeAppend && !attempt([&] { w_.beforeAppend(p_); })) return stopPass();
  for (int32_t i = p_.appendFrom; i <= p_.appendTo; ++i) {
    p_.at = i;
    if (!attempt([&] {
          if (w_.skip(p_, i)) return;
          const SeriesPoint e = p_.element(i);
          if (begun_) {
            w_.fillRow(p_, e, row_);
            t_.appendRow(row_);
            ++p_.rowsAdded;
            p_.lastAdded = e.date;
            feed(e);
            if (w_.afterRowAdded) w_.afterRowAdded(p_, i);
          }
          if (w_.afterAccepted) w_.afterAccepted(p_, i);
        }))
      return stopPass();
  }
  if (p_.rowsAdded > 0 && !sendBatch(&WriterTable::sendAdditions)) return stopPass();
}

bool Engine::run() {
  // Rule 2.
  if (!attempt([&] { t_.closeShared(); })) return true;
  // Rule 3.
  p_.stage = 1;
  p_.at = p_.args.lastIndex;
  bool any = false;
  if (!attempt([&] { any = w_.trim(p_); }) || !any) return false;
  if (w_.writing && !w_.writing(p_)) {
    append();
    endPass();
    return true;
  }
  // Rule 4.
  s_.form.setBackColor(s_.form.*(w_.busyBox), kBusyColor, w_.busyBoxName);
  p_.call.busy = true;

  p_.stage = 2;
  p_.at = p_.first;
  attempt([&] {
    t_.beginPass();
    begun_ = true;
  });
  if (!begun_) {  // without a transaction nothing is deleted
    stopPass();
    return true;
  }
  // Rule 6.
  if (s_.OverwriteSource5) {
    if (!attempt([&] { t_.execute(sqlText("delete from ", PeriodUse::Delete)); })) {
      stopPass();
      return true;
    }
    if (p_.form == WriterForm::DaoImmediate) s_.ui.doEvents();
  }
  // Rules 7 to 10.
  if (!scanStoredRows()) {
    stopPass();
    return true;
  }
  append();
  if (p_.stopped) return true;
  endPass();
  bool committed = false;
  attempt([&] {
    t_.commitPass();
    committed = true;
  });
  if (committed) {
    begun_ = false;
    s_.RowsStored += p_.rowsAdded + p_.rowsOverwritten;
  } else {
    stopPass();
  }
  return true;
}

// A pass that gives way to another program runs this often at most.
constexpr int kGiveWayRuns = 8;

// Two programs that keep meeting must not keep meeting in step: each waits a while of its own,
// longer the more often it gave way (milliseconds, real time: it is the other program's pace).
void pauseBeforeRunningAgain(int run) {
  static thread_local std::minstd_rand random{std::random_device{}()};
  std::uniform_int_distribution<int> ms(5, 25 * run);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms(random)));
}

}  // namespace

WriteResult runSeriesWriter(Session& s, const SeriesWriter& w, const WriterArgs& args, WriterForm form) {
  WriteResult result;
  WriterCallState call;
  const int16_t modelRunOnEntry = s.ModelRunWrite.modelRun;
  bool leaveBusy = false;
  // Rule 12, on every return.
  struct Finish {
    Session& s;
    const SeriesWriter& w;
    const WriterCallState& call;
    int16_t modelRun;
    const bool& leaveBusy;
    ~Finish() {
      s.ModelRunWrite.modelRun = modelRun;
      if (call.busy && !leaveBusy) s.form.setBackColor(s.form.*(w.busyBox), kDoneColor, w.busyBoxName);
    }
  } finish{s, w, call, modelRunOnEntry, leaveBusy};

  // A caller that only wants the hook's work of an unwritten pass (the hourly chart with its box
  // unticked) may leave the DSID empty: no row and no SQL text is made then.
  WriterPass probe{s, w, args, call, form};
  const bool drawOnly = args.dsid.empty() && w.writing && !w.writing(probe);
  if (!drawOnly && !isDsid(args.dsid)) {
    s.LastError = w.routine + ": the datatype_site_id \"" + args.dsid +
                  "\" is not a whole number, nothing was written. Correct the DSID of the station line.";
    logPaneLine(s, s.LastError);
    s.errlog.writeLine(s.LastError);
    return result;
  }
  if (w.busyBeforeTrim) {
    s.form.setBackColor(s.form.*(w.busyBox), kBusyColor, w.busyBoxName);
    call.busy = true;
  }
  std::unique_ptr<WriterTable> table = makeWriterTable(s, form);
  for (int number = 1; number <= 2; ++number) {
    WriterPass p{s, w, args, call, form};
    p.workbook = form == WriterForm::AdoBatch && s.HdbIsExcel;
    p.number = number;
    p.modelRun = !w.modelRunTable.empty() && s.ModelRunWrite.modelRun != 0;
    // What a pass changes besides the table, kept so that a pass that gives way starts again
    // from the same state.
    const std::vector<SeriesPoint> seriesBefore = p.series();
    const FloodAlertTracker alertBefore = s.Alert;
    const WriterCallState callBefore = call;
    const std::string lastErrorBefore = s.LastError;
    p.mayGiveWay = form == WriterForm::AdoBatch;
    bool wrote = Engine(p, *table).run();
    // The server undid the pass for another program's writes: it runs again from the state it
    // started from, after a pause that lets the other finish. Only a pass that still gives way
    // after kGiveWayRuns runs is reported.
    for (int run = 2; p.gaveWay; ++run) {
      p.series() = seriesBefore;
      s.Alert = alertBefore;
      call = callBefore;
      s.LastError = lastErrorBefore;
      pauseBeforeRunningAgain(run);
      WriterPass again{s, w, args, call, form};
      again.workbook = p.workbook;
      again.number = number;
      again.modelRun = p.modelRun;
      again.mayGiveWay = run < kGiveWayRuns;
      wrote = Engine(again, *table).run();
      p.stopped = again.stopped;
      p.gaveWay = again.gaveWay;
    }
    ++result.passes;
    if (!wrote) {
      leaveBusy = w.busyBeforeTrim && number == 1;
      break;
    }
    if (p.stopped)
      result.stopped = true;
    else
      result.wrote = true;
    // Rule 11.
    if (number == 1 && p.modelRun && s.ModelRunWrite.saveHour != 0) {
      s.ModelRunWrite.modelRun = 0;
      continue;
    }
    break;
  }
  result.errors = call.errors;
  // A pass undone at its error limit (or one that could not begin) left its period unwritten.
  if (result.stopped) s.noteProgramFault(s.LastError.empty() ? w.routine + ": a write was undone" : s.LastError);
  return result;
}

}  // namespace fw
