#include "retrieval/usgs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"
#include "retrieval/usgs_waterdata.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr std::size_t kShortReply = 1500;  // a reply below this many bytes holds no data rows
constexpr int kMinLines = 8;               // comments, header and format line come first
constexpr int kMaxFillSteps = 13;          // 5-minute steps written for one row at most
constexpr const char* kNoData = "Gage has no matching data";

bool isValueLine(const std::vector<std::string>& f) {
  return f.size() >= 3 && f[0] == "Z";
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The header's value column of the parameter: "<series number>_<code>" (its qualifier column
// ends in "_cd"). 0 when the header names none.
std::size_t headerColumn(const std::vector<std::string>& header, const std::string& code) {
  if (code.empty()) return 0;
  const std::string tail = "_" + code;
  for (std::size_t k = 1; k < header.size(); ++k) {
    const std::string& name = header[k];
    if (name.size() > tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0 &&
        allDigits(std::string_view(name).substr(0, name.size() - tail.size())))
      return k;
  }
  return 0;
}

// The value column: the header's column of the line's parameter code, when the first row has it;
// else the first field after the time-zone column that holds a reading. An empty field is passed
// over only when the header names it a code column ("..._cd"), so a first row without a reading
// still points at its value column rather than its qualifier.
int16_t valueColumn(const std::vector<std::string>& f, const std::vector<std::string>& header,
                    const std::string& code) {
  std::size_t tz = 3;
  while (tz < f.size() && f[tz].find('T') == std::string::npos) ++tz;
  if (tz >= f.size()) return 0;
  if (const std::size_t named = headerColumn(header, code); named > tz && named < f.size())
    return static_cast<int16_t>(named);
  for (std::size_t k = tz + 1; k < f.size(); ++k) {
    if (!f[k].empty()) return static_cast<int16_t>(k);
    const bool codeColumn =
        k < header.size() && header[k].size() >= 3 && header[k].compare(header[k].size() - 3, 3, "_cd") == 0;
    if (!header.empty() && !codeColumn) return static_cast<int16_t>(k);
  }
  return 0;
}

// The gauge's parameter codes, each trimmed and padded to five digits ("60" is "00060").
std::vector<std::string> paddedCodes(const std::string& parameterCode) {
  std::vector<std::string> codes;
  for (const std::string& raw : vb::Split(parameterCode, ",")) {
    std::string code = vb::Trim(raw);
    if (code.size() > 5) vb::raise(vb::err::InvalidProcedureCall);
    codes.push_back(std::string(5 - code.size(), '0') + code);
  }
  return codes;
}

std::string joinEncoded(const std::vector<std::string>& codes) {
  std::string out;
  for (std::size_t i = 0; i < codes.size(); ++i) out += (i ? "," : "") + percentEncode(codes[i]);
  return out;
}

// A short reply that still holds a data row is a reply with data.
bool holdsDataRow(const std::string& reply) {
  return reply.compare(0, 5, "USGS\t") == 0 || reply.find("\nUSGS\t") != std::string::npos;
}

// The legacy page's error text: what follows "description</b>" up to the next "</".
std::string legacyDescription(const std::string& reply) {
  const int at = vb::InStr(reply, "description</b>");
  const int start = at + 15;
  const int end = vb::InStr(start, reply, "</");
  if (end == 0) return kNoData;
  std::string text = vb::Mid(reply, start, end - start);
  return text.empty() ? kNoData : text;
}

// The legacy service's own word that it is gone: 404 or 410, but not its 404 for a site it
// does not know ("No sites found matching all criteria").
bool serviceGone(const UrlReply& answer) {
  return (answer.status == 410 || answer.status == 404) && answer.text.find("No sites found") == std::string::npos;
}

// Appends the text with every "USGS" made "Z": data rows become value lines.
void appendAgencyToZ(std::string& out, std::string_view text) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find("USGS", from);
    if (at == std::string_view::npos) break;
    out.append(text, from, at - from);
    out += 'Z';
    from = at + 4;
  }
  out.append(text, from, std::string_view::npos);
}

std::string agencyToZ(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendAgencyToZ(out, text);
  return out;
}

// The header line ("agency_cd...") names the columns the value search reads.
void noteHeader(const std::string& line, const std::vector<std::string>& f, std::vector<std::string>& header) {
  if (!header.empty() || line.compare(0, 9, "agency_cd") != 0) return;
  header = f;
  if (!header.empty() && !header.back().empty() && header.back().back() == '\r') header.back().pop_back();
}

// The date field ("yyyy-mm-dd hh:mm", field 2) of a data row, or nothing for any other line.
std::string_view rowStamp(std::string_view line) {
  if (line.compare(0, 5, "USGS\t") != 0) return {};
  const std::size_t from = line.find('\t', 5);
  if (from == std::string_view::npos) return {};
  const std::size_t to = line.find('\t', from + 1);
  return line.substr(from + 1, to == std::string_view::npos ? std::string_view::npos : to - from - 1);
}

// Rows stamped at or before a clock time already read (the hour the reply repeats when daylight
// time ends) are counted, with the day of the first.
void noteRepeat(std::string_view stamp, std::string& latest, UsgsText& out) {
  if (stamp.empty()) return;
  if (!latest.empty() && stamp <= std::string_view(latest)) {
    if (out.RepeatedReadings++ == 0) out.RepeatedDay = std::string(stamp.substr(0, 10));
    return;
  }
  latest.assign(stamp);
}

void countRepeats(std::string_view rows, UsgsText& out) {
  std::string latest;
  for (std::size_t start = 0; start < rows.size();) {
    std::size_t end = rows.find('\n', start);
    if (end == std::string_view::npos) end = rows.size();
    noteRepeat(rowStamp(rows.substr(start, end - start)), latest, out);
    start = end + 1;
  }
}

// The unit-value text, "USGS" made "Z": value rows dated before beginDay emptied (their line
// stays, empty), the rest as it came. Only the lines up to the first row of the window are read;
// the value column is found on the first value row.
std::string unitRows(const std::string& reply, int32_t beginDay, const std::string& code, UsgsText& out) {
  int16_t& valueField = out.ValueField;
  std::string result;
  result.reserve(reply.size());
  std::vector<std::string> header;
  const std::string_view text(reply);
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = agencyToZ(text.substr(start, end - start));
    const std::vector<std::string> f = vb::Split(line, "\t");
    noteHeader(line, f, header);
    if (isValueLine(f)) {
      if (valueField == 0) valueField = valueColumn(f, header, code);
      if (vb::Int(vb::CDate(f[2])) >= beginDay) {
        appendAgencyToZ(result, text.substr(start));
        countRepeats(text.substr(start), out);
        return result;
      }
    } else {
      result += line;
    }
    if (end == text.size()) return result;
    result += '\n';
    start = end + 1;
  }
}

// A 5-minute step's date, "mm-dd-yyyy hh:mm", from whole seconds since the calendar's day 0.
void appendStepDate(std::string& out, int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const vb::CivilDateTime c = vb::toCivil(static_cast<vb::VbDate>(days));
  const int minutes = static_cast<int>(rest / 60);
  char text[24];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d", c.month, c.day, c.year, minutes / 60, minutes % 60);
  out += text;
}

// Two to four digits at text[at..at+n) as a number, or -1.
int digitsAt(std::string_view text, std::size_t at, std::size_t n) {
  int value = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// A row's date: the "yyyy-mm-dd hh:mm" the service writes is read directly; any other form goes
// through the general date reader.
vb::VbDate rowDate(const std::string& text) {
  if (text.size() == 16 && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':') {
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    const int hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2);
    if (year >= 100 && month >= 1 && month <= 12 && day >= 1 && day <= vb::daysInMonth(year, month) &&
        hour >= 0 && hour < 24 && minute >= 0 && minute < 60)
      return vb::fromCivil({year, month, day, hour, minute, 0});
  }
  return vb::CDate(text);
}

// Splits a line at TAB into fields, reusing the strings of the last line.
void splitFields(std::string_view line, std::vector<std::string>& f) {
  std::size_t n = 0;
  std::size_t from = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', from);
    const std::string_view field = line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from);
    if (n == f.size()) f.emplace_back();
    f[n++].assign(field);
    if (tab == std::string_view::npos) break;
    from = tab + 1;
  }
  f.resize(n);
}

// The real-time request of a gauge line: the instantaneous-values service, or the older page once
// the run has switched to it.
std::string realtimeAddress(const Session& s, const std::string& siteText, const std::string& codes, int32_t days) {
  const std::string begin = vb::Format(s.RunDateTime - days, "yyyy-mm-dd");
  const std::string end = vb::Format(s.RunDateTime + 1, "yyyy-mm-dd");
  if (!s.UsgsLegacyServer)
    return serverBase(s, kUsgsService) + "/nwis/iv/?sites=" + siteText + "&parameterCd=" + codes + "&startDT=" + begin +
           "&endDT=" + end + "&siteStatus=all&format=rdb";
  return serverBase(s, kUsgsLegacyService) + "/nwis/uv?cb_" + codes + "=on&format=rdb&site_no=" + siteText +
         "&legacy=1&period=&begin_date=" + begin + "&end_date=" + end;
}

}  // namespace

void FiveMinuteSteps::add(const std::vector<std::string>& f, std::size_t dateField, std::string& out) {
  add(f, dateField, vb::CDate(f.at(dateField)), out);
}

void FiveMinuteSteps::add(const std::vector<std::string>& f, std::size_t dateField, vb::VbDate when,
                          std::string& out) {
  const int64_t at = std::llround(when * 86400.0);
  if (!started_) {
    expected_ = at;
    started_ = true;
    return;
  }
  int steps = 0;
  while (at - expected_ > 60 && steps < kMaxFillSteps) {
    expected_ += 300;
    for (std::size_t k = 0; k < f.size(); ++k) {
      if (k) out += '\t';
      if (k == dateField) appendStepDate(out, expected_);
      else out += f[k];
    }
    out += '\n';
    ++steps;
  }
  // After a gap longer than the fill, the next row's steps start from this row's time.
  if (at - expected_ > 60) expected_ = at;
}

UsgsText usgsTransform(const std::string& reply, int32_t beginDay, bool daily, bool fiveMinute,
                       const std::string& parameterCode) {
  UsgsText out;
  if (daily) {
    out.text = agencyToZ(reply);
    out.ValueField = 3;
    return out;
  }
  const auto lineCount = std::count(reply.begin(), reply.end(), '\n') + 1;
  if (!fiveMinute) {
    out.text = lineCount >= kMinLines ? unitRows(reply, beginDay, parameterCode, out) : agencyToZ(reply);
    return out;
  }
  const std::string text = agencyToZ(reply);
  std::string result = "USGS data at 5-min step\n";
  result.reserve(text.size() * 3);
  if (lineCount >= kMinLines) {
    std::vector<std::string> header;
    std::vector<std::string> f;
    std::string line;
    std::string latest;
    FiveMinuteSteps steps;
    for (std::size_t start = 0; start <= text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      line.assign(text, start, end - start);
      start = end + 1;
      splitFields(line, f);
      noteHeader(line, f, header);
      if (!isValueLine(f)) continue;
      if (out.ValueField == 0) out.ValueField = valueColumn(f, header, parameterCode);
      const vb::VbDate when = rowDate(f[2]);
      if (vb::Int(when) < beginDay) continue;
      noteRepeat(f[2], latest, out);
      if (f.size() <= 3) continue;
      steps.add(f, 2, when, result);
    }
  }
  out.text = std::move(result);
  return out;
}

std::string usgsRequestAddress(const Session& s, const SourceCall& c) {
  if (!s.RealtimeMode || s.UsgsWaterData) return {};
  std::string site = c.StationId;
  if (const int comma = vb::InStr(site, ","); comma > 0) site = vb::Trim(vb::Left(site, comma - 1));
  return realtimeAddress(s, percentEncode(site), joinEncoded(paddedCodes(c.ParameterCode)),
                         c.DayCount == 0 ? 1 : c.DayCount);
}

void GetUSGS(Session& s, SourceCall& c) {
  c.RetrievalText.clear();
  c.Error.clear();
  c.DateFieldIndex = 2;
  c.ValueFieldIndex = 0;
  try {
    std::string site = c.StationId;
    bool fiveMinute = false;
    if (const int comma = vb::InStr(site, ","); comma > 0) {
      site = vb::Trim(vb::Left(site, comma - 1));
      fiveMinute = true;
    }
    const bool unitValuesChosen = s.form.Option1[1].Value;
    if (c.DayCount > 119 && unitValuesChosen)
      notify(s, "Number of days exceeds 119 days USGS realtime limit, wait and see.");
    const std::vector<std::string> padded = paddedCodes(c.ParameterCode);
    const std::string codes = joinEncoded(padded);
    const std::string siteText = percentEncode(site);

    bool daily = false;
    int32_t beginDay = 0;
    int32_t endDay = 0;
    std::string reply;
    bool waterData = s.UsgsWaterData;
    for (int attempt = 0;; ++attempt) {
      std::string url;
      if (s.RealtimeMode) {
        const int32_t days = c.DayCount == 0 ? 1 : c.DayCount;
        beginDay = static_cast<int32_t>(vb::Int(s.RunDateTime - days));
        endDay = static_cast<int32_t>(vb::Int(s.RunDateTime + 1));
        if (waterData) break;
        url = realtimeAddress(s, siteText, codes, days);
      } else {
        const std::string begin = vb::Left(s.form.TextBegindate.Text, 10);
        const std::string end = vb::Left(s.form.TextEnddate.Text, 10);
        beginDay = static_cast<int32_t>(vb::Int(vb::CDate(begin)));
        endDay = static_cast<int32_t>(vb::Int(vb::CDate(end)));
        daily = !unitValuesChosen;
        if (waterData && !daily) break;
        url = serverBase(s, kUsgsService) + (daily ? "/nwis/dv/?sites=" : "/nwis/iv/?sites=") + siteText +
              (daily ? "&startDT=" : "&startDt=") + percentEncode(begin) + "&endDT=" + percentEncode(end) +
              "&parameterCd=" + codes + "&format=rdb";
      }
      const UrlReply answer = GetURLReply(s, url, false);
      reply = answer.text;
      if (!daily && serviceGone(answer)) {
        if (!s.UsgsGoneNoted)
          s.errlog.writeLine(site + " the USGS instantaneous-values service answered HTTP " +
                             std::to_string(answer.status) +
                             " (gone); gauge lines try the USGS Water Data API (\"USGS Service=Water Data\").");
        s.UsgsGoneNoted = true;
        waterData = true;
        break;
      }
      if (reply.size() >= kShortReply || holdsDataRow(reply)) break;
      // A download that failed says why itself; it says nothing about the service's servers.
      if (s.InternetFailed || !s.BrokenDownload.empty()) {
        c.Error = s.LastError;
        return;
      }
      if (!s.UsgsLegacyServer && vb::InStr(reply, "agency_cd") > 0) {
        c.Error = kNoData;
        return;
      }
      if (!s.UsgsLegacyServer && attempt == 0) {
        s.errlog.writeLine(site + " USGS switched to slower waterdata server.");
        s.UsgsLegacyServer = true;
        continue;
      }
      vb::writeScratchBytes(s.inProgramFolder(kUsgsCopyName), reply);
      c.Error = legacyDescription(reply);
      return;
    }

    if (waterData && !daily) {
      reply = waterDataReply(s, c, site, padded, beginDay, endDay);
      if (!c.Error.empty()) return;
    }
    UsgsText t = usgsTransform(reply, beginDay, daily, fiveMinute, padded.empty() ? "" : padded.front());
    c.RetrievalText = std::move(t.text);
    c.ValueFieldIndex = t.ValueField;
    if (t.RepeatedReadings > 0)
      s.errlog.writeLine(site + " " + c.Dsid + " " + vb::Format(vb::CDate(t.RepeatedDay), "mm/dd/yyyy") +
                         ": " + vb::CStr(t.RepeatedReadings) +
                         " readings of the hour the clock repeats when daylight time ends were not stored "
                         "(one reading is kept per clock time).");
    vb::writeScratchBytes(s.inProgramFolder(kUsgsCopyName), c.RetrievalText);
  } catch (const vb::Error& e) {
    c.Error = e.description();
  } catch (const std::exception& e) {
    c.Error = e.what();
  }
}

}  // namespace fw
