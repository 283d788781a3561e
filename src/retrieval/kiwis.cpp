#include "retrieval/kiwis.h"

#include <cctype>
#include <exception>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/get_url.h"
#include "retrieval/request_template.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr const char* kRequestTemplate =
    "STATION_ID/KiWIS/KiWIS?service=kisters&type=queryServices&request=getTimeseriesValues&datasource=0&"
    "format=Ascii&ts_id=KTS_ID&from=S_DATE&to=E_DATE";
constexpr const char* kCredentials = "&kiUser=UNAME&kiPassword=PW";

bool isDigit(char ch) {
  return std::isdigit(static_cast<unsigned char>(ch)) != 0;
}

// Hours the stamp's own zone is ahead of UTC: what follows the minutes (":ss", ".fff" and then
// "Z", "+hh:mm", "-hhmm" or "+hh"); 0 for UTC or no zone.
double stampZoneHours(const std::string& stamp) {
  std::size_t i = 16;
  while (i < stamp.size() && (isDigit(stamp[i]) || stamp[i] == ':' || stamp[i] == '.')) ++i;
  if (i >= stamp.size() || (stamp[i] != '+' && stamp[i] != '-')) return 0;
  const double sign = stamp[i] == '-' ? -1 : 1;
  std::string digits;
  for (std::size_t k = i + 1; k < stamp.size(); ++k) {
    if (isDigit(stamp[k]))
      digits += stamp[k];
    else if (stamp[k] != ':')
      break;
  }
  if (digits.size() != 2 && digits.size() != 4) vb::raise(vb::err::TypeMismatch);
  const double hours =
      std::stoi(digits.substr(0, 2)) + (digits.size() == 4 ? std::stoi(digits.substr(2)) / 60.0 : 0);
  return sign * hours;
}

}  // namespace

std::string kiwisRequest(const std::string& server, const std::vector<std::string>& codes, int32_t firstDay,
                         int32_t lastDay, double offsetHours) {
  const std::string from = vb::Format(firstDay + offsetHours / 24.0, "yyyy-mm-dd");
  const std::string to = vb::Format(lastDay + 1 + offsetHours / 24.0, "yyyy-mm-dd");
  std::string pattern = kRequestTemplate;
  std::vector<std::pair<std::string, std::string>> values = {
      {"STATION_ID", server},
      {"S_DATE", from},
      {"E_DATE", to},
      {"KTS_ID", percentEncode(codes.empty() ? "" : codes[0])}};
  if (codes.size() >= 3) {
    pattern += kCredentials;
    values.push_back({"UNAME", percentEncode(codes[1])});
    values.push_back({"PW", percentEncode(codes[2])});
  }
  return fillTemplate(pattern, values);
}

std::string kiwisTransform(const std::string& reply, const std::string& tsId, int32_t firstDay,
                           int32_t lastDay, double offsetHours) {
  std::string out = tsId + "\n";
  const std::vector<std::string> lines = vb::Split(reply, "\n");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (vb::Left(line, 1) == "#") continue;
    const int tab = vb::InStr(line, "\t");
    if (tab == 0) continue;
    const std::string value = vb::Mid(line, tab + 1);
    const std::string stamp = vb::Left(line, tab - 1);
    const vb::VbDate utc =
        vb::CDate(vb::Replace(vb::Left(stamp, 16), "T", " ")) - stampZoneHours(stamp) / 24.0;
    const vb::VbDate local = vb::roundToSecond(utc - offsetHours / 24.0);
    if (local < firstDay || local >= lastDay + 1) continue;
    out += "Z\t" + vb::Format(local, "yyyy-mm-dd hh:mm") + "\t" + value + "\n";
  }
  return out;
}

void GetKiWIS(Session& s, SourceCall& c) {
  c.RetrievalText.clear();
  c.Error.clear();
  c.DateFieldIndex = 1;
  const std::string server = vb::Trim(c.SiteText);
  const std::string scheme = vb::LCase(vb::Left(server, 8));
  if (scheme.rfind("http://", 0) != 0 && scheme != "https://") {
    c.Error = "--The KiWIS server \"" + server +
              "\" in the site's source column does not begin with http:// or https://; nothing was asked.";
    return;
  }
  try {
    bool daylight = false;
    const double offsetHours = TZOffset(s, daylight);
    if (!s.RealtimeMode) {
      c.FirstDay = static_cast<int32_t>(vb::Int(vb::CDate(vb::Left(s.form.TextBegindate.Text, 10))));
      c.LastDay = static_cast<int32_t>(vb::Int(vb::CDate(vb::Left(s.form.TextEnddate.Text, 10))));
      c.DayCount = c.LastDay - c.FirstDay;
    }
    std::vector<std::string> codes;
    for (const std::string& code : c.ParameterCodes) codes.push_back(vb::Trim(code));
    if (codes.empty()) codes.push_back(vb::Trim(c.ParameterCode));
    const std::string url = kiwisRequest(server, codes, c.FirstDay, c.LastDay, offsetHours);
    const std::string reply = GetURL(s, url, false);
    c.RetrievalText = kiwisTransform(reply, codes[0], c.FirstDay, c.LastDay, offsetHours);
  } catch (const std::exception& e) {
    // The description never holds the request: the credentials stay out of every message.
    c.RetrievalText.clear();
    c.Error = std::string("--") + e.what();
  }
}

}  // namespace fw
