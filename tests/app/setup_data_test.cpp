#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/session.h"
#include "app/setup_data.h"
#include "app/setup_file.h"
#include "setup_support.h"

namespace fw {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readFile;
using testing::writeFile;

class SetupDataTest : public ::testing::Test, protected testing::SetupSession {};

TEST_F(SetupDataTest, BuiltInTables) {
  setupdata(s);
  EXPECT_DOUBLE_EQ(s.EtHourFractions[0], 0.010397326);
  EXPECT_DOUBLE_EQ(s.EtHourFractions[15], 0.122539918);
  EXPECT_DOUBLE_EQ(s.EtHourFractions[23], 0.000742666);
  EXPECT_EQ(s.EtHourFractions[24], 0);
  double sum = 0;
  for (double f : s.EtHourFractions) sum += f;
  EXPECT_NEAR(sum, 1.0, 0.001);
  EXPECT_EQ(s.MonthlyCoefficients,
            (std::array<double, 14>{0, 0.5, 0.5, 0.63, 0.74, 0.79, 0.84, 1, 1, 0.84, 0.79, 0.74, 0.5, 0}));
}

TEST_F(SetupDataTest, ABadOverrideFileStillLeavesTheStationsLoaded) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  makeFixtureHdb();
  copyFixture("Level3RGB2RainRateA2m.txt", kA2mRateFile);
  writeFile(folder / kDbz2RainrateFile, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
  writeFile(folder / kLevel2RGBFile, "t\r\nt\r\nt\r\n20\tx\t1\t1\t1\t1\t1\t1\t1\r\n");
  s.BatchMode = true;
  s.SetupChanged = true;
  setupdata(s);

  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_THAT(s.errlog.written(),
              ElementsAre((folder / kDbz2RainrateFile).string() + ": Subscript out of range",
                          (folder / kLevel2RGBFile).string() + ": Type mismatch"));
  EXPECT_THAT(readFile(folder / kErrorLogName), HasSubstr("Dbz2Rainrate.txt: Subscript out of range\r\n"));
  EXPECT_EQ(s.Level3Legend.Rate, kLevel3BuiltinRates);
  EXPECT_EQ(s.A2mRateTable.Colour.size(), 6u);
  EXPECT_EQ(s.StationCount, 5);
  EXPECT_FALSE(s.SetupChanged);
  EXPECT_EQ(s.FolderTag, folderTagFor(folder.path()));
}

TEST_F(SetupDataTest, RunningTwiceGivesTheSameTables) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  makeFixtureHdb();
  copyFixture("Level2RGB.txt", kLevel2RGBFile);
  copyFixture("Level3RGB2RainRateA2m.txt", kA2mRateFile);
  writeFile(folder / kDbz2RainrateFile, "1,2,3");
  setupdata(s);
  const ColourTables first = s;
  const std::string firstSave = setupFileText(s, "");
  s.Level3Legend.RateInUse[3] = 9;  // as a radar line would
  setupdata(s);
  const ColourTables& second = s;
  EXPECT_EQ(second.Level3Legend.Rate, first.Level3Legend.Rate);
  EXPECT_EQ(second.Level3Legend.RateInUse, first.Level3Legend.RateInUse);
  EXPECT_EQ(second.Level2ZRTable.Rows.size(), first.Level2ZRTable.Rows.size());
  EXPECT_EQ(second.Level2ZRTable.Rows[6].Rate, first.Level2ZRTable.Rows[6].Rate);
  EXPECT_EQ(second.A2mRateTable.Colour, first.A2mRateTable.Colour);
  EXPECT_EQ(second.CanadaLegendTable.Dbz, first.CanadaLegendTable.Dbz);
  EXPECT_EQ(setupFileText(s, ""), firstSave);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SetupDataTest, FolderTag) {
  struct Case {
    std::string folder, tag;
  };
  const std::vector<Case> cases = {
      {"/home/ann/Flumewright", "ann"}, {"/srv/hydrology-department/Flumewright/", "hydrology-de"},
      {"/Flumewright", "Vor"},          {"/", "Vor"},
      {"C:\\Flumewright", "Vor"},       {"C:\\Basins\\Flumewright", "Basins"},
  };
  for (const auto& c : cases) EXPECT_EQ(folderTagFor(c.folder), c.tag) << c.folder;
}

class SaveTest : public SetupDataTest {};

TEST_F(SaveTest, SaveWritesReadsBackAndReturnsToTheMainWindow) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  makeFixtureHdb();
  copyFixture("Level2RGB.txt", kLevel2RGBFile);
  copyFixture("Level3RGB2RainRateA2m.txt", kA2mRateFile);
  getstationfile(s);
  StationEditor& editor = s.Form2;
  StationGrid& grid = editor.MSFlexGrid1;
  editor.Visible = true;
  editor.State = WindowState::Maximized;
  editor.ListDirty = true;
  grid.SelectionMode = kSelectionFree;
  grid.ForeColor = kEditModeColor;
  grid.Row = 2;
  grid.Col = 4;
  grid.TopRow = 3;
  editor.Text1.Text = " high meadow, NV ";
  editor.Text1.Visible = true;
  grid.TextMatrix(4, 6) = "P1*2";  // a formula after an empty base1
  s.CurrentStationRow = 2;
  s.form.Visible = false;

  CommandSave_Click(s);

  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_FALSE(editor.Text1.Visible);
  EXPECT_FALSE(editor.Visible);
  EXPECT_EQ(editor.State, WindowState::Normal);
  EXPECT_EQ(s.form.Text3.Text, "-30012");
  EXPECT_EQ(s.form.Text6.Text, "high meadow, NV");
  EXPECT_EQ(s.form.Check1.Value, 1);
  const std::string saved = readFile(setupPath());
  EXPECT_THAT(saved, HasSubstr("\r\nCOMPUTE-Unit; -30012; Runoff;  high meadow, NV \r\n"));
  EXPECT_THAT(saved, HasSubstr("\r\nNEXRAD-ABC; 10003; Rainfall; Ridge Gauge, NV; ; P1*2\r\n"));
  // Read back: the grid shows the file as saved.
  EXPECT_EQ(grid.TextMatrix(2, 4), "High Meadow, NV");
  EXPECT_EQ(grid.TextMatrix(4, 6), "P1*2");
  EXPECT_EQ(s.StationTable(6, 4), "P1*2");
  EXPECT_EQ(grid.SelectionMode, kSelectionByRow);
  EXPECT_EQ(grid.ForeColor, kPickModeColor);
  EXPECT_EQ(grid.TopRow, 3);
  EXPECT_EQ(s.StationRange.first, 2);
  EXPECT_EQ(s.StationRange.last, 2);
  EXPECT_FALSE(editor.ListDirty);
  EXPECT_TRUE(s.form.Visible);
  EXPECT_GE(ui.doEventsCalls, 1);
}

TEST_F(SaveTest, AFailedSaveKeepsTheEditsAndTheOldFile) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  makeFixtureHdb();
  getstationfile(s);
  s.Form2.Visible = true;
  s.Form2.ListDirty = true;
  const std::string before = readFile(setupPath());
  std::filesystem::remove(setupPath());
  std::filesystem::create_directory(setupPath());  // nothing can be renamed over it
  CommandSave_Click(s);
  EXPECT_THAT(boxTexts(), Contains(HasSubstr("was not saved")));
  EXPECT_TRUE(s.Form2.ListDirty);
  EXPECT_TRUE(s.Form2.Visible);
  EXPECT_EQ(s.StationCount, 5);
}

}  // namespace
}  // namespace fw
