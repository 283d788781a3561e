#pragma once
// Where radar images come from: one row per kind of source (when it is chosen, how its list of
// images is made, where each image lives), and the addresses of its listings and images as pure
// functions of the hosts, the site, the product and the times.
//
// Hosts are setup-file settings with the real public hosts as defaults: "IEM Server=" (the
// archive, its JSON image list, the map service's reflectivity and model layers, the archive's
// latest site images), "MRMS Server=" (the multi-radar rate layer), "NWS Radar Server=" (the
// Ridge1 and Ridge2 image folders) and "Canada Radar Server=" (the Canadian CAPPI images). Times
// handed to these functions are UTC.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "radar/radar_io.h"

namespace fw {

struct Session;

enum class RadarSource {
  ArchiveList,      // the archive's JSON list of site images (PNG)
  WmsReflectivity,  // the map service's reflectivity layers, NCQ and NCR
  WmsA2m,           // the map service's multi-radar rain rate, A2M
  WmsHrrr,          // the map service's model forecast reflectivity, HRR
  Ridge2,           // the Ridge2 image folders (PNG)
  Ridge1,           // the Ridge1 image folders (level-3 GIF)
  CanadaCappi,      // the Canadian CAPPI images (GIF)
  FileList,         // images on disk, from the radar file list
};

struct RadarSourceRow {
  RadarSource source;
  const char* name;
  const char* service;     // its host's "<Service> Server=" row; nullptr for files on disk
  double intervalMinutes;  // between images; Canadian lines change theirs (canadaIntervalMinutes)
  const char* listRule;
  const char* imageRule;
};

const std::vector<RadarSourceRow>& radarSources();
const RadarSourceRow& radarSourceRow(RadarSource source);

// What the choice of a source depends on.
struct RadarSourceInputs {
  bool readFromFile = false;  // "Read radar from file" is chosen
  bool canadaSite = false;
  bool archiveFlag = false;   // images from the archive (set for the map-service products too)
  std::string product;
  int16_t imageMode = 0;      // RadarImageMode: 0 for GIF images
};
RadarSource chooseRadarSource(const RadarSourceInputs& in);

// The base addresses of the image services, without a trailing "/".
struct RadarHosts {
  std::string iem = "https://mesonet.agron.iastate.edu";
  std::string mrms = "https://mesonet.agron.iastate.edu";
  std::string nwsRadar = "https://radar.weather.gov";
  std::string canada = "https://dd.weather.gc.ca";
};
RadarHosts radarHosts(const Session& s);

// ---- the folders ----
std::string archiveDataFolder(const RadarHosts& h);  // "archive/data/" on the archive host
std::string ridge1Folder(const RadarHosts& h);       // "ridge/RadarImg/" on the Ridge host
std::string ridge2ImageBase(const RadarHosts& h);    // "ridge2/RadarImg2/"
std::string latestSiteImageBase(const RadarHosts& h);  // the archive's latest site images

// A time on the grid of image times: the nearest multiple of the interval from midnight (halves
// to even), to the whole minute.
vb::VbDate toIntervalGrid(vb::VbDate time, double intervalMinutes);

// ---- the archive's JSON list ----
// "json/radar?operation=list&radar=SITE&product=PROD&start=yyyy-mm-ddThh:mmZ&end=...Z".
std::string archiveListUrl(const RadarHosts& h, const std::string& site, const std::string& product,
                           vb::VbDate startUtc, vb::VbDate endUtc);
// archive/data/yyyy/mm/dd/GIS/ridge/SITE/PROD/NAME for an image of that day.
std::string archiveImageUrl(const RadarHosts& h, vb::VbDate imageDate, const std::string& site,
                            const std::string& product, const std::string& name);

// ---- the map service (WMS 1.1.0, EPSG:4326) ----
// The image times of a map-service list: from the grid start every interval up to the end less
// `intervalsBeforeEnd` intervals (NCQ and NCR 1, A2M 0, HRR 3).
std::vector<vb::VbDate> wmsImageTimes(vb::VbDate gridStartUtc, vb::VbDate endUtc, double intervalMinutes,
                                      int intervalsBeforeEnd);
// The TIME value of a reflectivity request: "yyyy-mm-ddThh:mm:00Z".
std::string wmsTimeValue(vb::VbDate timeUtc);
// `box` is RadarSiteBox's text; `imageSize` 0 keeps the 500 by 450 image, a mosaic's size (from
// the site table) makes it that size square.
std::string wmsReflectivityUrl(const RadarHosts& h, const std::string& product, const std::string& box,
                               int imageSize, vb::VbDate timeUtc);
std::string wmsA2mUrl(const RadarHosts& h, const std::string& box, int imageSize, vb::VbDate timeUtc);
std::string wmsHrrrUrl(const RadarHosts& h, const std::string& box, int imageSize, int forecastMinute);

// ---- the model forecast (HRR) ----
std::string hrrrModelTimeUrl(const RadarHosts& h);
// The model run time (UTC) in the service's JSON file: the fourth piece of its text split at
// double quotes, "T" for a blank, "Z" dropped.
std::optional<vb::VbDate> hrrrModelTime(const std::string& json);
// "refd_0000", "refd_0015", ...
std::string hrrrLayer(int forecastMinute);
struct HrrrListing {
  bool fresh = false;            // a model run not listed before
  vb::VbDate modelTimeUtc = 0;
  std::vector<int> minutes;      // forecast minutes of the images, every 15, at most 1080
};
// The images of a forecast: "Forecast time " and the local model time go to the log pane; a run
// already listed (`lastModelTimeUtc`) lists nothing and says "No new forecast". The list runs
// from the model time for `forecastHours` hours, up to three intervals before its end.
HrrrListing hrrrListing(const std::string& json, vb::VbDate& lastModelTimeUtc, double forecastHours,
                        double utcOffsetHours, const RadarIo& io);

// ---- the Ridge folders ----
// Ridge2: the full listing (an HTML folder page) and the short one (a comma list), the image.
std::string ridge2FullListingUrl(const std::string& serviceUrl, const std::string& site);
std::string ridge2ShortListingUrl(const RadarHosts& h, const std::string& site, const std::string& product);
std::string ridge2ImageUrl(const RadarHosts& h, const std::string& product, const std::string& name);
// Ridge1: the product's site folder (its page is the full listing), the short listing (the
// site's overlay list at the service's root) and an image in the folder.
std::string ridge1SiteFolder(const std::string& serviceUrl, const std::string& product, const std::string& site);
std::string ridge1ShortListingUrl(const std::string& serviceUrl, const std::string& site, const std::string& product);
std::string ridge1ImageUrl(const std::string& siteFolder, const std::string& name);

// ---- the Canadian CAPPI images ----
// 6 minutes; 10 for a composite line ("-COMP"); 5 when the line holds "5".
double canadaIntervalMinutes(const std::string& stationId);
// From the last update (4 hours before the end when there is none) on the interval grid, one
// image every interval, (minutes to the end less 3) / interval + 2 images.
std::vector<vb::VbDate> canadaImageTimes(std::optional<vb::VbDate> lastUpdateUtc, vb::VbDate endUtc,
                                         double intervalMinutes);
// /yyyymmdd/WXO-DD/radar/CAPPI/GIF/SITE/yyyymmddhhmm_SITE_CAPPI_1.5_RAIN.gif ("1.0_SNOW" for snow,
// "_WT.gif" for the regions PAC WRN ONT QUE ERN, "CA" before a site beginning with "S").
std::string canadaImageUrl(const RadarHosts& h, const std::string& site, bool snow, vb::VbDate timeUtc);

}  // namespace fw
