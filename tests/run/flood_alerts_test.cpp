// The flood-alert step and issuealert with the tracker set by hand: the alert message, the level
// word, the alert log, the beep, the "Runoff Comp" row and the e-mail throttle against a local
// SMTP server.
#include "run/flood_alerts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "run/alert_setup.h"
#include "run/links.h"
#include "support/smtp_sink.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::kTestNow;
using testing::SmtpSink;

constexpr double kHour = 1.0 / 24;
const std::string kAddress =
    "ops@example.org duty@example.org, alerts@example.org, Pw-7Zq-secret, localhost, 25";

class FloodAlerts : public ::testing::Test {
 protected:
  FloodAlerts() {
    line.Dsid = "1101";
    line.StationIndex = 4;
    line.UnitText = "cfs";
    s.AlertIssueLine = 4;
    s.RunDateTime = kTestNow;
    FloodAlertTracker& a = s.Alert;
    a.AlertSiteName = "Colorado R at Lees Ferry";
    a.AlertTableWord = "HOUR";
    a.AlertPrefix = "FLOW";
  }

  // Four named levels, the first two crossed (the writers append the value that crossed).
  void twoOfFourCrossed() {
    FloodAlertTracker& a = s.Alert;
    a.AlertTexts = {"4000 ACTION 4123", "5000 MINOR 5210", "7000 MODERATE", "9000 MAJOR"};
    a.AlertLastLevel = 3;
    a.AlertCrossDates = {kTestNow - 2.25 * kHour, kTestNow, 0, 0};
    a.AlertNextLevel = 2;
  }

  std::string alertLog() const { return testing::readFile(t.folder / kAlertLogName); }
  // What the alert log gained since the last call.
  std::string newEntry() {
    const std::string all = alertLog();
    const std::string entry = all.substr(std::min(seen, all.size()));
    seen = all.size();
    return entry;
  }

  testing::TestSession t;
  Session& s = t.s;
  RunContext ctx;
  LineState line;
  size_t seen = 0;
};

TEST_F(FloodAlerts, ACountOfMinusOneReportsOneCrossingWithValueAndUnit) {
  FloodAlertTracker& a = s.Alert;
  a.AlertLastLevel = 0;
  a.AlertCrossDates = {kTestNow};
  a.AlertNextLevel = -1;
  a.AlertValue = 5123.5;
  reportCrossings(s, ctx, line);

  const std::string message =
      "*Flood ALERT* \r\n1101 Colorado R at Lees Ferry\r\nHOUR FLOW\r\n5123.5 cfs Wed Jun05 @ 01:15PM\r\n";
  EXPECT_EQ(s.form.Text1.Text, message + "\r\n");
  EXPECT_EQ(ctx.IssuedAlerts, message + "\r\n\r\n");
  EXPECT_EQ(a.AlertTimeText, "Wed Jun05@01:15PM  Level 1");
  EXPECT_EQ(a.AlertNextLevel, 0);
  EXPECT_EQ(ctx.AlertHighestCount, 1);
  EXPECT_EQ(ctx.AlertLevelWord, "");
}

TEST_F(FloodAlerts, TwoOfFourLevelsCrossedNameBothWithTheirTimes) {
  twoOfFourCrossed();
  ctx.AlertEmail = 2;  // copies from the second crossing on
  reportCrossings(s, ctx, line);
  EXPECT_EQ(ctx.IssuedAlerts,
            "*Flood ALERT* \r\n1101 Colorado R at Lees Ferry\r\nHOUR FLOW\r\n"
            "4000 ACTION 4123 Wed Jun05 @ 11:00AM\r\n5000 MINOR 5210 Wed Jun05 @ 01:15PM\r\n\r\n\r\n");
  EXPECT_EQ(normaliseLevelWord(ctx.AlertLevelWord), "MINOR");
  EXPECT_EQ(s.Alert.AlertTimeText, "Wed Jun05@01:15PM  Level 2");
  EXPECT_TRUE(ctx.AlertEmailLevel);

  // A lower count later in the run adds its message but keeps the highest level and its word.
  s.Alert.AlertNextLevel = 1;
  reportCrossings(s, ctx, line);
  EXPECT_EQ(ctx.AlertHighestCount, 2);
  EXPECT_EQ(ctx.AlertLevelWord, "5000 MINOR 5210");
  EXPECT_EQ(s.Alert.AlertTimeText, "Wed Jun05@11:00AM ");

  // Copies from the third crossing on: two crossings do not reach them.
  RunContext other;
  other.AlertEmail = 3;
  twoOfFourCrossed();
  reportCrossings(s, other, line);
  EXPECT_FALSE(other.AlertEmailLevel);
}

TEST_F(FloodAlerts, LevelWords) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"4000 ACTION 4123", "ACTION"},  {"5000 MINOR", "MINOR"},     {"7000 MODERATE FLOOD", "MODERATE"},
      {"MODERATELY HIGH", "MODERATE"}, {"MINOR OR MAJOR", "MAJOR"}, {"9000 MAJOR", "MAJOR"},
      {"ACTION MINOR", "MINOR"},       {"BANKFULL", "BANKFULL"},    {"minor", "minor"},
  };
  for (const auto& [word, expected] : cases) EXPECT_EQ(normaliseLevelWord(word), expected) << word;
}

TEST_F(FloodAlerts, AnIssuedAlertIsLoggedWithTheLevelWordBeforeItsText) {
  twoOfFourCrossed();
  floodAlertStep(s, ctx, line);
  EXPECT_EQ(
      alertLog(),
      "Issued: 6/5/2024 13:15\r\n"
      "MINOR*Flood ALERT* \r\n1101 Colorado R at Lees Ferry\r\nHOUR FLOW\r\n"
      "4000 ACTION 4123 Wed Jun05 @ 11:00AM\r\n5000 MINOR 5210 Wed Jun05 @ 01:15PM\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(ctx.AlertLevelWord, "MINOR");
  EXPECT_EQ(t.ui.beeps, 0);  // "Beep ON" not ticked

  // A line that is not the last alert line only gathers its message.
  const size_t logged = alertLog().size();
  RunContext other;
  line.StationIndex = 3;
  twoOfFourCrossed();
  floodAlertStep(s, other, line);
  EXPECT_FALSE(other.IssuedAlerts.empty());
  EXPECT_EQ(alertLog().size(), logged);
}

TEST_F(FloodAlerts, BeepOnlyWithBeepOn) {
  for (int16_t beep : {0, 1}) {
    s.form.chkBeep.Value = beep;
    t.ui.beeps = 0;
    RunContext c;
    c.IssuedAlerts = "*Flood ALERT* \r\n";
    issuealert(s, c, c.AlertLevelWord, false);
    EXPECT_EQ(t.ui.beeps, beep);
  }
}

TEST_F(FloodAlerts, ALongAlertLogLosesItsFirstThirdBeforeTheEntry) {
  testing::writeFile(t.folder / kAlertLogName, std::string(33000, 'x'));
  ctx.IssuedAlerts = "*Flood ALERT* \r\n";
  issuealert(s, ctx, ctx.AlertLevelWord, false);
  const std::string log = alertLog();
  EXPECT_EQ(log.find_first_not_of('x'), 22001u);  // 33000 \ 3 = 11000: position 11000 on is kept
  EXPECT_EQ(log.substr(22001), "Issued: 6/5/2024 13:15\r\n*Flood ALERT* \r\n\r\n");
}

// A log that cannot be opened (a folder in its place) or written (a full disk): one error-log
// line with the path and the system's reason, and the beep and the mail still go out.
TEST_F(FloodAlerts, AnAlertLogThatCannotBeWrittenIsReportedAndTheAlertStillGoesOut) {
  SmtpSink sink(SmtpSink::Mode::Plain);
  ASSERT_TRUE(sink.running()) << sink.error();
  const std::vector<std::pair<std::string, std::string>> cases = {{"folder", "Is a directory"},
                                                                  {"/dev/full", "No space left on device"}};
  for (const auto& [kind, reason] : cases) {
    SCOPED_TRACE(kind);
    testing::TestSession fresh;
    Session& f = fresh.s;
    const std::filesystem::path path = fresh.folder / kAlertLogName;
    if (kind == "folder")
      std::filesystem::create_directory(path);
    else
      std::filesystem::create_symlink(kind, path);
    sink.serve(*f.services.mail, 25);
    f.AlertAddress = kAddress;
    f.RunDateTime = kTestNow;
    f.form.chkBeep.Value = 1;
    RunContext run;
    run.AlertEmail = -1;
    run.IssuedAlerts = "*Flood ALERT* \r\n";
    issuealert(f, run, run.AlertLevelWord, false);
    // The trim may say what it could not do; the log itself is reported once.
    int reported = 0;
    for (const std::string& l : f.errlog.written())
      if (l.rfind("Alert log ", 0) == 0) {
        ++reported;
        EXPECT_EQ(l, "Alert log " + path.string() + ": " + reason);
      }
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(fresh.ui.beeps, 1);
  }
  EXPECT_EQ(sink.messages().size(), 2u);
}

// Batch: two mails per period; the third alert says "EMAIL-OFF", the fourth nothing; an alert
// more than 0.493 days after the last mail starts a new period.
TEST_F(FloodAlerts, TheBatchThrottle) {
  SmtpSink sink(SmtpSink::Mode::Plain);
  ASSERT_TRUE(sink.running()) << sink.error();
  sink.serve(*s.services.mail, 25);
  s.AlertAddress = kAddress;
  s.BatchMode = true;
  struct Alert {
    double after;  // days after the first
    const char* line;
    size_t mails;
  };
  const std::vector<Alert> alerts = {{0, "EMAIL-ON\r\n", 1},
                                     {0.25 * kHour, "", 2},
                                     {0.5 * kHour, "EMAIL-OFF\r\n", 2},
                                     {0.75 * kHour, "", 2},
                                     {0.48, "", 2},
                                     {0.25 + 0.494, "EMAIL-ON\r\n", 3},
                                     {0.25 + 0.494 + kHour, "", 4},
                                     {0.25 + 0.494 + 2 * kHour, "EMAIL-OFF\r\n", 4}};
  for (const Alert& a : alerts) {
    SCOPED_TRACE(a.after);
    s.RunDateTime = kTestNow + a.after;
    RunContext run;
    run.AlertEmail = -1;
    run.IssuedAlerts = "*Flood ALERT* \r\n";
    issuealert(s, run, run.AlertLevelWord, false);
    EXPECT_EQ(newEntry(), "Issued: " + vb::Format(s.RunDateTime, "m/d/yyyy hh:mm") + "\r\n" + a.line +
                              "*Flood ALERT* \r\n\r\n");
    EXPECT_EQ(sink.messages().size(), a.mails);
  }
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(FloodAlerts, InteractiveRunsMailEveryAlert) {
  SmtpSink sink(SmtpSink::Mode::Plain);
  ASSERT_TRUE(sink.running()) << sink.error();
  sink.serve(*s.services.mail, 25);
  s.AlertAddress = kAddress;
  for (int i = 0; i < 4; ++i) {
    s.RunDateTime = kTestNow + i * kHour / 4;
    RunContext run;
    run.AlertEmail = -1;
    run.IssuedAlerts = "*Flood ALERT* \r\n";
    issuealert(s, run, run.AlertLevelWord, false);
    EXPECT_EQ(newEntry().find("EMAIL-OFF"), std::string::npos);
  }
  EXPECT_EQ(sink.messages().size(), 4u);
  EXPECT_EQ(vb::InStr(s.form.Text1.Text, "EMAIL Alert Sent"), 1);
}

// A failed mail uses up nothing: after two failures the recovered server still gets the next
// alert, and that one starts the period again.
TEST_F(FloodAlerts, AFailedMailDoesNotCountForTheThrottle) {
  s.AlertAddress = kAddress;
  s.BatchMode = true;
  s.services.mail->redirects.push_back({25, "127.0.0.1", 1});  // refused
  for (int i = 0; i < 2; ++i) {
    s.RunDateTime = kTestNow + i * kHour / 4;
    RunContext run;
    run.AlertEmail = -1;
    run.IssuedAlerts = "*Flood ALERT* \r\n";
    issuealert(s, run, run.AlertLevelWord, false);
    EXPECT_NE(newEntry().find("EMAIL-ON"), std::string::npos);
  }
  SmtpSink sink(SmtpSink::Mode::Plain);
  ASSERT_TRUE(sink.running()) << sink.error();
  sink.serve(*s.services.mail, 25);
  s.RunDateTime = kTestNow + kHour;
  RunContext run;
  run.AlertEmail = -1;
  run.IssuedAlerts = "*Flood ALERT* \r\n";
  issuealert(s, run, run.AlertLevelWord, false);
  EXPECT_NE(newEntry().find("EMAIL-ON"), std::string::npos);
  EXPECT_EQ(sink.messages().size(), 1u);
  EXPECT_EQ(s.EmailCount, 1);
}

TEST_F(FloodAlerts, RunoffCompOncePerRunOnlyWithWriteDailysInRealTime) {
  const auto hdb = testing::openTestHdb(s, testing::HdbEngine::AdoSqlite);
  openRunDatabase(s);
  auto row = [&](const std::string& value) {
    return testing::countRows(hdb,
                              "select * from rupdate where datatype_site_id=-1 and note='Runoff Comp' and "
                              "abs(value - " +
                                  value + ") < 0.000001");
  };
  line.StationIndex = 2;  // not the alert line

  s.form.Check5.Value = 1;
  s.RealtimeMode = true;
  s.NextRunTime = 45448.5625;
  floodAlertStep(s, ctx, line);
  EXPECT_EQ(row("45448.5625"), 1);
  s.NextRunTime = 45449;
  floodAlertStep(s, ctx, line);  // the same run: not again
  EXPECT_EQ(row("45449"), 0);

  RunContext next;
  s.NextRunTime = 0;
  floodAlertStep(s, next, line);
  EXPECT_EQ(row("2"), 1);

  testing::execSql(hdb, "delete from rupdate");
  for (auto [dailys, realtime] : {std::pair{0, true}, {1, false}}) {
    RunContext run;
    s.form.Check5.Value = static_cast<int16_t>(dailys);
    s.RealtimeMode = realtime;
    floodAlertStep(s, run, line);
    EXPECT_EQ(testing::countRows(hdb, "select * from rupdate where datatype_site_id=-1"), 0);
  }
}

TEST_F(FloodAlerts, ABadCrossingRecordIsLoggedAndTheStepGoesOn) {
  s.Alert.AlertLastLevel = 3;
  s.Alert.AlertTexts = {"4000 ACTION"};
  s.Alert.AlertCrossDates = {kTestNow};
  s.Alert.AlertNextLevel = 3;
  floodAlertStep(s, ctx, line);
  ASSERT_EQ(s.errlog.written().size(), 1u);
  EXPECT_EQ(s.errlog.written()[0], "Flood alert: Subscript out of range");
  EXPECT_EQ(s.Alert.AlertNextLevel, 0);
}

// A count left by a line whose pass skipped the alert step is not reported for the next line.
TEST_F(FloodAlerts, EveryLinesAlertSetUpClearsTheCrossingCount) {
  int16_t email = 0;
  s.Alert.AlertNextLevel = 2;
  alertSetUp(s.Alert, email, "Flow", kTestNow, 0);
  EXPECT_EQ(s.Alert.AlertNextLevel, 0);
  s.Alert.AlertNextLevel = -1;
  alertSetUp(s.Alert, email, "Flow-Alert>5000-HOUR", kTestNow, 0);
  EXPECT_EQ(s.Alert.AlertNextLevel, 0);
}

TEST_F(FloodAlerts, PendingAlertTextIsIssuedOnceAtTheFinish) {
  ctx.IssuedAlerts = "*Flood ALERT* \r\n";
  issuePendingAlerts(s, ctx);
  issuePendingAlerts(s, ctx);
  EXPECT_EQ(alertLog(), "Issued: 6/5/2024 13:15\r\n*Flood ALERT* \r\n\r\n");
  RunContext quiet;
  issuePendingAlerts(s, quiet);
  EXPECT_EQ(alertLog(), "Issued: 6/5/2024 13:15\r\n*Flood ALERT* \r\n\r\n");
}

}  // namespace
}  // namespace fw
