#include "compute/runoff_input.h"

#include <cmath>
#include <exception>
#include <utility>

#include "app/session.h"
#include "compute/staging_file.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/run_services.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

constexpr double kMillimetreInches = 0.03937;

// A series number held in 16 bits, as the DSIDs of the input are.
int32_t dsidNumber(double v) {
  const double r = vb::Round(v);
  if (r > 32767 || r < -32768) vb::raise(vb::err::Overflow);
  return static_cast<int32_t>(r);
}

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

// A number as the line-printing statement writes it: sign or blank, the digits, a blank.
std::string printedSingle(float v) { return vb::StrSingle(v) + " "; }

}  // namespace

RunoffInputStep runoffInputStep(const std::string& stationId) {
  const std::string id = vb::UCase(stationId);
  const size_t dash = id.find('-');
  const std::string suffix = dash == std::string::npos ? std::string() : id.substr(dash + 1);
  const double n = vb::Val(suffix);
  RunoffInputStep r{"RUNIT", 5.0 / 1440};
  if (vb::InStr(suffix, "UNIT") > 0) r = {"RUNIT", (n > 1 ? n : 5.0) / 1440};
  if (vb::InStr(suffix, "HOUR") > 0) r = {"RHOUR", (n > 1 ? n : 1.0) / 24};
  if (vb::InStr(suffix, "DAY") > 0) r = {"RDAY", 1.0};
  return r;
}

std::string radarRainDsid(const std::string& stationDsid) {
  if (vb::Left(stationDsid, 1) == "-") return "-10" + vb::Mid(stationDsid, 4);
  return "10" + vb::Mid(stationDsid, 3);
}

RunoffInputDsids runoffInputDsids(const std::string& stationId, const std::string& inputDsids,
                                  const std::string& stationDsid) {
  RunoffInputDsids d;
  const bool nexrad = vb::InStr(stationId, "NEXRAD") > 0;
  auto radar = [&] { return dsidNumber(vb::Val(radarRainDsid(stationDsid))); };
  if (nexrad) d.rain = radar();
  if (nexrad && vb::Val(inputDsids) == 0) return d;
  const size_t comma = inputDsids.find(',');
  if (comma != std::string::npos) {
    const int32_t a = dsidNumber(vb::Val(inputDsids.substr(0, comma)));
    const int32_t b = dsidNumber(vb::Val(inputDsids.substr(comma + 1)));
    if (std::abs(a) <= std::abs(b)) {
      d.rain = a;
      d.et = b;
    } else {
      d.rain = b;
      d.et = a;
    }
    return d;
  }
  int32_t v = dsidNumber(vb::Val(inputDsids));
  if (std::abs(v) > 26999) {
    d.et = v;
    v = d.rain;
  }
  if (v == 0)
    d.rain = radar();
  else if (!nexrad)
    d.rain = v;
  return d;
}

double seasonalEt(int32_t dayNumber) {
  const int j = vb::DayOfYear(static_cast<double>(dayNumber));
  return 0.12 * std::sin((j + 284) * 0.017214192) + 0.17;
}

EtGrid::EtGrid(int32_t firstDay, int32_t lastDay, bool hourly, const double* hourFractions)
    : first_(firstDay), last_(std::max(firstDay, lastDay)), hourly_(hourly) {
  const size_t perDay = hourly ? 24 : 1;
  cells_.resize(static_cast<size_t>(last_ - first_ + 1) * perDay);
  for (int32_t d = first_; d <= last_; ++d) {
    const double e = seasonalEt(d);
    for (size_t h = 0; h < perDay; ++h)
      cells_[static_cast<size_t>(d - first_) * perDay + h] = static_cast<float>(hourly ? e * hourFractions[h] : e);
  }
}

size_t EtGrid::index(vb::VbDate when) const {
  const vb::VbDate t = vb::roundToSecond(when);
  const double day = vb::Int(t);
  if (day < first_ || day > last_) vb::raise(vb::err::SubscriptOutOfRange);
  const size_t d = static_cast<size_t>(day - first_);
  return hourly_ ? d * 24 + static_cast<size_t>(vb::Hour(t)) : d;
}

float EtGrid::at(vb::VbDate when) const { return cells_[index(when)]; }

void EtGrid::set(vb::VbDate when, float inchesValue) { cells_[index(when)] = inchesValue; }

std::string runoffInputRows(const std::vector<SeriesPoint>& rain, int32_t count, int32_t beginDay, double end,
                            double stepDays, const EtGrid& et, bool metric) {
  std::string rows;
  const double step = stepDays + 0.0000001;
  auto row = [&](vb::VbDate t, const std::string& value, int16_t source) {
    const float e = static_cast<float>(vb::Round(static_cast<double>(et.at(t)), 7));
    rows += "Z\t" + vb::Format(t, "yyyy-mm-dd hh:mm") + "\t" + value + "\t" + printedSingle(e) + "\t" +
            vb::Str(int32_t{source}) + " \n";
  };
  const std::string zero = vb::Str(int32_t{0}) + " ";
  double t = beginDay;
  int16_t lastSource = 0;
  for (int32_t i = 1; i <= count && static_cast<size_t>(i) < rain.size(); ++i) {
    const SeriesPoint& p = rain[static_cast<size_t>(i)];
    lastSource = p.source;
    for (; t < p.date; t += step) row(t, zero, p.source);
    float v = static_cast<float>(p.value);
    if (metric) v = static_cast<float>(v * kMillimetreInches);
    row(p.date, printedSingle(v), p.source);
    t = p.date + step;
  }
  for (; t < end + 0.0006; t += step) row(t, zero, lastSource);
  return rows;
}

void getrunoffinput(Session& s, SourceCall& c, bool modelRunRead, bool suppressMessages) {
  c.RetrievalText.clear();
  int32_t count = 0;
  std::string table;
  RunoffInputDsids d;
  try {
    const RunoffInputStep step = runoffInputStep(c.StationId);
    table = step.table;
    d = runoffInputDsids(c.StationId, c.ParameterCode, c.Dsid);
    c.RainDsid = vb::CStr(d.rain);

    double end = 0;
    if (s.RealtimeMode) {
      end = c.LastDay + 1;
      const double upper = static_cast<double>(s.DaySeries.size()) - 1;
      if (end - c.FirstDay >= upper - 1) end = c.FirstDay + upper - 2;
    } else {
      c.FirstDay = static_cast<int32_t>(vb::Int(vb::CDate(s.form.TextBegindate.Text)));
      end = vb::Int(vb::CDate(s.form.TextEnddate.Text)) + 1;
    }
    const int32_t begin = c.FirstDay;
    const std::string etTable = table == "RDAY" ? "RDAY" : "RHOUR";
    EtGrid grid(begin, static_cast<int32_t>(end) + 5, etTable == "RHOUR", s.EtHourFractions.data());

    if (d.et != 0) {
      int32_t etCount = 0;
      {
        // Stochastic rain stands in for the rain only: the ET is read as it is stored.
        const int16_t stochastic = std::exchange(s.WhatIf.Stochastic, int16_t{0});
        try {
          GetHDB(s, vb::CStr(d.et), vb::LCase(etTable), begin, end, etCount, 0, 0, 0, 0, 0);
        } catch (...) {
          s.WhatIf.Stochastic = stochastic;
          throw;
        }
        s.WhatIf.Stochastic = stochastic;
      }
      if (etCount <= 0) {
        s.LastError = c.Dsid + ", No ET values for period for " + vb::CStr(d.et) + ", Kansas will be used.";
        s.errlog.writeLine(s.LastError);
        if (!suppressMessages && !s.BatchMode) s.ui.msgBox(s.LastError);
      }
      for (int32_t i = 1; i <= etCount && static_cast<size_t>(i) < s.UnitSeries.size(); ++i) {
        const SeriesPoint& p = s.UnitSeries[static_cast<size_t>(i)];
        if (p.value == MissingValue) continue;
        float v = static_cast<float>(p.value);
        if (s.MetricUnits) v = static_cast<float>(v * kMillimetreInches);
        grid.set(p.date, v);
      }
      s.ui.doEvents();
    }

    const std::string rainTable = modelRunRead ? "m" + vb::LCase(vb::Mid(table, 2)) : vb::LCase(table);
    GetHDB(s, c.RainDsid, rainTable, begin, end, count, modelRunRead ? 1 : 0, c.RunId, c.TraceNo, 0, 0);
    s.ui.doEvents();
    if (count < 0) count = 0;
    const std::string rows = runoffInputRows(s.UnitSeries, count, begin, end, step.stepDays, grid, s.MetricUnits);
    c.RetrievalText = writeStagingFile(s, StagingKind::RunoffInput, rows);
  } catch (const std::exception& e) {
    s.LastError = "Raincount=" + vb::CStr(count) + " in " + table + " flow comp, ET dsid=" +
                  (d.et != 0 ? vb::CStr(d.et) : std::string("kansas")) + ", " + describe(e);
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
    c.Error = s.LastError;
    c.RetrievalText.clear();
  }
}

}  // namespace fw::compute
