#include "retrieval/usgs_waterdata.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

#include "app/session.h"
#include "platform/clock.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

using nlohmann::json;

constexpr const char* kItemsPath = "/ogcapi/v0/collections/continuous/items";
constexpr int kPageSize = 10000;      // features a page asks for (the service's largest page)
constexpr int kMostPages = 100;       // pages one code may take before the line gives up
constexpr int kMostRetryAfterS = 60;  // the longest wait a rate limit is given
constexpr const char* kNoData = "Gage has no matching data";
constexpr const char* kWhere = "USGS Water Data: ";
constexpr int64_t kUnixEpochDay = 25569;  // 1970-01-01 as a day number

[[noreturn]] void fault(const std::string& what) {
  throw vb::Error(vb::err::InvalidProcedureCall, kWhere + what);
}

int digits(const std::string& t, std::size_t at, std::size_t n, bool& ok) {
  int v = 0;
  if (at + n > t.size()) {
    ok = false;
    return 0;
  }
  for (std::size_t i = at; i < at + n; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) ok = false;
    v = v * 10 + (t[i] - '0');
  }
  return v;
}

// "yyyy-mm-ddThh:mm[:ss[.fff]][Z|+hh:mm|-hh:mm]" (no zone is UTC); false for anything else.
bool readInstant(const std::string& t, int64_t& epoch) {
  bool ok = t.size() >= 16 && t[4] == '-' && t[7] == '-' && (t[10] == 'T' || t[10] == ' ') && t[13] == ':';
  if (!ok) return false;
  const int y = digits(t, 0, 4, ok), mo = digits(t, 5, 2, ok), d = digits(t, 8, 2, ok);
  const int h = digits(t, 11, 2, ok), mi = digits(t, 14, 2, ok);
  int sec = 0;
  std::size_t at = 16;
  if (at < t.size() && t[at] == ':') {
    sec = digits(t, at + 1, 2, ok);
    at += 3;
    if (at < t.size() && t[at] == '.')
      for (++at; at < t.size() && std::isdigit(static_cast<unsigned char>(t[at]));) ++at;
  }
  int offset = 0;
  if (at < t.size() && (t[at] == 'Z' || t[at] == 'z')) {
    ++at;
  } else if (at < t.size() && (t[at] == '+' || t[at] == '-')) {
    const int sign = t[at] == '-' ? -1 : 1;
    const int oh = digits(t, at + 1, 2, ok);
    std::size_t m = at + 3;
    if (m < t.size() && t[m] == ':') ++m;
    const int om = digits(t, m, 2, ok);
    offset = sign * (oh * 3600 + om * 60);
    at = m + 2;
  }
  if (!ok || at != t.size() || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || sec > 60)
    return false;
  const vb::VbDate day = vb::fromCivil({y, mo, d, 0, 0, 0});
  if (vb::toCivil(day).day != d) return false;  // 31 April and the like
  const int64_t days = std::llround(day - kUnixEpochDay);
  epoch = days * 86400 + h * 3600 + mi * 60 + sec - offset;
  return true;
}

bool isNumber(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(v);
}

std::string lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

// The reply's qualifiers: null, one text, or a list of texts.
std::vector<std::string> qualifiersOf(const json& q) {
  std::vector<std::string> out;
  if (q.is_string()) {
    out.push_back(q.get<std::string>());
  } else if (q.is_array()) {
    for (const json& one : q)
      if (one.is_string()) out.push_back(one.get<std::string>());
  }
  return out;
}

// The word the RDB service writes in place of a reading the gauge could not make.
std::string missingWord(const std::vector<std::string>& qualifiers) {
  for (const std::string& q : qualifiers) {
    const std::string l = lower(q);
    if (l == "ice") return "Ice";
    if (l == "eqp" || l == "equip" || l == "equipment") return "Eqp";
  }
  return "";
}

std::string textOf(const json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// The canonical spelling of a unit text, so that the service's and the site table's agree.
std::string canonicalUnit(const std::string& unit) {
  std::string u;
  for (char ch : lower(unit))
    if (ch != ' ' && ch != '^' && ch != '.') u += ch;
  static const std::map<std::string, std::string> alias = {
      {"cfs", "ft3/s"},    {"cubicfeetpersecond", "ft3/s"},
      {"feet", "ft"},      {"foot", "ft"},
      {"cms", "m3/s"},     {"meters", "m"},
      {"metres", "m"},     {"inches", "in"},
      {"inch", "in"},      {"c", "degc"},
      {"°c", "degc"},      {"f", "degf"},
      {"°f", "degf"},      {"percent", "%"},
      {"pct", "%"},        {"mgd", "mgal/d"},
      {"acre-ft", "acft"}, {"acre-feet", "acft"},
      {"af", "acft"},      {"millimeters", "mm"},
  };
  const auto it = alias.find(u);
  return it == alias.end() ? u : it->second;
}

// The description of an OGC error reply ({"code": ..., "description": ...}), else its first words.
std::string errorText(const std::string& reply) {
  const json j = json::parse(reply, nullptr, false);
  if (j.is_object()) {
    const std::string d = textOf(j, "description");
    if (!d.empty()) return d;
  }
  return vb::Trim(vb::Left(reply, 120));
}

// The "next" link on the configured server: the key goes to that server only, whatever host a
// reply names.
std::string onServer(const std::string& base, const std::string& href) {
  std::size_t path = 0;
  if (const std::size_t scheme = href.find("://"); scheme != std::string::npos) {
    path = href.find('/', scheme + 3);
    if (path == std::string::npos) return base + "/";
  }
  return base + href.substr(path);
}

// Whole seconds of a Retry-After header, at most a minute (an HTTP date or nothing: a minute).
int retryAfterSeconds(const std::string& header) {
  if (header.empty() || !std::all_of(header.begin(), header.end(),
                                     [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); }))
    return kMostRetryAfterS;
  return std::min(std::atoi(header.c_str()), kMostRetryAfterS);
}

net::RequestHeaders keyHeader(const std::string& key) {
  std::string clean;
  for (char ch : key)
    if (static_cast<unsigned char>(ch) > 32 && ch != 127) clean += ch;
  if (clean.empty()) return {};
  return {"X-Api-Key: " + clean};
}

}  // namespace

bool sameUnit(const std::string& a, const std::string& b) {
  return canonicalUnit(a) == canonicalUnit(b);
}

WaterDataPage readContinuousPage(const std::string& reply, const std::string& unit) {
  const json j = json::parse(reply, nullptr, false);
  if (!j.is_object() || textOf(j, "type") != "FeatureCollection" || !j.contains("features") ||
      !j["features"].is_array())
    fault("the reply is not a FeatureCollection");
  WaterDataPage page;
  const json& features = j["features"];
  page.readings.reserve(features.size());
  for (const json& f : features) {
    const auto props = f.is_object() ? f.find("properties") : f.end();
    if (!f.is_object() || props == f.end() || !props->is_object()) fault("a feature has no properties");
    const std::string time = textOf(*props, "time");
    if (time.empty()) fault("a feature has no time");
    WaterDataReading r;
    if (!readInstant(time, r.epoch)) fault("the time \"" + time + "\" is not a date and time");
    const std::vector<std::string> qualifiers = qualifiersOf(props->value("qualifier", json()));
    const auto value = props->find("value");
    if (value != props->end() && value->is_string()) {
      r.value = value->get<std::string>();
    } else if (value != props->end() && value->is_number()) {
      r.value = value->dump();
    }
    if (r.value.empty()) {
      r.value = missingWord(qualifiers);
      if (r.value.empty()) fault("the reading of " + time + " has no value");
    } else if (!isNumber(r.value)) {
      fault("the value \"" + r.value + "\" of " + time + " is not a number");
    }
    if (!unit.empty()) {
      const std::string given = textOf(*props, "unit_of_measure");
      if (!given.empty() && !sameUnit(given, unit))
        fault("the unit \"" + given + "\" of " + time + " is not the line's unit \"" + unit + "\"");
    }
    const std::string approval = lower(textOf(*props, "approval_status"));
    r.flags = approval.rfind("approved", 0) == 0 ? "A" : approval.empty() ? "" : "P";
    for (const std::string& q : qualifiers) r.flags += (r.flags.empty() ? "" : ":") + q;
    page.readings.push_back(std::move(r));
  }
  if (const auto links = j.find("links"); links != j.end() && links->is_array())
    for (const json& link : *links)
      if (link.is_object() && textOf(link, "rel") == "next") page.next = textOf(link, "href");
  return page;
}

std::string waterDataRdb(const std::string& site, const std::vector<std::string>& codes,
                         const std::vector<std::vector<WaterDataReading>>& readings) {
  std::string out =
      "# Instantaneous values of the USGS Water Data API (continuous collection), in the local\n"
      "# clock time of this machine's time zone.\n#\n"
      "# Data for the following 1 site(s) are contained in this file\n#    USGS " +
      site + "\n#\n#\nagency_cd\tsite_no\tdatetime\ttz_cd";
  std::string format = "5s\t15s\t20d\t6s";
  for (std::size_t k = 0; k < codes.size(); ++k) {
    const std::string column = std::to_string(k + 1) + "_" + codes[k];
    out += "\t" + column + "\t" + column + "_cd";
    format += "\t14n\t10s";
  }
  out += "\n" + format + "\n";
  // One row per instant, the codes' readings side by side.
  std::map<int64_t, std::vector<const WaterDataReading*>> rows;
  for (std::size_t k = 0; k < readings.size() && k < codes.size(); ++k)
    for (const WaterDataReading& r : readings[k]) {
      auto& row = rows[r.epoch];
      row.resize(codes.size(), nullptr);
      if (!row[k]) row[k] = &r;
    }
  out.reserve(out.size() + rows.size() * (40 + 16 * codes.size()));
  const std::string lead = "USGS\t" + site + "\t";
  for (const auto& [epoch, row] : rows) {
    const std::time_t t = static_cast<std::time_t>(epoch);
    std::tm local{};
    if (!localtime_r(&t, &local)) continue;
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d\t", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min);
    out += lead;
    out += stamp;
    // The zone's name; one without a "T" (a bare offset) is named by its offset from UTC, so
    // the zone column can still be told from the values.
    std::string zone = local.tm_zone ? local.tm_zone : "";
    if (zone.find('T') == std::string::npos) {
      char named[48];
      const long minutes = local.tm_gmtoff / 60;
      std::snprintf(named, sizeof named, "UTC%+03ld:%02ld", minutes / 60, std::labs(minutes % 60));
      zone = named;
    }
    out += zone;
    for (const WaterDataReading* r : row) {
      out += '\t';
      if (r) out += r->value;
      out += '\t';
      if (r) out += r->flags;
    }
    out += '\n';
  }
  return out;
}

std::string utcInstantOfDay(int32_t day) {
  std::time_t t = 0;
  if (!localTimeToEpoch(static_cast<vb::VbDate>(day), t))
    t = static_cast<std::time_t>((day - kUnixEpochDay) * 86400);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return text;
}

std::string waterDataReply(Session& s, SourceCall& c, const std::string& site,
                           const std::vector<std::string>& codes, int32_t firstDay, int32_t lastDay) {
  const std::string base = serverBase(s, kUsgsWaterDataService);
  const net::RequestHeaders headers = keyHeader(s.UsgsApiKey);
  const auto started = std::chrono::steady_clock::now();
  const auto timeLimit = std::chrono::milliseconds(downloadLimits(s).totalMs);
  const std::string window = utcInstantOfDay(firstDay) + "/" + utcInstantOfDay(lastDay + 1);
  std::vector<std::vector<WaterDataReading>> readings(codes.size());
  bool any = false;
  bool waited = false;  // a rate limit is waited out once a line
  try {
    for (std::size_t k = 0; k < codes.size(); ++k) {
      std::string url = base + kItemsPath + "?monitoring_location_id=USGS-" + percentEncode(site) +
                        "&parameter_code=" + percentEncode(codes[k]) + "&time=" + window +
                        "&f=json&skipGeometry=true&limit=" + std::to_string(kPageSize);
      for (int pages = 0; !url.empty();) {
        if (pages == kMostPages) fault("the reply went on past " + std::to_string(kMostPages) + " pages");
        if (std::chrono::steady_clock::now() - started > timeLimit)
          fault("the pages took longer than the download time limit of " +
                vb::CStr(downloadLimits(s).totalMs / 1000.0) + " s");
        const UrlReply reply = GetURLReply(s, url, false, headers);
        if (s.InternetFailed || !s.BrokenDownload.empty()) {
          c.Error = s.LastError;
          return "";
        }
        if (reply.status == 429) {
          if (waited)
            fault(
                "the service limits requests (HTTP 429) and still did after a wait; \"USGS API Key=\" "
                "lifts the limit");
          waited = true;
          s.clock.sleepMs(retryAfterSeconds(reply.retryAfter) * 1000);
          continue;
        }
        if (reply.status >= 400) fault("HTTP " + std::to_string(reply.status) + ": " + errorText(reply.text));
        WaterDataPage page = readContinuousPage(reply.text, k == 0 ? c.UnitText : std::string());
        ++pages;
        any = any || !page.readings.empty();
        auto& into = readings[k];
        into.insert(into.end(), std::make_move_iterator(page.readings.begin()),
                    std::make_move_iterator(page.readings.end()));
        url = page.next.empty() ? std::string() : onServer(base, page.next);
      }
    }
  } catch (const vb::Error& e) {
    c.Error = e.description();
    return "";
  }
  if (!any) {
    c.Error = kNoData;
    return "";
  }
  return waterDataRdb(site, codes, readings);
}

}  // namespace fw
