// Radar lines in batch: a NEXRAD line (the archive's JSON list and site images) and an A2M line
// (the map service's rate layer) store unit, hourly and daily rows from served palette PNGs; a
// second line of the same site and product is read from the same images; a missing image and an
// error page are marked missing and logged; a basin without its point file fails alone.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QBuffer>
#include <QImage>

#include <functional>
#include <string>
#include <vector>

#include "program_folder.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

// Level-2 colours of the "other" column of example/Level2RGB.txt and their convective rates.
constexpr uint32_t k20 = 11785817;  // 20 dBZ, 0.0180 in/hr
constexpr uint32_t k30 = 1086732;   // 30 dBZ, 0.0930
constexpr uint32_t k40 = 376257;    // 40 dBZ, 0.4819
constexpr uint32_t k50 = 34303;     // 50 dBZ, 2.4959
// Colours of example/Level3RGB2RainRateA2m.txt.
constexpr uint32_t kA1 = 16713216;  // 0.0236 in/hr
constexpr uint32_t kA2 = 16714752;  // 0.0472
constexpr uint32_t kA3 = 16753152;  // 0.6378

// A 40 by 40 palette PNG (index 0 transparent) with the colour of each pixel from `colourAt`.
std::string palettePngWith(const std::function<uint32_t(int x, int y)>& colourAt) {
  QImage im(40, 40, QImage::Format_Indexed8);
  QVector<QRgb> table{qRgba(0, 0, 0, 0)};
  std::vector<int> cells(40 * 40, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t c = colourAt(x, y);
      if (c == 0) continue;
      const QRgb rgb = qRgb(static_cast<int>(c & 255), static_cast<int>((c >> 8) & 255), static_cast<int>((c >> 16) & 255));
      int i = 1;
      while (i < table.size() && table[i] != rgb) ++i;
      if (i == table.size()) table.push_back(rgb);
      cells[static_cast<size_t>(y * 40 + x)] = i;
    }
  im.setColorTable(table);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) im.setPixel(x, y, static_cast<uint>(cells[static_cast<size_t>(y * 40 + x)]));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  im.save(&buffer, "PNG");
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A 40 by 40 palette PNG whose basin box (10,10)-(13,12) takes its colours from `colourAt`
// (0 = transparent); a frame of 50 dBZ around the box that no mask holds.
std::string palettePng(const std::function<uint32_t(int k)>& colourAt) {
  return palettePngWith([&](int x, int y) {
    if (x >= 10 && x <= 13 && y >= 10 && y <= 12) return colourAt((y - 10) * 4 + (x - 10));
    return x >= 9 && x <= 14 && y >= 9 && y <= 13 ? k50 : 0u;
  });
}

std::vector<std::string> rowsOf(const std::filesystem::path& hdb, const std::string& table, int dsid,
                                const std::string& dateColumn = "date_time") {
  std::vector<std::string> out;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(hdb.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return out;
  }
  // Dates are stored as day numbers: the time of day is the fraction.
  const std::string minutes = "cast(round((" + dateColumn + " - cast(" + dateColumn + " as integer)) * 1440) as integer)";
  const std::string sql = "select printf('%02d:%02d %.5f %d', " + minutes + " / 60, " + minutes +
                          " % 60, value, source) from " + table + " where datatype_site_id=" + std::to_string(dsid) +
                          " order by " + dateColumn;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
    while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

using Rows = std::vector<std::string>;

const char* const kArchive = "/archive/data/2024/06/05/GIS/ridge/ESX/N0Q/ESX_N0Q_";
const char* const kMrms = "/cgi-bin/wms/us/mrms.cgi";

TEST(RadarProgram, NexradAndA2mLinesStoreTheirRowsFromServedImages) {
  testing::LoopbackHttpServer http;
  // The archive's list: five images from 12:55 to 13:15 local (UTC - 7).
  http.routeText("/json/radar",
                 "{\"scans\": [{\"ts\": \"2024-06-05T19:55Z\"}, {\"ts\": \"2024-06-05T20:00Z\"}, "
                 "{\"ts\": \"2024-06-05T20:05Z\"}, {\"ts\": \"2024-06-05T20:10Z\"}, {\"ts\": \"2024-06-05T20:15Z\"}]}");
  // 12:55: twelve 30 dBZ pixels; 13:00 missing; 13:05: six 40 and six 20 dBZ pixels; 13:10 an
  // error page; 13:15: three 50 dBZ pixels and nine transparent ones.
  http.routeText(std::string(kArchive) + "202406051955.png", palettePng([](int) { return k30; }));
  http.routeText(std::string(kArchive) + "202406052000.png",
                 testing::readFile(testing::fixturesFolder() / "radar" / "error_page.html"), 404);
  http.routeText(std::string(kArchive) + "202406052005.png", palettePng([](int k) { return k < 6 ? k40 : k20; }));
  http.routeText(std::string(kArchive) + "202406052010.png",
                 "<html><head><title>Service unavailable</title></head><body><p>The image service is busy; "
                 "please try again later.</p></body></html>");
  http.routeText(std::string(kArchive) + "202406052015.png", palettePng([](int k) { return k < 3 ? k50 : 0u; }));
  // The map service's A2M layer: every 4 minutes from 20:08 UTC.
  http.routeQueryText(kMrms, "time=2008", palettePng([](int) { return kA1; }));
  http.routeQueryText(kMrms, "time=2012", palettePng([](int k) { return k < 6 ? kA2 : kA1; }));
  http.routeQueryText(kMrms, "time=2016", palettePng([](int k) { return k < 2 ? kA3 : 0u; }));

  testing::ProgramFolder p({"IEM Server=" + http.base(), "MRMS Server=" + http.base(),
                            "START DATE=2024-06-05 13:15", "Write Hourly Avg= True", "Write Daily Max= True"},
                           {"NEXRAD-ESX; -10012; Radar rain; Wash A; ; ; ",
                            "NEXRAD-ESX; -10014; Radar rain; Wash B; ; ; P1*2.0",
                            "A2M-ESX; -10020; Radar rain; A2M basin; ; ; ",
                            "NEXRAD-FSX; -10030; Radar rain; No points; ; ; "});
  testing::writeFile(p.folder / "RadarSitesMosaics.txt",
                     "State\tSite\tName\tLatitude\tLongitude\tElevation\r\nNV\tESX\tLas Vegas\t35.7011\t-114.8914\t1483\r\n");
  const std::string mask = "10,10,13,12\r\n1 1 1 1\r\n1 1 1 1\r\n1 1 1 1\r\n";
  const std::string outline = "10,10\r\n13,10\r\n13,12\r\n10,12\r\n10,10\r\n\r\n";
  for (const char* name : {"ESX-10012Q", "ESX-10014Q", "ESX-10020R"}) {
    testing::writeFile(p.folder / (std::string("NexradPoint") + name + ".txt"), mask);
    testing::writeFile(p.folder / (std::string("NexradBoundary") + name + ".txt"), outline);
  }
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
                   "values ('012', -10012, 'Wash A', 10, 'inches', 'N0Q-RIDGE', 'NV');"
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
                   "values ('014', -10014, 'Wash B', 10, 'inches', 'N0Q-RIDGE', 'NV');"
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
                   "values ('020', -10020, 'A2M basin', 10, 'inches', 'A2M-RIDGE', 'NV');"
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
                   "values ('030', -10030, 'No points', 10, 'inches', 'N0Q-RIDGE', 'SD');"
                   "insert into rupdate (datatype_site_id, note, updated, value) values (-10012, 'Wash A', "
                   "#06/05/2024 12:50:00#, 3);"
                   "insert into rupdate (datatype_site_id, note, updated, value) values (-10020, 'A2M basin', "
                   "#06/05/2024 13:04:00#, 3);");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env["TZ"] = "America/Phoenix";
  const testing::ProgramResult r = runProgram(run);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << r.output << p.log();

  // Wash A, data type 10, depth over 5 minutes = mean rate / 12:
  //   12:55  12 x 0.0930 / 12 = 0.0930 -> 0.00775
  //   13:05  (6 x 0.4819 + 6 x 0.0180) / 12 = 0.24995 -> 0.02083
  //   13:15  3 x 2.4959 / 12 = 0.623975 -> 0.05200
  EXPECT_EQ(rowsOf(p.hdb, "runit", -10012), (Rows{"12:55 0.00775 14", "13:05 0.02083 14", "13:15 0.05200 14"}))
      << p.log();
  // The hour the 13:05 value closes holds it and the value before (0.02858); the open hour after
  // it ends at 13:15; the day is their sum; its maximum the largest value after the first.
  EXPECT_EQ(rowsOf(p.hdb, "rhour", -10012), (Rows{"13:00 0.02860 14", "13:15 0.05200 14"}));
  EXPECT_EQ(rowsOf(p.hdb, "rday", -10012, "date_time"), (Rows{"00:00 0.08060 14"}));
  EXPECT_EQ(rowsOf(p.hdb, "rdaymax", -10012), (Rows{"13:15 0.05200 14"}));
  // Wash B, gathered into the same pass, doubles its values by its adjustment expression.
  EXPECT_EQ(rowsOf(p.hdb, "runit", -10014), (Rows{"12:55 0.01550 14", "13:05 0.04166 14", "13:15 0.10400 14"}));
  EXPECT_EQ(rowsOf(p.hdb, "rhour", -10014), (Rows{"13:00 0.05720 14", "13:15 0.10400 14"}));
  EXPECT_EQ(rowsOf(p.hdb, "rday", -10014, "date_time"), (Rows{"00:00 0.16120 14"}));
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=-10012 and "
                                       "updated=#06/05/2024 13:15:00# and value=3"),
            1);

  // A2M images come every 4 minutes: depth = mean rate / 15, of the rate table's single-precision
  // rates:
  //   13:08  0.0236 / 15 -> 0.00157
  //   13:12  (6 x 0.0472 + 6 x 0.0236) / 12 = 0.0354 -> 0.00236
  //   13:16  2 x 0.6378 / 12 = 0.1063 -> 0.00709
  EXPECT_EQ(rowsOf(p.hdb, "runit", -10020), (Rows{"13:08 0.00157 14", "13:12 0.00236 14", "13:16 0.00709 14"}))
      << p.log();
  EXPECT_EQ(rowsOf(p.hdb, "rhour", -10020), (Rows{"13:16 0.01100 14"}));

  // One download per image for the two NEXRAD lines: each archive image was asked for once.
  int archiveRequests = 0;
  for (const std::string& target : http.targets())
    if (target.find(kArchive) == 0) ++archiveRequests;
  EXPECT_EQ(archiveRequests, 5);
  const std::string log = p.log();
  EXPECT_NE(log.find("-10012  13:00 ESX_N0Q_202406052000.png missing!"), std::string::npos) << log;
  EXPECT_NE(log.find("-10012  13:10 ESX_N0Q_202406052010.png missing!"), std::string::npos) << log;
  // A basin without its point file fails its station, naming the file, and the run goes on.
  EXPECT_NE(log.find("FSX N0Q -10030 File not found: "), std::string::npos) << log;
  EXPECT_NE(log.find("NexradPointFSX-10030Q.txt"), std::string::npos) << log;
  EXPECT_NE(r.output.find("Stored values for 3 of 4 station lines; 1 bad stations, 0 warnings."), std::string::npos)
      << r.output;
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

// A 40 by 40 palette PNG with 50 dBZ in columns 2 to 13 of rows 10 to 12: the basin box
// (10,10)-(13,12) lies in the east end of the storm.
std::string stormPng() {
  return palettePngWith([](int x, int y) { return x >= 2 && x <= 13 && y >= 10 && y <= 12 ? k50 : 0u; });
}

TEST(RadarProgram, NowcastLineStoresTheNextHourFromTheWindsAloft) {
  testing::LoopbackHttpServer http;
  http.routeText("/json/radar", "{\"scans\": [{\"ts\": \"2024-06-05T20:10Z\"}, {\"ts\": \"2024-06-05T20:15Z\"}]}");
  http.routeText(std::string(kArchive) + "202406052010.png", stormPng());
  http.routeText(std::string(kArchive) + "202406052015.png", stormPng());
  http.routeText("/api/data/windtemp", testing::readFile(testing::fixturesFolder() / "radar/winds/windtemp.txt"));

  testing::ProgramFolder p({"IEM Server=" + http.base(), "Aviation Weather Server=" + http.base(),
                            "START DATE=2024-06-05 13:15"},
                           {"NEXRAD-ESX; -10012; Radar rain; Wash A; ; NOWCAST T1 E3 LAS; "});
  testing::writeFile(p.folder / "RadarSitesMosaics.txt",
                     "State\tSite\tName\tLatitude\tLongitude\tElevation\r\nNV\tESX\tLas Vegas\t35.7011\t-114.8914\t1483\r\n");
  testing::writeFile(p.folder / "NexradPointESX-10012Q.txt", "10,10,13,12\r\n1 1 1 1\r\n1 1 1 1\r\n1 1 1 1\r\n");
  testing::writeFile(p.folder / "NexradBoundaryESX-10012Q.txt", "10,10\r\n13,10\r\n13,12\r\n10,12\r\n10,10\r\n\r\n");
  // The LAS wind at 39000 ft is 270 degrees at 65 knots (its 6-character group "276547"); three
  // hours of it move a point at 36 N 115.2 W 4.012 degrees of longitude west, which this world
  // file makes 36 pixels: 0.2 pixels a minute, one pixel east every 5-minute image.
  const auto sky = p.folder / "Skyvantor";
  std::filesystem::create_directories(sky);
  const auto setup = p.folder / "Flumewright_setup.txt";
  testing::writeFile(setup, "Skyvantor.exe folder=" + sky.string() + "/\r\n" + testing::readFile(setup));
  testing::writeFile(sky / "WindsAloft_ESX_N0Q.txt",
                     "ESX N0Q storm motion : title\r\n39000 : Altitude ft\r\n36.0 : Lat\r\n-115.2 : Lon\r\n");
  testing::writeFile(sky / "ESX_N0Q.pgw", "0.111444459533\r\n0\r\n0\r\n-1.0\r\n-120.0\r\n40.0\r\n");
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code, state) "
                   "values ('012', -10012, 'Wash A', 10, 'inches', 'N0Q-RIDGE', 'NV');"
                   "insert into rupdate (datatype_site_id, note, updated, value) values (-10012, 'Wash A', "
                   "#06/05/2024 13:05:00#, 3);");
  testing::ProgramRun run = p.run({"BATCH"});
  run.env["TZ"] = "America/Phoenix";
  const testing::ProgramResult r = runProgram(run);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << r.output << p.log();

  // Observed: twelve 50 dBZ pixels, 2.4959 in/hr / 12 = 0.20799 in 5 minutes.
  // Nowcast (one hour less one image, as the last image is at minute 15: 11 images): image k
  // reads the box k pixels west, in the storm for k <= 8, then 9, 6 and 3 of its 12 pixels.
  // Adjust type 3: thirds of the indexes 2..12 are 2-5, 6-8 and 9-12; the last third has 4
  // values of 0.05 and more, so it is damped by 0.6 (within 120 minutes of the run):
  // 0.2079917, 0.1559937, 0.1039958 and 0.0519979 become 0.124795, 0.093596, 0.062398, 0.031199.
  EXPECT_EQ(rowsOf(p.hdb, "runit", -10012),
            (Rows{"13:10 0.20799 14", "13:15 0.20799 14", "13:20 0.20799 14", "13:25 0.20799 14", "13:30 0.20799 14",
                  "13:35 0.20799 14", "13:40 0.20799 14", "13:45 0.20799 14", "13:50 0.20799 14", "13:55 0.12479 14",
                  "14:00 0.09359 14", "14:05 0.06240 14", "14:10 0.03120 14"}))
      << p.log() << r.output;
  const std::string nowcast = testing::readFile(sky / "NowCast_ESX_N0Q.txt");
  EXPECT_NE(nowcast.find("2024-06-05 13:15 :Date\r\n"), std::string::npos) << nowcast;
  EXPECT_NE(nowcast.find(" :X pixels per minute east\r\n"), std::string::npos);
  EXPECT_NE(nowcast.find("75 MPH East 90\u00B0 ALT 39000', 18000', "), std::string::npos) << nowcast;
  EXPECT_EQ(testing::readFile(p.folder / "Flumewright_StormCount.txt"),
            "4 3 4 NNY Diff: 4, 3 2024/06/05 13:15 ESX -10012 DIFF check = -4 batch interval= 30 min Storm "
            "Count>0.05\r\n");
  EXPECT_NE(r.output.find("-----NOWCASTS-----"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Count: 4 3 4 NNY Diff: 4, 3"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace fw
