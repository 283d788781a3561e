// Corps of Engineers gauges: the request, the table after line 100, the heading search and the
// history cases.
#include "retrieval/coe.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

const int32_t kRunDay = static_cast<int32_t>(vb::DateSerial(2024, 6, 5));

std::string page() {
  return testing::readFile(testing::fixturesFolder() / "coe/shefdata2.html");
}

TEST(CoeRequest, TheGaugeAndTheDaysPlusOneReplaceTheTemplatesOwn) {
  EXPECT_EQ(coeRequest("MKLK2", 1), "/WaterControl/shefdata2.cfm?sid=MKLK2&d=2&dt=S");
  EXPECT_EQ(coeRequest("A&d=7", 6), "/WaterControl/shefdata2.cfm?sid=A%26d%3D7&d=7&dt=S");
}

TEST(CoeTransform, HeadingsThenRowsOldestFirstAfterTheBeginDay) {
  CoeText t = coeTransform(page(), "Stage", kRunDay - 1);
  EXPECT_EQ(t.ValueField, 2);  // "Stage" is part of the heading "Stage (ft)"
  // A row whose date cell does not read as a date is left out: the run could not store it.
  EXPECT_EQ(t.text,
            "COE \tDate / Time\tStage (ft)\tFlow (cfs)\tWind Direction\t"
            "\nZ\t06/04/2024 18:00\t12.20\t3300\t270\t"
            "\nZ\t06/05/2024 06:00\t12.30\t3380\t180\t"
            "\nZ\t06/05/2024 12:00\t12.40\t3400\t90\t"
            "\n");
  struct Case {
    std::string code;
    int16_t v;
  } cases[] = {{"Flow", 3}, {"Wind Direction", 4}, {"Elevation", 0}, {"", 0}};
  for (const Case& c : cases) EXPECT_EQ(coeTransform(page(), c.code, kRunDay - 1).ValueField, c.v) << c.code;
}

TEST(CoeTransform, ATableBeforeLine100OrNoTableGivesTheHeaderAlone) {
  // The table line as line 1 of a page.
  const std::string early =
      vb::Join(std::vector<std::string>{"<html>", vb::Split(page(), "\n").at(118), "</html>"}, "\n");
  EXPECT_EQ(coeTransform(early, "Stage", kRunDay - 1).text, "COE \t\n");
  EXPECT_EQ(coeTransform("", "Stage", kRunDay - 1).text, "COE \t\n");
}

class CoeRun : public testing::RetrievalFixture {
 protected:
  CoeRun() {
    s.RunDay = kRunDay;
    s.RunDateTime = kRunDay + 0.5;
    s.RealtimeMode = true;
    s.UnitValues = true;
    s.BatchMode = true;
    c.StationId = "COE-MKLK2";
    c.DayCount = 1;
  }
  SourceCall c;
};

TEST_F(CoeRun, TheValueFieldIsSearchedOnEveryCallAndWindDirectionIsFlagged) {
  http.route("/WaterControl/shefdata2.cfm", "coe/shefdata2.html");
  c.ParameterCode = "Wind Direction";
  c.ValueFieldIndex = 3;  // what an earlier line left
  GetCOE(s, c);
  EXPECT_EQ(http.targets(), std::vector<std::string>{"/WaterControl/shefdata2.cfm?sid=MKLK2&d=2&dt=S"});
  EXPECT_EQ(c.ValueFieldIndex, 4);
  EXPECT_TRUE(c.WindDegrees);
  EXPECT_EQ(vb::Split(c.RetrievalText, "\n").size(), 5u);

  c.StationId = "COE-MKLK2";
  c.ParameterCode = "Stage";
  GetCOE(s, c);
  EXPECT_EQ(c.ValueFieldIndex, 2);
  EXPECT_FALSE(c.WindDegrees);
}

TEST_F(CoeRun, HistoryAsksNothingUnitValuesSayWhyInTheErrorLog) {
  s.RealtimeMode = false;
  s.UnitValues = false;
  c.ParameterCode = "Stage";
  GetCOE(s, c);  // daily values: no service of its own
  EXPECT_TRUE(logged().empty());
  s.UnitValues = true;
  GetCOE(s, c);
  EXPECT_TRUE(http.targets().empty());
  EXPECT_FALSE(s.InternetFailed);
  EXPECT_EQ(c.RetrievalText, "");
  ASSERT_EQ(logged().size(), 1u);
  EXPECT_EQ(logged()[0], "Flumewright COE historical unit values not supported yet, only dailys.");
}

}  // namespace
}  // namespace fw
