#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/session.h"
#include "platform/vb/strings.h"
#include "radar/colour_tables.h"
#include "setup_support.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::writeFile;

class ColourTablesTest : public ::testing::Test, protected testing::SetupSession {
 protected:
  std::string notFoundLevel2() const {
    return "Level 2 dbz rainfall file not found: " + (folder / kLevel2RGBFile).string();
  }
  std::string notFoundA2m() const { return "File not found: " + (folder / kA2mRateFile).string(); }
};

TEST_F(ColourTablesTest, BuiltInTablesWithoutOverrideFiles) {
  loadColourTables(s);
  EXPECT_THAT(boxTexts(), ElementsAre(notFoundLevel2(), notFoundA2m()));
  EXPECT_EQ(s.Level3Legend.Rate, kLevel3BuiltinRates);
  EXPECT_EQ(s.Level3Legend.Colour[0], 16031489);
  EXPECT_EQ(s.Level3Legend.Colour[13], 16645629);
  EXPECT_EQ(s.Level3Legend.RateInUse, (std::array<double, kLegendEntries>{}));
  EXPECT_TRUE(s.Level2ZRTable.Rows.empty());
  EXPECT_TRUE(s.A2mRateTable.Colour.empty());

  // Fixed-width strings: the position of a colour's text divided by 9 is its entry number from 1.
  EXPECT_EQ(s.Level2ColourStringA.size(), 8u + 14u * 9u);
  EXPECT_EQ(vb::InStr(s.Level2ColourStringA, "46847") / 9, 8);
  EXPECT_EQ(vb::InStr(s.Level2ColourStringB, "16705790") / 9, 14);
  EXPECT_EQ(fixedWidthValue(s.Level2ColourStringA, 9), 184);

  const CanadaLegendData& ca = s.CanadaLegendTable;
  EXPECT_EQ(vb::InStr(ca.ColourString, "255 ") / 9, 11);
  EXPECT_EQ(ca.Colour[13], 10027110);
  EXPECT_EQ(ca.Dbz[0][0], 7);
  EXPECT_EQ(ca.Dbz[1][13], 61);
  EXPECT_FLOAT_EQ(ca.Rate[0][13], 7.87f);
  EXPECT_FLOAT_EQ(ca.Rate[1][3], 0.20f);
}

TEST_F(ColourTablesTest, Dbz2RainrateReplacesOnlyTheRatesItHolds) {
  writeFile(folder / kDbz2RainrateFile, "0.5, 1,x,,2.5\r\n");
  loadColourTables(s);
  auto expected = kLevel3BuiltinRates;
  expected[0] = 0.5;
  expected[1] = 1;
  expected[2] = 0;
  expected[3] = 0;
  expected[4] = 2.5;
  EXPECT_EQ(s.Level3Legend.Rate, expected);
}

TEST_F(ColourTablesTest, AFifteenthRateIsReportedAndKeepsTheBuiltInRates) {
  writeFile(folder / kDbz2RainrateFile, "9,9,9,9,9,9,9,9,9,9,9,9,9,9,9");
  copyFixture("Level2RGB.txt", kLevel2RGBFile);
  s.BatchMode = true;
  loadColourTables(s);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_THAT(s.errlog.written(),
              ElementsAre((folder / kDbz2RainrateFile).string() + ": Subscript out of range", notFoundA2m()));
  EXPECT_EQ(s.Level3Legend.Rate, kLevel3BuiltinRates);
  EXPECT_EQ(s.Level2ZRTable.Rows.size(), 8u);  // the later tables are still built
}

TEST_F(ColourTablesTest, Level2RGBLines) {
  copyFixture("Level2RGB.txt", kLevel2RGBFile);
  loadColourTables(s);
  EXPECT_THAT(boxTexts(), ElementsAre(notFoundA2m()));
  const auto& rows = s.Level2ZRTable.Rows;
  ASSERT_EQ(rows.size(), 8u);  // one per line, the empty text after the last line break included
  EXPECT_EQ(rows[1].Dbz, 0);   // titles are never parsed
  EXPECT_FLOAT_EQ(rows[3].Dbz, 20);
  EXPECT_EQ(rows[3].Colour, (std::array<int32_t, 3>{195842, 195842, 195842}));
  EXPECT_DOUBLE_EQ(rows[3].Rate[3], 0.03);
  EXPECT_EQ(rows[5].Dbz, 0);  // three fields: skipped
  EXPECT_EQ(rows[6].Colour[2], 36353);
  EXPECT_DOUBLE_EQ(rows[6].Rate[4], 0.11);
  EXPECT_EQ(s.Level2ZRTable.ZRRelationNames[0], "Convective DBZ");
  EXPECT_EQ(s.Level2ZRTable.ZRRelationNames[4], "SemiTrop DBZ");

  ui.boxes.clear();
  writeFile(folder / kLevel2RGBFile,
            testing::crlf({"t", "t", "t", "20\t1\t2\t3\t0.1\t0.1\t0.1\t0.1\t0.1", "25\t1\t2\t3\t0.2",
                           "30\t1\t2\t3\t0.3\t0.3\t0.3\t0.3\t0.3"}));
  loadColourTables(s);
  EXPECT_THAT(boxTexts(),
              ElementsAre("File Level2RGB.txt dbz to rainfall color table corrupted.\n25\t1\t2\t3\t0.2",
                          notFoundA2m()));
  EXPECT_FLOAT_EQ(s.Level2ZRTable.Rows[3].Dbz, 20);  // read before the corrupt line
  EXPECT_EQ(s.Level2ZRTable.Rows[5].Dbz, 0);

  ui.boxes.clear();
  const auto before = s.Level2ZRTable.Rows;
  writeFile(folder / kLevel2RGBFile,
            testing::crlf({"t", "t", "t", "40\t1\tred\t3\t0.1\t0.1\t0.1\t0.1\t0.1"}));
  loadColourTables(s);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, (folder / kLevel2RGBFile).string() + ": Type mismatch");
  EXPECT_EQ(s.Level2ZRTable.Rows.size(), before.size());  // left as it was
  EXPECT_FLOAT_EQ(s.Level2ZRTable.Rows[3].Dbz, 20);
}

TEST_F(ColourTablesTest, A2mRatesStopAtTheLastLineBreak) {
  copyFixture("Level3RGB2RainRateA2m.txt", kA2mRateFile);
  loadColourTables(s);
  EXPECT_THAT(boxTexts(), ElementsAre(notFoundLevel2()));
  EXPECT_THAT(s.A2mRateTable.Colour, ElementsAre(0, 0, 16031489, 15990787, 195842, 0));
  EXPECT_FLOAT_EQ(s.A2mRateTable.Rate[3], 0.01f);

  writeFile(folder / kA2mRateFile, "title\r\ntitle\r\n100\t1.5\r\n200\t2.5");
  loadColourTables(s);
  EXPECT_THAT(s.A2mRateTable.Colour, ElementsAre(0, 0, 100));  // "200" has no line break after it
}

TEST_F(ColourTablesTest, SplitTableLinesKeepsTheTextAfterTheLastBreak) {
  EXPECT_THAT(splitTableLines("a\r\nb\nc\rd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(splitTableLines("a\r\n"), ElementsAre("a", ""));
  EXPECT_THAT(splitTableLines(""), ElementsAre(""));
}

}  // namespace
}  // namespace fw
