#include "store/series_reader.h"

#include <cctype>
#include <memory>
#include <vector>

#include "app/session.h"
#include "platform/db/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

SeriesPoint& element(std::vector<SeriesPoint>& series, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= series.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return series[static_cast<size_t>(index)];
}

// The read's error handler: a faulty command is logged and not counted; any other error is
// logged with the time, the DSID and the element index and counted; the sixth cancels the read.
class ReadErrors {
 public:
  ReadErrors(Session& s, const std::string& dsid, const int32_t& count) : s_(s), dsid_(dsid), count_(count) {}

  bool canceled() const { return canceled_; }

  // Runs one step of the read; false when it failed (the caller goes on with the next step).
  template <class Fn>
  bool step(Fn&& fn) {
    if (canceled_) return false;
    try {
      fn();
      return true;
    } catch (const vb::Error& e) {
      handle(e);
      return false;
    }
  }

 private:
  void handle(const vb::Error& e) {
    if (e.number() == db::err::FaultyCommand) {
      s_.errlog.writeLine("GetHDB module1 " + vb::CStr(e.number()));
      return;
    }
    s_.LastError = vb::Format(s_.clock.now(), "mm-dd-yyyy hh:mm") + dsid_ + " Module1.GetHDB Line " + vb::Str(count_) +
                   "  " + e.description();
    logPaneLine(s_, s_.LastError);
    s_.errlog.writeLine(s_.LastError);
    if (++counted_ < 6) return;
    s_.LastError += "\r\nGetHDB read canceled after 6 errors.";
    if (!s_.BatchMode) s_.ui.msgBox(s_.LastError);
    canceled_ = true;
  }

  Session& s_;
  const std::string& dsid_;
  const int32_t& count_;
  int counted_ = 0;
  bool canceled_ = false;
};

// The cells a table of values holds, converted without a call; anything else the long way, with
// the same result and the same errors.
vb::VbDate dateOf(const vb::Variant& v) {
  if (const auto* d = std::get_if<vb::DateTag>(&v.storage())) return d->value;
  return v.toDate();
}
double numberOf(const vb::Variant& v) {
  if (const auto* d = std::get_if<double>(&v.storage())) return *d;
  return v.toDouble();
}
int16_t sourceOf(const vb::Variant& v) {
  if (const auto* i = std::get_if<int16_t>(&v.storage())) return *i;
  return v.toInteger();
}

// The rows of the read's select, taken one at a time as the engine steps it: the read looks at
// each row once, so no recordset need keep them all. An engine failure part way leaves the count
// where an error at the open would have (nothing read).
class ForwardRows {
 public:
  ForwardRows(std::unique_ptr<db::RowStream> stream, int32_t& count)
      : stream_(std::move(stream)), count_(count), start_(count) {}

  bool Eof() const { return atEnd_; }
  const vb::Variant& Value(int index) const { return stream_->field(index); }
  void MoveNext() {
    try {
      atEnd_ = !stream_->next();
    } catch (...) {
      atEnd_ = true;
      count_ = start_;
      throw;
    }
  }

 private:
  std::unique_ptr<db::RowStream> stream_;
  int32_t& count_;
  const int32_t start_;
  bool atEnd_ = true;
};

// Step 8: the rows into UnitSeries. A row whose fields cannot be converted is stored as
// missing (value MissingValue, date 0, source 0): never the element's old contents, which
// belong to an earlier series.
void readRows(Session& s, ForwardRows& rs, ReadErrors& errors, int32_t& count, int32_t capacity) {
  auto& series = s.UnitSeries;
  while (!errors.canceled() && !rs.Eof()) {
    ++count;
    const bool present = count >= 0 && static_cast<size_t>(count) < series.size();
    if (!errors.step([&] { element(series, count).date = dateOf(rs.Value(1)); }) && present)
      series[static_cast<size_t>(count)].date = 0;
    if (!errors.step([&] { element(series, count).value = numberOf(rs.Value(2)); }) && present)
      series[static_cast<size_t>(count)].value = MissingValue;
    if (!errors.step([&] { element(series, count).source = sourceOf(rs.Value(3)); }) && present)
      series[static_cast<size_t>(count)].source = 0;
    if (count == capacity) break;
    if (!errors.step([&] { rs.MoveNext(); })) break;
  }
}

// Step 9: goes on at the last step, repeating the last value, up to the first time not earlier
// than end less a minute. A step of 0 minutes or less would repeat one time until the array is
// full, and the array's end is never passed.
void extendSeries(Session& s, vb::VbDate end, int32_t& count, int32_t capacity) {
  auto& series = s.UnitSeries;
  vb::VbDate limit = vb::DateAdd("n", -1, end);
  int64_t stepMinutes = vb::DateDiff("n", element(series, count - 1).date, element(series, count).date);
  if (stepMinutes <= 0) return;
  SeriesPoint last = element(series, count);
  while (element(series, count).date < limit && count < capacity) {
    ++count;
    last.date = vb::DateAdd("n", static_cast<double>(stepMinutes), last.date);
    element(series, count) = last;
  }
}

}  // namespace

bool isDsid(const std::string& dsid) {
  size_t i = (!dsid.empty() && dsid[0] == '-') ? 1 : 0;
  if (i >= dsid.size()) return false;
  for (; i < dsid.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(dsid[i]))) return false;
  return true;
}

void noStochasticRain(Session& s, const std::string&, vb::VbDate, vb::VbDate, int32_t& count, int16_t, int16_t, int16_t,
                      std::vector<std::string>&) {
  count = 0;
  element(s.UnitSeries, 0).value = MissingValue;
}

void GetHDB(Session& s, const std::string& dsid, const std::string& table, vb::VbDate begin, vb::VbDate end,
            int32_t& count, int16_t modelRun, int16_t runId, int16_t trace, int16_t zeroBased, int16_t extend) {
  ReadErrors errors(s, dsid, count);
  const int32_t capacity = static_cast<int32_t>(s.UnitSeries.size()) - 1;

  if (s.WhatIf.Stochastic != 0) {
    errors.step([&] {
      std::vector<std::string> texts(1);
      if (s.StochasticRain) s.StochasticRain(s, dsid, begin, end, count, runId, trace, 0, texts);
    });
    return;
  }

  if (!isDsid(dsid)) {
    count = zeroBased != 0 ? -1 : 0;
    s.errlog.writeLine("GetHDB: bad DSID " + dsid);
    return;
  }

  std::string sql;
  errors.step([&] {
    const std::string from = vb::Format(begin, "mm/dd/yyyy  hh:mm");
    const std::string to = vb::Format(end, "mm/dd/yyyy  hh:mm");
    sql = "select * from " + table + " where ";
    if (modelRun != 0)
      sql += "run_id=" + vb::CStr(static_cast<int32_t>(runId)) + " and trace=" + vb::CStr(static_cast<int32_t>(trace)) +
             " and ";
    sql += "datatype_site_id=" + dsid + " and date_time between #" + from + "# and #" + to + "# order by date_time;";
    if (s.HdbAposDates) sql = vb::Replace(sql, "#", "'");
  });
  count = zeroBased != 0 ? -1 : 0;

  // Whichever engine the store is opened with, the select's rows are read front to back once. The
  // read keeps no recordset: the store's shared one is closed first and stays closed after, also
  // after a canceled read.
  std::unique_ptr<db::RowStream> stream;
  if (!s.HdbUseDAO) {
    if (s.HdbIsExcel) sql = vb::Replace(sql, table, "[" + table + "$]");
    errors.step([&] {
      if (s.HdbRs.State() != db::adStateClosed) s.HdbRs.Close();
    });
    errors.step([&] { stream = s.HdbCnn.readForward(sql); });
  } else {
    errors.step([&] {
      s.HdbDaoRsOpen = false;
      if (s.HdbDaoRs.isOpen()) s.HdbDaoRs.Close();
    });
    errors.step([&] { stream = s.HdbDb.readForward(sql); });
  }
  if (stream) {
    ForwardRows rows(std::move(stream), count);
    if (errors.step([&] { rows.MoveNext(); })) readRows(s, rows, errors, count, capacity);
  }

  if (extend != 0 && count >= 3 && !errors.canceled())
    errors.step([&] { extendSeries(s, end, count, capacity); });
}

}  // namespace fw
