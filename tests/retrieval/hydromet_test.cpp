// The Hydromet retriever: requests by region and mode, its rows, the wind line, the ET hand-over.
#include <functional>

#include "platform/vb/strings.h"
#include "retrieval/et_site_text.h"
#include "retrieval/hydromet.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

const std::string kTitle = "Hydromet USBR Pacific Northwest Region\n";

std::string reply(const std::string& rows) {
  return "<pre>\nBEGIN DATA\nDATE       TIME\tA OB\n" + rows + "END DATA\n</pre>\nt1\nt2\n";
}

TEST(HydrometTransform, RowsFromTheFourthLineToTheFifthLastWithTheirModes) {
  struct Case {
    const char* name;
    std::string reply;
    std::function<void(HydrometRead&)> set;
    std::string text;
    bool data;
  } cases[] = {
      {"two parameters; a last field without a number is missing",
       readFile(fixturesFolder() / "hydromet/instant_two_params.txt"), [](HydrometRead&) {},
       "Z\t06/04/2024 00:00\t45.23\t3.4\nZ\t06/04/2024 00:15\t45.80\t-99\nZ\t06/04/2024 00:30\t46.10\t2.9\n"
       "Z\t06/04/2024 01:00\t46.50\t-99\n",
       true},
      {"a reading with its quality flag is the reading; only a blank field is missing",
       reply("06/04/2024 00:00\t    263.50e\t     12.00+\n06/04/2024 00:15\t    264.00m\t          \n"
             "06/04/2024 00:30\t          \t     13.10\n06/04/2024 00:45\t   -1.25e\tMISSING\n"),
       [](HydrometRead&) {},
       "Z\t06/04/2024 00:00\t263.50\t12\nZ\t06/04/2024 00:15\t264.00\t-99\n"
       "Z\t06/04/2024 00:30\t          \t13.1\nZ\t06/04/2024 00:45\t-1.25\t-99\n",
       true},
      {"a flagged direction is its degrees", reply("06/04/2024 00:00\t    263.50e\t      5.00\n"),
       [](HydrometRead& r) { r.WindRows = true; }, "Z\t06/04/2024 00:00\t263.50\t5\n", true},
      {"60 minutes keeps whole hours", readFile(fixturesFolder() / "hydromet/instant_two_params.txt"),
       [](HydrometRead& r) { r.WholeHours = true; },
       "Z\t06/04/2024 00:00\t45.23\t3.4\nZ\t06/04/2024 01:00\t46.50\t-99\n", true},
      {"the direction as received; a word keeps its field; no direction ends the line",
       readFile(fixturesFolder() / "hydromet/daycsv_wind.txt"), [](HydrometRead& r) { r.WindRows = true; },
       "Z\t06/04/2024 00:00\t90\t5.1\nZ\t06/04/2024 01:00\tCALM\t0\nZ\t06/04/2024 02:00\n"
       "Z\t06/04/2024 03:00\t270\t6\n",
       true},
      {"the extended end stops the rows",
       reply("06/04/2024 23:45\t1\n06/05/2024 00:00\t2\n06/05/2024 00:15\t3\n"),
       [](HydrometRead& r) { r.StopAt = 45448; }, "Z\t06/04/2024 23:45\t1\nZ\t06/05/2024 00:00\t2\n", true},
      {"five-minute steps", reply("06/04/2024 00:00\t1\n06/04/2024 00:15\t2\n"),
       [](HydrometRead& r) { r.FiveMinute = true; },
       "Z\t06-04-2024 00:05\t2\nZ\t06-04-2024 00:10\t2\nZ\t06-04-2024 00:15\t2\n", true},
      {"ET: the last field is the computed value; region 0 has a daily field times 24",
       reply("06/04/2024 00:00\t0.21\t5\t9\n"),
       [](HydrometRead& r) {
         r.EtValue = [](const std::vector<std::string>&) { return 1.5; };
         r.DailyColumn = 3;
       },
       "Z\t06/04/2024 00:00\t0.21\t120\t1.5\n", true},
      {"no data found", reply("No data found.\n\n"), [](HydrometRead&) {}, "", false},
      {"rows without a value", reply("06/04/2024 00:00\n"), [](HydrometRead&) {}, "Z\t06/04/2024 00:00\n",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HydrometRead read;
    c.set(read);
    const HydrometText t = hydrometTransform(c.reply, read);
    EXPECT_EQ(t.text, kTitle + c.text);
    EXPECT_EQ(t.HasData, c.data);
  }
}

TEST(EtSite, HourlyRowsAndSixtyMinuteRowsDifferByHalfAnHourOfSun) {
  const EtSite quarter = readEtSite("43.6,-116.2,-120,2700,1.2", "ETRS", 3, 4);
  const EtSite hour = readEtSite("43.6,-116.2,-120,2700,1.2", "ETRS", 3, 4, 1.0);
  EXPECT_DOUBLE_EQ(quarter.Offset, (-116.2 + 120) / 15 - 0.5);
  EXPECT_DOUBLE_EQ(hour.Offset, quarter.Offset - 0.5);
  EXPECT_EQ(quarter.SolarRegion, 3);
  EXPECT_EQ(readEtSite("43.6,-116.2,-120,2700,1.2", "ETRS", 4, 4).SolarRegion, 0);
}

class Hydromet : public testing::RequestFixture {
 protected:
  Hydromet() {
    http.route("/pn-bin/instant.pl", "hydromet/instant_two_params.txt");
    http.route("/pn-bin/daily.pl", "hydromet/instant_two_params.txt");
    http.route("/gp-bin/webdaycsv.pl", "hydromet/daycsv_wind.txt");
    http.route("/gp-bin/webacrcsv.pl", "hydromet/daycsv_wind.txt");
    reset();
  }
  void reset() override {
    call = SourceCall{};
    call.StationId = "USBRPN-FALN";
    call.ParameterCode = "OB";
    call.ParameterCodes = {"OB"};
    call.ParameterCount = 0;
    call.DayCount = 1;
    call.UnitValues = true;
    call.ValueColumns = {2};
  }
  void history(bool unitValues) { RequestFixture::history(unitValues, "2024-06-03 23:00"); }
};

TEST_F(Hydromet, RequestsFollowTheRegionTheModeAndTheParameters) {
  using Columns = std::vector<int16_t>;
  const testing::RequestCase<Columns> cases[] = {
      {"instant",
       [] {},
       "/pn-bin/instant.pl?station=FALN&year=2024&month=6&day=4&year=2024&month=6&day=5&pcode=OB&format=1",
       {2}},
      {"two parameters with an interval",
       [&] {
         call.ParameterCode = "15-OB,WS";
         call.ParameterCodes = {"15-OB", "WS"};
         call.ParameterCount = 1;
       },
       "/pn-bin/instant.pl?station=FALN&year=2024&month=6&day=4&year=2024&month=6&day=5&pcode=OB,WS&format=1",
       {2, 3}},
      {"another region asks the day report",
       [&] {
         call.StationId = "USBRGP-BOII";
         call.ParameterCode = "OB,WS";
         call.ParameterCodes = {"OB", "WS"};
         call.ParameterCount = 1;
       },
       "/gp-bin/webdaycsv.pl?parameter=BOII%20OB,BOII%20WS&syer=2024&smnth=6&sdy=4&eyer=2024&emnth=6&edy=5&"
       "format=1",
       {2, 3}},
      {"history unit values end a day later",
       [&] { history(true); },
       "/pn-bin/instant.pl?station=FALN&year=2024&month=6&day=1&year=2024&month=6&day=4&pcode=OB&format=1",
       {2}},
      {"history dailys",
       [&] { history(false); },
       "/pn-bin/daily.pl?station=FALN&year=2024&month=6&day=1&year=2024&month=6&day=3&pcode=OB&format=1",
       {2}},
      {"history dailys of another region",
       [&] {
         history(false);
         call.StationId = "USBRGP-BOII";
       },
       "/gp-bin/webacrcsv.pl?parameter=BOII%20OB&syer=2024&smnth=6&sdy=1&eyer=2024&emnth=6&edy=3&format=1",
       {2}},
      {"codes cannot change the query",
       [&] {
         call.StationId = "USBRGP-BO&I";
         call.ParameterCode = "O#";
       },
       "/gp-bin/"
       "webdaycsv.pl?parameter=BO%26I%20O%23&syer=2024&smnth=6&sdy=4&eyer=2024&emnth=6&edy=5&format=1",
       {2}},
  };
  checkRequests(
      cases, [&] { GetHydromet(s, call); },
      [&](const Columns& columns) {
        EXPECT_EQ(call.ValueColumns, columns);
        EXPECT_EQ(call.Error, "");
        EXPECT_FALSE(call.WindDegrees);
        EXPECT_EQ(call.RetrievalText.substr(0, kTitle.size()), kTitle);
      });
}

TEST_F(Hydromet, TheWindLineAsksSpeedTooAndReadsTheDirectionInDegrees) {
  call.StationId = "USBRGP-BOII";
  call.ParameterCode = "wd";
  call.ParameterCodes = {"wd"};
  GetHydromet(s, call);
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(
      http.targets()[0],
      "/gp-bin/webdaycsv.pl?parameter=BOII%20WD,BOII%20WS&syer=2024&smnth=6&sdy=4&eyer=2024&emnth=6&edy=5&"
      "format=1");
  EXPECT_TRUE(call.WindDegrees);
  EXPECT_EQ(call.ParameterCount, 0);  // the value is the direction: Columns[0]
  EXPECT_EQ(call.ValueColumns, (std::vector<int16_t>{2, 3}));
  EXPECT_EQ(call.RetrievalText, kTitle +
                                    "Z\t06/04/2024 00:00\t90\t5.1\nZ\t06/04/2024 01:00\tCALM\t0\n"
                                    "Z\t06/04/2024 02:00\nZ\t06/04/2024 03:00\t270\t6\n");
}

TEST_F(Hydromet, SixtyMinutesAndFiveMinuteLines) {
  call.ParameterCode = "60-OB";
  GetHydromet(s, call);
  EXPECT_EQ(
      http.targets().back(),
      "/pn-bin/instant.pl?station=FALN&year=2024&month=6&day=4&year=2024&month=6&day=5&pcode=OB&format=1");
  EXPECT_EQ(call.RetrievalText,
            kTitle + "Z\t06/04/2024 00:00\t45.23\t3.4\nZ\t06/04/2024 01:00\t46.50\t-99\n");

  reset();
  call.StationId = "USBRPN-FALN,5";
  GetHydromet(s, call);
  const std::vector<std::string> lines = vb::Split(call.RetrievalText, "\n");
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[1], "Z\t06-04-2024 00:05\t45.80\t-99");
  EXPECT_EQ(lines[12], "Z\t06-04-2024 01:00\t46.50\t-99");
}

TEST_F(Hydromet, NoRowsIsNoDataFoundInTheErrorTheLastErrorAndTheLog) {
  http.routeText("/pn-bin/instant.pl", reply("No data found.\n"));
  GetHydromet(s, call);
  EXPECT_EQ(call.Error, "No data found.  ");
  EXPECT_EQ(s.LastError, "No data found.  ");
  EXPECT_EQ(logged().back(), "No data found.  ");
  EXPECT_EQ(call.RetrievalText, kTitle);

  s.ServerSettings[kHydrometService] = "http://127.0.0.1:1";
  GetHydromet(s, call);
  EXPECT_EQ(call.Error, "No data found.  ");
  EXPECT_TRUE(s.InternetFailed);
}

TEST_F(Hydromet, AnEtLineHandsItsRowsOnOrEndsWhileThereIsNoComputation) {
  call.DatatypeCode = 27;
  call.ParameterCode = "OB,WS";
  call.ParameterCodes = {"OB", "WS"};
  call.ParameterCount = 1;
  call.LineText = "43.6,-116.2,-120,2700,1.2";
  GetHydromet(s, call);
  EXPECT_EQ(call.Error, kEtNotAvailable);
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(call.RetrievalText, kTitle);

  std::vector<std::string> rows;
  s.EToHourly = [&rows](Session&, const EtHourRow& r) -> std::optional<std::string> {
    rows.push_back(vb::Join(r.fields, "|") + " " + std::to_string(r.site.SolarRegion));
    return "0.25";
  };
  GetHydromet(s, call);
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(rows, (std::vector<std::string>{"06/04/2024 00:00|45.23|3.4 3", "06/04/2024 00:15|45.80|-99 3",
                                            "06/04/2024 00:30|46.10|2.9 3", "06/04/2024 01:00|46.50|-99 3"}));
  EXPECT_NE(call.RetrievalText.find("Z\t06/04/2024 00:15\t45.80\t0.25\n"), std::string::npos);
}

}  // namespace
}  // namespace fw
