// Weather-station lines in a batch run of the program against loopback services: an airport's
// temperatures and a Synoptic station's hourly reference ET stored as hourly values.
#include <gtest/gtest.h>

#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

using testing::ProgramFolder;

const std::string kToken = "0123456789abcdef0123456789abcdef";

TEST(WeatherProgram, BatchStoresAirportTemperaturesAndSynopticEtHours) {
  testing::LoopbackHttpServer http;
  http.route("/cgi-bin/request/asos.py", "weather/asos_sfo.csv");
  http.route("/v2/stations/timeseries", "weather/synoptic_wbb.csv");
  ProgramFolder p({"Iowa Mesonet Server=" + http.base(), "Synoptic Server=" + http.base(),
                   "START DATE=2024-06-05 13:15", "Write Hourly Avg= True"},
                  {"KSFO; 17101; Air Temp; San Francisco; 0; 0; ",
                   "SY-WBB; 27201; ETo; WBB; " + kToken + "; 40.76623,-111.84755,-105,4806,1; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 17101, 'San Francisco', 17, 'F', 'tmpf', 'CA'), "
      "('201', 27201, 'WBB', 27, 'in', "
      "'tempAvg,humidityAvg,windspeedAvg,solarRadiationHigh,ETo', 'UT'); "
      "insert into rupdate (datatype_site_id, note, updated, value) values "
      "(0, 'last run', #06/04/2024 13:00#, 0)");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env = {{"TZ", "America/Los_Angeles"}};
  testing::ProgramResult r = runProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  const std::vector<std::string> targets = http.targets();
  ASSERT_EQ(targets.size(), 2u) << p.log();
  EXPECT_EQ(targets[0].rfind("/cgi-bin/request/asos.py?station=SFO&data=tmpf&", 0), 0u) << targets[0];
  EXPECT_EQ(targets[1].rfind("/v2/stations/timeseries?stid=WBB&start=202406040000&end=202406060000&", 0), 0u)
      << targets[1];
  EXPECT_NE(targets[1].find("&token=" + kToken), std::string::npos);

  EXPECT_GE(testing::countRows(p.hdb, "select * from rhour where datatype_site_id=17101"), 2) << p.log();
  EXPECT_GE(testing::countRows(p.hdb, "select * from rhour where datatype_site_id=27201"), 3) << p.log();
  // The ET of the 12:00 hour is the work file's value for it, not shifted by the token.
  const std::string work = testing::readFile(p.folder / "wonderin.txt");
  const std::size_t at = work.find("Z\t2024-06-04 12:00\t");
  ASSERT_NE(at, std::string::npos) << work;
  const std::string row = work.substr(at, work.find('\n', at) - at);
  const std::string et = row.substr(row.rfind('\t') + 1);
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rhour where datatype_site_id=27201 and value > " +
                                          std::to_string(std::stod(et) - 0.0005) + " and value < " +
                                          std::to_string(std::stod(et) + 0.0005)),
            1)
      << row << "\n"
      << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

// A refused Synoptic service fails its line; the airport line after it is not asked for.
TEST(WeatherProgram, ARefusedServiceEndsTheWeatherLinesThatFollow) {
  int port = 0;
  {
    testing::LoopbackHttpServer gone;
    port = gone.port();
  }
  testing::LoopbackHttpServer http;
  http.route("/cgi-bin/request/asos.py", "weather/asos_sfo.csv");
  ProgramFolder p(
      {"Iowa Mesonet Server=" + http.base(), "Synoptic Server=http://127.0.0.1:" + std::to_string(port),
       "START DATE=2024-06-05 13:15", "Write Hourly Avg= True"},
      {"SY-WBB; 27201; ETo; WBB; " + kToken + "; 40.76623,-111.84755,-105,4806,1; ",
       "KSFO; 17101; Air Temp; San Francisco; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('101', 17101, 'San Francisco', 17, 'F', 'tmpf', 'CA'), "
      "('201', 27201, 'WBB', 27, 'in', "
      "'tempAvg,humidityAvg,windspeedAvg,solarRadiationHigh,ETo', 'UT')");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("SY-WBB 27201 No data found"), 1) << p.log();
  EXPECT_EQ(p.count("KSFO 17101 Wunderground down."), 1) << p.log();
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// A batch MADIS line with base1 3 asks the CGI once and appends its rows to the history; an
// "MA-" line after it stores one station's precipitation from there.
TEST(WeatherProgram, BatchMadisCgiLineFeedsTheHistoryThatStationLinesRead) {
  testing::LoopbackHttpServer http;
  http.route("/madisPublic1/cgi-bin/madisXmlPublicDir", "weather/madis_cgi.html");
  testing::ProgramFolder p(
      {"MADIS Server=" + http.base(), "START DATE=2024-06-05 13:15", "Write Hourly Avg= True"},
      {"MADIS; 30301; Box; Wasatch; 3; 41, -111, 40, -112; ", "MA-KSLC; 10101; Precip; Salt Lake; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('301', 30301, 'Wasatch', 30, 'x', 'PCPTOTL', 'UT'), "
      "('101', 10101, 'Salt Lake', 10, 'in', 'precipTotal', 'UT'); "
      "insert into rupdate (datatype_site_id, note, updated, value) values "
      "(0, 'last run', #06/04/2024 13:00#, 0)");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env = {{"TZ", "America/Denver"}};
  testing::ProgramResult r = runProgram(run);
  EXPECT_EQ(r.status, 0) << p.log();
  const std::vector<std::string> targets = http.targets();
  ASSERT_EQ(targets.size(), 1u) << p.log();
  EXPECT_EQ(targets[0].rfind("/madisPublic1/cgi-bin/madisXmlPublicDir?rdr=&time=0&minbck=-59&", 0), 0u);
  EXPECT_NE(targets[0].find("&latll=40&lonll=-112&latur=41&lonur=-111&"), std::string::npos) << targets[0];
  // A line always names a parameter, so precipitation alone is asked for.
  EXPECT_EQ(targets[0].substr(targets[0].size() - 28), "&nvars=PCPRATE&nvars=PCPTOTL") << targets[0];
  const std::string history = testing::readFile(p.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find(" GMT > "), std::string::npos);
  EXPECT_NE(history.find("KSLC      ,06/04/2024,19:00,OTHER - MTR, ,0.0000,V,0.0030,V\n"), std::string::npos);
  EXPECT_EQ(history.find("<PRE>"), std::string::npos);
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=30 and note='MADIS'"), 1);
  EXPECT_GE(testing::countRows(p.hdb, "select * from rhour where datatype_site_id=10101"), 1) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

}  // namespace
}  // namespace fw

#include "platform/vb/date.h"
#include "support/madis_netcdf.h"

namespace fw {
namespace {

// One UTC hour of 5 June 2024: two stations inside the box around Salt Lake, one north of it.
std::string madisHour(int utcHour) {
  testing::MadisRecord r;
  r.id = "KSLC";
  r.lat = 40.77;
  r.lon = -111.97;
  r.observationTime = testing::utcSeconds(2024, 6, 5, utcHour, 0);
  r.temperature = 293.15;
  r.precipAccum = 2.5 + utcHour - 19;  // mm
  testing::MadisRecord near = r;
  near.id = "UTSLC";
  near.lon = -111.9;
  testing::MadisRecord outside = r;
  outside.id = "KOGD";
  outside.lat = 41.2;
  return testing::madisHourGz({r, near, outside});
}

const std::string kHourFolder = "/madisPublic1/data/LDAD/mesonet/netCDF/";

std::vector<std::string> madisSettings(const testing::LoopbackHttpServer& http) {
  return {"MADIS Server=" + http.base(), "START DATE=2024-06-05 13:15", "Write Hourly Avg= True"};
}
const std::vector<std::string> kMadisLines = {"MADIS; 30301; Box; Wasatch; 2; 41, -111, 40, -112; ",
                                              "MA-KSLC; 10101; Precip; Salt Lake; 0; 0; "};

void seedMadisSites(const testing::ProgramFolder& p) {
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "state) values ('301', 30301, 'Wasatch', 30, 'x', 'PCPTOTL', 'UT'), "
      "('101', 10101, 'Salt Lake', 10, 'in', 'precipTotal', 'UT'); "
      "insert into rupdate (datatype_site_id, note, updated, value) values "
      "(0, 'last run', #06/04/2024 13:00#, 0)");
}

testing::ProgramResult runMadis(const testing::ProgramFolder& p) {
  testing::ProgramRun run = p.run({"BATCH"});
  // The offset to UTC is the zone's at the clock's now: a zone without daylight time keeps it 7 hours.
  run.env = {{"TZ", "America/Phoenix"}};
  return runProgram(run);
}

// A batch MADIS line with base1 2 fetches the last hours' netCDF files, unpacks them with 7za,
// dumps the box with madis_dump and merges the hours into the history; an "MA-" line after it
// stores one station's precipitation from there.
TEST(WeatherProgram, BatchMadisLineCollectsHourlyNetcdfFilesThatStationLinesRead) {
  testing::LoopbackHttpServer http;
  const std::string& folder = kHourFolder;
  http.routeText(folder + "20240605_1900.gz", madisHour(19));
  http.routeText(folder + "20240605_2000.gz", madisHour(20));
  testing::ProgramFolder p(madisSettings(http), kMadisLines);
  seedMadisSites(p);
  testing::ProgramResult r = runMadis(p);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(http.targets(),
            (std::vector<std::string>{folder + "20240605_1900.gz", folder + "20240605_2000.gz"}))
      << p.log();
  const std::string history = testing::readFile(p.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("gz 06-05-2024 19:00 GMT > 06-05-2024 12:00 local\nKSLC      ,2024/06/05,19:00,"),
            std::string::npos)
      << history;
  EXPECT_NE(history.find("gz 06-05-2024 20:00 GMT > 06-05-2024 13:00 local\n"), std::string::npos);
  EXPECT_EQ(history.find("KOGD"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(p.folder / "madis/data/LDAD/mesonet/netCDF/20240605_2000"));
  // The next collection starts at the UTC hour after the last one merged.
  EXPECT_EQ(testing::countRows(
                p.hdb, "select * from rupdate where datatype_site_id=30 and note='MADIS' and updated=" +
                           testing::dateSql(vb::DateSerial(2024, 6, 5) + 21 / 24.0)),
            1);
  // The station's totals, 2.5 and 3.5 mm, give 1 mm of rain in the 13:00 hour, in inches.
  EXPECT_NE(testing::readFile(p.folder / "wonderin.txt").find("\t2024-06-05 13:00\t20:00\t"),
            std::string::npos);
  EXPECT_EQ(testing::countRows(p.hdb,
                               "select * from rhour where datatype_site_id=10101 and value > 0.0393 and "
                               "value < 0.0394"),
            1)
      << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

// A missing hour fails the line; the hour before it is merged and the next collection starts after it.
TEST(WeatherProgram, AMissingMadisHourKeepsTheHourBeforeIt) {
  testing::LoopbackHttpServer http;
  http.routeText(kHourFolder + "20240605_1900.gz", madisHour(19));
  testing::ProgramFolder p(madisSettings(http), kMadisLines);
  seedMadisSites(p);
  testing::ProgramResult r = runMadis(p);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("MADIS No gz zip data available for 20240605_2000.gz"), 1) << p.log();
  const std::string history = testing::readFile(p.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("gz 06-05-2024 19:00 GMT"), std::string::npos) << history;
  EXPECT_EQ(history.find("20:00 GMT"), std::string::npos);
  EXPECT_EQ(testing::countRows(
                p.hdb, "select * from rupdate where datatype_site_id=30 and note='MADIS' and updated=" +
                           testing::dateSql(vb::DateSerial(2024, 6, 5) + 20 / 24.0)),
            1);
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

}  // namespace
}  // namespace fw
