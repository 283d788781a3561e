// What a user meets first: what a failed run reports, bad setup input, the usage and the version,
// and the example's service keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "app/error_log.h"
#include "app/launch.h"
#include "app/session.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "platform/vb/strings.h"
#include "program_folder.h"
#include "retrieval/service_servers.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

namespace fs = std::filesystem;
using testing::ProgramFolder;
using testing::ProgramResult;
using testing::readFile;
using testing::runProgram;
using testing::TempFolder;

const fs::path kSource = FLUMEWRIGHT_SOURCE_DIR;

std::vector<std::string> logLines(const std::string& log) {
  std::vector<std::string> lines = vb::Split(vb::Replace(log, "\r\n", "\n"), "\n");
  return lines;
}

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The script the example run uses to point the setup file's service keys at local servers.
ProgramResult pointServicesLocal(const fs::path& setup, const std::string& httpPort, const std::string& ftpPort) {
  testing::ProgramRun run;
  run.program = "/bin/bash";
  run.args = {(kSource / "scripts" / "point-services-local.sh").string(), setup.string(), httpPort, ftpPort};
  run.workingFolder = setup.parent_path();
  return runProgram(run);
}

// The example folder as `make run` sets it up, every service pointed at port 1 of 127.0.0.1,
// where nothing answers.
struct ExampleWithServicesDown {
  TempFolder folder;
  ExampleWithServicesDown() {
    for (const char* f : {"Flumewright_setup.txt", "Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
      fs::copy_file(kSource / "example" / f, folder / f);
    fs::copy(kSource / "example" / "madis", folder / "madis", fs::copy_options::recursive);
    const fs::path hdb = testing::makeHdb(folder.path(), "Flumewright_HDB.db");
    std::string sites = readFile(kSource / "example" / "hdb_sites.sql");
    sites = std::regex_replace(sites, std::regex("http://127\\.0\\.0\\.1:[0-9]+"), "http://127.0.0.1:1");
    testing::execSql(hdb, sites);
    const ProgramResult r = pointServicesLocal(folder / "Flumewright_setup.txt", "1", "1");
    EXPECT_EQ(r.status, 0) << r.output;
  }
};

// Every station line whose retrieval fails ends with its own text in the error log and on
// standard output, none carries another line's error, and the run sums up in one line.
TEST(RunReport, WithEveryServiceDownEachLineSaysItsOwnFailureAndTheRunSumsUp) {
  ExampleWithServicesDown example;
  testing::ProgramRun run;
  run.args = {"BATCH"};
  run.workingFolder = example.folder.path();
  run.timeout = std::chrono::seconds(60);
  const ProgramResult r = runProgram(run);
  const std::string log = readFile(example.folder / kErrorLogName);
  EXPECT_FALSE(r.timedOut);
  // Ten bad stations of the ten allowed: the run finished.
  EXPECT_EQ(r.status, kExitFinished) << log;

  struct Station {
    const char *id, *dsid, *site;
  };
  const Station stations[] = {
      {"09380000", "1101", "Colorado R at Lees Ferry"}, {"ORO", "1102", "Feather R at Oroville"},
      {"USBRPN-FALN", "1103", "Falls R nr Squirrel"},   {"USBRLC", "1104", "Davis Dam"},
      {"08MF005", "1105", "Fraser R at Hope"},          {"927", "23106", "Snowslide Canyon"},
      {"CIMIS-2", "7107", "Davis"},                     {"COE-MKLK2", "2108", "Markland"},
      {"KISTERS", "2109", "Kiwis River"},               {"AFWS-ABCT2-CST", "10110", "Abc Creek"}};
  for (const Station& st : stations) {
    SCOPED_TRACE(st.id);
    const std::string head = std::string(st.id) + " " + st.dsid + " ";
    std::vector<std::string> own;
    for (const std::string& l : logLines(log))
      if (l.starts_with(head)) own.push_back(l);
    ASSERT_EQ(own.size(), 1u) << log;
    EXPECT_GT(own[0].size(), head.size());  // a text of its own follows
    for (const Station& other : stations) {
      if (&other != &st) {
        EXPECT_EQ(own[0].find(std::string(" ") + other.dsid + " "), std::string::npos) << own[0];
      }
    }
    // Standard output shows the line with its site and its failure.
    EXPECT_NE(r.output.find(std::string(st.site) + "\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(own[0].substr(head.size())), std::string::npos) << r.output;
  }
  const std::string summary = "Stored values for 0 of 10 station lines; 10 bad stations, 0 warnings.";
  EXPECT_EQ(occurrences(log, summary + "\r\n"), 1) << log;
  EXPECT_EQ(occurrences(r.output, summary + "\n"), 1) << r.output;
  // No line is passed over in silence or under another line's name.
  EXPECT_EQ(log.find("1104  "), std::string::npos) << log;
  EXPECT_EQ(log.find("1105  "), std::string::npos) << log;
}

TEST(RunReport, AStationLineWithTooFewFieldsFailsWithItsLineNumberAndTheRunGoesOn) {
  ProgramFolder p({}, {"ABC; 1101; Flow", "XYZ; 1102", "IF; 0; Always; ; rday; -1; 1=1"});
  const ProgramResult r = runProgram(p.run({"BATCH"}));
  const std::string log = p.log();
  EXPECT_EQ(r.status, kExitFinished) << log;
  // The setup file's line 4 (after "Write Dailys", the connection and the header).
  EXPECT_EQ(p.count("Flumewright_setup.txt line 4: the station line \"ABC; 1101; Flow\" has 3 fields; a station "
                    "line needs at least 4"),
            1)
      << log;
  EXPECT_EQ(p.count("Flumewright_setup.txt line 5: the station line \"XYZ; 1102\" has 2 fields"), 1) << log;
  EXPECT_EQ(log.find("Subscript out of range"), std::string::npos) << log;
  EXPECT_NE(r.output.find("Always  IF  0"), std::string::npos) << r.output;  // the line after them ran
  EXPECT_EQ(p.count("Stored values for 0 of 2 station lines; 2 bad stations, 0 warnings."), 1) << log;
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << log;
}

// A yes/no value that is neither, a misspelled key, a station line separated by commas and a START
// DATE that is no date: one error-log line each with the line, the key and the value, although
// the run reads the file twice; the file is left as it was.
TEST(RunReport, BadSetupInputIsSaidOnceEachAndTheFileIsLeftAlone) {
  ProgramFolder p({"Write Hourly Avg= Ture", "Minutes between retreivals=30"},
                  {"IF; 0; Always; ; rday; -1; 1=1", "09380000, 1101, Flow, Colorado R, 0, 0"});
  const std::string before = readFile(p.folder / kSetupFileName);
  const ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_EQ(r.status, kExitFinished) << p.log();
  EXPECT_EQ(p.count("Flumewright_setup.txt line 2: Write Hourly Avg= \"Ture\" is neither True nor False"), 1)
      << p.log();
  EXPECT_EQ(p.count("Flumewright_setup.txt line 3: unknown key \"Minutes between retreivals\" (value \"30\")"), 1)
      << p.log();
  EXPECT_EQ(p.count("Flumewright_setup.txt line 7: \"09380000, 1101, Flow, Colorado R, 0, 0\" has no \";\""), 1)
      << p.log();
  EXPECT_EQ(readFile(p.folder / kSetupFileName), before);

  // A START DATE that is no date: one line, no run, and the cause in the exit status.
  ProgramFolder q({"START DATE=2024-06-31 08:00"}, {"IF; 0; Always; ; rday; -1; 1=1"});
  const ProgramResult bad = runProgram(q.run({"BATCH"}));
  EXPECT_EQ(bad.status, kExitSetupUnusable) << q.log();
  EXPECT_EQ(q.count("line 2: START DATE= \"2024-06-31 08:00\" is not a date"), 1) << q.log();
  EXPECT_EQ(q.count("B E G I N"), 0) << q.log();
  EXPECT_EQ(q.log().find("openHDB"), std::string::npos) << q.log();
}

TEST(RunReport, HelpAndVersionPrintAndEndWithoutARunOrAWindow) {
  ProgramFolder p({}, {"IF; 0; Always; ; rday; -1; 1=1"});
  for (const char* ask : {"--help", "-h"}) {
    SCOPED_TRACE(ask);
    testing::ProgramRun run = p.run({"BATCH", ask});
    run.env["DISPLAY"] = ":987";  // a display that is not there: no window may be tried
    const ProgramResult r = runProgram(run);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, usageText());
    for (const char* part : {"flumewright BATCH", "flumewright Scheduled Batch", "FLUMEWRIGHT_HOME", "Exit status:"})
      EXPECT_NE(r.output.find(part), std::string::npos) << part;
    for (int status = 0; status <= 7; ++status)
      EXPECT_NE(r.output.find("\n  " + std::to_string(status) + "  "), std::string::npos) << status;
  }
  const ProgramResult v = runProgram(p.run({"--version"}));
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.output, versionCaption() + "\n");
  EXPECT_TRUE(std::regex_match(v.output, std::regex("Flumewright [0-9]+\\.[0-9]+\\.[0-9]+\n")));
  EXPECT_FALSE(fs::exists(p.folder / kErrorLogName));  // nothing ran
}

// The example run points every service of the program's table at the local servers, so no run
// over the example (a history run neither) reaches a public host.
TEST(RunReport, TheExampleScriptPointsEveryServiceOfTheTableAtTheLocalServers) {
  TempFolder folder;
  const fs::path setup = folder / kSetupFileName;
  fs::copy_file(kSource / "example" / kSetupFileName, setup);
  const ProgramResult r = pointServicesLocal(setup, "5555", "6666");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string text = readFile(setup);
  testing::TestSession t;
  Session s(t.ui, t.clock, folder.path());
  s.BatchMode = true;
  getstationfile(s);
  for (const ServiceServer& row : serviceServers()) {
    SCOPED_TRACE(row.service);
    const bool ftp = std::string(row.defaultBase).starts_with("ftp://");
    const std::string local = ftp ? "ftp://127.0.0.1:6666" : "http://127.0.0.1:5555";
    EXPECT_EQ(occurrences(text, "\r\n" + serverKeyText(row) + local + "\r\n"), 1) << text;
    EXPECT_EQ(serverBase(s, row.service), local);
  }
  // Nothing else of the file changed: the station list is all there.
  EXPECT_EQ(s.StationCount, 15);
  // The example run uses this script; the example's own file has every key too.
  EXPECT_NE(readFile(kSource / "scripts" / "run-example.sh").find("scripts/point-services-local.sh"),
            std::string::npos);
  const std::string example = readFile(kSource / "example" / kSetupFileName);
  for (const ServiceServer& row : serviceServers())
    EXPECT_NE(example.find("\r\n" + serverKeyText(row) + (std::string(row.defaultBase).starts_with("ftp://")
                                                              ? "ftp://127.0.0.1:"
                                                              : "http://127.0.0.1:")),
              std::string::npos)
        << row.service;
}

}  // namespace
}  // namespace fw
