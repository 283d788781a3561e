#include "retrieval/cdec.h"

#include <algorithm>
#include <array>
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

// Finds the end of the cell that starts at `p` (the next "," or `end`). When the cell is a plain
// decimal whose number's own text is a part of it ("-12", "1000.50" as "1000.5"), that part is
// `number`; otherwise `number` is left empty and the cell needs valueOf. The text is read once,
// where finding the cell and then checking it would read it twice: a year of hourly readings is
// almost all such cells.
const char* scanCell(const char* p, const char* end, std::string_view& number) {
  number = {};
  const auto digit = [](char ch) { return static_cast<unsigned char>(ch - '0') < 10; };
  const char* c = p;
  if (c != end && *c == '-') ++c;
  const char* const whole = c;
  while (c != end && digit(*c)) ++c;
  const std::size_t wholeDigits = static_cast<std::size_t>(c - whole);
  const char* const dot = c != end && *c == '.' ? c : nullptr;
  if (dot != nullptr)
    for (++c; c != end && digit(*c);) ++c;
  if (c != end && *c != ',') {
    const void* comma = std::memchr(c, ',', static_cast<std::size_t>(end - c));
    return comma != nullptr ? static_cast<const char*>(comma) : end;
  }
  const char* const cellEnd = c;
  // The same rules as isNumberText, on the text without trailing decimal zeros.
  if (wholeDigits == 0 || (wholeDigits > 1 && *whole == '0')) return cellEnd;
  const char* last = cellEnd;
  if (dot != nullptr) {
    if (last == dot + 1) return cellEnd;  // "12.": the conversion decides
    while (last > dot + 1 && last[-1] == '0') --last;
    if (last > dot + 1) {
      const bool zeroWhole = *whole == '0';
      if (zeroWhole && dot[1] == '0') return cellEnd;
      if ((zeroWhole ? 0 : wholeDigits) + static_cast<std::size_t>(last - dot - 1) > 15) return cellEnd;
      number = std::string_view(p, static_cast<std::size_t>(last - p));
      return cellEnd;
    }
    last = dot;  // only zeros after the point: the whole number
  }
  if (wholeDigits > 15 || (whole != p && *whole == '0')) return cellEnd;  // "-0" is converted
  number = std::string_view(p, static_cast<std::size_t>(last - p));
  return cellEnd;
}

// Writes value lines straight into the text's buffer, grown ahead in large steps: a line is a
// handful of short pieces, and appending them one by one costs a growth check and a copy call a
// piece. The start of a row's lines ("Z", station, sensor and the day "yyyy-mm-dd " with their
// tabs) is kept padded, so that a short one is copied in one fixed-size move; the hour's text is
// one fixed-size move from a table.
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

  // Makes room for `lines` lines of the row whose values are `valueBytes` long together. The text
  // grows in steps well beyond that: growing zero-fills, so it is not grown far ahead.
  void makeRoom(std::size_t lines, std::size_t valueBytes) {
    const std::size_t need =
        used_ + lines * (startSize_ + kTimeSize + 1) + valueBytes + kQuickStart + kQuickValue;
    if (need > out_.size()) out_.resize(need + kGrowth);
  }

  // The row's reading of the whole hour `hour` (0 to 23), in room made for it.
  void line(int hour, std::string_view value) {
    char* p = out_.data() + used_;
    if (startSize_ <= kQuickStart)
      std::memcpy(p, start_.data(), kQuickStart);  // the padding is written over next
    else
      std::memcpy(p, start_.data(), startSize_);
    p += startSize_;
    std::memcpy(p, kTimes[static_cast<std::size_t>(hour)].data(), kTimes[0].size());  // two spare bytes too
    p += kTimeSize;
    const std::less_equal<const char*> notAfter;
    if (value.size() <= kQuickValue && notAfter(readable_.data(), value.data()) &&
        notAfter(value.data() + kQuickValue, readable_.data() + readable_.size()))
      std::memcpy(p, value.data(), kQuickValue);  // what follows the value is written over next
    else
      std::memcpy(p, value.data(), value.size());
    p[value.size()] = '\n';
    used_ += startSize_ + kTimeSize + value.size() + 1;
  }

  // Cuts the text to the lines written.
  void finish() { out_.resize(used_); }

 private:
  static constexpr std::size_t kQuickStart = 32;
  static constexpr std::size_t kTimeSize = 6;  // "hh:00" and a tab
  static constexpr std::size_t kQuickValue = 16;
  static constexpr std::size_t kGrowth = 64 * 1024;
  // "hh:00" and a tab for each hour, padded to a move of eight bytes.
  static constexpr std::array<std::array<char, 8>, 24> kTimes = [] {
    std::array<std::array<char, 8>, 24> times{};
    for (std::size_t h = 0; h < times.size(); ++h)
      times[h] = {
          static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':', '0', '0', '\t', '\0', '\0'};
    return times;
  }();
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
    const std::string_view row = lines[static_cast<std::size_t>(i)];
    if (hourly) {
      // Station, sensor and day, then up to 24 readings: the row is read once, from the front.
      const char* p = row.data();
      const char* const end = p + row.size();
      std::string_view head[3];
      std::size_t heads = 0;
      bool more = !row.empty();
      for (; more && heads < 3; ++heads) {
        const void* comma = std::memchr(p, ',', static_cast<std::size_t>(end - p));
        const char* const cellEnd = comma != nullptr ? static_cast<const char*>(comma) : end;
        head[heads] = std::string_view(p, static_cast<std::size_t>(cellEnd - p));
        more = comma != nullptr;
        p = more ? cellEnd + 1 : end;
      }
      if (heads < 3 || head[0] != station) continue;
      const std::optional<std::string> day = dayTextOf(head[2]);
      if (!day) continue;
      writer.startRow(head[0], head[1], *day);
      // A plain reading is a part of its cell: the rest of the row bounds their sizes.
      writer.makeRoom(24, static_cast<std::size_t>(end - p));
      for (int h = 0; h < 24 && more; ++h) {
        std::string_view number;
        const char* const cellEnd = scanCell(p, end, number);
        if (!number.empty()) {
          writer.line(h, number);
        } else if (const std::optional<std::string_view> value =
                       valueOf(std::string_view(p, static_cast<std::size_t>(cellEnd - p)), made)) {
          writer.makeRoom(static_cast<std::size_t>(24 - h),
                          value->size() + static_cast<std::size_t>(end - p));
          writer.line(h, *value);
        }
        more = cellEnd != end;
        p = more ? cellEnd + 1 : end;
      }
    } else {
      splitRow(row, f);
      if (f.size() < 3) continue;
      if (i == kFirstRow && f[0].size() > 8) f[0].remove_prefix(f[0].size() - 8);
      const std::optional<std::string> day = dayTextOf(f[0]);
      const std::optional<std::string_view> value = valueOf(f[2], made);
      if (day && value) {
        writer.startRow(station, sensor, *day);
        writer.makeRoom(1, value->size());
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
