// Gauges through the USGS Water Data API: the continuous collection's pages read into the same
// retrieval text the instantaneous-values service's RDB gives, the faults a reply can hold, the
// paging, the key, the rate limit and the fall-back from a legacy service that is gone.
#include <filesystem>

#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "retrieval/retrieval_fixture.h"
#include "retrieval/usgs.h"
#include "retrieval/usgs_waterdata.h"
#include "run/run_services.h"
#include "support/zone_guard.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

constexpr int32_t kJune4 = 45447;
const char* const kItems = "/ogcapi/v0/collections/continuous/items";

std::string fixture(const std::string& name) {
  return readFile(fixturesFolder() / "usgs" / name);
}

std::vector<WaterDataReading> pages(std::initializer_list<const char*> names) {
  std::vector<WaterDataReading> all;
  for (const char* name : names) {
    WaterDataPage p = readContinuousPage(fixture(std::string("waterdata/") + name), "cfs");
    all.insert(all.end(), p.readings.begin(), p.readings.end());
  }
  return all;
}

// The value lines of a retrieval text.
std::vector<std::string> valueLines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& line : vb::Split(text, "\n"))
    if (line.rfind("Z\t", 0) == 0) out.push_back(line);
  return out;
}

// A page of one feature with these properties (JSON members, comma-separated).
std::string onePage(const std::string& properties) {
  return R"({"type": "FeatureCollection", "features": [{"type": "Feature", "id": "a", "geometry": null,
    "properties": {)" +
         properties + R"(}}], "numberReturned": 1, "links": []})";
}

TEST(WaterDataTransform, PagesGiveTheRetrievalTextOfTheSameReadingsServedAsRdb) {
  testing::ZoneGuard zone("America/Phoenix");  // MST all year, as the RDB reply's tz_cd
  const std::string rdb = fixture("iv_lees_ferry.rdb");
  for (bool fiveMinute : {false, true}) {
    SCOPED_TRACE(fiveMinute);
    const UsgsText want = usgsTransform(rdb, kJune4, false, fiveMinute, "00060");
    const UsgsText got = usgsTransform(
        waterDataRdb("09380000", {"00060"}, {pages({"continuous_page1.json", "continuous_page2.json"})}),
        kJune4, false, fiveMinute, "00060");
    EXPECT_EQ(got.ValueField, want.ValueField);
    EXPECT_EQ(got.ValueField, 4);
    ASSERT_EQ(valueLines(want.text).size(), fiveMinute ? 444u : 149u);
    EXPECT_EQ(valueLines(got.text), valueLines(want.text));
    if (fiveMinute) {
      EXPECT_EQ(got.text, want.text);
    }
  }
  // One page: the first hundred readings of the same text.
  const auto first =
      valueLines(usgsTransform(waterDataRdb("09380000", {"00060"}, {pages({"continuous_page1.json"})}),
                               kJune4, false, false, "00060")
                     .text);
  const auto all = valueLines(usgsTransform(rdb, kJune4, false, false, "00060").text);
  ASSERT_EQ(first.size(), 100u);
  EXPECT_EQ(first, std::vector<std::string>(all.begin(), all.begin() + 100));

  WaterDataPage p1 = readContinuousPage(fixture("waterdata/continuous_page1.json"), "cfs");
  EXPECT_EQ(p1.next.find("https://api.waterdata.usgs.gov/ogcapi/v0/collections/continuous/items?cursor="),
            0u);
  EXPECT_EQ(readContinuousPage(fixture("waterdata/continuous_page2.json"), "").next, "");
  WaterDataPage empty = readContinuousPage(fixture("waterdata/continuous_empty.json"), "cfs");
  EXPECT_TRUE(empty.readings.empty());
  EXPECT_EQ(empty.next, "");
}

// The night daylight time ends: UTC instants become the repeated local hour, EDT then EST, and
// the RDB road's count of repeated readings applies.
TEST(WaterDataTransform, TheRepeatedHourIsCountedAsTheRdbRoadCountsIt) {
  testing::ZoneGuard zone("America/New_York");
  std::vector<WaterDataReading> r;
  for (int i = 0; i < 10; ++i)  // 04:45Z to 07:00Z: 00:45 to 01:45 EDT, then 01:00 to 02:00 EST
    r.push_back({1762058700 + i * 900, i < 5 ? "100" : "200", "P"});
  const UsgsText t = usgsTransform(waterDataRdb("09380000", {"00060"}, {r}), 45962, false, false, "00060");
  EXPECT_EQ(t.RepeatedReadings, 4);
  EXPECT_EQ(t.RepeatedDay, "2025-11-02");
  const auto lines = valueLines(t.text);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[1], "Z\t09380000\t2025-11-02 01:00\tEDT\t100\tP");
  EXPECT_EQ(lines[5], "Z\t09380000\t2025-11-02 01:00\tEST\t200\tP");
}

TEST(WaterDataTransform, TwoCodesShareOneRowPerInstantAndMissingReadingsKeepTheirWord) {
  testing::ZoneGuard zone("America/Phoenix");
  const std::vector<WaterDataReading> flow = {{1717484400, "12400", "P"}, {1717485300, "Ice", "P:ICE"}};
  const std::vector<WaterDataReading> stage = {{1717484400, "10.14", "A"}};
  const UsgsText t = usgsTransform(waterDataRdb("09380000", {"00060", "00065"}, {flow, stage}), kJune4, false,
                                   false, "00060");
  EXPECT_EQ(t.ValueField, 4);
  EXPECT_EQ(valueLines(t.text),
            (std::vector<std::string>{"Z\t09380000\t2024-06-04 00:00\tMST\t12400\tP\t10.14\tA",
                                      "Z\t09380000\t2024-06-04 00:15\tMST\tIce\tP:ICE\t\t"}));
}

TEST(WaterDataTransform, AFaultyReplyNamesWhatIsWrong) {
  const std::string good =
      R"("time": "2024-06-04T07:00:00+00:00", "value": "12400", "unit_of_measure": "ft^3/s",
    "approval_status": "Provisional", "qualifier": null)";
  struct Case {
    const char* name;
    std::string reply;
    std::string error;  // empty: read
  } cases[] = {
      {"not JSON", "<html>Service Unavailable</html>", "the reply is not a FeatureCollection"},
      {"another kind of object", R"({"type": "Feature", "properties": {}})",
       "the reply is not a FeatureCollection"},
      {"no features", R"({"type": "FeatureCollection"})", "the reply is not a FeatureCollection"},
      {"a feature without properties", R"({"type": "FeatureCollection", "features": [{"type": "Feature"}]})",
       "a feature has no properties"},
      {"no time", onePage(R"("value": "1", "unit_of_measure": "ft^3/s")"), "a feature has no time"},
      {"a time that is none", onePage(R"("time": "yesterday", "value": "1")"),
       "the time \"yesterday\" is not a date and time"},
      {"no value", onePage(R"("time": "2024-06-04T07:00:00Z", "value": null, "qualifier": null)"),
       "the reading of 2024-06-04T07:00:00Z has no value"},
      {"a value that is no number", onePage(R"("time": "2024-06-04T07:00:00Z", "value": "12,400")"),
       "the value \"12,400\" of 2024-06-04T07:00:00Z is not a number"},
      {"another unit",
       onePage(R"("time": "2024-06-04T07:00:00Z", "value": "351", "unit_of_measure": "m^3/s")"),
       "the unit \"m^3/s\" of 2024-06-04T07:00:00Z is not the line's unit \"cfs\""},
      {"the same unit spelt another way", onePage(good), ""},
      {"ice without a value",
       onePage(R"("time": "2024-06-04T07:00:00Z", "value": null, "qualifier": ["ICE"])"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      readContinuousPage(c.reply, "cfs");
      EXPECT_EQ(c.error, "");
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.description(), "USGS Water Data: " + c.error);
    }
  }
  EXPECT_EQ(readContinuousPage(
                onePage(R"("time": "2024-06-04T07:00:00Z", "value": null, "qualifier": ["EQP"])"), "cfs")
                .readings.at(0)
                .value,
            "Eqp");
  EXPECT_EQ(
      readContinuousPage(
          onePage(
              R"("time": "2024-06-04T00:00:00-07:00", "value": "5", "approval_status": "Approved", "qualifier": "e")"),
          "")
          .readings.at(0)
          .flags,
      "A:e");
  EXPECT_TRUE(sameUnit("ft", "Feet"));
  EXPECT_FALSE(sameUnit("ft^3/s", "m^3/s"));
}

// A run at 2024-06-05 13:15 in real time, the gauge's line asking the Water Data API.
class WaterData : public testing::RequestFixture {
 protected:
  WaterData() {
    s.UsgsWaterData = true;
    reset();
    http.route(kItems, "usgs/waterdata/continuous_page1.json");
    http.routeQuery(kItems, "cursor=", "usgs/waterdata/continuous_page2.json");
  }
  void reset() override {
    call = SourceCall{};
    call.StationId = "09380000";
    call.ParameterCode = "60";
    call.DayCount = 1;
    call.UnitText = "cfs";
    call.Dsid = "1101";
  }
  void run() { GetUSGS(s, call); }

  testing::ZoneGuard zone{"America/Phoenix"};
};

TEST_F(WaterData, ALineFollowsTheNextLinkOnItsOwnServerAndGivesTheRdbRoadsText) {
  s.UsgsApiKey = "k3y-of-the-user";
  s.form.chkdownloadtxt.Value = 1;
  run();
  EXPECT_EQ(call.Error, "");
  const auto requests = http.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target,
            std::string(kItems) +
                "?monitoring_location_id=USGS-09380000&parameter_code=00060&time=2024-06-04T07:00:00Z/"
                "2024-06-07T07:00:00Z&f=json&skipGeometry=true&limit=10000");
  EXPECT_EQ(requests[1].target.find(std::string(kItems) + "?cursor=MDAwMDAwNjQt"), 0u);
  for (const auto& r : requests) EXPECT_EQ(r.headers.at("X-Api-Key"), "k3y-of-the-user");
  EXPECT_EQ(call.DateFieldIndex, 2);
  EXPECT_EQ(call.ValueFieldIndex, 4);
  const std::string waterDataText = call.RetrievalText;
  EXPECT_EQ(readFile(t.folder / "USGSin.txt"), waterDataText);
  // The key is in no log and no copy.
  EXPECT_EQ(readFile(t.folder / "download.txt").find("k3y"), std::string::npos);
  for (const std::string& line : logged()) EXPECT_EQ(line.find("k3y"), std::string::npos);

  // The same readings from the instantaneous-values service.
  s.UsgsWaterData = false;
  http.route("/nwis/iv/", "usgs/iv_lees_ferry.rdb");
  reset();
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(valueLines(waterDataText), valueLines(call.RetrievalText));
  EXPECT_EQ(valueLines(waterDataText).size(), 149u);
}

TEST_F(WaterData, ARateLimitIsWaitedOutOnceThenTheLineSaysHowToLiftIt) {
  http.routeOnce(kItems, R"({"code": "429", "description": "Too many requests"})", 429,
                 {{"Retry-After", "7"}});
  const double before = s.clock.now();
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_NEAR((s.clock.now() - before) * 86400, 7, 0.01);
  EXPECT_EQ(http.requests().size(), 3u);

  http.routeOnce(kItems, "", 429, {{"Retry-After", "3600"}});
  http.routeOnce(kItems, "", 429, {{"Retry-After", "3600"}});
  reset();
  const double again = s.clock.now();
  run();
  EXPECT_EQ(call.Error,
            "USGS Water Data: the service limits requests (HTTP 429) and still did after a wait; \"USGS API "
            "Key=\" lifts the limit");
  EXPECT_NEAR((s.clock.now() - again) * 86400, 60, 0.01);  // at most a minute
  EXPECT_EQ(call.RetrievalText, "");
}

TEST_F(WaterData, EmptyFaultyAndEndlessRepliesFailTheLine) {
  struct Case {
    const char* name;
    std::string body;
    int status;
    std::string error;
  } cases[] = {
      {"an empty collection", fixture("waterdata/continuous_empty.json"), 200, "Gage has no matching data"},
      {"an OGC error", R"({"code": "InvalidParameterValue", "description": "Invalid parameter_code"})", 400,
       "USGS Water Data: HTTP 400: Invalid parameter_code"},
      {"another unit",
       onePage(R"("time": "2024-06-04T07:00:00Z", "value": "351", "unit_of_measure": "m^3/s")"), 200,
       "USGS Water Data: the unit \"m^3/s\" of 2024-06-04T07:00:00Z is not the line's unit \"cfs\""},
      {"a next link to itself", R"({"type": "FeatureCollection", "features": [], "links": [{"rel": "next",
        "href": "https://api.waterdata.usgs.gov/ogcapi/v0/collections/continuous/items?page=again"}]})",
       200, "USGS Water Data: the reply went on past 100 pages"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    http.routeText(kItems, c.body, c.status);
    reset();
    run();
    EXPECT_EQ(call.Error, c.error);
    EXPECT_EQ(call.RetrievalText, "");
  }
}

TEST_F(WaterData, ALegacyServiceThatIsGoneSendsTheLineToTheWaterDataApiAndSaysSoOnce) {
  s.UsgsWaterData = false;
  http.routeText("/nwis/iv/", "<html><body>410 Gone</body></html>", 410);
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(valueLines(call.RetrievalText).size(), 149u);
  ASSERT_EQ(http.targets().size(), 3u);
  EXPECT_EQ(http.targets()[0].find("/nwis/iv/?sites=09380000"), 0u);
  EXPECT_EQ(http.targets()[1].find(kItems), 0u);
  EXPECT_FALSE(s.UsgsLegacyServer);
  const std::vector<std::string> once = {
      "09380000 the USGS instantaneous-values service answered HTTP 410 (gone); gauge lines try the USGS "
      "Water "
      "Data API (\"USGS Service=Water Data\")."};
  EXPECT_EQ(logged(), once);
  reset();
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(logged(), once);

  // "No sites found" is the service's answer about the site, not about itself.
  http.clearRequests();
  http.routeText("/nwis/iv/", fixture("iv_no_sites.txt"), 404);
  http.route("/nwis/uv", "usgs/uv_legacy.rdb");
  reset();
  run();
  EXPECT_TRUE(s.UsgsLegacyServer);
  EXPECT_EQ(http.targets().at(1).find("/nwis/uv?"), 0u);
}

}  // namespace
}  // namespace fw
