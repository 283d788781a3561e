// KiWIS series: the request and its credentials, UTC stamps to local time, the window's ends and
// what never reaches a message.
#include <cstdlib>
#include <ctime>
#include <optional>

#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "retrieval/kiwis.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"
#include "support/zone_guard.h"

namespace fw {
namespace {

const int32_t kFirst = static_cast<int32_t>(vb::DateSerial(2024, 6, 4));
const int32_t kLast = static_cast<int32_t>(vb::DateSerial(2024, 6, 5));
const std::string kQuery =
    "/KiWIS/"
    "KiWIS?service=kisters&type=queryServices&request=getTimeseriesValues&datasource=0&format=Ascii&ts_"
    "id=12345042&from=2024-06-04&to=2024-06-06";

TEST(KiwisRequest, DatesAreShiftedToUtcDaysAndCredentialsAreFilledInOnePass) {
  EXPECT_EQ(kiwisRequest("https://kiwis.example.org", {"12345042"}, kFirst, kLast, 6),
            "https://kiwis.example.org" + kQuery);
  // East of UTC the days begin on the day before.
  EXPECT_EQ(
      kiwisRequest("http://h", {"1"}, kFirst, kLast, -2),
      "http://h/KiWIS/KiWIS?service=kisters&type=queryServices&request=getTimeseriesValues&datasource=0&"
      "format=Ascii&ts_id=1&from=2024-06-03&to=2024-06-05");
  // Two entries carry no credentials; with three, a password holding placeholders stays whole.
  EXPECT_EQ(kiwisRequest("http://h", {"12345042", "user"}, kFirst, kLast, 6), "http://h" + kQuery);
  EXPECT_EQ(kiwisRequest("http://h", {"12345042", "us er", "aPW&KTS_ID#"}, kFirst, kLast, 6),
            "http://h" + kQuery + "&kiUser=us%20er&kiPassword=aPW%26KTS_ID%23");
}

TEST(KiwisTransform, UtcToLocalFromTheFirstMidnightThroughTheWholeLastDay) {
  const std::string text = kiwisTransform(testing::readFile(testing::fixturesFolder() / "kiwis/values.txt"),
                                          "12345042", kFirst, kLast, 6);
  EXPECT_EQ(text,
            "12345042\n"
            "Z\t2024-06-04 00:00\t1.234\n"
            "Z\t2024-06-04 06:00\t1.240\n"  // 14:00 at +02:00
            "Z\t2024-06-05 23:30\t1.300\n");
  struct Case {
    std::string stamp;
    double offset;
    std::string local;  // empty: left out
  } cases[] = {
      {"2024-06-05T00:00:00Z", 6, "2024-06-04 18:00"},  // the end day's 00:00 UTC
      {"2024-06-06T00:00:00Z", 0, ""},                  // midnight after the end day
      {"2024-06-05T23:59:00Z", 0, "2024-06-05 23:59"},
      {"2024-06-04T00:00", 0, "2024-06-04 00:00"},  // no zone: UTC
      {"2024-06-04T01:00:00-0500", 0, "2024-06-04 06:00"},
      {"2024-06-03T23:00:00.000Z", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stamp);
    const std::string out = kiwisTransform("#h\n" + c.stamp + "\t7\n", "1", kFirst, kLast, c.offset);
    EXPECT_EQ(out, c.local.empty() ? "1\n" : "1\nZ\t" + c.local + "\t7\n");
  }
  // Comments and lines without TAB are passed over; a stamp that cannot be read raises.
  EXPECT_EQ(kiwisTransform("x\n#2024-06-04T01:00\t1\nno tab here\n", "1", kFirst, kLast, 0), "1\n");
  EXPECT_THROW(kiwisTransform("x\nsoon\t1\n", "1", kFirst, kLast, 0), vb::Error);
}

using testing::ZoneGuard;

class KiwisRun : public testing::RetrievalFixture {
 protected:
  KiwisRun() {
    t.clock.set(vb::DateSerial(2024, 6, 5) + vb::TimeSerial(13, 15, 0));  // daylight time: UTC - 6
    s.RunDay = kLast;
    s.RunDateTime = t.clock.now();
    s.RealtimeMode = true;
    s.BatchMode = true;
    c.SiteText = http.base();
    c.ParameterCodes = {"12345042", "fw user", "PW#secret"};
    c.ParameterCount = 2;
    c.FirstDay = kFirst;
    c.LastDay = kLast;
    c.DayCount = 1;
  }
  // Nothing the user could read holds the password.
  void expectNoPassword() const {
    EXPECT_EQ(c.Error.find("secret"), std::string::npos) << c.Error;
    EXPECT_EQ(s.LastError.find("secret"), std::string::npos) << s.LastError;
    for (const std::string& line : logged()) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
  }
  ZoneGuard zone{"America/Denver"};
  SourceCall c;
};

TEST_F(KiwisRun, TheSeriesIsAskedWithItsCredentialsAndReadInLocalTime) {
  http.route("/KiWIS/KiWIS", "kiwis/values.txt");
  GetKiWIS(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(http.targets(), std::vector<std::string>{kQuery + "&kiUser=fw%20user&kiPassword=PW%23secret"});
  EXPECT_EQ(c.RetrievalText,
            "12345042\nZ\t2024-06-04 00:00\t1.234\nZ\t2024-06-04 06:00\t1.240\nZ\t2024-06-05 23:30\t1.300\n");
  expectNoPassword();
}

TEST_F(KiwisRun, HistoryTakesTheBoxesDaysAndWritesThemBack) {
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-06-01 00:00";
  s.form.TextEnddate.Text = "2024-06-02 00:00";
  http.routeText("/KiWIS/KiWIS", "#none\n");
  GetKiWIS(s, c);
  EXPECT_EQ(c.FirstDay, static_cast<int32_t>(vb::DateSerial(2024, 6, 1)));
  EXPECT_EQ(c.LastDay, static_cast<int32_t>(vb::DateSerial(2024, 6, 2)));
  EXPECT_EQ(c.DayCount, 1);
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_NE(http.targets()[0].find("&from=2024-06-01&to=2024-06-03&"), std::string::npos);
  EXPECT_EQ(c.RetrievalText, "12345042\n");
}

TEST_F(KiwisRun, FailuresSayWhatHappenedWithoutTheCredentials) {
  struct Case {
    std::string server;
    std::string reply;
    std::string error;
  } cases[] = {
      {"ftp://kiwis.example.org", "", "--The KiWIS server \"ftp://kiwis.example.org\""},
      {"kiwis.example.org", "", "--The KiWIS server \"kiwis.example.org\""},
      {http.base(), "#h\nsecret\t1\n", "--Type mismatch"},
      {http.base(), "", ""},  // an empty reply is an empty retrieval
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.server + " " + k.reply);
    http.clearRequests();
    http.routeText("/KiWIS/KiWIS", k.reply);
    c.SiteText = k.server;
    GetKiWIS(s, c);
    EXPECT_EQ(c.Error.substr(0, k.error.size()), k.error);
    EXPECT_EQ(c.Error.empty(), k.error.empty());
    EXPECT_EQ(http.targets().size(), k.server == http.base() ? 1u : 0u);
    expectNoPassword();
  }
  // A service that is down: GetURL's own text names the server alone.
  int port = 0;
  {
    testing::LoopbackHttpServer gone;
    port = gone.port();
  }
  c.SiteText = "http://127.0.0.1:" + std::to_string(port);
  GetKiWIS(s, c);
  EXPECT_TRUE(s.InternetFailed);
  EXPECT_EQ(c.RetrievalText, "12345042\n");
  expectNoPassword();
}

}  // namespace
}  // namespace fw
