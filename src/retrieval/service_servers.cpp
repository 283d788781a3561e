#include "retrieval/service_servers.h"

#include <algorithm>
#include <cctype>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

// Scheme, "://" and a host with an optional port: nothing the request path could be confused with.
bool isServerBase(const std::string& value) {
  const std::size_t sep = value.find("://");
  if (sep == std::string::npos) return false;
  const std::string scheme = vb::LCase(value.substr(0, sep));
  if (scheme != "http" && scheme != "https" && scheme != "ftp") return false;
  const std::string hostPort = value.substr(sep + 3);
  if (hostPort.empty()) return false;
  std::size_t hostEnd = hostPort.size();
  if (hostPort[0] == '[') {  // an IPv6 address
    hostEnd = hostPort.find(']');
    if (hostEnd == std::string::npos || hostEnd < 2) return false;
    ++hostEnd;
  } else {
    hostEnd = std::min(hostEnd, hostPort.find(':'));
    if (hostEnd == 0) return false;
    for (std::size_t i = 0; i < hostEnd; ++i) {
      const unsigned char c = static_cast<unsigned char>(hostPort[i]);
      if (!std::isalnum(c) && c != '.' && c != '-' && c != '_') return false;
    }
  }
  if (hostEnd == hostPort.size()) return true;
  if (hostPort[hostEnd] != ':' || hostEnd + 1 == hostPort.size()) return false;
  for (std::size_t i = hostEnd + 1; i < hostPort.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(hostPort[i]))) return false;
  return true;
}

}  // namespace

const std::vector<ServiceServer>& serviceServers() {
  static const std::vector<ServiceServer> rows = {
      {kUsgsService, "https://waterservices.usgs.gov"},
      {kUsgsLegacyService, "https://waterdata.usgs.gov"},
      {kUsgsWaterDataService, "https://api.waterdata.usgs.gov"},
      {kSnotelService, "https://wcc.sc.egov.usda.gov"},
      {kSnotelPagesService, "https://www.wcc.nrcs.usda.gov"},
      {kCimisService, "ftp://ftpcimis.water.ca.gov"},
      {kCoeService, "https://www.lrl-wc.usace.army.mil"},
      {kAfwsService, "https://water.weather.gov"},
      {kIowaMesonetService, "https://mesonet.agron.iastate.edu", true},
      {kWundergroundService, "https://www.wunderground.com"},
      {kMesoWestService, "https://mesowest.utah.edu"},
      {kSynopticService, "https://api.synopticdata.com"},
      {kMadisService, "https://madis-data.ncep.noaa.gov"},
      {kCdecService, "https://cdec.water.ca.gov"},
      {kHydrometService, "https://www.usbr.gov"},
      {kLowerColoradoService, "https://www.usbr.gov"},
      {kCanadaService, "https://dd.weather.gc.ca"},
      {kNwpsService, "https://api.water.noaa.gov"},
      {kNwsForecastService, "https://forecast.weather.gov"},
      {kSpotwxService, "https://spotwx.com"},
      {kSnowcastService, "https://www.nohrsc.noaa.gov"},
      {kIemRadarService, "https://mesonet.agron.iastate.edu"},
      {kMrmsService, "https://mesonet.agron.iastate.edu"},
      {kNwsRadarService, "https://radar.weather.gov"},
      {kCanadaRadarService, "https://dd.weather.gc.ca"},
      {kAviationWeatherService, "https://aviationweather.gov"},
  };
  return rows;
}

const ServiceServer* findServiceServer(const std::string& service) {
  for (const ServiceServer& row : serviceServers())
    if (service == row.service) return &row;
  return nullptr;
}

std::string serverBase(const Session& s, const std::string& service) {
  const ServiceServer* row = findServiceServer(service);
  if (!row) throw vb::Error(vb::err::InvalidProcedureCall, "no server is known for the service " + service);
  auto it = s.ServerSettings.find(service);
  return it == s.ServerSettings.end() ? std::string(row->defaultBase) : it->second;
}

std::string serverKeyText(const ServiceServer& row) {
  return std::string(row.service) + " Server=";
}

void readServerSetting(Session& s, const ServiceServer& row, const std::string& value) {
  std::string base = vb::Trim(value);
  while (!base.empty() && base.back() == '/') base.pop_back();
  if (!isServerBase(base)) {
    notify(s, serverKeyText(row) + value +
                  " is not a server address (http://, https:// or ftp:// and a host); " + row.service +
                  " requests go to " + row.defaultBase + ".");
    s.ServerSettings.erase(row.service);
    return;
  }
  s.ServerSettings[row.service] = base;
}

std::string percentEncode(const std::string& value) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size());
  for (const char ch : value) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += ch;
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

bool downloadCopyExempt(const Session& s, const std::string& url) {
  const std::string lowerUrl = vb::LCase(url);
  for (const ServiceServer& row : serviceServers()) {
    if (!row.noDownloadCopy) continue;
    const std::string base = vb::LCase(serverBase(s, row.service));
    if (lowerUrl.compare(0, base.size(), base) == 0) return true;
  }
  return false;
}

}  // namespace fw
