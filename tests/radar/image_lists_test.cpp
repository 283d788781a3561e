// Radar image lists: the service check, the three listing forms into names, the file time stamp,
// and image bytes coming through the download layer untouched.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "platform/clock.h"
#include "platform/vb/textfile.h"
#include "radar/image.h"
#include "radar/image_lists.h"
#include "radar/io_recorder.h"
#include "retrieval/internet_session.h"
#include "support/loopback_services.h"
#include "support/radar_fixtures.h"
#include "support/test_session.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string fixture(const std::string& name) {
  return vb::readAllBytes(testing::radarFixture(name));
}

TEST(RadarImageLists, TheThreeListingForms) {
  struct Case {
    const char* name;
    std::string text;
    int16_t mode;
    ListingKind kind;
    const char* product;
    std::vector<std::string> names;
  } cases[] = {
      // The archive's JSON list: one name per "ts", duplicates and order as listed.
      {"archive json", fixture("archive_list.json"), 2, ListingKind::ArchiveJson, "N0Q",
       {"ESX_N0Q_202305011205.png", "ESX_N0Q_202305011210.png", "ESX_N0Q_202305011210.png",
        "ESX_N0Q_202305011215.png"}},
      // A folder page: its links holding the site, in page order.
      {"folder page", fixture("ridge1_index.html"), 0, ListingKind::HtmlFolder, "N0R",
       {"ESX_20230501_1205_N0R.gif", "ESX_20230501_1210_N0R.gif", "ESX_20230501_1215_N0R.gif"}},
      // The Ridge1 overlay list of GIF images, after its first piece.
      {"gif comma list", fixture("ridge1_overlay.txt"), 0, ListingKind::CommaList, "N0R",
       {"ESX_20230501_1205_N0R.gif", "ESX_20230501_1210_N0R.gif", "ESX_20230501_1215_N0R.gif"}},
      // A comma list of PNG images: the newest (last) first.
      {"png comma list", fixture("ridge2_paths.txt"), 2, ListingKind::CommaList, "N0Q",
       {"ESX_N0Q_202305011215.png", "ESX_N0Q_202305011210.png", "ESX_N0Q_202305011205.png"}},
      {"another site's list", fixture("ridge2_paths.txt"), 2, ListingKind::CommaList, "N0Q", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string site = std::string(c.name) == "another site's list" ? "LRX" : "ESX";
    const RadarImageListing list = parseRadarImageList(c.text, c.mode, c.kind, site, c.product);
    EXPECT_EQ(list.Names, c.names);
    EXPECT_EQ(list.Count, static_cast<int32_t>(c.names.size()));
  }
  EXPECT_EQ(listingKindOf(true, true), ListingKind::HtmlFolder);
  EXPECT_EQ(listingKindOf(false, true), ListingKind::ArchiveJson);
  EXPECT_EQ(listingKindOf(false, false), ListingKind::CommaList);
}

TEST(RadarImageLists, ShortAndEmptyAnswers) {
  testing::IoRecorder rec;
  const std::string url = "http://127.0.0.1:1/json/radar";
  rec.replies[url] = {"", "Error 404 ok"};  // exactly 12 bytes: too little for a listing
  RadarImageListing list = RadarImageList(2, false, true, url, "ESX", "N0Q", rec.io());
  EXPECT_EQ(list.Count, -1);
  EXPECT_THAT(list.Names, IsEmpty());
  EXPECT_EQ(rec.fetched.size(), 2u);  // the empty answer was asked once more

  rec.fetched.clear();
  list = RadarImageList(2, false, true, url, "ESX", "N0Q", rec.io());  // nothing left: empty twice
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(rec.fetched.size(), 2u);

  rec.replies[url] = {"", fixture("archive_list.json")};
  EXPECT_EQ(RadarImageList(2, false, true, url, "ESX", "N0Q", rec.io()).Count, 4);
}

TEST(RadarImageLists, GetRadarIndexPicksAndChecksTheService) {
  const RadarHosts hosts;
  testing::IoRecorder rec;
  rec.replies[archiveDataFolder(hosts)] = {"<html><title>Index of /archive/data</title></html>"};
  std::string url;
  EXPECT_TRUE(GetRadarIndex(url, true, hosts, rec.io(true)));
  EXPECT_EQ(url, "https://mesonet.agron.iastate.edu/archive/data/");
  EXPECT_THAT(rec.errorLog, IsEmpty());

  const std::string page = fixture("error_page.html");
  rec.replies[ridge1Folder(hosts)] = {page};
  EXPECT_FALSE(GetRadarIndex(url, false, hosts, rec.io(true)));
  EXPECT_EQ(url, "");
  const std::string said = page + "\r\nRadar server down.";
  EXPECT_THAT(rec.logPane, ElementsAre(said));
  EXPECT_THAT(rec.errorLog, ElementsAre(said));
  EXPECT_EQ(rec.lastError, said);
  EXPECT_THAT(rec.boxes, IsEmpty());
  EXPECT_EQ(rec.fetched.back(), "https://radar.weather.gov/ridge/RadarImg/");
}

TEST(RadarImageLists, SetFileDateSetsOnlyTheLastWriteTime) {
  testing::TempFolder folder;
  const auto file = folder / "ESX_N0Q.png";
  testing::writeFile(file, "png bytes");
  struct timespec keep[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), keep, 0), 0);

  SetFileDate(file, vb::DateSerial(2023, 5, 1) + vb::TimeSerial(12, 5, 30));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  // 12:05:30 on 1 May 2023, local time, counted by hand from 1970 (UTC) and moved by the zone.
  const std::time_t utcSeconds = 1682942730;
  const ZoneInfo zone = localZoneAt(vb::DateSerial(2023, 5, 1) + vb::TimeSerial(12, 5, 30));
  EXPECT_EQ(st.st_mtime, utcSeconds + static_cast<std::time_t>(zone.hoursToUtc * 3600));
  EXPECT_EQ(st.st_atime, 1000000000);
  EXPECT_EQ(testing::readFile(file), "png bytes");

  SetFileDate(folder / "missing.png", vb::DateSerial(2023, 5, 1));
  EXPECT_FALSE(std::filesystem::exists(folder / "missing.png"));
}

TEST(RadarImageLists, ImageBytesComeThroughTheDownloadLayerUntouched) {
  testing::LoopbackHttpServer http;
  testing::TestSession t;
  t.s.services.internet = std::make_shared<NetInternetSession>([&t] { t.ui.doEvents(); }, 10000);
  const RadarIo io = radarIo(t.s);
  for (const char* name : {"level3_transparent.gif", "palette_trns.png", "stub_150.gif"}) {
    SCOPED_TRACE(name);
    const std::string bytes = io.fetch(http.base() + "/radar/" + name);
    EXPECT_TRUE(bytes == fixture(name));
  }
  EXPECT_EQ(io.fetch(http.base() + "/radar/stub_150.gif").size(), 150u);
  ImageError error;
  const RadarImage image = RadarImage::fromBytes(io.fetch(http.base() + "/radar/level3_transparent.gif"), error);
  ASSERT_TRUE(error.ok()) << error.text;
  EXPECT_EQ(image.pixel(6, 6), 0xFF04E9E7u);
}

}  // namespace
}  // namespace fw
