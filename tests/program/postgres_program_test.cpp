// The program over a PostgreSQL server: a batch run reads its stored rows from the server and
// writes its last-run row there; a wrong password ends the run with the server's text.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include "app/launch.h"

#include "platform/vb/date.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/postgres_cluster.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

using testing::PostgresCluster;
using testing::ProgramFolder;
using testing::runProgram;

TEST(ProgramPostgres, BatchReadsStoredRowsFromTheServerAndWritesItsLastRunRowThere) {
  FW_REQUIRE_POSTGRES();
  PostgresCluster& c = *PostgresCluster::get();
  const std::string database = c.makeDatabase();
  const std::filesystem::path server = "postgresql:" + database;
  // Ten a day around today in rday and rdaymax: both conditions find a stored row and hold.
  const vb::VbDate today = vb::DateValue(vb::systemNow());
  std::string seed;
  for (int d = -40; d <= 2; ++d) {
    seed += "insert into rday values (1001, " + testing::dateSql(today + d) + ", 10, 2);";
    seed += "insert into rdaymax values (1001, " + testing::dateSql(today + d) + ", " + testing::dateSql(today + d + 0.5) +
            ", 12, 2);";
  }
  testing::execSql(server, seed);

  ProgramFolder p({}, {"IF; 1001; Daily check; ; rday; -1; P1>5", "IF; 0; Passed over; ; rday; 0; 1=1",
                       "IF; 1001; Peak check; ; rdaymax; -1; P1>11", "IF; 0; Also passed; ; rday; 0; 1=1",
                       "IF; 0; Reached; ; rday; 0; 1=1"});
  p.useConnection(c.connString(database));
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_EQ(p.count("missing for IF/SKIP check"), 0) << p.log();
  EXPECT_EQ(p.count("could not be read"), 0) << p.log();
  EXPECT_NE(r.output.find("Daily Check  IF  1001"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Peak Check  IF  1001"), std::string::npos) << r.output;
  // The conditions held on the stored values and passed over the line after each.
  EXPECT_EQ(r.output.find("Passed Over  IF  0"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("Also Passed  IF  0"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Reached  IF  0"), std::string::npos) << r.output;
  EXPECT_EQ(testing::countRows(server, "select * from rupdate where datatype_site_id=0"), 1);
  // Nothing was made in the program folder instead.
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate"), 0);
}

TEST(ProgramPostgres, AWrongPasswordEndsTheRunWithTheServersTextAndNoPassword) {
  FW_REQUIRE_POSTGRES();
  PostgresCluster& c = *PostgresCluster::get();
  const std::string database = c.makeDatabase();
  const std::string wrong = "Wr0ng-Pa55";
  ProgramFolder p({}, {"IF; 0; Always; ; rday; -1; 1=1"});
  p.useConnection(c.connString(database, wrong));
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, kExitDatabaseUnopened) << p.log();
  EXPECT_NE(p.log().find("openHDB: "), std::string::npos) << p.log();
  EXPECT_NE(p.log().find("password authentication failed"), std::string::npos) << p.log();
  EXPECT_EQ(p.log().find(wrong), std::string::npos) << p.log();
  EXPECT_EQ(r.output.find(wrong), std::string::npos) << r.output;
  EXPECT_EQ(testing::countRows("postgresql:" + database, "select * from rupdate"), 0);
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// Two programs run the same gauge lines into one server database at the same moment, round after
// round: a pass the server undoes for the other's sake runs again, so neither reports anything,
// and the series hold whole passes.
TEST(ProgramPostgres, TwoProgramsWritingTheSameSeriesAtOnceBothFinishWithoutAnError) {
  FW_REQUIRE_POSTGRES();
  PostgresCluster& c = *PostgresCluster::get();
  testing::LoopbackHttpServer http;
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    const std::string database = c.makeDatabase();
    std::string sites;
    std::vector<std::string> lines;
    for (int k = 0; k < 12; ++k) {
      const std::string dsid = std::to_string(1101 + k);
      sites += std::string(k ? ", " : "") + "('1" + std::to_string(k) + "', " + dsid + ", 'Colorado R', 1, 'cfs', '" +
               (k % 2 ? "65" : "60") + "', 'AZ')";
      lines.push_back("09380000; " + dsid + "; Flow; Colorado R; 0; 0; ");
    }
    testing::execSql("postgresql:" + database,
                     "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
                     "state) values " + sites);
    std::vector<std::unique_ptr<ProgramFolder>> folders;
    for (int k = 0; k < 2; ++k) {
      folders.push_back(std::make_unique<ProgramFolder>(
          std::vector<std::string>{"USGS Server=" + http.base(), "START DATE=2024-06-05 13:15",
                                   "Write Unit Values= True", "Write Hourly Avg= True", "Write Daily MaxMin= True"},
          lines));
      folders.back()->useConnection(c.connString(database));
    }
    testing::ProgramResult results[2];
    std::thread other([&] { results[1] = runProgram(folders[1]->run({"BATCH"})); });
    results[0] = runProgram(folders[0]->run({"BATCH"}));
    other.join();
    for (int k = 0; k < 2; ++k) {
      const std::string log = folders[static_cast<size_t>(k)]->log();
      EXPECT_EQ(results[k].status, 0) << log;
      EXPECT_EQ(log.find("Operation is not allowed"), std::string::npos) << log;
      EXPECT_EQ(log.find("serializ"), std::string::npos) << log;
      EXPECT_EQ(log.find("hdb"), std::string::npos) << log;
    }
    EXPECT_GT(testing::countRows("postgresql:" + database, "select * from rday where datatype_site_id=1101"), 0);
  }
}

}  // namespace
}  // namespace fw
