// Irrigation-network stations: the files over passive FTP, hourly and daily rows, "2400", missing
// marks, the value columns, the ET site text and the ET lines' hand-over.
#include "retrieval/cimis.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "retrieval/retrieval_fixture.h"
#include "run/run_services.h"

namespace fw {
namespace {

const int32_t kRunDay = static_cast<int32_t>(vb::DateSerial(2024, 6, 5));

std::string hourlyFile() {
  return testing::readFile(testing::fixturesFolder() / "ftp/pub2/hourly/hourly2.csv");
}
std::string dailyFile() {
  return testing::readFile(testing::fixturesFolder() / "ftp/pub2/daily/daily2.csv");
}

// An hourly value line of the fixture: its head, the hour, the temperature and field 21 as written.
std::string hourLine(const std::string& when, const std::string& hour, const std::string& direction,
                     const std::string& last = "0.01", const std::string& temperature = "60.1") {
  return "Z\tC\t" + when + "\tC\t" + hour + "\t060\t0.00\t \t0.71\t \t41.2\t \t30.0\t \t92\t \t" +
         temperature + "\t \t55\t \t2.3\t \t4.0\t" + direction + "\t \t" + last + "\t\n";
}
std::string dayLine(const std::string& date, const std::string& field2) {
  return "Z\tC\t" + date + "\tC\t" + field2 +
         "\t \t55.5\t \t1\t \t2\t \t3\t \t4\t \t5\t \t6\t \t7\t \t8\t3\t \t9\t \t10\t \t\n";
}

CimisRows hourlyRows(int16_t valueField) {
  CimisRows r;
  r.hourly = true;
  r.windowStart = kRunDay - 2;
  r.runDay = kRunDay;
  r.valueField = valueField;
  return r;
}

TEST(CimisTransform, HourlyRowsWith2400AsTheNextMidnightUntilTheRunDay) {
  CimisText t = cimisTransform(hourlyFile(), hourlyRows(16));
  // 2 June is before the window; 4 June 01:00 has an "M" on its temperature; the "2400" of
  // 5 June ends on 6 June, after the run day, and ends the file. A blank direction reads 0.
  EXPECT_EQ(t.text, std::string("CIMIS...\n") + hourLine("6/3/2024 01:00", "0100", "1") +
                        hourLine("6/4/2024", "2400", "0") + hourLine("6/4/2024 12:00", "1200", "2") +
                        hourLine("6/5/2024", "2400", "4") +
                        hourLine("6/5/2024 01:00", "0100", "1", "0.01", "58.2") +
                        hourLine("6/5/2024 12:00", "1200", "1", "0.01", "71.4"));
  EXPECT_EQ(t.lastField, 23);
  EXPECT_FALSE(t.etUnavailable);
  // The missing marks are looked for in the line's own value field only.
  EXPECT_EQ(vb::Split(cimisTransform(hourlyFile(), hourlyRows(6)).text, "\n").size(), 9u);
}

TEST(CimisTransform, DailyRowsFromTheWindowTheLastLineWithoutALineEndToo) {
  CimisRows r;
  r.hourly = false;
  r.windowStart = kRunDay - 7;
  r.runDay = kRunDay;
  r.valueField = cimisDailyField("10", false);
  EXPECT_EQ(r.valueField, 4);
  EXPECT_EQ(cimisTransform(dailyFile(), r).text, std::string("CIMIS...\n") + dayLine("5/30/2024", "0.21") +
                                                     dayLine("6/3/2024", "0.18") +
                                                     dayLine("6/4/2024", "0.20"));
}

TEST(CimisTransform, AnEtLineHandsEachRowOverAndWritesItsValueLast) {
  std::vector<std::string> firstFields;
  CimisRows r = hourlyRows(24);
  r.et = [&firstFields](const std::vector<std::string>& f) -> std::optional<std::string> {
    if (firstFields.empty()) firstFields = f;
    return std::string("0.0123");
  };
  CimisText t = cimisTransform(hourlyFile(), r);
  ASSERT_FALSE(firstFields.empty());
  EXPECT_EQ(firstFields[0], "6/3/2024 01:00");
  EXPECT_EQ(firstFields[14], "60.1");
  EXPECT_EQ(vb::Split(t.text, "\n").at(1),
            vb::Split(hourLine("6/3/2024 01:00", "0100", "1", "0.0123"), "\n")[0]);

  r.et = [](const std::vector<std::string>&) -> std::optional<std::string> { return std::nullopt; };
  t = cimisTransform(hourlyFile(), r);
  EXPECT_EQ(t.text, "CIMIS...\n");
  EXPECT_TRUE(t.etUnavailable);
}

TEST(CimisDailyField, TheFixedTableOfDailyCodes) {
  struct Case {
    std::string code;
    bool inList;
    int16_t field;
  } cases[] = {{"6", false, 24},  {"8", false, 18},  {"10", false, 4},  {"12", false, 14}, {"14", false, 12},
               {"16", false, 26}, {"18", false, 28}, {"20", false, 16}, {"22", false, 98}, {"24", false, 6},
               {"31", false, 30}, {"31", true, 31},  {"7", false, 0},   {"26", false, 0},  {"x", false, 0}};
  for (const Case& c : cases) EXPECT_EQ(cimisDailyField(c.code, c.inList), c.field) << c.code;
}

TEST(EtSiteText, CoordinatesOffsetsElevationRegionAndLongWave) {
  EtSite site = readEtSite("38.5, -121.75, -120, 60, 1.2", "ETO", 3, 4);
  EXPECT_NEAR(site.LatitudeRadians, 38.5 * 3.14159 / 180, 1e-12);
  EXPECT_NEAR(site.Offset, -1.75 / 15 - 0.5, 1e-12);
  EXPECT_NEAR(site.ElevationMetres, 60 * 0.3048, 1e-12);
  EXPECT_TRUE(site.ShortReference);
  EXPECT_EQ(site.SolarRegion, 2);
  EXPECT_DOUBLE_EQ(site.WindFactor, 1.2);
  EXPECT_FALSE(site.LongWave);
  // The 60-minute rows take 0.5 more; "TALL" asks for alfalfa; index 4 has measured solar.
  EXPECT_NEAR(readEtSite("38.5,-121.75,-120,60", "eto tall", 4, 4, 1.0).Offset, -1.75 / 15 - 1.0, 1e-12);
  EXPECT_FALSE(readEtSite("38.5,-121.75,-120,60", "eto tall", 4, 4).ShortReference);
  EXPECT_EQ(readEtSite("38.5,-121.75,-120,60", "ETO", 4, 4).SolarRegion, 0);
  EtSite longWave = readEtSite("2.5", "LONGWAVE", 0, 4);
  EXPECT_TRUE(longWave.LongWave);
  EXPECT_DOUBLE_EQ(longWave.Offset, 2.5);
  struct Case {
    double feet, longitude;
    int16_t region;
  } cases[] = {{399, -116.4, 1}, {399, -116.5, 2}, {400, -130, 3}, {2999, 0, 3}, {3000, 0, 4}, {5000, 0, 5}};
  for (const Case& c : cases) EXPECT_EQ(solarRegionOf(c.feet, c.longitude), c.region) << c.feet;
}

class CimisRun : public testing::RetrievalFixture {
 protected:
  CimisRun() {
    s.ServerSettings[kCimisService] = ftp.base();
    s.RunDay = kRunDay;
    s.RunDateTime = kRunDay + 0.5;
    s.RealtimeMode = true;
    s.UnitValues = true;
    s.BatchMode = true;
    c.StationId = "CIMIS-2";
    c.ParameterCode = "16";
    c.ParameterCodes = {"16"};
    c.ParameterCount = 0;
    c.DayCount = 2;
    c.ValueColumns = {0};
  }
  testing::LoopbackFtpServer ftp;
  SourceCall c;
};

TEST_F(CimisRun, TheHourlyFileArrivesByPassiveFtpAndItsValueIsTheParametersField) {
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  GetCIMIS(s, c);
  EXPECT_FALSE(s.InternetFailed) << s.LastError;
  EXPECT_EQ(c.ValueColumns.at(0), 16);
  EXPECT_EQ(c.DateFieldIndex, 2);
  EXPECT_FALSE(c.WindDegrees);
  EXPECT_EQ(vb::Split(c.RetrievalText, "\n").size(), 8u);
  EXPECT_EQ(c.RetrievalText.find("CIMIS...\n" + hourLine("6/3/2024 01:00", "0100", "1")), 0u);

  // A day count above a week is cut to the week; wind direction "22" is flagged.
  c.RetrievalText.clear();
  c.DayCount = 30;
  c.ParameterCode = "22";
  GetCIMIS(s, c);
  EXPECT_EQ(c.DayCount, 7);
  EXPECT_TRUE(c.WindDegrees);
  EXPECT_EQ(c.ValueColumns.at(0), 22);
}

TEST_F(CimisRun, HistoryReadsTheDailyFileForAWeekAndSaysSoUnitValuesAreRefused) {
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  s.RealtimeMode = false;
  s.UnitValues = false;
  s.form.TextBegindate.Text = "2024-05-26 00:00";  // ten days back
  c.ParameterCode = "10";
  c.DayCount = 10;
  GetCIMIS(s, c);
  EXPECT_EQ(c.DayCount, 7);
  EXPECT_EQ(c.ValueColumns.at(0), 4);
  EXPECT_EQ(c.RetrievalText, std::string("CIMIS...\n") + dayLine("5/30/2024", "0.21") +
                                 dayLine("6/3/2024", "0.18") + dayLine("6/4/2024", "0.20"));
  EXPECT_EQ(logged().back(), kCimisSevenDays);

  c.RetrievalText.clear();
  s.UnitValues = true;
  GetCIMIS(s, c);
  EXPECT_EQ(c.RetrievalText, "");
  EXPECT_EQ(logged().back(), kCimisNoHistory);
}

TEST_F(CimisRun, AnEtLineTakesItsColumnsAndEndsWithTheComputedField) {
  if (!ftp.running()) GTEST_SKIP() << "python3 with pyftpdlib is needed for the FTP tests";
  c.DatatypeCode = 27;
  c.LineText = "38.5,-121.75,-120,60,1";
  c.ParameterCode = "16,18,20,22,ETO";
  c.ParameterCodes = {"16", "18", "20", "22", "ETO"};
  c.ParameterCount = 4;
  c.ValueColumns.assign(5, 0);
  std::vector<int16_t> columnsSeen;
  int16_t regionSeen = -1;
  GetCIMIS(s, c, [&](Session&, const EtHourRow& row) -> std::optional<std::string> {
    columnsSeen = row.columns;
    regionSeen = row.site.SolarRegion;
    return std::string("0.01");
  });
  EXPECT_EQ(columnsSeen, (std::vector<int16_t>{15, 17, 19, 21, 24}));
  EXPECT_EQ(regionSeen, 0);
  EXPECT_EQ(c.ValueColumns.at(0), 25);  // the computed last field
  EXPECT_EQ(c.ParameterCount, 0);

  // Without hourly ET the line writes no value line and the error log says why.
  c.RetrievalText.clear();
  c.ParameterCount = 4;
  GetCIMIS(s, c);
  EXPECT_EQ(c.RetrievalText, "CIMIS...\n");
  EXPECT_EQ(logged().back(), "CIMIS-2 hourly reference ET is not available in this version");
}

}  // namespace
}  // namespace fw
