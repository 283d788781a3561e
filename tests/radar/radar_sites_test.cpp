// The radar site table: reading "RadarSitesMosaics.txt", finding a site, and the map request's box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/vb/error.h"
#include "platform/vb/textfile.h"
#include "radar/radar_sites.h"
#include "radar/io_recorder.h"
#include "support/radar_fixtures.h"
#include "support/test_session.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct SiteFolder {
  testing::TempFolder folder;
  testing::IoRecorder rec;
  SiteFolder() {
    std::filesystem::copy_file(testing::radarFixture(kRadarSitesFile), folder / kRadarSitesFile);
  }
};

TEST(RadarSites, TheFixtureTable) {
  SiteFolder f;
  RadarSiteTable table;
  ASSERT_TRUE(ReadRadarSitesMosaics(table, f.folder.path(), f.rec.io()));
  // The title line, the 3-field line and the empty text after the last CR LF are no sites; the
  // line whose latitude is not a number is said and left out.
  ASSERT_EQ(table.count(), 3);
  EXPECT_THAT(f.rec.boxes,
              ElementsAre((f.folder / kRadarSitesFile).string() +
                          " line 5 (Type mismatch): NV\tLRX\tElko\tnorth\t-116.8028\t2056 is not a radar site."));
  const RadarSite& esx = table.sites[0];
  EXPECT_EQ(esx.State, "NV");
  EXPECT_EQ(esx.SiteId, "ESX");
  EXPECT_EQ(esx.Name, "Las Vegas");
  EXPECT_DOUBLE_EQ(esx.Latitude, static_cast<double>(35.7011f));  // read at single precision
  EXPECT_DOUBLE_EQ(esx.Longitude, static_cast<double>(-114.8914f));
  EXPECT_FLOAT_EQ(esx.Number, 1483);
  // Seven fields keep fields 0 to 5 only; a mosaic line has its box and image size.
  EXPECT_EQ(table.sites[1].SiteId, "IWA");
  EXPECT_EQ(table.sites[1].BoxMiles, 0);
  EXPECT_EQ(table.sites[1].ImageSize, 0);
  EXPECT_EQ(table.sites[2].SiteId, "USZZ");
  EXPECT_FLOAT_EQ(table.sites[2].BoxMiles, 1500);
  EXPECT_EQ(table.sites[2].ImageSize, 3400);

  EXPECT_EQ(FindRadarSite(table, "ESX"), 1);
  EXPECT_EQ(FindRadarSite(table, "USZZ"), 3);
  EXPECT_EQ(FindRadarSite(table, "esx"), 0);  // case counts
  EXPECT_EQ(FindRadarSite(table, "State"), 0);  // the title line is never a site
  EXPECT_EQ(FindRadarSite(RadarSiteTable{}, "ESX"), 0);
}

TEST(RadarSites, BoxesForTheMapServiceByHand) {
  RadarSiteTable table = parseRadarSites(vb::readAllBytes(testing::radarFixture(kRadarSitesFile)));
  double miles = 150;
  // Half-width 150 / cos(35.7011 deg) / 69.0933 = 2.67338 degrees; the box is shortened by 25/500
  // of its width at the top and the bottom.
  EXPECT_EQ(RadarSiteBox(table, miles, "ESX"), "-117.564782680745,33.2950578614998,-112.21802371574,38.1071409300041");
  EXPECT_EQ(miles, 150);
  // A mosaic takes its own half-size (1500 miles) and hands back its image size.
  EXPECT_EQ(RadarSiteBox(table, miles, "USZZ"), "-125.935260713885,11.064739286115,-70.064739286115,66.935260713885");
  EXPECT_EQ(miles, 3400);
  // At latitude 60 a 150-mile box is 4.342 degrees to each side.
  table.sites.push_back({"AK", "NOR", "North", 60, -100, 0, 0, 0});
  miles = 150;
  EXPECT_EQ(RadarSiteBox(table, miles, "NOR"), "-104.34195501046,56.0922404905856,-95.6580449895396,63.9077595094144");
}

TEST(RadarSites, AMissingSiteIsAnErrorOfTheCallerAndAMissingFileIsSaid) {
  const RadarSiteTable table = parseRadarSites(vb::readAllBytes(testing::radarFixture(kRadarSitesFile)));
  double miles = 150;
  try {
    RadarSiteBox(table, miles, "XYZ");
    FAIL() << "no error";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), vb::err::SubscriptOutOfRange);
    EXPECT_THAT(e.description(), HasSubstr("XYZ"));
  }

  // Batch: the text goes to the error log, no box; the table stays as it was.
  testing::TempFolder empty;
  testing::IoRecorder rec;
  RadarSiteTable kept = table;
  EXPECT_FALSE(ReadRadarSitesMosaics(kept, empty.path(), rec.io(true)));
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_THAT(rec.errorLog, ElementsAre((empty / kRadarSitesFile).string() + " not found."));
  EXPECT_EQ(kept.count(), 3);
  // Interactive: a box.
  EXPECT_FALSE(ReadRadarSitesMosaics(kept, empty.path(), rec.io(false)));
  EXPECT_THAT(rec.boxes, ElementsAre((empty / kRadarSitesFile).string() + " not found."));
}

TEST(RadarSites, TheTableIsLoadedWheneverItHoldsNoSite) {
  SiteFolder f;
  RadarSiteTable table;
  ensureRadarSites(table, f.folder.path(), f.rec.io(true));
  EXPECT_EQ(table.count(), 3);
  std::filesystem::remove(f.folder / kRadarSitesFile);
  ensureRadarSites(table, f.folder.path(), f.rec.io(true));  // loaded: not read again
  EXPECT_EQ(table.count(), 3);
  EXPECT_EQ(f.rec.errorLog.size(), 1u);  // the skipped line, once
}

}  // namespace
}  // namespace fw
