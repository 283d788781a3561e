#include "radar/radar_write.h"

#include "app/main_form.h"
#include "app/session.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/variant.h"
#include "store/daily_writer.h"
#include "store/extremes_writer.h"
#include "store/hourly_writer.h"
#include "store/series_reader.h"
#include "store/unit_writer.h"
#include "store/update_rows.h"

namespace fw {

namespace {

constexpr double kOneMinute = 1.0 / 1440;
constexpr double kWindowStartOffset = 0.0007;  // just after midnight
constexpr int kWindowDays = 3;

vb::VbDate hourLabel(vb::VbDate t) {
  return vb::DateValue(t) + vb::TimeSerial(vb::Hour(t), 0, 0);
}

}  // namespace

RadarAggregates aggregateRadarUnits(const std::vector<SeriesPoint>& units, int16_t dataType, bool rainProduct) {
  RadarAggregates a;
  if (units.empty()) return a;
  a.hours.push_back({units[0].date, MissingValue, units[0].source, 0});
  a.days.assign(2, SeriesPoint{});
  a.dayMax.assign(2, SeriesPoint{});
  size_t d = 1;
  bool dayStarted = false;
  double hourValue = units[0].value;  // H
  int32_t hourCount = 0;              // c
  int32_t dayHours = 0;               // k
  double dayMaximum = 0;              // M
  auto startDay = [&](const SeriesPoint& u) {
    a.days[d] = {vb::DateValue(u.date), 0, u.source, 0};
    dayStarted = true;
  };
  auto closeHour = [&](vb::VbDate label, int16_t source) {
    if (dataType == 32) hourValue = hourCount > 0 ? hourValue / hourCount : 0;
    if (!rainProduct) hourValue = vb::Round(hourValue);
    const double value = vb::Round(hourValue, 4);
    a.hours.push_back({label, value, source, 0});
    ++dayHours;
    a.days[d].value = dataType == 9 ? hourValue : a.days[d].value + value;
  };
  auto dayMean = [&] {
    if (dataType == 32 && dayHours > 0) a.days[d].value = vb::Round(a.days[d].value / dayHours);
  };
  if (vb::Int(units[0].date) > 2) startDay(units[0]);
  for (size_t i = 1; i < units.size(); ++i) {
    const SeriesPoint& u = units[i];
    const SeriesPoint& previous = units[i - 1];
    if (!dayStarted && vb::Int(u.date) > 2) startDay(u);
    if (u.value > dayMaximum) {
      dayMaximum = u.value;
      a.dayMax[d] = {u.date, u.value, u.source, 0};
    }
    hourValue = dataType == 9 ? u.value : hourValue + u.value;
    ++hourCount;
    const bool laterDay = vb::DateValue(u.date) > vb::DateValue(previous.date);
    if (!(laterDay || vb::Hour(u.date) > vb::Hour(previous.date))) continue;
    if (dayStarted && vb::DateValue(u.date) > a.days[d].date) {
      dayMean();
      a.days[d].value = vb::Round(a.days[d].value, 2);
      a.days[d].source = u.source;
      ++d;
      a.days.resize(d + 1);
      a.dayMax.resize(d + 1);
      a.days[d] = {vb::DateValue(u.date), 0, u.source, 0};
      dayMaximum = 0;
      dayHours = 0;
    }
    closeHour(hourLabel(u.date), u.source);
    hourValue = 0;
    hourCount = 0;
  }
  const SeriesPoint& last = units.back();
  if (vb::Minute(last.date) != 0 && units.size() > 1) closeHour(last.date, last.source);
  dayMean();
  return a;
}

RadarWriteWindow radarWriteWindow(const RadarImageSeries& series, int32_t runDay, int32_t daysBack) {
  vb::VbDate firstTime = 0;
  for (const auto& basin : series.Basins)
    if (!basin.empty() && (firstTime == 0 || basin.front().Time < firstTime)) firstTime = basin.front().Time;
  RadarWriteWindow w;
  if (firstTime >= 1) {
    w.first = vb::DateValue(firstTime) + kWindowStartOffset;
    if (vb::Hour(firstTime) == 0) w.first -= 1;
  } else {
    w.first = runDay - daysBack + kWindowStartOffset;
  }
  w.last = w.first + kWindowDays;
  return w;
}

int32_t writeRadarSeries(Session& s, const std::vector<RadarLineRow>& rows, const RadarImageSeries& series,
                         const RadarWriteInputs& in) {
  RadarWriteWindow window = radarWriteWindow(series, static_cast<int32_t>(vb::Int(s.RunDateTime)), 1);
  if (!s.RealtimeMode && in.historyBegin > 0) {
    window.first = in.historyBegin + kOneMinute;
    window.last = window.first + 2;
  }
  int32_t basinsWritten = 0;
  const ModelRunFlags savedModelRun = s.ModelRunWrite;
  for (size_t j = 0; j < rows.size(); ++j) {
    const RadarLineRow& row = rows[j];
    const std::vector<RadarSample> none;
    const std::vector<RadarSample>& samples = j < series.Basins.size() ? series.Basins[j] : none;
    s.ModelRunWrite.modelRun = row.ModelRun ? 1 : 0;
    try {
      // The unit rows of the images, in place of the rows stored for their period.
      s.UnitSeries.clear();
      for (const RadarSample& v : samples) s.UnitSeries.push_back({v.Time, v.Value, kRadarSource, 0});
      int32_t last = static_cast<int32_t>(s.UnitSeries.size()) - 1;
      bool written = false;
      if (last >= 0) {
        const int32_t count = static_cast<int32_t>(samples.size());
        if (s.HdbUseDAO)
          hdbunitDAO(s, row.Dsid, count, kRadarSource, row.DataType, last, written, false);
        else
          hdbunit(s, row.Dsid, count, kRadarSource, row.DataType, last, written, false);
      }
      if (written) ++basinsWritten;
      if (!in.fromFiles && s.RealtimeMode && written) {
        const vb::Variant when = vb::Variant::Date(in.updateTime);
        const double count = static_cast<double>(samples.size());
        s.HdbUseDAO ? hdbupdateDAO(s, row.Dsid, row.Label, when, count)
                    : hdbupdate(s, row.Dsid, row.Label, when, count);
      }
      if (!written) continue;

      // The hours and days from the unit rows now stored for the window.
      int32_t count = 0;
      s.UnitSeries.assign(static_cast<size_t>(kWindowDays * 1440 / 4 + 16), SeriesPoint{});
      const bool modelRun = s.ModelRunWrite.modelRun != 0;
      GetHDB(s, row.Dsid, modelRun ? "munit" : "runit", window.first, window.last, count, modelRun ? 1 : 0, s.RunId,
             s.TraceNo, 0, 0);
      std::vector<SeriesPoint> units;
      for (int32_t i = 1; i <= count && i < static_cast<int32_t>(s.UnitSeries.size()); ++i)
        units.push_back(s.UnitSeries[static_cast<size_t>(i)]);
      RadarAggregates agg = aggregateRadarUnits(units, row.DataType, in.rainProduct);
      s.HourSeries = std::move(agg.hours);
      s.DaySeries = std::move(agg.days);
      s.DayMaxSeries = std::move(agg.dayMax);
      int32_t lastHour = static_cast<int32_t>(s.HourSeries.size()) - 1;
      const int32_t lastDay = static_cast<int32_t>(s.DaySeries.size()) - 1;
      if (lastHour >= 1 && s.form.Check3.ticked()) {
        if (s.HdbUseDAO)
          hdbhourlyDAO(s, row.Dsid, lastDay, kRadarSource, 0, lastHour, row.DataType, "", 1, s.RunDateTime);
        else
          hdbhourly(s, row.Dsid, lastDay, kRadarSource, 0, lastHour, row.DataType, "", 1, s.RunDateTime);
      }
      if (lastDay >= 1 && s.form.Check5.ticked())
        s.HdbUseDAO ? hdbdailyDAO(s, row.Dsid, lastDay, kRadarSource, row.DataType)
                    : hdbdaily(s, row.Dsid, lastDay, kRadarSource, row.DataType);
      if (lastDay >= 1 && s.form.Check7.ticked())
        s.HdbUseDAO ? hdbdmaxDAO(s, row.Dsid, lastDay, kRadarSource, row.DataType)
                    : hdbdmax(s, row.Dsid, lastDay, kRadarSource, row.DataType);
    } catch (const std::exception& e) {
      s.LastError = row.Dsid + " radar write: " + e.what();
      s.errlog.writeLine(s.LastError);
    }
  }
  s.ModelRunWrite = savedModelRun;
  return basinsWritten;
}

}  // namespace fw
