// The station-list editor as a model: in-cell editing, picking, closing, the wheel, row
// operations and the save of an edited grid.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/editor_tools.h"
#include "app/session.h"
#include "app/setup_file.h"
#include "app/station_editor.h"
#include "platform/process/process_runner.h"
#include "platform/vb/textfile.h"
#include "setup_support.h"

namespace fw {
namespace {

using ::testing::HasSubstr;
using testing::readFile;
using testing::writeFile;

constexpr int16_t kEnter = 13, kEsc = 27, kUp = 38, kDown = 40, kInsert = 45;

class StationEditorTest : public ::testing::Test, protected testing::SetupSession {
 protected:
  StationEditor& ed() { return s.Form2; }
  StationGrid& grid() { return s.Form2.MSFlexGrid1; }
  void loadFixture() {
    copyFixture("Flumewright_setup.txt", kSetupFileName);
    makeFixtureHdb();
    getstationfile(s);
    ASSERT_TRUE(ui.boxes.empty());
  }
  void editMode() {
    if (grid().SelectionMode != kSelectionFree) CommandEdit_Click(s);
  }
  // Types text into the open cell editor as the view hands over its keys.
  void type(const std::string& text) {
    for (char c : text) {
      Text1_KeyDown(s, static_cast<int16_t>(c), 0);
      const int16_t k = Text1_KeyPress(s, static_cast<int16_t>(static_cast<unsigned char>(c)));
      if (k != 0) {
        CellEditor& t = ed().Text1;
        t.Text.insert(static_cast<std::size_t>(t.SelStart), 1, static_cast<char>(k));
        ++t.SelStart;
      }
    }
  }
  void key(int16_t code, int shift = 0) { Text1_KeyDown(s, code, shift); }
  void at(int row, int col) {
    grid().Row = static_cast<int16_t>(row);
    grid().RowSel = static_cast<int16_t>(row);
    grid().Col = static_cast<int16_t>(col);
  }
};

TEST_F(StationEditorTest, TypingIntoACellThenEnterOrEsc) {
  loadFixture();
  editMode();
  struct Case {
    std::string typed;
    int16_t end;
    std::string cell;
  };
  const std::vector<Case> cases = {
      {"x", kEnter, "x"},
      {"x", kEsc, "Runoff"},
      {"a;b", kEnter, "a,b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    at(2, 3);
    grid().TextMatrix(2, 3) = "Runoff";
    MSFlexGrid1_KeyPress(s, c.typed[0]);
    EXPECT_TRUE(ed().Text1.Visible);
    EXPECT_EQ(ed().Text1.Text, c.typed.substr(0, 1));
    EXPECT_EQ(ed().Text1.SelStart, 1);
    type(c.typed.substr(1));
    EXPECT_EQ(Text1_KeyPress(s, kEnter), 0);  // Enter never breaks the line
    key(c.end);
    EXPECT_FALSE(ed().Text1.Visible);
    EXPECT_EQ(grid().TextMatrix(2, 3), c.cell);
    EXPECT_TRUE(ed().ListDirty);
  }
}

TEST_F(StationEditorTest, PickModeKeysOpenNoEditorAndUpDownStopAtTheEnds) {
  loadFixture();
  at(1, 4);
  MSFlexGrid1_KeyPress(s, 'x');
  EXPECT_FALSE(ed().Text1.Visible);

  editMode();
  const int last = grid().Rows() - 1;
  at(last, 4);
  GridEdit(s, 32);
  key(kDown);
  EXPECT_EQ(grid().Row, last);
  EXPECT_TRUE(ed().Text1.Visible);
  EXPECT_EQ(ed().Text1.Text, grid().TextMatrix(last, 4));
  at(1, 4);
  key(kUp);
  EXPECT_EQ(grid().Row, 1);
  EXPECT_EQ(ed().Text1.Text, grid().TextMatrix(1, 4));
  // Down from row 1 commits the edit and reopens on row 2 with that cell's text.
  ed().Text1.Text = "Changed, NV";
  key(kDown);
  EXPECT_EQ(grid().TextMatrix(1, 4), "Changed, NV");
  EXPECT_EQ(grid().Row, 2);
  EXPECT_EQ(ed().Text1.Text, grid().TextMatrix(2, 4));
}

TEST_F(StationEditorTest, EveryClickInEditModeOpensTheClickedCellWithItsText) {
  loadFixture();
  editMode();
  at(3, 4);
  GridEdit(s, 'q');
  // A press inside the data cells: with no minimum row height it still counts as outside, so
  // the pending edit is committed and the click opens the new cell with its own text.
  grid().MouseRow = 2;
  MSFlexGrid1_MouseDown(s, 1, 600.0f, 300.0f);
  EXPECT_TRUE(ed().OutsideCellsClick);
  EXPECT_EQ(grid().TextMatrix(3, 4), "q");
  EXPECT_FALSE(ed().Text1.Visible);
  at(2, 4);
  MSFlexGrid1_Click(s);
  EXPECT_TRUE(ed().Text1.Visible);
  EXPECT_EQ(ed().Text1.Text, "My New Site, NV");
  EXPECT_EQ(ed().Text1.SelStart, static_cast<int>(ed().Text1.Text.size()));
  EXPECT_EQ(s.CurrentStationRow, 2);
}

TEST_F(StationEditorTest, PasteAndCopyFollowTheTypedRule) {
  struct Case {
    std::string text;
    int start, length;
    bool clip;
    std::string clipboard, result;
  };
  const std::vector<Case> cases = {
      {"abc", 0, 0, true, "XY", "XYabc"},
      {"abc", 1, 1, true, "XY", "aXYc"},
      {"abc", 3, 0, true, "XY", "abcXY"},
      {"abc", 1, 0, true, "", "abc"},
      {"abc", 1, 0, false, "XY", "abc"},
      {"abc", 0, 3, true, "1;2\r\n3\t4", "1,2  3 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clipboard);
    ed().Text1 = CellEditor();
    ed().Text1.Text = c.text;
    ed().Text1.SelStart = c.start;
    ed().Text1.SelLength = c.length;
    ui.hasClipboardText = c.clip;
    ui.clipboard = c.clipboard;
    key(kInsert, kShiftMask);
    EXPECT_EQ(ed().Text1.Text, c.result);
    EXPECT_EQ(ed().Text1.SelStart, c.start);
  }
  ed().Text1.Text = "hello world";
  ed().Text1.SelStart = 6;
  ed().Text1.SelLength = 5;
  key(kInsert, kCtrlMask);
  EXPECT_EQ(ui.clipboard, "world");
  EXPECT_EQ(ed().Text1.Text, "hello world");
}

TEST_F(StationEditorTest, PickingOneLineOrARange) {
  grid().setRows(12);
  for (int r = 1; r < 12; ++r) {
    grid().TextMatrix(r, 2) = " " + std::to_string(1000 + r) + " ";
    grid().TextMatrix(r, 4) = "Site " + std::to_string(r);
  }
  grid().Row = 9;
  grid().RowSel = 5;
  CommandOK_Click(s);
  EXPECT_EQ(s.StationRange.first, 5);
  EXPECT_EQ(s.StationRange.last, 9);
  EXPECT_EQ(s.form.Text6.Text, "Selected range of stations (5)");
  EXPECT_EQ(s.form.Check1.Value, 0);
  EXPECT_EQ(s.CurrentStationRow, 9);
  EXPECT_TRUE(ui.boxes.empty());

  // One row selected: the double-click pick, with its save question when the list changed.
  for (MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
    ui.boxes.clear();
    ed().Visible = true;
    ed().ListDirty = true;
    grid().Row = grid().RowSel = 4;
    ui.answers = {answer};
    CommandOK_Click(s);
    ASSERT_GE(ui.boxes.size(), 1u);  // a save also reports the missing database
    EXPECT_EQ(ui.boxes[0].title, "File:  Flumewriight_setup.txt");
    EXPECT_EQ(ui.boxes[0].text, "Changes will not take affect until you Save them.\r\nDo you wish to Save them?");
    EXPECT_EQ(s.StationRange.first, 4);
    EXPECT_EQ(s.form.Text3.Text, "1004");
    EXPECT_EQ(s.form.Text6.Text, "Site 4");
    EXPECT_EQ(s.form.Check1.Value, 1);
    EXPECT_FALSE(ed().ListDirty);
    EXPECT_FALSE(ed().Visible);
    EXPECT_EQ(answer == MsgResult::Yes, testing::readFile(setupPath()).find("Site 4") != std::string::npos);
  }
}

TEST_F(StationEditorTest, ClosingAsksOnceAndNoKeepsTheEdits) {
  loadFixture();
  editMode();
  ed().Visible = true;
  grid().TextMatrix(1, 4) = "Edited, NV";
  ed().ListDirty = true;
  s.form.Check1.Value = 1;
  ui.answers = {MsgResult::No};
  EXPECT_FALSE(Form2_QueryUnload(s));
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_FALSE(ed().Visible);
  EXPECT_FALSE(ed().ListDirty);
  EXPECT_EQ(s.form.Check1.Value, 0);
  EXPECT_EQ(grid().TextMatrix(1, 4), "Edited, NV");
  EXPECT_THAT(readFile(setupPath()), ::testing::Not(HasSubstr("Edited, NV")));
  EXPECT_FALSE(Form2_QueryUnload(s));
  EXPECT_EQ(ui.boxes.size(), 1u);  // nothing changed since: no question
}

TEST_F(StationEditorTest, TheWheelScrollsThreeRowsANotchWithinTheList) {
  grid().setRows(60);
  grid().VisibleRows = 20;
  struct Step {
    int32_t delta;
    int16_t top;
  };
  grid().TopRow = 10;
  const std::vector<Step> steps = {{60, 10}, {60, 7}, {-240, 13}, {1200, 1}, {-120 * 30, 40}, {-120, 40}};
  for (const auto& st : steps) {
    GridWheelMessage(s, st.delta);
    EXPECT_EQ(grid().TopRow, st.top) << st.delta;
  }
  // The bar moved the grid: the wheel goes on from there, and its state survives an unload.
  grid().TopRow = 30;
  s.Wheel.WheelDelta = 0;
  unloadStationEditor(s);
  grid().setRows(60);
  grid().TopRow = 30;
  GridWheelMessage(s, 120);
  EXPECT_EQ(grid().TopRow, 27);
}

class StationRowsTest : public StationEditorTest {};

TEST_F(StationRowsTest, AddByDataType) {
  grid().setRows(2);
  struct Case {
    std::string type, site;
    std::vector<std::string> cells;  // columns 1 to 6
  };
  const std::vector<Case> cases = {
      {"30 runoff, cfs", "12", {"COMPUTE-Unit", "30012", "runoff", "My New Site, NV", "", ""}},
      {"23 snow water content, inches", "0",
       {"SNOWMELT-Hour", "10000, 23000", "snow water content", "My New Site, NV", "0",
        "-0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0"}},
      {"1 flow, cfs", "abc", {"XXXXX", "1000", "flow", "My New Site, NV", "", ""}},
      {"32 nexrad maximum, what ever", "999", {"NEXRAD-XXX", "32999", "nexrad maximum", "My New Site, NV", "", ""}},
      {"17 air temperature, \xB0" "f", "5", {"XXXXX", "17005", "air temperature", "My New Site, NV", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    ed().ListDirty = false;
    mnuPopupAddDSID_Click(s);
    EXPECT_TRUE(ed().Frame1Visible);
    ed().ComboAddNewLine.Text = c.type;
    ed().txtSID.Text = c.site;
    cmdAddNewLine_Click(s);
    EXPECT_FALSE(ed().Frame1Visible);
    const int r = grid().Rows() - 1;
    EXPECT_EQ(grid().Row, r);
    for (int col = 1; col <= 6; ++col) EXPECT_EQ(grid().TextMatrix(r, col), c.cells[col - 1]) << col;
    EXPECT_TRUE(ed().ListDirty);
  }
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(DataTypeList().size(), 32u);
  EXPECT_EQ(DataTypeList()[28], "29 solar radiation, Langley\x92s/day");
}

TEST_F(StationRowsTest, AddIsRefusedWithoutADataTypeOrOutsideTheSiteRange) {
  grid().setRows(2);
  Form2_Load(s);
  struct Case {
    std::string type, site, message;
  };
  const std::vector<Case> cases = {
      {"Select datatype_id", "5", "Choose a data type"},
      {"32 nexrad maximum, what ever", "1000", "outside 0 to 999"},
      {"1 flow, cfs", "-1", "outside 0 to 999"},
      {"1 flow, cfs", "99999999", "outside 0 to 999"},
  };
  for (const auto& c : cases) {
    ui.boxes.clear();
    ed().ComboAddNewLine.Text = c.type;
    ed().txtSID.Text = c.site;
    cmdAddNewLine_Click(s);
    EXPECT_EQ(grid().Rows(), 2) << c.type << " " << c.site;
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_THAT(ui.boxes[0].text, HasSubstr(c.message));
  }
}

TEST_F(StationRowsTest, AddNewDeleteCopyAndPaste) {
  grid().setRows(2);
  grid().TextMatrix(1, 1) = "ONLY";
  at(1, 1);
  mnuPopupDelete_Click(s);
  EXPECT_EQ(grid().Rows(), 2);  // the last line stays
  EXPECT_TRUE(ed().ListDirty);

  ed().ListDirty = false;
  grid().VisibleRows = 2;
  for (int i = 0; i < 5; ++i) mnuPopupAdd_Click(s);
  EXPECT_EQ(grid().Rows(), 7);
  EXPECT_EQ(grid().Row, 6);
  EXPECT_TRUE(grid().RowIsVisible(6));
  EXPECT_FALSE(ed().ListDirty);
  for (int r = 1; r < 7; ++r) grid().TextMatrix(r, 1) = "L" + std::to_string(r);

  at(3, 1);
  mnuPopupPaste_Click(s);  // nothing remembered yet
  EXPECT_EQ(grid().TextMatrix(3, 1), "L3");
  mnuPopupCopy_Click(s);
  mnuPopupPaste_Click(s);  // onto itself
  EXPECT_EQ(grid().TextMatrix(3, 1), "L3");
  at(2, 1);
  mnuPopupDelete_Click(s);  // above the remembered line: the memory moves up with it
  EXPECT_EQ(ed().CopiedRow, 2);
  at(5, 1);
  mnuPopupPaste_Click(s);
  EXPECT_EQ(grid().TextMatrix(5, 1), "L3");
  EXPECT_EQ(grid().Col, grid().Cols() - 1);
  at(2, 1);
  mnuPopupDelete_Click(s);  // the remembered line itself: forgotten
  EXPECT_EQ(ed().CopiedRow, 0);
  at(1, 1);
  mnuPopupPaste_Click(s);
  EXPECT_EQ(grid().TextMatrix(1, 1), "L1");
  CommandEdit_Click(s);
  EXPECT_EQ(ed().CopiedRow, 0);
}

class EditorSaveTest : public StationEditorTest {
 protected:
  // The fixture once saved into the writer's form, then read back as the editor shows it.
  std::string normalised() {
    loadFixture();
    EXPECT_TRUE(writeSetupFile(s));
    getstationfile(s);
    return readFile(setupPath());
  }
};

TEST_F(EditorSaveTest, UneditedSavesIdenticalAndOneEditChangesOneLine) {
  const std::string before = normalised();
  ASSERT_NE(before.find("\xB0" "F Site"), std::string::npos);
  ed().Visible = true;
  ASSERT_TRUE(CommandSave_Click(s));
  EXPECT_EQ(readFile(setupPath()), before);

  Command2_Click(s);
  editMode();
  at(1, 4);
  grid().MouseRow = 1;
  MSFlexGrid1_MouseDown(s, 1, 2000.0f, 300.0f);
  MSFlexGrid1_Click(s);
  ed().Text1.SelStart = 0;
  ed().Text1.SelLength = static_cast<int>(ed().Text1.Text.size());
  ed().Text1.Text.clear();
  ed().Text1.SelLength = 0;
  type("Lower Creek, ID");
  key(kEnter);
  ASSERT_TRUE(CommandSave_Click(s));
  const std::string after = readFile(setupPath());
  const auto beforeLines = vb::splitLines(before, vb::LineEnds::LfOnly);
  const auto afterLines = vb::splitLines(after, vb::LineEnds::LfOnly);
  ASSERT_EQ(afterLines.size(), beforeLines.size());
  int changed = 0;
  for (std::size_t i = 0; i < afterLines.size(); ++i)
    if (afterLines[i] != beforeLines[i]) {
      ++changed;
      EXPECT_EQ(afterLines[i], "XXXXX; 1001; Flow; Lower Creek, ID\r");
    }
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(after.substr(after.find("\r\nEND")), before.substr(before.find("\r\nEND")));
  EXPECT_EQ(after.back(), 'd');  // "last note without line end"
  EXPECT_EQ(grid().TextMatrix(1, 4), "Lower Creek, ID");
}

TEST_F(EditorSaveTest, LinesTheReaderWouldRefuseAreNotSaved) {
  const std::string before = normalised();
  struct Case {
    std::vector<std::string> cells;
    std::string why;
  };
  const std::vector<Case> cases = {
      {{"ABC", "1", "flow"}, "fewer than 4 fields"},
      {{"ABC"}, "fewer than 4 fields"},
      {{"END", "1", "flow", "site"}, "begins with \"END\""},
      {{"ENDING", "1", "flow", "site"}, "begins with \"END\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    ui.boxes.clear();
    mnuPopupAdd_Click(s);
    const int r = grid().Rows() - 1;
    for (std::size_t i = 0; i < c.cells.size(); ++i) grid().TextMatrix(r, static_cast<int>(i) + 1) = c.cells[i];
    ed().ListDirty = true;
    EXPECT_FALSE(CommandSave_Click(s));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_THAT(ui.boxes[0].text, HasSubstr("Row " + std::to_string(r)));
    EXPECT_THAT(ui.boxes[0].text, HasSubstr(c.why));
    EXPECT_TRUE(ed().Visible);
    EXPECT_TRUE(ed().ListDirty);
    EXPECT_EQ(readFile(setupPath()), before);
    grid().RemoveItem(r);
  }
  mnuPopupAdd_Click(s);  // an empty row is no line to refuse
  EXPECT_TRUE(CommandSave_Click(s));
  EXPECT_EQ(s.StationCount, 5);
}

TEST_F(EditorSaveTest, AGridReadOnlyInPartIsNotSaved) {
  std::string text = normalised();
  const std::size_t at = text.find("COMPUTE-Unit");
  text.insert(at, "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=other.mdb;\r\n");
  writeSetup(text);
  getstationfile(s);
  ui.boxes.clear();
  EXPECT_EQ(ed().ReadStoppedAtLine, static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n')) + 1);
  ed().ListDirty = true;
  EXPECT_FALSE(CommandSave_Click(s));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_THAT(ui.boxes[0].text, HasSubstr("Edit w/Notepad"));
  EXPECT_EQ(readFile(setupPath()), text);
}

TEST_F(EditorSaveTest, ASaveDuringARunLeavesTheRunsTablesAlone) {
  normalised();
  s.RunActive = true;
  const int16_t count = s.StationCount;
  const std::string firstName = s.StationTable(4, 1);
  mnuPopupAdd_Click(s);
  const int r = grid().Rows() - 1;
  grid().TextMatrix(r, 1) = "XXXXX";
  grid().TextMatrix(r, 2) = "1009";
  grid().TextMatrix(r, 3) = "flow";
  grid().TextMatrix(r, 4) = "New, NV";
  grid().TextMatrix(1, 4) = "Renamed";
  s.SiteCount = 77;
  ASSERT_TRUE(CommandSave_Click(s));
  EXPECT_THAT(readFile(setupPath()), HasSubstr("XXXXX; 1009; flow; New, NV\r\n"));
  EXPECT_TRUE(s.SetupChanged);
  EXPECT_EQ(s.StationCount, count);
  EXPECT_EQ(s.StationTable(4, 1), firstName);
  EXPECT_EQ(s.SiteCount, 77);

  ed().ComboTools.Text = "Reload Flumewright_setup.txt";
  ComboTools_Click(s);
  EXPECT_EQ(s.StationCount, count);

  // After "Edit w/Notepad" the next opening waits for the run's end.
  auto runner = std::make_shared<RecordingProcessRunner>();
  s.processes = runner;
  cmdNotepad_Click(s);
  EXPECT_TRUE(s.GridStale);
  EXPECT_FALSE(ed().Loaded);
  ui.boxes.clear();
  EXPECT_FALSE(Command2_Click(s));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_THAT(ui.boxes[0].text, HasSubstr("when the run has ended"));
  s.RunActive = false;
  EXPECT_TRUE(Command2_Click(s));
  EXPECT_EQ(grid().TextMatrix(1, 4), "Renamed");
  EXPECT_EQ(grid().TextMatrix(grid().Rows() - 1, 4), "New, NV");
}

// Runs body in a child process as an unprivileged user; the test fails when the child does.
void asUnprivileged(const std::function<bool()>& body) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(EditorSaveTest, ANotWritableFileOrFolderKeepsItsBytesAndMode) {
  const std::string before = normalised();
  std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
  for (bool readOnlyFolder : {false, true}) {
    SCOPED_TRACE(readOnlyFolder);
    ::chmod(setupPath().c_str(), readOnlyFolder ? 0644 : 0444);
    if (readOnlyFolder) {
      ::chown(setupPath().c_str(), 65534, 65534);
      ::chmod(folder.path().c_str(), 0555);
    } else {
      ::chmod(folder.path().c_str(), 0777);
    }
    grid().TextMatrix(1, 4) = "Not Saved";
    ed().ListDirty = true;
    ed().Visible = true;
    ui.boxes.clear();
    asUnprivileged([&] {
      const bool failed = !CommandSave_Click(s);
      return failed && ui.boxes.size() == 1 && ui.boxes[0].text.find("Permission denied") != std::string::npos &&
             ui.boxes[0].text.find(setupPath().string()) != std::string::npos && ed().Visible && ed().ListDirty;
    });
    EXPECT_EQ(readFile(setupPath()), before);
    struct stat st {};
    ::stat(setupPath().c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, readOnlyFolder ? 0644u : 0444u);
    ::chmod(folder.path().c_str(), 0777);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.path())) ++files;
    EXPECT_EQ(files, 2);  // the setup file and the database: no temporary file stays
  }
}

TEST_F(EditorSaveTest, ASavedFileKeepsItsModeAndItsLink) {
  normalised();
  const auto real = folder / "real_setup.txt";
  std::filesystem::rename(setupPath(), real);
  std::filesystem::create_symlink(real, setupPath());
  ::chmod(real.c_str(), 0600);
  grid().TextMatrix(1, 4) = "Through The Link";
  ASSERT_TRUE(writeSetupFile(s));
  EXPECT_TRUE(std::filesystem::is_symlink(setupPath()));
  EXPECT_THAT(readFile(real), HasSubstr("Through The Link"));
  struct stat st {};
  ::stat(real.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace fw
