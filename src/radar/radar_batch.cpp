#include "radar/radar_batch.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "radar/image.h"
#include "radar/image_lists.h"
#include "radar/image_sources.h"
#include "radar/radar_hooks.h"
#include "radar/radar_io.h"
#include "radar/radar_rain.h"
#include "radar/radar_sites.h"
#include "radar/radar_write.h"
#include "run/run_services.h"
#include "store/update_rows.h"

namespace fw {

namespace {

constexpr double kMinutesPerDay = 1440;
constexpr double kMinimumLookBackMinutes = 8;
constexpr double kFromLastUpdateMinutes = 300;
constexpr double kGifLookBackMinutes = 100;
constexpr double kListEndMinutes = 2;        // the list reaches this far past the run time
constexpr double kSingleRadarMiles = 150;
constexpr int kDownloadGapSeconds = 90;      // between two images, in batch
constexpr size_t kFullImageBytes = 14000;
constexpr size_t kStubBytes = 110;
constexpr size_t kMissingBytes = 200;
constexpr size_t kTimedOutBytes = 10;

// One image of the list.
struct ListedImage {
  std::string name;
  std::string url;
  vb::VbDate localTime = 0;
};

// The list, or why there is none.
struct ImageList {
  std::vector<ListedImage> images;
  std::string failure;  // "no connection", "radar down", ...
  bool noConnection = false;
};

bool isMapServiceProduct(const std::string& product) {
  return product == "A2M" || product == "NCQ" || product == "HRR" || product == "NCR";
}

// Names of a listing with their times; a name without a time is left out.
void addNamed(ImageList& list, const RadarImageListing& listing, double utcOffsetHours,
              const std::function<std::string(const std::string& name, vb::VbDate utc)>& urlOf) {
  for (int32_t i = 0; i < listing.Count && i < static_cast<int32_t>(listing.Names.size()); ++i) {
    const std::string& name = listing.Names[static_cast<size_t>(i)];
    const auto utc = radarNameTime(name);
    if (!utc) continue;
    list.images.push_back({name, urlOf(name, *utc), *utc - utcOffsetHours / 24.0});
  }
}

bool listingFailed(ImageList& list, const RadarImageListing& listing) {
  if (listing.Count == 0) {
    list.failure = "no connection";
    list.noConnection = true;
    return true;
  }
  if (listing.Count < 0) {
    list.failure = "radar down";
    return true;
  }
  return false;
}

struct ListInputs {
  RadarSource source;
  std::string site, product, stationId;
  vb::VbDate startLocal = 0, endLocal = 0;  // the window of image times
  double utcOffsetHours = 0;
  double forecastHours = 0;
  int16_t imageMode = 0;
  bool fullListing = false;
  bool snow = false;
};

ImageList buildList(Session& s, const ListInputs& in, const RadarIo& io) {
  ImageList list;
  const RadarHosts hosts = radarHosts(s);
  const double off = in.utcOffsetHours / 24.0;
  const vb::VbDate startUtc = in.startLocal + off;
  const vb::VbDate endUtc = in.endLocal + off;
  auto mapBox = [&](int& imageSize) {
    ensureRadarSites(s.RadarSites, s.programFolder, io);
    double miles = kSingleRadarMiles;
    const std::string box = RadarSiteBox(s.RadarSites, miles, in.site);
    imageSize = vb::InStr(in.site, "ZZ") > 0 ? static_cast<int>(miles) : 0;
    return box;
  };
  switch (in.source) {
    case RadarSource::ArchiveList: {
      const std::string url = archiveListUrl(hosts, in.site, in.product, startUtc, endUtc);
      const RadarImageListing listing = RadarImageList(in.imageMode, false, true, url, in.site, in.product, io);
      if (listingFailed(list, listing)) return list;
      addNamed(list, listing, in.utcOffsetHours, [&](const std::string& name, vb::VbDate utc) {
        return archiveImageUrl(hosts, utc, in.site, in.product, name);
      });
      return list;
    }
    case RadarSource::WmsReflectivity:
    case RadarSource::WmsA2m: {
      int size = 0;
      const std::string box = mapBox(size);
      const bool a2m = in.source == RadarSource::WmsA2m;
      const double interval = radarSourceRow(in.source).intervalMinutes;
      for (vb::VbDate t : wmsImageTimes(toIntervalGrid(startUtc, interval), endUtc, interval, a2m ? 0 : 1)) {
        const std::string name = in.site + "_" + in.product + "_" + vb::Format(t, "yyyymmddhhnn") + ".png";
        list.images.push_back({name, a2m ? wmsA2mUrl(hosts, box, size, t)
                                         : wmsReflectivityUrl(hosts, in.product, box, size, t),
                               t - off});
      }
      return list;
    }
    case RadarSource::WmsHrrr: {
      int size = 0;
      const std::string box = mapBox(size);
      const std::string json = io.fetch(hrrrModelTimeUrl(hosts));
      const HrrrListing hl = hrrrListing(json, s.HrrrModelTime, in.forecastHours, in.utcOffsetHours, io);
      for (int minute : hl.minutes) {
        const vb::VbDate t = hl.modelTimeUtc + minute / kMinutesPerDay;
        const std::string name = in.site + "_HRR_" + vb::Format(t, "yyyymmddhhnn") + ".png";
        list.images.push_back({name, wmsHrrrUrl(hosts, box, size, minute), t - off});
      }
      return list;
    }
    case RadarSource::Ridge2:
    case RadarSource::Ridge1: {
      const bool ridge2 = in.source == RadarSource::Ridge2;
      std::string listUrl;
      if (in.fullListing)
        listUrl = ridge2 ? ridge2FullListingUrl(ridge2ImageBase(hosts), in.site)
                         : ridge1SiteFolder(ridge1Folder(hosts), in.product, in.site);
      else
        listUrl = ridge2 ? ridge2ShortListingUrl(hosts, in.site, in.product)
                         : ridge1ShortListingUrl(ridge1Folder(hosts), in.site, in.product);
      const RadarImageListing listing =
          RadarImageList(in.imageMode, in.fullListing, false, listUrl, in.site, in.product, io);
      if (listingFailed(list, listing)) return list;
      const std::string folder = ridge1SiteFolder(ridge1Folder(hosts), in.product, in.site);
      addNamed(list, listing, in.utcOffsetHours, [&](const std::string& name, vb::VbDate) {
        return ridge2 ? ridge2ImageUrl(hosts, in.product, name) : ridge1ImageUrl(folder, name);
      });
      // Only the images of the window.
      std::erase_if(list.images, [&](const ListedImage& i) { return i.localTime < in.startLocal - 1e-6; });
      return list;
    }
    case RadarSource::CanadaCappi: {
      const double interval = canadaIntervalMinutes(in.stationId);
      for (vb::VbDate t : canadaImageTimes(startUtc, endUtc, interval)) {
        const std::string name = in.site + "_" + in.product + "_" + vb::Format(t, "yyyymmddhhnn") + ".gif";
        list.images.push_back({name, canadaImageUrl(hosts, in.site, in.snow, t), t - off});
      }
      return list;
    }
    case RadarSource::FileList:
      list.failure = "images from a radar file list are read with the window";
      return list;
  }
  return list;
}

// The picture of the last image read, kept as the site's image file for the radar view.
void keepLastImage(Session& s, const std::string& site, const std::string& product, int16_t imageMode,
                   const std::string& bytes, vb::VbDate time) {
  const std::filesystem::path folder = radarFolder(s);
  const std::filesystem::path file = folder / (site + "_" + product + (imageMode != 0 ? ".png" : "_0.gif"));
  const std::string failed = ConvertRadarImage(bytes, file);
  if (!failed.empty()) {
    s.errlog.writeLine(failed);
    return;
  }
  SetFileDate(file, time);
  s.RadarHooks->imageSaved(s, file.string());
}

}  // namespace

RadarLookBack radarLookBack(vb::VbDate lastUpdate, vb::VbDate runTime, double intervalMinutes, double maxHours,
                            bool pngOrCanada) {
  double minutes = vb::Fix((runTime - lastUpdate) * kMinutesPerDay + 1e-6);
  vb::VbDate lu = lastUpdate;
  if (minutes < kMinimumLookBackMinutes) {
    lu = runTime - kMinimumLookBackMinutes / kMinutesPerDay;
    minutes = kMinimumLookBackMinutes;
  }
  std::optional<vb::VbDate> start;
  if (minutes < kFromLastUpdateMinutes) start = lu + intervalMinutes / kMinutesPerDay;
  const double most = maxHours * 60;
  if (minutes > most) {
    if (pngOrCanada) {
      minutes = most;
      start.reset();
    } else {
      minutes = kGifLookBackMinutes;
    }
  }
  RadarLookBack r;
  r.minutes = minutes;
  r.start = toIntervalGrid(start ? *start : runTime - minutes / kMinutesPerDay, intervalMinutes);
  return r;
}

std::optional<vb::VbDate> radarNameTime(const std::string& name) {
  const int p = vb::InStr(name, "_20");
  if (p == 0) return std::nullopt;
  const std::string digits = vb::Mid(name, p + 1, 12);
  if (digits.size() < 12) return std::nullopt;
  for (char ch : digits)
    if (ch < '0' || ch > '9') return std::nullopt;
  const int year = std::stoi(digits.substr(0, 4)), month = std::stoi(digits.substr(4, 2));
  const int day = std::stoi(digits.substr(6, 2)), hour = std::stoi(digits.substr(8, 2));
  const int minute = std::stoi(digits.substr(10, 2));
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59) return std::nullopt;
  return vb::DateSerial(year, month, day) + vb::TimeSerial(hour, minute, 0);
}

RadarDownload judgeRadarDownload(const std::string& bytes) {
  size_t n = bytes.size();
  if (n < kFullImageBytes) {
    if (n > kStubBytes) n = kFullImageBytes;
    const std::string head = bytes.substr(0, 6);
    if (head.find("PNG") == std::string::npos && head.find("GIF") == std::string::npos) n = 101;
  }
  if (n >= kMissingBytes) return RadarDownload::Image;
  return bytes.size() < kTimedOutBytes ? RadarDownload::TimedOut : RadarDownload::Missing;
}

void radarrainupdate(Session& s, RadarCall& c) {
  const RadarIo io = radarIo(s);
  c.Error.clear();
  c.ImagesRead = 0;
  std::vector<RadarLineRow> rows = c.Rows;
  if (rows.empty()) {
    RadarLineRow row;
    row.StationId = vb::UCase(c.StationId);
    row.Dsid = c.Dsid;
    row.Label = c.SiteName;
    row.DataType = c.ValueClass;
    row.Inversion = c.Triples[1].shift;
    row.Adjustment = c.Triples[1].formula;
    rows.push_back(row);
  }
  const std::string site = vb::InStr(c.StationId, "-") > 0 ? vb::Mid(c.StationId, vb::InStr(c.StationId, "-") + 1)
                                                            : c.StationId;
  const std::string product = c.Product;
  const bool canada = s.RadarCanadaFlag;
  double interval = canada ? canadaIntervalMinutes(c.StationId) : 5;

  // The image kind: the map-service products read as level-2 images (A2M as rate-coloured), on
  // every line of the pass.
  int16_t imageMode = s.RadarImageMode;
  bool archive = s.form.optLongDir == 2;
  if (isMapServiceProduct(product)) {
    imageMode = effectiveImageMode(-1, product);
    archive = true;
  }
  if (canada) imageMode = 0;

  RadarSourceInputs choice;
  choice.readFromFile = s.form.optLongDir == 3;
  choice.canadaSite = canada;
  choice.archiveFlag = archive;
  choice.product = product;
  choice.imageMode = imageMode;
  const RadarSource source = chooseRadarSource(choice);
  // The map service's A2M images come every 4 minutes: each is its own step (on a 5-minute grid
  // every fifth image would land on the time of the one before and be lost).
  if (source == RadarSource::WmsA2m) interval = radarSourceRow(source).intervalMinutes;

  bool daylight = false;
  double offset = TZOffset(s, daylight);
  if (product == "HRR" && c.HourShift != 0) {
    offset += c.HourShift;
    c.HourShift = 0;
  }

  // The window of image times.
  vb::VbDate startLocal = 0, endLocal = 0;
  if (s.RealtimeMode) {
    vb::VbDate lastUpdate = 0;
    double lastValue = 0;
    s.HdbUseDAO ? hdblastupdateDAO(s, c.Dsid, lastUpdate, lastValue) : hdblastupdate(s, c.Dsid, lastUpdate, lastValue);
    const RadarLookBack back = radarLookBack(lastUpdate, s.RunDateTime, interval, vb::Val(s.form.txtRadarMaxHrs.Text),
                                             imageMode != 0 || canada);
    startLocal = back.start;
    endLocal = s.RunDateTime + kListEndMinutes / kMinutesPerDay;
  } else {
    startLocal = c.WindowBegin;
    endLocal = c.WindowEnd;
    if (startLocal == 0) startLocal = vb::CDate(s.form.TextBegindate.Text);
    if (endLocal == 0) endLocal = vb::CDate(s.form.TextEnddate.Text);
    // The offset of the window's own date, not of today's.
    offset = TZOffsetAt(startLocal, daylight);
    if (!archive && !canada)
      radarNotice(io, "Historical radar GIF images older than 4 hours may be unavailable.  Use Ridge2 Iowa Mesonet "
                      "PNG or the NOAA Weather and Climate Toolkit.");
  }

  ListInputs in;
  in.site = site;
  in.product = product;
  in.stationId = c.StationId;
  in.startLocal = startLocal;
  in.endLocal = endLocal;
  in.utcOffsetHours = offset;
  in.forecastHours = c.HrrrHours;
  in.imageMode = imageMode;
  in.fullListing = s.form.optLongDir == 0;
  in.snow = s.CanadaColumn == 1;
  in.source = source;

  auto report = [&](const std::string& description, const std::string& text) {
    s.LastError = site + " " + product + " " + c.Dsid + " " + description + "... " + text;
    radarFailure(io, s.LastError);
    c.Error = s.LastError;
  };

  ImageList list;
  try {
    list = buildList(s, in, io);
  } catch (const std::exception& e) {
    report(e.what(), "");
    return;
  }
  if (!list.failure.empty()) {
    if (list.noConnection) c.ConnectionStatus = -8;
    report("", list.failure);
    return;
  }

  RadarPass pass;
  pass.site = site;
  pass.product = product;
  pass.rain.RadarImageMode = imageMode;
  pass.rain.Product = product;
  pass.rain.CanadaSite = canada;
  pass.rain.RadarTotalsFlag = product == "PTA" || product == "N1P";
  pass.rain.ZRRelation = s.ZRRelation;
  pass.rain.CanadaColumn = s.CanadaColumn;
  pass.rain.Level2Column = level2Column(product, false, false);
  pass.rainProduct = isRainProduct(product, canada);
  pass.intervalMinutes = interval;
  pass.metric = s.form.chkMetric.ticked();
  const std::filesystem::path folder = radarFolder(s);
  loadRadarBasins(pass, rows, folder);
  std::string basinErrors;
  for (const RadarBasin& b : pass.basins)
    if (!b.mask) {
      const std::string text = site + " " + product + " " + b.row.Dsid + " " + b.error + "... ";
      s.errlog.writeLine(text);
      basinErrors += (basinErrors.empty() ? "" : " ") + text;
    }

  // The image loop.
  std::string lastBytes;
  vb::VbDate lastTime = 0;
  bool lastMissing = false;
  std::string stopText;
  auto previous = std::chrono::steady_clock::now();
  const size_t count = list.images.size();
  const bool anyBasin = basinErrors.size() == 0 || std::any_of(pass.basins.begin(), pass.basins.end(),
                                                                [](const RadarBasin& b) { return b.mask.has_value(); });
  for (size_t i = 0; i < count && anyBasin; ++i) {
    const ListedImage& image = list.images[i];
    if (s.BatchMode && std::chrono::steady_clock::now() - previous > std::chrono::seconds(kDownloadGapSeconds)) {
      stopText = " Radar download timed out.";
      c.ConnectionStatus = -8;
      break;
    }
    s.form.Label11.Caption = "R" + vb::CStr(static_cast<int32_t>(i + 1)) + " of " + vb::CStr(static_cast<int32_t>(count));
    std::string bytes = io.fetch(image.url);
    if (bytes.empty()) bytes = io.fetch(image.url);
    ++s.RadarImagesFetched;
    previous = std::chrono::steady_clock::now();
    RadarDownload judged = judgeRadarDownload(bytes);
    if (judged == RadarDownload::TimedOut) {
      stopText = vb::Format(image.localTime, " hh:mm ") + image.name + " timed out!";
      c.ConnectionStatus = -8;
      break;
    }
    RadarImageResult result = RadarImageResult::NotAnImage;
    if (judged == RadarDownload::Image) result = readRadarImage(s, pass, bytes, image.localTime);
    if (result == RadarImageResult::Stopped) break;
    if (result == RadarImageResult::NotAnImage) {
      // An error page, a stub or bytes that are no picture: the image is missing.
      const std::string text = vb::Format(image.localTime, " hh:mm ") + image.name + " missing!";
      lastMissing = i + 1 == count;
      if (!lastMissing) {
        s.form.Text1.append(text + "\r\n");
        s.errlog.writeLine(c.Dsid + " " + text);
      }
      continue;
    }
    lastMissing = false;
    ++c.ImagesRead;
    lastBytes = std::move(bytes);
    lastTime = toIntervalGrid(image.localTime, interval);
    for (const std::string& line : vb::Split(pass.log, "\r\n"))
      if (!line.empty()) logPaneLine(s, line);
    s.ui.doEvents();
  }

  // The nowcast, after the last image (the hooks do nothing until a nowcast is installed).
  if (c.ImagesRead > 0 && product != "HRR" && stopText.empty() && (s.RealtimeMode)) {
    RadarNowcastPass now;
    now.site = site;
    now.product = product;
    now.dsid = c.Dsid;
    now.intervalMinutes = interval;
    now.lastImageTime = lastTime;
    now.imagesRead = c.ImagesRead;
    now.lastImageBytes = &lastBytes;
    now.rows = &rows;
    now.series = &pass.series;
    now.readShifted = [&](vb::VbDate t, float x, float y, const std::vector<bool>& on) {
      RadarShift shift{x, y, &on};
      readRadarImage(s, pass, lastBytes, t, &shift);
    };
    s.RadarHooks->nowcastImages(s, now);
    s.RadarHooks->nowcastAdjust(s, now);
    if (!now.error.empty()) {
      s.LastError = now.error;
      s.errlog.writeLine(now.error);
    }
  }

  // The write-out of every basin.
  if (c.ImagesRead > 0) {
    RadarWriteInputs w;
    w.fromFiles = in.source == RadarSource::FileList;
    w.rainProduct = pass.rainProduct;
    w.updateTime = lastTime;
    w.historyBegin = s.RealtimeMode ? 0 : startLocal;
    writeRadarSeries(s, rows, pass.series, w);
    keepLastImage(s, site, product, imageMode, lastBytes, lastTime);
    if (lastMissing)
      s.errlog.writeLine("Last radar pic missing not saved: " + (folder / (site + "_" + product + ".png")).string());
  } else if (stopText.empty() && basinErrors.empty()) {
    s.form.Text1.append(" No new radar since " + vb::Format(startLocal, "mm/dd hh:mm") + "\r\n");
  }
  if (!stopText.empty()) report("", stopText);
  if (!basinErrors.empty() && c.Error.empty()) {
    s.LastError = basinErrors;
    c.Error = basinErrors;
  }
}

}  // namespace fw
