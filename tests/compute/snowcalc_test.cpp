// Snowcalc over a SQLite HDB: the table and step a line names, its window, the starting state,
// the gap limit, the files and the error texts.
#include <gtest/gtest.h>

#include <functional>

#include "app/session.h"
#include "compute/snowcalc.h"
#include "platform/db/dialect.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::compute {
namespace {

const int32_t kBegin = static_cast<int32_t>(vb::DateSerial(2024, 1, 10));
const char* const kInputs = "17033,18033,28033,29033,-29033,10033,-23012,-25012,-31012";

struct SnowFixture {
  fw::testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path hdb = fw::testing::openTestHdb(s, fw::testing::HdbEngine::AdoSqlite);

  SnowFixture() {
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.errlog.setPath(t.folder / "Flumewright_errlog.txt");
    s.UnitSeries.assign(400, SeriesPoint{});
  }
  // Cold, calm weather every `minutes` for `hours` from the begin day; `skip` leaves times out.
  void weather(const char* table, int hours, int minutes = 60, std::function<bool(int)> skip = nullptr) {
    std::string sql = "begin;";
    for (int k = 0; k * minutes < hours * 60; ++k) {
      if (skip && skip(k)) continue;
      const std::string d = db::dayLiteral(vb::roundToSecond(kBegin + k * minutes / 1440.0));
      for (auto [dsid, v] : {std::pair{"17033", 20.0},
                             {"18033", 60.0},
                             {"28033", 3.0},
                             {"29033", 300.0},
                             {"-29033", 500.0},
                             {"10033", 0.01}})
        sql += "insert into " + std::string(table) + " values (" + dsid + ", " + d + ", " +
               std::to_string(v) + ", 1);";
    }
    fw::testing::execSql(hdb, sql + "commit;");
  }
  void start(double day, double swe) {
    fw::testing::execSql(hdb, "insert into rhour values (-23012, " + db::dayLiteral(day) + ", " +
                                  std::to_string(swe) + ", 1);");
  }
  SnowcalcCall call(const std::string& id = "SNOWMELT-HOUR",
                    const std::string& params = "0,1,1,1,1,1,1,35.6") {
    SnowcalcCall c;
    c.parameters = params;
    c.dsidField = "-10012,-23012";
    c.stationId = id;
    c.inputList = kInputs;
    c.beginDay = kBegin;
    c.endDay = kBegin + 1;
    c.gapLimitDays = 0.5;
    return c;
  }
  std::vector<std::string> rows(const std::string& text) {
    std::vector<std::string> r = vb::Split(text, "\n");
    r.erase(r.begin(), r.begin() + 3);
    if (!r.empty() && r.back().empty()) r.pop_back();
    return r;
  }
};

std::string field(const std::string& row, size_t k) {
  const auto f = vb::Split(row, "\t");
  return k < f.size() ? f[k] : "<none>";
}

TEST(Snowcalc, TablesStepsWindowsAndStartingValues) {
  {  // Hourly: only whole hours are computed; half-hour rows are passed over.
    SnowFixture f;
    f.weather("rhour", 10, 30);
    f.start(kBegin, 10);
    SnowcalcCall c = f.call();
    Snowcalc(f.s, c);
    ASSERT_EQ(c.error, "");
    const auto r = f.rows(c.result);
    ASSERT_EQ(r.size(), 10u);
    EXPECT_EQ(r[0], "Z\t2024-01-10 00:00\t\t 10\t0.00000\t0.90000");
    EXPECT_EQ(field(r[1], 1), "2024-01-10 01:00");
    EXPECT_EQ(c.endDay, kBegin + 2);  // a real-time window reaches a day further
    EXPECT_FALSE(std::filesystem::exists(f.t.folder / "SNOWMELT.txt"));  // eight scalings
    EXPECT_EQ(fw::testing::readFile(f.t.folder / "snowin.txt"), c.result);
  }
  {  // No "-": unit values; a ninth scaling of 0 writes the diagnostic table.
    SnowFixture f;
    f.weather("runit", 2, 15);
    SnowcalcCall c = f.call("SNOWMELT", "0,1,1,1,1,1,1,35.6, 0");
    Snowcalc(f.s, c);
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(f.rows(c.result).size(), 8u);
    EXPECT_EQ(field(f.rows(c.result)[0], 3), " 0");  // no stored SWE on the begin day
    const std::string diag = fw::testing::readFile(f.t.folder / "SNOWMELT.txt");
    EXPECT_EQ(vb::Left(diag, 6), "0\t1\t2\t");
    EXPECT_NE(diag.find("\n-10012,-23012\tdate_time\tTemp\t"), std::string::npos);
    EXPECT_NE(diag.find("Melt/Rain\r\nSNOWMELT\t"), std::string::npos);
  }
  {  // A daily table reads from the day before; a starting SWE a day late is not used.
    SnowFixture f;
    f.weather("rday", 24 * 4, 24 * 60);
    fw::testing::execSql(f.hdb, "delete from rday where date_time >= " + db::dayLiteral(kBegin + 3) + ";");
    f.start(kBegin + 1, 10);
    SnowcalcCall c = f.call("SNOWMELT-DAY");
    c.gapLimitDays = 1;
    Snowcalc(f.s, c);
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.beginDay, kBegin - 1);
    const auto r = f.rows(c.result);
    ASSERT_EQ(r.size(), 3u);  // the begin day, the next two; nothing stored the day before
    EXPECT_EQ(field(r[0], 1), "2024-01-10 00:00");
    EXPECT_EQ(field(r[0], 3), " 0");
  }
}

TEST(Snowcalc, TheHandCheckedStepInTheDiagnosticTable) {
  SnowFixture f;
  std::string sql;
  for (int h = 0; h < 2; ++h) {
    const std::string d = db::dayLiteral(vb::roundToSecond(kBegin + h / 24.0));
    for (auto [dsid, v] : {std::pair{"17033", 41.0},
                           {"18033", 50.0},
                           {"28033", 5.0},
                           {"29033", 600.0},
                           {"-29033", 650.0},
                           {"10033", h == 1 ? 0.1 : 0.0}})
      sql += "insert into rhour values (" + std::string(dsid) + ", " + d + ", " + std::to_string(v) + ", 1);";
  }
  for (auto [dsid, v] : {std::pair{"-23012", 10.0}, {"-25012", 3.0}, {"-31012", 0.75}})
    sql += "insert into rhour values (" + std::string(dsid) + ", " + db::dayLiteral(kBegin) + ", " +
           std::to_string(v) + ", 1);";
  fw::testing::execSql(f.hdb, sql);
  SnowcalcCall c = f.call("SNOWMELT-HOUR", "0, 1, 1, 1, 1, 1, 1, 35.6, 0");
  Snowcalc(f.s, c);
  ASSERT_EQ(c.error, "");
  const auto r = f.rows(c.result);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], "Z\t2024-01-10 00:00\t\t 10\t3.00000\t0.75000");
  EXPECT_EQ(r[1], "Z\t2024-01-10 01:00\t0.04484\t10.05\t3.04167\t0.74875");
  const std::string diag = fw::testing::readFile(f.t.folder / "SNOWMELT.txt");
  const std::vector<std::string> lines = vb::Split(diag, "\n");
  ASSERT_EQ(lines.size(), 6u);  // three header lines, two rows, nothing after the last LF
  const std::vector<std::string> row = vb::Split(lines[4], "\t");
  ASSERT_EQ(row.size(), 26u);
  EXPECT_EQ(row[0], "SNOWMELT-HOUR");
  EXPECT_EQ(row[1], "1/10/2024 1:00:00 AM");
  EXPECT_EQ(row[2], "41");
  EXPECT_EQ(row[7], "0.1");
  EXPECT_EQ(row[8], " 2.54");                     // rain, mm
  EXPECT_EQ(row[9], "0");                         // snowfall
  EXPECT_EQ(row[12], " 273.16");                  // surface temperature
  EXPECT_NEAR(vb::Val(row[21]), 106.7697, 1e-4);  // energy balance
  EXPECT_NEAR(vb::Val(row[23]), 1.138876, 1e-6);  // melt, mm
  EXPECT_EQ(row[24], "10.05");
  EXPECT_EQ(row[25], "0.04484");
  const std::vector<std::string> first = vb::Split(lines[3], "\t");
  ASSERT_EQ(first.size(), 25u);  // twelve empty fields, then the SWE: no water output
  EXPECT_EQ(first[10], "3.00000");
  EXPECT_EQ(first[11], "0.75000");
  EXPECT_EQ(first[24], " 10");
}

TEST(Snowcalc, GapLimit) {
  struct Case {
    double limit;
    int holeHours;  // a hole after hour 2
    size_t rows;
  } cases[] = {{0.5, 12, 25}, {0.5, 13, 3}, {0, 0, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.holeHours);
    SnowFixture f;
    f.weather("rhour", 24 + k.holeHours, 60, [&](int h) { return h > 2 && h < 3 + k.holeHours - 1; });
    SnowcalcCall c = f.call();
    c.gapLimitDays = k.limit;
    Snowcalc(f.s, c);
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(f.rows(c.result).size(), k.rows);
    const bool stopped = k.rows < 20;
    const std::string message =
        std::string("-10012,-23012 Snowmelt data missing ") + (k.limit == 0 ? " 0" : " .5") + " days.";
    EXPECT_EQ(f.s.LastError == message + "\r\n", stopped) << f.s.LastError;
    EXPECT_EQ(f.s.form.Text1.Text.find(message) != std::string::npos, stopped);
  }
}

TEST(Snowcalc, ErrorTexts) {
  {
    SnowFixture f;
    SnowcalcCall c = f.call();
    Snowcalc(f.s, c);
    EXPECT_EQ(c.error, "Snowcalc:   RHOUR has no history for 17033 beginning Jan-10-2024");
    EXPECT_EQ(c.result, "");
  }
  {
    SnowFixture f;
    f.weather("rhour", 4);
    SnowcalcCall c = f.call("SNOWMELT-HOUR", "0,1,1,1,1,1,1,35.6,0,1,1,1");
    Snowcalc(f.s, c);
    EXPECT_EQ(c.error, "Snowcalc: Subscript out of range  ");
  }
  {  // An input that is not a DSID never reaches the database.
    SnowFixture f;
    f.weather("rhour", 4);
    SnowcalcCall c = f.call();
    c.inputList = "17033,18033; drop table rhour,28033";
    Snowcalc(f.s, c);
    EXPECT_NE(c.error.find("Snowcalc: snowmelt input 2 is not a DSID"), std::string::npos) << c.error;
    EXPECT_GT(fw::testing::countRows(f.hdb, "select * from rhour"), 0);
  }
  // The unit-value array comes back emptied, as large as it was.
  SnowFixture f;
  f.weather("rhour", 4);
  SnowcalcCall c = f.call();
  Snowcalc(f.s, c);
  EXPECT_EQ(f.s.UnitSeries.size(), 400u);
  EXPECT_EQ(f.s.UnitSeries[1].date, 0);
}

}  // namespace
}  // namespace fw::compute
