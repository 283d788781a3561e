// sendalertemail against a local SMTP server: recipients, copies, the more-info part, the TLS rule
// of each port, and failures that are reported without the password.
#include "run/alert_mail.h"

#include <gtest/gtest.h>

#include "support/smtp_sink.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::SmtpSink;

const std::string kPassword = SmtpSink::kPassword;

std::string address(int port, const std::string& more = ", https://example.org/river") {
  return "ops@example.org  duty@example.org , alerts@example.org, " + kPassword + " , localhost, " +
         std::to_string(port) + more;
}

class AlertMail : public ::testing::Test {
 protected:
  AlertMail() {
    s.BatchMode = true;
    s.AlertAddressCC = " chief@example.org   deputy@example.org ";
    s.AlertAddressBCC = "archive@example.org";
  }
  testing::TestSession t;
  Session& s = t.s;
};

struct PortCase {
  int port;
  SmtpSink::Mode mode;
  const char* tls;
};

class AlertMailPorts : public AlertMail, public ::testing::WithParamInterface<PortCase> {};

TEST_P(AlertMailPorts, OneMailToTheRecipientsWithTheMoreInfoPart) {
  SmtpSink sink(GetParam().mode);
  ASSERT_TRUE(sink.running()) << sink.error();
  sink.serve(*s.services.mail, GetParam().port);
  s.AlertAddress = address(GetParam().port);
  std::string body = "MINOR*Flood ALERT* \r\n1101 Colorado R\r\n";
  ASSERT_TRUE(sendalertemail(s, "MINOR *Flood ALERT*", body, false, 3));

  EXPECT_EQ(body, "MINOR*Flood ALERT* \r\n1101 Colorado R\r\nMore Info:\r\nhttps://example.org/river\r\n");
  const auto got = sink.messages();
  ASSERT_EQ(got.size(), 1u);
  const testing::SinkMessage& m = got[0];
  EXPECT_EQ(m.tls, GetParam().tls);
  EXPECT_EQ(m.login, "alerts@example.org");
  EXPECT_EQ(m.mailFrom, "alerts@example.org");
  EXPECT_EQ(m.header("From"), "alerts@example.org");
  EXPECT_EQ(m.header("Subject"), "MINOR *Flood ALERT*");
  EXPECT_EQ(m.header("To"), "ops@example.org, duty@example.org");
  // "EMAILTO3" before its third crossing: no copies.
  EXPECT_FALSE(m.hasHeader("Cc"));
  EXPECT_EQ(m.rcptTos, (std::vector<std::string>{"ops@example.org", "duty@example.org"}));
  EXPECT_EQ(m.body(), body);
  EXPECT_EQ(s.form.Text1.Text, "EMAIL Alert Sent\r\n");
  EXPECT_TRUE(s.errlog.written().empty());
}

INSTANTIATE_TEST_SUITE_P(Ports, AlertMailPorts,
                         ::testing::Values(PortCase{25, SmtpSink::Mode::Plain, "none"},
                                           PortCase{465, SmtpSink::Mode::ImplicitTls, "implicit"},
                                           PortCase{587, SmtpSink::Mode::StartTls, "starttls"}),
                         [](const auto& info) { return "Port" + std::to_string(info.param.port); });

TEST_F(AlertMail, CopiesGoOutForEmailOrOnceTheCopyLevelIsReached) {
  SmtpSink sink(SmtpSink::Mode::Plain);
  ASSERT_TRUE(sink.running()) << sink.error();
  sink.serve(*s.services.mail, 25);
  s.AlertAddress = address(25, "");
  for (auto [setting, level] : {std::pair<int16_t, bool>{-1, false}, {3, true}}) {
    std::string body = "*Flood ALERT* \r\n";
    ASSERT_TRUE(sendalertemail(s, "ACTION *Flood ALERT*", body, level, setting));
    EXPECT_EQ(body, "*Flood ALERT* \r\n");  // five parts: no more-info
  }
  const auto got = sink.messages();
  ASSERT_EQ(got.size(), 2u);
  for (const testing::SinkMessage& m : got) {
    EXPECT_EQ(m.header("Cc"), "chief@example.org, deputy@example.org");
    EXPECT_FALSE(m.hasHeader("Bcc"));
    EXPECT_EQ(m.rcptTos, (std::vector<std::string>{"ops@example.org", "duty@example.org", "chief@example.org",
                                                   "deputy@example.org", "archive@example.org"}));
  }
}

TEST_F(AlertMail, RecipientTextsBecomeListsWithoutEmptyAddresses) {
  EXPECT_EQ(recipientList("  a@x.org   b@y.org "), "a@x.org, b@y.org");
  EXPECT_EQ(recipientList("a@x.org"), "a@x.org");
  EXPECT_EQ(recipientList("   "), "");
}

// Each failure: an "EMAIL: " line in the error log and LastError, a box only when interactive,
// and the password nowhere.
TEST_F(AlertMail, FailuresAreReportedWithoutThePassword) {
  SmtpSink sink(SmtpSink::Mode::StartTls);
  ASSERT_TRUE(sink.running()) << sink.error();
  struct Case {
    const char* what;
    std::string setting;
    bool trusted = true;
    bool batch = true;
    const char* says = "";  // part of the report
  };
  const std::string four = "ops@example.org, alerts@example.org, " + kPassword + ", localhost";
  const std::vector<Case> cases = {
      {"four parts", four, true, true, "needs recipients, user, password, server and port"},
      {"four parts, interactive", four, true, false, "needs recipients, user, password, server and port"},
      {"port not a number", four + ", 58x7", true, true, "whole number from 1 to 65535"},
      {"port 0", four + ", 0", true, true, "whole number from 1 to 65535"},
      {"port too large", four + ", 70000", true, true, "whole number from 1 to 65535"},
      {"wrong password", "ops@example.org, alerts@example.org, Wrong" + kPassword + ", localhost, 587", true,
       false},
      {"untrusted certificate", address(587), false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    testing::TestSession fresh;
    Session& f = fresh.s;
    f.BatchMode = k.batch;
    f.AlertAddress = k.setting;
    sink.serve(*f.services.mail, 587);
    if (!k.trusted) f.services.mail->caFile.clear();
    std::string body = "*Flood ALERT* \r\n";
    EXPECT_FALSE(sendalertemail(f, "MINOR *Flood ALERT*", body, false, -1));
    ASSERT_EQ(f.errlog.written().size(), 1u);
    const std::string& line = f.errlog.written()[0];
    EXPECT_EQ(line.rfind("EMAIL: ", 0), 0u) << line;
    EXPECT_NE(line.find(k.says), std::string::npos) << line;
    EXPECT_EQ(f.LastError, line);
    EXPECT_EQ(fresh.ui.boxes.size(), k.batch ? 0u : 1u);
    if (!k.batch) {
      EXPECT_EQ(fresh.ui.boxes[0].text, line);
    }
    // The report never echoes the setting.
    EXPECT_EQ(line.find("ops@example.org"), std::string::npos) << line;
    EXPECT_EQ(line.find(kPassword), std::string::npos) << line;
    EXPECT_EQ(f.form.Text1.Text.find(kPassword), std::string::npos);
    EXPECT_EQ(f.form.Text1.Text.find("EMAIL Alert Sent"), std::string::npos);
  }
  EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
}  // namespace fw
