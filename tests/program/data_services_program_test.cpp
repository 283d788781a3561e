// Station lines of the snow-telemetry, Corps of Engineers, KiWIS, flood-warning and irrigation
// network services in one batch run against local servers: the requests, the stored rows.
#include <gtest/gtest.h>

#include "program_folder.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

using testing::countRows;

std::string afwsJunePage() {
  std::string page = "<html><table><tr><th>Date(CST)</th><th>Precip (in)</th></tr>\n";
  for (const auto& [when, amount] : std::vector<std::pair<std::string, std::string>>{{"06/05 12:00", "0.10"},
                                                                                     {"06/05 06:00", "0.20"},
                                                                                     {"06/04 12:00", "0.05"},
                                                                                     {"06/03 12:00", "0.30"}})
    page += "<tr><td nowrap>" + when + "</td><td nowrap>" + amount + "</td></tr>\n";
  return page + "</table></html>\n";
}

TEST(Program, BatchStoresTheRowsOfTheDataServicesLines) {
  testing::LoopbackFtpServer ftp;
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  testing::LoopbackHttpServer http;
  const std::string snotelPath =
      "/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/WTEQ::value";
  http.route(snotelPath, "snotel/report.csv");
  http.route("/WaterControl/shefdata2.cfm", "coe/shefdata2.html");
  http.route("/KiWIS/KiWIS", "kiwis/values.txt");
  http.routeText("/ahps2/hydrograph_to_xml.php", afwsJunePage());
  testing::ProgramFolder p(
      {"SNOTEL Server=" + http.base(), "COE Server=" + http.base(), "AFWS Server=" + http.base(),
       "CIMIS Server=" + ftp.base(), "START DATE=2024-06-05 13:15", "Write Unit Values= True"},
      {"927; 23101; SWE; Snowslide Canyon; 0; 0; ", "COE-MKLK2; 2102; Stage; Markland; 0; 0; ",
       "KISTERS; 2103; Stage; Kiwis River; 0; 0; ", "AFWS-ABCT2-CST; 10104; Rain; Abc Creek; 0; 0; ",
       "CIMIS-2; 7105; Air Temp; Davis; 0; 0; "});
  testing::execSql(
      p.hdb,
      "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
      "source, state) values "
      "('101', 23101, 'Snowslide Canyon', 23, 'in', 'WTEQ', '927', 'az'), "
      "('102', 2102, 'Markland', 2, 'ft', 'Stage', 'COE-MKLK2', 'KY'), "
      "('103', 2103, 'Kiwis River', 2, 'ft', '12345042,fw,secret', '" +
          http.base() +
          "', 'CO'), "
          "('104', 10104, 'Abc Creek', 10, 'in', 'PP', 'AFWS', 'TX'), "
          "('105', 7105, 'Davis', 7, 'F', '16', 'CIMIS', 'CA')");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env["TZ"] = "America/Phoenix";  // KiWIS stamps are UTC: seven hours ahead all year
  testing::ProgramResult r = runProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();

  EXPECT_EQ(
      http.targets(),
      (std::vector<std::string>{
          snotelPath, "/WaterControl/shefdata2.cfm?sid=MKLK2&d=1&dt=S",
          "/KiWIS/KiWIS?service=kisters&type=queryServices&request=getTimeseriesValues&datasource=0&format="
          "Ascii&ts_id=12345042&from=2024-06-05&to=2024-06-06&kiUser=fw&kiPassword=secret",
          "/ahps2/hydrograph_to_xml.php?gage=ABCT2&output=tabular&fcst_type=PP&time_zone=CST"}))
      << p.log();
  EXPECT_EQ(p.count("secret"), 0) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  // Hand-checked unit values of 5 June 2024 (day 45448), each with its service's source number.
  auto stored = [&p](int dsid, int hour, int minute, const char* value, int source) {
    const std::string when = std::to_string(45448.0 + (hour * 60 + minute) / 1440.0);
    return countRows(p.hdb, "select * from runit where datatype_site_id=" + std::to_string(dsid) +
                                " and abs(date_time - " + when + ") < 0.00001 and value=" + value +
                                " and source=" + std::to_string(source));
  };
  struct Row {
    int dsid, hour, minute;
    const char* value;
    int source;
  } rows[] = {
      {23101, 11, 0, "3.2", 4},  {23101, 12, 0, "3.4", 4},   // the report's last line, without a line end
      {2102, 6, 0, "12.3", 7},   {2102, 12, 0, "12.4", 7},   // the "Stage (ft)" column
      {2103, 22, 30, "1.3", 21}, {2103, 23, 0, "1.4", 21},   // UTC stamps seven hours back
      {10104, 6, 0, "0.2", 19},  {10104, 12, 0, "0.1", 19},  // the page's time zone as written
      {7105, 1, 0, "58.2", 8},   {7105, 12, 0, "71.4", 8},   // file field 14, result field 16
  };
  for (const Row& row : rows)
    EXPECT_EQ(stored(row.dsid, row.hour, row.minute, row.value, row.source), 1)
        << row.dsid << " " << row.hour << ":" << row.minute << "\n"
        << p.log();
  // Nothing of 4 June or earlier, nor of the day after.
  EXPECT_EQ(countRows(p.hdb, "select * from runit where date_time < 45448 or date_time >= 45449"), 0);
}

}  // namespace
}  // namespace fw
