// The flumewright executable itself, started in a program folder without a display.
#include <gtest/gtest.h>

#include <signal.h>

#include "app/error_log.h"
#include "app/launch.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::ProgramFolder;
using testing::ProgramRun;
using testing::readFile;
using testing::runProgram;
using testing::TempFolder;

const std::vector<std::string> kLines = {"*---- comment; 0; c; c", "IF; 0; Always; ; rday; -1; 1=1",
                                         "*---- passed over; 0; c; c"};

TEST(Program, BatchRunsTheStationListWritesTheLogAndTheDatabaseAndExitsWithZero) {
  ProgramFolder p({}, kLines);
  testing::ProgramResult r = runProgram(p.run({"/batch"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(p.count("B E G I N  "), 1) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=0"), 1);
  // Without a window the log pane is echoed, so a terminal shows the run's progress.
  EXPECT_NE(r.output.find("Always  IF  0\nrday 1=1 -1\n"), std::string::npos) << r.output;
}

TEST(Program, ACancelledBatchRunExitsWithOne) {
  // No station may fail, and the line's DSID is missing from the site table, so the line fails
  // before anything is retrieved.
  ProgramFolder p({"Bad/Missing Stations Allowed=0"}, {"09380000; 1101; Flow; Colorado R; 0; 0; "});
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(p.count("Site not found in database table RSite."), 1) << p.log();
  EXPECT_EQ(p.count("1 station errors... Run canceled."), 1) << p.log();
}

TEST(Program, ScheduledBatchKeepsRunningUntilSigtermAndThenEndsCleanly) {
  ProgramFolder p({"Minutes between retrievals=30"}, kLines);
  ProgramRun run = p.run({"Scheduled", "Batch"});
  run.timeout = std::chrono::seconds(20);
  bool sent = false;
  auto start = std::chrono::steady_clock::now();
  run.whileRunning = [&](int pid) {
    // Once the first run has finished, the program waits for its next run in 30 minutes.
    if (!sent && p.count("F I N I S H E D  ") == 1 &&
        std::chrono::steady_clock::now() - start > std::chrono::milliseconds(500)) {
      kill(pid, SIGTERM);
      sent = true;
    }
  };
  testing::ProgramResult r = runProgram(run);
  EXPECT_TRUE(sent);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(p.count("B E G I N  "), 1) << p.log();
}

TEST(Program, WithoutADisplayOrBatchItShowsNoWindowAndSaysSoInTheErrorLog) {
  TempFolder folder;
  ProgramRun run;
  run.workingFolder = folder.path();
  testing::ProgramResult r = runProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, kExitNoDisplay);
  EXPECT_EQ(readFile(folder / kErrorLogName), std::string(kNoDisplayText) + "\r\n");
  EXPECT_EQ(r.output, std::string(kNoDisplayText) + "\n");

  // QT_QPA_PLATFORM=offscreen counts as no display, and FLUMEWRIGHT_HOME names the folder.
  TempFolder home;
  run.env = {
      {"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", "offscreen"}, {"FLUMEWRIGHT_HOME", home.path().string()}};
  r = runProgram(run);
  EXPECT_EQ(r.status, kExitNoDisplay);
  EXPECT_TRUE(std::filesystem::exists(home / kErrorLogName));
}

TEST(Program, BatchStationLinesOfEveryKindEndWithTheirOwnTextAndTheRunFinishes) {
  // Local addresses for the services, in case a retriever is installed: nothing reaches the net.
  ProgramFolder p({"USGS Server=http://127.0.0.1:9", "Canada Server=http://127.0.0.1:9"},
                  {"09380000; 1101; Flow; Colorado R; 0; 0; ",
                   "08MF005; 1102; Flow; Fraser R; 0; 0; ",
                   "09381000; 1103; Flow-Alert>5000-HOUR-4000 ACTION,5000 MINOR; Gila R; 0; 0; ",
                   "09382000; 1999; Flow; Nowhere R; 0; 0; ",
                   "HCFCD1234; 10305; Rain; Brays Bayou; 0; 0; "});
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
                   "state) values ('101', 1101, 'Colorado R', 1, 'cfs', '00060', 'AZ'), "
                   "('102', 1102, 'Fraser R', 1, 'cms', '47', 'BC'), "
                   "('103', 1103, 'Gila R', 1, 'cfs', '00060', 'AZ'), "
                   "('305', 10305, 'Brays Bayou', 10, 'in', 'rain', 'TX')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();  // five bad stations, ten allowed
  // Each line ends with a text of its own; the Canadian site is served by the Canadian retriever.
  for (const char* start : {"09380000 1101 ", "08MF005 1102 ", "09381000 1103 ", "09382000 1999 ",
                            "HCFCD1234 10305 "})
    EXPECT_EQ(p.count(std::string("\r\n") + start), 1) << start << "\n" << p.log();
  EXPECT_EQ(p.count("08MF005 1102 GetCanada"), 1) << p.log();
  EXPECT_EQ(p.count("09382000 1999 1999 Site not found in database table RSite."), 1) << p.log();
  EXPECT_EQ(p.count("HCFCD1234 10305 HCFCD1234: no retriever exists for this kind of station line."), 1)
      << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_EQ(p.count("Run canceled."), 0) << p.log();
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=0"), 1);
}

}  // namespace
}  // namespace fw
