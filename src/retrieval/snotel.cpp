#include "retrieval/snotel.h"

#include <exception>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/get_url.h"
#include "retrieval/request_template.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr const char* kReportPath =
    "/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-33,0/WTEQ::value";
// A data row's date is longer than this: a comma at or before it belongs to another line kind.
constexpr int kShortestDate = 14;

std::string withoutCr(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int32_t wholeDayOfBox(const std::string& text) {
  return static_cast<int32_t>(vb::Int(vb::CDate(vb::Left(text, 10))));
}

}  // namespace

std::string snotelRequest(bool realtime, bool unitValues, const std::string& station,
                          const std::string& state, const std::string& element, int32_t dayCount,
                          int32_t beginDay, int32_t runDay) {
  const std::string site = percentEncode(station);
  const std::string st = percentEncode(state);
  if (realtime) {
    const std::string hours = dayCount == 0 ? std::string("-24") : vb::CStr(dayCount * -24);
    return fillTemplate(kReportPath,
                        {{"927", site}, {"AZ", st}, {"-33", hours}, {"WTEQ", percentEncode(element)}});
  }
  if (unitValues)
    return "/nwcc/sntl-datarpt.jsp?site=" + site + "&days=" + vb::CStr(runDay - beginDay + 2) +
           "&state=" + st;
  return "/nwcc/sntl-data0000.jsp?site=" + site + "&days=0&state=" + st;
}

std::string snotelTransform(const std::string& reply, int32_t beginDay, bool& report) {
  report = false;
  const int hash = vb::InStr(reply, "#");
  if (reply.empty() || hash == 0 || hash > 3) return {};
  const std::vector<std::string> lines = vb::Split(reply, "\n");
  std::size_t gmt = 0;
  for (std::size_t i = 1; i < lines.size() && gmt == 0; ++i)
    if (vb::InStr(lines[i], "GMT") > 0) gmt = i;
  if (gmt == 0) return {};
  report = true;
  std::string out = std::string(kSnotelHeader) + "\n";
  // Every line after the header line, the last one too: a reply without a final line break
  // still holds its newest value there.
  for (std::size_t i = gmt + 1; i < lines.size(); ++i) {
    const std::string line = withoutCr(lines[i]);
    const int comma = vb::InStr(line, ",");
    if (comma <= kShortestDate) continue;
    const std::string date = vb::Left(line, comma - 1);
    std::string value = vb::Mid(line, comma + 1);
    if (const int next = vb::InStr(value, ","); next > 0) value = vb::Left(value, next - 1);
    if (vb::Int(vb::CDate(date)) < beginDay) continue;
    out += "Z\t" + date + "\t" + value + "\n";
  }
  return out;
}

void GetSNOTEL(Session& s, SourceCall& c) {
  c.DateValues = {};
  c.RetrievalText.clear();
  c.DateFieldIndex = 1;
  if (c.ValueColumns.empty()) c.ValueColumns.resize(1, 0);
  c.ValueColumns[0] = 2;
  try {
    const int32_t runDay = static_cast<int32_t>(s.RunDay);
    int32_t beginDay = runDay - c.DayCount;
    if (!s.RealtimeMode) beginDay = wholeDayOfBox(s.form.TextBegindate.Text);
    const bool realtime = s.RealtimeMode;
    const std::string base = serverBase(s, realtime ? kSnotelService : kSnotelPagesService);
    const std::string url = base + snotelRequest(realtime, s.UnitValues, c.StationId, vb::UCase(s.SiteState),
                                                 c.ParameterCode, c.DayCount, beginDay, runDay);
    const std::string reply = GetURL(s, url, false);
    bool report = false;
    c.RetrievalText = snotelTransform(reply, beginDay, report);
    if (!report && s.InternetFailed) c.SnotelStop = true;
  } catch (const std::exception& e) {
    c.RetrievalText.clear();
    s.LastError = c.StationId + c.ParameterCode + e.what();
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
  }
}

}  // namespace fw
