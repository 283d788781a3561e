// The Canadian datamart retriever: paths, columns, the window, reuse and the unserved codes.
#include <filesystem>

#include "platform/vb/strings.h"
#include "retrieval/canada.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

const char* const kClimate = "canada/climate_hourly_BC_1108395_2024_P1H.csv";
const char* const kHydrometric = "canada/BC_08MF005_hourly_hydrometric.csv";
const std::string kClimatePath =
    "/20240605/WXO-DD/climate/observations/hourly/csv/BC/climate_hourly_BC_1108395_2024_P1H.csv";
const std::string kHydrometricPath =
    "/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_08MF005_hourly_hydrometric.csv";

TEST(CanadaTransform, ClimateRowsReadTheirColumnWithQuotedCommasAndTheWindowsDays) {
  const std::string file = readFile(fixturesFolder() / kClimate);
  EXPECT_EQ(
      canadaTransform(file, true, canadaColumn("1"), 45447, 45448),
      "Date and Data\nZ\t2024-06-04 00:00\t13.5\nZ\t2024-06-04 01:00\t-0.5\nZ\t2024-06-05 23:00\t14.0\n");
  // An empty cell is an empty value: missing, not zero.
  EXPECT_EQ(canadaTransform(file, true, canadaColumn("19"), 45447, 45448),
            "Date and Data\nZ\t2024-06-04 00:00\t27\nZ\t2024-06-04 01:00\t\nZ\t2024-06-05 23:00\t9\n");
  EXPECT_EQ(splitCsvRow("\"a, b\",c,,\"d\""), (std::vector<std::string>{"\"a, b\"", "c", "", "\"d\""}));
}

TEST(CanadaTransform, HydrometricRowsReadTheLocalTimeOfTheirStamp) {
  const std::string file = readFile(fixturesFolder() / kHydrometric);
  EXPECT_EQ(
      canadaTransform(file, false, canadaColumn("46"), 45447, 45448),
      "Date and Data\nZ\t2024-06-04 00:00\t4.123\nZ\t2024-06-04 00:05\t4.125\nZ\t2024-06-05 23:55\t4.200\n");
  EXPECT_EQ(canadaTransform(file, false, canadaColumn("47"), 45447, 45448),
            "Date and Data\nZ\t2024-06-04 00:00\t812\nZ\t2024-06-04 00:05\t\nZ\t2024-06-05 23:55\t830\n");
  EXPECT_THROW(canadaTransform("h\nx,notadate,1\n", false, 2, 45447, 45448), vb::Error);
}

TEST(CanadaPath, CodesPickTheFileAndPlaceholdersAreFilledOnce) {
  struct Case {
    std::string code;
    int column;
    std::string path;
  } cases[] = {
      {"1", 10, kClimatePath},
      {"36", 24, kClimatePath},
      {"45", -1, kClimatePath},  // a weather code, though no column serves it
      {"46", 2, "/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_1108395_hourly_hydrometric.csv"},
      {"47", 6, "/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_1108395_hourly_hydrometric.csv"},
      {"48", -1, "/20240605/WXO-DD/hydrometric/csv/BC/hourly/BC_1108395_hourly_hydrometric.csv"},
      {"x", -1, kClimatePath},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(canadaColumn(c.code), c.column);
    EXPECT_EQ(canadaPath(c.code, "1108395", "BC", 45448), c.path);
  }
  // A code holding another placeholder's name stays whole; a blank cannot change the path.
  EXPECT_EQ(canadaPath("47", "ZZSITEID", "B C", 45448),
            "/20240605/WXO-DD/hydrometric/csv/B%20C/hourly/B%20C_ZZSITEID_hourly_hydrometric.csv");
}

class Canada : public testing::RetrievalFixture {
 protected:
  Canada() {
    s.RunDateTime = testing::kTestNow;  // 2024-06-05 13:15
    s.RunDay = 45448;
    s.RealtimeMode = true;
    http.route(kClimatePath, kClimate);
    http.route(kHydrometricPath, kHydrometric);
    line("1108395", "1");
  }
  void line(const std::string& station, const std::string& code) {
    call.StationId = station;
    call.ParameterCode = code;
    call.SiteState = "BC";
    call.DayCount = 1;
    call.ValueColumns = {0};
  }
  std::string copy() const { return readFile(t.folder / "GoCin.txt"); }
  SourceCall call;
};

TEST_F(Canada, ALineAsksItsStationsFileAndAnotherColumnOfItAsksAgain) {
  s.LastError = "an earlier line's error";
  GetCanada(s, call);
  EXPECT_EQ(http.targets(), std::vector<std::string>{kClimatePath});
  EXPECT_EQ(
      call.RetrievalText,
      "Date and Data\nZ\t2024-06-04 00:00\t13.5\nZ\t2024-06-04 01:00\t-0.5\nZ\t2024-06-05 23:00\t14.0\n");
  EXPECT_EQ(call.ValueColumns[0], 2);
  EXPECT_EQ(call.RetrievalCacheId, "1108395");
  EXPECT_EQ(copy(), call.RetrievalText);
  EXPECT_EQ(s.LastError, "an earlier line's error");
  EXPECT_EQ(call.Error, "");

  // The same station and parameter again: the text is reused, nothing asked.
  const std::string first = call.RetrievalText;
  GetCanada(s, call);
  EXPECT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(call.RetrievalText, first);

  // Another parameter of the same station reads its own column.
  call.ParameterCode = "28";
  GetCanada(s, call);
  EXPECT_EQ(http.targets().size(), 2u);
  EXPECT_EQ(call.RetrievalText,
            "Date and Data\nZ\t2024-06-04 00:00\t72\nZ\t2024-06-04 01:00\t75\nZ\t2024-06-05 23:00\t70\n");

  // A hydrometric line.
  line("08MF005", "47");
  call.RetrievalText.clear();
  GetCanada(s, call);
  EXPECT_EQ(http.targets().back(), kHydrometricPath);
  EXPECT_EQ(call.RetrievalText,
            "Date and Data\nZ\t2024-06-04 00:00\t812\nZ\t2024-06-04 00:05\t\nZ\t2024-06-05 23:55\t830\n");
}

TEST_F(Canada, AnUnservedCodeEmptiesTheResultAndSaysSoWithoutAsking) {
  GetCanada(s, call);
  call.ParameterCode = "45";
  GetCanada(s, call);
  EXPECT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(call.RetrievalText, "");
  EXPECT_EQ(s.LastError, kCanadaUnserved);
  EXPECT_EQ(logged().back(), kCanadaUnserved);
  EXPECT_EQ(call.Error, "");
}

TEST_F(Canada, HistoryUnitValuesEndTwoDaysLaterAndCountOneMoreDay) {
  s.RealtimeMode = false;
  s.form.TextBegindate.Text = "2024-06-04 00:00";
  s.form.TextEnddate.Text = "2024-06-03 00:00";
  call.UnitValues = true;
  call.DayCount = 5;
  GetCanada(s, call);
  EXPECT_EQ(http.targets(), std::vector<std::string>{kClimatePath});
  EXPECT_EQ(call.DayCount, 6);
  EXPECT_NE(call.RetrievalText.find("2024-06-05 23:00"), std::string::npos);

  // Dailys keep the window and the count.
  call.UnitValues = false;
  call.RetrievalText.clear();
  call.DayCount = 5;
  http.route("/20240603/WXO-DD/climate/observations/hourly/csv/BC/climate_hourly_BC_1108395_2024_P1H.csv",
             kClimate);
  GetCanada(s, call);
  EXPECT_EQ(call.DayCount, 5);
  EXPECT_EQ(http.targets().back(),
            "/20240603/WXO-DD/climate/observations/hourly/csv/BC/climate_hourly_BC_1108395_2024_P1H.csv");
}

TEST_F(Canada, AMissingFileOrABadDateIsAnEmptyRetrieval) {
  line("1108396", "1");
  GetCanada(s, call);
  EXPECT_EQ(call.RetrievalText, "Date and Data\n");
  http.routeText(kClimatePath, "h\n\"1\",\"2\",\"3\",\"4\",\"June 4\"\n");
  line("1108395", "1");
  call.RetrievalText.clear();
  GetCanada(s, call);
  EXPECT_EQ(call.RetrievalText, "Date and Data\n");
  EXPECT_EQ(s.LastError, "Canada Water Office: Type mismatch");
  EXPECT_EQ(logged().back(), "Canada Water Office: Type mismatch");
}

}  // namespace
}  // namespace fw
