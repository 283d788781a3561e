#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/session.h"
#include "app/setup_file.h"
#include "setup_support.h"

namespace fw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readFile;

class SetupReaderTest : public ::testing::Test, protected testing::SetupSession {
 protected:
  // Reads a setup file made of the given lines (each ended by CR LF).
  void read(const std::vector<std::string>& lines) {
    writeSetupLines(lines);
    getstationfile(s);
  }
  const StationGrid& grid() const { return s.Form2.MSFlexGrid1; }
};

TEST_F(SetupReaderTest, ReadsTheSampleSetupFile) {
  copyFixture("Flumewright_setup.txt", kSetupFileName);
  getstationfile(s);

  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(s.form.Text7.Text, "1");
  EXPECT_EQ(s.form.Text8.Text, "20%");
  EXPECT_EQ(s.form.Check5.Value, 1);
  EXPECT_EQ(s.form.Check3.Value, 1);
  EXPECT_EQ(s.form.Check8.Value, 0);
  EXPECT_EQ(s.form.Text4.Text, "50%");
  EXPECT_EQ(s.form.Text5.Text, "15");
  EXPECT_EQ(s.form.txtRadarMaxHrs.Text, "3");
  EXPECT_EQ(s.form.Text9.Text, "3");  // the main window shows the same hours
  EXPECT_EQ(s.form.optLongDir, 1);  // the short listing is the one set True
  EXPECT_EQ(s.form.chkCompactRepair.Value, 1);
  EXPECT_EQ(s.TablewiseFolder, "/opt/Tablewise/");
  EXPECT_EQ(s.MenuPic, "/data/Pics/River.png");  // paths keep their case
  EXPECT_EQ(s.MenuTextColor, 5869787);
  EXPECT_EQ(s.TrayState, kTrayNone);
  EXPECT_EQ(s.AlertAddress, "Duty.Officer@example.org;flood@example.org");
  EXPECT_EQ(s.AlertStartTime, -1);
  EXPECT_DOUBLE_EQ(s.ShellTimeoutMinutes, 2.5);
  EXPECT_EQ(s.HdbConnString,
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Flumewright\\Tablewise\\TablewiseHDB.mdb;User "
            "Id=admin;Password=;");
  EXPECT_FALSE(s.HdbAposDates);

  // The alert addresses hold ";" and still are no station line: the header plus five stations.
  EXPECT_EQ(s.StationCount, 5);
  EXPECT_EQ(grid().Rows(), 6);
  EXPECT_EQ(s.StationTable(1, 0), "Station_ID");
  EXPECT_EQ(s.StationTable(1, 1), "XXXXX");
  EXPECT_EQ(s.StationTable(3, 1), "Flow");
  EXPECT_EQ(s.StationTable(4, 1), "Sample Creek near Town, ID");
  EXPECT_EQ(s.StationTable(2, 3), "10005, 23005");
  EXPECT_EQ(s.StationTable(5, 3), "0");
  EXPECT_EQ(s.StationTable(6, 3), "-0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0");
  EXPECT_EQ(s.StationTable(4, 5),
            "Ridge \xb0"
            "F Site, NV");
  EXPECT_EQ(grid().TextMatrix(3, 6), "-0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0");
  EXPECT_EQ(grid().TextMatrix(1, 4), "Sample Creek near Town, ID");
  EXPECT_EQ(grid().TextMatrix(1, 5), "");
  EXPECT_EQ(s.NowcastTrackFile, "/data/Radar/NowCast_ABC_N0B_RECENT.txt");
  EXPECT_EQ(s.LastSavedHour.size(), 54u);  // one per file line
  EXPECT_TRUE(s.Form2.Loaded);
  EXPECT_FALSE(s.Form2.Visible);
}

TEST_F(SetupReaderTest, StopsOnlyAtALineBeginningWithUpperCaseEnd) {
  read({"END", "Future Days=7", "Station_ID; a; b; c"});
  EXPECT_EQ(s.StationCount, -1);
  EXPECT_EQ(grid().Rows(), 0);
  EXPECT_EQ(s.form.Text7.Text, "1");

  read({"Station_ID; a; b; c", "end of the list is not here", "X; 1; flow; a", "ENDING", "Y; 2; flow; b"});
  EXPECT_EQ(s.StationCount, 1);
  EXPECT_EQ(s.StationTable(1, 1), "X");

  read({" END", "X; 1; flow; a"});  // a blank before END does not stop
  EXPECT_EQ(s.StationCount, 0);
}

TEST_F(SetupReaderTest, BoxSettingsTickOnTrueAndNeverClear) {
  read({"  write dailys =  true  "});
  EXPECT_EQ(s.form.Check5.Value, 1);
  read({"Write Dailys= False"});
  EXPECT_EQ(s.form.Check5.Value, 1);
  read({"Write  Hourly Avg= True"});  // two blanks: no key
  EXPECT_EQ(s.form.Check3.Value, 0);

  s.form.chkMetric.Value = 1;
  s.MetricUnits = true;
  read({"Metric Units=False"});
  EXPECT_FALSE(s.MetricUnits);
  EXPECT_EQ(s.form.chkMetric.Value, 1);

  read({"Minimize to System Tray=False"});
  EXPECT_EQ(s.TrayState, kTrayOff);
  read({"Minimize to System Tray=True"});
  EXPECT_EQ(s.TrayState, kTrayOff);
}

TEST_F(SetupReaderTest, TextSettingsAreUpperCasedButPathsAndAddressesKeepTheirCase) {
  read({"Percent Missing Allowed= 20pct", "Menu Pic=/home/ann/pics/menu.png",
        "NowCast Info folder=/data/Now/", "Radar Boundary File folder=/data/Bounds/",
        "Alert Address=Ann@Example.org", "RADAR VALUE=x.5", "Station List Filename=list.txt",
        "Unknown Key=1;2;3"});
  EXPECT_EQ(s.form.Text8.Text, "20PCT");
  EXPECT_EQ(s.MenuPic, "/home/ann/pics/menu.png");
  EXPECT_EQ(s.NowcastInfoFolder, "/data/Now/");
  EXPECT_EQ(s.RadarBoundaryFolder, "/data/Bounds/");
  EXPECT_EQ(s.AlertAddress, "Ann@Example.org");
  EXPECT_EQ(s.form.txtRadarInch.Text, "X.5");
  EXPECT_EQ(s.form.Text6.Text, "LIST.TXT");
  // An unknown key is ignored and said; its value's ";" does not make it a station line.
  EXPECT_THAT(boxTexts(), ElementsAre("Flumewright_setup.txt line 8: unknown key \"Unknown Key\" (value \"1;2;3\"); "
                                      "the line is ignored."));
  EXPECT_EQ(s.StationCount, -1);
}

TEST_F(SetupReaderTest, NumericSettings) {
  read({"Alert Start Time= 2.5 hours", "Shell Timed Out Minutes=abc", "START DATE=06/01/2024 08:00",
        "Column Widths=1500,0,,  320.6"});
  EXPECT_DOUBLE_EQ(s.AlertStartTime, 2.5);
  EXPECT_EQ(s.ShellTimeoutMinutes, 0);
  ASSERT_TRUE(s.StartDateSetting.has_value());
  EXPECT_DOUBLE_EQ(*s.StartDateSetting, 45444 + 8.0 / 24);
  EXPECT_EQ(grid().ColWidth(1), 1500);
  EXPECT_EQ(grid().ColWidth(2), 600);  // zero or empty keeps the default
  EXPECT_EQ(grid().ColWidth(3), 300);
  EXPECT_EQ(grid().ColWidth(4), 321);
  EXPECT_TRUE(ui.boxes.empty());

  read({"X; 1; a; b"});  // the start date is never cleared, the alert time is
  EXPECT_TRUE(s.StartDateSetting.has_value());
  EXPECT_EQ(s.AlertStartTime, -1);
  EXPECT_EQ(grid().ColWidth(1), 1400);
}

// A line the reader cannot take is said with its line number, its key and its value, and the
// read goes on: the settings after it are read, the station lines after it are in the list.
TEST_F(SetupReaderTest, ALineItCannotTakeIsSaidAndTheReadGoesOn) {
  struct Case {
    std::string bad;
    std::string said;      // the box (and error-log) text; empty for a station line
    std::string runFault;  // the text the run fails a station line with
  };
  const std::vector<Case> cases = {
      {"Menu Text Color=red",
       "Flumewright_setup.txt line 3: Menu Text Color= \"red\" cannot be read (Type mismatch); the setting stays as "
       "it was.",
       ""},
      {"START DATE=someday",
       "Flumewright_setup.txt line 3: START DATE= \"someday\" is not a date (Type mismatch); no run starts until it is "
       "a date such as 06/05/2024 13:15 or 2024-06-05 13:15.",
       ""},
      {"Column Widths=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20",
       "Flumewright_setup.txt line 3: Column Widths= \"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20\" cannot "
       "be read (Subscript out of range); the setting stays as it was.",
       ""},
      {"X; 2; flow", "",
       "Flumewright_setup.txt line 3: the station line \"X; 2; flow\" has 3 fields; a station line needs at least 4 "
       "(Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name)."},
      {"A;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19", "",
       "Flumewright_setup.txt line 3: the station line \"A;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19\" has 20 "
       "fields; a station line holds at most 19."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bad);
    ui.boxes.clear();
    read({"Station_ID; a; b; c", "Y; 1; flow; site", c.bad, "Future Days=9", "Z; 3; flow; site"});
    if (c.said.empty())
      EXPECT_TRUE(ui.boxes.empty());
    else
      EXPECT_THAT(boxTexts(), ElementsAre(c.said));
    const bool stationLine = !c.runFault.empty();
    EXPECT_EQ(s.StationCount, stationLine ? 3 : 2);
    EXPECT_EQ(s.StationTable(1, stationLine ? 3 : 2), "Z");
    EXPECT_EQ(s.form.Text7.Text, "9");
    EXPECT_EQ(s.Form2.ReadStoppedAtLine, 0);
    if (stationLine)
      EXPECT_THAT(s.StationLineFaults, ElementsAre(std::pair<const int32_t, std::string>(2, c.runFault)));
    else
      EXPECT_TRUE(s.StationLineFaults.empty());
    EXPECT_EQ(s.StartDateInvalid, c.bad.starts_with("START DATE"));
  }

  // A four-field line is enough; nothing lands in column 5.
  read({"Station_ID; a; b; c", "XXXXX; 1001; flow; boise river NEAR boise"});
  EXPECT_EQ(s.StationCount, 1);
  EXPECT_EQ(s.StationTable(4, 1), "Boise River NEAR Boise");
  EXPECT_EQ(s.StationTable(5, 1), "");
  EXPECT_TRUE(s.StationLineFaults.empty());
}

// A yes/no value other than True or False, a misspelled key and a station line written with
// commas: one error-log line each (a repeated unknown key once), naming the line, the key and the
// value; the same file read again says nothing new, and the file is left as it is.
TEST_F(SetupReaderTest, BadInputIsSaidOnceInTheErrorLogAndTheFileIsLeftAlone) {
  const std::vector<std::string> lines = {"Write Dailys= Ture", "Minutes between retreivals=30",
                                          "Minutes between retreivals=45", "Station_ID; a; b; c",
                                          "09380000, 1101, Flow, Colorado R at Lees Ferry, 0, 0",
                                          "Metric Units=yes", "Minimize to System Tray=Flase", "Write Hourly Avg=TRUE"};
  const std::vector<std::string> said = {
      "Flumewright_setup.txt line 1: Write Dailys= \"Ture\" is neither True nor False; the box is not ticked by it.",
      "Flumewright_setup.txt line 2: unknown key \"Minutes between retreivals\" (value \"30\"); the line is ignored.",
      "Flumewright_setup.txt line 5: \"09380000, 1101, Flow, Colorado R at Lees Ferry, 0, 0\" has no \";\": the fields "
      "of a station line are separated by \";\", so the line is not read.",
      "Flumewright_setup.txt line 6: Metric Units= \"yes\" is neither True nor False; it is taken as False.",
      "Flumewright_setup.txt line 7: Minimize to System Tray= \"Flase\" is neither True nor False; it is taken as "
      "True."};
  for (const bool batch : {true, false}) {
    SCOPED_TRACE(batch ? "batch" : "window");
    Session fresh(ui, clock, folder.path());
    fresh.BatchMode = batch;
    ui.boxes.clear();
    writeSetupLines(lines);
    getstationfile(fresh);
    getstationfile(fresh);  // a run reads the file again
    EXPECT_EQ(fresh.errlog.written(), said);
    if (batch) {
      EXPECT_TRUE(ui.boxes.empty());
    } else {
      std::string box;
      for (const std::string& t : said) box += (box.empty() ? "" : "\r\n") + t;
      EXPECT_THAT(boxTexts(), ElementsAre(box));
    }
    EXPECT_EQ(fresh.form.Check5.Value, 0);
    EXPECT_EQ(fresh.form.Check3.Value, 1);
    EXPECT_EQ(fresh.StationCount, 0);
    EXPECT_EQ(readFile(setupPath()), testing::crlf(lines));
  }
}

TEST_F(SetupReaderTest, AMissingFileIsReportedAndInBatchModeLogged) {
  getstationfile(s);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_THAT(ui.boxes[0].text, HasSubstr("File not found"));

  s.BatchMode = true;
  writeSetup("");
  getstationfile(s);
  EXPECT_EQ(ui.boxes.size(), 1u);
  ASSERT_EQ(s.errlog.written().size(), 1u);
  EXPECT_THAT(s.errlog.written()[0], HasSubstr("Input past end of file"));
}

TEST_F(SetupReaderTest, ConnectionLine) {
  read({"Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source="});
  EXPECT_EQ(s.HdbConnString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder.path().string() +
                                 "/TablewiseHDB.mdb;User Id=admin;Password=;");
  EXPECT_EQ(s.StationCount, -1);  // blanked: never a station line

  // A program in .../Flumewright/Flumewright finds the database in its sibling .../Flumewright/Tablewise.
  const auto nested = folder / "Flumewright" / "Flumewright";
  std::filesystem::create_directories(nested);
  Session inner(ui, clock, nested);
  testing::writeFile(nested / kSetupFileName, "Database Connection String=Source=\r\n");
  getstationfile(inner);
  EXPECT_EQ(inner.HdbConnString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                     (folder / "Flumewright" / "Tablewise").string() +
                                     "/TablewiseHDB.mdb;User Id=admin;Password=;");

  read({"Database Connection String=Provider=SQLOLEDB;Data Source=hydro-db;Initial Catalog=HDB"});
  EXPECT_EQ(s.HdbConnString, "Provider=SQLOLEDB;Data Source=hydro-db;Initial Catalog=HDB");
  EXPECT_TRUE(s.HdbAposDates);
  EXPECT_EQ(s.form.Text1.Text, "Connecting to server...\r\n");
  ASSERT_EQ(s.form.Text1.Runs.size(), 1u);
  EXPECT_EQ(s.form.Text1.Runs[0].color, 16777215);
  EXPECT_TRUE(s.form.Visible);
  EXPECT_EQ(ui.doEventsCalls, 1);

  read({"no connection line here"});  // keeps the string as it was
  EXPECT_EQ(s.HdbConnString, "Provider=SQLOLEDB;Data Source=hydro-db;Initial Catalog=HDB");

  s.BatchMode = true;
  s.HdbAposDates = false;
  read({"Database Connection String=Provider=SQLOLEDB;Data Source=other-db"});
  EXPECT_FALSE(s.HdbAposDates);  // left to the connection routines in batch mode
}

TEST_F(SetupReaderTest, SecondConnectionLineStopsTheRead) {
  read({"Station_ID; a; b; c", "X; 1; flow; a",
        "Database Connection String=Provider=A;Data Source=first-database", "Y; 2; flow; b",
        "Database Connection String=Provider=B;Data Source=second-database", "Z; 3; flow; c",
        "Future\tDays=3"});
  EXPECT_THAT(boxTexts(),
              ElementsAre("Multiple database connections given.  Missing END statement before notes??"));
  EXPECT_EQ(s.HdbConnString, "Provider=B;Data Source=second-database");
  EXPECT_EQ(s.StationCount, 2);
  EXPECT_EQ(grid().Rows(), 3);
}

TEST_F(SetupReaderTest, ConvertTabsKeepsInteriorEmptyFields) {
  EXPECT_EQ(convertTabs("A\t\tB"), "A;;B");
  EXPECT_EQ(convertTabs("XXXXX\t1001\tflow\tsite\t\t\t"), "XXXXX;1001;flow;site");
  EXPECT_EQ(convertTabs("a; b\tc\t \t"), "a; b;c");
  EXPECT_EQ(convertTabs("\t\t"), "");
}

TEST_F(SetupReaderTest, TabLinesAreConvertedAndTheFileReSavedOnce) {
  const std::string connection = "Database Connection String=Provider=SQLOLEDB;Data Source=hydro\tdb";
  read({"Station_ID; a; b; c", "XXXXX\t1001\tflow\tsite\t\t\t", "Y\t2\t\t\tshift", connection, "END",
        "notes\tkept"});
  EXPECT_EQ(s.StationCount, 2);
  EXPECT_EQ(s.StationTable(4, 1), "Site");
  EXPECT_EQ(s.StationTable(3, 2), "");
  EXPECT_EQ(s.StationTable(4, 2), "");
  EXPECT_EQ(s.StationTable(5, 2), "shift");
  EXPECT_EQ(s.HdbConnString, "Provider=SQLOLEDB;Data Source=hydro\tdb");
  EXPECT_THAT(boxTexts(), ElementsAre("Flumewright_setup.txt with Tabs re-saved"));
  EXPECT_EQ(readFile(setupPath()), testing::crlf({"Station_ID; a; b; c", "XXXXX;1001;flow;site",
                                                  "Y;2;;;shift", connection, "END", "notes\tkept"}));

  ui.boxes.clear();
  getstationfile(s);  // nothing left to convert
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(s.HdbConnString, "Provider=SQLOLEDB;Data Source=hydro\tdb");
}

// A spreadsheet may leave a TAB beside the "=" of a settings line: the line is still the setting,
// and it is re-saved in the form the writer gives it.
TEST_F(SetupReaderTest, TabsAroundAKnownKeyOrItsValueAreTrimmed) {
  read({"Write Dailys\t= True", "write hourly avg=\ttrue\t\t", "Alert Address=\tAnn@example.org",
        "Station_ID; a; b; c", "X; 1001; flow; site", "END", "notes\tkept"});
  EXPECT_EQ(s.form.Check5.Value, 1);
  EXPECT_EQ(s.form.Check3.Value, 1);
  EXPECT_EQ(s.AlertAddress, "Ann@example.org");
  EXPECT_EQ(s.StationCount, 1);
  EXPECT_THAT(boxTexts(), ElementsAre("Flumewright_setup.txt with Tabs re-saved"));
  EXPECT_EQ(readFile(setupPath()),
            testing::crlf({"Write Dailys= True", "Write Hourly Avg= true", "Alert Address=Ann@example.org",
                           "Station_ID; a; b; c", "X; 1001; flow; site", "END", "notes\tkept"}));
  ui.boxes.clear();
  getstationfile(s);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(s.StationCount, 1);
}

TEST_F(SetupReaderTest, AStoppedReadDoesNotReSave) {
  const std::vector<std::string> lines = {"Station_ID; a; b; c", "X\t1\tflow\tsite",
                                          "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb;",
                                          "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=b.mdb;"};
  read(lines);
  EXPECT_EQ(readFile(setupPath()), testing::crlf(lines));
  EXPECT_THAT(boxTexts(), ElementsAre("Multiple database connections given.  Missing END statement before notes??"));
  EXPECT_EQ(s.Form2.ReadStoppedAtLine, 4);
}

TEST_F(SetupReaderTest, NowcastTrackFileFollowsTheFirstNexradLineAfterTheFolderKey) {
  s.NowcastTrackFile = "old";
  read({"Station_ID; a; b; c", "NEXRAD-XYZ; 10001; rainfall; a"});
  EXPECT_EQ(s.NowcastTrackFile, "old");  // the key was not read

  read({"Station_ID; a; b; c", "NEXRAD-XYZ; 10001; rainfall; a", "NowCast Info folder=/data/NowCast/",
        "nexrad-low; 10002; rainfall; b", "NEXRAD-ABC; 10003; rainfall; c",
        "NEXRAD-DEF; 10004; rainfall; d"});
  EXPECT_EQ(s.NowcastTrackFile, "/data/NowCast/NowCast_ABC_N0B_RECENT.txt");
}

}  // namespace
}  // namespace fw
