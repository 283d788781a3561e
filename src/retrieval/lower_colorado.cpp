#include "retrieval/lower_colorado.h"

#include <exception>
#include <filesystem>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

std::string trimmed(const std::string& text) {
  std::size_t a = 0;
  std::size_t b = text.size();
  while (a < b && (text[a] == ' ' || text[a] == '\r' || text[a] == '\n' || text[a] == '\t')) ++a;
  while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\r' || text[b - 1] == '\n' || text[b - 1] == '\t'))
    --b;
  return text.substr(a, b - a);
}

}  // namespace

std::string lowerColoradoReport(const std::string& document, const std::string& siteText,
                                const std::string& parameterCode, int32_t beginDay) {
  const std::vector<std::string> records = vb::Split(document, "]");
  for (std::size_t r = 1; r < records.size(); ++r) {
    const std::string& record = records[r];
    if (vb::InStr(record, siteText) == 0 || vb::InStr(record, parameterCode) == 0) continue;
    std::string out;
    const int name = vb::InStr(record, "SiteName");
    const int unit = vb::InStr(record, "DataTypeUnit");
    if (name > 0 && unit > name + 10)
      out = trimmed(vb::Replace(vb::Mid(record, name + 10, unit - 2 - (name + 10)), "\"", ""));
    out += "\n";
    const std::vector<std::string> items = vb::Split(record, "}");
    for (std::size_t i = 2; i < items.size(); ++i) {
      const std::vector<std::string> parts = vb::Split(vb::Replace(items[i], "\"", ""), ",");
      if (parts.size() < 3) continue;
      const std::string date = vb::Mid(parts[1], 4);
      const std::string value = trimmed(vb::Mid(parts[2], 3));
      if (vb::Len(date) <= 15 || value.empty()) continue;
      const std::optional<vb::VbDate> when = vb::parseDate(trimmed(date));
      if (!when || *when <= beginDay) continue;
      out += "Z\t" + vb::Format(*when, "yyyy/mm/dd hh:mm") + "\t" + value + "\n";
    }
    return out;
  }
  return siteText + ", " + parameterCode + " Not found";
}

std::string lowerColoradoDatabase(const std::string& page) {
  std::string out;
  const std::vector<std::string> lines = vb::Split(page, "<BR>");
  bool rows = false;
  for (const std::string& line : lines) {
    if (!rows) {
      rows = vb::InStr(line, "DATETIME") > 0;
      continue;
    }
    const std::vector<std::string> p = vb::Split(line, ",");
    if (p.size() < 3 || vb::InStr(p[2], "Na") > 0) continue;
    double value = vb::Val(p[2]);
    if (p.size() == 5)
      value += vb::Val(p[3]) + vb::Val(p[4]);
    else if (p.size() >= 4)
      value += vb::Val(p[3]);
    out += "Z\t" + trimmed(p[0]) + "\t" + vb::FormatNumber(value, "0") + "\n";
  }
  return out;
}

void UsbrLC(Session& s, SourceCall& c) {
  c.Error.clear();
  // The previous line's text must never be stored under this line, also when this one fails.
  c.RetrievalText.clear();
  const bool newStation = c.StationId != c.RetrievalCacheId;
  try {
    const int dash = vb::InStr(c.StationId, "-");
    if (dash == 0) {
      const std::filesystem::path cache = s.inProgramFolder(kLowerColoradoCacheName);
      std::string document;
      if (newStation) {
        auto it = s.ServerSettings.find(kLowerColoradoReportKey);
        if (it == s.ServerSettings.end() || it->second.empty())
          throw vb::Error(vb::err::InvalidProcedureCall,
                          "no hourly report is named: set \"Lower Colorado Report=\" in the setup file");
        std::string path = it->second;
        if (path[0] != '/') path = "/" + path;
        document = GetURL(s, serverBase(s, kLowerColoradoService) + path, false);
        vb::writeAllBytes(cache, document);
      } else {
        document = vb::readAllBytes(cache);
      }
      c.RetrievalText = lowerColoradoReport(document, c.SiteText, c.ParameterCode, c.FirstDay);
    } else {
      const vb::VbDate day = vb::Int(s.RunDay);
      const std::string url =
          serverBase(s, kLowerColoradoService) +
          "/pn-bin/hdb/hdb.pl?svr=lchdb&sdi=" + percentEncode(vb::Mid(c.StationId, dash + 1)) +
          "&tstp=HR&t1=" + vb::Format(day, "yyyy-mm-dd") +
          "&t2=" + vb::Format(day + c.DayCount, "yyyy-mm-dd") + "&table=M&mrid=2&format=1";
      c.RetrievalText = lowerColoradoDatabase(GetURL(s, url, false));
    }
    c.RetrievalCacheId = c.StationId;
    vb::writeScratchBytes(std::filesystem::current_path() / kLowerColoradoCopyName, c.RetrievalText);
  } catch (const vb::Error& e) {
    c.Error = e.description();
  } catch (const std::exception& e) {
    c.Error = e.what();
  }
  if (!c.Error.empty()) {
    s.LastError = c.StationId + " " + c.Error;
    s.errlog.writeLine(s.LastError);
  }
}

}  // namespace fw
