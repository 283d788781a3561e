// Flood-warning gauges: the request, rows across New Year, the start row and the refusals.
#include "retrieval/afws.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

const int32_t kRunDay = static_cast<int32_t>(vb::DateSerial(2025, 1, 2));

std::string page() {
  return testing::readFile(testing::fixturesFolder() / "afws/tabular.html");
}

TEST(AfwsRequest, GaugeZoneAndProductAreFilledInOnePass) {
  EXPECT_EQ(afwsRequest("ABCT2", "", "PRECIP"),
            "/ahps2/hydrograph_to_xml.php?gage=ABCT2&output=tabular&fcst_type=PRECIP&time_zone=EDT");
  EXPECT_EQ(afwsRequest("EDTX1", "CST", "PP"),
            "/ahps2/hydrograph_to_xml.php?gage=EDTX1&output=tabular&fcst_type=PP&time_zone=CST");
  EXPECT_EQ(afwsRequest("A B", "C&D", "P"),
            "/ahps2/hydrograph_to_xml.php?gage=A%20B&output=tabular&fcst_type=P&time_zone=C%26D");
}

TEST(AfwsTransform, RowsOldestFirstFromTheBeginDayInTheYearTheirMonthBelongsTo) {
  struct Case {
    int32_t begin;
    std::string lines;
  } cases[] = {
      // December into January: the January rows are in the next year.
      {kRunDay - 2,
       "Z\t2024-12-31 12:00\t0.25\nZ\t2025-01-01 00:00\t0\nZ\t2025-01-01 18:00\t0.4\nZ\t2025-01-02 "
       "06:00\t0.12\n"},
      // The begin day is not on the page: the oldest row after it starts.
      {kRunDay - 4,
       "Z\t2024-12-30 12:00\t0.05\nZ\t2024-12-31 12:00\t0.25\nZ\t2025-01-01 00:00\t0\nZ\t2025-01-01 "
       "18:00\t0.4\n"
       "Z\t2025-01-02 06:00\t0.12\n"},
      {kRunDay, "Z\t2025-01-02 06:00\t0.12\n"},
      {kRunDay + 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.begin);
    EXPECT_EQ(afwsTransform(page(), "AFWS-ABCT2", c.begin, kRunDay), "AFWS-ABCT2\n" + c.lines);
  }
  EXPECT_EQ(afwsTransform("", "AFWS-ABCT2", kRunDay, kRunDay), "AFWS-ABCT2\n");
  // A run in December: the page's December rows are in the run's year.
  EXPECT_EQ(afwsTransform("<td nowrap>12/31 12:00<td nowrap>0.5", "A-B", kRunDay - 2, kRunDay - 2),
            "A-B\nZ\t2024-12-31 12:00\t0.5\n");
}

class AfwsRun : public testing::RetrievalFixture {
 protected:
  AfwsRun() {
    s.RunDay = kRunDay;
    s.RunDateTime = kRunDay + 0.5;
    s.RealtimeMode = true;
    s.UnitValues = true;
    s.BatchMode = true;
    c.ParameterCode = "PP";
    c.DayCount = 2;
  }
  SourceCall c;
};

TEST_F(AfwsRun, AThreePartCodeAsksItsZoneAndVIs2) {
  http.route("/ahps2/hydrograph_to_xml.php", "afws/tabular.html");
  c.StationId = "AFWS-ABCT2-CST";
  GetAFWS(s, c);
  EXPECT_EQ(http.targets(), std::vector<std::string>{"/ahps2/hydrograph_to_xml.php?gage=ABCT2&output=tabular&"
                                                     "fcst_type=PP&time_zone=CST"});
  EXPECT_EQ(c.ValueFieldIndex, 2);
  EXPECT_EQ(vb::Split(c.RetrievalText, "\n").size(), 6u);
}

TEST_F(AfwsRun, RefusalsGoToTheErrorLogAndACodeWithoutDashAsksNothing) {
  struct Case {
    bool realtime, unitValues;
    std::string station, logged;
  } cases[] = {
      {false, true, "AFWS-ABCT2", "AFWS does not support historical data"},
      {true, false, "AFWS-ABCT2", "AFWS does not support daily's"},
      {true, true, "AFWS", ""},
  };
  for (const Case& k : cases) {
    const std::size_t before = logged().size();
    s.RealtimeMode = k.realtime;
    s.UnitValues = k.unitValues;
    c.StationId = k.station;
    c.ValueFieldIndex = 5;
    GetAFWS(s, c);
    EXPECT_EQ(c.ValueFieldIndex, 0);
    EXPECT_EQ(c.RetrievalText, "");
    const std::vector<std::string> added(logged().begin() + static_cast<std::ptrdiff_t>(before),
                                         logged().end());
    EXPECT_EQ(added, k.logged.empty() ? std::vector<std::string>{} : std::vector<std::string>{k.logged});
  }
  EXPECT_TRUE(http.targets().empty());
}

}  // namespace
}  // namespace fw
