#include "compute/hdbcompute.h"

#include <gtest/gtest.h>

#include "app/session.h"
#include "platform/db/dialect.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

constexpr int32_t kDay = 45448;  // 06/05/2024

struct ComputeFixture {
  fw::testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path hdb;

  explicit ComputeFixture(fw::testing::HdbEngine engine = fw::testing::HdbEngine::AdoSqlite) {
    hdb = fw::testing::openTestHdb(s, engine);
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.form.Check6.Value = 1;
    s.UnitSeries.assign(10, SeriesPoint{});
  }
  // Values at the given minutes after the day's start.
  void store(const std::string& table, int dsid, const std::vector<std::pair<int, double>>& at,
             int source = 2) {
    std::string sql;
    for (const auto& [minute, value] : at)
      sql += "insert into " + table + " values (" + std::to_string(dsid) + ", " +
             db::dayLiteral(vb::roundToSecond(kDay + minute / 1440.0)) + ", " + std::to_string(value) + ", " +
             std::to_string(source) + ");";
    fw::testing::execSql(hdb, sql);
  }
  SourceCall call(const std::string& id, const std::string& inputs, int16_t code = 0, Triple t1 = {}) {
    SourceCall c;
    c.SourceType = 11;
    c.StationId = id;
    c.ParameterCode = inputs;
    c.DatatypeCode = code;
    c.Dsid = "-5000";
    c.FirstDay = kDay;
    c.LastDay = kDay;
    c.Triples[1] = t1;
    return c;
  }
  // The rows after the title as fields.
  static std::vector<std::vector<std::string>> rows(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> lines = vb::Split(text, "\n");
    for (size_t i = 1; i < lines.size(); ++i)
      if (!lines[i].empty()) out.push_back(vb::Split(lines[i], "\t"));
    return out;
  }
};

TEST(HdbCompute, OneInputLaggedWithTheStagingFileByteForByte) {
  for (auto engine :
       {fw::testing::HdbEngine::AdoSqlite, fw::testing::HdbEngine::AdoJet, fw::testing::HdbEngine::Dao}) {
    ComputeFixture f(engine);
    f.store("rhour", 1001, {{22 * 60, 4.6}, {23 * 60, -1.5}});
    SourceCall c = f.call("COMPUTE-HOUR", "1001LAG60", 0, {"", "", "P1*2"});
    hdbcompute(f.s, c);
    ASSERT_EQ(c.Error, "") << fw::testing::engineName(engine);
    EXPECT_EQ(c.RetrievalText, "Compute from HDB\nZ\t2024-06-05 23:00\t 4.6\nZ\t2024-06-06 00:00\t-1.5\n");
    EXPECT_EQ(fw::testing::readFile(f.t.folder / "computeIn.txt"), c.RetrievalText);
    EXPECT_EQ(c.ValueColumns.at(0), 2);
    EXPECT_EQ(c.LastDay, kDay + 1);
    EXPECT_EQ(f.s.UnitSeries.size(), 10u);
  }
}

TEST(HdbCompute, FillExtendsTheLastValueEveryFiveMinutesToTheEndDay) {
  ComputeFixture f;
  f.store("runit", 1001, {{14 * 60 + 15, 1}, {14 * 60 + 30, 2}, {14 * 60 + 45, 3}});
  SourceCall c = f.call("COMPUTE-15UNIT", "1001", 0, {"", "", "FILL"});
  c.FirstDay = kDay;
  c.LastDay = kDay;  // the run's window ends the next day at 00:00
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  const auto rows = ComputeFixture::rows(c.RetrievalText);
  ASSERT_GT(rows.size(), 3u);
  EXPECT_EQ(rows[3][1], "2024-06-05 14:50");
  EXPECT_EQ(rows[3][2], " 3 ");
  EXPECT_EQ(rows.back()[1], "2024-06-06 00:05");
  EXPECT_EQ(rows.size(), 3u + (9 * 60 + 20) / 5);
}

TEST(HdbCompute, ThreeInputsOnAnHourlyGridCarryAGapOrLeaveItMissingOnARainLine) {
  for (int16_t code : {int16_t{0}, int16_t{10}}) {
    ComputeFixture f;
    f.store("rhour", 1001, {{8 * 60, 1}, {9 * 60, 2}, {10 * 60, 3}});
    f.store("rhour", 1002, {{8 * 60, 10}, {9 * 60, 20}});
    f.store("rhour", 1003, {{8 * 60, 5}, {9 * 60, 6}, {10 * 60, 7}}, 4);
    SourceCall c = f.call("COMPUTE-HOUR", "1001,1002,1003", code, {"", "x", "P1+P2*P3"});
    hdbcompute(f.s, c);
    ASSERT_EQ(c.Error, "");
    const auto rows = ComputeFixture::rows(c.RetrievalText);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(vb::Join(rows[2], "|"),
              code == 0 ? "Z|2024-06-05 10:00| 3| 20| 7| 4 " : "Z|2024-06-05 10:00| 3|-99| 7| 4 ");
    EXPECT_EQ(c.ValueColumns, (std::vector<int16_t>{2, 3, 4}));
  }
}

TEST(HdbCompute, RatioLineFallsBackAfterSixDryHoursAndLimitsTheRatio) {
  ComputeFixture f;
  std::vector<std::pair<int, double>> gauge{{0, 0.8}}, radar{{0, 0.5}};
  for (int h = 1; h <= 7; ++h) {
    gauge.push_back({h * 60, 0});
    radar.push_back({h * 60, 0.3});
  }
  gauge.push_back({8 * 60, 0.5});
  radar.push_back({8 * 60, 0.1});
  f.store("rhour", 1001, gauge);
  f.store("rhour", 1002, radar);
  SourceCall c = f.call("COMPUTE-HOUR", "1001,1002", 101, {"1", "0.05,1,3", "P1/P2"});
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  EXPECT_EQ(c.Triples[1].base, "");
  EXPECT_EQ(c.Triples[1].shift, "");
  const auto rows = ComputeFixture::rows(c.RetrievalText);
  ASSERT_EQ(rows.size(), 9u);
  for (int h = 1; h <= 6; ++h) EXPECT_NEAR(vb::Val(rows[h][2]) / vb::Val(rows[h][3]), 1.6, 1e-6) << h;
  EXPECT_EQ(rows[7][2], " 1");
  EXPECT_EQ(rows[7][3], " 1");
  EXPECT_NEAR(vb::Val(rows[8][2]) / vb::Val(rows[8][3]), 3, 1e-5);
}

TEST(HdbCompute, RatioLineWithGaugeMinimumOfOneHundredthTrustsADryGaugeOfTheSameHour) {
  ComputeFixture f;
  // The radar starts an hour before the gauge: each radar hour pairs with the gauge of its hour.
  f.store("rhour", 1001, {{2 * 60, 0.8}, {3 * 60, 0.015}, {4 * 60, 0}, {6 * 60, 0.02}});
  f.store("rhour", 1002,
          {{60, 0.3}, {2 * 60, 0.4}, {3 * 60, 0.3}, {4 * 60, 0.3}, {5 * 60, 0.2}, {6 * 60, 0.02}});
  SourceCall c = f.call("COMPUTE-HOUR", "1001,1002", 101, {"", "0.01,1,3", "P1/P2"});
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  const auto rows = ComputeFixture::rows(c.RetrievalText);
  std::vector<std::string> joined;
  for (const auto& r : rows) joined.push_back(vb::Join(r, "|"));
  EXPECT_EQ(joined, (std::vector<std::string>{
                        "Z|2024-06-05 01:00| 1| 1| 2 ",      // no gauge reading: the default ratio, not 0
                        "Z|2024-06-05 02:00| .8| .4| 2 ",    // wet gauge: minimum 0.02, a good hour
                        "Z|2024-06-05 03:00| .8| .4| 2 ",    // wet but below 0.02: the carried pair
                        "Z|2024-06-05 04:00| 0| .4| 2 ",     // dry gauge: ratio 0
                        "Z|2024-06-05 05:00| 0| .4| 2 ",     // missing gauge: carried
                        "Z|2024-06-05 06:00| .02| .02| 2 ",  // exactly the minimum is not below it
                    }));
}

TEST(HdbCompute, RatioLineNowcastRows) {
  ComputeFixture f;
  f.s.NowcastHours = 2;
  f.store("rhour", 1001, {{10 * 60, 0.9}});
  f.store("rhour", 1002, {{10 * 60, 0.6}});
  SourceCall c = f.call("COMPUTE-HOUR", "1001,1002", 101, {"", "0.05,1,3", "P1/P2"});
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  EXPECT_NEAR(f.s.NowcastRatio, 1.25, 1e-6);
  const auto rows = ComputeFixture::rows(c.RetrievalText);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(vb::Join(rows[1], "|"), "Z|2024-06-05 11:00| 1.25|1|14");
  EXPECT_EQ(rows[2][1], "2024-06-05 12:00");

  // A carried default row leaves the default ratio.
  ComputeFixture g;
  g.s.NowcastHours = 1;
  g.store("rhour", 1001, {{10 * 60, 0.9}});
  SourceCall d = g.call("COMPUTE-HOUR", "1001,1002", 101, {"", "0.05,1,3", "P1/P2"});
  g.store("rhour", 1002, {{11 * 60, 0.6}});
  g.store("rhour", 1001, {{11 * 60, 0.0}});
  hdbcompute(g.s, d);
  ASSERT_EQ(d.Error, "");
  EXPECT_NEAR(g.s.NowcastRatio, 1, 1e-9);
}

TEST(HdbCompute, RainAdjustCapsTheIncrementAndSpreadsTheHourlyRatio) {
  ComputeFixture f;
  f.store("runit", 1001, {{9 * 60, 3}, {10 * 60, 2}});
  f.store("runit", 1002, {{9 * 60 + 30, 0.3}, {10 * 60, 0.1}});
  SourceCall c = f.call("COMPUTE", "1001,1002", 10, {"", "-1,1.5,0,0.5", "P1*P2"});
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  const auto rows = ComputeFixture::rows(c.RetrievalText);
  ASSERT_EQ(rows.size(), 2u);
  // 09:30 lies in the hour the 10:00 ratio stands for.
  EXPECT_EQ(vb::Join(rows[0], "|"), "Z|2024-06-05 09:30| 2| .25| 2 ");
  EXPECT_EQ(vb::Join(rows[1], "|"), "Z|2024-06-05 10:00| 2| .1| 2 ");
  EXPECT_EQ(f.s.LastError.find(" 06/05 09:30  1001,1002 Ratio 2 adjusts"), 0u) << f.s.LastError;
  EXPECT_NE(f.s.LastError.find(" Ratio 2 adjusts rain > rain cap: 0.60  Rain increment set to cap."),
            std::string::npos)
      << f.s.LastError;
  EXPECT_NE(fw::testing::readFile(f.s.errlog.path()).find("Rain increment set to cap."), std::string::npos);
  EXPECT_TRUE(f.t.ui.boxes.empty());
}

TEST(HdbCompute, AnInputOnTheOnOffListIsMissingInEveryRow) {
  ComputeFixture f;
  f.s.GageAvgFolder = f.t.folder.path().string() + "/";
  fw::testing::writeFile(f.t.folder / "Plotwerks_OnOff.txt", "2101,a,b\r\n1002,c,d\r\n");
  f.store("rhour", 1001, {{60, 1}});
  f.store("rhour", 1002, {{60, 2}});
  f.store("rhour", 101, {{60, 3}});
  SourceCall c = f.call("COMPUTE-HOUR", "101,1002,1001", 10, {"", "1", "N"});
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  const auto rows = ComputeFixture::rows(c.RetrievalText);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(vb::Join(rows[0], "|"), "Z|2024-06-05 01:00| 3|-99| 1| 2 ");
  EXPECT_NE(f.s.form.Text1.Text.find("P2  1002  OFF"), std::string::npos);
}

TEST(HdbCompute, FailuresEndInTheFrame) {
  ComputeFixture f;
  SourceCall c = f.call("COMPUTE-HOUR", "1001,10x2");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "Input DSID is not a whole number: 10x2  ");
  EXPECT_EQ(c.RetrievalText, "");

  c = f.call("COMPUTE-HOUR", "1001,ETO");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "EToCompute: evapotranspiration from COMPUTE inputs is not available in this version.");

  c = f.call("COMPUTE-15UNIT", "1001", 0, {"", "", "FILL"});
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "Subscript out of range  ");  // FILL without a stored point
  EXPECT_EQ(c.RetrievalText, "");

  c = f.call("COMPUTE-GET-HOUR", "missing.txt");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "File not found: missing.txt");
  c = f.call("GET-SWMM", "x");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "GetSWMM: SWMM results is not available in this version.");
  f.s.BatchMode = false;
  f.s.form.Check6.Value = 0;
  f.t.ui.answers.push_back(MsgResult::Cancel);
  c = f.call("COMPUTE", "1001");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "Canceled");
}

TEST(HdbCompute, RequestImportFromASecondDatabase) {
  ComputeFixture f;
  const std::filesystem::path other = fw::testing::makeHdb(f.t.folder.path(), "other.db");
  fw::testing::execSql(other,
                       "create table obs (t datetime, v double);"
                       "insert into obs values (#06/05/2024 01:00#, 1.5);"
                       "insert into obs values (#06/07/2024 01:00#, 9);");
  const std::string query = "select t, v from obs where t between #DAY1# and #DAY2# order by t";
  for (const std::string& cs : {fw::testing::jetConnString(other), fw::testing::sqliteConnString(other)}) {
    fw::testing::writeFile(f.t.folder / "req.txt",
                           "Title: obs\r\nTable: RDAY\r\nSource: " + cs + "\r\nQuery: " + query + "\r\n");
    SourceCall c = f.call("COMPUTE-GET-DAY", "req.txt");
    hdbcompute(f.s, c);
    ASSERT_EQ(c.Error, "") << cs;
    EXPECT_TRUE(c.DailyFlag);
    EXPECT_EQ(c.RetrievalText, query + "\r\nZ\t2024-06-05 01:00\t 1.5 \t 0 \t\n") << cs;
  }
}

TEST(HdbCompute, BadRequestsGiveTheirErrorTextAndNoRows) {
  const std::string obs = "select t, v from obs where t between #DAY1# and #DAY2# order by t";
  struct Case {
    const char* what;
    std::string lines;  // after "Title: x", "Table: RDAY" and "Source: "; "@" stands for the database
    bool batch;
    std::string error;  // "" = imported; a text ending "*" = its start
    std::string box;    // the box shown, "" = none
  };
  const std::vector<Case> cases{
      {"three lines", "@\r\n", true, "Input past end of file  req.txt", ""},
      {"connection does not open",
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=nothere.mdb;Password=secret;\r\nQuery: " + obs + "\r\n",
       true, "Operation is not allowed in this context.  req.txt", ""},
      {"failing query", "@\r\nQuery: select t, v from nowhere where t > #DAY1#\r\n", true, "*", ""},
      {"no DAY1, interactive", "@\r\nQuery: select t, v from obs order by t\r\n", false, "",
       "No 'DAY1' in: select t, v from obs order by t"},
      {"no DAY1, batch", "@\r\nQuery: select t, v from obs order by t\r\n", true, "", ""},
  };
  for (const Case& k : cases) {
    ComputeFixture f;
    const std::filesystem::path other = fw::testing::makeHdb(f.t.folder.path(), "other.db");
    fw::testing::execSql(other,
                         "create table obs (t datetime, v double);"
                         "insert into obs values (#06/05/2024 01:00#, 1.5);"
                         "insert into obs values (#06/07/2024 01:00#, 9);");
    fw::testing::writeFile(f.t.folder / "req.txt",
                           "Title: x\r\nTable: RDAY\r\nSource: " +
                               vb::Replace(k.lines, "@", fw::testing::sqliteConnString(other)));
    f.s.BatchMode = k.batch;
    SourceCall c = f.call("COMPUTE-GET-DAY", "req.txt");
    hdbcompute(f.s, c);
    if (k.error == "*") {
      EXPECT_NE(c.Error.find("nowhere"), std::string::npos) << k.what << ": " << c.Error;
      EXPECT_EQ(vb::Right(c.Error, 9), "  req.txt") << k.what;
    } else {
      EXPECT_EQ(c.Error, k.error) << k.what;
    }
    EXPECT_EQ(c.RetrievalText.empty(), !k.error.empty()) << k.what;
    if (std::string(k.what) == "failing query") {
      EXPECT_EQ(fw::testing::readFile(f.t.folder / "computeIn.txt"),
                "select t, v from nowhere where t > #DAY1#\r\n");
    }
    if (k.error.empty()) {
      // Without DAY1 the query runs as written: both rows, the one outside the window too.
      EXPECT_EQ(ComputeFixture::rows(c.RetrievalText).size(), 2u) << k.what;
    }
    ASSERT_EQ(f.t.ui.boxes.size(), k.box.empty() ? 0u : 1u) << k.what;
    if (!k.box.empty()) {
      EXPECT_EQ(f.t.ui.boxes[0].text, k.box) << k.what;
    }
    EXPECT_EQ(c.Error.find("secret"), std::string::npos) << k.what;
    if (std::string(k.what) == "connection does not open") {
      EXPECT_EQ(f.s.LastError.find("openHDB2: "), 0u) << f.s.LastError;
      EXPECT_EQ(f.s.LastError.find("secret"), std::string::npos) << f.s.LastError;
    }
  }
}

TEST(HdbCompute, ExportToARainGaugeFile) {
  ComputeFixture f;
  f.store("runit", -5000, {{5, 0.01}, {10, 0.02}});
  SourceCall c = f.call("COMPUTE-PUT", "", 0, {"0", "RAIN1.txt", ""});
  c.DatatypeName = "Rain INTENS";
  c.UnitText = "in";
  c.SiteName = "Town";
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "OK");
  EXPECT_EQ(fw::testing::readFile(f.t.folder / "RAIN1.txt"),
            "; RUNIT; -5000; Rain INTENS;in;Town; 2024-06-05 00:00to 2024-06-06 00:00\r\n"
            "RAIN1 2024 06 05 00 05 0.1200\r\n"
            "RAIN1 2024 06 05 00 10 0.2400\r\n");
  struct Case {
    const char* name;
    bool canada;
    const char* values;
  };
  for (const Case& k : std::vector<Case>{{"Rain INTENS", false, "0.1200|0.2400"},
                                         {"Rain Intensity", true, "0.0600|0.1200"},
                                         {"Rain CUMU", false, "0.01000|0.03000"},
                                         {"Intens cumulative", false, "0.01000|0.03000"},
                                         {"Rain", false, "0.01|0.02"}}) {
    c = f.call("COMPUTE-PUT", "", 0, {"0", "RAIN1.txt", ""});
    c.DatatypeName = k.name;
    f.s.CanadaSite = k.canada;
    hdbcompute(f.s, c);
    EXPECT_EQ(c.Error, "OK") << k.name;
    std::vector<std::string> lines = vb::Split(fw::testing::readFile(f.t.folder / "RAIN1.txt"), "\r\n");
    ASSERT_EQ(lines.size(), 4u) << k.name;
    std::vector<std::string> values;
    for (size_t i = 1; i <= 2; ++i)
      values.push_back(vb::Mid(lines[i], vb::Len("RAIN1 2024 06 05 00 05 ") + 1));
    EXPECT_EQ(vb::Join(values, "|"), k.values) << k.name;
  }
  f.s.CanadaSite = false;

  c = f.call("COMPUTE-PUT", "", 0, {"0", "out.dss", ""});
  fw::testing::writeFile(f.t.folder / "out.dss", "kept");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "WriteDssSeries: HEC-DSS files is not available in this version.");
  EXPECT_EQ(fw::testing::readFile(f.t.folder / "out.dss"), "kept");
}

// Records the HEC-DSS calls and answers with the values and status it is given.
class RecordingDss : public DssStore {
 public:
  std::vector<DssReadCall> reads;
  std::vector<DssWriteCall> writes;
  std::vector<float> answer;
  int32_t status = 0;
  bool opens = true;
  bool ZOPEN_(Session&, const std::string&) override { return opens; }
  void ZRRTS_(Session&, DssReadCall& c) override {
    reads.push_back(c);
    c.count = static_cast<int32_t>(answer.size());
    for (size_t i = 0; i < answer.size() && i < c.values.size(); ++i) c.values[i] = answer[i];
    c.status = status;
  }
  void ZCLOSE_(Session&) override {}
  void WriteDssSeries(Session&, DssWriteCall& c) override { writes.push_back(c); }
  std::string ZrrtsStatusText(int32_t st) override { return "status " + std::to_string(st); }
};

TEST(HdbCompute, RequestImportFromHecDss) {
  ComputeFixture f;
  auto dss = std::make_shared<RecordingDss>();
  f.s.services.dss = dss;
  dss->answer = {1.5f, 2.5f};
  fw::testing::writeFile(
      f.t.folder / "req.txt",
      "Title: x\r\nTable: runit\r\nSource: flows.dss\r\nPath: /A/B/FLOW/01JAN2024/15MIN/OBS/\r\n");
  SourceCall c = f.call("COMPUTE-GET", "req.txt");
  c.FirstDay = kDay - 2;  // the window becomes three days
  hdbcompute(f.s, c);
  ASSERT_EQ(c.Error, "");
  ASSERT_EQ(dss->reads.size(), 1u);
  EXPECT_EQ(dss->reads[0].count, 289);
  EXPECT_EQ(dss->reads[0].pathname, "/A/B/FLOW//15MIN/OBS/");
  EXPECT_EQ(dss->reads[0].startDate, "02 Jun 2024");
  EXPECT_EQ(dss->reads[0].startTime, "2400");
  EXPECT_EQ(c.RetrievalText,
            "/A/B/FLOW/01JAN2024/15MIN/OBS/\r\nZ\t2024-06-03 00:00\t 1.5 \t 16 \t\nZ\t2024-06-03 00:15\t 2.5 "
            "\t 16 \t\n");

  fw::testing::writeFile(f.t.folder / "req.txt",
                         "Title: x\r\nTable: rday\r\nSource: flows.DSS\r\nPath: /A/B/FLOW//1DAY/OBS/\r\n");
  dss->answer.clear();
  c = f.call("COMPUTE-GET-DAY", "req.txt");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "");
  EXPECT_EQ(dss->reads.back().startTime, "0000");
  EXPECT_EQ(dss->reads.back().startDate, "05 Jun 2024");
  EXPECT_NE(f.s.form.Text1.Text.find("No values returned."), std::string::npos);

  for (int32_t st : {4, 9}) {
    dss->status = st;
    c = f.call("COMPUTE-GET-DAY", "req.txt");
    hdbcompute(f.s, c);
    EXPECT_EQ(c.Error, "status " + std::to_string(st));
    EXPECT_EQ(c.RetrievalText, "");
  }
  dss->opens = false;
  c = f.call("COMPUTE-GET-DAY", "req.txt");
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "Could not open " + (f.t.folder / "flows.DSS").string());
}

TEST(HdbCompute, ExportToHecDssFillsGapsAndAppliesTheFormula) {
  ComputeFixture f;
  auto dss = std::make_shared<RecordingDss>();
  f.s.services.dss = dss;
  f.store("rhour", -5000, {{60, 1}, {180, 3}});
  SourceCall c = f.call("COMPUTE-PUT-HOUR", "", 0, {"1", "out.dss", "P1*2+1"});
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "OK");
  ASSERT_EQ(dss->writes.size(), 1u);
  const DssWriteCall& w = dss->writes[0];
  EXPECT_FALSE(w.newFile);
  EXPECT_EQ(w.stepMinutes, 60);
  EXPECT_EQ(w.values, (std::vector<float>{1, 3, 1, 7}));

  // LOOKBACK reaches days further back; it is an option, not a formula.
  c = f.call("COMPUTE-PUT-HOUR", "", 0, {"1", "out.dss", "LOOKBACK=2"});
  hdbcompute(f.s, c);
  EXPECT_EQ(c.Error, "OK");
  ASSERT_EQ(dss->writes.size(), 2u);
  EXPECT_EQ(dss->writes[1].start, kDay - 2);
  std::vector<float> expected(2 * 24 + 4, 0.0f);
  expected[2 * 24 + 1] = 1;
  expected[2 * 24 + 3] = 3;
  EXPECT_EQ(dss->writes[1].values, expected);
}

}  // namespace
}  // namespace fw::compute
