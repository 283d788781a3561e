// Where the value at 00:00 and the gaps of days put a station's days: a batch run over ADO and DAO
// stores each day once, under its own date, with the value that closes it in its mean, maximum and
// minimum, and stores nothing for a day that took no values.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "run/run_fixture.h"

namespace fw {
namespace {

using testing::HdbEngine;

const double kNov28 = vb::fromCivil({2026, 11, 28, 0, 0, 0});

std::string stamp(double when) {
  return vb::Format(when, "mm/dd/yyyy hh:mm");
}

// Value lines "Z", time, value, for each step from `from` to `to` (both included).
std::string series(double from, double to, int stepMinutes, const std::function<std::string(double)>& value) {
  std::string text;
  const int steps = static_cast<int>((to - from) * 1440 / stepMinutes + 0.5);
  for (int i = 0; i <= steps; ++i) {
    const double when = from + i * stepMinutes / 1440.0;
    text += "Z\t" + stamp(when) + "\t" + value(when) + "\n";
  }
  return text;
}
std::string constant(double from, double to, int stepMinutes, const std::string& value) {
  return series(from, to, stepMinutes, [&](double) { return value; });
}

struct Row {
  double day;
  double value;
  double time = 0;  // the extreme's time (0: not asserted)
};

struct DayCase {
  const char* name;
  int datatype;       // 1 flow, 10 rainfall
  const char* start;  // the run's time
  std::string text;   // the value lines the retriever hands back
  std::vector<Row> rday, rdaymax, rdaymin;
  std::vector<double> noRday;  // days with no row in rday
  bool history = false;        // a daily-only history run from 11/26 to 11/30
};

void PrintTo(const DayCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<DayCase> cases() {
  const double d = kNov28;
  std::vector<DayCase> c;
  // Hourly 100 + 2H through 11/29 00:00, then nothing until 12/01 01:00.
  c.push_back(
      {"HourlyDayClosedAtMidnightBeforeAGap",
       1,
       "2026-12-01 10:00",
       series(d, d + 1, 60,
              [&](double t) { return vb::CStr(100 + 2 * static_cast<int>(std::lround((t - d) * 24))); }) +
           constant(d + 3 + 1 / 24.0, d + 3 + 9 / 24.0, 60, "100"),
       {{d, 125}},
       {},
       {},
       {d + 1, d + 2}});
  // 15-minute values: 11/28 keeps its day, its maximum and minimum (95 of its 96 values).
  c.push_back(
      {"QuarterHourDayClosedAtMidnightBeforeAGap",
       1,
       "2026-12-01 10:00",
       constant(d + 15 / 1440.0, d + 1, 15, "100") + constant(d + 3 + 1 / 24.0, d + 3 + 9 / 24.0, 15, "100"),
       {{d, 100}},
       {{d, 100}},
       {{d, 100}},
       {d + 1, d + 2}});
  // A lone first value at 11/29 00:00 only starts the record: 11/29 took no value.
  c.push_back({"ALoneFirstValueAtMidnightBeforeAGap",
               1,
               "2026-12-01 10:00",
               constant(d + 1, d + 1, 60, "100") + constant(d + 3 + 1 / 24.0, d + 3 + 9 / 24.0, 60, "100"),
               {},
               {},
               {},
               {d, d + 1, d + 2}});
  // Rainfall run at 00:40: yesterday's total is yesterday's, today's is today's.
  c.push_back({"RainfallRunJustAfterMidnight",
               10,
               "2026-12-01 00:40",
               constant(d + 2, d + 3 + 30 / 1440.0, 15, "0.01"),
               {{d + 2, 0.96}, {d + 3, 0.02}},
               {},
               {},
               {}});
  // A flood peak at midnight is the maximum of the day it closes, a low at midnight its minimum.
  c.push_back({"AClosingValueCountsInTheDaysMaximumAndMinimum",
               1,
               "2026-12-01 10:00",
               series(d, d + 3 + 9 / 24.0, 60,
                      [&](double t) {
                        const int h = static_cast<int>(std::lround((t - d) * 24));
                        if (h == 24) return std::string("500");
                        if (h == 48) return std::string("50");
                        return std::string(h < 24 ? "100" : "200");
                      }),
               {},
               {{d, 500, d + 1}, {d + 1, 200, d + 1 + 1 / 24.0}},
               {{d, 100, d + 1 / 24.0}, {d + 1, 50, d + 2}},
               {}});
  // Daily values with a blank day: the blank day has no row.
  c.push_back({"ABlankDailyValueAfterAGapStoresNothing",
               1,
               "2026-12-01 10:00",
               "Z\t11/26/2026 00:00\t10\nZ\t11/28/2026 00:00\t\nZ\t11/29/2026 00:00\t30\n",
               {{d - 2, 10}, {d + 1, 30}},
               {},
               {},
               {d, d - 1},
               true});
  return c;
}

class DayClose : public testing::RunFixture,
                 public ::testing::WithParamInterface<std::tuple<HdbEngine, DayCase>> {
 protected:
  int rows(const std::string& sql) { return testing::countRows(hdb, sql); }
  std::string rowsText(const std::string& table) {
    std::string out;
    const db::QueryResult r = testing::TestConnection(hdb).run("select * from " + table + " order by 2");
    const size_t width = r.columns.size();
    for (size_t i = 0; i < r.cells.size(); ++i) {
      const vb::Variant& cell = r.cells[i];
      out += cell.isNull() ? std::string("null") : vb::CStr(cell.toDouble());
      out += (i + 1) % width == 0 ? "\n" : " ";
    }
    return out;
  }
};

TEST_P(DayClose, EachDayIsStoredOnceUnderItsOwnDate) {
  const auto& [engine, c] = GetParam();
  setUp({"Write Dailys= True", "Write Hourly Avg= True", "Write Daily Max= True", "Write Unit Values= True",
         "Percent Missing Allowed= 10%", "Bad/Missing Stations Allowed=10",
         std::string("START DATE=") + c.start},
        {"GAUGE1; " + std::to_string(c.datatype) + "101; Gauge; Test R; 0; 0; "},
        {{std::to_string(c.datatype) + "101", c.datatype, c.datatype == 10 ? "in" : "cfs"}}, engine);
  const int dsid = c.datatype * 1000 + 101;
  s.form.Text2.Text = "3";
  if (c.history) {
    s.form.Text2.Enabled = false;
    s.form.Option1[0].Value = true;  // "Dailys Only"
    s.form.Option1[1].Value = false;
    s.form.TextBegindate.Text = "2026-11-26 00:00";
    s.form.TextEnddate.Text = "2026-11-30 00:00";
  }
  sources->replies["GAUGE1"] = {"# gauge\n# retrieved\nagency\tdatetime\tvalue\n" + c.text, "", 1, 2};
  s.BatchMode = true;
  runstations(s);

  const std::string where = " where datatype_site_id=" + std::to_string(dsid);
  const std::string stored = "rday:\n" + rowsText("rday") + "rdaymax:\n" + rowsText("rdaymax") +
                             "rdaymin:\n" + rowsText("rdaymin") + "log pane:\n" + s.form.Text1.Text;
  auto at = [](const char* column, double t) {
    char text[96];
    std::snprintf(text, sizeof text, " and abs(%s - %.10f) < 0.00001", column, t);
    return std::string(text);
  };
  for (const Row& r : c.rday)
    EXPECT_EQ(rows("select * from rday" + where + at("date_time", r.day) + at("value", r.value)), 1)
        << stamp(r.day) << " " << r.value << "\n"
        << stored;
  for (double day : c.noRday)
    EXPECT_EQ(rows("select * from rday" + where + at("date_time", day)), 0) << stamp(day) << "\n" << stored;
  for (const auto& [table, expected] : {std::pair{"rdaymax", &c.rdaymax}, std::pair{"rdaymin", &c.rdaymin}})
    for (const Row& r : *expected) {
      std::string sql =
          std::string("select * from ") + table + where + at("date", r.day) + at("value", r.value);
      if (r.time != 0) sql += at("date_time", r.time);
      EXPECT_EQ(rows(sql), 1) << table << " " << stamp(r.day) << " " << r.value << " " << stamp(r.time)
                              << "\n"
                              << stored;
    }
  // Every day the run stored is a day it had values for: none is counted as too short.
  EXPECT_EQ(s.form.Text1.Text.find("Low count days"), std::string::npos) << stored;
  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
}

INSTANTIATE_TEST_SUITE_P(Cases, DayClose,
                         ::testing::Combine(::testing::Values(HdbEngine::AdoSqlite, HdbEngine::Dao),
                                            ::testing::ValuesIn(cases())),
                         [](const auto& info) {
                           return std::string(testing::engineName(std::get<0>(info.param))) + "_" +
                                  std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace fw
