#include "retrieval/cdec.h"

#include <optional>
#include <vector>

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

constexpr int kFirstRow = 4;  // four title lines come first

// "yyyymmdd" as a day; nothing when it is not one.
std::optional<vb::VbDate> dayOf(const std::string& field) {
  const std::string text = vb::Mid(field, 1, 4) + "-" + vb::Mid(field, 5, 2) + "-" + vb::Mid(field, 7);
  return vb::parseDate(text);
}

// A value text the exchange gives as a number: it starts with a digit or a sign. Letter flags
// ("m", "---") and empty cells give nothing.
std::optional<double> valueOf(const std::string& text) {
  if (text.empty() || static_cast<unsigned char>(text[0]) >= 58) return std::nullopt;
  if (!vb::IsNumeric(text)) return std::nullopt;
  return vb::CDbl(text);
}

// `day` is the day as "yyyy-mm-dd"; the reading is at the whole hour.
void appendLine(std::string& out, const std::string& station, const std::string& sensor,
                const std::string& day, int hour, double value) {
  out += "Z\t";
  out += station;
  out += '\t';
  out += sensor;
  out += '\t';
  out += day;
  out += ' ';
  out += static_cast<char>('0' + hour / 10);
  out += static_cast<char>('0' + hour % 10);
  out += ":00\t";
  out += vb::CStr(value);
  out += '\n';
}

}  // namespace

bool cdecWindSensor(const std::string& sensor) {
  return sensor == "10" || sensor == "77";
}

std::string cdecTransform(const std::string& reply, const std::string& station, const std::string& sensor,
                          bool hourly) {
  std::string out = std::string(kCdecTitle) + "\n";
  const std::vector<std::string> lines = vb::Split(reply, "\r\n");
  const int last = static_cast<int>(lines.size()) - (hourly ? 3 : 1);
  for (int i = kFirstRow; i <= last; ++i) {
    std::vector<std::string> f = vb::Split(lines[static_cast<std::size_t>(i)], ",");
    if (f.size() < 3) continue;
    if (hourly) {
      if (f[0] != station) continue;
      const std::optional<vb::VbDate> day = dayOf(f[2]);
      if (!day) continue;
      const std::string dayText = vb::Format(*day, "yyyy-mm-dd");
      for (int h = 0; h < 24 && static_cast<std::size_t>(h) + 3 < f.size(); ++h) {
        const std::optional<double> value = valueOf(f[static_cast<std::size_t>(h) + 3]);
        if (value) appendLine(out, f[0], f[1], dayText, h, *value);
      }
    } else {
      if (i == kFirstRow) f[0] = vb::Right(f[0], 8);
      const std::optional<vb::VbDate> day = dayOf(f[0]);
      const std::optional<double> value = valueOf(f[2]);
      if (day && value) appendLine(out, station, sensor, vb::Format(*day, "yyyy-mm-dd"), 0, *value);
    }
  }
  return out;
}

void GetCDEC(Session& s, SourceCall& c) {
  c.RetrievalText.clear();
  const std::string station = percentEncode(c.StationId);
  const std::string sensor = percentEncode(c.ParameterCode);
  const std::string base = serverBase(s, kCdecService);
  std::string url;
  bool hourly = c.UnitValues;
  if (s.RealtimeMode) {
    const vb::VbDate start = vb::Int(s.RunDay) - c.DayCount;
    url = base + "/cgi-progs/getHourlyCSV?station_id=" + station + "&sensor_num=" + sensor +
          "&start_date=" + vb::Format(start, "yyyymmdd") + "&end_date=&data_wish=View+Hourly+CSV+Data";
  } else if (c.UnitValues) {
    const std::optional<vb::VbDate> end = vb::parseDate(vb::Left(s.form.TextEnddate.Text, 10));
    const std::string endText = end ? vb::Format(vb::Int(*end) + 1, "yyyy-mm-dd") : std::string();
    url = base + "/cgi-progs/getHourlyCSV?station_id=" + station + "&sensor_num=" + sensor +
          "&start_date=" + percentEncode(s.form.TextBegindate.Text) + "&end_date=" + endText +
          "&data_wish=View+Hourly+CSV+Data";
  } else {
    url = base + "/cgi-progs/queryCSV?station_id=" + station + "&sensor_num=" + sensor +
          "&dur_code=D&start_date=" + percentEncode(s.form.TextBegindate.Text) +
          "&end_date=" + percentEncode(s.form.TextEnddate.Text) + "&data_wish=View+CSV+Data";
  }
  const std::string reply = GetURL(s, url, false);
  c.WindDegrees = cdecWindSensor(c.ParameterCode);
  // Real time asks the hourly service whatever the choice; read as days, its rows hold no day.
  c.RetrievalText = cdecTransform(reply, c.StationId, c.ParameterCode, hourly);
}

}  // namespace fw
