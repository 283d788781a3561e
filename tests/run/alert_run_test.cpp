// Headless batch runs with a flood-alert line: the gauge's values cross two levels, the alert is
// logged and mailed through a local STARTTLS server, the throttle holds over three runs, and a
// mail server that cannot be reached costs the run nothing but the mail.
#include <gtest/gtest.h>

#include "platform/vb/format.h"
#include "run/flood_alerts.h"
#include "run/run_fixture.h"
#include "support/smtp_sink.h"

namespace fw {
namespace {

using testing::SmtpSink;

constexpr double kDay1 = 45447;  // 06/04/2024; the run is on 06/05/2024 at 13:15

const std::string kAlertLine =
    "09380000; 1101; Flow-Alert>5000-HOUR-EMAIL-4000 ACTION,5000 MINOR,7000 MODERATE,9000 MAJOR; "
    "Colorado R at Lees Ferry; 0; 0; ;";
const std::string kSecondGauge = "09379500; 1102; Flow; San Juan R; 0; 0; ;";
const std::string kPassword = SmtpSink::kPassword;

// 15-minute flows from 06/04 00:15 to 06/05 10:45: 3000 cfs on 06/04, 4200 until 06/05 05:00,
// then 5300.
std::string risingFlows() {
  std::string text = "# USGS 09380000\nagency\tsite\tdatetime\tvalue\n";
  for (int m = 15; m <= 1440 + 645; m += 15) {
    const char* value = m <= 1440 ? "3000" : m <= 1440 + 300 ? "4200" : "5300";
    text += "Z\t" + vb::Format(kDay1 + m / 1440.0, "mm/dd/yyyy hh:mm") + "\t" + value + "\n";
  }
  return text;
}

std::string steadyFlows() {
  std::string text = "# USGS 09379500\nagency\tsite\tdatetime\tvalue\n";
  for (int m = 15; m <= 1440 + 645; m += 15)
    text += "Z\t" + vb::Format(kDay1 + m / 1440.0, "mm/dd/yyyy hh:mm") + "\t800\n";
  return text;
}

class AlertRun : public testing::RunFixture {
 protected:
  void setUpAlertRun(const std::vector<std::string>& stations = {kAlertLine, kSecondGauge}) {
    setUp({"Write Dailys= True", "Write Hourly Avg= True", "Alert Start Time=-48",
           "Alert Address=ops@example.org duty@example.org, alerts@example.org, " + kPassword +
               ", localhost, 587, https://example.org/river",
           "Alert Address CC=chief@example.org", "Alert Address BCC=archive@example.org"},
          stations, {{"1101"}, {"1102"}, {"1103"}});
    s.form.Text2.Text = "2";
    sources->replies["09380000"] = {risingFlows(), "", 1, 2};
    sources->replies["09379500"] = {steadyFlows(), "", 1, 2};
    s.BatchMode = true;
  }
  std::string alertLog() const { return testing::readFile(t.folder / kAlertLogName); }
  std::string errorLog() const { return testing::readFile(t.folder / "Flumewright_errlog.txt"); }
  int rows(const std::string& sql) const { return testing::countRows(hdb, sql); }
  static int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }
  // The password is in no log, pane, alert log or rupdate note.
  void expectPasswordNowhere() {
    EXPECT_EQ(errorLog().find(kPassword), std::string::npos);
    EXPECT_EQ(alertLog().find(kPassword), std::string::npos);
    EXPECT_EQ(s.form.Text1.Text.find(kPassword), std::string::npos);
    EXPECT_EQ(s.LastError.find(kPassword), std::string::npos);
    EXPECT_EQ(rows("select * from rupdate where note like '%" + kPassword + "%'"), 0);
  }
};

TEST_F(AlertRun, CrossingsAreLoggedAndMailedAndTheThrottleHoldsOverThreeRuns) {
  SmtpSink sink(SmtpSink::Mode::StartTls);
  ASSERT_TRUE(sink.running()) << sink.error();
  setUpAlertRun();
  sink.serve(*s.services.mail, 587);
  runstations(s);

  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
  EXPECT_GT(rows("select * from rhour where datatype_site_id=1101"), 30);
  EXPECT_GT(rows("select * from rhour where datatype_site_id=1102"), 30);
  const std::string& pane = s.form.Text1.Text;
  EXPECT_NE(
      pane.find(
          "*Flood ALERT* \r\n1101 Colorado R at Lees Ferry\r\nHOUR FLOW\r\n4000 ACTION 4200 Wed Jun05 @ "),
      std::string::npos)
      << pane;
  EXPECT_NE(pane.find("\r\n5000 MINOR 5300 Wed Jun05 @ "), std::string::npos);
  EXPECT_NE(pane.find("EMAIL Alert Sent\r\n"), std::string::npos);

  const std::string log = alertLog();
  EXPECT_EQ(
      log.rfind(
          "Issued: 6/5/2024 13:15\r\nEMAIL-ON\r\nMINOR*Flood ALERT* \r\n1101 Colorado R at Lees Ferry\r\n"
          "HOUR FLOW\r\n4000 ACTION 4200 Wed Jun05 @ ",
          0),
      0u)
      << log;
  EXPECT_NE(log.find("\r\nMore Info:\r\nhttps://example.org/river\r\n"), std::string::npos);
  EXPECT_EQ(rows("select * from rupdate where datatype_site_id=-1 and note='Runoff Comp' and value=2"), 1);

  auto mails = sink.messages();
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].header("Subject"), "MINOR *Flood ALERT*");
  EXPECT_EQ(mails[0].tls, "starttls");
  EXPECT_EQ(mails[0].header("To"), "ops@example.org, duty@example.org");
  EXPECT_EQ(mails[0].header("Cc"), "chief@example.org");
  EXPECT_EQ(mails[0].rcptTos.size(), 4u);
  EXPECT_NE(mails[0].body().find("5000 MINOR 5300"), std::string::npos);
  expectPasswordNowhere();

  // Two more runs, 15 minutes apart: the second mail goes out, the third alert is held back.
  t.clock.advanceSeconds(15 * 60);
  runstations(s);
  t.clock.advanceSeconds(15 * 60);
  runstations(s);
  EXPECT_EQ(sink.messages().size(), 2u);
  const std::string later = alertLog();
  EXPECT_EQ(occurrences(later, "Issued: "), 3);
  EXPECT_EQ(occurrences(later, "EMAIL-ON"), 1);
  EXPECT_EQ(occurrences(later, "Issued: 6/5/2024 13:45\r\nEMAIL-OFF\r\nMINOR*Flood ALERT* "), 1) << later;
  EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(AlertRun, AMailServerThatCannotBeReachedCostsOnlyTheMail) {
  setUpAlertRun();
  s.services.mail->redirects.push_back({587, "127.0.0.1", 1});  // nothing listens there
  runstations(s);

  EXPECT_EQ(s.LastRunOutcome, RunOutcome::Finished);
  const std::string errors = errorLog();
  const auto at = errors.find("\r\nEMAIL: ");
  ASSERT_NE(at, std::string::npos) << errors;
  EXPECT_GT(errors.find("\r\n", at + 2), at + 12);  // libcurl's reason follows
  EXPECT_NE(errors.find("F I N I S H E D"), std::string::npos);
  EXPECT_NE(alertLog().find("Issued: 6/5/2024 13:15\r\nEMAIL-ON\r\nMINOR*Flood ALERT* "), std::string::npos);
  EXPECT_GT(rows("select * from rhour where datatype_site_id=1102"), 30);
  EXPECT_EQ(s.form.Text1.Text.find("EMAIL Alert Sent"), std::string::npos);
  EXPECT_TRUE(t.ui.boxes.empty());
  expectPasswordNowhere();

  // The server is back for the next run: the failed mail used up nothing of the throttle.
  SmtpSink sink(SmtpSink::Mode::StartTls);
  ASSERT_TRUE(sink.running()) << sink.error();
  sink.serve(*s.services.mail, 587);
  t.clock.advanceSeconds(15 * 60);
  runstations(s);
  EXPECT_EQ(sink.messages().size(), 1u);
  EXPECT_NE(s.form.Text1.Text.find("EMAIL Alert Sent"), std::string::npos);
}

// The walk stops before the last alert line: the alert text gathered so far is issued at the
// finish, once.
TEST_F(AlertRun, AlertTextIsIssuedAtTheFinishWhenTheLastAlertLineIsNotReached) {
  setUpAlertRun(
      {"09380000; 1101; Flow-Alert>5000-HOUR-4000 ACTION,5000 MINOR; Colorado R at Lees Ferry; 0; 0; ;",
       "09379500; 1103; Flow-Alert>5000-HOUR-4000 ACTION; San Juan R; 0; 0; ;"});
  sources->onCall = [](Session& session, SourceCall& c) {
    if (c.StationId == "09380000") session.StopRequested = true;
  };
  runstations(s);
  EXPECT_EQ(s.AlertIssueLine, 2);
  const std::string log = alertLog();
  EXPECT_EQ(occurrences(log, "Issued: "), 1);
  EXPECT_NE(log.find("MINOR*Flood ALERT* \r\n1101 Colorado R at Lees Ferry\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("EMAIL"), std::string::npos);
  EXPECT_LT(errorLog().find("Run stopped before line"), errorLog().find("F I N I S H E D"));
}

}  // namespace
}  // namespace fw
