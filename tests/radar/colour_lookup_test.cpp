// Colour lookups and pixel classification: the label routines, the A2M rate, whole-field colour
// strings, the table each image kind uses and how colours are matched in it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "radar/pixel_class.h"

namespace fw {
namespace {

Argb opaque(vb::Color c) {
  return OleColorToArgb(c, 255);
}

ColourTables builtinTables() {
  ColourTables t;
  t.Level3Legend = builtinLevel3Legend();
  t.Level3Legend.RateInUse = t.Level3Legend.Rate;
  t.Level2ColourStringA = builtinLevel2ColourStringA();
  t.Level2ColourStringB = builtinLevel2ColourStringB();
  t.CanadaLegendTable = builtinCanadaLegend();
  return t;
}

TEST(RadarLabels, DbzAndVelocityTextsByHand) {
  struct Case {
    vb::Color colour;
    const char* dbz;
    const char* velocity;
    const char* wide;
  } cases[] = {
      {vb::RGB(4, 233, 231), "1", "NA", "NA"},       {vb::RGB(1, 159, 244), "5", "NA", "NA"},
      {vb::RGB(1, 197, 1), "20", "-30", "-60"},      {vb::RGB(253, 149, 0), "40", "NA", "NA"},
      {vb::RGB(253, 253, 253), "70", "NA", "NA"},    {vb::RGB(6, 143, 3), "NA", "-10", "-20"},
      {vb::RGB(254, 0, 0), "NA", "+50", "+99"},      {vb::RGB(144, 0, 160), "NA", "RangeFolding", "RangeFolding"},
      {vb::RGB(124, 151, 123), "NA", "-0", "-0"},    {vb::RGB(253, 139, 0), "NA", "NA", "NA"},
      {0, "NA", "NA", "NA"},                         {vb::RGB(9, 9, 9), "NA", "NA", "NA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colour);
    EXPECT_EQ(DbzLabel(c.colour), c.dbz);
    EXPECT_EQ(VelocityLabel(c.colour), c.velocity);
    EXPECT_EQ(VelocityLabelWide(c.colour), c.wide);
  }
}

TEST(RadarLabels, A2mRateFromTheFourthLineOn) {
  A2mRateData t;
  t.Colour = {0, 0, 111, 222, 333, 222};
  t.Rate = {0, 0, 9.5f, 0.25f, 1.5f, 7.0f};
  EXPECT_EQ(RadarColorRate(t, 222), "0.25");
  EXPECT_EQ(RadarColorRate(t, 333), "1.5");
  EXPECT_EQ(RadarColorRate(t, 111), "0");  // the third line is read but never looked up
  EXPECT_EQ(RadarColorRate(t, 444), "0");
  EXPECT_EQ(RadarColorRate(A2mRateData{}, 222), "0");
}

TEST(RadarLabels, ColourStringsMatchWholeFieldsOnly) {
  const std::string canada = builtinCanadaLegend().ColourString;
  EXPECT_EQ(fixedWidthColourEntry(canada, 6749952), 3);
  EXPECT_EQ(fixedWidthColourEntry(canada, 255), 11);
  EXPECT_EQ(fixedWidthColourEntry(canada, 52), 0);      // digits inside 6749952 and 52224
  EXPECT_EQ(fixedWidthColourEntry(canada, 399), 0);     // inside 39168 and 39423
  const std::string a = builtinLevel2ColourStringA();
  EXPECT_EQ(fixedWidthColourEntry(a, 184), 10);
  EXPECT_EQ(fixedWidthColourEntry(a, 18), 0);           // inside 184
  EXPECT_EQ(fixedWidthColourEntry(a, 15789061), 14);
  // Every built-in colour still finds its own entry.
  for (int k = 0; k < kLegendEntries; ++k) {
    EXPECT_EQ(fixedWidthColourEntry(canada, static_cast<vb::Color>(fixedWidthValue(canada, k))), k + 1);
    EXPECT_EQ(fixedWidthColourEntry(a, static_cast<vb::Color>(fixedWidthValue(a, k))), k + 1);
  }

  // So a Canadian pixel whose colour value is 52 gets no class, 52224 its own.
  ColourTables t = builtinTables();
  RainImage ca;
  ca.CanadaSite = true;
  const RainClassifier c(t, ca);
  EXPECT_EQ(c.table(), RainTable::CanadaLegend);
  EXPECT_EQ(c.rate(opaque(52)), 0);
  EXPECT_FALSE(c.classified(opaque(52)));
  EXPECT_FLOAT_EQ(static_cast<float>(c.rate(opaque(52224))), 0.16f);
  ca.CanadaColumn = 1;
  EXPECT_FLOAT_EQ(static_cast<float>(RainClassifier(t, ca).rate(opaque(52224))), 0.20f);
}

TEST(RadarLabels, Level3EntriesAndTotals) {
  const Level3LegendData legend = builtinLevel3Legend();
  EXPECT_EQ(level3LegendIndex(legend, vb::RGB(1, 159, 244)), 0);
  EXPECT_EQ(level3LegendIndex(legend, vb::RGB(253, 139, 0)), 7);
  EXPECT_EQ(level3LegendIndex(legend, vb::RGB(253, 149, 0)), 7);
  EXPECT_EQ(level3LegendIndex(legend, vb::RGB(4, 233, 231)), -1);
  EXPECT_DOUBLE_EQ(totalsLegendValue(vb::RGB(253, 139, 0)), 1.7);
  EXPECT_DOUBLE_EQ(totalsLegendValue(vb::RGB(253, 149, 0)), 1.7);
  EXPECT_DOUBLE_EQ(totalsLegendValue(vb::RGB(4, 233, 231)), 0.01);
  EXPECT_DOUBLE_EQ(totalsLegendValue(vb::RGB(1, 1, 1)), 0);
}

TEST(RadarClassifier, EachImageKindReadsItsTable) {
  struct Case {
    int16_t mode;
    const char* product;
    bool canada, totals;
    RainTable table;
  } cases[] = {
      {0, "N0R", false, false, RainTable::Level3Legend}, {0, "C0R", true, false, RainTable::CanadaLegend},
      {0, "N1P", false, true, RainTable::TotalsLegend},  {2, "PTA", false, true, RainTable::TotalsLegend},
      {1, "A2M", false, false, RainTable::A2mRates},     {1, "N0Q", false, false, RainTable::Level2String},
      {2, "N0Q", false, false, RainTable::Level2Table},  {3, "N0R", false, false, RainTable::Level2Table},
      {3, "N0Q", false, false, RainTable::None},
      // A line marked -1 that nothing marked again: A2M rate-coloured, the others level-2.
      {-1, "A2M", false, false, RainTable::A2mRates},    {-1, "NCQ", false, false, RainTable::Level2Table},
      {-1, "HRR", false, false, RainTable::Level2Table},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.mode << " " << c.product);
    RainImage image;
    image.RadarImageMode = c.mode;
    image.Product = c.product;
    image.CanadaSite = c.canada;
    image.RadarTotalsFlag = c.totals;
    EXPECT_EQ(rainTableFor(image), c.table);
  }
  EXPECT_EQ(level2Column("NCR", false, false), 0);
  EXPECT_EQ(level2Column("N0Q", false, false), 2);
  EXPECT_EQ(level2Column("N0Q", true, false), 1);
  EXPECT_EQ(level2Column("NCR", true, true), 0);
}

TEST(RadarClassifier, RatesByHandFromEachTable) {
  ColourTables t = builtinTables();
  t.Level3Legend.RateInUse[5] = 0.3;  // the line's own rate list
  t.A2mRateTable.Colour = {0, 0, 0, vb::RGB(0, 6, 255), vb::RGB(0, 12, 255)};
  t.A2mRateTable.Rate = {0, 0, 0, 0.0236f, 0.0472f};
  t.Level2ZRTable.Rows.resize(5);
  t.Level2ZRTable.Rows[3] = {40, {vb::RGB(255, 144, 0), 0, vb::RGB(193, 189, 5)}, {0.48, 0.45, 0.35, 0.85, 0.45}};
  t.Level2ZRTable.Rows[4] = {45, {vb::RGB(255, 0, 0), 0, vb::RGB(193, 189, 5)}, {1.1, 0.8, 0.6, 2.2, 0.9}};

  auto rateOf = [&](int16_t mode, const char* product, vb::Color colour, int16_t relation = 0, int column = 2) {
    RainImage image;
    image.RadarImageMode = mode;
    image.Product = product;
    image.ZRRelation = relation;
    image.Level2Column = column;
    return RainClassifier(t, image).rate(opaque(colour));
  };
  EXPECT_DOUBLE_EQ(rateOf(0, "N0R", vb::RGB(253, 248, 2)), 0.3);  // entry 5, the rate in use
  EXPECT_DOUBLE_EQ(rateOf(0, "N0R", vb::RGB(253, 149, 0)), 1.1);
  EXPECT_DOUBLE_EQ(rateOf(0, "N0R", vb::RGB(253, 139, 0)), 1.1);
  EXPECT_DOUBLE_EQ(rateOf(0, "N0R", vb::RGB(4, 233, 231)), 0);
  EXPECT_FLOAT_EQ(static_cast<float>(rateOf(1, "A2M", vb::RGB(0, 12, 255))), 0.0472f);
  EXPECT_DOUBLE_EQ(rateOf(1, "N0Q", 33023), t.Level3Legend.RateInUse[8]);  // Level2ColourStringA entry 9
  EXPECT_DOUBLE_EQ(rateOf(2, "N0Q", vb::RGB(193, 189, 5), 3), 0.85);      // the first line wins
  EXPECT_DOUBLE_EQ(rateOf(2, "NCR", vb::RGB(255, 0, 0), 0, 0), 1.1);
  EXPECT_DOUBLE_EQ(rateOf(2, "NCR", vb::RGB(193, 189, 5), 0, 0), 0);  // not in the NCR column
  EXPECT_DOUBLE_EQ(rateOf(2, "N0Q", vb::RGB(193, 189, 5), -1), 0);    // no such relation
  EXPECT_DOUBLE_EQ(rateOf(2, "N0Q", 0), 0);

  // A transparent pixel is no echo, whatever colour its palette entry has.
  RainImage level3;
  const RainClassifier c(t, level3);
  EXPECT_EQ(c.rate(0x00FD0000), 0);
  EXPECT_DOUBLE_EQ(c.rate(0xFFFD0000), 2.49);
  EXPECT_DOUBLE_EQ(c.rate(0x20FD0000), 2.49);  // alpha does not change the colour
}

TEST(RadarClassifier, NearColoursCountOnlyForTheNwsScaleAndNeverForGreys) {
  ColourTables t = builtinTables();
  RainImage level3;
  const RainClassifier c(t, level3);
  EXPECT_EQ(c.match(), ColourMatch::NearestWithin);
  EXPECT_DOUBLE_EQ(c.rate(opaque(vb::RGB(255, 0, 0))), 2.49);      // 253,0,0 two units off
  EXPECT_DOUBLE_EQ(c.rate(opaque(vb::RGB(255, 255, 0))), 0.21);    // 253,248,2 seven units off
  EXPECT_DOUBLE_EQ(c.rate(opaque(vb::RGB(253, 0, 0 + 9))), 0);     // nine units off: no class
  EXPECT_DOUBLE_EQ(c.rate(opaque(vb::RGB(255, 255, 255))), 0);     // white of the map, not 75 dBZ
  EXPECT_DOUBLE_EQ(c.rate(opaque(vb::RGB(253, 253, 253))), 6.08);  // the scale's own white
  EXPECT_DOUBLE_EQ(c.rate(opaque(vb::RGB(100, 100, 100))), 0);
  // The scale's colours of different values lie far enough apart for one near colour to mean
  // one value only.
  int closest = 255;
  for (const auto& a : kTotalsLegend)
    for (const auto& b : kTotalsLegend) {
      if (a.value == b.value) continue;
      closest = std::min(closest, std::max({std::abs(vb::Red(a.colour) - vb::Red(b.colour)),
                                            std::abs(vb::Green(a.colour) - vb::Green(b.colour)),
                                            std::abs(vb::Blue(a.colour) - vb::Blue(b.colour))}));
    }
  EXPECT_GT(closest, 2 * kNearColourTolerance);

  RainImage level2;
  level2.RadarImageMode = 2;
  t.Level2ZRTable.Rows.resize(4);
  t.Level2ZRTable.Rows[3] = {40, {0, 0, vb::RGB(193, 189, 5)}, {0.48, 0.45, 0.35, 0.85, 0.45}};
  const RainClassifier exact(t, level2);
  EXPECT_EQ(exact.match(), ColourMatch::Exact);
  EXPECT_DOUBLE_EQ(exact.rate(opaque(vb::RGB(193, 189, 5))), 0.48);
  EXPECT_DOUBLE_EQ(exact.rate(opaque(vb::RGB(194, 189, 5))), 0);
}

}  // namespace
}  // namespace fw
