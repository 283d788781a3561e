#include "retrieval/hydromet.h"

#include <exception>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/et_site_text.h"
#include "retrieval/get_url.h"
#include "retrieval/lower_colorado.h"
#include "retrieval/service_servers.h"
#include "retrieval/usgs.h"
#include "run/run_services.h"

namespace fw {

namespace {
// A line whose parameter index is this one reads measured solar radiation in that column.
constexpr int16_t kMeasuredSolarColumn = 4;
}  // namespace

namespace {

constexpr int kFirstRow = 3;      // title lines before the rows
constexpr int kTrailerLines = 4;  // lines after the last row

// "15-OB" is OB at 15 minutes; without a prefix the interval is 15.
std::string cutInterval(const std::string& code, int* minutes) {
  const int dash = vb::InStr(code, "-");
  if (dash == 0) {
    if (minutes) *minutes = 15;
    return vb::Trim(code);
  }
  if (minutes) *minutes = static_cast<int>(vb::Val(vb::Left(code, dash - 1)));
  return vb::Trim(vb::Mid(code, dash + 1));
}

void setColumn(std::vector<int16_t>& columns, std::size_t k, int16_t value) {
  if (columns.size() <= k) columns.resize(k + 1, 0);
  columns[k] = value;
}

// A reading as the service writes it: a number ("%10.2f"), perhaps followed by a one-character
// quality flag ("263.50e" estimated, "+", "m", ...). The flag is dropped: the reading is the number.
// Any other text is left as it came.
std::string withoutFlag(const std::string& field) {
  const std::string text = vb::Trim(field);
  if (text.size() < 2 || vb::IsNumeric(text)) return field;
  const char flag = text.back();
  if ((flag >= '0' && flag <= '9') || flag == '.') return field;
  std::string number = text.substr(0, text.size() - 1);
  return vb::IsNumeric(number) ? number : field;
}

// The last field as a number text; a blank field, or one without a number, is missing.
std::string numberText(const std::string& field) {
  const std::string text = vb::Trim(withoutFlag(field));
  if (text.empty() || !vb::IsNumeric(text)) return "-99";
  return vb::CStr(vb::CDbl(text));
}

std::string dayKeys(vb::VbDate day, const char* year, const char* month, const char* dayKey) {
  return std::string(year) + vb::CStr(static_cast<int32_t>(vb::Year(day))) + month +
         vb::CStr(static_cast<int32_t>(vb::Month(day))) + dayKey +
         vb::CStr(static_cast<int32_t>(vb::Day(day)));
}

}  // namespace

HydrometText hydrometTransform(const std::string& reply, const HydrometRead& read) {
  HydrometText out;
  out.text = std::string(kHydrometTitle) + "\n";
  const std::vector<std::string> lines = vb::Split(reply, "\n");
  const int last = static_cast<int>(lines.size()) - 1 - kTrailerLines;
  FiveMinuteSteps steps;
  for (int i = kFirstRow; i <= last; ++i) {
    std::string line = lines[static_cast<std::size_t>(i)];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::vector<std::string> f = vb::Split(line, "\t");
    if (vb::Val(f[0]) == 0) continue;
    if (f.size() > 1) out.HasData = true;
    for (std::size_t k = 1; k + 1 < f.size(); ++k) f[k] = withoutFlag(f[k]);
    if (f.size() > 1) f.back() = numberText(f.back());
    const std::optional<vb::VbDate> when = vb::parseDate(vb::Trim(f[0]));
    const bool stop = read.StopAt != 0 && when && *when == read.StopAt;
    if (read.WholeHours && vb::InStr(f[0], ":00") == 0) {
      if (stop) break;
      continue;
    }
    if (read.WindRows) {
      out.text += "Z\t" + f[0];
      if (f.size() > 1 && !f[1].empty())
        for (std::size_t k = 1; k < f.size(); ++k) out.text += "\t" + f[k];
      out.text += "\n";
    } else {
      if (read.EtValue) {
        if (read.DailyColumn >= 1 && static_cast<std::size_t>(read.DailyColumn) - 1 < f.size()) {
          std::string& daily = f[static_cast<std::size_t>(read.DailyColumn) - 1];
          daily = vb::FormatNumber(vb::Val(daily) * 24, "#0");
        }
        f.back() = vb::CStr(read.EtValue(f));
      }
      if (read.FiveMinute) {
        f.insert(f.begin(), "Z");
        steps.add(f, 1, out.text);
      } else {
        out.text += "Z\t" + vb::Join(f, "\t") + "\n";
      }
    }
    if (stop) break;
  }
  return out;
}

void GetHydromet(Session& s, SourceCall& c) {
  if (vb::Left(c.StationId, 6) == "USBRLC") {
    UsbrLC(s, c);
    return;
  }
  c.RetrievalText.clear();
  c.Error.clear();
  std::string runError;
  try {
    std::string station = c.StationId;
    bool fiveMinute = false;
    if (const int comma = vb::InStr(station, ","); comma > 0) {
      station = vb::Trim(vb::Left(station, comma - 1));
      fiveMinute = true;
    }
    int minutes = 15;
    const std::string code = cutInterval(c.ParameterCode, &minutes);

    HydrometRead read;
    read.FiveMinute = fiveMinute;
    read.WholeHours = minutes == 60;
    EtSite site;
    bool daylight = false;
    const bool etLine = c.DatatypeCode == 27 || c.DatatypeCode == 29;
    if (etLine) {
      if (!s.EToHourly) {
        c.RetrievalText = std::string(kHydrometTitle) + "\n";
        c.Error = kEtNotAvailable;
        return;
      }
      TZOffset(s, daylight);
      // A 60-minute row's stamp ends its hour: its sun stands half an hour earlier.
      site = readEtSite(c.LineText, c.ParameterCode, c.ParameterCount, kMeasuredSolarColumn,
                        minutes == 60 ? 1.0 : 0.5);
    }

    const std::string siteCode = percentEncode(vb::Mid(station, vb::InStr(station, "-") + 1));
    const std::string region = vb::LCase(vb::Mid(station, 5, 2));

    // The wind direction brings its speed: the request asks both, the line reads the direction.
    const bool wind = vb::UCase(code) == "WD";
    std::vector<std::string> list = c.ParameterCodes;
    int16_t index = c.ParameterCount;
    if (wind) {
      list = {"WD", "WS"};
      index = 1;
    }
    c.WindDegrees = wind;
    std::string parameters;
    std::string pcode;
    if (index <= 0) {
      setColumn(c.ValueColumns, 0, 2);
      parameters = siteCode + "%20" + percentEncode(code);
      pcode = percentEncode(code);
    } else {
      for (int16_t k = 0; k <= index; ++k) {
        const std::string entry = static_cast<std::size_t>(k) < list.size()
                                      ? cutInterval(list[static_cast<std::size_t>(k)], nullptr)
                                      : "";
        parameters += (k ? "," : "") + siteCode + "%20" + percentEncode(entry);
        pcode += (k ? "," : "") + percentEncode(entry);
        setColumn(c.ValueColumns, static_cast<std::size_t>(k), static_cast<int16_t>(k + 2));
      }
    }

    vb::VbDate begin = 0;
    vb::VbDate end = 0;
    bool dailyReports = false;
    if (s.RealtimeMode) {
      end = vb::Int(s.RunDay);
      begin = end - c.DayCount;
    } else {
      begin = vb::Int(vb::CDate(vb::Left(s.form.TextBegindate.Text, 10)));
      end = vb::Int(vb::CDate(vb::Left(s.form.TextEnddate.Text, 10)));
      if (c.UnitValues) {
        end += 1;
        read.StopAt = end;
      } else {
        dailyReports = true;
      }
    }
    std::string path;
    if (region == "pn") {
      path = region + (dailyReports ? "-bin/daily.pl?station=" : "-bin/instant.pl?station=") + siteCode +
             dayKeys(begin, "&year=", "&month=", "&day=") + dayKeys(end, "&year=", "&month=", "&day=") +
             "&pcode=" + pcode + "&format=1";
    } else {
      path = region + (dailyReports ? "-bin/webacrcsv.pl?parameter=" : "-bin/webdaycsv.pl?parameter=") +
             parameters + dayKeys(begin, "&syer=", "&smnth=", "&sdy=") +
             dayKeys(end, "&eyer=", "&emnth=", "&edy=") + "&format=1";
    }

    if (etLine) {
      read.DailyColumn = site.SolarRegion == 0 && c.ValueColumns.size() > 3 ? c.ValueColumns[3] : int16_t{0};
      const int16_t etIndex = c.ParameterCount;
      const std::vector<int16_t> columns = c.ValueColumns;
      const double hourShift = c.HourShift;
      const int16_t datatype = c.DatatypeCode;
      (void)etIndex;
      read.EtValue = [&s, site, daylight, columns, hourShift, datatype](const std::vector<std::string>& f) {
        const std::optional<std::string> v = s.EToHourly(s, EtHourRow{site, datatype, daylight, f, columns, hourShift});
        // An hour whose inputs are missing has no value: the missing mark stands in its place.
        return v && !v->empty() ? vb::Val(*v) : -99.0;
      };
    }
    read.WindRows = wind;

    c.Error = kHydrometNoData;
    const std::string reply = GetURL(s, serverBase(s, kHydrometService) + "/" + path, false);
    HydrometText t = hydrometTransform(reply, read);
    c.RetrievalText = std::move(t.text);
    if (t.HasData) c.Error.clear();
    // The direction is the line's value; the speed beside it weighs the average.
    if (wind) c.ParameterCount = 0;
  } catch (const vb::Error& e) {
    runError = e.description();
    if (c.Error.empty()) c.Error = " ";
  } catch (const std::exception& e) {
    runError = e.what();
    if (c.Error.empty()) c.Error = " ";
  }
  if (!c.Error.empty()) {
    c.Error = vb::Trim(c.Error) + "  " + runError;
    s.LastError = c.Error;
    s.errlog.writeLine(c.Error);
  }
}

}  // namespace fw
