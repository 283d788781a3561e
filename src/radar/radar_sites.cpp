#include "radar/radar_sites.h"

#include <cmath>

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "radar/colour_tables.h"

namespace fw {

namespace {

constexpr double kDegreesPerRadian = 57.2957795;
constexpr double kMilesPerDegree = 69.0933;  // along a meridian
// A single radar's box loses 25/500 of its width at the top and at the bottom.
constexpr double kSingleRadarTrim = 25.0 / 500.0;

bool isMosaic(const std::string& siteId) {
  return vb::InStr(siteId, "ZZ") > 0;
}

}  // namespace

RadarSiteTable parseRadarSites(const std::string& text, std::vector<std::string>* skipped) {
  RadarSiteTable table;
  const std::vector<std::string> lines = splitTableLines(text);
  for (std::size_t i = 1; i < lines.size(); ++i) {  // line 0 is the title
    const std::vector<std::string> f = vb::Split(lines[i], "\t");
    if (f.size() < 6) continue;
    try {
      RadarSite site;
      site.State = f[0];
      site.SiteId = f[1];
      site.Name = f[2];
      site.Latitude = vb::CSng(f[3]);
      site.Longitude = vb::CSng(f[4]);
      site.Number = vb::CSng(f[5]);
      if (f.size() >= 8) {
        site.BoxMiles = vb::CSng(f[6]);
        site.ImageSize = vb::CInt(static_cast<double>(vb::CSng(f[7])));
      }
      table.sites.push_back(std::move(site));
    } catch (const vb::Error& e) {
      if (skipped) skipped->push_back("line " + std::to_string(i + 1) + " (" + e.description() + "): " + lines[i]);
    }
  }
  return table;
}

bool ReadRadarSitesMosaics(RadarSiteTable& table, const std::filesystem::path& programFolder, const RadarIo& io) {
  const std::filesystem::path path = programFolder / kRadarSitesFile;
  std::string text;
  try {
    text = vb::readAllBytes(path);
  } catch (const vb::Error& e) {
    radarNotice(io, e.number() == vb::err::FileNotFound ? path.string() + " not found."
                                                         : path.string() + ": " + e.description());
    return false;
  }
  std::vector<std::string> skipped;
  table = parseRadarSites(text, &skipped);
  for (const std::string& line : skipped) radarNotice(io, path.string() + " " + line + " is not a radar site.");
  return true;
}

void ensureRadarSites(RadarSiteTable& table, const std::filesystem::path& programFolder, const RadarIo& io) {
  if (table.empty()) ReadRadarSitesMosaics(table, programFolder, io);
}

int FindRadarSite(const RadarSiteTable& table, const std::string& siteId) {
  for (std::size_t i = 0; i < table.sites.size(); ++i)
    if (table.sites[i].SiteId == siteId) return static_cast<int>(i) + 1;
  return 0;
}

std::string RadarSiteBox(const RadarSiteTable& table, double& miles, const std::string& siteId) {
  const int i = FindRadarSite(table, siteId);
  if (i == 0)
    throw vb::Error(vb::err::SubscriptOutOfRange,
                    "Subscript out of range: the radar site " + siteId + " is not in " + kRadarSitesFile);
  const RadarSite& site = table.sites[static_cast<std::size_t>(i - 1)];
  const bool mosaic = isMosaic(siteId);
  if (mosaic) miles = site.BoxMiles;
  const double halfWidth = miles / std::cos(site.Latitude / kDegreesPerRadian) / kMilesPerDegree;
  const double minLon = site.Longitude - halfWidth;
  const double maxLon = site.Longitude + halfWidth;
  const double width = maxLon - minLon;
  double minLat = site.Latitude - width / 2;
  double maxLat = site.Latitude + width / 2;
  if (!mosaic) {
    const double trim = kSingleRadarTrim * width;
    maxLat -= trim;
    minLat += trim;
  } else {
    miles = site.ImageSize;
  }
  return vb::CStr(minLon) + "," + vb::CStr(minLat) + "," + vb::CStr(maxLon) + "," + vb::CStr(maxLat);
}

}  // namespace fw
