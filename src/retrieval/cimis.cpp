#include "retrieval/cimis.h"

#include <algorithm>

#include "app/session.h"
#include "common/round_value.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr int32_t kMostDays = 7;                                   // the network keeps a week of files
constexpr const char* kDailyFields = "     25195 1513272917997 ";  // two characters per even code
constexpr int kDirectionField = 21;                                // degrees, written as quarter-circle units
constexpr int16_t kWindDirectionCode = 19;  // data type code that rounds to quarter steps
constexpr int16_t kEtColumn = 24;           // the ET input's column on an ET line
constexpr int16_t kMeasuredSolarIndex = 4;

void setColumn(std::vector<int16_t>& columns, std::size_t i, int16_t value) {
  if (columns.size() <= i) columns.resize(i + 1, 0);
  columns[i] = value;
}

bool missingMark(const std::string& field) {
  return vb::InStr(field, "--") > 0 || vb::InStr(field, "M") > 0;
}

}  // namespace

int16_t cimisDailyField(const std::string& code, bool inList) {
  const std::string c = vb::Trim(code);
  if (c == "31") return inList ? 31 : 30;
  if (!vb::IsNumeric(c)) return 0;
  const double k = vb::Val(c);
  if (k < 6 || k > 24 || k != static_cast<int>(k) || static_cast<int>(k) % 2 != 0) return 0;
  const double n = vb::Val(vb::Trim(vb::Mid(kDailyFields, static_cast<int>(k), 2)));
  return static_cast<int16_t>(n - 1);
}

std::string cimisFilePath(const std::string& stationNumber, bool hourly) {
  const std::string number = percentEncode(stationNumber);
  return hourly ? "pub2/hourly/hourly" + number + ".csv" : "pub2/daily/daily" + number + ".csv";
}

CimisText cimisTransform(const std::string& file, const CimisRows& rows) {
  CimisText out;
  out.text = std::string(kCimisHeader) + "\n";
  const int valueFileField = rows.valueField - 2;
  // Every line, the last one too: a file without a final line break still holds its newest row.
  for (const std::string& line : vb::Split(file, "\r\n")) {
    std::vector<std::string> f = vb::Split(line, ",");
    if (f.size() < 3 || vb::Val(f[0]) == 0) continue;
    const std::optional<vb::VbDate> date = vb::parseDate(f[1]);
    if (!date || vb::Int(*date) < rows.windowStart) continue;
    if (valueFileField < 0 || static_cast<std::size_t>(valueFileField) >= f.size() ||
        missingMark(f[static_cast<std::size_t>(valueFileField)]))
      continue;
    std::string row;
    if (rows.hourly) {
      const std::string hour = f[2];
      if (hour == "2400") {
        const vb::VbDate next = vb::Int(*date) + 1;
        if (next > rows.runDay) break;
        row = "Z\tC\t" + vb::CStrDate(next) + "\tC";
        if (rows.et) f[0] = vb::CStrDate(next);
      } else {
        const std::string when = f[1] + " " + vb::Left(hour, 2) + ":00";
        row = "Z\tC\t" + when + "\tC";
        if (rows.et) f[0] = when;
      }
    } else {
      row = "Z\tC\t" + f[1] + "\tC";
    }
    const std::size_t last = f.size() - 1;
    for (std::size_t k = 2; k <= last; ++k) {
      std::string field = f[k];
      if (k == kDirectionField && !field.empty() && static_cast<unsigned char>(field[0]) < 58) {
        double quarters = vb::Val(field) * 4 / 360;
        field = vb::CStr(RoundValue(quarters, kWindDirectionCode, rows.metricUnits, rows.canadaSite));
      }
      if (rows.et && k == last) {
        std::optional<std::string> et = rows.et(f);
        if (!et) {
          out.text = std::string(kCimisHeader) + "\n";
          out.etUnavailable = true;
          return out;
        }
        field = *et;
      }
      row += "\t" + field;
    }
    out.text += row + "\t\n";
    out.lastField = static_cast<int16_t>(last);
  }
  return out;
}

void GetCIMIS(Session& s, SourceCall& c, const EtHourlyFn& et) {
  c.DateFieldIndex = 2;
  c.WindDegrees = false;
  const bool etLine = c.DatatypeCode == 27 || c.DatatypeCode == 29;
  EtSite site;
  if (etLine) site = readEtSite(c.LineText, c.ParameterCode, c.ParameterCount, kMeasuredSolarIndex);
  const std::string number = vb::Mid(c.StationId, vb::InStr(c.StationId, "-") + 1);
  const int32_t runDay = static_cast<int32_t>(s.RunDay);
  const bool hourly = s.RealtimeMode;
  if (s.RealtimeMode) {
    c.DayCount = std::min(c.DayCount, kMostDays);
    if (c.ParameterCount <= 0) {
      setColumn(c.ValueColumns, 0, static_cast<int16_t>(vb::Val(c.ParameterCode)));
    } else {
      for (int j = 0; j <= c.ParameterCount && static_cast<std::size_t>(j) < c.ParameterCodes.size(); ++j)
        setColumn(c.ValueColumns, static_cast<std::size_t>(j),
                  static_cast<int16_t>(vb::Val(c.ParameterCodes[static_cast<std::size_t>(j)]) - 1));
    }
    if (etLine)
      setColumn(c.ValueColumns, static_cast<std::size_t>(std::max<int16_t>(c.ParameterCount, 0)), kEtColumn);
  } else if (!s.UnitValues) {
    const auto begin = vb::parseDate(vb::Left(s.form.TextBegindate.Text, 10));
    if (begin && runDay - vb::Int(*begin) > kMostDays) {
      c.DayCount = kMostDays;
      notify(s, kCimisSevenDays);
    }
    if (c.ParameterCount <= 0) {
      setColumn(c.ValueColumns, 0, cimisDailyField(c.ParameterCode, false));
    } else {
      for (std::size_t j = 0; j < c.ParameterCodes.size(); ++j)
        if (const int16_t field = cimisDailyField(c.ParameterCodes[j], true); field != 0)
          setColumn(c.ValueColumns, j, field);
    }
  } else {
    notify(s, kCimisNoHistory);
    c.RetrievalText.clear();
    return;
  }
  if (!c.RetrievalText.empty()) return;  // the kept file of the same station serves the line

  const std::string url = serverBase(s, kCimisService) + "/" + cimisFilePath(number, hourly);
  const std::string file = GetURL(s, url, false);
  if (vb::InStr(c.ParameterCode, "22") > 0) c.WindDegrees = true;

  CimisRows rows;
  rows.hourly = hourly;
  rows.windowStart = runDay - c.DayCount;
  rows.runDay = runDay;
  rows.valueField = c.ValueColumns.empty() ? int16_t{0} : c.ValueColumns[0];
  rows.metricUnits = s.MetricUnits;
  rows.canadaSite = s.CanadaSite;
  bool daylight = false;
  if (etLine) {
    TZOffset(s, daylight);
    rows.et = [&](const std::vector<std::string>& fields) {
      return et(s, EtHourRow{site, c.DatatypeCode, daylight, fields, c.ValueColumns, c.HourShift});
    };
  }
  CimisText t = cimisTransform(file, rows);
  c.RetrievalText = std::move(t.text);
  if (t.etUnavailable) {
    s.errlog.writeLine(c.StationId + " " + kEtHourlyMissing);
    return;
  }
  if (etLine && t.lastField >= 0) {
    setColumn(c.ValueColumns, 0, static_cast<int16_t>(t.lastField + 2));
    c.ParameterCount = 0;
  }
}

void GetCIMIS(Session& s, SourceCall& c) {
  GetCIMIS(s, c, s.EToHourly ? s.EToHourly : EtHourlyFn(hourlyEtUnavailable));
}

}  // namespace fw
