#include "radar/winds_aloft.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/log_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/internet_session.h"
#include "retrieval/service_servers.h"
#include "support/loopback_services.h"
#include "support/test_session.h"

namespace fw {
namespace {

std::string windsTable() { return testing::readFile(testing::fixturesFolder() / "radar/winds/windtemp.txt"); }

std::string stationLine(const std::string& id) {
  const auto line = findWindsStation(vb::Split(windsTable(), "\n"), id);
  EXPECT_TRUE(line.has_value()) << id;
  return line.value_or("");
}

TEST(WindsAloft, GroupsDecodeByTheProductsColumns) {
  // Hand-decoded: LAS 9900+18 2315+12 2425+06 2535-08 7319-20 751146 266050 276547.
  const struct {
    const char* id;
    int index;
    bool missing;
    int direction, speed;
  } cases[] = {
      {"LAS", 0, true, 0, 0},     // 3000 ft is never used
      {"LAS", 1, true, 0, 0},     // 9900: light and variable
      {"LAS", 2, false, 230, 15}, {"LAS", 4, false, 250, 35},
      {"LAS", 5, false, 230, 119},  // 73 = 23 + 50: 100 knots more
      {"LAS", 6, false, 250, 111}, {"LAS", 7, false, 260, 60},  // the 6-character 34000 ft group
      {"LAS", 8, false, 270, 65},                               // and the 39000 ft group
      {"LVS", 1, true, 0, 0},                                   // a blank group
      {"LVS", 3, false, 0, 1},                                  // 00 knots moves at 1 knot
      {"LVS", 4, false, 360, 1},  {"LVS", 8, true, 0, 0},
      {"TPH", 7, true, 0, 0},  // 37: no direction
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.index));
    const WindGroup g = decodeWindGroup(stationLine(c.id), c.index);
    EXPECT_EQ(g.Missing, c.missing);
    if (!c.missing) {
      EXPECT_EQ(g.Direction, c.direction);
      EXPECT_EQ(g.Speed, c.speed);
    }
  }
  EXPECT_EQ(decodeWindGroup(stationLine("LAS"), 7).Field, "266050");
}

TEST(WindsAloft, StationsAreLookedUpBelowTheFirstLine) {
  const std::vector<std::string> lines = vb::Split(windsTable(), "\n");
  EXPECT_TRUE(looksLikeWindsTable(lines));
  EXPECT_EQ(vb::Left(*findWindsStation(lines, "LAS"), 3), "LAS");
  EXPECT_FALSE(findWindsStation(lines, "las"));
  EXPECT_FALSE(findWindsStation({"LAS first", "ABC", "LAS last"}, "LAS"));  // first and last lines never
  EXPECT_FALSE(looksLikeWindsTable(vb::Split("<html><body>502 Bad Gateway</body></html>", "\n")));
}

TEST(WindsAloft, SettingsAndLevels) {
  const std::vector<std::string> plain = {"ESX N0Q : title", "18000 : Altitude ft", "36.0 : Lat", "-115.2 : Lon",
                                          "30R70 : squall rule"};
  WindsAloftSettings w = parseWindsAloftSettings(plain, false);
  EXPECT_EQ(w.Altitude, 18000);
  EXPECT_EQ(w.AltitudeText, "18000");
  EXPECT_EQ(w.Latitude, 36.0);
  EXPECT_EQ(w.Longitude, -115.2);
  EXPECT_EQ(w.RuleText, "");  // not ticked: no rule
  EXPECT_EQ(w.Turn, 0);
  EXPECT_EQ(w.Ratio, 1.0);
  w = parseWindsAloftSettings(plain, true);
  EXPECT_EQ(w.RuleText, "30R70");
  EXPECT_EQ(w.Turn, 30);
  EXPECT_DOUBLE_EQ(w.Ratio, 0.7);

  // A third line of 181 is the altitude text; 180 is the latitude.
  w = parseWindsAloftSettings({"t", "39001 : Altitude", "181 : shown", "36 : Lat", "-115 : Lon"}, true);
  EXPECT_EQ(w.AltitudeText, "181");
  EXPECT_EQ(w.Latitude, 36);
  w = parseWindsAloftSettings({"t", "0 : Altitude", "180 : Lat", "-115 : Lon"}, true);
  EXPECT_EQ(w.Latitude, 180);
  EXPECT_EQ(w.RuleText, "");
  EXPECT_THROW(parseWindsAloftSettings({"t", "18000 Altitude", "36", "-115"}, false), vb::Error);
  EXPECT_THROW(parseWindsAloftSettings({"t", "18000 : Altitude", "36"}, false), vb::Error);

  const struct {
    double altitude;
    int index;
  } levels[] = {{0, 4}, {18000, 4}, {18001, 5}, {3000, 0}, {34000, 7}, {39000, 8}, {39001, -1}};
  for (const auto& l : levels) EXPECT_EQ(windLevelIndex(l.altitude), l.index) << l.altitude;
}

TEST(WindsAloft, UpwindPointBearingsAndCompass) {
  // 35 kt from 250 degrees: 40.277 mph, 120.83 miles in three hours, worked by hand with the
  // great-circle destination formula.
  const GeoPoint p = greatCirclePoint(36.0, -115.2, 250, 3 * 35 * kKnotsToMph);
  EXPECT_NEAR(p.Latitude, 35.38500, 0.01);
  EXPECT_NEAR(p.Longitude, -117.21567, 0.01);
  EXPECT_EQ(turnedBearing(350, 30), 20);
  EXPECT_EQ(turnedBearing(330, 30), 0);
  EXPECT_EQ(stormHeading(250), 70);
  EXPECT_EQ(stormHeading(20), 200);
  EXPECT_EQ(compassName(349), "North");
  EXPECT_EQ(compassName(11.25), "North");  // half to even: index 0
  EXPECT_EQ(compassName(70), "ENE");
  EXPECT_EQ(windDescription(12, 22, "18000", "18000", "30R70"), "12 MPH NNE 22\u00B0 ALT 18000', 18000', 30R70");
}

TEST(WindsAloft, WorldFileAndPaths) {
  const auto w = parseWorldFile("0.01\r\n0\r\n0\r\n-0.01\r\n-120.0\r\n40.0\r\n");
  ASSERT_TRUE(w);
  EXPECT_EQ(w->A, 0.01);
  EXPECT_EQ(w->E, -0.01);
  EXPECT_FALSE(parseWorldFile("0.01\n0\n0\n-0.01\n-120.0"));
  EXPECT_FALSE(parseWorldFile("0.01\n0\n0\nabc\n-120.0\n40\n"));

  const std::string p = "/radar/WindsAloft_ESX_N0Q.txt";
  EXPECT_EQ(worldFilePathFor(p, false), "/radar/ESX_N0Q.pgw");
  EXPECT_EQ(worldFilePathFor(p, true), "/radar/ESX_N0Q_0.gfw");
  EXPECT_EQ(nowcastPathFor(p), "/radar/NowCast_ESX_N0Q.txt");
  EXPECT_EQ(historyPathFor(nowcastPathFor(p)), "/radar/NowCast_ESX_N0Q_RECENT.txt");
  EXPECT_EQ(graphicPathFor(historyPathFor(nowcastPathFor(p))), "/radar/NowCast_ESX_N0Q_RECENT.png");
}

// A program folder with the settings and world files of ESX N0Q and a server with the table.
struct WindsRun {
  testing::LoopbackHttpServer http;
  testing::TestSession t;
  std::filesystem::path folder = t.folder / "Skyvantor";
  std::string path;
  vb::VbDate expiry = 0;
  float x = 0, y = 0;

  explicit WindsRun(const std::string& altitude = "18000") {
    t.s.services.internet = std::make_shared<NetInternetSession>([this] { t.ui.doEvents(); }, 10000);
    t.s.ServerSettings[kAviationWeatherService] = http.base();
    t.s.BatchMode = true;
    t.s.RunDateTime = testing::kTestNow;
    t.s.errlog.setPath(t.folder / "Flumewright_errlog.txt");
    std::filesystem::create_directories(folder);
    t.s.SkyvantorFolder = folder.string() + "/";
    testing::writeFile(folder / "WindsAloft_ESX_N0Q.txt",
                       "ESX N0Q : title\r\n" + altitude + " : Altitude ft\r\n36.0 : Lat\r\n-115.2 : Lon\r\n");
    testing::writeFile(folder / "ESX_N0Q.pgw", "0.01\r\n0\r\n0\r\n-0.01\r\n-120.0\r\n40.0\r\n");
    http.routeText("/api/data/windtemp", windsTable());
    path = windsAloftPath(t.s, "ESX", "N0Q");
  }
  void run(const std::string& id = "LAS") { Windsaloft(t.s, path, id, expiry, x, y); }
  std::string nowcast() const { return testing::readFile(folder / "NowCast_ESX_N0Q.txt"); }
};

TEST(WindsAloft, NowcastFileAndHistoryFromTheTable) {
  WindsRun w;
  w.t.s.form.chkWindsaloftgraphic.Value = 1;
  w.run();
  EXPECT_EQ(w.path, (w.folder / "NowCast_ESX_N0Q.txt").string());
  EXPECT_NEAR(w.expiry, testing::kTestNow + kNowcastLifetime, 1e-9);
  // (-115.2 - -117.21567) / 0.01 / 180 and (36 - 35.385) / -0.01 / 180, by hand.
  EXPECT_NEAR(w.x, 1.11982, 0.003);
  EXPECT_NEAR(w.y, -0.34167, 0.003);
  const std::vector<std::string> lines = vb::splitLines(w.nowcast());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "2024-06-05 13:15 :Date");
  EXPECT_EQ(lines[1], "2024-06-05 13:43 :Expires");
  EXPECT_EQ(vb::Mid(lines[2], vb::InStr(lines[2], " ")), " :X pixels per minute east");
  EXPECT_NEAR(vb::Val(lines[2]), 1.11982, 0.003);
  EXPECT_EQ(lines[4], "40 MPH ENE 70\u00B0 ALT 18000', 18000', ");
  EXPECT_EQ(vb::Right(w.nowcast(), 2), "\r\n");
  EXPECT_EQ(testing::readFile(w.folder / "NowCast_ESX_N0Q_RECENT.txt"),
            "\r\nJun 05, 13:15, 40 MPH ENE 70\u00B0 ALT 18000', 18000', ");
  EXPECT_TRUE(std::filesystem::exists(w.folder / "NowCast_ESX_N0Q_RECENT.png"));
  EXPECT_EQ(w.t.s.Form3.AdjustTypeCaption, " > 40 MPH ENE 70\u00B0 ALT 18000', 18000', ");

  const auto back = readNowcastFile(w.path);
  ASSERT_TRUE(back);
  EXPECT_EQ(vb::Format(back->Expires, "yyyy-mm-dd hh:mm"), "2024-06-05 13:43");
  EXPECT_NEAR(back->X, w.x, 1e-5);
  EXPECT_NEAR(back->Y, w.y, 1e-5);
}

TEST(WindsAloft, WhatKeepsTheLastNowcastFile) {
  const struct {
    const char* name;
    std::string altitude, id, reply;
    const char* error;
  } cases[] = {
      {"error page", "18000", "LAS", "<html><body>502 Bad Gateway</body></html>", "no forecast table"},
      {"short text", "18000", "LAS", "FT\n", "no forecast table"},
      {"unknown station", "18000", "XYZ", "", "Nowcast NOAA airport ID on Flumewright_setup.txt not found: XYZ"},
      {"too high", "39001", "LAS", "", "altitude above 39000"},
      {"light and variable", "6000", "LAS", "", "Winds aloft direction missing at  6000 ft 9900+18"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WindsRun w(c.altitude);
    if (!c.reply.empty()) w.http.routeText("/api/data/windtemp", c.reply);
    testing::writeFile(w.folder / "NowCast_ESX_N0Q.txt", "last one\r\n");
    w.expiry = 5;
    w.run(c.id);
    EXPECT_EQ(w.expiry, 0);
    EXPECT_EQ(w.nowcast(), "last one\r\n");
    EXPECT_EQ(vb::Left(w.t.s.LastError, 12), "Windsaloft: ");
    EXPECT_NE(w.t.s.LastError.find(c.error), std::string::npos) << w.t.s.LastError;
    EXPECT_NE(testing::readFile(w.t.folder / "Flumewright_errlog.txt").find(w.t.s.LastError), std::string::npos);
  }
}

TEST(WindsAloft, MissingWorldFileChangesNothing) {
  WindsRun w;
  std::filesystem::remove(w.folder / "ESX_N0Q.pgw");
  w.expiry = 7;
  w.run();
  EXPECT_EQ(w.expiry, 7);
  EXPECT_FALSE(std::filesystem::exists(w.folder / "NowCast_ESX_N0Q.txt"));
  // In batch the box's text goes to the error log.
  EXPECT_NE(testing::readFile(w.t.folder / "Flumewright_errlog.txt").find("File not found: "), std::string::npos);
}

TEST(WindsAloft, ExpiredNowcastFileAndTrimmedHistory) {
  testing::TempFolder folder;
  const std::string path = (folder / "NowCast_ESX_N0Q.txt").string();
  EXPECT_FALSE(readNowcastFile(path));
  testing::writeFile(path, "2024-06-05 12:00 :Date\r\n2024-06-05 12:28 :Expires\r\n0.5 :X\r\n-0.25 :Y\r\nx\r\n");
  const auto m = readNowcastFile(path);
  ASSERT_TRUE(m);
  EXPECT_LT(m->Expires, testing::kTestNow);  // the radar batch asks for new winds
  EXPECT_EQ(m->X, 0.5f);
  EXPECT_EQ(m->Y, -0.25f);

  testing::TestSession t;
  const std::string history = (t.folder / "NowCast_ESX_N0Q_RECENT.txt").string();
  for (int i = 0; i < 200; ++i) appendHistoryRecord(history, "Jun 05, 13:15, 40 MPH ENE 70 ALT 18000', 18000', ");
  const auto before = std::filesystem::file_size(history);
  ASSERT_GT(before, static_cast<std::uintmax_t>(kNowcastHistoryLimit));
  ShrinkLog(t.s, history, kNowcastHistoryLimit);
  EXPECT_EQ(std::filesystem::file_size(history), before - before / 3 + 1);
}

}  // namespace
}  // namespace fw
