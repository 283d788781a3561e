// Radar image sources: which source a line gets, the image times of each, and every listing and
// image address, by hand, for a fixed clock (2024-06-05, UTC) and site.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/setup_file.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "radar/image_sources.h"
#include "radar/io_recorder.h"
#include "support/test_session.h"

namespace fw {
namespace {

using ::testing::ElementsAre;

constexpr double kDay = 45448;  // 2024-06-05
vb::VbDate at(int hour, int minute, int second = 0) {
  return kDay + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::vector<std::string> hhmm(const std::vector<vb::VbDate>& times) {
  std::vector<std::string> out;
  for (vb::VbDate t : times) out.push_back(vb::Format(t, "hh:nn"));
  return out;
}

const RadarHosts kHosts;  // the public hosts
const std::string kBox = "-117.564782680745,33.2950578614998,-112.21802371574,38.1071409300041";

TEST(RadarSources, TheSourceOfALine) {
  struct Case {
    bool file, canada, archive;
    const char* product;
    int16_t mode;
    RadarSource source;
  } cases[] = {
      {true, true, true, "NCQ", 2, RadarSource::FileList},
      {false, true, true, "C0R", 0, RadarSource::CanadaCappi},
      {false, false, true, "NCQ", -1, RadarSource::WmsReflectivity},
      {false, false, true, "NCR", -1, RadarSource::WmsReflectivity},
      {false, false, true, "A2M", -1, RadarSource::WmsA2m},
      {false, false, true, "HRR", -1, RadarSource::WmsHrrr},
      {false, false, true, "N0Q", 2, RadarSource::ArchiveList},
      {false, false, false, "N0Q", 2, RadarSource::Ridge2},
      {false, false, false, "N0R", 0, RadarSource::Ridge1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product);
    EXPECT_EQ(chooseRadarSource({c.file, c.canada, c.archive, c.product, c.mode}), c.source);
  }
  for (const RadarSourceRow& row : radarSources()) EXPECT_EQ(&radarSourceRow(row.source), &row);
  EXPECT_EQ(radarSourceRow(RadarSource::WmsA2m).intervalMinutes, 4);
  EXPECT_EQ(radarSourceRow(RadarSource::WmsHrrr).intervalMinutes, 15);
}

TEST(RadarSources, TheHostsAreSettings) {
  testing::TestSession t;
  EXPECT_EQ(radarHosts(t.s).iem, "https://mesonet.agron.iastate.edu");
  EXPECT_EQ(radarHosts(t.s).nwsRadar, "https://radar.weather.gov");
  EXPECT_EQ(radarHosts(t.s).canada, "https://dd.weather.gc.ca");
  testing::writeFile(t.folder / "Flumewright_setup.txt",
                     "IEM Server=http://127.0.0.1:8080\r\nMRMS Server=http://127.0.0.1:8081\r\n"
                     "NWS Radar Server=http://127.0.0.1:8082\r\nCanada Radar Server=http://127.0.0.1:8083\r\n"
                     "Database Connection String=x\r\n" +
                         std::string(kStationListHeader) + "\r\nEND\r\n");
  getstationfile(t.s);
  const RadarHosts h = radarHosts(t.s);
  EXPECT_EQ(h.iem, "http://127.0.0.1:8080");
  EXPECT_EQ(h.mrms, "http://127.0.0.1:8081");
  EXPECT_EQ(h.nwsRadar, "http://127.0.0.1:8082");
  EXPECT_EQ(h.canada, "http://127.0.0.1:8083");
}

TEST(RadarSources, ArchiveAddresses) {
  EXPECT_EQ(archiveListUrl(kHosts, "ESX", "N0Q", at(18, 0), at(19, 17)),
            "https://mesonet.agron.iastate.edu/json/radar?operation=list&radar=ESX&product=N0Q"
            "&start=2024-06-05T18:00Z&end=2024-06-05T19:17Z");
  EXPECT_EQ(archiveImageUrl(kHosts, at(12, 5), "ESX", "N0Q", "ESX_N0Q_202406051205.png"),
            "https://mesonet.agron.iastate.edu/archive/data/2024/06/05/GIS/ridge/ESX/N0Q/ESX_N0Q_202406051205.png");
  EXPECT_EQ(archiveDataFolder(kHosts), "https://mesonet.agron.iastate.edu/archive/data/");
  EXPECT_EQ(latestSiteImageBase(kHosts), "https://mesonet.agron.iastate.edu/data/gis/images/4326/ridge/");
}

TEST(RadarSources, MapServiceTimesAndAddresses) {
  EXPECT_THAT(hhmm(wmsImageTimes(at(19, 0), at(19, 17), 5, 1)), ElementsAre("19:00", "19:05", "19:10"));
  EXPECT_THAT(hhmm(wmsImageTimes(at(19, 0), at(19, 16), 4, 0)), ElementsAre("19:00", "19:04", "19:08", "19:12", "19:16"));
  EXPECT_TRUE(wmsImageTimes(at(19, 0), at(19, 4), 5, 1).empty());
  EXPECT_EQ(vb::Format(toIntervalGrid(at(19, 3, 10), 5), "hh:nn:ss"), "19:05:00");
  EXPECT_EQ(vb::Format(toIntervalGrid(at(19, 2), 5), "hh:nn:ss"), "19:00:00");

  const std::string common = "request=GetMap&service=WMS&version=1.1.0&srs=EPSG:4326";
  EXPECT_EQ(wmsReflectivityUrl(kHosts, "NCQ", kBox, 0, at(19, 5)),
            "https://mesonet.agron.iastate.edu/cgi-bin/wms/nexrad/n0q-t.cgi?" + common +
                "&layers=nexrad-n0q-wmst&bbox=" + kBox +
                "&format=image/png&TRANSPARENT=TRUE&STYLE=&width=500&height=450&TIME=2024-06-05T19:05:00Z");
  EXPECT_EQ(wmsReflectivityUrl(kHosts, "NCR", kBox, 0, at(19, 5)),
            "https://mesonet.agron.iastate.edu/cgi-bin/wms/nexrad/n0r-t.cgi?" + common +
                "&layers=nexrad-n0r-wmst&bbox=" + kBox +
                "&format=image/png&TRANSPARENT=TRUE&STYLE=&width=500&height=450&TIME=2024-06-05T19:05:00Z");
  // A mosaic's image size; a box whose digits hold "500" or "450" keeps them.
  EXPECT_EQ(wmsReflectivityUrl(kHosts, "NCQ", "-98.4500,30.5000,-90,40", 3400, at(19, 5)),
            "https://mesonet.agron.iastate.edu/cgi-bin/wms/nexrad/n0q-t.cgi?" + common +
                "&layers=nexrad-n0q-wmst&bbox=-98.4500,30.5000,-90,40"
                "&format=image/png&TRANSPARENT=TRUE&STYLE=&width=3400&height=3400&TIME=2024-06-05T19:05:00Z");
  EXPECT_EQ(wmsA2mUrl(kHosts, kBox, 0, at(19, 4)),
            "https://mesonet.agron.iastate.edu/cgi-bin/wms/us/mrms.cgi?" + common + "&layers=mrms-archive&bbox=" +
                kBox + "&format=image/png&TRANSPARENT=TRUE&STYLES=&prod=a2m&width=500&height=450&"
                       "year=2024&month=06&day=05&time=1904");
  EXPECT_EQ(wmsHrrrUrl(kHosts, kBox, 0, 15),
            "https://mesonet.agron.iastate.edu/cgi-bin/wms/hrrr/refd.cgi?" + common + "&bbox=" + kBox +
                "&format=image/png&TRANSPARENT=TRUE&STYLES=&width=500&height=450&layers=refd_0015");
}

TEST(RadarSources, ModelForecastListing) {
  const std::string json = R"({"model_init_utc": "2024-06-05T18:00:00Z", "forecast": 0})";
  EXPECT_EQ(hrrrModelTimeUrl(kHosts), "https://mesonet.agron.iastate.edu/data/gis/images/4326/hrrr/refd_0000.json");
  ASSERT_TRUE(hrrrModelTime(json));
  EXPECT_EQ(vb::Format(*hrrrModelTime(json), "yyyy-mm-dd hh:nn"), "2024-06-05 18:00");
  EXPECT_FALSE(hrrrModelTime("{}"));

  testing::IoRecorder rec;
  vb::VbDate last = 0;
  const HrrrListing first = hrrrListing(json, last, 2, 7, rec.io());
  EXPECT_TRUE(first.fresh);
  EXPECT_THAT(first.minutes, ElementsAre(0, 15, 30, 45, 60, 75));
  EXPECT_EQ(last, first.modelTimeUtc);
  const HrrrListing again = hrrrListing(json, last, 2, 7, rec.io());
  EXPECT_FALSE(again.fresh);
  EXPECT_TRUE(again.minutes.empty());
  EXPECT_THAT(rec.logPane, ElementsAre("Forecast time 11:00 AM", "Forecast time 11:00 AM", "No new forecast"));
  last = 0;
  EXPECT_EQ(hrrrListing(json, last, 24, 7, rec.io()).minutes.back(), 1080);
  EXPECT_EQ(hrrrLayer(1080), "refd_1080");
}

TEST(RadarSources, RidgeAddresses) {
  const std::string ridge1 = ridge1Folder(kHosts);
  EXPECT_EQ(ridge1, "https://radar.weather.gov/ridge/RadarImg/");
  EXPECT_EQ(ridge1SiteFolder(ridge1, "N0R", "ESX"), "https://radar.weather.gov/ridge/RadarImg/N0R/ESX/");
  EXPECT_EQ(ridge1ShortListingUrl(ridge1, "ESX", "N0R"), "https://radar.weather.gov/ridge/esx_N0R_overlayfiles.txt");
  EXPECT_EQ(ridge1ImageUrl(ridge1SiteFolder(ridge1, "N0R", "ESX"), "ESX_20240605_1205_N0R.gif"),
            "https://radar.weather.gov/ridge/RadarImg/N0R/ESX/ESX_20240605_1205_N0R.gif");
  EXPECT_EQ(ridge2FullListingUrl(ridge1, "ESX"), "https://radar.weather.gov/ridge/RadarImg/N0R/ESX/");
  EXPECT_EQ(ridge2ShortListingUrl(kHosts, "ESX", "N0Q"),
            "https://radar.weather.gov/ridge2/ajax/radar_paths.php?rid=ESX&pid=N0Q&callback=");
  EXPECT_EQ(ridge2ImageUrl(kHosts, "N0Q", "ESX_N0Q_202406051205.png"),
            "https://radar.weather.gov/ridge2/RadarImg2/N0Q/ESX_N0Q_202406051205.png");
}

TEST(RadarSources, CanadianTimesAndAddresses) {
  EXPECT_EQ(canadaIntervalMinutes("NEXRAD-XFT"), 6);
  EXPECT_EQ(canadaIntervalMinutes("NEXRAD-ONT-COMP"), 10);
  EXPECT_EQ(canadaIntervalMinutes("NEXRAD-ONT-COMP5"), 5);
  // From the last update on the grid to 3 minutes before the end, and two more.
  EXPECT_THAT(hhmm(canadaImageTimes(at(18, 31, 20), at(19, 17), 6)),
              ElementsAre("18:30", "18:36", "18:42", "18:48", "18:54", "19:00", "19:06", "19:12", "19:18"));
  const auto noUpdate = canadaImageTimes(std::nullopt, at(19, 17), 6);
  EXPECT_EQ(noUpdate.size(), 41u);
  EXPECT_EQ(vb::Format(noUpdate.front(), "hh:nn"), "15:18");

  EXPECT_EQ(canadaImageUrl(kHosts, "XFT", false, at(19, 6)),
            "https://dd.weather.gc.ca/20240605/WXO-DD/radar/CAPPI/GIF/XFT/202406051906_XFT_CAPPI_1.5_RAIN.gif");
  EXPECT_EQ(canadaImageUrl(kHosts, "XFT", true, at(19, 6)),
            "https://dd.weather.gc.ca/20240605/WXO-DD/radar/CAPPI/GIF/XFT/202406051906_XFT_CAPPI_1.0_SNOW.gif");
  EXPECT_EQ(canadaImageUrl(kHosts, "SWL", false, at(19, 6)),
            "https://dd.weather.gc.ca/20240605/WXO-DD/radar/CAPPI/GIF/CASWL/202406051906_CASWL_CAPPI_1.5_RAIN.gif");
  EXPECT_EQ(canadaImageUrl(kHosts, "ONT", false, at(19, 10)),
            "https://dd.weather.gc.ca/20240605/WXO-DD/radar/CAPPI/GIF/ONT/202406051910_ONT_CAPPI_1.5_RAIN_WT.gif");
}

}  // namespace
}  // namespace fw
