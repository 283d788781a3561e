// Snow-telemetry stations: requests, the report text, reports that are not there and a service
// that is down.
#include "retrieval/snotel.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

const int32_t kRunDay = static_cast<int32_t>(vb::DateSerial(2024, 6, 5));

TEST(SnotelRequest, RealTimeAsksHoursBackAndHistoryAsksTheDataPages) {
  struct Case {
    bool realtime, unitValues;
    int32_t days;
    std::string path;
  } cases[] = {
      {true, true, 0,
       "/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/WTEQ::value"},
      {true, true, 2,
       "/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-48,0/WTEQ::value"},
      {false, true, 2, "/nwcc/sntl-datarpt.jsp?site=927&days=12&state=AZ"},
      {false, false, 2, "/nwcc/sntl-data0000.jsp?site=927&days=0&state=AZ"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(snotelRequest(c.realtime, c.unitValues, "927", "AZ", "WTEQ", c.days, kRunDay - 10, kRunDay),
              c.path);
  // A substituted value is not scanned again ("AZ" inside the element stays), odd texts are encoded.
  EXPECT_EQ(snotelRequest(true, true, "927", "AZ", "AZ-33 X", 1, kRunDay, kRunDay),
            "/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/AZ-33%20X::value");
}

TEST(SnotelTransform, RowsAfterTheGmtLineFromTheBeginDayTheLastLineToo) {
  bool report = false;
  const std::string text = snotelTransform(testing::readFile(testing::fixturesFolder() / "snotel/report.csv"),
                                           kRunDay - 1, report);
  EXPECT_TRUE(report);
  EXPECT_EQ(text,
            "Equivalent Depth Precipitation Temp\n"
            "Z\t2024-06-04 00:00\t3.3\n"
            "Z\t2024-06-04 01:00\t3.3\n"
            "Z\t2024-06-04 02:00\t\n"
            "Z\t2024-06-05 11:00\t3.2\n"
            "Z\t2024-06-05 12:00\t3.4\n");
}

TEST(SnotelTransform, TheFirstHashWithinThreeCharactersAndAGmtLineMakeAReport) {
  const std::string rest = "# comment\nDate (GMT-08:00),SWE\n2024-06-05 01:00,2.0\r\n";
  struct Case {
    std::string reply;
    bool report;
  } cases[] = {
      {rest, true},
      {"\n\n" + rest, true},     // "#" as the third character
      {"\n\n\n" + rest, false},  // as the fourth
      {"", false},
      {"# comment\nDate (PST),SWE\n2024-06-05 01:00,2.0\n", false},  // no "GMT"
      {"<html>error page</html>", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    bool report = !c.report;
    const std::string text = snotelTransform(c.reply, kRunDay, report);
    EXPECT_EQ(report, c.report);
    EXPECT_EQ(text, c.report ? "Equivalent Depth Precipitation Temp\nZ\t2024-06-05 01:00\t2.0\n" : "");
  }
  bool report = false;
  EXPECT_THROW(snotelTransform("#\nGMT\nnot a date at all,1\n", kRunDay, report), vb::Error);
}

class SnotelRun : public testing::RetrievalFixture {
 protected:
  SnotelRun() {
    s.RunDay = kRunDay;
    s.RunDateTime = kRunDay + 0.5;
    s.RealtimeMode = true;
    s.UnitValues = true;
    s.SiteState = "AZ";
    s.BatchMode = true;
    c.StationId = "927";
    c.ParameterCode = "WTEQ";
    c.DayCount = 1;
    c.ValueColumns = {0};
    c.DateValues = {1.0, 2.0, 3.0};
  }
  SourceCall c;
};

TEST_F(SnotelRun, AReportIsAskedForTheStationTripletAndItsValueIsField2) {
  http.route("/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/WTEQ::value",
             "snotel/report.csv");
  GetSNOTEL(s, c);
  EXPECT_EQ(
      http.targets(),
      std::vector<std::string>{"/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/"
                               "WTEQ::value"});
  EXPECT_EQ(vb::Split(c.RetrievalText, "\n").size(), 7u);
  EXPECT_EQ(c.ValueColumns.at(0), 2);
  EXPECT_EQ(c.DateValues, (std::array<vb::VbDate, 3>{}));
  EXPECT_FALSE(c.SnotelStop);
}

TEST_F(SnotelRun, AReplyWithoutAReportEndsOnlyItsLineAServiceThatIsDownStopsTheRest) {
  http.routeText("/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/WTEQ::value",
                 "<html>No station</html>");
  GetSNOTEL(s, c);
  EXPECT_EQ(c.RetrievalText, "");
  EXPECT_FALSE(c.SnotelStop);

  int port = 0;
  {
    testing::LoopbackHttpServer gone;
    port = gone.port();
  }
  s.ServerSettings[kSnotelService] = "http://127.0.0.1:" + std::to_string(port);
  GetSNOTEL(s, c);
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(c.RetrievalText, "");
  EXPECT_TRUE(c.SnotelStop);
}

TEST_F(SnotelRun, ARowThatCannotBeReadGoesToLastErrorAndTheErrorLog) {
  http.routeText("/reportGenerator/view_csv/customSingleStationReport/hourly/927:AZ:SNTL/-24,0/WTEQ::value",
                 "#\nDate (GMT-07:00),SWE\nthis is not a date,1\n");
  GetSNOTEL(s, c);
  EXPECT_EQ(c.RetrievalText, "");
  EXPECT_EQ(s.LastError, "927WTEQType mismatch");
  EXPECT_EQ(logged().back(), "927WTEQType mismatch");
  EXPECT_FALSE(c.SnotelStop);
}

}  // namespace
}  // namespace fw
