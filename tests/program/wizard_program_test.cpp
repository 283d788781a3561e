// The setup wizard's writes used by the next batch run: a CN edit replaces the runoff line in the
// setup file and the runoff row goes into table rsite, and `flumewright BATCH` then runs the line
// with the rain that row names; the What-If panel's "Go" makes the next batch run a What-If run.
#include <gtest/gtest.h>

#include <string>

#include "app/editor_tools.h"
#include "app/session.h"
#include "app/setup_file.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlite_backend.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/radar_sites_file.h"
#include "support/test_hdb.h"
#include "wizard/runoff_page.h"
#include "wizard/what_if_panel.h"

namespace fw {
namespace {

constexpr int32_t kStormDay = 45448;  // 06/05/2024, the run day

db::QueryResult query(const std::filesystem::path& hdb, const std::string& sql) {
  db::SqliteBackend b(hdb, false);
  return b.run(sql);
}

// A runoff basin whose rain is stored under -11101, the input the wizard's runoff row names.
struct WizardProgram {
  testing::ProgramFolder p{
      {"START DATE=06/05/2024 12:00", "Write Hourly Avg= True"},
      {"COMPUTE-HOUR; 30101; Runoff; Test Basin, AZ; 5; "
       "2, 60, 0.02, 20, 10, 1.5, 0, 0, 0, 0, 0, 90, 59, 0, 1, 0, 0, 1, 0, 1.00, 0, 0.2, 0, 0.7, 0, "
       "Lag0; P1; 0; Triangle Unit Graph"}};
  ScriptedUi ui;
  FixedClock clock{testing::kTestNow};
  Session s{ui, clock, p.folder.path()};

  WizardProgram() {
    std::string sql = "insert into rupdate values (0, 'Last error:', " + db::dayLiteral(kStormDay) + ", 0);";
    for (int h = 2; h <= 7; ++h)
      sql += "insert into rhour values (-11101, " + db::dayLiteral(kStormDay + h / 24.0) + ", 0.5, 1);";
    testing::execSql(p.hdb, sql);
    testing::writeRadarSites(p.folder.path());
    getstationfile(s);
    s.CurrentStationRow = 1;
    cmdWizards_Click(s);
  }
  BoxModel& b() { return s.frmWizard.boxes; }
  // The editor's save does not write "START DATE=" (a key that is read, never written): the run is
  // pinned to the storm's time again as a user would.
  testing::ProgramResult batch() {
    const auto setup = p.folder / kSetupFileName;
    const std::string text = testing::readFile(setup);
    if (text.find("START DATE=") == std::string::npos)
      testing::writeFile(setup, "START DATE=06/05/2024 12:00\r\n" + text);
    return testing::runProgram(p.run({"BATCH"}));
  }
};

TEST(WizardProgram, ACnEditAndTheRsiteRowDriveTheNextBatchRun) {
  WizardProgram w;
  // Without the runoff row the line has no rain to read.
  testing::ProgramResult before = w.batch();
  ASSERT_FALSE(before.timedOut);
  EXPECT_EQ(query(w.p.hdb, "select * from rhour where datatype_site_id=30101").rowCount(), 0u) << w.p.log();

  w.b().type("txtBox(5)", "80");
  w.ui.answers = {MsgResult::Yes, MsgResult::OK};
  cmdRunoffRsiteThis_Click(w.s);
  cmdReplaceRunoff_Click(w.s);
  ASSERT_EQ(w.ui.boxes.size(), 2u);
  EXPECT_EQ(w.ui.boxes[1].text, "Table rsite updated.");
  const std::string setup = testing::readFile(w.p.folder / kSetupFileName);
  EXPECT_NE(
      setup.find(
          "\r\nCOMPUTE-HOUR; 30101; RUNOFF; Test Basin, AZ; 5; 2, 80, 0.02, 20, 10, 1.5, 0, 0, 0, 0, 0, "
          "98, 79, 0, 1, 0, 0, 1, 0, 1.00, 0, 0.2, 0, 0.7, 0, Lag0; P1; 0; Triangle Unit Graph\r\n"),
      std::string::npos)
      << setup;
  EXPECT_EQ(query(w.p.hdb, "select parameter_code, state from rsite where datatype_site_id=30101")
                .cells[0]
                .toString(),
            "-11101");

  testing::ProgramResult r = w.batch();
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << w.p.log();
  db::QueryResult peak = query(w.p.hdb, "select max(value) from rhour where datatype_site_id=30101");
  ASSERT_EQ(peak.rowCount(), 1u) << w.p.log();
  EXPECT_GT(peak.cells[0].toDouble(), 5.0) << w.p.log() << r.output;  // runoff above the base flow
}

TEST(WizardProgram, WhatIfGoMakesTheNextBatchRunAWhatIfRun) {
  WizardProgram w;
  w.ui.answers = {MsgResult::Yes, MsgResult::OK};
  cmdRunoffRsiteThis_Click(w.s);
  comWhatIf_Click(w.s);
  w.b().select("optCoeff(2)");  // % Impervious
  w.b().type("txtWhatIfTraces", "3");
  w.b().setValue("chkWriteWhatIf", 1);
  w.b().type("txtRunID", "5");
  ASSERT_TRUE(comGoSim_Click(w.s));
  EXPECT_EQ(w.s.WhatIf.Coefficient, 3);
  testing::ProgramResult r = w.batch();
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.status, 0) << w.p.log();
  EXPECT_EQ(w.p.count("What-If run 5: 3 of 3 traces stored."), 1) << w.p.log();
  EXPECT_EQ(
      query(w.p.hdb, "select distinct trace from mhour where run_id=5 and datatype_site_id=30101").rowCount(),
      3u);
}

}  // namespace
}  // namespace fw
