// The radar file list: times, sites and products from the names, and the dialog and list-file
// roads with their folders, counts, day ranges and flags.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "radar/file_list.h"
#include "radar/io_recorder.h"
#include "support/radar_fixtures.h"
#include "support/test_session.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RadarFileNames, TheSixTimeLayouts) {
  struct Case {
    const char* name;
    std::optional<std::string> time;
  } cases[] = {
      {"KESX_20231207_1234.png", "2023/12/07 12:34"},                    // "_20" at 5
      {"ESX_N0Q_20230501_1205.png", "2023/05/01 12:05"},                 // 8, with "_" after the day
      {"ESX_N0Q_202305011205.png", "2023/05/01 12:05"},                  // 8, the archive's names
      {"KESX_N0Q_20231207_123456.png", "2023/12/07 12:34:56"},           // 9, with seconds
      {"123456789_202312071234.png", "2023/12/07 12:34"},                // 10
      {"-10012_ESX_N0Q_02_20231207_1234.png", "2023/12/07 12:34"},       // 18
      {"a_20231207_1234.png", std::nullopt},                             // any other place
      {"ESX_N0Q_0.png", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fileListTimeText(c.name), c.time);
  }
}

TEST(RadarFileNames, SiteAndProduct) {
  struct Case {
    const char* name;
    bool found;
    const char* site;
    const char* product;
  } cases[] = {
      {"KESX_N0Q_20231207_123456.png", true, "ESX", "N0Q"},
      {"ESX_PTA_202305011205.png", true, "ESX", "PTA"},
      {"ESX_V0S_202305011205.png", true, "ESX", "N0R"},  // velocity images are read as N0R
      {"KESX_REF_20231207_1234.png", true, "ESX", "N0R"},
      {"XFT_C0R_202305011205.gif", true, "XFT", "C0R"},
      {"KESX_20231207_1234.png", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FileListProduct p = fileListProduct(c.name);
    EXPECT_EQ(p.found, c.found);
    EXPECT_EQ(p.site, c.site);
    EXPECT_EQ(p.product, c.product);
  }
  EXPECT_THROW(fileListProduct("A_N0Q.png"), vb::Error);  // no room for a site before the marker
  EXPECT_TRUE(knownFileListProduct("N0Q"));
  EXPECT_TRUE(knownFileListProduct("PTA"));
  EXPECT_FALSE(knownFileListProduct("N0R"));
}

class RadarFileListTest : public ::testing::Test, protected testing::TestSession {
 protected:
  void image(const std::string& name) { testing::writeFile(folder / name, "png"); }
  RadarFileListResult run(bool listFile, bool batch = false) {
    RadarFileListResult r;
    r.Product = "N0Q";
    RadarFileList(r, ui, s, listFile, folder.path(), rec.io(batch));
    return r;
  }
  std::string dir() const { return folder.path().string(); }
  testing::IoRecorder rec;
};

TEST_F(RadarFileListTest, AListFileWithATrailingEmptyLine) {
  std::filesystem::copy_file(testing::radarFixture("radar_files.txt"), folder / "radar_files.txt");
  for (const char* n : {"ESX_N0Q_202305011205.png", "ESX_N0Q_202305011210.png", "ESX_N0Q_202305011215.png"}) image(n);
  ui.inputs.push_back((folder / "radar_files.txt").string());
  const RadarFileListResult r = run(true);
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0], "Enter path\\filename:");
  EXPECT_EQ(s.RadarFileListPath, (folder / "radar_files.txt").string());
  EXPECT_EQ(r.Count, 3);  // the empty last line is not counted
  EXPECT_THAT(r.Names, ElementsAre(dir(), "ESX_N0Q_202305011205.png", "ESX_N0Q_202305011210.png",
                                   "ESX_N0Q_202305011215.png"));
  EXPECT_EQ(r.Folder, dir() + "/");
  EXPECT_EQ(r.Site, "ESX");
  EXPECT_EQ(r.Product, "N0Q");
  EXPECT_TRUE(r.KnownProduct);
  const int32_t day = static_cast<int32_t>(vb::DateSerial(2023, 5, 1));
  EXPECT_EQ(s.RadarFileFirstDay, day - 1);  // the name does not begin with "0"
  EXPECT_EQ(s.RadarFileEndDay, day + 1);
  EXPECT_EQ(r.ArrayDays, 7);
  EXPECT_EQ(rec.lastError, "From file: ESXN0Q ");
  EXPECT_THAT(rec.errorLog, ElementsAre("From file: ESXN0Q 2 days 2023/05/01 12:05-2023/05/01 12:15"));
  EXPECT_FALSE(s.RadarFileListFlag);
  EXPECT_FALSE(s.RadarRefFileFlag);

  // A batch run takes the list named last time: its input box answers with it.
  ui.prompts.clear();
  EXPECT_EQ(run(true, true).Count, 3);
}

TEST_F(RadarFileListTest, OneFileFromTheDialog) {
  image("KESX_20231207_1234.png");
  ui.fileLists.push_back({(folder / "KESX_20231207_1234.png").string()});
  const RadarFileListResult r = run(false);
  ASSERT_EQ(ui.fileDialogs.size(), 1u);
  EXPECT_TRUE(ui.fileDialogs[0].multiple);
  EXPECT_EQ(ui.fileDialogs[0].filters.front().second, "*.GIF;*.JPG;*.PNG");
  EXPECT_EQ(r.Count, 1);
  EXPECT_THAT(r.Names, ElementsAre("KESX_20231207_1234.png", "KESX_20231207_1234.png"));
  EXPECT_EQ(r.Folder, dir() + "/");
  EXPECT_EQ(r.Site, "");      // no product marker: the site is empty
  EXPECT_EQ(r.Product, "N0Q");  // and the product stays
  EXPECT_EQ(s.RadarFileEndDay, static_cast<int32_t>(vb::DateSerial(2023, 12, 7)) + 1);
  EXPECT_EQ(r.ArrayDays, 0);  // one image: the arrays stay
}

TEST_F(RadarFileListTest, SeveralFilesFromTheDialogAreSorted) {
  const char* names[] = {"KESX_REF_20231207_123500.png", "KESX_REF_20231207_123000.png"};
  for (const char* n : names) image(n);
  ui.fileLists.push_back({(folder / names[0]).string(), (folder / names[1]).string()});
  const RadarFileListResult r = run(false);
  EXPECT_EQ(r.Count, 2);
  EXPECT_THAT(r.Names, ElementsAre(dir(), names[1], names[0]));
  EXPECT_EQ(r.Product, "N0R");
  EXPECT_FALSE(r.KnownProduct);
  EXPECT_TRUE(s.RadarFileListFlag);  // "_REF_" sets both flags
  EXPECT_TRUE(s.RadarRefFileFlag);
}

TEST_F(RadarFileListTest, NothingChosenAMissingImageAndATimeThatIsNoDate) {
  EXPECT_EQ(run(false).Count, 0);  // the dialog was cancelled
  ui.fileLists.push_back({(folder / "ESX_N0Q_202305011205.png").string()});
  EXPECT_EQ(run(false).Count, 0);  // no such file: no time, no images

  image("ESX_N0Q_202313451299.png");
  ui.fileLists.push_back({(folder / "ESX_N0Q_202313451299.png").string()});
  const RadarFileListResult r = run(false, true);
  EXPECT_EQ(r.Count, 1);  // as far as it had come
  EXPECT_EQ(rec.lastError, "Type mismatch");
  EXPECT_THAT(rec.errorLog, ElementsAre("Type mismatch"));
  EXPECT_THAT(rec.boxes, IsEmpty());

  ui.inputs.push_back((folder / "no_list.txt").string());
  EXPECT_EQ(run(true, true).Count, 0);
  EXPECT_EQ(rec.errorLog.back(), (folder / "no_list.txt").string() + " not found.");
}

TEST_F(RadarFileListTest, AListWrittenOnWindowsIsFoundByItsNamesHere) {
  testing::writeFile(folder / "radar_files.txt",
                     "C:\\Radar\\ESX_N0Q_202305011205.png\r\nC:\\Radar\\ESX_N0Q_202305011210.png\r\n");
  image("ESX_N0Q_202305011205.PNG");
  image("ESX_N0Q_202305011210.png");
  ui.inputs.push_back("D:\\Flumewright\\RADAR_FILES.TXT");
  const RadarFileListResult r = run(true);
  EXPECT_EQ(r.Count, 2);
  EXPECT_EQ(r.Folder, dir() + "/");
  EXPECT_THAT(r.Names, ElementsAre(dir(), "ESX_N0Q_202305011205.PNG", "ESX_N0Q_202305011210.png"));
  EXPECT_EQ(s.RadarFileEndDay, static_cast<int32_t>(vb::DateSerial(2023, 5, 1)) + 1);
  EXPECT_EQ(s.RadarFileListPath, "D:\\Flumewright\\RADAR_FILES.TXT");  // the answer as typed
}

}  // namespace
}  // namespace fw
