// The California data exchange retriever: its requests, its text and what gives no line.
#include <functional>

#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "retrieval/cdec.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

std::vector<std::string> valueLines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& line : vb::Split(text, "\n"))
    if (line.compare(0, 2, "Z\t") == 0) out.push_back(line);
  return out;
}

TEST(CdecTransform, HourlyRowsGiveOneLinePerReadingOfTheStationsOwnDays) {
  const std::string reply = readFile(fixturesFolder() / "cdec/hourly_flow.csv");
  const std::string text = cdecTransform(reply, "ORO", "20", true);
  EXPECT_EQ(text.substr(0, 32), "California Data Exchange Center\n");
  const std::vector<std::string> lines = valueLines(text);
  // 24 + 24 readings less "m", "" and "---"; another station's row and a bad day give none.
  ASSERT_EQ(lines.size(), 45u);
  EXPECT_EQ(lines[0], "Z\tORO\t20\t2024-06-04 00:00\t1200");
  EXPECT_EQ(lines[1], "Z\tORO\t20\t2024-06-04 01:00\t1210");
  EXPECT_EQ(lines[2], "Z\tORO\t20\t2024-06-04 03:00\t-5");
  EXPECT_EQ(lines[3], "Z\tORO\t20\t2024-06-04 06:00\t1260");
  EXPECT_EQ(lines[20], "Z\tORO\t20\t2024-06-04 23:00\t1430");
  EXPECT_EQ(lines[21], "Z\tORO\t20\t2024-06-05 00:00\t1500");
  EXPECT_EQ(lines[44], "Z\tORO\t20\t2024-06-05 23:00\t1730");
  EXPECT_EQ(text.find("SHA"), std::string::npos);
  // The station is matched exactly.
  EXPECT_TRUE(valueLines(cdecTransform(reply, "oro", "20", true)).empty());
}

TEST(CdecTransform, DailyRowsRunToTheLastLineAndTheFirstRowLosesItsPrefix) {
  const std::string reply = readFile(fixturesFolder() / "cdec/daily_storage.csv");
  EXPECT_EQ(valueLines(cdecTransform(reply, "ORO", "15", false)),
            (std::vector<std::string>{"Z\tORO\t15\t2024-06-01 00:00\t3350000",
                                      "Z\tORO\t15\t2024-06-02 00:00\t3351000.5",
                                      "Z\tORO\t15\t2024-06-04 00:00\t-2"}));
  // Days and values that do not convert give no line and raise nothing.
  const std::string odd =
      "a\r\nb\r\nc\r\nd\r\n20240631,15,5\r\n20240601,15,1e\r\n20240602,15,.5\r\n20240603,15,+7";
  EXPECT_EQ(
      valueLines(cdecTransform(odd, "ORO", "15", false)),
      (std::vector<std::string>{"Z\tORO\t15\t2024-06-02 00:00\t0.5", "Z\tORO\t15\t2024-06-03 00:00\t7"}));
  // Leap days, and days the calendar does not have.
  const std::string days =
      "a\r\nb\r\nc\r\nd\r\n20240229,15,1\r\n20230229,15,2\r\n21000229,15,3\r\n20000229,15,4\r\n"
      "20241301,15,5\r\n20240400,15,6\r\n20240431,15,7\r\n10000101,15,9";
  EXPECT_EQ(valueLines(cdecTransform(days, "ORO", "15", false)),
            (std::vector<std::string>{"Z\tORO\t15\t2024-02-29 00:00\t1", "Z\tORO\t15\t2000-02-29 00:00\t4",
                                      "Z\tORO\t15\t1000-01-01 00:00\t9"}));
}

TEST(CdecTransform, ValueTextsAreTheNumbersOwnTexts) {
  for (const char* text : {"0",
                           "1",
                           "-5",
                           "1200",
                           "1210.5",
                           "-0.25",
                           "0.1",
                           "0.05",
                           "0.0001",
                           "0.00001",
                           "-0",
                           "007",
                           "1.50",
                           "+7",
                           ".5",
                           "1e3",
                           "123456789012345",
                           "1234567890123456",
                           "99999999999999.9",
                           "0.123456789012345",
                           "12.",
                           "1 2",
                           "1000.0",
                           "12.500",
                           "0.000",
                           "-0.0",
                           "00.50",
                           "1.5e20",
                           "123456789012345.0",
                           "1234567890123456.0"}) {
    SCOPED_TRACE(text);
    const std::optional<std::string> number = cdecNumberText(text);
    if (vb::IsNumeric(text))
      EXPECT_EQ(number, vb::CStr(vb::CDbl(text)));
    else
      EXPECT_EQ(number, std::nullopt);
  }
  EXPECT_EQ(cdecNumberText("m"), std::nullopt);
  EXPECT_EQ(cdecNumberText(""), std::nullopt);
}

class Cdec : public testing::RequestFixture {
 protected:
  Cdec() {
    http.route("/cgi-progs/getHourlyCSV", "cdec/hourly_flow.csv");
    http.route("/cgi-progs/queryCSV", "cdec/daily_storage.csv");
    reset();
  }
  void reset() override {
    call = SourceCall{};
    call.StationId = "ORO";
    call.ParameterCode = "20";
    call.DayCount = 2;
    call.UnitValues = true;
    call.RetrievalText = "the previous line's text";
  }
  void history(bool unitValues) { RequestFixture::history(unitValues, "2024-06-04 23:00"); }
};

TEST_F(Cdec, RequestsFollowTheModeAndTheLinesCodes) {
  struct Expect {
    std::size_t lines;
    bool wind;
  };
  const testing::RequestCase<Expect> cases[] = {
      {"real time",
       [] {},
       "/cgi-progs/"
       "getHourlyCSV?station_id=ORO&sensor_num=20&start_date=20240603&end_date=&data_wish=View+Hourly+"
       "CSV+Data",
       {45, false}},
      {"history hourly ends a day later",
       [&] { history(true); },
       "/cgi-progs/"
       "getHourlyCSV?station_id=ORO&sensor_num=20&start_date=2024-06-01%2000%3A00&end_date=2024-06-05&"
       "data_wish=View+Hourly+CSV+Data",
       {45, false}},
      {"history daily",
       [&] { history(false); },
       "/cgi-progs/"
       "queryCSV?station_id=ORO&sensor_num=20&dur_code=D&start_date=2024-06-01%2000%3A00&end_date=2024-"
       "06-04%2023%3A00&data_wish=View+CSV+Data",
       {3, false}},
      // The hourly reply read as days holds no day: an empty retrieval, nothing raised.
      {"real time with dailys",
       [&] { call.UnitValues = false; },
       "/cgi-progs/"
       "getHourlyCSV?station_id=ORO&sensor_num=20&start_date=20240603&end_date=&data_wish=View+Hourly+"
       "CSV+Data",
       {0, false}},
      {"wind direction",
       [&] { call.ParameterCode = "10"; },
       "/cgi-progs/"
       "getHourlyCSV?station_id=ORO&sensor_num=10&start_date=20240603&end_date=&data_wish=View+Hourly+"
       "CSV+Data",
       {45, true}},
      {"wind direction 77",
       [&] { call.ParameterCode = "77"; },
       "/cgi-progs/"
       "getHourlyCSV?station_id=ORO&sensor_num=77&start_date=20240603&end_date=&data_wish=View+Hourly+"
       "CSV+Data",
       {45, true}},
      {"010 is no wind",
       [&] { call.ParameterCode = "010"; },
       "/cgi-progs/"
       "getHourlyCSV?station_id=ORO&sensor_num=010&start_date=20240603&end_date=&data_wish=View+Hourly+"
       "CSV+Data",
       {45, false}},
      {"codes cannot change the query",
       [&] {
         call.StationId = "O&R";
         call.ParameterCode = "2 0#";
       },
       "/cgi-progs/getHourlyCSV?station_id=O%26R&sensor_num=2%200%23&start_date=20240603&end_date=&data_wish="
       "View+Hourly+CSV+Data",
       {0, false}},
  };
  checkRequests(
      cases, [&] { GetCDEC(s, call); },
      [&](const Expect& e) {
        EXPECT_EQ(valueLines(call.RetrievalText).size(), e.lines);
        EXPECT_EQ(call.RetrievalText.substr(0, 31), "California Data Exchange Center");
        EXPECT_EQ(call.WindDegrees, e.wind);
        EXPECT_EQ(call.Error, "");
      });
}

TEST_F(Cdec, DirectionsAreHandedOnInDegreesWithTheFlagSet) {
  http.routeText("/cgi-progs/getHourlyCSV",
                 "t\r\nt\r\nt\r\nt\r\nORO,10,20240604,90,360,270,m\r\nend\r\n\r\n");
  call.ParameterCode = "10";
  GetCDEC(s, call);
  EXPECT_TRUE(call.WindDegrees);
  EXPECT_EQ(valueLines(call.RetrievalText),
            (std::vector<std::string>{"Z\tORO\t10\t2024-06-04 00:00\t90", "Z\tORO\t10\t2024-06-04 01:00\t360",
                                      "Z\tORO\t10\t2024-06-04 02:00\t270"}));
}

TEST_F(Cdec, AFailedDownloadOrAnUnservedStationIsTheTitleAlone) {
  http.routeText("/cgi-progs/getHourlyCSV", "");
  GetCDEC(s, call);
  EXPECT_EQ(call.RetrievalText, "California Data Exchange Center\n");
  s.ServerSettings[kCdecService] = "http://127.0.0.1:1";
  GetCDEC(s, call);
  EXPECT_EQ(call.RetrievalText, "California Data Exchange Center\n");
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(call.Error, "");
}

}  // namespace
}  // namespace fw
