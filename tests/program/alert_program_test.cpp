// A flood-alert line in a batch run of the program: the gauge's unit values cross two named
// levels, and the alert reaches the alert log.
#include <gtest/gtest.h>

#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::ProgramFolder;
using testing::readFile;
using testing::runProgram;

TEST(AlertProgram, BatchLogsTheLevelsAGaugeCrossed) {
  testing::LoopbackHttpServer http;
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  ProgramFolder p(
      {"USGS Server=" + http.base() + "/", "START DATE=2024-06-05 13:15", "Write Unit Values= True",
       "Alert Start Time=-48"},
      {"09380000; 1101; Flow-Alert>15000-UNIT-12500 ACTION,15000 MINOR,20000 MAJOR; Colorado R; 0; 0; ",
       "*---- after the alert line; 0; c; c"});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 1101, 'Colorado R', 1, 'cfs', '60', 'AZ')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();

  // The level word "MINOR" before the message; both crossed levels with the value that crossed;
  // no e-mail was asked for.
  const std::string log = readFile(p.folder / "Flumewright_Alert.txt");
  EXPECT_EQ(log.rfind("Issued: 6/5/2024 13:15\r\nMINOR*Flood ALERT* \r\n1101 Colorado R\r\nUNIT "
                      "FLOW\r\n12500 ACTION 12550 ",
                      0),
            0u)
      << log;
  EXPECT_NE(log.find("\r\n15000 MINOR 17200 Wed Jun05 @ "), std::string::npos) << log;
  EXPECT_EQ(log.find("20000 MAJOR"), std::string::npos);
  EXPECT_EQ(log.find("EMAIL"), std::string::npos);
  EXPECT_EQ(
      testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=-1 and note='Runoff Comp'"), 1);
}

}  // namespace
}  // namespace fw
