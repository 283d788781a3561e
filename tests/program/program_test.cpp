// The flumewright executable itself, started in a program folder without a display.
#include <gtest/gtest.h>

#include <signal.h>

#include <optional>

#include "app/error_log.h"
#include "app/launch.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
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
  std::optional<std::chrono::steady_clock::time_point> finished;
  run.whileRunning = [&](int pid) {
    // Once the first run has finished, the program waits for its next run in 30 minutes. The
    // finish line is written before the run has closed everything: give it time to get there,
    // also on a busy machine.
    if (!finished && p.count("F I N I S H E D  ") == 1) finished = std::chrono::steady_clock::now();
    if (!sent && finished && std::chrono::steady_clock::now() - *finished > std::chrono::milliseconds(1000)) {
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
  // Local addresses for the services: nothing reaches the net. The gauge service has no readings
  // for the gauges, so each gauge line ends with a text of its own.
  testing::LoopbackHttpServer http;
  http.route("/nwis/iv/", "usgs/iv_header_only.rdb");
  ProgramFolder p({"USGS Server=" + http.base(), "Canada Datamart Server=http://127.0.0.1:9"},
                  {"09380000; 1101; Flow; Colorado R; 0; 0; ", "08MF005; 1102; Flow; Fraser R; 0; 0; ",
                   "09381000; 1103; Flow-Alert>5000-HOUR-4000 ACTION,5000 MINOR; Gila R; 0; 0; ",
                   "09382000; 1999; Flow; Nowhere R; 0; 0; ", "HCFCD1234; 10305; Rain; Brays Bayou; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 1101, 'Colorado R', 1, 'cfs', '00060', 'AZ'), "
      "('102', 1102, 'Fraser R', 1, 'cms', '47', 'BC'), "
      "('103', 1103, 'Gila R', 1, 'cfs', '00060', 'AZ'), "
      "('305', 10305, 'Brays Bayou', 10, 'in', 'rain', 'TX')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();  // five bad stations, ten allowed
  // Each line ends with a text of its own; the Canadian site is served by the Canadian retriever,
  // whose download from the datamart's (closed) port fails: an empty retrieval.
  for (const char* start : {"09380000 1101 ", "09381000 1103 ", "09382000 1999 ", "HCFCD1234 10305 "})
    EXPECT_EQ(p.count(std::string("\r\n") + start), 1) << start << "\n" << p.log();
  EXPECT_EQ(p.count("\r\nInternet open fail, service provider down: http://127.0.0.1:9/2\r\n"), 1) << p.log();
  EXPECT_EQ(p.count("09382000 1999 1999 Site not found in database table RSite."), 1) << p.log();
  EXPECT_EQ(p.count("HCFCD1234 10305 HCFCD1234: no retriever exists for this kind of station line."), 1)
      << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_EQ(p.count("Run canceled."), 0) << p.log();
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=0"), 1);
}

// A radar line in a batch run without a display: the image layer starts on Qt's offscreen
// platform (a failed start would end the run), the missing rate table is said once in the error
// log instead of a box, and the line ends with the radar batch's text while the run goes on.
TEST(Program, BatchRadarLineStartsTheImageLayerOffscreenAndTheRunGoesOn) {
  // The archive's host is a closed port here: the line finds no connection, the run goes on.
  ProgramFolder p({"IEM Server=http://127.0.0.1:9"},
                  {"NEXRAD-KDAX; 9501; Radar rain; Site A; ; 0; ", "IF; 0; Always; ; rday; -1; 1=1"});
  std::filesystem::remove(p.folder / "Level3RGB2RainRateA2m.txt");
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code) "
                   "values ('501', 9501, 'Site A', 9, 'in', 'N0Q')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.signal, 0) << r.output;
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("Error loading GDI+!"), 0) << p.log();
  EXPECT_EQ(p.count("File not found: "), 1) << p.log();
  EXPECT_EQ(p.count("Level3RGB2RainRateA2m.txt"), 1) << p.log();
  EXPECT_EQ(p.count("KDAX N0Q 9501 ... no connection"), 2) << p.log();  // the batch's report and the station's
  EXPECT_NE(r.output.find("rday 1=1 -1\n"), std::string::npos) << r.output;
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

// A gauge line against the loopback service: the request, the copy, the line's end, the key kept.
TEST(Program, BatchRetrievesAGaugeFromTheServiceTheSetupFileNames) {
  testing::LoopbackHttpServer http;
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  // The TAB in the comment line makes the reader save the file again, keys as written.
  ProgramFolder p(
      {"USGS Server=" + http.base() + "/", "START DATE=2024-06-05 13:15", "Write Unit Values= True"},
      {"*---- gauges\t; 0; c; c", "09380000; 1101; Flow; Colorado R; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 1101, 'Colorado R', 1, 'cfs', '60,65', 'AZ')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(http.targets(),
            std::vector<std::string>{"/nwis/iv/?sites=09380000&parameterCd=00060,00065&startDT=2024-06-04&"
                                     "endDT=2024-06-06&siteStatus=all&format=rdb"});
  const std::string copy = readFile(p.folder / "USGSin.txt");
  EXPECT_NE(copy.find("\nZ\t09380000\t2024-06-04 00:00\tMST\t12400\tP\t10.14\tP\n"), std::string::npos);
  EXPECT_EQ(copy.find("2024-06-03"), std::string::npos);
  // The readings of the window are stored, none from before it (2024-06-04 is day 45447).
  EXPECT_GE(testing::countRows(p.hdb, "select * from runit where datatype_site_id=1101"), 13) << p.log();
  EXPECT_EQ(testing::countRows(p.hdb, "select * from runit where date_time < 45447"), 0);
  // "Days to retrieve" is 0: the run day's readings, asked with the day before, are stored too.
  EXPECT_EQ(
      testing::countRows(p.hdb, "select * from runit where datatype_site_id=1101 and date_time >= 45448"), 53)
      << p.log();
  EXPECT_EQ(p.count("09380000 1101 "), 0) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_NE(readFile(p.folder / "Flumewright_setup.txt").find("\r\nUSGS Server=" + http.base() + "/\r\n"),
            std::string::npos);
}

// A service nobody answers: the first gauge line is bad with the download's text, the next gauge
// line is passed over, a line of another kind runs, and the run finishes.
TEST(Program, BatchWithTheGaugeServiceDownGoesOnWithTheOtherLines) {
  int port = 0;
  {
    testing::LoopbackHttpServer gone;  // a port nobody listens on once it is gone
    port = gone.port();
  }
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  ProgramFolder p({"USGS Server=" + base, "START DATE=2024-06-05 13:15"},
                  {"09380000; 1101; Flow; Colorado R; 0; 0; ", "09381000; 1102; Flow; Gila R; 0; 0; ",
                   "HCFCD1234; 10305; Rain; Brays Bayou; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 1101, 'Colorado R', 1, 'cfs', '60', 'AZ'), "
      "('102', 1102, 'Gila R', 1, 'cfs', '60', 'AZ'), ('305', 10305, 'Brays Bayou', 10, 'in', 'rain', 'TX')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_EQ(r.status, 0) << p.log();
  const std::string failure = "Internet open fail, service provider down: " + base.substr(0, 20);
  EXPECT_EQ(p.count("\r\n" + failure + "\r\n"), 1) << p.log();
  EXPECT_EQ(p.count("\r\n09380000 1101 " + failure + "\r\n"), 1) << p.log();
  // The second line of the same service is not retrieved, and says so in its own words: no
  // line carries the text of another.
  EXPECT_EQ(p.count("\r\n09381000 1102 Not retrieved: the service did not answer for the line before this one.\r\n"),
            1)
      << p.log();
  EXPECT_EQ(p.count("09380000 1101 " + failure), 1) << p.log();
  EXPECT_EQ(p.count("\r\nHCFCD1234 10305 "), 1) << p.log();
  EXPECT_EQ(p.count("\r\nStored values for 0 of 3 station lines; 3 bad stations, 0 warnings.\r\n"), 1) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

}  // namespace
}  // namespace fw
