// One station cut out of the MADIS history as a weather table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/vb/strings.h"
#include "retrieval/madis_history.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::readFile;
using testing::writeFile;

// Dump rows: id, UTC date and time, provider, blank, then TD, RH, ALTSE, T, DD, FF, PCPRATE,
// PCPTOTL, SOLRAD, P and STALOC, each followed by its quality flag.
std::string dumpRow(const std::string& id, const std::string& time, const std::string& rate,
                    const std::string& total) {
  return id + std::string(10 - id.size(), ' ') + ",2024/06/04," + time +
         ",OTHER - MTR, ,270.15,V,55.0,V,101800,Z,"
         "280.15,V,270,V,3.1,V," +
         rate + ",Z," + total + ",Z,350,Z,86000,Z," + id + ",b\r";
}

const std::string kHistory =
    "gz 06-04-2024 14:00 GMT > 06-04-2024 07:00 local\n" + dumpRow("KSLC", "02:00", "0.0001", " ") + "\n" +
    dumpRow("KSLC", "14:00", "0.0001", " ") + "\n" + dumpRow("KSLCX", "14:00", "0.0001", " ") + "\n" +
    dumpRow("KSLC", "16:30", "0.0002", " ") + "\n" + dumpRow("KSLC", "15:00", "0.5", " ") + "\n" +
    dumpRow("KBOI", "14:00", "0.0001", "0.001") + "\n" + "KSLC,2024/06/05,17:00\n";

TEST(MadisRead, OneStationsRowsInTimeOrderWithConvertedUnitsAndSummedRate) {
  testing::TestSession t;
  t.s.BatchMode = true;
  writeFile(t.folder / "My5DayMadis.txt", kHistory);
  std::string table, error;
  MadisRead(t.s, "KSLC", 45447, 45447, 7, table, error);
  EXPECT_EQ(error, "");
  const std::string header =
      "Date, gmt hr, OTHER - MTR, , dewptAvg, v, humidityAvg, v, pressureMax, Z, tempAvg, v, winddirAvg, v, "
      "windspeedAvg, v, precipTotal, Z, PCPTOTL, Z, solarRadiationHigh, Z, millibars, Z, STALOC, b";
  // 02:00 UTC is the day before locally; KSLCX is another station; 0.5 is no rate; the first
  // row's rate is where the sum starts, and a gap of 1.5 hours counts as one.
  EXPECT_EQ(
      table,
      "KSLC\n" + header +
          "\n"
          "2024-06-04 07:00,14:00,OTHER - MTR, ,26.6,V,55.0,V,1018.0,Z,44.6,V,270,V,6.9,V,0.003937,Z, ,Z,"
          "350,Z,860.0,Z,KSLC,b\n"
          "2024-06-04 08:00,15:00,OTHER - MTR, ,26.6,V,55.0,V,1018.0,Z,44.6,V,270,V,6.9,V,          ,Z, "
          ",Z,350,Z,860.0,Z,KSLC,b\n"
          "2024-06-04 09:30,16:30,OTHER - MTR, ,26.6,V,55.0,V,1018.0,Z,44.6,V,270,V,6.9,V,0.02835,Z, "
          ",Z,350,Z,860.0,Z,KSLC,b\n");
  EXPECT_EQ(readFile(t.folder / "MyStationSort.txt"), table);

  // A station with a total names the total precipTotal; metric units stay metric.
  t.s.MetricUnits = true;
  MadisRead(t.s, "KBOI", 45447, 45447, 7, table, error);
  const std::vector<std::string> lines = vb::Split(table, "\n");
  ASSERT_EQ(lines.size(), 4u) << table;
  EXPECT_NE(lines[1].find(", PCPRATE, Z, precipTotal, Z,"), std::string::npos);
  EXPECT_EQ(lines[2],
            "2024-06-04 07:00,14:00,OTHER - MTR, "
            ",-3.0,V,55.0,V,1018.0,Z,7.0,V,270,V,11.2,V,0.100000,Z,1.000000,Z,350,"
            "Z,860.0,Z,KBOI,b");
}

TEST(MadisRead, AMissingHistoryGivesTheHeaderAndABadRowTheReadersText) {
  testing::TestSession t;
  std::string table, error;
  MadisRead(t.s, "KSLC", 45447, 45447, 7, table, error);
  EXPECT_EQ(vb::Split(table, "\n").size(), 3u);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, (t.folder / "My5DayMadis.txt").string() + " not found.  Run MADIS first");
  writeFile(t.folder / "My5DayMadis.txt", "x\nKSLC,06/04/2024x,14:00,a,b,c,d,e,f\n\n");
  MadisRead(t.s, "KSLC", 45447, 45447, 7, table, error);
  EXPECT_EQ(error, "MadisRead Type mismatch");
  writeFile(t.folder / "My5DayMadis.txt", "x\nKSLC,2024/06/04,14:00,a,b,c,d,e\n\n");
  MadisRead(t.s, "KSLC", 45447, 45447, 7, table, error);
  EXPECT_EQ(error, "MadisRead Subscript out of range");
}

TEST(MadisRead, AHistoryOverFiftyMillionBytesLosesItsOldestFifth) {
  testing::TestSession t;
  t.s.BatchMode = true;
  const auto path = t.folder / "My5DayMadis.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(12000000 - 1, 'a') << 'X' << std::string(48000000, 'b');
  }
  std::string table, error;
  MadisRead(t.s, "KSLC", 45447, 45447, 7, table, error);
  EXPECT_EQ(std::filesystem::file_size(path), 48000001u);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(in.get(), 'X');
  std::filesystem::resize_file(path, 50000000);
  MadisRead(t.s, "KSLC", 45447, 45447, 7, table, error);
  EXPECT_EQ(std::filesystem::file_size(path), 50000000u);
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// History rows of one station at the given UTC hours of 4 June 2024, each hour after its header.
std::string hours(std::initializer_list<const char*> times) {
  std::string text;
  for (const char* time : times)
    text += std::string("gz 06-04-2024 ") + time + " GMT > 06-03-2024 00:00 local\n" +
            dumpRow("KSLC", time, "0", " ") + "\n";
  return text;
}

std::vector<std::string> rowTimes(const std::string& history) {
  std::vector<std::string> out;
  for (const std::string& line : vb::Split(history, "\n"))
    if (line.size() > 50 && line.rfind("KSLC", 0) == 0) out.push_back(vb::Split(line, ",").at(2));
  return out;
}

class MadisMerge : public ::testing::Test {
 protected:
  void merge(const std::string& history, const std::string& block, bool replace) {
    testing::writeFile(t.folder / "My5DayMadis.txt", history);
    testing::writeFile(t.folder / "MadisNewF$.txt", block);
    Madis5DayHistInsert(t.s, block, t.folder / "MadisNewF$.txt", replace);
  }
  std::vector<std::string> merged() { return rowTimes(readFile(t.folder / "My5DayMadis.txt")); }
  testing::TestSession t;
};

TEST_F(MadisMerge, ReplaceAndInsertPutTheBlockWhereItsHoursAre) {
  using V = std::vector<std::string>;
  const std::string history = "head\n" + hours({"00:00", "01:00", "02:00", "03:00", "04:00", "05:00"});
  // The block's header line is its first line, and its text ends with a line feed.
  merge(history, hours({"02:00", "03:00"}) + "\n", false);
  EXPECT_EQ(merged(), (V{"00:00", "01:00", "02:00", "03:00", "04:00", "05:00"}));
  EXPECT_EQ(readFile(t.folder / "oldhist$.bak"), history);

  merge(history, hours({"03:00", "04:00"}) + "\n", true);
  EXPECT_EQ(merged(), (V{"00:00", "01:00", "02:00", "03:00", "04:00"}));

  // A later block in insert mode is appended; an older block goes in front, also when replacing.
  merge(history, hours({"07:00", "08:00"}) + "\n", false);
  EXPECT_EQ(merged(), (V{"00:00", "01:00", "02:00", "03:00", "04:00", "05:00", "07:00", "08:00"}));
  merge("head\n" + hours({"05:00", "06:00", "07:00"}),
        "x\n" + dumpRow("KSLC", "01:00", "0", " ") + "\n" + dumpRow("KSLC", "02:00", "0", " ") + "\n\n",
        true);
  EXPECT_EQ(merged(), (V{"01:00", "02:00", "05:00", "06:00", "07:00"}));
  // The history was copied aside once only.
  EXPECT_EQ(readFile(t.folder / "oldhist$.bak"), history);
}

TEST_F(MadisMerge, WithoutAHistoryTheBlockBecomesItAndABadHistoryIsKept) {
  testing::writeFile(t.folder / "MadisNewF$.txt", "block text");
  Madis5DayHistInsert(t.s, "block text", t.folder / "MadisNewF$.txt", true);
  EXPECT_EQ(readFile(t.folder / "My5DayMadis.txt"), "block text");

  const std::string bad = "head\n" + dumpRow("KSLC", "2x:00", "0", " ") + "\n\n";
  merge(bad, hours({"02:00", "03:00"}) + "\n", true);
  EXPECT_EQ(readFile(t.folder / "My5DayMadis.txt"), bad);
  EXPECT_EQ(t.s.errlog.written().back(),
            "Madis5DayHistInsert: the history was left as it was: Type mismatch");
}

}  // namespace
}  // namespace fw
