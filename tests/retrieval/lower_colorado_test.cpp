// The Lower Colorado reports: the hourly report's series, the database page, one download a station.
#include <filesystem>

#include "retrieval/hydromet.h"
#include "retrieval/lower_colorado.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

TEST(LowerColoradoReport, TheSitesSeriesAfterTheBeginDayOrNotFound) {
  const std::string doc = readFile(fixturesFolder() / "lower_colorado/hourly_report.json");
  struct Case {
    std::string site, code, text;
  } cases[] = {
      // The item at the begin day's midnight and the item without a value give no line.
      {"Davis Dam", "Release", "Davis Dam\nZ\t2024/06/04 01:00\t3\nZ\t2024/06/04 03:00\t5\n"},
      {"Davis Dam", "Elevation", "Davis Dam\nZ\t2024/06/04 01:00\t644.2\nZ\t2024/06/04 02:00\t644.3\n"},
      {"Hoover Dam", "Release", "Hoover Dam\nZ\t2024/06/04 02:00\t9200\nZ\t2024/06/04 03:00\t9300\n"},
      {"Parker Dam", "Release", "Parker Dam, Release Not found"},
      {"Hoover Dam", "Elevation", "Hoover Dam, Elevation Not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.site + " " + c.code);
    EXPECT_EQ(lowerColoradoReport(doc, c.site, c.code, 45447), c.text);
  }
}

TEST(LowerColoradoDatabase, RowsAfterTheHeadingSumTheirPartsByCount) {
  EXPECT_EQ(
      lowerColoradoDatabase(readFile(fixturesFolder() / "lower_colorado/hdb_page.html")),
      "Z\t06/05/2024 01:00\t100\nZ\t06/05/2024 03:00\t30\nZ\t06/05/2024 04:00\t61\nZ\t06/05/2024 05:00\t3\n");
  EXPECT_EQ(lowerColoradoDatabase("no heading<BR>06/05/2024 01:00, 2, 5<BR>"), "");
}

class LowerColorado : public testing::RetrievalFixture {
 protected:
  LowerColorado() {
    s.RunDateTime = testing::kTestNow;  // 2024-06-05 13:15
    s.RunDay = 45448;
    s.RealtimeMode = true;
    s.ServerSettings[kLowerColoradoReportKey] = "lc/hourly/report.json";
    http.route("/lc/hourly/report.json", "lower_colorado/hourly_report.json");
    http.route("/pn-bin/hdb/hdb.pl", "lower_colorado/hdb_page.html");
    std::filesystem::current_path(t.folder.path());
    call.StationId = "USBRLC";
    call.ParameterCode = "Release";
    call.SiteText = "Davis Dam";
    call.FirstDay = 45447;
    call.DayCount = 1;
    call.ValueColumns = {2};
  }
  ~LowerColorado() override { std::filesystem::current_path(home); }
  std::filesystem::path home = std::filesystem::current_path();
  SourceCall call;
};

TEST_F(LowerColorado, TwoLinesOfAStationShareOneDownload) {
  GetHydromet(s, call);
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(call.RetrievalText, "Davis Dam\nZ\t2024/06/04 01:00\t3\nZ\t2024/06/04 03:00\t5\n");
  EXPECT_EQ(call.RetrievalCacheId, "USBRLC");
  EXPECT_EQ(call.ValueColumns, std::vector<int16_t>{2});
  EXPECT_EQ(readFile(t.folder / "usbrLC.txt"), call.RetrievalText);
  EXPECT_EQ(readFile(t.folder / "usbrlc_otxt.txt"),
            readFile(fixturesFolder() / "lower_colorado/hourly_report.json"));

  call.ParameterCode = "Elevation";
  GetHydromet(s, call);
  EXPECT_EQ(http.targets(), std::vector<std::string>{"/lc/hourly/report.json"});
  EXPECT_EQ(call.RetrievalText, "Davis Dam\nZ\t2024/06/04 01:00\t644.2\nZ\t2024/06/04 02:00\t644.3\n");

  // Another station downloads again.
  call.RetrievalCacheId = "USBRPN-FALN";
  GetHydromet(s, call);
  EXPECT_EQ(http.targets().size(), 2u);
}

TEST_F(LowerColorado, TheDatabaseQueryAsksTheRunDaysForward) {
  call.StationId = "USBRLC-2100";
  call.DayCount = 3;
  GetHydromet(s, call);
  EXPECT_EQ(http.targets(),
            std::vector<std::string>{"/pn-bin/hdb/hdb.pl?svr=lchdb&sdi=2100&tstp=HR&t1=2024-06-05&"
                                     "t2=2024-06-08&table=M&mrid=2&format=1"});
  EXPECT_EQ(call.RetrievalText.substr(0, 23), "Z\t06/05/2024 01:00\t100\n");
  EXPECT_EQ(readFile(t.folder / "usbrLC.txt"), call.RetrievalText);
}

TEST_F(LowerColorado, ASeriesNotFoundIsAnEmptyRetrievalAndNoReportPathIsAnError) {
  call.SiteText = "Parker Dam";
  GetHydromet(s, call);
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(call.RetrievalText, "Parker Dam, Release Not found");

  s.ServerSettings.erase(kLowerColoradoReportKey);
  call.RetrievalCacheId.clear();
  call.RetrievalText = "Z\t2024/06/04 01:00\t7\nZ\t2024/06/04 02:00\t8\nthe previous line's text\n";
  GetHydromet(s, call);
  EXPECT_EQ(call.RetrievalText, "");
  EXPECT_EQ(call.Error, "no hourly report is named: set \"Lower Colorado Report=\" in the setup file");
  EXPECT_EQ(s.LastError, "USBRLC " + call.Error);
  EXPECT_EQ(logged().back(), s.LastError);
}

}  // namespace
}  // namespace fw
