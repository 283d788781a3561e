// The weather-station retrievers against the loopback server: requests, tables, computed values.
#include <cmath>
#include <cstdlib>
#include <optional>

#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "retrieval/eto_hourly.h"
#include "retrieval/madis_collect.h"
#include "retrieval/retrieval_fixture.h"
#include "retrieval/weather_daily.h"
#include "retrieval/weather_station.h"
#include "run/run_services.h"
#include "support/zone_guard.h"

namespace fw {
namespace {

using testing::readFile;

using testing::ZoneGuard;

const std::string kToken = "0123456789abcdef0123456789abcdef";
const std::string kWbbSite = "40.76623,-111.84755,-105,4806,1";
const std::string kEtParameters = "tempAvg,humidityAvg,windspeedAvg,solarRadiationHigh,ETo";

class WxStation : public testing::RetrievalFixture {
 protected:
  WxStation() {
    s.RunDateTime = testing::kTestNow;  // 2024-06-05 13:15
    s.RunDay = 45448;
    s.RealtimeMode = true;
    s.UnitValues = true;
    s.ServerSettings[kIowaMesonetService] = http.base();
    http.route("/cgi-bin/request/asos.py", "weather/asos_sfo.csv");
    http.route("/v2/stations/timeseries", "weather/synoptic_wbb.csv");
    http.route("/cgi-bin/droman/station_dl_output.cgi", "weather/mesowest_wbb.csv");
  }
  SourceCall call(int16_t type, const std::string& station, const std::string& parameters,
                  int16_t datatype = 1) {
    SourceCall c;
    c.SourceType = type;
    c.StationId = station;
    c.ParameterCode = parameters;
    c.ParameterCodes = vb::Split(parameters, ",");
    c.ParameterCount = static_cast<int16_t>(c.ParameterCodes.size() - 1);
    c.DatatypeCode = datatype;
    c.DayCount = 1;
    c.ValueColumns.assign(c.ParameterCodes.size() + 1, 0);
    return c;
  }
  SourceCall etCall() {
    SourceCall c = call(29, "SY-WBB", kEtParameters, 27);
    c.LineText = kWbbSite;
    c.Triples[1].base = kToken;
    return c;
  }
  std::vector<std::string> lines(const std::string& text) { return vb::Split(text, "\n"); }
  ZoneGuard zone{"America/Los_Angeles"};
};

TEST_F(WxStation, StationCodesPickTheAirportOrThePersonalStationRequest) {
  struct Case {
    const char* station;
    const char* target;
  } cases[] = {
      {"KSFO",
       "/cgi-bin/request/asos.py?station=SFO&data=tmpf&data=dwpf&data=relh&data=drct&data=sped&data=mslp&"
       "data=p01i&data=vsby&year1=2024&month1=06&day1=04&year2=2024&month2=06&day2=06&tz=Etc%2FUTC&format="
       "onlycomma&"
       "latlon=no&direct=no&report_type=2"},
      {"KSFOXYZ", "/cgi-bin/request/asos.py?station=SFOXYZ&data=tmpf"},
      {"KCASANFR123", "/dashboard/pws/KCASANFR123/table/2024-06-04/2024-06-04/daily"},
  };
  for (const Case& k : cases) {
    http.clearRequests();
    SourceCall c = call(1, k.station, "tmpf");
    GetWxStation(s, c);
    ASSERT_EQ(http.targets().size(), 1u) << k.station;
    EXPECT_EQ(http.targets()[0].substr(0, std::string(k.target).size()), k.target) << k.station;
  }
}

TEST_F(WxStation, AsosRowsAreDatedLocallyFromLineTwoOnAndCopiedToTheWorkFile) {
  SourceCall c = call(1, "KSFO", "tmpf");
  GetWxStation(s, c);
  EXPECT_EQ(c.Error, "");
  // Line 1 of the reply is never a row; UTC 07:56 is 00:56 in June in California.
  EXPECT_EQ(
      c.RetrievalText,
      "station,valid,tmpf,dwpf,relh,drct,sped,mslp,p01i,vsby\n"
      "Z\t2024/06/04 00:56\t2024-06-04 07:56\t57.00\t50.00\t77.43\t270.00\t10.00\t1013.40\t0.00\t10.00\n"
      "Z\t2024/06/04 01:56\t2024-06-04 08:56\t56.00\t50.00\t80.20\t270.00\t9.00\t1013.60\t0.00\t10.00\n"
      "Z\t2024/06/04 12:56\t2024-06-04 19:56\t63.00\t51.00\t65.21\t290.00\t16.00\t1012.90\t0.00\t10.00\n"
      "Z\t2024/06/05 12:56\t2024-06-05 19:56\t64.00\t51.00\t62.95\t290.00\t17.00\t1012.70\t0.00\t10.00\n");
  EXPECT_EQ(c.ValueColumns[0], 3);
  EXPECT_EQ(readFile(t.folder / "wonderin.txt"), c.RetrievalText);
  // A direction line also finds the speed column.
  SourceCall d = call(1, "KSFO", "drct");
  GetWxStation(s, d);
  EXPECT_EQ(d.ValueColumns[0], 6);
  EXPECT_EQ(d.ValueColumns[1], 7);
}

TEST_F(WxStation, SynopticEtLinesComputeEachHourAndKeepTheTokenOutOfTheBase) {
  SourceCall c = etCall();
  GetWxStation(s, c);
  EXPECT_EQ(c.Error, "");
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(
      http.targets()[0],
      "/v2/stations/timeseries?stid=WBB&start=202406040000&end=202406060000&obtimezone=local&output=csv&"
      "units=english&token=" +
          kToken);
  EXPECT_EQ(c.Triples[1].base, "0");
  EXPECT_EQ(s.SynopticToken, kToken);
  // Columns: the four inputs by name, the ET in the last column (the dummy " b").
  EXPECT_EQ(c.ValueColumns, (std::vector<int16_t>{2, 3, 4, 5, 9, 0}));
  const std::vector<std::string> l = lines(c.RetrievalText);
  ASSERT_GE(l.size(), 7u) << c.RetrievalText;
  EXPECT_EQ(
      l[0],
      "Date_Time,tempAvg,humidityAvg,windspeedAvg,solarRadiationHigh,precipTotal_one_hour,winddirAvg, a, b");
  // 01:03 is three minutes after 01:00: left out. 11:00 follows a gap of nine hours: no ET of its own.
  EXPECT_EQ(vb::Left(l[1], 19), "Z\t2024-06-04 00:00\t");
  EXPECT_EQ(vb::Left(l[3], 19), "Z\t2024-06-04 02:00\t");
  EXPECT_EQ(l[4], "Z\t2024-06-04 11:00\t80.0\t18.0\t7.0\t1611\t0.00\tNW\t \t0");

  // The 12:00 hour by hand: 850 W/m2 is 1755 langleys per day; solar time from the site's
  // longitude, the season and daylight time.
  bool daylight = false;
  TZOffset(s, daylight);
  EtoHourInput in;
  in.tempC = (84 - 32) * 0.5556;
  in.rh = 15;
  in.u2 = 8 * 0.447;
  in.rs = 1755 / 23.89 / 24;
  in.latitude = 40.76623 * 3.14159 / 180;
  in.elevation = 4806 * 0.3048;
  in.dayOfYear = 156;
  const double b = (156 - 81) * 6.28318 / 364;
  in.solarTime = 12 + (-111.84755 + 105) / 15 + 0.1645 * std::sin(2 * b) - 0.1255 * std::cos(b) -
                 0.025 * std::sin(b) - (daylight ? 1 : 0);
  const float inches = static_cast<float>(etoHourPhysics(in).ET * 0.03937);
  EXPECT_EQ(l[5], "Z\t2024-06-04 12:00\t84.0\t15.0\t8.0\t1755\t0.00\tNW\t \t" + vb::CStrSingle(inches));
  EXPECT_GT(inches, 0.02f);
}

TEST_F(WxStation, AShortSynopticTokenAsksNothingAndGivesNothing) {
  SourceCall c = etCall();
  c.Triples[1].base = "0123456789";
  s.BatchMode = true;
  GetWxStation(s, c);
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(c.RetrievalText, "");
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(s.SynopticToken, "");
  EXPECT_EQ(logged().back(), "Synoptic token missing 0123456789");
}

TEST_F(WxStation, RepeatedRowsWithinFourMinutesAndStrayDatesAreLeftOut) {
  http.routeText("/v2/stations/timeseries",
                 "Station_ID,Date_Time,air_temp_set_1\n,,Fahrenheit\n"
                 "WBB,2024-06-04T10:00:00-0700,70.0\nWBB,2024-06-04T10:03:00-0700,71.0\n"
                 "WBB,2024-06-04T10:08:00-0700,72.0\nWBB,2024-06-05T09:08:00-0700,73.0\n"
                 "WBB,2024-06-06T10:09:00-0700,74.0\n");
  SourceCall c = call(29, "SY-WBB", "tempAvg");
  c.Triples[1].base = kToken;
  GetWxStation(s, c);
  EXPECT_EQ(c.RetrievalText,
            "Date_Time,tempAvg, a, b\nZ\t2024-06-04 10:00\t70.0\t \t \nZ\t2024-06-04 10:08\t72.0\t \t \n"
            "Z\t2024-06-05 09:08\t73.0\t \t \n");
  EXPECT_EQ(logged().back(),
            "SY-WBB rows from 2024-06-06 10:09 on are more than 23 hours after the last kept row and were "
            "left out.");
}

TEST_F(WxStation, ARefusedSynopticServiceGivesNoDataFound) {
  int port = 0;
  {
    testing::LoopbackHttpServer gone;
    port = gone.port();
  }
  s.ServerSettings["Synoptic"] = "http://127.0.0.1:" + std::to_string(port);
  SourceCall c = etCall();
  GetWxStation(s, c);
  EXPECT_EQ(c.Error, "No data found");
  EXPECT_TRUE(s.InternetFailed);
}

TEST_F(WxStation, MesoWestAsksEachDayAndKeepsEachRowOnce) {
  SourceCall c = call(27, "MW-WBB", "tempAvg");
  GetWxStation(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(http.targets(),
            (std::vector<std::string>{
                "/cgi-bin/droman/station_dl_output.cgi?stn=WBB&unit=0&time=LOCAL&day1=04&month1=06&"
                "year1=2024&hour1=24&output=csv",
                "/cgi-bin/droman/station_dl_output.cgi?stn=WBB&unit=0&time=LOCAL&day1=05&month1=06&"
                "year1=2024&hour1=24&output=csv"}));
  // Both days got the same fixture: its rows once, oldest first.
  const std::vector<std::string> l = lines(c.RetrievalText);
  EXPECT_EQ(
      l[0],
      "DATE,TMZN,tempAvg,humidityAvg,windspeedAvg,winddirAvg,precipTotal_PREC,solarRadiationHigh, a, b");
  EXPECT_EQ(l[1], "Z\t06-04-2024 01:00\tMDT\t66.0\t33\t3.5\t10\t0.00\t0\t \t \t \t ");
  EXPECT_EQ(l.size(), 5u);
  EXPECT_EQ(c.ValueColumns[0], 3);

  // No day has rows.
  http.routeText("/cgi-bin/droman/station_dl_output.cgi", "");
  SourceCall empty = call(27, "MW-WBB", "tempAvg");
  GetWxStation(s, empty);
  EXPECT_EQ(empty.Error, "No data found");
}

TEST_F(WxStation, ReuseMatchesExactNamesAndReprocessesEtFromLineTwo) {
  SourceCall first = call(29, "SY-WBB", "precipTotal");
  first.Triples[1].base = kToken;
  GetWxStation(s, first);
  EXPECT_EQ(first.ValueColumns[0], 6);  // containment: precipTotal_one_hour

  SourceCall again = call(29, "SY-WBB", "precipTotal");
  again.RetrievalText = first.RetrievalText;
  http.clearRequests();
  GetWxStation(s, again);
  EXPECT_EQ(again.ValueColumns[0], 0);  // equality in reuse
  EXPECT_EQ(again.RetrievalText, first.RetrievalText);
  EXPECT_TRUE(http.targets().empty());

  SourceCall et = etCall();
  et.RetrievalText = first.RetrievalText;
  GetWxStation(s, et);
  EXPECT_TRUE(http.targets().empty());
  const std::vector<std::string> l = lines(et.RetrievalText);
  EXPECT_EQ(l[0], lines(first.RetrievalText)[0]);
  // The earlier text's first value line (00:00) is not carried over.
  EXPECT_EQ(vb::Left(l[1], 19), "Z\t2024-06-04 01:00\t");
  EXPECT_EQ(et.ValueColumns[4], 9);
}

TEST(WxDailyColumns, HeadersGiveTheColumnAndItsMaximumMeanAndMinimum) {
  struct Case {
    const char* header;
    const char* parameter;
    int16_t column;
    std::array<int16_t, 3> daily;
  } cases[] = {
      {"Date,Max TemperatureF,Mean TemperatureF,Min TemperatureF", "TemperatureF", 2, {2, 3, 4}},
      {"Date,TemperatureHighF,TemperatureAvgF,TemperatureLowF", "TemperatureF", 2, {2, 3, 4}},
      {"Date,Humidity,Max TemperatureF", "TemperatureF", 3, {3, 0, 0}},
      {"Date,Wind,PrecipitationSumIn", "PrecipitationSumIn", 3, {0, 0, 0}},
      {"Date,Wind,dailyrain", "PrecipTotal", 0, {0, 0, 0}},
  };
  for (const Case& k : cases) {
    std::vector<int16_t> columns(2, 0);
    std::array<int16_t, 3> daily{};
    wxDailyColumns(k.header, k.parameter, {k.parameter}, 0, columns, daily);
    EXPECT_EQ(columns[0], k.column) << k.header;
    EXPECT_EQ(daily, k.daily) << k.header;
  }
}

TEST_F(WxStation, DailyHistoryKeepsTheRowsOfTheDateWindow) {
  http.route("/history/airport/KSFO/2024/05/01/CustomHistory.html", "weather/daily_airport.csv");
  s.form.TextBegindate.Text = "2024-05-01 00:00";
  s.form.TextEnddate.Text = "2024-05-03 00:00";
  SourceCall c = call(1, "KSFO", "TemperatureF");
  GetWxDaily(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(http.targets(),
            std::vector<std::string>{
                "/history/airport/KSFO/2024/05/01/CustomHistory.html?dayend=3&monthend=5&yearend=2024&"
                "format=1"});
  EXPECT_EQ(
      c.RetrievalText,
      "Date,Max TemperatureF,Mean TemperatureF,Min TemperatureF,PrecipitationSumIn,WindDirectionDegrees\n"
      "Z\t2024-05-01\t71\t60\t49\t0.00\t270\nZ\t2024-05-02\t68\t59\t50\t0.12\t250\n"
      "Z\t2024-05-03\t66\t58\t50\t0.40\t240\n");
  EXPECT_EQ(c.DailyColumns, (std::array<int16_t, 3>{2, 3, 4}));

  // The next line of the station reuses the text: no request, its own column.
  http.clearRequests();
  SourceCall again = call(1, "KSFO", "PrecipitationSumIn");
  again.RetrievalText = c.RetrievalText;
  GetWxDaily(s, again);
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(again.RetrievalText, c.RetrievalText);
  EXPECT_EQ(again.ValueColumns[0], 5);
  EXPECT_EQ(again.DailyColumns, (std::array<int16_t, 3>{0, 0, 0}));

  // A personal station, metric; a reply without a header; a direction line asks nothing.
  s.MetricUnits = true;
  http.clearRequests();
  SourceCall pws = call(1, "KCASANFR123", "TemperatureF");
  GetWxDaily(s, pws);
  EXPECT_EQ(http.targets(),
            std::vector<std::string>{
                "/weatherstation/WXDailyHistory.asp?ID=KCASANFR123&graphspan=custom&month=5&day=1&"
                "year=2024&monthend=5&dayend=3&yearend=2024&format=1&units=metric"});
  EXPECT_EQ(pws.Error, "WU dailys not found.");
  http.clearRequests();
  SourceCall dir = call(1, "KSFO", "WindDirectionDegrees");
  GetWxDaily(s, dir);
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(dir.Error, "");
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

TEST_F(WxStation, MadisHistoryLinesReadTheStationFromTheLocalHistory) {
  testing::writeFile(
      t.folder / "My5DayMadis.txt",
      "gz 06-04-2024 14:00 GMT > 06-04-2024 07:00 local\n"
      "KSLC      ,2024/06/04,14:00,OTHER - MTR, ,270.15,V,55.0,V,101800,Z,280.15,V,270,V,3.1,V,0,Z, ,Z,"
      "350,Z,86000,Z,KSLC,b\r\n\n");
  SourceCall c = call(31, "MA-KSLC", "tempAvg");
  GetWxStation(s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_TRUE(http.targets().empty());
  EXPECT_EQ(c.ValueColumns[0], 11);
  const std::vector<std::string> l = lines(c.RetrievalText);
  ASSERT_EQ(l.size(), 3u) << c.RetrievalText;
  EXPECT_EQ(vb::Split(l[1], "\t").at(11), "44.6");
  EXPECT_EQ(vb::Split(l[1], "\t").at(1), "2024-06-04 07:00");
}

TEST_F(WxStation, PersonalStationPagesOfEitherFormGiveTheirRows) {
  for (const auto& [page, temperature] : std::vector<std::pair<std::string, std::string>>{
           {"weather/pws_json.html", "66"}, {"weather/pws_table.html", "66.0"}}) {
    http.route("/dashboard/pws/KCASANFR123/table/2024-06-04/2024-06-04/daily", page);
    SourceCall c = call(1, "KCASANFR123", "tempAvg");
    GetWxStation(s, c);
    EXPECT_EQ(c.Error, "") << page;
    const std::vector<std::string> l = lines(c.RetrievalText);
    ASSERT_EQ(l.size(), 4u) << c.RetrievalText;
    const std::vector<std::string> row = vb::Split(l[2], "\t");
    EXPECT_EQ(row.at(static_cast<std::size_t>(c.ValueColumns[0])), temperature) << page;
  }
}

TEST_F(WxStation, MeasuredSolarIsTurnedToLangleysOnlyInImperialUnits) {
  for (const bool metric : {false, true}) {
    s.MetricUnits = metric;
    SourceCall c = etCall();
    GetWxStation(s, c);
    const std::vector<std::string> l = lines(c.RetrievalText);
    ASSERT_GE(l.size(), 6u);
    EXPECT_EQ(vb::Split(l[5], "\t").at(5), metric ? "850.0" : "1755") << metric;
  }
}

}  // namespace
}  // namespace fw


namespace fw {
namespace {

TEST(MadisBox, TheCornersComeOutSouthWestFirstWhateverTheOrder) {
  using Box = std::array<double, 4>;
  EXPECT_EQ(madisBox("40, -110, 38, -112"), (Box{38, -112, 40, -110}));
  EXPECT_EQ(madisBox(" 38,-112,40,-110"), (Box{38, -112, 40, -110}));
  EXPECT_THROW(madisBox("38,-112,40"), vb::Error);
  EXPECT_THROW(madisBox("38,-112,40,-110&x=1"), vb::Error);
}

TEST_F(WxStation, MadisLinesAskTheCgiOnlyInBatchWithBaseThreeAndNeedAFullReply) {
  s.ServerSettings[kMadisService] = http.base();
  http.routeText("/madisPublic1/cgi-bin/madisXmlPublicDir", "<PRE>\nshort</PRE>");
  SourceCall c = call(30, "MADIS", "PCPTOTL");
  c.Triples[1].base = "2";
  c.Triples[1].shift = "40,-110,38,-112";
  s.BatchMode = true;
  GetMadis(s, c);
  // Other bases fetch the hourly files (13:15 PDT is 20:15 UTC; one hour back with base1 2).
  EXPECT_EQ(c.Error, "MADIS No gz zip data available for 20240605_1900.gz");
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(http.targets()[0], "/madisPublic1/data/LDAD/mesonet/netCDF/20240605_1900.gz");
  http.clearRequests();
  c.Triples[1].base = "3";
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "MADIS No html batch data found or internet down.");
  EXPECT_EQ(http.targets().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(t.folder / "My5DayMadis.txt"));
  c.Triples[1].shift = "40,-110";
  GetMadis(s, c);
  EXPECT_EQ(c.Error, "MADIS Subscript out of range");
}

}  // namespace
}  // namespace fw
