#include "retrieval/cdec.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
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
std::optional<vb::VbDate> dayOf(std::string_view field) {
  const std::string text = std::string(field.substr(0, 4)) + "-" +
                           std::string(field.substr(std::min<std::size_t>(4, field.size()), 2)) + "-" +
                           std::string(field.substr(std::min<std::size_t>(6, field.size())));
  return vb::parseDate(text);
}

// Splits a row at "," into views of it (as many pieces as separators plus one; none for an
// empty row).
void splitRow(std::string_view row, std::vector<std::string_view>& fields) {
  fields.clear();
  if (row.empty()) return;
  for (;;) {
    const std::size_t comma = row.find(',');
    fields.push_back(row.substr(0, comma));
    if (comma == std::string_view::npos) return;
    row.remove_prefix(comma + 1);
  }
}

// True when the text is already the number's own text: an optional "-", a whole part without
// leading zeros, and decimals without trailing zeros, at most 15 digits, 0.1 or more in size (or
// exactly "0"). Most readings come so, and need not be converted there and back.
bool isNumberText(std::string_view text) {
  std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
  const std::size_t wholeStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  const std::size_t wholeDigits = i - wholeStart;
  if (wholeDigits == 0 || (wholeDigits > 1 && text[wholeStart] == '0')) return false;
  if (i == text.size()) return wholeDigits <= 15 && text != "-0";
  if (text[i] != '.' || i + 1 == text.size()) return false;
  const std::size_t fractionStart = ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i != text.size() || text.back() == '0') return false;
  const bool zeroWhole = text[wholeStart] == '0';
  if (zeroWhole && text[fractionStart] == '0') return false;
  const std::size_t digits = (zeroWhole ? 0 : wholeDigits) + (i - fractionStart);
  return digits <= 15;
}

// A value text the exchange gives as a number, as the number's text: it starts with a digit or a
// sign. Letter flags ("m", "---"), empty cells and texts that are no number give nothing.
std::optional<std::string> valueOf(std::string_view text) {
  if (text.empty() || static_cast<unsigned char>(text[0]) >= 58) return std::nullopt;
  if (isNumberText(text)) return std::string(text);
  try {
    return vb::CStr(vb::CDbl(std::string(text)));
  } catch (const vb::Error&) {
    return std::nullopt;  // "-", "+" and the like
  }
}

// `day` is the day as "yyyy-mm-dd"; the reading is at the whole hour.
void appendLine(std::string& out, std::string_view station, std::string_view sensor, const std::string& day,
                int hour, std::string_view value) {
  out += "Z\t";
  out += station;
  out += '\t';
  out += sensor;
  out += '\t';
  const char time[] = {
      ' ', static_cast<char>('0' + hour / 10), static_cast<char>('0' + hour % 10), ':', '0', '0', '\t'};
  out += day;
  out.append(time, sizeof time);
  out += value;
  out += '\n';
}

}  // namespace

std::optional<std::string> cdecNumberText(const std::string& text) {
  return valueOf(text);
}

bool cdecWindSensor(const std::string& sensor) {
  return sensor == "10" || sensor == "77";
}

std::string cdecTransform(const std::string& reply, const std::string& station, const std::string& sensor,
                          bool hourly) {
  std::string out = std::string(kCdecTitle) + "\n";
  // A line holds the station, sensor, date and value of a value text of a few bytes: grown once.
  out.reserve(out.size() + reply.size() * (hourly ? 5 + station.size() : 3));
  const std::vector<std::string> lines = vb::Split(reply, "\r\n");
  const int last = static_cast<int>(lines.size()) - (hourly ? 3 : 1);
  std::vector<std::string_view> f;
  for (int i = kFirstRow; i <= last; ++i) {
    splitRow(lines[static_cast<std::size_t>(i)], f);
    if (f.size() < 3) continue;
    if (hourly) {
      if (f[0] != station) continue;
      const std::optional<vb::VbDate> day = dayOf(f[2]);
      if (!day) continue;
      const std::string dayText = vb::Format(*day, "yyyy-mm-dd");
      for (int h = 0; h < 24 && static_cast<std::size_t>(h) + 3 < f.size(); ++h) {
        const std::optional<std::string> value = valueOf(f[static_cast<std::size_t>(h) + 3]);
        if (value) appendLine(out, f[0], f[1], dayText, h, *value);
      }
    } else {
      if (i == kFirstRow && f[0].size() > 8) f[0].remove_prefix(f[0].size() - 8);
      const std::optional<vb::VbDate> day = dayOf(f[0]);
      const std::optional<std::string> value = valueOf(f[2]);
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
