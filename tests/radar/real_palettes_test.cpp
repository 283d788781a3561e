// Real images and colour ramps of the public archive, read through the table their source uses
// with the colour tables the program ships (example/): every ramp colour gets the class its ramp
// gives it, and real rain pixels get their rates.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/vb/textfile.h"
#include "radar/image.h"
#include "radar/pixel_class.h"
#include "support/radar_fixtures.h"

namespace fw {
namespace {

using testing::radarFixture;

RadarImage load(const std::string& name) {
  ImageError error;
  RadarImage image = RadarImage::fromFile(radarFixture(name), error);
  EXPECT_TRUE(error.ok()) << error.text;
  return image;
}

// The tables as a run builds them from the shipped installation files.
ColourTables shippedTables() {
  const auto example = std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example";
  ColourTables t;
  t.Level3Legend = builtinLevel3Legend();
  t.Level3Legend.RateInUse = t.Level3Legend.Rate;
  t.Level2ColourStringA = builtinLevel2ColourStringA();
  t.Level2ZRTable = parseLevel2RGB(vb::readAllBytes(example / kLevel2RGBFile)).table;
  t.CanadaLegendTable = builtinCanadaLegend();
  t.A2mRateTable = parseA2mRates(vb::readAllBytes(example / kA2mRateFile));
  return t;
}

RainImage level2Image(const char* product, int16_t relation = 0) {
  RainImage image;
  image.RadarImageMode = 2;
  image.Product = product;
  image.ZRRelation = relation;
  image.Level2Column = level2Column(product, false, false);
  return image;
}

// The rate the first table line of the colour in the column gives: the ramp's lowest step of it.
double firstLineRate(const ColourTables& t, vb::Color colour, int column, int relation) {
  for (std::size_t i = 3; i < t.Level2ZRTable.Rows.size(); ++i)
    if (t.Level2ZRTable.Rows[i].Colour[static_cast<std::size_t>(column)] == colour)
      return t.Level2ZRTable.Rows[i].Rate[static_cast<std::size_t>(relation)];
  return -1;
}

const int kN0rBlockCentre[15] = {6, 15, 23, 32, 40, 49, 58, 66, 74, 83, 91, 100, 109, 117, 126};

TEST(RealPalettes, TheN0qRampThroughTheLevel2Table) {
  const ColourTables t = shippedTables();
  const RadarImage ramp = load("iem_gis_n0q-ramp.png");
  const RainClassifier archive(t, level2Image("N0Q"));
  const RainClassifier hrrr(t, level2Image("HRR"));
  for (int i = 1; i <= 242; ++i) {
    SCOPED_TRACE(i);
    const Argb p = ramp.pixel(i, 5);
    ASSERT_TRUE(archive.classified(p));
    EXPECT_DOUBLE_EQ(archive.rate(p), firstLineRate(t, ReverseRGB(p), 2, 0));
    EXPECT_DOUBLE_EQ(hrrr.rate(p), archive.rate(p));
  }
  // 40 dBZ (index 142) under the convective relation Z = 300 R^1.4, and under the tropical one.
  EXPECT_NEAR(archive.rate(ramp.pixel(142, 5)), testing::zrRate(40, 300, 1.4), 5e-5);
  EXPECT_NEAR(RainClassifier(t, level2Image("N0Q", 3)).rate(ramp.pixel(142, 5)), testing::zrRate(40, 250, 1.2), 5e-5);
  // The ramp's black background and white labels are no class of it.
  EXPECT_DOUBLE_EQ(archive.rate(ramp.pixel(0, 5)), 0);
}

TEST(RealPalettes, TheN0rRampThroughTheLevel2TableAndTheLevel3Legend) {
  const ColourTables t = shippedTables();
  const RadarImage ramp = load("iem_gis_n0r-ramp.png");
  const RainClassifier ncr(t, level2Image("NCR"));
  const RainClassifier archiveN0r(t, level2Image("N0R"));
  RainImage gif;
  const RainClassifier level3(t, gif);
  for (int k = 0; k < 15; ++k) {
    SCOPED_TRACE(k);
    const Argb p = ramp.pixel(kN0rBlockCentre[k], 6);
    // NCR images of the map service and the archive's N0R images: the ramp's own 5 dBZ step.
    EXPECT_NEAR(ncr.rate(p), std::min(testing::zrRate(5.0 * k, 300, 1.4), 4.09), 5e-5);
    EXPECT_TRUE(archiveN0r.classified(p));
    // The same colours as the NWS scale draws them a few units off, in a level-3 image: block k is
    // entry k - 1 of the legend (block 0 is its 4,233,231, which is no entry), white is the map's.
    const double expected = k >= 1 && k <= 13 ? t.Level3Legend.RateInUse[static_cast<std::size_t>(k - 1)] : 0;
    EXPECT_DOUBLE_EQ(level3.rate(p), expected);
    EXPECT_EQ(level3.classified(p), k >= 1 && k <= 13);
  }
}

TEST(RealPalettes, TheNwsRampGifMatchesTheLevel3LegendExactly) {
  const ColourTables t = shippedTables();
  const RadarImage ramp = load("iem_docs_nexrad_mosaic_color_ramp.gif");
  RainImage gif;
  const RainClassifier level3(t, gif);
  struct Block {
    int x, y;
    int entry;  // -1: no entry
  } blocks[] = {{26, 44, 0},  {26, 32, 1},  {26, 20, 2},  {26, 8, 3},   {64, 67, 4},
                {64, 55, 5},  {64, 43, 6},  {64, 31, 7},  {64, 19, 8},  {64, 7, 9},
                {102, 67, 10}, {102, 55, 11}, {102, 43, 12}, {26, 56, -1}, {26, 68, -1}};
  for (const Block& b : blocks) {
    SCOPED_TRACE(::testing::Message() << b.x << "," << b.y);
    const vb::Color colour = ReverseRGB(ramp.pixel(b.x, b.y));
    EXPECT_EQ(level3LegendIndex(t.Level3Legend, colour), b.entry);  // exact colours
    EXPECT_DOUBLE_EQ(level3.rate(ramp.pixel(b.x, b.y)),
                     b.entry < 0 ? 0 : t.Level3Legend.RateInUse[static_cast<std::size_t>(b.entry)]);
  }
  EXPECT_EQ(argbAlpha(ramp.pixel(0, 0)), 0);  // the transparent index
}

TEST(RealPalettes, TheMrmsA2mRampThroughTheA2mTable) {
  const ColourTables t = shippedTables();
  const RadarImage ramp = load("iem_images_mrms_a2m.png");
  RainImage a2m;
  a2m.RadarImageMode = 1;
  a2m.Product = "A2M";
  const RainClassifier c(t, a2m);
  for (int i = 1; i <= 254; ++i) {
    SCOPED_TRACE(i);
    const Argb p = ramp.pixel(i, 5);
    ASSERT_TRUE(c.classified(p));
    // Index i holds i x 0.02 mm in two minutes; a colour the ramp repeats keeps its first step.
    const int first = [&] {
      for (int j = 1; j <= i; ++j)
        if (ramp.pixel(j, 5) == p) return j;
      return i;
    }();
    EXPECT_NEAR(c.rate(p), first * 0.02 * 30 / 25.4, 5e-5);
  }
  // Five steps an inch of the ramp's tick labels: 0.05 inch in two minutes at index 63.
  EXPECT_NEAR(c.rate(ramp.pixel(63, 5)) / 30, 0.05, 0.001);
}

TEST(RealPalettes, RealRainPixelsGetTheirRates) {
  const ColourTables t = shippedTables();
  // The archive's single-site N0R image of 3 May 1999: its colours are entries of the N0Q ramp.
  const RadarImage tlx = load("iem_GIS_TLX_N0R_199905032356.png");
  ASSERT_EQ(tlx.width(), 215);
  ASSERT_EQ(tlx.height(), 137);
  const RainClassifier archive(t, level2Image("N0R"));
  EXPECT_EQ(tlx.pixel(43, 11), 0xFFFFB600u);  // N0Q ramp index 153: 45.5 dBZ
  EXPECT_NEAR(archive.rate(tlx.pixel(43, 11)), testing::zrRate(45.5, 300, 1.4), 5e-5);
  EXPECT_EQ(tlx.pixel(65, 0), 0xFF0FBC15u);  // index 113: 25.5 dBZ
  EXPECT_NEAR(archive.rate(tlx.pixel(65, 0)), testing::zrRate(25.5, 300, 1.4), 5e-5);
  int rain = 0, unclassified = 0;
  for (int y = 0; y < tlx.height(); ++y)
    for (int x = 0; x < tlx.width(); ++x) {
      const Argb p = tlx.pixel(x, y);
      if (ReverseRGB(p) == 0) continue;  // the black background
      if (archive.classified(p))
        ++rain;
      else
        ++unclassified;
    }
  EXPECT_GT(rain, 10000);
  EXPECT_EQ(unclassified, 0);

  // The archive's N0R composite, as the map service's NCR layer draws it.
  const RadarImage composite = load("iem_docs_nexrad_mosaic_example_raster.png");
  const RainClassifier ncr(t, level2Image("NCR"));
  EXPECT_EQ(composite.pixel(291, 38), 0xFFFFFF00u);  // 30 dBZ
  EXPECT_NEAR(ncr.rate(composite.pixel(291, 38)), testing::zrRate(30, 300, 1.4), 5e-5);
  EXPECT_EQ(composite.pixel(328, 55), 0xFFFF0000u);  // 45 dBZ
  EXPECT_NEAR(ncr.rate(composite.pixel(328, 55)), testing::zrRate(45, 300, 1.4), 5e-5);
  int compositeUnclassified = 0;
  for (int y = 0; y < composite.height(); ++y)
    for (int x = 0; x < composite.width(); ++x) {
      const Argb p = composite.pixel(x, y);
      if (ReverseRGB(p) != 0 && !ncr.classified(p)) ++compositeUnclassified;
    }
  EXPECT_EQ(compositeUnclassified, 0);
}

}  // namespace
}  // namespace fw
