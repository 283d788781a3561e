// The program's days at 00:00: a batch run over a stream gauge's reply stores the day a value at
// 00:00 closes under that day, also when a gap of days follows, and a rain total run just after
// midnight stores yesterday's total as yesterday's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "program_folder.h"
#include "support/loopback_services.h"
#include "support/test_hdb.h"

namespace fw {
namespace {

const double kNov28 = vb::fromCivil({2026, 11, 28, 0, 0, 0});

// An instantaneous-values reply of one parameter with a reading at each of the times.
std::string rdbReply(const std::string& code, const std::vector<std::pair<double, std::string>>& readings) {
  std::string text = "# ---- WARNING ----\n#\n# Data provided for site 09380000\n#\n";
  for (int i = 0; i < 24; ++i) text += "#\n";  // a real reply's comments make it long
  text += "agency_cd\tsite_no\tdatetime\ttz_cd\t69928_" + code + "\t69928_" + code + "_cd\n";
  text += "5s\t15s\t20d\t6s\t14n\t10s\n";
  for (const auto& [when, value] : readings)
    text += "USGS\t09380000\t" + vb::Format(when, "yyyy-mm-dd hh:mm") + "\tMST\t" + value + "\tP\n";
  return text;
}

std::vector<std::pair<double, std::string>> steps(double from, double to, int minutes,
                                                  const std::function<std::string(double)>& value) {
  std::vector<std::pair<double, std::string>> out;
  const int n = static_cast<int>(std::lround((to - from) * 1440 / minutes));
  for (int i = 0; i <= n; ++i)
    out.push_back({from + i * minutes / 1440.0, value(from + i * minutes / 1440.0)});
  return out;
}

struct BatchDayCase {
  const char* name;
  int datatype;
  const char* code;
  const char* start;
  std::vector<std::pair<double, std::string>> readings;
  std::vector<std::pair<double, double>> days;  // day, stored value
  std::vector<double> noDays;
};

void PrintTo(const BatchDayCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<BatchDayCase> batchCases() {
  const double d = kNov28;
  std::vector<BatchDayCase> c;
  // Hourly 100 + 2H through 11/29 00:00, then nothing until 12/01 01:00.
  auto hourly = steps(d, d + 1, 60, [&](double t) {
    return vb::CStr(100 + 2 * static_cast<int>(std::lround((t - d) * 24)));
  });
  for (const auto& r :
       steps(d + 3 + 1 / 24.0, d + 3 + 9 / 24.0, 60, [](double) { return std::string("100"); }))
    hourly.push_back(r);
  c.push_back(
      {"AGapAfterADayClosedAtMidnight", 1, "00060", "2026-12-01 10:00", hourly, {{d, 125}}, {d + 1, d + 2}});
  // 0.01 in every 15 minutes from 11/30 00:00 to 12/01 00:30, run at 00:40.
  c.push_back({"RainRunJustAfterMidnight",
               10,
               "00045",
               "2026-12-01 00:40",
               steps(d + 2, d + 3 + 30 / 1440.0, 15, [](double) { return std::string("0.01"); }),
               {{d + 2, 0.96}, {d + 3, 0.02}},
               {}});
  return c;
}

class BatchDayClose : public ::testing::TestWithParam<BatchDayCase> {};

TEST_P(BatchDayClose, EachDayIsStoredUnderItsOwnDate) {
  const BatchDayCase& c = GetParam();
  testing::LoopbackHttpServer http;
  http.routeText("/nwis/iv/", rdbReply(c.code, c.readings));
  const std::string dsid = std::to_string(c.datatype) + "101";
  testing::ProgramFolder p(
      {"USGS Server=" + http.base(), std::string("START DATE=") + c.start, "Percent Missing Allowed= 10%",
       "Write Hourly Avg= True", "Write Daily Max= True", "Write Unit Values= True"},
      {"09380000; " + dsid + "; Gauge; Test R; 0; 0; "});
  testing::execSql(p.hdb,
                   "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, "
                   "parameter_code) values ('101', " +
                       dsid + ", 'Test R', " + std::to_string(c.datatype) + ", 'cfs', '" + c.code + "')");
  // The last run three days before: the window starts on 11/28.
  testing::execSql(p.hdb, "insert into rupdate (datatype_site_id, note, updated, value) values (0, 'run', " +
                              testing::dateSql(vb::CDate(c.start) - 3) + ", 0)");
  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  ASSERT_EQ(http.targets().size(), 1u) << p.log();
  EXPECT_NE(http.targets()[0].find("&startDT=2026-11-28&"), std::string::npos) << http.targets()[0];

  auto rowsOn = [&](double day, const std::string& also) {
    char sql[200];
    std::snprintf(sql, sizeof sql,
                  "select * from rday where datatype_site_id=%s and abs(date_time - %.6f) < 0.0001",
                  dsid.c_str(), day);
    return testing::countRows(p.hdb, sql + also);
  };
  for (const auto& [day, value] : c.days)
    EXPECT_EQ(rowsOn(day, " and abs(value - " + vb::CStr(value) + ") < 0.000001"), 1)
        << vb::Format(day, "mm/dd/yyyy") << " " << value << "\n"
        << r.output;
  for (double day : c.noDays)
    EXPECT_EQ(rowsOn(day, ""), 0) << vb::Format(day, "mm/dd/yyyy") << "\n" << r.output;
  EXPECT_EQ(p.count("Low count days"), 0) << p.log();
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchDayClose, ::testing::ValuesIn(batchCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fw
