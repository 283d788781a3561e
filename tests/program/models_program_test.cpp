// Outside-model lines run by the flumewright executable in batch mode: shell lines with dummy
// model programs, the SWMM engine and HEC-DSS through the fake libraries the tests build, and
// GET-SWMM lines over results files.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "app/error_log.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "run_program.h"
#include "support/swmm_out_writer.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

constexpr int32_t kRunDay = 45448;  // 06/05/2024

struct ModelsProgram {
  testing::TempFolder folder;
  std::filesystem::path hdb = testing::makeHdb(folder.path(), "Flumewright_HDB.db");
  std::string log, output;
  int status = -1;
  std::chrono::steady_clock::duration took{};

  std::string path(const std::string& name) const { return (folder / name).string(); }
  void setup(const std::string& settings, const std::string& lines) {
    testing::writeFile(
        folder / "Flumewright_setup.txt",
        "Write Unit Values= True\r\nBad/Missing Stations Allowed=5\r\nSTART DATE=06/05/2024 12:00\r\n" +
            settings +
            "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n"
            "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n" +
            lines + "END\r\n");
  }
  // A site row; data type 25 keeps six decimals of a stored value.
  void site(int dsid, const std::string& parameterCode, int datatype = 25, const std::string& state = "NV") {
    testing::execSql(
        hdb,
        "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
        "state) values ('" +
            std::to_string(dsid) + "', " + std::to_string(dsid) + ", 'Site', " + std::to_string(datatype) +
            ", 'cfs', '" + parameterCode + "', '" + state + "');");
  }
  std::string script(const std::string& name, const std::string& body) const {
    vb::writeAllBytes(folder / name, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(folder / name, std::filesystem::perms::owner_all);
    return path(name);
  }
  void run(const std::map<std::string, std::string>& env = {}) {
    testing::ProgramRun r;
    r.args = {"BATCH"};
    r.workingFolder = folder.path();
    r.env = env;
    const auto started = std::chrono::steady_clock::now();
    const testing::ProgramResult result = testing::runProgram(r);
    took = std::chrono::steady_clock::now() - started;
    ASSERT_FALSE(result.timedOut);
    status = result.status;
    output = result.output;
    log = testing::readFile(folder / kErrorLogName);
  }
  std::vector<std::pair<double, double>> stored(int dsid) const {
    db::SqliteBackend b(hdb, true);
    db::QueryResult q =
        b.run("select date_time, value from runit where datatype_site_id=" + std::to_string(dsid) +
              " order by date_time");
    std::vector<std::pair<double, double>> out;
    for (size_t i = 0; i < q.rowCount(); ++i)
      out.emplace_back(q.cells[i * 2].toDouble(), q.cells[i * 2 + 1].toDouble());
    return out;
  }
};

bool processGone(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  return vb::readAllBytes("/proc/" + std::to_string(pid) + "/stat").find(") Z") != std::string::npos;
}

TEST(ModelsProgram, AShellLineRunsAProgramWhoseFileTheNextComputeLineImports) {
  ModelsProgram p;
  // The program writes two hourly readings of the run day into a database of its own.
  const std::string obs = p.path("obs.db");
  const std::string maker =
      p.script("make obs.sh", "sqlite3 \"$1\" \"create table obs (t real, v real); insert into obs values (" +
                                  std::to_string(kRunDay + 5 / 24.0) + ", 7.5), (" +
                                  std::to_string(kRunDay + 6 / 24.0) + ", 8.5);\"");
  testing::writeFile(p.folder / "req.txt",
                     "Title: obs\r\nTable: rhour\r\nSource: " + testing::sqliteConnString(obs) +
                         "\r\nQuery: select t, v from obs where t between #DAY1# and #DAY2#\r\n");
  p.site(-4004, "req.txt");
  p.setup("", "SHELL-\"" + maker + "\"; 0; Model; Maker; 0; " + obs +
                  "; \r\nCOMPUTE-GET-HOUR; -4004; Flow; Imported; ; ; \r\n");
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  const auto rows = p.stored(-4004);
  ASSERT_EQ(rows.size(), 2u) << p.log << p.output;
  EXPECT_NEAR(rows[0].second, 7.5, 1e-9);
  EXPECT_NEAR(rows[1].second, 8.5, 1e-9);
  EXPECT_NE(p.output.find("Shelled..."), std::string::npos) << p.output;
  EXPECT_NE(p.log.find(" Shell \""), std::string::npos) << p.log;  // the batch line with the command
}

TEST(ModelsProgram, AProgramThatHangsIsEndedAtTheShellTimeoutAndTheRunGoesOn) {
  ModelsProgram p;
  const std::string hang =
      p.script("hang.sh", "sleep 120 &\necho $! > \"" + p.path("child.pid") + "\"\nwait");
  const std::string after = p.script("after.sh", "echo done > \"" + p.path("after.txt") + "\"");
  p.setup("Shell Timed Out Minutes=0.1\r\n",
          "SHELL-" + hang + "; 0; Model; Hang; 0; ; \r\nSHELL-" + after + "; 0; Model; After; 0; ; \r\n");
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  EXPECT_NE(p.log.find("Shell timed out minutes 0.1: " + hang + " was ended."), std::string::npos) << p.log;
  EXPECT_GE(p.took, std::chrono::seconds(5));
  EXPECT_LT(p.took, std::chrono::seconds(25));
  EXPECT_TRUE(
      processGone(static_cast<pid_t>(std::stol(vb::Trim(testing::readFile(p.folder / "child.pid"))))));
  EXPECT_EQ(testing::readFile(p.folder / "after.txt"), "done\n");
}

TEST(ModelsProgram, GetSwmmStoresTheValuesOfAResultsFile) {
  ModelsProgram p;
  testing::SwmmOutSpec spec;
  spec.startDate = kRunDay;
  testing::writeSwmmOut(p.folder / "run.out", spec);
  p.site(-4006, "run.out");
  p.setup("",
          "COMPUTE-GET-SWMM; -4006; Flow; Swmm; ; run.out; TYPE=NODE,INDEX=1,VAR=2\r\n"
          "COMPUTE-GET-SWMM; -4007; Flow; Swmm; ; run.out; TYPE=NODE,INDEX=2,VAR=2\r\n");
  p.site(-4007, "run.out");
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  const auto rows = p.stored(-4006);
  ASSERT_GE(rows.size(), 144u) << p.log << p.output;
  // The first row is one report step after the start: node 1, variable 2, period 1.
  EXPECT_NEAR(rows[0].first, kRunDay + 5 / 1440.0, 1e-6);
  EXPECT_NEAR(rows[0].second, 1102.001, 1e-3);
  EXPECT_NEAR(rows[143].first, kRunDay + 0.5, 1e-6);
  EXPECT_NEAR(rows[143].second, 1102.144, 1e-3);
  EXPECT_TRUE(p.stored(-4007).empty());
  EXPECT_NE(p.log.find("GetSWMM: index out of range: TYPE=NODE,INDEX=2,VAR=2"), std::string::npos) << p.log;
}

TEST(ModelsProgram, ASwmmLineRunsTheEngineWhoseResultsAGetSwmmLineStores) {
  ModelsProgram p;
  std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "models" / "swmm" / "model.inp",
                             p.folder / "model.inp");
  p.site(-4006, "model.out");
  p.setup(std::string("SWMM Library=") + FW_FAKE_SWMM5 + "\r\n",
          "SHELL-SWMM5; 0; Model; Swmm run; 0; model.inp; \r\n"
          "COMPUTE-GET-SWMM; -4006; Flow; Swmm; ; model.out; T=LINK,E=0,V=0\r\n");
  p.run({{"FW_FAKE_SWMM_CALLS", p.path("calls.txt")}});
  EXPECT_EQ(p.status, 0) << p.log;
  EXPECT_NE(vb::readAllBytes(p.folder / "model.inp").find("START_DATE           06/05/2024"),
            std::string::npos);
  EXPECT_EQ(vb::readAllBytes(p.path("calls.txt")),
            "run " + p.path("model.inp") + "|" + p.path("model.rpt") + "|" + p.path("model.out") + "\n");
  const auto rows = p.stored(-4006);
  ASSERT_FALSE(rows.empty()) << p.log << p.output;
  EXPECT_NEAR(rows[0].first, kRunDay + 5 / 1440.0, 1e-6);  // the fixture's 5-minute report step
  EXPECT_NEAR(rows[0].second, 2000.001, 1e-3);

  // An engine error is the run's last error; the line is not counted.
  p.run({{"FW_FAKE_SWMM_RESULT", "317"}});
  EXPECT_EQ(p.status, 0) << p.log;
  EXPECT_NE(p.log.find("SWMM:  ... SWMM Error# 317"), std::string::npos) << p.log;
}

TEST(ModelsProgram, ComputeExportsAndImportsGoThroughTheHecDssLibrary) {
  ModelsProgram p;
  std::string sql;
  for (int k = 0; k <= 96; ++k)
    sql += "insert into runit values (-4005, " + std::to_string(kRunDay + k * 15 / 1440.0) + ", " +
           std::to_string(k * 0.5) + ", 2);";
  testing::execSql(p.hdb, sql);
  p.site(-4005, "-4005", 1, "NV");
  p.site(-4008, "dssreq.txt");
  testing::writeFile(p.folder / "dssreq.txt",
                     "Title: from dss\r\nTable: runit\r\nSource: flows.dss\r\nPath: /NV005/-4005 "
                     "Site/FLOW/01JUN2024/15MIN/MSA/\r\n");
  const std::string lines =
      "COMPUTE-PUT-15UNIT; -4005; Flow; Site; 0; flows.dss; \r\nCOMPUTE-GET-15UNIT; -4008; Flow; Imported; ; "
      "; \r\n";
  p.setup(std::string("HEC-DSS Library=") + FW_FAKE_HECDSS + "\r\n", lines);
  p.run({{"FW_FAKE_DSS_CALLS", p.path("calls.txt")}});
  EXPECT_EQ(p.status, 0) << p.log;
  const std::vector<std::string> calls = vb::readLines(p.path("calls.txt"));
  ASSERT_GE(calls.size(), 5u) << p.log;
  EXPECT_EQ(calls[1], "store /NV005/-4005 Site/FLOW//15MIN/MSA/|04 Jun 2024|2400|97|CFS|INST-VAL|1|0||0");
  const auto rows = p.stored(-4008);
  // The 97 values the export stored come back at their times (the run carries the last one on).
  ASSERT_GE(rows.size(), 97u) << p.log << p.output;
  for (size_t k = 0; k < 97; ++k) {
    EXPECT_NEAR(rows[k].first, kRunDay + k * 15 / 1440.0, 1e-6) << k;
    EXPECT_NEAR(rows[k].second, k * 0.5, 1e-6) << k;
  }
  EXPECT_NE(p.output.find("Overwrite: flows.dss"), std::string::npos) << p.output;

  // Without the library both lines fail saying which file was looked for, and the run goes on.
  p.setup("HEC-DSS Library=/nowhere/libhecdss.so\r\n", lines);
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  EXPECT_EQ(vb::InStr(p.log, "HEC-DSS library not found: /nowhere/libhecdss.so") > 0, true) << p.log;
}

TEST(ModelsProgram, HmsResSimAndRasLinesRunTheirModels) {
  ModelsProgram p;
  const std::string fixtures = std::string(FLUMEWRIGHT_FIXTURES) + "/models/";
  for (const char* f : {"hms/Basin.hms", "hms/Storm.control", "hms/Basin.gage", "ressim/storm.sim",
                        "ras/proj.prj", "ras/proj.p01", "ras/proj.u01"})
    std::filesystem::copy_file(fixtures + f, p.folder / std::filesystem::path(f).filename());
  const std::string hms =
      p.script("hec-hms.sh", "printf 'Run completed\\n' > \"$(dirname \"$2\")/Run_1.log\"");
  const std::string ressim = p.script("ResSim.exe", "echo ran > \"" + p.path("ressim.txt") + "\"");
  p.setup("HEC-HMS Program=" + hms + "\r\n",
          "SHELL-C:\\HEC\\HEC-HMS\\4.11\\HMS.CMD; 0; Model; Hms; 0; " + p.path("Basin.hms") +
              ",Storm.control,Run 1,1HOUR; \r\n"
              "SHELL-" +
              ressim +
              "; 0; Model; ResSim; 0; storm.sim; LOOKBACK=1\r\n"
              "SHELL-/opt/HEC-RAS/6.5/RAS.EXE; 0; Model; Ras; 0; proj.prj; \r\n");
  p.run();
  EXPECT_EQ(p.status, 0) << p.log;
  EXPECT_NE(vb::readAllBytes(p.folder / "Storm.control").find("     Start Date: 05 June 2024"),
            std::string::npos);
  EXPECT_NE(p.output.find("Finished..."), std::string::npos) << p.output;
  EXPECT_NE(vb::readAllBytes(p.folder / "storm.sim").find("  STR=05Jun2024,0000"), std::string::npos);
  EXPECT_EQ(vb::readAllBytes(p.folder / "ressim.txt"), "ran\n");
  EXPECT_NE(vb::readAllBytes(p.folder / "proj.p01").find("Simulation Date=05JUN2024,0005,06JUN2024,2400"),
            std::string::npos);
  EXPECT_NE(p.log.find("Ras: the HEC-RAS controller is not available on this system"), std::string::npos)
      << p.log;
}

}  // namespace
}  // namespace fw
