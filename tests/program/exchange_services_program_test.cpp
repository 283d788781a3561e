// Station lines of the exchange, Hydromet, Lower Colorado and datamart services, run by the
// flumewright executable in batch against the loopback services.
#include <gtest/gtest.h>

#include "platform/vb/strings.h"
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

TEST(Program, BatchStoresTheRowsOfTheExchangeHydrometLowerColoradoAndDatamartLines) {
  testing::LoopbackHttpServer http;
  // Directions in degrees at 00:00, 01:00, 02:00 and 03:00 of 2024-06-04; "m" is a flag.
  http.routeText("/cgi-progs/getHourlyCSV",
                 "Hourly Data\r\nStation ID,ORO\r\nUnits,DEG\r\nSTATION_ID,SENSOR_NUMBER,DATE,0000,0100\r\n"
                 "ORO,10,20240604,90,180,m,360\r\nEnd of Data\r\n");
  http.route("/pn-bin/instant.pl", "hydromet/instant_two_params.txt");
  http.route("/gp-bin/webdaycsv.pl", "hydromet/daycsv_wind.txt");
  // The run asks these two from the run day on: their fixtures' first day moved to it.
  http.routeText("/lc/hourly/report.json",
                 vb::Replace(readFile(testing::fixturesFolder() / "lower_colorado/hourly_report.json"),
                             "2024/06/04", "2024/06/05"));
  http.routeText("/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_08MF005_hourly_hydrometric.csv",
                 vb::Replace(readFile(testing::fixturesFolder() / "canada/BC_08MF005_hourly_hydrometric.csv"),
                             "2024-06-04", "2024-06-05"));
  const std::string base = http.base();
  ProgramFolder p({"CDEC Server=" + base, "Hydromet Server=" + base, "Lower Colorado Server=" + base,
                   "Lower Colorado Report=lc/hourly/report.json", "Canada Datamart Server=" + base,
                   "START DATE=2024-06-05 13:15", "Write Unit Values= True"},
                  {"ORO; 19101; Wind Dir; Oroville; 0; 0; ", "USBRPN-FALN; 1201; Flow; Falls R; 0; 0; ",
                   "USBRGP-BOII; 19202; Wind Dir; Boise; 0; 0; ", "USBRLC; 1301; Release; Davis Dam; 0; 0; ",
                   "USBRLC; 3301; Elevation; Davis Dam; 0; 0; ", "08MF005; 1401; Flow; Fraser R; 0; 0; ",
                   "USBRPN-FALN; 27201; ET; Falls R; 0; 43.6,-116.2,-120,2700,1.2; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, source, "
      "state) values ('101', 19101, 'Oroville', 19, 'deg', '10', '', 'CA'), "
      "('201', 1201, 'Falls R', 1, 'cfs', 'OB', '', 'ID'), ('202', 19202, 'Boise', 19, 'deg', 'WD', '', "
      "'ID'), "
      "('301', 1301, 'Davis Dam', 1, 'cfs', 'Release', 'Davis Dam', 'AZ'), "
      "('301', 3301, 'Davis Dam', 3, 'ft', 'Elevation', 'Davis Dam', 'AZ'), "
      "('401', 1401, 'Fraser R', 1, 'cms', '47', '', 'BC'), ('201', 27201, 'Falls R', 27, 'in', 'OB,TU', '', "
      "'ID')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(
      http.targets(),
      (std::vector<std::string>{
          "/cgi-progs/getHourlyCSV?station_id=ORO&sensor_num=10&start_date=20240605&end_date=&data_wish="
          "View+Hourly+CSV+Data",
          "/pn-bin/instant.pl?station=FALN&year=2024&month=6&day=3&year=2024&month=6&day=5&pcode=OB&format=1",
          "/gp-bin/"
          "webdaycsv.pl?parameter=BOII%20WD,BOII%20WS&syer=2024&smnth=6&sdy=3&eyer=2024&emnth=6&edy=5&"
          "format=1",
          "/lc/hourly/report.json",
          "/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_08MF005_hourly_hydrometric.csv",
          // The hourly ET line asks its weather parameters and computes the ET of each row.
          "/pn-bin/instant.pl?station=FALN&year=2024&month=6&day=3&year=2024&month=6&day=5&pcode=OB,TU&format=1"}))
      << p.log();
  EXPECT_EQ(p.count("hourly reference ET is not available in this version"), 0) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  const auto rows = [&](const std::string& where) {
    return testing::countRows(p.hdb, "select * from runit where " + where);
  };
  const auto at = [](const char* day) { return std::string(" and abs(date_time - (") + day + ")) < 0.0001"; };
  // 90 degrees is stored as 1 quarter circle, 180 as 2, 360 as 4.
  EXPECT_EQ(rows("datatype_site_id=19101 and value=1" + at("45447")), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=19101 and value=2" + at("45447 + 1.0/24")), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=19101 and value=4" + at("45447 + 3.0/24")), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=19101 and abs(date_time - (45447 + 2.0/24)) < 0.0001"), 0);
  EXPECT_EQ(rows("datatype_site_id=1201 and value=45.8" + at("45447 + 0.25/24")), 1) << p.log();
  // The Hydromet direction, handed on in degrees beside its speed, is converted once: 90 is 1.
  EXPECT_EQ(rows("datatype_site_id=19202 and value=1" + at("45447")), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=19202 and value=3" + at("45447 + 3.0/24")), 1) << p.log();
  // Lower Colorado items after the run day's midnight; the datamart's rows of the run day.
  EXPECT_EQ(rows("datatype_site_id=1301 and value=3" + at("45448 + 1.0/24")), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=1301 and value=5" + at("45448 + 3.0/24")), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=1301 and abs(date_time - 45448) < 0.0001"), 0);
  EXPECT_EQ(rows("datatype_site_id=3301 and abs(value - 644.3) < 0.001" + at("45448 + 2.0/24")), 1)
      << p.log();
  EXPECT_EQ(rows("datatype_site_id=1401 and value=812" + at("45448")), 1) << p.log();
  // The copies the services' lines leave.
  EXPECT_NE(readFile(p.folder / "GoCin.txt").find("Z\t2024-06-05 00:00\t812\n"), std::string::npos);
  EXPECT_EQ(readFile(p.folder / "usbrLC.txt"),
            "Davis Dam\nZ\t2024/06/05 01:00\t644.2\nZ\t2024/06/05 02:00\t644.3\n");
  EXPECT_TRUE(std::filesystem::exists(p.folder / "usbrlc_otxt.txt"));
}

// Three lines of one datamart station: stage, flow, and flow again under another series. The
// second reads its own column of a new download; the third reuses the second's text.
TEST(Program, BatchDatamartLinesOfOneStationStoreEachParametersOwnColumn) {
  testing::LoopbackHttpServer http;
  const std::string path = "/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_08MF005_hourly_hydrometric.csv";
  http.routeText(path,
                 vb::Replace(readFile(testing::fixturesFolder() / "canada/BC_08MF005_hourly_hydrometric.csv"),
                             "2024-06-04", "2024-06-05"));
  ProgramFolder p(
      {"Canada Datamart Server=" + http.base(), "START DATE=2024-06-05 13:15", "Write Unit Values= True"},
      {"08MF005; 2401; Stage; Fraser R; 0; 0; ", "08MF005; 1402; Flow; Fraser R; 0; 0; ",
       "08MF005; 1403; Flow; Fraser R; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('401', 2401, 'Fraser R', 2, 'm', '46', 'BC'), "
      "('402', 1402, 'Fraser R', 1, 'cms', '47', 'BC'), ('403', 1403, 'Fraser R', 1, 'cms', '47', 'BC')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(http.targets(), (std::vector<std::string>{path, path})) << p.log();
  const auto rows = [&](const std::string& where) {
    return testing::countRows(p.hdb,
                              "select * from runit where abs(date_time - 45448) < 0.0001 and " + where);
  };
  EXPECT_EQ(rows("datatype_site_id=2401 and abs(value - 4.123) < 0.03"), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=1402 and value=812"), 1) << p.log();
  EXPECT_EQ(rows("datatype_site_id=1403 and value=812"), 1) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

}  // namespace
}  // namespace fw
