// What the wizard writes: the rebuilt line into the editor row and the setup file, the rsite rows
// into the database, and the What-If panel's settings.
#include <gtest/gtest.h>

#include "app/station_editor.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "wizard/line_replace.h"
#include "wizard/rsite_row.h"
#include "wizard/runoff_page.h"
#include "wizard/what_if_panel.h"
#include "wizard_support.h"

namespace fw {
namespace {

const std::string kGauge = "XXXXX; 1001; flow; Bridge Creek, AZ";
const std::string kRunoff =
    "COMPUTE-HOUR; -30012; Runoff; Bear Wash, AZ; 0; 1.5, 60, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, "
    "90, 59, 0.5, "
    "1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 2, 0.2, 0, 0.5, 0, Lag0; P1; 0; Triangle Unit Graph";

db::QueryResult query(const std::filesystem::path& hdb, const std::string& sql) {
  db::SqliteBackend b(hdb, false);
  return b.run(sql);
}

TEST(LineReplace, ACnEditReplacesTheLineAndTheFileIsSavedWhole) {
  testing::WizardSession w({kGauge, kRunoff, "NEXRAD-ESX; 10003; rainfall; Ridge, NV"});
  const std::string before = w.savedSetupFile();
  w.open(2);
  w.b().type("txtBox(5)", "70");
  w.b().setValue("Check1", 1);
  const std::string line = w.text("Text1");
  cmdReplaceRunoff_Click(w.s);
  EXPECT_FALSE(w.b().ticked("Check1"));
  EXPECT_FALSE(w.s.frmWizard.Visible);
  EXPECT_TRUE(w.ui.boxes.empty()) << w.ui.boxes.front().text;
  const std::string saved =
      "COMPUTE-HOUR; -30012; RUNOFF; Bear Wash, AZ; 0; 1.5, 70, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, "
      "94, 69, "
      "0.5, 1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 2, 0.2, 0, 0.5, 0, Lag0, -1; P1; 0; Triangle Unit Graph";
  EXPECT_EQ(line, vb::Replace(vb::Replace(saved, "; 0; Tri", ";0;Tri"), "P1; 0", "P1;0"));
  std::string expected = before;
  const std::string& old = kRunoff;
  ASSERT_NE(expected.find(old), std::string::npos);
  expected.replace(expected.find(old), old.size(), saved);
  EXPECT_EQ(w.setupFile(), expected);
  EXPECT_EQ(w.s.StationTable(6, 2),
            "1.5, 70, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, 94, 69, 0.5, 1.0, 1.0, 0.2, "
            "0.8, 0.03, 1.00, 2, 0.2, 0, 0.5, 0, Lag0, -1");
}

TEST(LineReplace, ShorterLinesKeepLaterCellsAndAReorderedListIsRefused) {
  testing::WizardSession w({kGauge, kRunoff});
  w.open(2);
  StationGrid& grid = w.s.Form2.MSFlexGrid1;
  ASSERT_TRUE(ReplaceSetupLine(w.s, " COMPUTE-HOUR ;-30012; RUNOFF;;0; 1, 2; P1"));
  EXPECT_EQ(grid.TextMatrix(2, 1), "COMPUTE-HOUR");
  EXPECT_EQ(grid.TextMatrix(2, 4), "");
  EXPECT_EQ(grid.TextMatrix(2, 8), "");  // base2 emptied
  EXPECT_EQ(grid.TextMatrix(2, 9), "Triangle Unit Graph");

  w.open(2);
  std::swap(grid.row(1), grid.row(2));  // the user moved the lines since
  const std::string before = w.setupFile();
  EXPECT_FALSE(ReplaceSetupLine(w.s, w.text("Text1")));
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_NE(w.ui.boxes[0].text.find("was not written"), std::string::npos);
  EXPECT_EQ(grid.TextMatrix(2, 1), "XXXXX");
  EXPECT_EQ(w.setupFile(), before);
}

TEST(RsiteRow, TheFourRunoffRowsAfterTheQuestionAndAnEditOfOne) {
  testing::WizardSession w({kRunoff});
  w.open(1);
  w.ui.answers = {MsgResult::No};
  cmdRunoffRsiteThis_Click(w.s);
  EXPECT_EQ(query(w.hdb, "select * from rsite where datatype_site_id=-30012").rowCount(), 0u);
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_EQ(w.ui.boxes[0].text, "Do wish to replace ALL Rsite data for -30012?");
  EXPECT_EQ(w.ui.boxes[0].title, "REPLACE RSITE DATA!!!");

  w.ui.boxes.clear();
  w.ui.answers = {MsgResult::Yes, MsgResult::OK,  MsgResult::Yes, MsgResult::OK,
                  MsgResult::No,  MsgResult::Yes, MsgResult::OK};
  cmdRunoffRsiteThis_Click(w.s);
  cmdRunoffRsiteThese_Click(w.s);
  std::vector<std::string> texts;
  for (const auto& box : w.ui.boxes) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Do wish to replace ALL Rsite data for -30012?", "Table rsite updated.",
                       "Do wish to replace ALL Rsite data for 4012?", "Table rsite updated.",
                       "Do wish to replace ALL Rsite data for -4012?",
                       "Do wish to replace ALL Rsite data for 5012?", "Table rsite updated."}));
  db::QueryResult r =
      query(w.hdb,
            "select site_id, datatype_site_id, site_name, datatype_id, datatype_name, unit, unit_name, "
            "parameter_code, source, site_digit, state, hour_shift from rsite order by datatype_site_id");
  ASSERT_EQ(r.rowCount(), 3u);
  std::vector<std::string> first;
  for (std::size_t c = 0; c < 12; ++c) first.push_back(r.cells[c].toString());
  EXPECT_EQ(first, (std::vector<std::string>{"012", "-30012", "Bear Wash, AZ", "30", "runoff", "cfs",
                                             "cubic feet per second", "-11012", "COMPUTE", "0", "AZ", "0"}));
  EXPECT_EQ(r.cells[12 + 1].toString(), "4012");
  EXPECT_EQ(r.cells[24 + 1].toString(), "5012");

  // A second Yes edits the record and adds none; the columns past the row keep their values.
  query(w.hdb, "update rsite set notes='kept' where datatype_site_id=-30012");
  w.b().type("txtBox(2)", "Bear Wash Lower, AZ");
  w.ui.answers = {MsgResult::Yes, MsgResult::OK};
  cmdRunoffRsiteThis_Click(w.s);
  EXPECT_EQ(
      query(w.hdb, "select site_name, notes from rsite where datatype_site_id=-30012").cells[0].toString(),
      "Bear Wash Lower, AZ");
  EXPECT_EQ(query(w.hdb, "select notes from rsite where datatype_site_id=-30012").cells[0].toString(),
            "kept");
  EXPECT_EQ(query(w.hdb, "select * from rsite").rowCount(), 3u);
}

TEST(RsiteRow, ATailAndADsidThatIsNoNumberIsRefusedBeforeAnyQuery) {
  EXPECT_EQ(rsiteRowTail("-30123", "NV"), "; 1; NV; 0");
  EXPECT_EQ(rsiteRowTail("-30012", ""), "; 0; ; 0");
  testing::WizardSession w({kRunoff});
  w.open(1);
  EXPECT_FALSE(ReplaceRsite(w.s, "12; drop table rsite", "12; 12; x"));
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_NE(w.ui.boxes[0].text.find("is not a whole number"), std::string::npos);
  EXPECT_FALSE(w.s.frmWizard.WizardDbOpen);
  EXPECT_EQ(query(w.hdb, "select count(*) from rsite").cells[0].toLong(), 0);
  // More values than the table has columns: the record is not written.
  w.ui.boxes.clear();
  w.ui.answers = {MsgResult::Yes};
  EXPECT_FALSE(ReplaceRsite(w.s, "-30012", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16"));
  EXPECT_EQ(w.ui.boxes.size(), 2u);
  EXPECT_EQ(query(w.hdb, "select count(*) from rsite").cells[0].toLong(), 0);
}

TEST(WhatIfPanel, TheInterlocks) {
  testing::WizardSession w({kRunoff});
  w.open(1);
  BoxModel& b = w.b();
  comWhatIf_Click(w.s);
  EXPECT_TRUE(b["frameWhatIf"].Visible);
  b.select("optCoeff(0)");
  EXPECT_EQ(w.text("txtMCmean"), "60");
  EXPECT_EQ(w.text("txtMCstdev"), "20");
  EXPECT_EQ(w.text("txtMCmin"), "30");
  EXPECT_EQ(w.text("txtMCmax"), "90");
  EXPECT_FALSE(b["txtMCmean"].Enabled);
  b.setValue("chkReverseExact", 1);
  EXPECT_EQ(w.s.WhatIf.ReverseExact, -1);
  EXPECT_EQ(b.selected("optionMonteType", 3), 2);
  EXPECT_TRUE(b.ticked("chkMonteCarlo"));
  EXPECT_TRUE(b["txtMCskew"].Enabled);
  EXPECT_FALSE(b["txtIncrement"].Enabled);
  b.setValue("chkMonteCarlo", 0);
  EXPECT_TRUE(b["txtIncrement"].Enabled);
  EXPECT_FALSE(b["txtMCmax"].Enabled);
  b.setValue("chkStochastic", 1);
  EXPECT_EQ(b.selected("optCoeff", 13), 9);
  EXPECT_TRUE(b["txtFlashyFactor"].Enabled);
  EXPECT_TRUE(b["chkRandomMulti"].Enabled);
  b.setValue("chkStochastic", 0);
  EXPECT_FALSE(b["txtDuration"].Enabled);
  b.setValue("chkStartConditionsDate", 1);
  EXPECT_TRUE(b["txtStartConditionsTraceID"].Enabled);
  EXPECT_FALSE(b["txtRunID"].Enabled);
  b.setValue("chkWriteWhatIf", 1);
  EXPECT_TRUE(b["txtRunID"].Enabled);
}

TEST(WhatIfPanel, GoFillsTheSettingsAndTheSetupFileCancelClearsTheRun) {
  testing::WizardSession w({kRunoff});
  w.s.form.Check2.setValue(1);
  w.open(1);
  BoxModel& b = w.b();
  b.select("optCoeff(0)");
  b.select("optionMonteType(1)");
  b.setValue("chkMClognormal", 1);
  b.setValue("chkStochastic", 1);  // selects the rain factor
  b.select("optCoeff(0)");
  b.type("txtMultiNumber", "2");
  b.type("txtMultiDuration", "48");
  b.setValue("chkRandomMulti", 1);
  b.setValue("chkWriteWhatIf", 1);
  b.type("txtRunID", "7");
  b.type("txtWhatIfTraces", "25");
  b.type("DSIDcompare", "1001");
  b.setValue("chkStartConditionsDate", 1);
  b.type("txtCondtionsDate", "6/3/2024");
  b.type("txtStartConditionsRunID", "3");
  b.type("txtStartConditionsTraceID", "4");
  w.ui.answers = {MsgResult::Yes};  // automate CN
  ASSERT_TRUE(comGoSim_Click(w.s));
  const WhatIfSettings& s = w.s.WhatIf;
  EXPECT_EQ(w.ui.boxes.at(0).title, "Last Run's Storage is now OFF!");
  EXPECT_EQ(w.s.form.Check2.Value, 0);
  struct Field {
    const char* name;
    double got, want;
  };
  const Field fields[] = {{"Coefficient", double(s.Coefficient), 1},
                          {"StepFactor", s.StepFactor, 1.1},
                          {"Traces", double(s.Traces), 25},
                          {"WriteMTables", double(s.WriteMTables), -1},
                          {"RunID", double(s.RunID), 7},
                          {"AutomateCN", double(s.AutomateCN), -1},
                          {"CompareOn", double(s.CompareOn), -1},
                          {"MonteType", double(s.MonteType), 2},
                          {"MonteMean", s.MonteMean, std::log(60.0)},
                          {"MonteStdev", s.MonteStdev, std::log(20.0)},
                          {"MonteMin", s.MonteMin, 30},
                          {"MonteMax", s.MonteMax, 90},
                          {"MonteLogNormal", double(s.MonteLogNormal), -1},
                          {"Stochastic", double(s.Stochastic), -1},
                          {"StormDuration", s.StormDuration, 6},
                          {"FlashyFactor", s.FlashyFactor, 1},
                          {"MultiDuration", s.MultiDuration, 48},
                          {"StormCount", double(s.StormCount), 2},
                          {"StartDate", s.StartDate, 45446},
                          {"StartRunID", double(s.StartRunID), 3},
                          {"StartTrace", double(s.StartTrace), 4}};
  for (const Field& f : fields) EXPECT_NEAR(f.got, f.want, 1e-9) << f.name;
  EXPECT_NE(s.RandomMulti, 0);
  EXPECT_NEAR(s.MonteMean, 4.094, 5e-4);
  EXPECT_NEAR(s.MonteStdev, 2.996, 5e-4);
  EXPECT_EQ(s.CoefficientCaption, "CN/IL start space");
  EXPECT_EQ(s.CompareDSID, "1001");
  EXPECT_FALSE(w.s.frmWizard.Visible);
  const std::string file = w.setupFile();
  for (const char* key :
       {"What-If Coefficient=1\r\n", "What-If Traces=25\r\n", "What-If Run ID=7\r\n",
        "What-If Monte Carlo=2\r\n", "What-If Storm Count=2\r\n", "What-If Start Date=06/03/2024\r\n"})
    EXPECT_NE(file.find(key), std::string::npos) << key;

  w.open(1);
  comCancelSim_Click(w.s);
  EXPECT_EQ(s.Coefficient, 0);
  EXPECT_EQ(s.MonteType, 2);
  EXPECT_EQ(s.Stochastic, -1);
  cmdReplaceRunoff_Click(w.s);
  EXPECT_EQ(w.setupFile().find("What-If"), std::string::npos);
}

TEST(WhatIfPanel, TheRunAndDsidCheckAndBadNumbers) {
  testing::WizardSession w({kRunoff});
  testing::execSql(w.hdb, "insert into mrundsid (run_id, trace, datatype_site_id) values (7, 1, -30012);");
  w.open(1);
  BoxModel& b = w.b();
  b.setValue("chkWriteWhatIf", 1);
  b.type("txtRunID", "7");
  b.type("DSIDcompare", "1001");
  b.select("optCoeff(2)");
  w.ui.answers = {MsgResult::No};
  EXPECT_FALSE(comGoSim_Click(w.s));
  EXPECT_EQ(w.ui.boxes.at(0).title, "Run and DSID check");
  EXPECT_EQ(w.ui.boxes.at(0).text, "Run_ID 7 and DSID -30012 already exist.\n\nDo you wish to continue???");
  EXPECT_EQ(w.s.WhatIf.Coefficient, 0);
  EXPECT_EQ(w.s.WhatIf.CompareDSID, "1001");
  w.ui.boxes.clear();
  b.type("txtRunID", "7 or 1=1");
  EXPECT_FALSE(comGoSim_Click(w.s));
  EXPECT_NE(w.ui.boxes.at(0).text.find("is not a whole number"), std::string::npos);
  b.type("txtRunID", "7");
  w.ui.answers = {MsgResult::Yes};
  EXPECT_TRUE(comGoSim_Click(w.s));
  EXPECT_EQ(w.s.WhatIf.Overwrite, -1);
  EXPECT_EQ(w.s.WhatIf.Coefficient, 3);
}

}  // namespace
}  // namespace fw
