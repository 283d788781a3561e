#include <gtest/gtest.h>

#include <vector>

#include "platform/script/script_control.h"
#include "radar/basin_stats.h"
#include "radar/colour_tables.h"
#include "radar/pixel_class.h"
#include "radar/radar_rain.h"

namespace fw {
namespace {

// Level-3 legend entries and their built-in rates (in/hr): 20 dBZ 0.02, 30 dBZ 0.09, 40 dBZ
// 0.48, 50 dBZ 2.49.
Argb legend(int entry, uint8_t alpha = 255) {
  return OleColorToArgb(kLevel3LegendColours[static_cast<size_t>(entry)], alpha);
}
const Argb c20 = legend(2), c30 = legend(4), c40 = legend(6), c50 = legend(8);

struct Image20 {
  std::vector<Argb> pixels = std::vector<Argb>(20 * 20, 0);
  void set(int x, int y, Argb a) { pixels[static_cast<size_t>(y * 20 + x)] = a; }
  ArgbPixels view() const { return {pixels.data(), 20, 20, 20}; }
};

ColourTables level3Tables() {
  ColourTables t;
  t.Level3Legend = builtinLevel3Legend();
  t.Level3Legend.RateInUse = t.Level3Legend.Rate;
  return t;
}

RainImage gifImage() {
  RainImage r;
  r.RadarImageMode = 0;
  r.Product = "N0Q";
  return r;
}

// The box (5,5)-(9,7): 15 pixels of which the 12 in columns 5-8 are the basin; column 9 holds
// 50 dBZ pixels that must not count.
PointMask twelvePixelMask() {
  PointMask m;
  m.xFrom = 5;
  m.yFrom = 5;
  m.xTo = 9;
  m.yTo = 7;
  m.flags = {1, 1, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, 0};
  return m;
}

// Row 5: 30 30 40 40; row 6: 50 20 transparent-black 30; row 7: opaque black, 40, 50, and a
// 50 dBZ colour with alpha 0 (transparent: a point, never classified).
Image20 fourColours() {
  Image20 im;
  const Argb rows[3][4] = {{c30, c30, c40, c40}, {c50, c20, 0, c30}, {0xFF000000u, c40, c50, legend(8, 0)}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) im.set(5 + x, 5 + y, rows[y][x]);
  for (int y = 5; y <= 7; ++y) im.set(9, y, c50);
  return im;
}

TEST(BasinStats, MeanAndMaximumOfTwelveMaskedPixels) {
  const ColourTables t = level3Tables();
  const RainClassifier cls(t, gifImage());
  const Image20 im = fourColours();
  const BasinStats st = rainBasinStats(im.view(), twelvePixelMask(), cls, 0);
  // 4 x 0.09 + 3 x 0.48 + 2 x 2.49 + 0.02 = 6.71 over 12 points.
  EXPECT_EQ(st.points, 12);
  EXPECT_NEAR(st.sum, 6.71, 1e-9);
  EXPECT_NEAR(st.mean(), 6.71 / 12, 1e-12);
  EXPECT_DOUBLE_EQ(st.maximum, 2.49);
  EXPECT_EQ(st.maxX, 5);  // the first 50 dBZ pixel
  EXPECT_EQ(st.maxY, 6);

  // Depth over a 5-minute image: mean / 12 = 0.0465972 -> 0.0466; a total keeps the mean rate;
  // a maximum line the largest rate; metric values are in mm.
  EXPECT_DOUBLE_EQ(basinValue(st, true, 10, 5, false), 0.0466);
  EXPECT_DOUBLE_EQ(basinValue(st, true, 9, 5, false), 0.55917);
  EXPECT_DOUBLE_EQ(basinValue(st, true, 32, 5, false), 2.49);
  EXPECT_DOUBLE_EQ(basinValue(st, true, 10, 5, true), 0.0466 * 25.4);
  // A 4-minute image: mean / 15 = 0.0372778 -> 0.03728.
  EXPECT_DOUBLE_EQ(basinValue(st, true, 10, 4, false), 0.03728);
}

TEST(BasinStats, SuppressionThresholdDropsRatesButKeepsPoints) {
  const ColourTables t = level3Tables();
  const RainClassifier cls(t, gifImage());
  const Image20 im = fourColours();
  struct Case {
    double suppress;
    double sum;
    double value;  // data type 10, 5 minutes
  };
  for (const Case& c : {Case{0, 6.71, 0.0466}, Case{0.1, 6.42, 0.04458}, Case{10.0, 0, 0}}) {
    const BasinStats st = rainBasinStats(im.view(), twelvePixelMask(), cls, c.suppress);
    EXPECT_EQ(st.points, 12) << c.suppress;
    EXPECT_NEAR(st.sum, c.sum, 1e-9) << c.suppress;
    EXPECT_DOUBLE_EQ(basinValue(st, true, 10, 5, false), c.value) << c.suppress;
  }
}

TEST(BasinStats, MaskBoxPartlyOutsideTheImage) {
  const ColourTables t = level3Tables();
  const RainClassifier cls(t, gifImage());
  Image20 im;
  for (int y = 18; y <= 19; ++y)
    for (int x = 0; x <= 1; ++x) im.set(x, y, c50);
  PointMask m;
  m.xFrom = -2;
  m.yFrom = 18;
  m.xTo = 1;
  m.yTo = 20;
  m.flags.assign(12, 1);
  const BasinStats st = rainBasinStats(im.view(), m, cls, 0);
  EXPECT_EQ(st.points, 12);
  EXPECT_EQ(st.outside, 8);
  EXPECT_NEAR(st.sum, 4 * 2.49, 1e-9);
  EXPECT_DOUBLE_EQ(basinValue(st, true, 10, 5, false), 0.06917);  // 9.96 / 12 / 12

  // A nowcast shift of 2 pixels east moves the box to x -4..-1: every pixel outside.
  const BasinStats shifted = rainBasinStats(im.view(), m, cls, 0, 2, 0);
  EXPECT_EQ(shifted.points, 12);
  EXPECT_EQ(shifted.outside, 12);
  EXPECT_EQ(shifted.sum, 0);
}

TEST(BasinStats, EmptyMaskGivesNoPointsAndNoDivision) {
  const ColourTables t = level3Tables();
  const RainClassifier cls(t, gifImage());
  PointMask m = twelvePixelMask();
  m.flags.assign(m.flags.size(), 0);
  const BasinStats st = rainBasinStats(fourColours().view(), m, cls, 0);
  EXPECT_EQ(st.points, 0);
  EXPECT_EQ(basinValue(st, true, 10, 5, false), 0);
}

TEST(BasinStats, InversionThreshold) {
  struct Case {
    const char* threshold;
    double mean;
    int16_t dataType;
    double expected;
  };
  const Case cases[] = {
      {"0.05", 0.03, 10, 0},     // below the threshold: no rain
      {"0.05", 0.06, 10, 1.5},   // above: kept
      {"0.1", 0.03, 10, 1.5},    // 0.1 or more is never a threshold
      {"0.05", 0.03, 32, 1.5},   // never for a maximum
      {"", 0.03, 10, 1.5},       // none
      {"0,20,30", 0.0, 10, 1.5}, // a legend list reads as 0
      {".05", 0.03, 10, 1.5},    // must start with a digit
  };
  for (const Case& c : cases)
    EXPECT_EQ(inversionSuppressed(1.5, c.mean, c.threshold, c.dataType), c.expected) << c.threshold << " " << c.mean;
}

TEST(BasinStats, AdjustmentExpressionInP1) {
  ScriptControl script;
  EXPECT_NEAR(adjustedValue(0.0466, "P1*1.2", script), 0.05592, 1e-12);
  EXPECT_EQ(adjustedValue(0.0466, "P1*2", script), 0.0466);  // four characters or fewer: not an expression
  EXPECT_EQ(adjustedValue(0.0466, "", script), 0.0466);
}

TEST(BasinStats, PointFilesAreFreeFormat) {
  std::string error;
  const auto m = parsePointFile("10,20,13,22\r\n1 1 0 1\r\n1,1,1,1\n0 0 1 1", error);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->xFrom, 10);
  EXPECT_EQ(m->yTo, 22);
  EXPECT_EQ(m->flags, (std::vector<uint8_t>{1, 1, 0, 1, 1, 1, 1, 1, 0, 0, 1, 1}));
  EXPECT_FALSE(parsePointFile("10,20,13,22\r\n1 1 0", error));
  EXPECT_EQ(error, "Input past end of file");
  EXPECT_FALSE(parsePointFile("13,20,10,22", error));
}

TEST(BasinStats, BoundaryLeavesOutItsLastThreeLines) {
  const auto v = parseBoundary("1,2\r\n3,4\r\n5,6\r\nCenter=512,498\r\n7,8\r\n");
  EXPECT_EQ(v, (std::vector<std::pair<int, int>>{{1, 2}, {3, 4}, {5, 6}}));
}

TEST(BasinStats, PointFileNames) {
  EXPECT_EQ(pointFileName("ESX", "-10012", "N0Q", 2, false), "NexradPointESX-10012Q.txt");
  EXPECT_EQ(pointFileName("ESX", "-10012", "N0B", 2, false), "NexradPointESX-10012B.txt");
  EXPECT_EQ(pointFileName("ESX", "10012", "A2M", 1, false), "NexradPointESX10012R.txt");
  EXPECT_EQ(pointFileName("ESX", "10012", "N0R", 0, false), "NexradPointESX10012.txt");
  EXPECT_EQ(pointFileName("ESX", "10012", "N0R", 0, true), "NexradPointESX10012K.txt");
  // HRR reads the point files of the rainfall DSID: only the leading "11" becomes "-10".
  EXPECT_EQ(pointFileName("ESX", "11111", "HRR", 2, false), "NexradPointESX-10111R.txt");
  EXPECT_EQ(pointFileName("ESX", "-11012", "HRR", 2, false), "NexradPointESX-10012R.txt");
  EXPECT_EQ(pointFileName("ESX", "-12011", "HRR", 2, false), "NexradPointESX-12011R.txt");
}

TEST(BasinStats, VelocityPreviousRowIsTheImageWidth) {
  // A box wider than the image and a pixel past its right edge: read as 0, never out of range.
  Image20 im;
  PointMask m;
  m.xFrom = 0;
  m.yFrom = 0;
  m.xTo = 1200;
  m.yTo = 3;
  m.flags.assign(static_cast<size_t>(m.boxPixels()), 1);
  const BasinStats st = echoBasinStats(im.view(), m, "N0V");
  EXPECT_GT(st.points, 0);
  EXPECT_GT(st.outside, 0);
  EXPECT_EQ(st.maximum, 0);
}

}  // namespace
}  // namespace fw
