#include "retrieval/cdec.h"

#include <algorithm>
#include <cstring>
#include <functional>
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

// The day of a date field as "yyyy-mm-dd"; nothing when it is no day. Eight digits naming a day of
// the years 1000 to 9999 are that text already, rearranged; anything else goes through the date
// conversion.
std::optional<std::string> dayTextOf(std::string_view field) {
  if (field.size() == 8 &&
      std::all_of(field.begin(), field.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
    const auto number = [&field](std::size_t at, std::size_t n) {
      int v = 0;
      for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (field[i] - '0');
      return v;
    };
    const int year = number(0, 4), month = number(4, 2), day = number(6, 2);
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year >= 1000 && month >= 1 && month <= 12 && day >= 1 &&
        day <= kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
      std::string text(field.substr(0, 4));
      text += '-';
      text += field.substr(4, 2);
      text += '-';
      text += field.substr(6, 2);
      return text;
    }
  }
  const std::optional<vb::VbDate> day = dayOf(field);
  if (!day) return std::nullopt;
  return vb::Format(*day, "yyyy-mm-dd");
}

// Splits a row at "," into views of it, as vb::Split does (an empty row gives none). The cells
// are a few characters long: a plain scan finds their ends sooner than a search call would.
void splitRow(std::string_view row, std::vector<std::string_view>& fields) {
  fields.clear();
  if (row.empty()) return;
  std::size_t from = 0;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] != ',') continue;
    fields.push_back(row.substr(from, i - from));
    from = i + 1;
  }
  fields.push_back(row.substr(from));
}

// Splits a reply at CR LF into views of it, as vb::Split does (an empty reply gives none).
void splitLines(std::string_view text, std::vector<std::string_view>& lines) {
  lines.clear();
  if (text.empty()) return;
  std::size_t from = 0;
  for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1)) {
    if (at + 1 == text.size() || text[at + 1] != '\n') continue;
    lines.push_back(text.substr(from, at - from));
    from = at + 2;
    at = from - 1;
  }
  lines.push_back(text.substr(from));
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
  if (i == text.size()) return wholeDigits <= 15 && !(wholeStart == 1 && text[1] == '0');  // not "-0"
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
// sign. Letter flags ("m", "---"), empty cells and texts that are no number give nothing. The
// result views the text itself, or `made` when the number's text had to be made.
std::optional<std::string_view> valueOf(std::string_view text, std::string& made) {
  if (text.empty() || static_cast<unsigned char>(text[0]) >= 58) return std::nullopt;
  if (isNumberText(text)) return text;
  // Decimals with trailing zeros ("1000.0", "12.50"): the text without them, when that is the
  // number's own text, is what the conversion would give.
  if (const std::size_t dot = text.find('.'); dot != std::string_view::npos && text.back() == '0') {
    std::size_t end = text.size();
    while (end > dot + 1 && text[end - 1] == '0') --end;
    const std::string_view shorter = text.substr(0, end == dot + 1 ? dot : end);
    if (isNumberText(shorter)) return shorter;
  }
  try {
    made = vb::CStr(vb::CDbl(std::string(text)));
    return std::string_view(made);
  } catch (const vb::Error&) {
    return std::nullopt;  // "-", "+" and the like
  }
}

// Writes value lines straight into the text's buffer, grown ahead in large steps: a line is a
// handful of short pieces, and appending them one by one costs a growth check and a copy call a
// piece. The start of a row's lines ("Z", station, sensor and the day "yyyy-mm-dd " with their
// tabs) is kept padded, so that a short one is copied in one fixed-size move.
class LineWriter {
 public:
  // `readable` is the reply the values are views of: a short value well inside it is copied in
  // one fixed-size move too.
  LineWriter(std::string& out, std::string_view readable)
      : out_(out), used_(out.size()), readable_(readable) {}

  void startRow(std::string_view station, std::string_view sensor, std::string_view day) {
    start_.assign("Z\t");
    start_ += station;
    start_ += '\t';
    start_ += sensor;
    start_ += '\t';
    start_ += day;
    start_ += ' ';
    startSize_ = start_.size();
    start_.resize(std::max(startSize_, kQuickStart), '\0');
  }

  // The row's reading of the whole hour `hour`.
  void line(int hour, std::string_view value) {
    const std::size_t size = startSize_ + kTimeSize + value.size() + 1;
    if (used_ + size + kQuickStart + kQuickValue > out_.size())
      out_.resize(std::max(out_.size() * 2, used_ + size + kQuickStart + kQuickValue + 4096));
    char* p = out_.data() + used_;
    if (startSize_ <= kQuickStart)
      std::memcpy(p, start_.data(), kQuickStart);  // the padding is written over next
    else
      std::memcpy(p, start_.data(), startSize_);
    p += startSize_;
    const char time[kTimeSize] = {
        static_cast<char>('0' + hour / 10), static_cast<char>('0' + hour % 10), ':', '0', '0', '\t'};
    std::memcpy(p, time, kTimeSize);
    p += kTimeSize;
    const std::less_equal<const char*> notAfter;
    if (value.size() <= kQuickValue && notAfter(readable_.data(), value.data()) &&
        notAfter(value.data() + kQuickValue, readable_.data() + readable_.size()))
      std::memcpy(p, value.data(), kQuickValue);  // what follows the value is written over next
    else
      std::memcpy(p, value.data(), value.size());
    p[value.size()] = '\n';
    used_ += size;
  }

  // Cuts the text to the lines written.
  void finish() { out_.resize(used_); }

 private:
  static constexpr std::size_t kQuickStart = 32;
  static constexpr std::size_t kTimeSize = 6;  // "hh:00" and a tab
  static constexpr std::size_t kQuickValue = 16;
  std::string& out_;
  std::size_t used_;
  std::string_view readable_;
  std::string start_;
  std::size_t startSize_ = 0;
};

}  // namespace

std::optional<std::string> cdecNumberText(const std::string& text) {
  std::string made;
  const std::optional<std::string_view> value = valueOf(text, made);
  if (!value) return std::nullopt;
  return std::string(*value);
}

bool cdecWindSensor(const std::string& sensor) {
  return sensor == "10" || sensor == "77";
}

std::string cdecTransform(const std::string& reply, const std::string& station, const std::string& sensor,
                          bool hourly) {
  std::string out = std::string(kCdecTitle) + "\n";
  // A line holds the station, sensor, date and value of a value text of a few bytes: room for
  // most replies at once.
  out.reserve(out.size() + reply.size() * (hourly ? 5 + station.size() : 3));
  std::vector<std::string_view> lines;
  splitLines(reply, lines);
  const int last = static_cast<int>(lines.size()) - (hourly ? 3 : 1);
  std::vector<std::string_view> f;
  std::string made;
  LineWriter writer(out, reply);
  for (int i = kFirstRow; i <= last; ++i) {
    splitRow(lines[static_cast<std::size_t>(i)], f);
    if (f.size() < 3) continue;
    if (hourly) {
      if (f[0] != station) continue;
      const std::optional<std::string> day = dayTextOf(f[2]);
      if (!day) continue;
      writer.startRow(f[0], f[1], *day);
      for (int h = 0; h < 24 && static_cast<std::size_t>(h) + 3 < f.size(); ++h) {
        const std::optional<std::string_view> value = valueOf(f[static_cast<std::size_t>(h) + 3], made);
        if (value) writer.line(h, *value);
      }
    } else {
      if (i == kFirstRow && f[0].size() > 8) f[0].remove_prefix(f[0].size() - 8);
      const std::optional<std::string> day = dayTextOf(f[0]);
      const std::optional<std::string_view> value = valueOf(f[2], made);
      if (day && value) {
        writer.startRow(station, sensor, *day);
        writer.line(0, *value);
      }
    }
  }
  writer.finish();
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
