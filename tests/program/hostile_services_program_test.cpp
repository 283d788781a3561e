// Batch runs against services that misbehave: replies cut short, chunked without their end,
// dripping, too large (also once decoded), forecasts with stray far-future points, a forecast
// document with a blank line or one that cannot be read. Each bad reply fails its own line with a
// text that says why, the run finishes, and what is stored is what an honest run stores less that
// line's series.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/vb/strings.h"
#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

using testing::Hostile;
using testing::ProgramFolder;
using testing::readFile;
using testing::runProgram;

// Every stored value of the series tables, one text per row.
std::vector<std::string> storedRows(const std::filesystem::path& hdb) {
  testing::TestConnection c(hdb);
  std::vector<std::string> rows;
  for (const char* table : {"runit", "rhour", "rday", "rdaymax", "rdaymin"}) {
    const db::QueryResult q = c.run(std::string("select datatype_site_id, date_time, value from ") + table +
                                    " order by datatype_site_id, date_time");
    for (std::size_t i = 0; i < q.rowCount(); ++i)
      rows.push_back(std::string(table) + " " + q.cells[3 * i].toString() + " " + q.cells[3 * i + 1].toString() +
                     " " + q.cells[3 * i + 2].toString());
  }
  return rows;
}

std::vector<std::string> without(const std::vector<std::string>& rows, const std::vector<std::string>& dsids) {
  std::vector<std::string> kept;
  for (const std::string& row : rows) {
    const std::vector<std::string> f = vb::Split(row, " ");
    if (std::find(dsids.begin(), dsids.end(), f.at(1)) == dsids.end()) kept.push_back(row);
  }
  return kept;
}

struct Outcome {
  testing::ProgramResult result;
  std::string log;
  std::vector<std::string> rows;
  std::vector<std::string> targets;
  bool gaugeCopy = false;  // "USGSin.txt" was written
};

// Runs the folder's lines in batch in the time zone.
Outcome runIn(const ProgramFolder& p, const char* zone) {
  testing::ProgramRun run = p.run({"BATCH"});
  run.env["TZ"] = zone;
  Outcome o;
  o.result = runProgram(run);
  o.log = p.log();
  o.rows = storedRows(p.hdb);
  return o;
}

// A gauge line and a KiWIS line on 5 June 2024; the gauge service misbehaves as `how` says.
Outcome runGauges(std::optional<Hostile> how) {
  testing::LoopbackHttpServer http;
  const char* gauge = "usgs/iv_two_params.rdb";
  if (how)
    http.routeHostile("/nwis/iv/", gauge, *how, 3u << 20);
  else
    http.route("/nwis/iv/", gauge);
  http.route("/KiWIS/KiWIS", "kiwis/values.txt");
  ProgramFolder p({"USGS Server=" + http.base(), "START DATE=2024-06-05 13:15", "Write Unit Values= True",
                   "Write Hourly Avg= True", "Download Time Limit=2", "Download Size Limit=1"},
                  {"09380000; 1101; Flow; Colorado R; 0; 0; ", "KISTERS; 2103; Stage; Kiwis River; 0; 0; "});
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
                   "source, state) values ('101', 1101, 'Colorado R', 1, 'cfs', '60,65', '', 'AZ'), "
                   "('103', 2103, 'Kiwis River', 2, 'ft', '12345042', '" +
                       http.base() + "', 'CO')");
  Outcome o = runIn(p, "America/Phoenix");
  o.targets = http.targets();
  o.gaugeCopy = std::filesystem::exists(p.folder / "USGSin.txt");
  return o;
}

TEST(HostileServices, ABrokenOrOversizedGaugeReplyFailsItsLineAndNothingOfItIsStored) {
  const Outcome honest = runGauges(std::nullopt);
  ASSERT_EQ(honest.result.status, 0) << honest.log;
  const std::vector<std::string> others = without(honest.rows, {"1101"});
  ASSERT_GT(honest.rows.size(), others.size()) << honest.log;
  ASSERT_FALSE(others.empty()) << honest.log;

  const struct {
    Hostile how;
    const char* text;
  } cases[] = {
      {Hostile::CutBody, "Internet reply was cut short: "},
      {Hostile::ChunkWithoutEnd, "Internet reply was cut short: "},
      {Hostile::Drip, "Internet download passed the download time limit of 2 s and was stopped: "},
      {Hostile::GzipBomb, "Internet reply is larger than the download size limit of 1 MB: "},
      {Hostile::Oversized, "Internet reply is larger than the download size limit of 1 MB: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Outcome o = runGauges(c.how);
    EXPECT_FALSE(o.result.timedOut);
    EXPECT_EQ(o.result.status, 0) << o.log;
    EXPECT_NE(o.log.find("09380000 1101 " + std::string(c.text) + "http://127.0.0.1:"), std::string::npos)
        << o.log;
    EXPECT_NE(o.log.find("F I N I S H E D"), std::string::npos) << o.log;
    EXPECT_EQ(o.rows, others) << o.log;
    // One request: a broken reply says nothing about the service's servers, and is not copied.
    EXPECT_EQ(std::count_if(o.targets.begin(), o.targets.end(),
                            [](const std::string& t) { return t.rfind("/nwis/", 0) == 0; }),
              1);
    EXPECT_FALSE(o.gaugeCopy);
  }
}

// The forecast lines of 10 February 2025; `change` edits the replies before the run.
struct Replies {
  std::string stageflow = readFile(testing::fixturesFolder() / "forecasts/stageflow.json");
  std::string dwml = readFile(testing::fixturesFolder() / "forecasts/digital_dwml.xml");
  std::string spotwx = readFile(testing::fixturesFolder() / "forecasts/spotwx_hrrr.html");
};

Outcome runForecasts(const Replies& replies) {
  testing::LoopbackHttpServer http;
  http.routeText("/nwps/v1/gauges/SACC1/stageflow", replies.stageflow);
  http.routeText("/MapClick.php", replies.dwml);
  http.routeText("/products/grib_index.php", replies.spotwx);
  ProgramFolder p({"NWPS Server=" + http.base(), "NWS Forecast Server=" + http.base(),
                   "SpotWx Server=" + http.base(), "START DATE=02/10/2025 08:00", "Future Days=2",
                   "Percent Missing Allowed= 100", "Write Unit Values= True", "Write Hourly Avg= True"},
                  {"FORECAST-NWS,SACC1; 2501; Flow; Sacramento R; 0; 0; ",
                   "FORECAST-NWS; 2502; Temp; Sacramento; 0; 38.58,-121.49; ",
                   "FORECAST-HRRR-15; 2504; Temp; Sacramento; 0; 38.58,-121.49; "});
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, "
                   "state) values ('1', 2501, 'Sacramento R', 1, 'cfs', 'flow', 'CA'), "
                   "('1', 2502, 'Sacramento', 17, 'F', 'temp', 'CA'), "
                   "('1', 2504, 'Sacramento', 17, 'F', 'TMP', 'CA')");
  return runIn(p, "America/Los_Angeles");
}

// A copy of the first record (or row) that starts with `start`, dated 4050, put before it.
std::string withStrayCopy(const std::string& text, const std::string& start, const std::string& end,
                          const std::string& year) {
  const std::size_t at = text.find(start);
  const std::size_t stop = text.find(end, at);
  std::string stray = text.substr(at, stop + end.size() - at);
  stray = vb::Replace(stray, year, "4050");
  std::string out = text;
  out.insert(at, stray);
  return out;
}

TEST(HostileServices, StrayFarFutureForecastPointsAndBlankLinesChangeNothingAnUnreadableForecastFailsItsLine) {
  const Outcome honest = runForecasts(Replies{});
  ASSERT_EQ(honest.result.status, 0) << honest.log;
  for (const char* dsid : {"2501", "2502", "2504"})
    ASSERT_NE(std::find_if(honest.rows.begin(), honest.rows.end(),
                           [&](const std::string& r) { return r.find(std::string(" ") + dsid + " ") != r.npos; }),
              honest.rows.end())
        << dsid << "\n"
        << honest.log;

  Replies stray;
  stray.stageflow = withStrayCopy(stray.stageflow, "{\"validTime\":\"2025-02-11T00:00", "},", "2025");
  stray.spotwx = withStrayCopy(stray.spotwx, "['2025/02/10 13:00", "],", "2025");
  // A blank line after the first temperature line of the point forecast.
  const std::size_t temperature = stray.dwml.find("<temperature");
  stray.dwml.insert(stray.dwml.find('\n', temperature) + 1, "\n");
  const Outcome o = runForecasts(stray);
  EXPECT_FALSE(o.result.timedOut);
  EXPECT_EQ(o.result.status, 0) << o.log;
  EXPECT_EQ(o.rows, honest.rows) << o.log;

  // A point forecast whose first valid time is no time: its line fails, the others are stored.
  Replies unreadable;
  unreadable.dwml = vb::Replace(unreadable.dwml, "<start-valid-time>2025-02-10T08:00:00-08:00",
                                "<start-valid-time>sometime soon");
  const Outcome bad = runForecasts(unreadable);
  EXPECT_EQ(bad.result.status, 0) << bad.log;
  EXPECT_NE(bad.log.find("FORECAST-NWS 2502 Point forecast reply could not be read: "), std::string::npos)
      << bad.log;
  EXPECT_NE(bad.log.find("F I N I S H E D"), std::string::npos) << bad.log;
  EXPECT_EQ(bad.rows, without(honest.rows, {"2502"})) << bad.log;
}

}  // namespace
}  // namespace fw
