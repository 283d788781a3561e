// The gauge retriever: its requests, the legacy switch, its text and the 5-minute rebuild.
#include <filesystem>

#include "platform/vb/strings.h"
#include "retrieval/retrieval_fixture.h"
#include "retrieval/usgs.h"
#include "run/run_services.h"

namespace fw {
namespace {

using testing::fixturesFolder;
using testing::readFile;

const std::string kHeader =
    "# "
    "comment\n#\n#\n#\nagency_cd\tsite_no\tdatetime\ttz_cd\t69928_00060\t69928_00060_cd\t69929_00065\t69929_"
    "00065_cd\n"
    "5s\t15s\t20d\t6s\t14n\t10s\t14n\t10s\n";

std::string row(const std::string& when, const std::string& q, const std::string& g = "10.1") {
  return "USGS\t09380000\t" + when + "\tMST\t" + q + "\tP\t" + g + "\tP\n";
}

// Lines after the 5-minute title, as "date value".
std::vector<std::string> steps(const std::string& text) {
  std::vector<std::string> out;
  std::vector<std::string> lines = vb::Split(text, "\n");
  EXPECT_EQ(lines.at(0), "USGS data at 5-min step");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    std::vector<std::string> f = vb::Split(lines[i], "\t");
    out.push_back(f.at(2) + " " + f.at(4));
  }
  return out;
}

TEST(UsgsTransform, FiveMinuteStepsFillEachRowsIntervalAndCatchUpAfterALongGap) {
  const int32_t day = 45447;  // 2024-06-04
  struct Case {
    std::string rows;
    std::vector<std::string> lines;
  } cases[] = {
      {row("2024-06-04 00:00", "1") + row("2024-06-04 00:15", "2") + row("2024-06-04 00:30", "3"),
       {"06-04-2024 00:05 2", "06-04-2024 00:10 2", "06-04-2024 00:15 2", "06-04-2024 00:20 3",
        "06-04-2024 00:25 3", "06-04-2024 00:30 3"}},
      // Two hours: 13 steps of the 02:00 value from 00:00, then the next row starts from 02:00.
      {row("2024-06-04 00:00", "1") + row("2024-06-04 02:00", "2") + row("2024-06-04 02:15", "3"),
       {"06-04-2024 00:05 2", "06-04-2024 00:10 2", "06-04-2024 00:15 2", "06-04-2024 00:20 2",
        "06-04-2024 00:25 2", "06-04-2024 00:30 2", "06-04-2024 00:35 2", "06-04-2024 00:40 2",
        "06-04-2024 00:45 2", "06-04-2024 00:50 2", "06-04-2024 00:55 2", "06-04-2024 01:00 2",
        "06-04-2024 01:05 2", "06-04-2024 02:05 3", "06-04-2024 02:10 3", "06-04-2024 02:15 3"}},
      // Rows before the begin day take no part.
      {row("2024-06-03 23:45", "9") + row("2024-06-04 00:00", "1") + row("2024-06-04 00:05", "2"),
       {"06-04-2024 00:05 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows);
    UsgsText t = usgsTransform(kHeader + c.rows + "\n", day, false, true);
    EXPECT_EQ(steps(t.text), c.lines);
    EXPECT_EQ(t.ValueField, 4);
  }
}

TEST(UsgsTransform, UnitRowsBeforeTheBeginDayAreEmptiedAndTheValueColumnStaysOnTheReading) {
  struct Case {
    std::string rows;
    int16_t v;
  } cases[] = {
      {row("2024-06-03 23:45", "9") + row("2024-06-04 00:00", "1"), 4},
      {row("2024-06-04 00:00", "") + row("2024-06-04 00:15", "2"), 4},  // no first reading
  };
  for (const Case& c : cases) {
    UsgsText t = usgsTransform(kHeader + c.rows, 45447, false, false);
    EXPECT_EQ(t.ValueField, c.v);
  }
  UsgsText t = usgsTransform(kHeader + cases[0].rows, 45447, false, false);
  std::vector<std::string> lines = vb::Split(t.text, "\n");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7], "Z\t09380000\t2024-06-04 00:00\tMST\t1\tP\t10.1\tP");

  UsgsText missing =
      usgsTransform(readFile(fixturesFolder() / "usgs/iv_missing_first_value.rdb"), 45447, false, false);
  EXPECT_EQ(missing.ValueField, 4);

  UsgsText daily = usgsTransform(readFile(fixturesFolder() / "usgs/dv_discharge.rdb"), 45447, true, false);
  EXPECT_EQ(daily.ValueField, 3);
  EXPECT_NE(daily.text.find("\nZ\t09380000\t2024-06-01\t12100\tP\n"), std::string::npos);
}

// The value column is the header's column of the line's parameter code, whatever the order of
// the series in the reply and whatever the first row holds.
TEST(UsgsTransform, TheValueColumnIsTheHeadersColumnOfTheParameter) {
  const std::string gaugeFirst =
      "# comment\n#\n#\n#\nagency_cd\tsite_no\tdatetime\ttz_cd\t69929_00065\t69929_00065_cd\t69928_00060\t"
      "69928_00060_cd\n5s\t15s\t20d\t6s\t14n\t10s\t14n\t10s\n";
  struct Case {
    const char* name;
    std::string reply;
    std::string code;
    int16_t v;
  } cases[] = {
      {"the flow's series comes second", gaugeFirst + row("2024-06-04 00:00", "10.1", "12400"), "00060", 6},
      {"the gauge height of the same reply", gaugeFirst + row("2024-06-04 00:00", "10.1", "12400"), "00065",
       4},
      {"a first row without the flow",
       gaugeFirst + row("2024-06-04 00:00", "10.1", "") + row("2024-06-04 00:15", "10.2"), "00060", 6},
      {"a first row without the first series", kHeader + row("2024-06-04 00:00", "", "10.1"), "00060", 4},
      {"a code the header does not name: the first reading", kHeader + row("2024-06-04 00:00", "1"), "00010",
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(usgsTransform(c.reply, 45447, false, false, c.code).ValueField, c.v);
    EXPECT_EQ(usgsTransform(c.reply, 45447, false, true, c.code).ValueField, c.v);
  }
}

// The night daylight time ends the reply gives 01:00 to 01:45 twice (EDT, then EST); the run keeps
// one reading per clock time, so the second four are counted, with their day.
std::string fallBackRows() {
  std::string rows;
  auto add = [&](const char* t, const char* zone, const char* q) {
    rows += std::string("USGS\t09380000\t2025-11-02 ") + t + "\t" + zone + "\t" + q + "\tP\t10.1\tP\n";
  };
  for (const char* t : {"00:45", "01:00", "01:15", "01:30", "01:45"}) add(t, "EDT", "100");
  for (const char* t : {"01:00", "01:15", "01:30", "01:45", "02:00"}) add(t, "EST", "200");
  return rows;
}

TEST(UsgsTransform, ReadingsOfTheRepeatedHourAreCountedWithTheirDay) {
  for (bool fiveMinute : {false, true}) {
    const UsgsText t = usgsTransform(kHeader + fallBackRows(), 45962, false, fiveMinute, "00060");
    EXPECT_EQ(t.RepeatedReadings, 4) << fiveMinute;
    EXPECT_EQ(t.RepeatedDay, "2025-11-02");
  }
  const UsgsText plain = usgsTransform(kHeader + row("2024-06-04 00:00", "1") + row("2024-06-04 00:15", "2"),
                                       45447, false, false, "00060");
  EXPECT_EQ(plain.RepeatedReadings, 0);
}

class Usgs : public testing::RetrievalFixture {
 protected:
  Usgs() {
    s.RunDateTime = testing::kTestNow;  // 2024-06-05 13:15
    s.RunDay = 45448;
    s.RealtimeMode = true;
    call.StationId = "09380000";
    call.ParameterCode = "60,65";
    call.DayCount = 1;
    call.RetrievalText = "the previous line's text";
  }
  void history(bool unitValues) {
    s.RealtimeMode = false;
    s.form.TextBegindate.Text = "2024-06-01 00:00";
    s.form.TextEnddate.Text = "2024-06-05 23:00";
    s.form.Option1[0].Value = !unitValues;
    s.form.Option1[1].Value = unitValues;
  }
  void run() { GetUSGS(s, call); }
  std::filesystem::path copy() const { return t.folder / "USGSin.txt"; }

  SourceCall call;
};

TEST_F(Usgs, ARealTimeLineAsksForInstantaneousValuesAndReturnsZLines) {
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  run();
  EXPECT_EQ(call.Error, "");
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(http.targets()[0],
            "/nwis/iv/"
            "?sites=09380000&parameterCd=00060,00065&startDT=2024-06-04&endDT=2024-06-06&siteStatus=all&"
            "format=rdb");
  EXPECT_EQ(call.DateFieldIndex, 2);
  EXPECT_EQ(call.ValueFieldIndex, 4);
  EXPECT_EQ(call.RetrievalText.find("USGS\t"), std::string::npos);
  EXPECT_EQ(call.RetrievalText.find("2024-06-03"), std::string::npos);  // emptied rows
  EXPECT_NE(call.RetrievalText.find("\nZ\t09380000\t2024-06-04 00:00\tMST\t12400\tP\t10.14\tP\n"),
            std::string::npos);
  EXPECT_EQ(readFile(copy()), call.RetrievalText);
}

TEST_F(Usgs, TheErrorLogNamesTheReadingsOfTheRepeatedHourThatAreNotStored) {
  std::string reply = readFile(fixturesFolder() / "usgs/iv_two_params.rdb");
  reply = reply.substr(0, reply.find("\nUSGS\t") + 1) + fallBackRows();
  http.routeText("/nwis/iv/", reply);
  s.RunDateTime = 45963.5;  // 11/02/2025 12:00, the day daylight time ended
  call.Dsid = "1101";
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(call.ValueFieldIndex, 4);
  EXPECT_EQ(logged(),
            (std::vector<std::string>{"09380000 1101 11/02/2025: 4 readings of the hour the clock repeats "
                                      "when daylight time ends were not stored (one reading is kept per "
                                      "clock time)."}));
}

TEST_F(Usgs, RequestsFollowTheModeTheChoiceAndTheCodes) {
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  http.route("/nwis/dv/", "usgs/dv_discharge.rdb");
  struct Case {
    const char* name;
    std::function<void()> set;
    std::string target;
    int16_t v;
  } cases[] = {
      {"no days counts as one", [&] { call.DayCount = 0; },
       "/nwis/iv/"
       "?sites=09380000&parameterCd=00060,00065&startDT=2024-06-04&endDT=2024-06-06&siteStatus=all&format="
       "rdb",
       4},
      {"real time with dailys only",
       [&] {
         s.form.Option1[0].Value = true;
         s.form.Option1[1].Value = false;
       },
       "/nwis/iv/"
       "?sites=09380000&parameterCd=00060,00065&startDT=2024-06-04&endDT=2024-06-06&siteStatus=all&format="
       "rdb",
       4},
      {"history unit values", [&] { history(true); },
       "/nwis/iv/?sites=09380000&startDt=2024-06-01&endDT=2024-06-05&parameterCd=00060,00065&format=rdb", 4},
      {"history dailys", [&] { history(false); },
       "/nwis/dv/?sites=09380000&startDT=2024-06-01&endDT=2024-06-05&parameterCd=00060,00065&format=rdb", 3},
      {"a trimmed site, one code, the 5-minute mark",
       [&] {
         call.StationId = " 09380000 ,5MIN";
         call.ParameterCode = " 60 ";
       },
       "/nwis/iv/"
       "?sites=09380000&parameterCd=00060&startDT=2024-06-04&endDT=2024-06-06&siteStatus=all&format=rdb",
       4},
      {"codes and sites cannot change the query",
       [&] {
         call.StationId = "0938&x=1";
         call.ParameterCode = "6#";
       },
       "/nwis/iv/"
       "?sites=0938%26x%3D1&parameterCd=0006%23&startDT=2024-06-04&endDT=2024-06-06&siteStatus=all&format="
       "rdb",
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    http.clearRequests();
    call = SourceCall{};
    call.StationId = "09380000";
    call.ParameterCode = "60,65";
    call.DayCount = 1;
    s.RealtimeMode = true;
    s.form.Option1[0].Value = false;
    s.form.Option1[1].Value = true;
    c.set();
    run();
    EXPECT_EQ(call.Error, "");
    ASSERT_EQ(http.targets().size(), 1u);
    EXPECT_EQ(http.targets()[0], c.target);
    EXPECT_EQ(call.ValueFieldIndex, c.v);
  }
}

TEST_F(Usgs, TheLongWindowNoticeNeedsUnitValuesAndTheRetrievalGoesOn) {
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  call.DayCount = 120;
  run();
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Number of days exceeds 119 days USGS realtime limit, wait and see.");
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(http.targets().size(), 1u);

  s.form.Option1[0].Value = true;
  s.form.Option1[1].Value = false;
  run();
  EXPECT_EQ(t.ui.boxes.size(), 1u);
  // In batch nobody can click: the notice goes to the error log.
  s.BatchMode = true;
  s.form.Option1[1].Value = true;
  run();
  EXPECT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(logged().back(), "Number of days exceeds 119 days USGS realtime limit, wait and see.");
}

TEST_F(Usgs, ALongCodeFailsWithTheErrorsDescriptionAndNoCopy) {
  call.ParameterCode = "000060";
  run();
  EXPECT_EQ(call.Error, "Invalid procedure call or argument");
  EXPECT_TRUE(http.requests().empty());
  EXPECT_FALSE(std::filesystem::exists(copy()));
}

TEST_F(Usgs, AnUnusableReplySwitchesToTheLegacyPageForGood) {
  http.route("/nwis/iv/", "usgs/iv_no_sites.txt");
  http.route("/nwis/uv", "usgs/uv_legacy.rdb");
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_TRUE(s.UsgsLegacyServer);
  EXPECT_EQ(logged().back(), "09380000 USGS switched to slower waterdata server.");
  ASSERT_EQ(http.targets().size(), 2u);
  EXPECT_EQ(http.targets()[1],
            "/nwis/"
            "uv?cb_00060,00065=on&format=rdb&site_no=09380000&legacy=1&period=&begin_date=2024-06-04&end_"
            "date=2024-06-06");
  EXPECT_NE(call.RetrievalText.find("\nZ\t09380000\t2024-06-04 00:15\tMST\t11015\tP"), std::string::npos);

  // Later lines go straight to the legacy page; its error page gives the description.
  http.clearRequests();
  http.route("/nwis/uv", "usgs/uv_legacy_error.html");
  call.ParameterCode = "60";
  run();
  ASSERT_EQ(http.targets().size(), 1u);
  EXPECT_EQ(http.targets()[0].substr(0, 19), "/nwis/uv?cb_00060=o");
  EXPECT_EQ(call.Error, "No sites/data found using the selection criteria specified ");
  EXPECT_EQ(readFile(copy()), readFile(fixturesFolder() / "usgs/uv_legacy_error.html"));
}

TEST_F(Usgs, HistoryModeRepeatsItsOwnRequestAfterTheSwitch) {
  history(true);
  http.route("/nwis/iv/", "usgs/iv_no_sites.txt");
  run();
  ASSERT_EQ(http.targets().size(), 2u);
  EXPECT_EQ(http.targets()[0], http.targets()[1]);
  EXPECT_TRUE(s.UsgsLegacyServer);
  // The reply names no description: from its 15th character there is no "</".
  EXPECT_EQ(call.Error, "Gage has no matching data");
}

TEST_F(Usgs, ShortRepliesWithoutRowsFailWithoutACopyAndWithRowsAreRead) {
  http.route("/nwis/iv/", "usgs/iv_header_only.rdb");
  run();
  EXPECT_EQ(call.Error, "Gage has no matching data");
  EXPECT_EQ(call.RetrievalText, "");
  EXPECT_FALSE(s.UsgsLegacyServer);
  EXPECT_FALSE(std::filesystem::exists(copy()));

  http.routeText("/nwis/iv/", kHeader + "#\n#\n#\n" + row("2024-06-04 00:00", "5"));
  run();
  EXPECT_EQ(call.Error, "");
  EXPECT_EQ(call.ValueFieldIndex, 4);
  EXPECT_NE(call.RetrievalText.find("Z\t09380000\t2024-06-04 00:00\tMST\t5"), std::string::npos);
}

TEST_F(Usgs, AFailedDownloadIsTheLinesErrorAndSwitchesNothing) {
  s.ServerSettings[kUsgsService] = "http://127.0.0.1:1";
  run();
  EXPECT_EQ(call.Error, "Internet open fail, service provider down: http://127.0.0.1:1/n");
  EXPECT_FALSE(s.UsgsLegacyServer);
  EXPECT_FALSE(std::filesystem::exists(copy()));
}

}  // namespace
}  // namespace fw
