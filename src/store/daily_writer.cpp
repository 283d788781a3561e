#include "store/daily_writer.h"

#include "common/round_value.h"
#include "platform/db/error.h"
#include "platform/vb/format.h"
#include "store/connection.h"
#include "store/series_reader.h"
#include "store/series_writer.h"

namespace fw {
namespace {

SeriesWriter dailyWriter() {
  SeriesWriter w = dailyRules();
  w.routine = "hdbdaily";
  w.valueTable = "rday";
  w.modelRunTable = "mday";
  w.series = &StoreState::DaySeries;
  w.busyBox = &MainForm::Check5;
  w.busyBoxName = "Check5";
  w.logProtectedDays = true;
  w.alertKind = 1;  // "DAY"
  return w;
}

void writeDaily(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
                int16_t valueCode, WriterForm form) {
  static const SeriesWriter w = dailyWriter();
  runSeriesWriter(s, w, WriterArgs{dsid, lastIndex, defaultSource, valueCode}, form);
}

}  // namespace

void hdbdaily(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
              int16_t valueCode) {
  writeDaily(s, dsid, lastIndex, defaultSource, valueCode, WriterForm::AdoBatch);
}

void hdbdailyDAO(Session& s, const std::string& dsid, int32_t lastIndex, int16_t defaultSource,
                 int16_t valueCode) {
  writeDaily(s, dsid, lastIndex, defaultSource, valueCode, WriterForm::DaoImmediate);
}

void RedoCurrentday(Session& s, const std::string& dsid, int32_t day, int16_t defaultSource,
                    int16_t valueCode) {
  try {
    if (!isDsid(dsid))
      db::raise(vb::err::TypeMismatch, "the datatype_site_id \"" + dsid + "\" is not a whole number");
    const int32_t nextDay = day + 1;
    std::string sql = "select value from rday where datatype_site_id=" + dsid + " and date_time=#" +
                      vb::Format(static_cast<vb::VbDate>(nextDay), "mm/dd/yyyy") + "#;";
    bool atEnd = true;
    vb::Variant first, second;
    double largest = 0;
    GetCurrentCNNsql(s, sql, atEnd, first, largest, second);
    CloseCNNrs(s);
    if (atEnd) return;  // only a day whose next day already has its daily row

    int32_t count = 0;
    GetHDB(s, dsid, "runit", day, nextDay, count, 0, 0, 0, -1, 0);
    s.ui.doEvents();
    if (count < 1) return;
    // The first value read, at the day's 00:00, closes the day before and is left out. A value the
    // reader could not read is marked missing and left out as well, so it cannot enter the total.
    double total = 0;
    int values = 0;
    if (static_cast<size_t>(count) >= s.UnitSeries.size()) vb::raise(vb::err::SubscriptOutOfRange);
    for (int32_t i = 1; i <= count; ++i) {
      const double v = s.UnitSeries[static_cast<size_t>(i)].value;
      if (v == MissingValue) continue;
      total += v;
      ++values;
    }
    if (total == 0) return;
    double dailyValue = valueCode == 10 ? total : total / values;  // 10: rainfall, a day's total

    if (s.DaySeries.empty()) vb::raise(vb::err::SubscriptOutOfRange);
    SeriesPoint& e = s.DaySeries[0];
    e.date = day;
    e.value = RoundValue(dailyValue, valueCode, s.MetricUnits, s.CanadaSite);
    if (s.HdbUseDAO)
      hdbdailyDAO(s, dsid, 0, defaultSource, valueCode);
    else
      hdbdaily(s, dsid, 0, defaultSource, valueCode);
  } catch (const vb::Error& e) {
    s.LastError = "RedoCurrentday: " + e.description();
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
  }
}

}  // namespace fw
