#pragma once
// The radar site table: radar sites and mosaic regions with their position, from
// "RadarSitesMosaics.txt" in the program folder, and the latitude/longitude box of a map-service
// request around one of them.
//
// The file: a title line, then one line per site, TAB-separated: state or region, site ID (a radar
// code, or a mosaic code holding "ZZ"), name, latitude, longitude (decimal degrees, negative
// west), a further number, and for mosaics the box half-size in miles and the image size in
// pixels. A line with fewer than 6 fields is no site.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "radar/radar_io.h"

namespace fw {

inline constexpr const char* kRadarSitesFile = "RadarSitesMosaics.txt";

struct RadarSite {
  std::string State;
  std::string SiteId;
  std::string Name;
  double Latitude = 0;   // degrees, read at single precision
  double Longitude = 0;  // degrees, negative west, read at single precision
  float Number = 0;      // the further number no routine reads
  float BoxMiles = 0;    // mosaics: half the box's size, miles
  int16_t ImageSize = 0;  // mosaics: the image's width and height, pixels
};

// The sites in file order. Its count is always the number of sites it holds, so it can never be
// counted but empty.
struct RadarSiteTable {
  std::vector<RadarSite> sites;
  int16_t count() const { return static_cast<int16_t>(sites.size()); }
  bool empty() const { return sites.empty(); }
};

// The sites of the file's text. A line whose numbers do not read as numbers is left out and named
// in `skipped` (the line's index and text), so one typing slip does not lose the whole table.
RadarSiteTable parseRadarSites(const std::string& text, std::vector<std::string>* skipped = nullptr);

// Loads the table from the program folder. A missing file is said ("<path> not found.", a box, or
// the error log in batch) and leaves the table as it was; a line left out is said the same way.
// True when the file was read.
bool ReadRadarSitesMosaics(RadarSiteTable& table, const std::filesystem::path& programFolder, const RadarIo& io);
// Loads the table when it holds no site yet (a radar line needs it).
void ensureRadarSites(RadarSiteTable& table, const std::filesystem::path& programFolder, const RadarIo& io);

// The 1-based index of the first site whose ID is exactly `siteId` (case counts); 0 when absent.
int FindRadarSite(const RadarSiteTable& table, const std::string& siteId);

// The box around a site for a map-service request: "minlon,minlat,maxlon,maxlat" in the plain
// number-to-text form. `miles` is the half-size asked for (150 for a single radar); a mosaic code
// ("ZZ") takes the table's box size instead, and `miles` comes back as the mosaic's image size in
// pixels. A single radar's box is made a little shorter than wide. A site that is not in the table
// raises vb::Error 9 "Subscript out of range" naming the site; no box is made.
std::string RadarSiteBox(const RadarSiteTable& table, double& miles, const std::string& siteId);

}  // namespace fw
