// Copies of a station line into table rsite, on an SQLite database reached through the second
// connection, and the database editor companion opened on the line afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/rsite_copy.h"
#include "app/session.h"
#include "app/station_editor.h"
#include "platform/process/process_runner.h"
#include "setup_support.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RsiteCopyTest : public ::testing::Test, protected testing::SetupSession {
 protected:
  void SetUp() override {
    hdb = testing::makeHdb(folder.path());
    s.HdbConnString = testing::sqliteConnString(hdb);
    s.processes = runner;
    std::filesystem::create_directories(folder / "Table wise");
    testing::writeFile(folder / "Table wise" / "Tablewise.exe", "");
    s.TablewiseFolder = (folder / "Table wise").string() + "/";
    grid().setRows(2);
  }
  StationGrid& grid() { return s.Form2.MSFlexGrid1; }
  void line(const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) grid().TextMatrix(1, static_cast<int>(i) + 1) = cells[i];
    grid().Row = grid().RowSel = 1;
  }
  int records(const std::string& where) { return testing::countRows(hdb, "select * from rsite where " + where); }
  int allRecords() { return testing::countRows(hdb, "select * from rsite"); }
  std::string tablewise() const { return s.TablewiseFolder + "Tablewise.exe"; }

  std::filesystem::path hdb;
  std::shared_ptr<RecordingProcessRunner> runner = std::make_shared<RecordingProcessRunner>();
};

TEST_F(RsiteCopyTest, MenuCopyOfAComputeLineThenTablewiseOnIt) {
  line({"COMPUTE-Unit", "-30012", "runoff", "My New Site, NV"});
  ui.answers = {MsgResult::Yes};
  mnuPopupRsite_Click(s);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "ADD this line to or EDIT table RSITE?");
  EXPECT_EQ(ui.boxes[0].title, "My New Site, NV");
  EXPECT_EQ(records("datatype_site_id=-30012 and site_id='12' and datatype_id=30 and site_digit=0 and "
                    "source='COMPUTE' and unit='-' and unit_name='-' and parameter_code='-' and state='-' and "
                    "datatype_name='runoff' and site_name='My New Site, NV'"),
            1);
  ASSERT_EQ(runner->started.size(), 1u);
  EXPECT_THAT(runner->started[0], ElementsAre(tablewise(), "-30012,rsite"));
  EXPECT_FALSE(s.Form2.RsiteLaunch);

  // Again: the record exists, nothing is written, the companion opens on it.
  ui.answers = {MsgResult::Yes};
  mnuPopupRsite_Click(s);
  EXPECT_EQ(allRecords(), 1);
  EXPECT_EQ(runner->started.size(), 2u);
  // No: nothing at all.
  ui.answers = {MsgResult::No};
  mnuPopupRsite_Click(s);
  EXPECT_EQ(runner->started.size(), 2u);
}

TEST_F(RsiteCopyTest, MenuCopyOfASnowmeltLineAddsFourRecords) {
  line({"SNOWMELT-Hour", "10012, 23012", "Melt, Snow Water Content", "Upper Basin-North, NV", "0"});
  ui.answers = {MsgResult::Yes};
  mnuPopupRsite_Click(s);
  EXPECT_EQ(allRecords(), 4);
  EXPECT_EQ(records("datatype_site_id=10012 and datatype_name='melt' and unit='inches' and site_name='Upper Basin' "
                    "and source='SNOWMELT' and parameter_code like '%,-23012,-25012,-31012' and "
                    "parameter_code like '17XXX,18XXX,%'"),
            1);
  EXPECT_EQ(records("datatype_site_id=23012 and datatype_name='snow water content' and unit='inches' and "
                    "parameter_code='Computed' and datatype_id=23"),
            1);
  EXPECT_EQ(records("datatype_site_id=-25012 and datatype_name='snow age' and unit='days' and unit_name='days' and "
                    "parameter_code='Computed' and datatype_id=25 and site_id='12'"),
            1);
  EXPECT_EQ(records("datatype_site_id=-31012 and datatype_name='albedo' and unit='%' and parameter_code='Computed'"), 1);
  EXPECT_THAT(runner->started.at(0), ElementsAre(tablewise(), "10012,rsite"));
}

TEST_F(RsiteCopyTest, RightClickCopiesByDataType) {
  struct Case {
    std::vector<std::string> cells;
    std::vector<std::string> wheres;  // one per record expected
  };
  const std::vector<Case> cases = {
      {{"XXXXX", "10003", "Rainfall", "Ridge Gauge, NV"},
       {"datatype_site_id=10003 and unit='inches' and unit_name='inches' and parameter_code='-' and source='XXXXX'"}},
      {{"NEXRAD-ABC", "10004", "Rainfall", "Radar Point, NV"},
       {"datatype_site_id=10004 and unit='inches' and parameter_code='N0Q-Ridge2' and source='NEXRAD-ABC'"}},
      {{"XXXXX", "1005", "Flow", "Creek, NV"},
       {"datatype_site_id=1005 and unit='-' and unit_name='-' and parameter_code='-' and datatype_id=1"}},
      {{"WX-Hour", "16006, 17006", "Dew Point, Air Temperature", "Hill, NV"},
       {"datatype_site_id=16006 and hex(unit)='B066' and parameter_code='Air_Temp,Surfce_Temp' and source='WX'",
        "datatype_site_id=17006 and hex(unit_name)='B066' and parameter_code='Computed' and "
        "datatype_name='air temperature'"}},
      {{"WX-Hour", "17009, 18009", "Air Temperature, Humidity", "Hill, NV"},
       {"datatype_site_id=17009 and unit='inches' and parameter_code='Rainfall,Snowfall'",
        "datatype_site_id=18009 and parameter_code='Computed'"}},
      {{"SNOW", "21007, 10007", "Snow Depth, Rainfall", "Pass, NV"},
       {"datatype_site_id=21007 and unit='inches' and parameter_code='Snow Depth,% Density'",
        "datatype_site_id=10007"}},
      {{"SNOWCAST-Day", "10008 , 23008", "Melt, Snow Water Content", "Peak, NV"},
       {"datatype_site_id=10008 and unit='inches' and parameter_code like '%,-23008,-25008,-31008'",
        "datatype_site_id=23008"}},
  };
  int total = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cells[1]);
    ui.boxes.clear();
    line(c.cells);
    ui.answers = {MsgResult::Yes, MsgResult::No};
    rsiteRightClickCopy(s);
    ASSERT_EQ(ui.boxes.size(), 2u) << ui.boxes.back().text;
    EXPECT_EQ(ui.boxes[0].text, "ADD this line to table RSITE?");
    EXPECT_EQ(ui.boxes[1].text, "Do you want to edit/complete table RSITE now?");
    for (const auto& w : c.wheres) EXPECT_EQ(records(w), 1) << w;
    total += static_cast<int>(c.wheres.size());
    EXPECT_EQ(allRecords(), total);
  }
  EXPECT_TRUE(runner->started.empty());
  // Yes to the last question opens the companion and marks the list changed.
  ui.answers = {MsgResult::No, MsgResult::Yes};
  rsiteRightClickCopy(s);
  EXPECT_TRUE(s.Form2.ListDirty);
  EXPECT_THAT(runner->started.at(0), ElementsAre(tablewise(), "10008,rsite"));
}

TEST_F(RsiteCopyTest, ATwoDsidLineWhoseSecondRecordExistsStopsAfterTheFirst) {
  testing::execSql(hdb, "insert into rsite (site_id, datatype_site_id) values ('12', 23012)");
  line({"SNOWMELT-Hour", "10012, 23012", "Melt, Snow Water Content", "Upper Basin, NV"});
  ui.answers = {MsgResult::Yes};
  mnuPopupRsite_Click(s);
  EXPECT_EQ(allRecords(), 2);
  EXPECT_EQ(records("datatype_site_id=10012"), 1);
}

TEST_F(RsiteCopyTest, FaultyDsidsAreReportedAndEndTheCopy) {
  struct Case {
    std::string dsid, message;
  };
  const std::vector<Case> cases = {
      {"12", "shorter than three characters"},
      {"10a3", "\"10a3\" is not a whole number"},
      {"1001, x", "\"x\" is not a whole number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dsid);
    ui.boxes.clear();
    line({"XXXXX", c.dsid, "Flow", "Creek, NV"});
    ui.answers = {MsgResult::Yes};
    mnuPopupRsite_Click(s);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_THAT(ui.boxes[1].text, HasSubstr(c.message));
    EXPECT_EQ(allRecords(), 0);
    EXPECT_TRUE(runner->started.empty());
  }
  // A database that cannot be opened is reported by the connection and ends the copy.
  ui.boxes.clear();
  s.HdbConnString = testing::sqliteConnString(folder / "missing" / "none.db");
  line({"XXXXX", "1001", "Flow", "Creek, NV"});
  ui.answers = {MsgResult::Yes};
  mnuPopupRsite_Click(s);
  EXPECT_GE(ui.boxes.size(), 2u);
  EXPECT_TRUE(runner->started.empty());
}

TEST_F(RsiteCopyTest, RightClickOnTheBorderInEditModePopsTheMenuAndCopiesNothing) {
  line({"XXXXX", "1001", "Flow", "Creek, NV"});
  grid().setRows(4);
  int popups = 0;
  s.Form2.PopupMenu = [&] {
    ++popups;
    EXPECT_EQ(grid().SelectionMode, kSelectionByRow);
    EXPECT_EQ(grid().Row, 3);
    EXPECT_EQ(grid().ColSel, grid().Cols() - 1);
  };
  grid().SelectionMode = kSelectionFree;
  grid().MouseRow = 3;
  MSFlexGrid1_MouseDown(s, 2, 100.0f, 800.0f);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(grid().SelectionMode, kSelectionFree);
  EXPECT_TRUE(ui.boxes.empty());
  // In pick mode a right-click anywhere copies the selected line.
  grid().SelectionMode = kSelectionByRow;
  grid().Row = grid().RowSel = 1;
  ui.answers = {MsgResult::Yes, MsgResult::No};
  MSFlexGrid1_MouseDown(s, 2, 3000.0f, 300.0f);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(records("datatype_site_id=1001"), 1);
}

}  // namespace
}  // namespace fw
