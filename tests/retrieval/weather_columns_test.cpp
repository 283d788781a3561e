// The weather adapters: each service's reply becomes a weather table with the common names.
#include <gtest/gtest.h>

#include "retrieval/weather_columns.h"
#include "support/loopback_services.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

std::string fixture(const std::string& name) {
  return readFile(fixturesFolder() / "weather" / name);
}

TEST(WeatherColumns, SynopticRepliesGetTheCommonNamesTheUnitLineAndLocalDates) {
  testing::TestSession t;
  std::string text = fixture("synoptic_wbb.csv");
  SynopticCols(t.s, text);
  EXPECT_EQ(text.substr(0, text.find("\n2024-06-04 01:00")),
            "\nDate_Time,tempAvg,humidityAvg,windspeedAvg,solarRadiationHigh,precipTotal_one_hour,winddirAvg,"
            " a, b\n"
            ",,Fahrenheit,%,Miles/hour,W/m**2,Inches,code\n"
            "2024-06-04 00:00,68.0,30.0,5.0,0.0,0.00,N, , ");
  EXPECT_NE(text.find("\n2024-06-04 13:00,86.0,14.0,9.0,880.0,0.00,NW, , \n"), std::string::npos) << text;

  // The 24-hour accumulation keeps its own name; a reply without the header is no table.
  std::string accum = "Station_ID,Date_Time,precip_accum_24_hour_set_1\n,,in\n";
  SynopticCols(t.s, accum);
  EXPECT_EQ(accum, "\nDate_Time,precip_24_hour, a, b\n,,in\n");
  std::string none = "{\"SUMMARY\":{\"RESPONSE_MESSAGE\":\"No stations found\"}}";
  SynopticCols(t.s, none);
  EXPECT_EQ(none, "");
}

TEST(WeatherColumns, MesoWestRowsComeOutOldestFirstWithOneDateField) {
  testing::TestSession t;
  std::string text = fixture("mesowest_wbb.csv");
  MesoWestCols(t.s, text);
  EXPECT_EQ(
      text,
      "\nDATE,TMZN,tempAvg,humidityAvg,windspeedAvg,winddirAvg,precipTotal_PREC,solarRadiationHigh, a, b\n"
      "06-04-2024 01:00,MDT,66.0,33,3.5,10,0.00,0, , , , \n"
      "06-04-2024 12:00,MDT,84.0,15,7.0,310,0.05,850, , , , \n"
      "06-04-2024 13:00,MDT,86.0,14,7.8,320,0.10,880, , , , \n");

  // A short row is a fault: the text empties and the run's last error says so.
  std::string broken = "PARM = MON,DAY,YEAR,HR,MIN,TMZN,TMPF\nunits\n06,04\n";
  MesoWestCols(t.s, broken);
  EXPECT_EQ(broken, "");
  EXPECT_EQ(t.s.LastError, "MesoWest Subscript out of range");
}

TEST(WeatherColumns, ThePersonalStationTableGivesNamesInPageOrderAndStrongFields) {
  std::string text = fixture("pws_table.html"), error;
  wunderScrape20250325("KCASANFR123", text, error);
  EXPECT_EQ(error, "");
  // "Speed" is renamed before "Wind", so the new lower-case "wind" stays.
  EXPECT_EQ(
      text,
      "\nTime,tempAvg,dewptAvg,humidityAvg,winddirAvg,windspeedAvg,windgustAvg,pressureMax,Precip. Rate.,"
      "precipTotal,UV,solarRadiationHigh, aa, bb\n"
      "2024/06/04 00:04,55.2,48.1,77,WSW,3.1,5.2,29.91,0.00,0.01,0,0,-1,-1\n"
      "2024/06/04 13:09,66.0,50.0,56,W,9.0,14.1,29.88,0.00,0.02,6,-99,-1,-1\n");

  for (const auto& [page, expected] : std::vector<std::pair<std::string, std::string>>{
           {"<html>no table</html>", "wunderScrape20250325 station not found."},
           {"history-table desktop-table</thead><tbody>", "wunderScrape20250325 has no data."}}) {
    std::string p = page;
    wunderScrape20250325("X", p, error);
    EXPECT_EQ(error, expected);
    EXPECT_EQ(p, "");
  }
}

TEST(WeatherColumns, ThePersonalStationJsonGivesTheNamesItHoldsAndTheirValues) {
  std::string text = fixture("pws_json.html"), error;
  wunderScrape(1, "KCASANFR123", text, error);
  EXPECT_EQ(error, "");
  // The data pass looks for "speedAvg", so "windspeedAvg":3 is read under its own name.
  EXPECT_EQ(text,
            "\nWuDate,solarRadiationHigh,winddirAvg,humidityAvg,tempAvg,windspeedAvg,windgustAvg,dewptAvg,"
            "pressureMax,precipTotal, aa, bb\n"
            "2024-06-04 00:04:00,0.0,250,77,55,3,5,48,29.91,0.01,-1,-1\n"
            "2024-06-04 13:09:00,612.5,270,56,66,9,14,50,29.88,0.02,-1,-1\n");
  std::string none = "<html></html>";
  wunderScrape(1, "X", none, error);
  EXPECT_EQ(error, "wunderScrape station not found.");
}

}  // namespace
}  // namespace fw
