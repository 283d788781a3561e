// The hourly netCDF collection of a MADIS line: hours fetched from the loopback service, unpacked
// with 7za, dumped by madis_dump and merged into the history; and the dump on its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/vb/strings.h"
#include "retrieval/madis_collect.h"
#include "retrieval/madis_dump.h"
#include "retrieval/madis_history.h"
#include "retrieval_fixture.h"
#include "run/run_services.h"
#include "support/madis_netcdf.h"
#include "support/zone_guard.h"

namespace fw {
namespace {

using testing::MadisRecord;
using testing::readFile;
using testing::utcSeconds;
using testing::writeFile;
using testing::ZoneGuard;

const std::string kHourPath = "/madisPublic1/data/LDAD/mesonet/netCDF/";

MadisRecord record(const std::string& id, double lat, double lon, double seconds) {
  MadisRecord r;
  r.id = id;
  r.lat = lat;
  r.lon = lon;
  r.elevation = 1288;
  r.observationTime = seconds;
  r.temperature = 293.15;
  r.dewpoint = 273.15;
  r.relHumidity = 40;
  r.windDir = 270;
  r.windSpeed = 3.1;
  r.precipRate = 1e-6;  // m/s
  r.precipAccum = 2.5;  // mm
  r.solarRadiation = 500;
  r.stationPressure = 86000;
  r.altimeter = 101800;
  return r;
}

// Salt Lake inside the box, a station whose id begins alike, and Ogden north of the box.
std::vector<MadisRecord> hour(int utcHour) {
  const double t = utcSeconds(2024, 6, 5, utcHour, 0);
  return {record("KSLC", 40.77, -111.97, t), record("KSLCX", 40.5, -111.5, t + 300),
          record("KOGD", 41.2, -112.01, t)};
}

void makeExecutable(const std::filesystem::path& p, const std::string& script) {
  writeFile(p, script);
  ::chmod(p.c_str(), 0755);
}

// 13:15 MDT on 5 June 2024 is 19:15 UTC: with base1 2 a batch run fetches the UTC hours 18 and 19.
class MadisCollect : public testing::RetrievalFixture {
 protected:
  MadisCollect() {
    s.RunDateTime = testing::kTestNow;
    s.RunDay = 45448;
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.ServerSettings[kMadisService] = http.base();
  }
  SourceCall madisCall(const std::string& base1, const std::string& parameter = "") {
    SourceCall c;
    c.SourceType = 30;
    c.StationId = "MADIS";
    c.ParameterCode = parameter;
    c.DayCount = 1;
    c.Triples[1].base = base1;
    c.Triples[1].shift = "41, -111, 40, -112";  // north-east first
    return c;
  }
  void serve(int utcHour) {
    http.routeText(kHourPath + "20240605_" + (utcHour < 10 ? "0" : "") + std::to_string(utcHour) + "00.gz",
                   testing::madisHourGz(hour(utcHour)));
  }
  std::filesystem::path madis() const { return t.folder / "madis"; }
  bool loggedHas(const std::string& text) const {
    for (const std::string& l : logged())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  ZoneGuard zone{"America/Denver"};
};

TEST_F(MadisCollect, BatchHoursAreUnpackedDumpedAndMergedIntoTheHistory) {
  serve(18);
  serve(19);
  SourceCall c = madisCall("2");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(http.targets(),
            (std::vector<std::string>{kHourPath + "20240605_1800.gz", kHourPath + "20240605_1900.gz"}));

  const std::string history = readFile(t.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("gz 06-05-2024 18:00 GMT > 06-05-2024 12:00 local\n"), std::string::npos) << history;
  EXPECT_NE(history.find("gz 06-05-2024 19:00 GMT > 06-05-2024 13:00 local\n"), std::string::npos) << history;
  EXPECT_NE(history.find("KSLC      ,2024/06/05,18:00,MesoWest, ,273.15,V,40,V,101800,V,293.15,V,270,V,3.1,V,"
                         "0.001,V,0.0025,V,500,V,86000,V,40.7700 -111.9700 1288,\n"),
            std::string::npos)
      << history;
  EXPECT_NE(history.find("KSLCX     ,2024/06/05,19:05,"), std::string::npos);
  EXPECT_EQ(history.find("KOGD"), std::string::npos);  // outside the box
  EXPECT_NE(readFile(t.folder / "MadisNewF$.txt").find("gz 06-05-2024 19:00"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(madis() / "data/LDAD/mesonet/netCDF/20240605_1900"));
  EXPECT_TRUE(loggedHas("Madis 20240605_1800.gz"));
  // The parameter file holds the box south-west first, the last hour and the full list.
  const std::string par = readFile(madis() / "sfcdump.par");
  EXPECT_NE(par.find("40            SW corner lat\n-112          SW corner lon\n41            NE corner lat\n"
                     "-111          NE corner lon\n20240605_1900 Nominal time (in selected format)\n"),
            std::string::npos)
      << par;
  const std::string list = "\nTD\nRH\nALTSE\nT\nDD\nFF\nPCPRATE\nPCPTOTL\nSOLRAD\nP\nSTALOC\n";
  EXPECT_EQ(par.substr(par.size() - list.size()), list);

  // The station line reads the local hours in °F.
  std::string table, error;
  MadisRead(s, "KSLC", 45448, 45448, 6, table, error);
  EXPECT_EQ(error, "");
  const std::vector<std::string> rows = vb::Split(table, "\n");
  ASSERT_EQ(rows.size(), 5u) << table;
  EXPECT_EQ(rows[2].rfind("2024-06-05 12:00,18:00,MesoWest, ,32.0,V,40,V,1018.0,", 0), 0u) << rows[2];
  EXPECT_NE(rows[3].find(",68.0,V,"), std::string::npos) << rows[3];

  // A later run replaces the hours it fetches again and keeps the rest.
  serve(20);
  s.RunDateTime += 1.0 / 24;
  http.clearRequests();
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "");
  const std::string again = readFile(t.folder / "My5DayMadis.txt");
  for (const char* h :
       {"KSLC      ,2024/06/05,18:00", "KSLC      ,2024/06/05,19:00", "KSLC      ,2024/06/05,20:00"}) {
    const std::size_t at = again.find(h);
    EXPECT_NE(at, std::string::npos) << h;
    EXPECT_EQ(again.find(h, at + 1), std::string::npos) << h;
  }
}

TEST_F(MadisCollect, BaseBelowTwoReachesOneHourFurtherBackAndPrecipitationLinesDumpOnlyRain) {
  serve(17);
  serve(18);
  serve(19);
  SourceCall c = madisCall("1", "0");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(http.targets().size(), 3u);
  const std::string history = readFile(t.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("KSLC      ,2024/06/05,17:00,MesoWest, ,,,,,,,,,,,,,0.001,V,0.0025,V,,,,,,\n"),
            std::string::npos)
      << history;
  const std::string par = readFile(madis() / "sfcdump.par");
  const std::string list = "list, one name a line:\nPCPRATE\nPCPTOTL\n";
  EXPECT_EQ(par.substr(par.size() - list.size()), list);
}

// A variable in units the dump does not know leaves its column empty and says so in the error log.
TEST_F(MadisCollect, AVariableInUnknownUnitsIsLeftOutAndLogged) {
  auto units = testing::madisUnits();
  units["windSpeed"] = "furlong/fortnight";
  http.routeText(kHourPath + "20240605_1800.gz", testing::madisHourGz(hour(18), units));
  serve(19);
  SourceCall c = madisCall("2");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "");
  const std::string history = readFile(t.folder / "My5DayMadis.txt");
  EXPECT_NE(
      history.find("KSLC      ,2024/06/05,18:00,MesoWest, ,273.15,V,40,V,101800,V,293.15,V,270,V,,,0.001,V,"),
      std::string::npos)
      << history;
  EXPECT_TRUE(loggedHas("units \"furlong/fortnight\" of windSpeed are not known"));
}

// A missing hour ends the collection, but the hours before it reach the history.
TEST_F(MadisCollect, AMissingHourKeepsTheHoursBeforeIt) {
  serve(18);
  SourceCall c = madisCall("2");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "MADIS No gz zip data available for 20240605_1900.gz");
  EXPECT_EQ(s.LastError, "MADISMADIS No gz zip data available for 20240605_1900.gz");
  const std::string history = readFile(t.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("gz 06-05-2024 18:00"), std::string::npos);
  EXPECT_EQ(history.find("19:00 GMT"), std::string::npos);
}

// What fails an hour: a bad archive, a file that is no netCDF, no unpacker, an unpacker or dump
// that does not end. The history that was there stays as it was.
TEST_F(MadisCollect, FailedHoursGiveTheirTextsAndLeaveTheHistory) {
  const std::string old =
      "gz 06-05-2024 10:00 GMT > 06-05-2024 04:00 local\n"
      "KSLC      ,2024/06/05,10:00,MesoWest, ,,,,,,,,,,,,,0.001,V,0.0025,V,,,,,,\r\n";
  writeFile(t.folder / "My5DayMadis.txt", old);
  // Incompressible, so its archive stays past the short-reply limit.
  std::string junk;
  for (uint32_t x = 7; junk.size() < 3000;) {
    x = x * 1103515245u + 12345u;
    junk += static_cast<char>('0' + (x >> 16) % 75);
  }
  const std::filesystem::path emptyPath = t.folder / "nothing";
  std::filesystem::create_directories(emptyPath);
  struct Case {
    const char* name;
    std::string body;
    std::string error;  // "" : the dump's text
    std::function<void()> before, after;
  };
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  std::vector<Case> cases = {
      {"not gzip", junk, " Unzipper 7za.exe failed.", nullptr, nullptr},
      {"not netCDF", testing::gzipOf(junk), "", nullptr, nullptr},
      {"no 7za", testing::madisHourGz(hour(18)), " Unzipper 7za.exe failed.",
       [&] { ::setenv("PATH", emptyPath.c_str(), 1); }, [&] { ::setenv("PATH", savedPath.c_str(), 1); }},
      {"7za hangs", testing::madisHourGz(hour(18)), " Unzipper 7za.exe failed.",
       [&] {
         makeExecutable(t.folder / "7za", "#!/bin/sh\nsleep 20\n");
         s.MadisUnzipLimitMs = 300;
       },
       [&] { std::filesystem::remove(t.folder / "7za"); }},
      {"dump hangs", testing::madisHourGz(hour(18)), "",
       [&] {
         std::filesystem::create_directories(madis());
         makeExecutable(madis() / "madis_dump", "#!/bin/sh\nsleep 20\n");
         s.MadisDumpLimitMs = 300;
       },
       [&] { std::filesystem::remove(madis() / "madis_dump"); }},
  };
  for (Case& k : cases) {
    http.routeText(kHourPath + "20240605_1800.gz", k.body);
    if (k.before) k.before();
    SourceCall c = madisCall("2");
    const auto started = std::chrono::steady_clock::now();
    GetMadis(s, c);
    const auto took = std::chrono::steady_clock::now() - started;
    if (k.after) k.after();
    if (k.error.empty()) {
      EXPECT_NE(c.Error.find("madis_dump something went wrong"), std::string::npos)
          << k.name << ": " << c.Error;
    } else {
      EXPECT_EQ(c.Error, k.error) << k.name;
    }
    EXPECT_LT(took, std::chrono::seconds(10)) << k.name;
    EXPECT_EQ(readFile(t.folder / "My5DayMadis.txt"), old) << k.name;
    EXPECT_TRUE(http.targets().size() >= 1) << k.name;
    http.clearRequests();
  }
  EXPECT_TRUE(loggedHas("NetCDF: Unknown file format")) << vb::Join(logged(), "\n");
  EXPECT_TRUE(loggedHas("Hit OK when you got it copied."));
  EXPECT_TRUE(loggedHas("was stopped after its time limit"));
}

// An hour that unpacks past the download size limit is stopped there, fails and is removed; so is
// one on disk larger than the limit. The hours before it are kept.
TEST_F(MadisCollect, AnHourOverTheSizeLimitFailsAndIsRemoved) {
  s.DownloadSizeLimitMegabytes = 1;
  serve(18);
  // Compressed, a few kilobytes: unpacked, 3 MB.
  http.routeText(kHourPath + "20240605_1900.gz", testing::gzipOf(std::string(3u << 20, '\0')));
  const std::filesystem::path folder = madis() / "data/LDAD/mesonet/netCDF";
  const std::string error = " Madis hour 20240605_1900 unpacks to more than the download size limit of 1 MB; "
                            "the hour was removed.";
  SourceCall c = madisCall("2");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, error);
  EXPECT_FALSE(std::filesystem::exists(folder / "20240605_1900"));
  EXPECT_FALSE(std::filesystem::exists(folder / "20240605_1900.gz"));
  EXPECT_NE(readFile(t.folder / "My5DayMadis.txt").find("06-05-2024 18:00 GMT"), std::string::npos);

  // A large unpacked hour left on disk is not taken for a good one either.
  serve(19);
  std::filesystem::create_directories(folder);
  testing::writeMadisHour(folder / "20240605_1900", hour(19));
  std::filesystem::resize_file(folder / "20240605_1900", 400000001);  // sparse
  SourceCall again = madisCall("2");
  GetMadis(s, again);
  EXPECT_EQ(again.Error, error);
  EXPECT_FALSE(std::filesystem::exists(folder / "20240605_1900"));
}

// An unpacked hour of more than 400000000 bytes on disk, within a size limit raised above it, is
// dumped again without a download.
TEST_F(MadisCollect, ALargeUnpackedHourIsNotFetchedAgain) {
  s.DownloadSizeLimitMegabytes = 500;
  const std::filesystem::path folder = madis() / "data/LDAD/mesonet/netCDF";
  std::filesystem::create_directories(folder);
  testing::writeMadisHour(folder / "20240605_1800", hour(18));
  std::filesystem::resize_file(folder / "20240605_1800", 400000001);  // sparse
  // Old hours and archives go; a file whose name starts with no date stays.
  writeFile(folder / "20240530_1800.gz", "old");
  writeFile(folder / "notes_2020.txt", "mine");
  serve(19);
  SourceCall c = madisCall("2");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(http.targets(), (std::vector<std::string>{kHourPath + "20240605_1900.gz"}));
  const std::string history = readFile(t.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("file 06-05-2024 18:00 GMT > 06-05-2024 12:00 local\nKSLC"), std::string::npos)
      << history;
  EXPECT_FALSE(std::filesystem::exists(folder / "20240530_1800.gz"));
  EXPECT_TRUE(std::filesystem::exists(folder / "notes_2020.txt"));
}

// History mode keeps its hours in "MyUpdateMadis.txt", which station lines then read; whether they
// go into the history is asked once in the program's life.
TEST_F(MadisCollect, HistoryModeAsksOnceWhetherToInsertItsHours) {
  s.BatchMode = false;
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-06-05 12:00";
  s.form.TextEnddate.Text = "2024-06-05 13:00";
  serve(18);
  serve(19);
  t.ui.answers = {MsgResult::No};
  SourceCall c = madisCall("2");
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "");
  const std::string update = readFile(t.folder / "MyUpdateMadis.txt");
  EXPECT_EQ(update.rfind("06-05-2024 18:00 GMT > 06-05-2024 12:00 local\nKSLC", 0), 0u) << update;
  EXPECT_NE(update.find("\n06-05-2024 19:00 GMT"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(t.folder / "My5DayMadis.txt"));
  int asked = 0;
  for (const auto& b : t.ui.boxes)
    asked += b.text == "Do you want to insert this history hour into My5DayMadis.txt?";
  EXPECT_EQ(asked, 1);
  std::string table, error;
  MadisRead(s, "KSLC", 45448, 45448, 6, table, error);
  EXPECT_EQ(vb::Split(table, "\n").size(), 5u) << table;

  // The answer holds for the program's life: a second collection asks nothing and inserts nothing.
  GetMadis(s, c);
  asked = 0;
  for (const auto& b : t.ui.boxes)
    asked += b.text == "Do you want to insert this history hour into My5DayMadis.txt?";
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(std::filesystem::exists(t.folder / "My5DayMadis.txt"));
}

TEST_F(MadisCollect, YesInsertsHistoryHoursIntoTheHistory) {
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-06-05 12:00";
  s.form.TextEnddate.Text = "2024-06-05 13:00";
  serve(18);
  serve(19);
  SourceCall c = madisCall("2");
  GetMadis(s, c);  // batch: the question's default, Yes
  EXPECT_EQ(c.Error, "");
  const std::string history = readFile(t.folder / "My5DayMadis.txt");
  EXPECT_NE(history.find("KSLC      ,2024/06/05,18:00"), std::string::npos);
  EXPECT_NE(history.find("KSLC      ,2024/06/05,19:00"), std::string::npos) << history;
}

// Outside batch mode the window ends at the whole hour until six minutes past it.
TEST_F(MadisCollect, TheInteractiveWindowEndsAtTheHourUntilSixMinutesPast) {
  s.BatchMode = false;
  writeFile(t.folder / "My5DayMadis.txt", "");
  for (int h = 13; h <= 18; ++h) serve(h);
  for (const auto& [minute, hours] : {std::pair<int, std::size_t>{5, 2}, {7, 3}}) {
    s.RunDateTime = 45448 + (10 * 60 + minute) / 1440.0;  // 10:05 and 10:07 MDT
    t.ui.answers = {MsgResult::No};                       // just 2 hours
    http.clearRequests();
    SourceCall c = madisCall("2");
    GetMadis(s, c);
    EXPECT_EQ(c.Error, "") << minute;
    EXPECT_EQ(http.targets().size(), hours) << minute;
  }
  EXPECT_NE(t.ui.boxes.back().text.find("Yes=Full, No=2 hours, Cancel=skip"), std::string::npos);
}

// The dump alone: units, fill values and flags from the file, the box, and a bad parameter file.
TEST(MadisDump, ConvertsEachVariableFromItsOwnUnits) {
  testing::TempFolder folder;
  const std::filesystem::path nc = madisNetcdfFolder(folder.path());
  std::filesystem::create_directories(nc);
  MadisRecord r = record("AB12", 38.5, -121.5, utcSeconds(2024, 6, 5, 18, 20));
  r.temperature = 20;       // degC
  r.dewpoint = 50;          // degF
  r.altimeter = 1018;       // hPa
  r.windSpeed = 10;         // knots
  r.precipRate = 3.6;       // mm/h
  r.precipAccum = 1;        // inch
  r.stationPressure = NAN;  // missing
  r.qc = 'S';
  auto units = testing::madisUnits();
  units["temperature"] = "degC";
  units["dewpoint"] = "degF";
  units["altimeter"] = "hPa";
  units["windSpeed"] = "knot";
  units["precipRate"] = "mm/h";
  units["precipAccum"] = "inch";
  units["solarRadiation"] = "W/m2";
  testing::writeMadisHour(nc / "20240605_1800", {r, record("FAR", 45, -100, 0)}, units);
  // The default box lies 40 to 41 north, 112 to 111 west; this one reaches the record.
  std::string par = kDefaultSfcDumpPar;
  par = vb::Replace(par, "40.0          SW corner lat", "38.0          SW corner lat");
  par = vb::Replace(par, "-112.0        SW corner lon", "-122.0        SW corner lon");
  par = vb::Replace(par, "20240101_0000", "20240605_1800");
  writeFile(folder / "sfcdump.par", par);
  std::string error;
  ASSERT_TRUE(madisDump(folder.path(), error)) << error;
  EXPECT_EQ(readFile(folder / "sfcdump.txt"),
            "AB12      ,2024/06/05,18:20,MesoWest, ,283.15,S,40,S,101800,S,293.15,S,270,S,5.144444,S,0.001,S,"
            "0.0254,S,500,S,,,38.5000 -121.5000 1288,\n");

  // A parameter file without a corner, an hour that is not there, a file that is no netCDF.
  writeFile(folder / "sfcdump.par", vb::Replace(par, "NE corner lat", "NE corner"));
  EXPECT_FALSE(madisDump(folder.path(), error));
  EXPECT_EQ(error, "sfcdump.par has no NE corner lat");
  writeFile(folder / "sfcdump.par", vb::Replace(par, "20240605_1800", "20240605_1900"));
  EXPECT_FALSE(madisDump(folder.path(), error));
  EXPECT_NE(error.find("20240605_1900 not found"), std::string::npos) << error;
  writeFile(nc / "20240605_1800", std::string(2000, 'x'));
  writeFile(folder / "sfcdump.par", par);
  EXPECT_FALSE(madisDump(folder.path(), error));
  EXPECT_NE(error.find("NetCDF: Unknown file format"), std::string::npos) << error;
}

}  // namespace
}  // namespace fw
