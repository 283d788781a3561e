#include "radar/image_sources.h"

#include <cmath>

#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

constexpr double kMinutesPerDay = 1440;
constexpr int kHrrrIntervalMinutes = 15;
constexpr int kHrrrLastMinute = 1080;  // the model's 18-hour horizon
// Canadian images appear some minutes after their time; the list stops this short of the end.
constexpr double kCanadaLagMinutes = 3;
constexpr double kCanadaDefaultHours = 4;  // the look-back without a last update
constexpr int kCanadaExtraImages = 2;
// The composite regions whose images carry "_WT".
constexpr const char* kCanadaRegions[] = {"PAC", "WRN", "ONT", "QUE", "ERN"};

constexpr const char* kWmsReflectivity =
    "/cgi-bin/wms/nexrad/n0q-t.cgi?request=GetMap&service=WMS&version=1.1.0&srs=EPSG:4326&layers=nexrad-n0q-wmst"
    "&bbox=LONGLATBOX&format=image/png&TRANSPARENT=TRUE&STYLE=&width=500&height=450&TIME=";
constexpr const char* kWmsA2m =
    "/cgi-bin/wms/us/mrms.cgi?request=GetMap&service=WMS&version=1.1.0&srs=EPSG:4326&layers=mrms-archive"
    "&bbox=LONGLATBOX&format=image/png&TRANSPARENT=TRUE&STYLES=&prod=a2m&width=500&height=450&";
constexpr const char* kWmsHrrr =
    "/cgi-bin/wms/hrrr/refd.cgi?request=GetMap&service=WMS&version=1.1.0&srs=EPSG:4326&bbox=LONGLATBOX"
    "&format=image/png&TRANSPARENT=TRUE&STYLES=&width=500&height=450&layers=";

double minutesBetween(vb::VbDate from, vb::VbDate to) {
  return (to - from) * kMinutesPerDay;
}

// The box and, for a mosaic, its square image size in place of the 500 by 450 image. Only the
// width and height values change: the box's own digits may hold "500" or "450".
std::string withBoxAndSize(std::string url, const std::string& box, int imageSize) {
  url = vb::Replace(url, "LONGLATBOX", box);
  if (imageSize > 0) {
    const std::string size = std::to_string(imageSize);
    url = vb::Replace(url, "&width=500&", "&width=" + size + "&");
    url = vb::Replace(url, "&height=450&", "&height=" + size + "&");
  }
  return url;
}

}  // namespace

const std::vector<RadarSourceRow>& radarSources() {
  static const std::vector<RadarSourceRow> rows = {
      {RadarSource::ArchiveList, "archive listing service", kIemRadarService, 5,
       "JSON list of the site's images between the last update and now (entries with \"ts\")",
       "archive/data/yyyy/mm/dd/GIS/ridge/SITE/PRODUCT/NAME"},
      {RadarSource::WmsReflectivity, "map service reflectivity (NCQ, NCR)", kIemRadarService, 5,
       "every 5 minutes up to one interval before the end", "n0q-t (n0r-t for NCR) GetMap with TIME"},
      {RadarSource::WmsA2m, "map service multi-radar rate (A2M)", kMrmsService, 4,
       "every 4 minutes up to the end", "mrms-archive GetMap, prod=a2m, year/month/day/time"},
      {RadarSource::WmsHrrr, "map service model forecast reflectivity (HRR)", kIemRadarService, 15,
       "every 15 minutes of the latest model run, up to three intervals before its end", "refd GetMap, layers=refd_MMMM"},
      {RadarSource::Ridge2, "Ridge2 image folders (PNG)", kNwsRadarService, 5,
       "HTML folder page or the comma list of radar_paths.php", "ridge2/RadarImg2/PRODUCT/NAME"},
      {RadarSource::Ridge1, "Ridge1 image folders (GIF)", kNwsRadarService, 5,
       "HTML folder page or the site's overlay list", "ridge/RadarImg/PRODUCT/SITE/NAME"},
      {RadarSource::CanadaCappi, "Canadian CAPPI images", kCanadaRadarService, 6,
       "every interval from the last update up to 3 minutes before the end",
       "/yyyymmdd/WXO-DD/radar/CAPPI/GIF/SITE/yyyymmddhhmm_SITE_CAPPI_1.5_RAIN.gif"},
      {RadarSource::FileList, "radar file list", nullptr, 5, "the files chosen or listed (RadarFileList)",
       "the file"},
  };
  return rows;
}

const RadarSourceRow& radarSourceRow(RadarSource source) {
  for (const RadarSourceRow& row : radarSources())
    if (row.source == source) return row;
  return radarSources().back();
}

RadarSource chooseRadarSource(const RadarSourceInputs& in) {
  if (in.readFromFile) return RadarSource::FileList;
  if (in.canadaSite) return RadarSource::CanadaCappi;
  if (in.product == "NCQ" || in.product == "NCR") return RadarSource::WmsReflectivity;
  if (in.product == "A2M") return RadarSource::WmsA2m;
  if (in.product == "HRR") return RadarSource::WmsHrrr;
  if (in.archiveFlag) return RadarSource::ArchiveList;
  return in.imageMode != 0 ? RadarSource::Ridge2 : RadarSource::Ridge1;
}

RadarHosts radarHosts(const Session& s) {
  RadarHosts h;
  h.iem = serverBase(s, kIemRadarService);
  h.mrms = serverBase(s, kMrmsService);
  h.nwsRadar = serverBase(s, kNwsRadarService);
  h.canada = serverBase(s, kCanadaRadarService);
  return h;
}

std::string archiveDataFolder(const RadarHosts& h) {
  return h.iem + "/archive/data/";
}
std::string ridge1Folder(const RadarHosts& h) {
  return h.nwsRadar + "/ridge/RadarImg/";
}
std::string ridge2ImageBase(const RadarHosts& h) {
  return h.nwsRadar + "/ridge2/RadarImg2/";
}
std::string latestSiteImageBase(const RadarHosts& h) {
  return h.iem + "/data/gis/images/4326/ridge/";
}

vb::VbDate toIntervalGrid(vb::VbDate time, double intervalMinutes) {
  const double perDay = vb::Round(kMinutesPerDay / intervalMinutes);
  const vb::VbDate onGrid = vb::Round(time * perDay) / perDay;
  return vb::CDate(vb::Format(onGrid, "mm/dd/yyyy hh:nn"));
}

std::string archiveListUrl(const RadarHosts& h, const std::string& site, const std::string& product,
                           vb::VbDate startUtc, vb::VbDate endUtc) {
  return h.iem + "/json/radar?operation=list&radar=" + percentEncode(site) + "&product=" + percentEncode(product) +
         "&start=" + vb::Format(startUtc, "yyyy-mm-ddThh:nn") + "Z&end=" + vb::Format(endUtc, "yyyy-mm-ddThh:nn") +
         "Z";
}

std::string archiveImageUrl(const RadarHosts& h, vb::VbDate imageDate, const std::string& site,
                            const std::string& product, const std::string& name) {
  return archiveDataFolder(h) + vb::Format(imageDate, "yyyy/mm/dd") + "/GIS/ridge/" + site + "/" + product + "/" + name;
}

std::vector<vb::VbDate> wmsImageTimes(vb::VbDate gridStartUtc, vb::VbDate endUtc, double intervalMinutes,
                                      int intervalsBeforeEnd) {
  std::vector<vb::VbDate> times;
  const double last = minutesBetween(gridStartUtc, endUtc) - intervalsBeforeEnd * intervalMinutes;
  // Whole steps of the interval; a hundredth of a minute absorbs the rounding of day fractions.
  for (int k = 0; k * intervalMinutes <= last + 0.01; ++k)
    times.push_back(vb::roundToSecond(gridStartUtc + k * intervalMinutes / kMinutesPerDay));
  return times;
}

std::string wmsTimeValue(vb::VbDate timeUtc) {
  return vb::Format(timeUtc, "yyyy-mm-ddThh:nn") + ":00Z";
}

std::string wmsReflectivityUrl(const RadarHosts& h, const std::string& product, const std::string& box,
                               int imageSize, vb::VbDate timeUtc) {
  std::string url = h.iem + kWmsReflectivity;
  if (product == "NCR") url = vb::Replace(url, "n0q", "n0r");
  return withBoxAndSize(url, box, imageSize) + wmsTimeValue(timeUtc);
}

std::string wmsA2mUrl(const RadarHosts& h, const std::string& box, int imageSize, vb::VbDate timeUtc) {
  return withBoxAndSize(h.mrms + kWmsA2m, box, imageSize) + "year=" + vb::Format(timeUtc, "yyyy") +
         "&month=" + vb::Format(timeUtc, "mm") + "&day=" + vb::Format(timeUtc, "dd") + "&time=" +
         vb::Format(timeUtc, "hhnn");
}

std::string wmsHrrrUrl(const RadarHosts& h, const std::string& box, int imageSize, int forecastMinute) {
  return withBoxAndSize(h.iem + kWmsHrrr, box, imageSize) + hrrrLayer(forecastMinute);
}

std::string hrrrModelTimeUrl(const RadarHosts& h) {
  return h.iem + "/data/gis/images/4326/hrrr/refd_0000.json";
}

std::optional<vb::VbDate> hrrrModelTime(const std::string& json) {
  const std::vector<std::string> pieces = vb::Split(json, "\"");
  if (pieces.size() < 4) return std::nullopt;
  std::string text = vb::Replace(vb::Replace(pieces[3], "T", " "), "Z", "");
  return vb::parseDate(vb::Trim(text));
}

std::string hrrrLayer(int forecastMinute) {
  return "refd_" + vb::Format(static_cast<int32_t>(forecastMinute), "0000");
}

HrrrListing hrrrListing(const std::string& json, vb::VbDate& lastModelTimeUtc, double forecastHours,
                        double utcOffsetHours, const RadarIo& io) {
  HrrrListing listing;
  const std::optional<vb::VbDate> model = hrrrModelTime(json);
  if (!model) return listing;
  listing.modelTimeUtc = *model;
  if (io.logPane)
    io.logPane("Forecast time " + vb::Format(*model - utcOffsetHours / 24.0, "hh:nn ampm"));
  if (*model == lastModelTimeUtc) {
    if (io.logPane) io.logPane("No new forecast");
    return listing;
  }
  lastModelTimeUtc = *model;
  listing.fresh = true;
  const double last = forecastHours * 60 - 3 * kHrrrIntervalMinutes;
  for (int minute = 0; minute <= last + 0.01 && minute <= kHrrrLastMinute; minute += kHrrrIntervalMinutes)
    listing.minutes.push_back(minute);
  return listing;
}

std::string ridge2FullListingUrl(const std::string& serviceUrl, const std::string& site) {
  return serviceUrl + "N0R/" + site + "/";
}

std::string ridge2ShortListingUrl(const RadarHosts& h, const std::string& site, const std::string& product) {
  return h.nwsRadar + "/ridge2/ajax/radar_paths.php?rid=" + percentEncode(site) + "&pid=" + percentEncode(product) +
         "&callback=";
}

std::string ridge2ImageUrl(const RadarHosts& h, const std::string& product, const std::string& name) {
  return ridge2ImageBase(h) + product + "/" + name;
}

std::string ridge1SiteFolder(const std::string& serviceUrl, const std::string& product, const std::string& site) {
  return serviceUrl + product + "/" + site + "/";
}

std::string ridge1ShortListingUrl(const std::string& serviceUrl, const std::string& site, const std::string& product) {
  // The service's root: the address up to the "/" before "RadarI".
  const int at = vb::InStr(serviceUrl, "RadarI");
  const std::string root = at > 0 ? vb::Left(serviceUrl, at - 1) : serviceUrl;
  return root + vb::LCase(site) + "_" + product + "_overlayfiles.txt";
}

std::string ridge1ImageUrl(const std::string& siteFolder, const std::string& name) {
  return siteFolder + name;
}

double canadaIntervalMinutes(const std::string& stationId) {
  double interval = 6;
  if (vb::InStr(stationId, "-COMP") > 0) interval = 10;
  if (vb::InStr(stationId, "5") > 0) interval = 5;
  return interval;
}

std::vector<vb::VbDate> canadaImageTimes(std::optional<vb::VbDate> lastUpdateUtc, vb::VbDate endUtc,
                                         double intervalMinutes) {
  const vb::VbDate from = toIntervalGrid(lastUpdateUtc ? *lastUpdateUtc : endUtc - kCanadaDefaultHours / 24.0,
                                         intervalMinutes);
  const vb::VbDate to = endUtc - kCanadaLagMinutes / kMinutesPerDay;
  const double count = vb::Round(minutesBetween(from, to) / intervalMinutes + kCanadaExtraImages);
  std::vector<vb::VbDate> times;
  for (int k = 0; k < count; ++k)
    times.push_back(vb::roundToSecond(from + k * intervalMinutes / kMinutesPerDay));
  return times;
}

std::string canadaImageUrl(const RadarHosts& h, const std::string& site, bool snow, vb::VbDate timeUtc) {
  std::string url = "/YYYYMMDD/WXO-DD/radar/CAPPI/GIF/RRR/YYYYMMDDHHHH_RRR_CAPPI_1.5_RAIN.gif";
  const std::string code = vb::Left(site, 1) == "S" ? "CA" + site : site;
  url = vb::Replace(url, "RRR", code);
  if (snow) url = vb::Replace(url, "1.5_RAIN", "1.0_SNOW");
  for (const char* region : kCanadaRegions)
    if (site == region) url = vb::Replace(url, ".gif", "_WT.gif");
  url = vb::Replace(url, "YYYYMMDD", vb::Format(timeUtc, "yyyymmdd"));
  url = vb::Replace(url, "HHHH", vb::Format(timeUtc, "hhnn"));
  return h.canada + url;
}

}  // namespace fw
