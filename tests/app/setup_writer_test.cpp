#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/session.h"
#include "app/setup_file.h"
#include "setup_support.h"

namespace fw {
namespace {

using testing::crlf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using testing::readFile;
using testing::writeFile;

class SetupWriterTest : public ::testing::Test, protected testing::SetupSession {
 protected:
  StationGrid& grid() { return s.Form2.MSFlexGrid1; }
  void setRow(int r, const std::vector<std::string>& cells) {
    if (grid().Rows() <= r) grid().setRows(r + 1);
    for (std::size_t c = 0; c < cells.size(); ++c) grid().TextMatrix(r, static_cast<int>(c) + 1) = cells[c];
  }
};

TEST_F(SetupWriterTest, WritesTheSettingsConnectionHeaderAndRowsInTheirFixedForm) {
  s.HdbConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/hdb.mdb;";
  s.form.Check5.Value = 2;  // greyed counts as ticked
  s.form.Text8.Text = "20%";
  s.TrayState = kTrayOff;
  s.ShellTimeoutMinutes = 2;
  s.AlertStartTime = 1.5;
  s.SkyvantorFolder = "/opt/Sky/";
  grid().setColWidth(1, 1500);
  setRow(0, {"header row is never written"});
  setRow(1, {"XXXXX", "1001", "Flow", "Site"});
  setRow(2, {"COMPUTE-Unit", "-30012", "Runoff", "Site B", "", "1.5"});

  EXPECT_EQ(setupFileText(s, "END\r\nnotes"),
            crlf({"Future Days=1",
                  "Percent Missing Allowed= 20%",
                  "Write Dailys= True",
                  "Write Hourly Avg= False",
                  "Write Daily Max= False",
                  "Write Unit Values= False",
                  "Write Unit Shifts= False",
                  "Overwrite Protected Source 5= False",
                  "Check for Possible Bad Values= False",
                  "Possible Bad Value Change= ",
                  "Last Runoff Run's Storage= False",
                  "Minutes between retrievals=30",
                  "Max hours of radar=2",
                  "Save Radar greater than= False",
                  "Beep on Save= False",
                  "Delete temporary internet files=False",
                  "Loop radar boundaries=False",
                  "Use Nexrad Ridge1 full web file listing=False",
                  "Use Nexrad short web file listing=False",
                  "Use Nexrad Ridge2 Iowa State Mesonet=True",
                  "Use Nowcast 70R30 line=False",
                  "Compact and Backup HDB at midnight= False",
                  "Tablewise.exe folder=",
                  "Plotwerks.exe folder=",
                  "Skyvantor.exe folder=/opt/Sky/",
                  "NowCast Info folder=",
                  "Gage Avg OnOff folder=",
                  "Radar Boundary File folder=",
                  "Menu Pic=",
                  "Menu Text Color=0",
                  "Minimize to System Tray=False",
                  "Column Widths=1500,600,300,4000,600,3500,3000",
                  "Alert Address=",
                  "Alert Address CC=",
                  "Alert Address BCC=",
                  "Alert Start Time=1.5",
                  "Don't Ask Questions=False",
                  "Create Winds Aloft graphic file=False",
                  "Metric Units=False",
                  "Shell Timed Out Minutes=2.0",
                  "Bad/Missing Stations Allowed=10",
                  "",
                  "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/hdb.mdb;",
                  "",
                  kStationListHeader,
                  "XXXXX; 1001; Flow; Site",
                  "COMPUTE-Unit; -30012; Runoff; Site B; ; 1.5"}) +
                "END\r\nnotes");
}

TEST_F(SetupWriterTest, GridRowsKeepEmptyCellsUpToTheLastFilledOne) {
  struct Case {
    std::vector<std::string> cells;
    std::string line;
  };
  const std::vector<Case> cases = {
      {{"A", "1", "flow", "", "base", "", "formula"}, "A; 1; flow; ; base; ; formula"},
      {{"", "b"}, "; b"},
      {{"A", " 1 ", "flow", "site", " "}, "A;  1 ; flow; site;  "},
      {{"A"}, "A"},
      {{}, ""},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    setRow(static_cast<int>(i) + 1, cases[i].cells);
    EXPECT_EQ(gridRowLine(s, static_cast<int>(i) + 1), cases[i].line);
  }
  grid().TextMatrix(1, 19) = "last";
  EXPECT_EQ(gridRowLine(s, 1), "A; 1; flow; ; base; ; formula; ; ; ; ; ; ; ; ; ; ; ; last");
}

TEST_F(SetupWriterTest, SaveThenReadGivesBackTheSetupAndTheNotesByteForByte) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  const std::string original = readFile(setupPath());
  getstationfile(s);
  ASSERT_TRUE(ui.boxes.empty());
  ASSERT_TRUE(writeSetupFile(s));
  const std::string saved = readFile(setupPath());
  EXPECT_THAT(saved, EndsWith(original.substr(original.find("\r\nEND") + 2)));

  testing::SetupSession again;
  again.writeSetup(saved);
  getstationfile(again.s);
  EXPECT_TRUE(again.ui.boxes.empty());
  EXPECT_EQ(setupFileText(again.s, ""), setupFileText(s, ""));  // every setting, the connection and every row
  EXPECT_EQ(again.s.StationCount, s.StationCount);
  for (int line = 1; line <= s.StationCount; ++line)
    for (int col = 1; col < kStationTableColumns; ++col)
      EXPECT_EQ(again.s.StationTable(col, line), s.StationTable(col, line)) << line << "," << col;
  EXPECT_EQ(again.s.MenuPic, "/data/Pics/River.png");
  EXPECT_EQ(again.s.AlertAddress, "Duty.Officer@example.org;flood@example.org");

  ASSERT_TRUE(writeSetupFile(again.s));
  EXPECT_EQ(readFile(again.setupPath()), saved);
}

TEST_F(SetupWriterTest, TheTailIsTheOldFileFromItsFirstEndLine) {
  setRow(1, {"X", "1", "Flow", "Site"});
  const std::string body = setupFileText(s, "");
  struct Case {
    std::string old, tail;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"Future Days=2\r\nX; 1; a; b\r\n", ""},
      {"Future Days=2\r\nEND\r\nnote\r\n\r\n", "END\r\nnote\r\n\r\n"},
      {"Future Days=2\nENDNOTES\nmore", "ENDNOTES\nmore"},
      {"END first\r\nStart Date=1/1/2024\r\n", "END first\r\nStart Date=1/1/2024\r\n"},
      {"START DATE=06/01/2024\r\nRADAR VALUE=0.5\r\nend\r\nEND", "END"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.old);
    if (c.old.empty())
      std::filesystem::remove(setupPath());
    else
      writeSetup(c.old);
    ASSERT_TRUE(writeSetupFile(s));
    EXPECT_EQ(readFile(setupPath()), body + c.tail);
  }
}

TEST_F(SetupWriterTest, SavingReplacesTheFileInsteadOfWritingIntoIt) {
  writeSetup("Future Days=2\r\nEND\r\nnote");
  const auto keep = folder / "old_copy.txt";
  std::filesystem::create_hard_link(setupPath(), keep);
  ASSERT_TRUE(writeSetupFile(s));
  EXPECT_EQ(readFile(keep), "Future Days=2\r\nEND\r\nnote");  // the old file was never opened for writing
  EXPECT_THAT(readFile(setupPath()), EndsWith(kStationListHeader + std::string("\r\nEND\r\nnote")));
  for (const auto& e : std::filesystem::directory_iterator(folder.path()))
    EXPECT_TRUE(e.path() == keep || e.path() == setupPath()) << e.path();

  std::filesystem::remove(setupPath());
  std::filesystem::create_directory(setupPath());
  writeFile(setupPath() / "x", "x");
  EXPECT_FALSE(writeSetupFile(s));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_THAT(ui.boxes[0].text, HasSubstr("was not saved"));
}

class ConnectionEditTest : public SetupWriterTest {};

TEST_F(ConnectionEditTest, ReplacesTheConnectionLineBeforeEndOnly) {
  const std::string notes =
      "END\r\nDatabase Connection String=Provider=Old.Alternative;Data Source=alt\nfree \x92";
  writeSetup(crlf({"Future Days=1", "Database Connection String=Provider=A;Data Source=a", "X; 1; a; b",
                   "database connection string =Provider=B;Data Source=b", "Y; 2; a; b"}) +
             notes);
  s.HdbConnString = "Provider=B;Data Source=b";
  ui.inputs.push_back("Provider=New;Data Source=new  ");
  CommandPW_Click(s);

  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0], "Database Connection String");
  EXPECT_EQ(readFile(setupPath()),
            crlf({"Future Days=1", "database connection string =Provider=New;Data Source=new  ", "X; 1; a; b",
                  "Y; 2; a; b"}) +
                notes);
  EXPECT_EQ(s.HdbConnString, "Provider=New;Data Source=new");
  EXPECT_TRUE(s.SetupChanged);
  EXPECT_TRUE(s.Form2.ListDirty);
}

TEST_F(ConnectionEditTest, CancelLeavesTheFileButMarksTheListChanged) {
  const std::string text = crlf({"Database Connection String=Provider=A;Data Source=a", "X; 1; a; b"});
  writeSetup(text);
  ui.inputs.push_back("");
  CommandPW_Click(s);
  EXPECT_EQ(readFile(setupPath()), text);
  EXPECT_FALSE(s.SetupChanged);
  EXPECT_TRUE(s.Form2.ListDirty);
}

TEST_F(ConnectionEditTest, AFileWithoutAConnectionLineGetsOneBeforeEnd) {
  writeSetup(crlf({"X; 1; a; b", "END", "Database Connection String=in the notes"}));
  ui.inputs.push_back("Provider=New;Data Source=n");
  CommandPW_Click(s);
  EXPECT_EQ(readFile(setupPath()),
            crlf({"X; 1; a; b", "Database Connection String=Provider=New;Data Source=n", "END",
                  "Database Connection String=in the notes"}));
}

TEST_F(ConnectionEditTest, AMissingFileIsReportedAndChangesNothing) {
  CommandPW_Click(s);
  EXPECT_THAT(boxTexts(), ElementsAre("File not found"));
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_FALSE(s.Form2.ListDirty);
  EXPECT_FALSE(std::filesystem::exists(setupPath()));
}

}  // namespace
}  // namespace fw
