#include "retrieval/weather_daily.h"

#include <cctype>
#include <exception>

#include "app/session.h"
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

constexpr int kMinRowLength = 18;

void setColumn(std::vector<int16_t>& columns, std::size_t k, std::size_t value) {
  if (columns.size() <= k) columns.resize(k + 1, 0);
  columns[k] = static_cast<int16_t>(value);
}

std::string withoutBlanks(const std::string& text) {
  return vb::Replace(text, " ", "");
}

}  // namespace

void wxDailyColumns(const std::string& header, const std::string& parameterCode,
                    const std::vector<std::string>& parameters, int16_t parameterIndex,
                    std::vector<int16_t>& columns, std::array<int16_t, 3>& daily) {
  std::vector<std::string> names = vb::Split(header, ",");
  for (std::string& n : names)
    if (!n.empty() && n.back() == '\r') n.pop_back();
  if (parameterIndex <= 0) {
    const std::string key = vb::InStr(parameterCode, "Precip") > 0 ? "Precip" : vb::Left(parameterCode, 6);
    for (std::size_t i = 1; i < names.size(); ++i) {
      if (vb::InStr(withoutBlanks(names[i]), key) == 0) continue;
      setColumn(columns, 0, i + 1);
      for (std::size_t k = 0; k < 3 && i + k < names.size(); ++k) {
        const std::string& name = names[i + k];
        const auto field = static_cast<int16_t>(i + k + 1);
        if (k == 0 && (vb::InStr(name, "Max") > 0 || vb::InStr(name, "High") > 0)) daily[0] = field;
        if (vb::InStr(name, "Mean") > 0 || vb::InStr(name, "Avg") > 0) daily[1] = field;
        if (vb::InStr(name, "Low") > 0 || vb::InStr(name, "Min") > 0) daily[2] = field;
      }
      return;
    }
    return;
  }
  for (int16_t k = 0; k <= parameterIndex && static_cast<std::size_t>(k) < parameters.size(); ++k)
    for (std::size_t i = 1; i < names.size(); ++i)
      if (names[i] == parameters[static_cast<std::size_t>(k)])
        setColumn(columns, static_cast<std::size_t>(k), i + 1);
}

void GetWxDaily(Session& s, SourceCall& c) {
  c.Error.clear();
  c.DailyColumns = {0, 0, 0};
  if (vb::InStr(c.ParameterCode, "Direction") > 0) {
    c.RetrievalText.clear();
    return;
  }
  const int16_t index = c.ParameterCount < 0 ? int16_t{0} : c.ParameterCount;
  c.ValueColumns.assign(static_cast<std::size_t>(index) + 2, 0);
  try {
    if (!c.RetrievalText.empty()) {
      const std::vector<std::string> lines = vb::Split(c.RetrievalText, "\n");
      wxDailyColumns(lines.empty() ? std::string() : lines[0], c.ParameterCode, c.ParameterCodes, index,
                     c.ValueColumns, c.DailyColumns);
      return;
    }
    std::string code = c.StationId;
    const std::string last = vb::Right(code, 1);
    const bool airport = last.empty() || !std::isdigit(static_cast<unsigned char>(last[0]));
    if (airport && vb::Len(code) < 6) code = vb::Left(code, 4);
    const int32_t begin = vb::CLng(vb::CDate(s.form.TextBegindate.Text));
    const int32_t end = vb::CLng(vb::CDate(s.form.TextEnddate.Text));
    const vb::VbDate b = begin, e = end;
    const auto n = [](int v) { return std::to_string(v); };
    std::string url;
    if (airport)
      url = serverBase(s, kWundergroundService) + "/history/airport/" + percentEncode(code) +
            vb::Format(b, "/yyyy/mm/dd") + "/CustomHistory.html?dayend=" + n(vb::Day(e)) +
            "&monthend=" + n(vb::Month(e)) + "&yearend=" + n(vb::Year(e)) + "&format=1";
    else
      url = serverBase(s, kWundergroundService) +
            "/weatherstation/WXDailyHistory.asp?ID=" + percentEncode(code) +
            "&graphspan=custom&month=" + n(vb::Month(b)) + "&day=" + n(vb::Day(b)) +
            "&year=" + n(vb::Year(b)) + "&monthend=" + n(vb::Month(e)) + "&dayend=" + n(vb::Day(e)) +
            "&yearend=" + n(vb::Year(e)) + "&format=1";
    if (s.MetricUnits) url += "&units=metric";
    const std::string reply = GetURL(s, url, false);
    std::vector<std::string> lines = vb::Split(reply, "\n");
    for (std::string& l : lines)
      if (!l.empty() && l.back() == '\r') l.pop_back();
    c.Error = "WU dailys not found.";
    if (lines.size() < 2) {
      c.RetrievalText.clear();
      return;
    }
    wxDailyColumns(lines[1], c.ParameterCode, c.ParameterCodes, index, c.ValueColumns, c.DailyColumns);
    c.Error.clear();
    std::string rows;
    for (std::size_t j = 2; j < lines.size(); ++j) {
      if (vb::Len(lines[j]) < kMinRowLength) continue;
      const std::vector<std::string> f = vb::Split(lines[j], ",");
      const int32_t day = static_cast<int32_t>(vb::Int(vb::CDate(f[0])));
      if (day < begin || day > end) continue;
      rows += "Z\t" + vb::Join(f, "\t") + "\n";
    }
    c.RetrievalText = lines[1] + "\n" + rows;
  } catch (const std::exception& e) {
    c.Error = c.StationId + " WU dailys " + e.what();
    s.LastError = c.Error;
    s.errlog.writeLine(c.Error);
  }
}

}  // namespace fw
