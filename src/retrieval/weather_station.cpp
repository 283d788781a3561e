#include "retrieval/weather_station.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/eto_hourly.h"
#include "retrieval/get_url.h"
#include "retrieval/madis_history.h"
#include "retrieval/service_servers.h"
#include "retrieval/weather_columns.h"
#include "run/run_services.h"

namespace fw {

namespace {

using Fields = std::vector<std::string>;

constexpr int kMinRowLength = 18;           // shorter lines are no rows
constexpr int kTokenLength = 15;            // a Synoptic token is longer than this
constexpr int64_t kRepeatMinutes = 4;       // a row this close to the last kept one repeats it
constexpr int64_t kGuardHours = 23;         // a row further from the last kept one is a stray date
constexpr double kEtGapDays = 90.0 / 1440;  // an hour after a longer gap has no ET of its own

std::string& fieldAt(Fields& f, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= f.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return f[static_cast<std::size_t>(index)];
}

void setColumn(std::vector<int16_t>& columns, int k, int value) {
  if (k < 0) return;
  if (columns.size() <= static_cast<std::size_t>(k)) columns.resize(static_cast<std::size_t>(k) + 1, 0);
  columns[static_cast<std::size_t>(k)] = static_cast<int16_t>(value);
}

int16_t columnOf(const std::vector<int16_t>& columns, int k) {
  return k >= 0 && static_cast<std::size_t>(k) < columns.size() ? columns[static_cast<std::size_t>(k)]
                                                                : int16_t{0};
}

// Exact (trimmed) names for a list; the wind-speed column for a direction line.
void exactMatch(WxTableState& st, const Fields& header) {
  const bool single = st.parameterIndex == 0;
  for (std::size_t i = 1; i < header.size(); ++i) {
    const std::string name = vb::Trim(header[i]);
    if (single) {
      if (name == st.parameterCode) {
        setColumn(st.Columns, 0, static_cast<int>(i) + 1);
        st.matched = true;
      }
    } else {
      for (int k = 0; k <= st.parameterIndex; ++k)
        if (name == st.parameters[static_cast<std::size_t>(k)]) {
          setColumn(st.Columns, k, static_cast<int>(i) + 1);
          st.matched = true;
        }
    }
  }
}

void windSpeedColumn(WxTableState& st, const Fields& header) {
  if (st.parameterIndex != 0 || (st.parameterCode != "drct" && st.parameterCode != "winddirAvg")) return;
  for (std::size_t i = 1; i < header.size(); ++i) {
    const std::string name = vb::Trim(header[i]);
    if (name == "windspeedAvg" || name == "sped") setColumn(st.Columns, 1, static_cast<int>(i) + 1);
  }
}

// The first table's header: containment for one parameter, exact names for a list.
void matchHeader(WxTableState& st, const Fields& header) {
  if (st.parameterIndex == 0) {
    for (std::size_t i = 1; i < header.size(); ++i) {
      const std::string& name = header[i];
      if (vb::InStr(name, st.parameterCode) == 0) continue;
      st.matched = true;
      const int column = static_cast<int>(i) + 1;
      setColumn(st.Columns, 0, column);
      if (st.SourceType == 27 && st.parameterCode == "precipTotal") {
        if (st.firstPrecipColumn == 0) st.firstPrecipColumn = static_cast<int16_t>(column);
        if (vb::InStr(name, "_minute") > 0) st.minuteColumn = static_cast<int16_t>(column);
        if (vb::InStr(name, "24_hour") > 0 || vb::InStr(name, "midnight") > 0) st.minuteColumn = 0;
      }
    }
    windSpeedColumn(st, header);
  } else {
    exactMatch(st, header);
  }
  if (st.computed) setColumn(st.Columns, st.parameterIndex, static_cast<int>(header.size()));
}

// MesoWest minute precipitation becomes an accumulation; a first precipitation column that is
// empty on the second row gives way to the first one found.
void mesoWestPrecipitation(WxTableState& st, Fields& f, std::size_t line) {
  const int16_t c0 = columnOf(st.Columns, 0);
  if (line == 3 && st.firstPrecipColumn != 0 && c0 != st.firstPrecipColumn && c0 > 0 &&
      fieldAt(f, c0 - 1).empty())
    setColumn(st.Columns, 0, st.firstPrecipColumn);
  if (line == 3) st.firstPrecipColumn = columnOf(st.Columns, 0);
  const int16_t column = columnOf(st.Columns, 0);
  if (column != 0 && column == st.minuteColumn) {
    std::string& value = fieldAt(f, column - 1);
    st.precipSum += static_cast<float>(vb::Val(value));
    value = vb::FormatNumber(st.precipSum, "0.00");
  }
}

// The rules a fresh row of a service other than ASOS passes; false drops it.
bool keepFreshRow(Session& s, WxTableState& st, Fields& f, std::size_t line) {
  if (st.SourceType == 27) {
    fieldAt(f, 0) = vb::Left(f[0], 16);
    mesoWestPrecipitation(st, f, line);
  }
  if (vb::Val(fieldAt(f, 0)) == 0) return false;
  const vb::VbDate when = vb::CDate(f[0]);
  if (when < st.firstDay) return false;
  if (st.anyKept) {
    if (vb::DateDiff("n", st.lastKept, when) <= kRepeatMinutes) return false;
    if (vb::DateDiff("h", st.lastKept, when) > kGuardHours) {
      if (!st.guardLogged) {
        s.errlog.writeLine(st.station + " rows from " + f[0] + " on are more than " +
                           std::to_string(kGuardHours) + " hours after the last kept row and were left out.");
        st.guardLogged = true;
      }
      return false;
    }
  }
  st.anyKept = true;
  st.lastKept = when;
  return true;
}

// The row's computed value: solar to langleys per day where measured, then EToHourly.
void computeRow(Session& s, WxTableState& st, Fields& f, int16_t base) {
  if (st.SolarRegion == 0 && !st.longWave && !s.MetricUnits && st.Columns.size() > 3 && st.Columns[3] > 0) {
    std::string& solar = fieldAt(f, st.Columns[3] - base);
    solar = vb::FormatNumber(vb::Val(solar) * 2.065, "#0");
  }
  EtoLine a;
  a.daylight = st.daylight;
  a.latitude = st.latitude;
  a.elevation = st.elevation;
  a.offset = st.offset;
  a.windFactor = st.windFactor;
  a.shortReference = st.shortReference;
  a.SolarRegion = st.SolarRegion;
  a.datatype = st.datatype;
  a.columnBase = base;
  a.longWave = st.longWave;
  a.inputCount = st.parameterIndex;
  a.hourShift = st.hourShift;
  std::string value = EToHourly(s, a, f, st.Columns);
  std::string& target = fieldAt(f, columnOf(st.Columns, st.parameterIndex) - base);
  target = std::move(value);
  if (st.datatype == 27) {
    const vb::VbDate when = vb::CDate(fieldAt(f, 1 - base));
    if (when - st.previousEt > kEtGapDays) target = "0";
    st.previousEt = when;
  }
}

int32_t wholeDay(const std::string& text) {
  return vb::CLng(vb::CDate(text));
}

}  // namespace

void wxTableStage(Session& s, WxTableState& st, const std::string& reply, int16_t base, std::string& out,
                  std::string& error) {
  Fields lines = vb::Split(reply, "\n");
  for (std::string& l : lines)
    if (!l.empty() && l.back() == '\r') l.pop_back();
  if (!st.headerDone) {
    const std::size_t at = st.reprocess || st.asos ? 0 : 1;
    const std::string header = at < lines.size() ? lines[at] : std::string();
    out += header + "\n";
    st.headerDone = true;
    if (st.reprocess) {
      exactMatch(st, vb::Split(header, ","));
      st.matched = true;
    } else {
      matchHeader(st, vb::Split(header, ","));
    }
  }
  if (!st.matched) {
    if (error.empty()) error = "No matching parameter column found.";
    return;
  }
  for (std::size_t j = 2; j < lines.size(); ++j) {
    const std::string& line = lines[j];
    if (vb::Len(line) < kMinRowLength) continue;
    Fields f = vb::Split(line, st.reprocess ? "\t" : ",");
    std::string buffer = st.reprocess ? "" : "Z\t";
    if (!st.reprocess) {
      if (st.asos) {
        const vb::VbDate local = vb::CDate(fieldAt(f, 1)) - st.tzHours / 24.0;
        if (local < st.firstDay) continue;
        f[0] = vb::Format(local, "yyyy/mm/dd hh:mm");
      } else if (!keepFreshRow(s, st, f, j)) {
        continue;
      }
      if (vb::Len(f[0]) >= 22) continue;
    }
    if (st.computed) computeRow(s, st, f, base);
    buffer += vb::Join(f, "\t") + "\n";
    out += buffer;
    ++st.rows;
  }
}

void GetWxStation(Session& s, SourceCall& c) {
  c.Error.clear();
  WxTableState st;
  st.SourceType = c.SourceType;
  st.parameterCode = c.ParameterCode;
  st.parameters = c.ParameterCodes;
  for (std::string& p : st.parameters) p = vb::Trim(p);
  st.parameterIndex = std::max<int16_t>(0, c.ParameterCount);
  while (st.parameters.size() <= static_cast<std::size_t>(st.parameterIndex)) st.parameters.emplace_back();
  st.datatype = c.DatatypeCode;
  st.hourShift = c.HourShift;
  st.Columns.assign(static_cast<std::size_t>(st.parameterIndex) + 2, 0);
  st.station = c.StationId;
  std::string& error = c.Error;
  try {
    st.tzHours = TZOffset(s, st.daylight);

    // Radiation set-up of ET, solar and long-wave lines: the site data from the line.
    if (c.DatatypeCode == 27 || c.DatatypeCode == 29) {
      const Fields site = vb::Split(c.LineText, ",");
      if (site.size() >= 3) {
        st.latitude = vb::Val(site[0]) * 3.14159 / 180;
        st.offset = (vb::Val(site[1]) - vb::Val(site[2])) / 15;
        const int16_t feet = site.size() > 3 ? vb::CInt(vb::Trim(site[3])) : int16_t{0};
        st.elevation = feet * 0.3048;
        st.windFactor = site.size() > 4 && !vb::Trim(site[4]).empty() ? vb::CDbl(vb::Trim(site[4])) : 0;
        st.shortReference = vb::InStr(vb::UCase(c.ParameterCode), "TALL") == 0;
        if (feet < 400)
          st.SolarRegion = vb::Val(site[1]) > -116.5 ? 1 : 2;
        else if (feet < 3000)
          st.SolarRegion = 3;
        else if (feet < 5000)
          st.SolarRegion = 4;
        else
          st.SolarRegion = 5;
        if (st.parameterIndex == 4) st.SolarRegion = 0;
        st.computed = true;
      } else if (vb::InStr(vb::UCase(c.ParameterCode), "LONG") > 0) {
        st.offset = vb::Val(c.LineText);
        st.longWave = true;
        st.computed = true;
      }
    }

    std::string kept;
    if (!c.RetrievalText.empty()) {
      if (c.SourceType == 29 && vb::Len(c.Triples[1].base) > kTokenLength) c.Triples[1].base = "0";
      const Fields lines = vb::Split(c.RetrievalText, "\n");
      const Fields header = vb::Split(lines.empty() ? std::string() : lines[0], ",");
      exactMatch(st, header);
      windSpeedColumn(st, header);
      if (!st.computed) {
        c.ValueColumns = st.Columns;
        return;
      }
      setColumn(st.Columns, st.parameterIndex, static_cast<int>(header.size()));
      kept = std::move(c.RetrievalText);
      c.RetrievalText.clear();
      st.reprocess = true;
    }

    std::string code = c.StationId;
    bool pws = false;
    if (c.SourceType == 1) {
      const std::string last = vb::Right(code, 1);
      if (last.empty() || !std::isdigit(static_cast<unsigned char>(last[0]))) {
        if (vb::Len(code) < 6) code = vb::Left(code, 4);
        st.asos = true;
      } else {
        pws = true;
      }
    } else {
      code = vb::Mid(code, 4);
    }

    int32_t lastDay = 0;
    if (s.RealtimeMode) {
      st.firstDay = static_cast<int32_t>(s.RunDay) - c.DayCount;
      lastDay = static_cast<int32_t>(s.RunDay) + (st.asos ? 1 : 0);
    } else {
      st.firstDay = wholeDay(s.form.TextBegindate.Text);
      lastDay = wholeDay(s.form.TextEnddate.Text);
    }
    st.previousEt = st.firstDay;

    std::string out;
    bool json = false;
    for (int32_t d = st.firstDay; d <= lastDay; ++d) {
      std::string reply;
      int16_t base = 1;
      if (st.reprocess) {
        d = lastDay;
        reply = kept;
        base = 0;
      } else {
        if (pws && c.DayCount == 1 && json && d > st.firstDay) break;
        std::string url;
        const vb::VbDate day = d;
        if (c.SourceType == 1 && st.asos) {
          const vb::VbDate end = lastDay;
          url = serverBase(s, kIowaMesonetService) +
                "/cgi-bin/request/asos.py?station=" + percentEncode(vb::Mid(code, 2)) +
                "&data=tmpf&data=dwpf&data=relh&data=drct&data=sped&data=mslp&data=p01i&data=vsby&year1=" +
                vb::Format(day, "yyyy") + "&month1=" + vb::Format(day, "mm") +
                "&day1=" + vb::Format(day, "dd") + "&year2=" + vb::Format(end, "yyyy") +
                "&month2=" + vb::Format(end, "mm") + "&day2=" + vb::Format(end, "dd") +
                "&tz=Etc%2FUTC&format=onlycomma&latlon=no&direct=no&report_type=2";
        } else if (c.SourceType == 1) {
          const std::string date = vb::Format(day, "yyyy-mm-dd");
          url = serverBase(s, kWundergroundService) + "/dashboard/pws/" + percentEncode(code) + "/table/" +
                date + "/" + date + "/daily";
        } else if (c.SourceType == 27) {
          url = serverBase(s, kMesoWestService) +
                "/cgi-bin/droman/station_dl_output.cgi?stn=" + percentEncode(code) +
                "&unit=0&time=LOCAL&day1=" + vb::Format(day, "dd") + "&month1=" + vb::Format(day, "mm") +
                "&year1=" + vb::Format(day, "yyyy") + "&hour1=24&output=csv";
        } else if (c.SourceType == 29) {
          if (s.SynopticToken.empty()) s.SynopticToken = c.Triples[1].base;
          if (vb::Len(s.SynopticToken) < kTokenLength) {
            notify(s, "Synoptic token missing " + s.SynopticToken);
            s.SynopticToken.clear();
            return;
          }
          const vb::VbDate first = st.firstDay, after = lastDay + 1;
          url = serverBase(s, kSynopticService) + "/v2/stations/timeseries?stid=" + percentEncode(code) +
                "&start=" + vb::Format(first, "yyyymmddhhmm") + "&end=" + vb::Format(after, "yyyymmddhhmm") +
                "&obtimezone=local&output=csv&units=" + (s.MetricUnits ? "metric" : "english") +
                "&token=" + percentEncode(s.SynopticToken);
          c.Triples[1].base = "0";
        }
        s.ui.doEvents();
        std::string adapterError;
        if (c.SourceType == 31)
          MadisRead(s, code, st.firstDay, lastDay, st.tzHours, reply, adapterError);
        else
          reply = GetURL(s, url, false);
        if (c.SourceType == 27) {
          MesoWestCols(s, reply);
        } else if (c.SourceType == 29) {
          SynopticCols(s, reply);
        } else if (pws) {
          if (vb::InStr(reply, "&q;") > 0) {
            wunderScrape20250325(code, reply, adapterError);
          } else {
            wunderScrape(c.DayCount, code, reply, adapterError);
            json = true;
          }
        }
        if (!adapterError.empty()) error = adapterError;
        if (reply.empty() || !error.empty()) {
          // A MesoWest day without rows leaves the later days to be asked.
          if (c.SourceType == 27 && error.empty()) continue;
          if (d == st.firstDay && error.empty()) error = "No data found";
          if (!error.empty() && c.SourceType != 27) break;
          continue;
        }
      }
      wxTableStage(s, st, reply, base, out, error);
      if (c.SourceType != 27) break;
    }
    if (c.SourceType == 27 && error.empty() && !st.headerDone) error = "No data found";

    vb::writeAllBytes(s.inProgramFolder(kWeatherWorkFile), out);
    c.RetrievalText = std::move(out);
    c.ValueColumns = st.Columns;
    if (!error.empty()) s.LastError = error;
  } catch (const std::exception& e) {
    s.LastError = c.StationId + " WUcolumns " + e.what();
    error = s.LastError;
    s.errlog.writeLine(s.LastError);
    c.ValueColumns = st.Columns;
  }
}

}  // namespace fw
