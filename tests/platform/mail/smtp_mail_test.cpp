// The SMTP layer against a local aiosmtpd server: the TLS rule of each port, the login, the
// envelope and the header lines, and the ways a send fails.
#include "platform/mail/smtp_mail.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "support/smtp_sink.h"

namespace fw {
namespace {

using testing::SmtpSink;

mail::MailMessage message(int port) {
  mail::MailMessage m;
  m.server = "localhost";
  m.port = port;
  m.user = SmtpSink::kUser;
  m.password = SmtpSink::kPassword;
  m.from = SmtpSink::kUser;
  m.to = "ops@example.org, duty@example.org";
  m.cc = "chief@example.org";
  m.bcc = "archive@example.org";
  m.subject = "MINOR *Flood ALERT*";
  m.body = "line one\nline two\r\n.starts with a dot\rlast";
  return m;
}

struct PortCase {
  int port;
  SmtpSink::Mode mode;
  const char* tls;
};

class SmtpPorts : public ::testing::TestWithParam<PortCase> {};

TEST_P(SmtpPorts, TheServerGetsOneMessageUnderThePortsTlsRule) {
  SmtpSink sink(GetParam().mode);
  ASSERT_TRUE(sink.running()) << sink.error();
  mail::SmtpClient client;
  sink.serve(client, GetParam().port);
  EXPECT_EQ(client.send(message(GetParam().port)), "");

  const auto got = sink.messages();
  ASSERT_EQ(got.size(), 1u);
  const testing::SinkMessage& m = got[0];
  EXPECT_EQ(m.tls, GetParam().tls);
  EXPECT_EQ(m.login, SmtpSink::kUser);
  EXPECT_EQ(m.mailFrom, SmtpSink::kUser);
  EXPECT_EQ(m.rcptTos, (std::vector<std::string>{"ops@example.org", "duty@example.org", "chief@example.org",
                                                 "archive@example.org"}));
  EXPECT_EQ(m.header("From"), SmtpSink::kUser);
  EXPECT_EQ(m.header("To"), "ops@example.org, duty@example.org");
  EXPECT_EQ(m.header("Cc"), "chief@example.org");
  EXPECT_FALSE(m.hasHeader("Bcc"));
  EXPECT_EQ(m.header("Subject"), "MINOR *Flood ALERT*");
  EXPECT_FALSE(m.header("Date").empty());
  EXPECT_EQ(m.body(), "line one\r\nline two\r\n.starts with a dot\r\nlast\r\n");
}

INSTANTIATE_TEST_SUITE_P(Ports, SmtpPorts,
                         ::testing::Values(PortCase{25, SmtpSink::Mode::Plain, "none"},
                                           PortCase{465, SmtpSink::Mode::ImplicitTls, "implicit"},
                                           PortCase{587, SmtpSink::Mode::StartTls, "starttls"}),
                         [](const auto& info) { return "Port" + std::to_string(info.param.port); });

TEST(SmtpMail, WithoutCopiesThereIsNoCcHeader) {
  SmtpSink sink(SmtpSink::Mode::Plain);
  ASSERT_TRUE(sink.running()) << sink.error();
  mail::SmtpClient client;
  sink.serve(client, 25);
  mail::MailMessage m = message(25);
  m.cc.clear();
  m.bcc.clear();
  ASSERT_EQ(client.send(m), "");
  const auto got = sink.messages();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_FALSE(got[0].hasHeader("Cc"));
  EXPECT_EQ(got[0].rcptTos.size(), 2u);
}

TEST(SmtpMail, TheLoginUsesWhicheverOfPlainAndLoginTheServerOffers) {
  for (const char* only : {"PLAIN", "LOGIN"}) {
    SCOPED_TRACE(only);
    SmtpSink sink(SmtpSink::Mode::StartTls, SmtpSink::kUser, SmtpSink::kPassword, only);
    ASSERT_TRUE(sink.running()) << sink.error();
    mail::SmtpClient client;
    sink.serve(client, 587);
    ASSERT_EQ(client.send(message(587)), "");
    const auto got = sink.messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].mechanism, only);
    EXPECT_EQ(got[0].login, SmtpSink::kUser);
  }
}

// Every failure comes back as a text that names the trouble and never holds the password.
TEST(SmtpMail, FailuresAreReportedWithoutThePassword) {
  SmtpSink starttls(SmtpSink::Mode::StartTls);
  SmtpSink plain(SmtpSink::Mode::Plain);
  ASSERT_TRUE(starttls.running()) << starttls.error();
  ASSERT_TRUE(plain.running()) << plain.error();

  struct Case {
    const char* what;
    const char* says;  // part of the reason
    std::function<void(mail::SmtpClient&, mail::MailMessage&)> arrange;
  };
  const std::vector<Case> cases = {
      {"wrong password", "Login denied",
       [&](mail::SmtpClient& c, mail::MailMessage& m) {
         starttls.serve(c, 587);
         m.password = "Wrong-" + m.password;
       }},
      {"CA file missing", "certificate file",
       [&](mail::SmtpClient& c, mail::MailMessage&) {
         starttls.serve(c, 587);
         c.caFile = "/nonexistent-ca-file-so-the-system-store-is-not-it.pem";
       }},
      {"system store does not know the test certificate", "self-signed certificate",
       [&](mail::SmtpClient& c, mail::MailMessage&) {
         starttls.serve(c, 587);
         c.caFile.clear();
       }},
      {"name not in the certificate", "mail.example.org",
       [&](mail::SmtpClient& c, mail::MailMessage& m) {
         starttls.serve(c, 587);
         m.server = "mail.example.org";
       }},
      {"server without STARTTLS on a port above 100", "STARTTLS",
       [&](mail::SmtpClient& c, mail::MailMessage&) { plain.serve(c, 587); }},
      {"connection refused", "connect",
       [&](mail::SmtpClient& c, mail::MailMessage&) {
         c.redirects.push_back({587, "127.0.0.1", 1});
       }},
      {"server name that would change the URL", "not a host name",
       [&](mail::SmtpClient& c, mail::MailMessage& m) {
         starttls.serve(c, 587);
         m.server = "localhost/x@evil";
       }},
      {"subject with a line break", "line break",
       [&](mail::SmtpClient& c, mail::MailMessage& m) {
         starttls.serve(c, 587);
         m.subject = "MINOR\r\nBcc: someone@example.org";
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    mail::SmtpClient client;
    mail::MailMessage m = message(587);
    k.arrange(client, m);
    const std::string error = client.send(m);
    EXPECT_NE(error.find(k.says), std::string::npos) << error;
    EXPECT_EQ(error.find(SmtpSink::kPassword), std::string::npos) << error;
  }
  EXPECT_TRUE(starttls.messages().empty());
  EXPECT_TRUE(plain.messages().empty());
}

// A server that accepts the connection and never greets gives up after the response time-out.
TEST(SmtpMail, ASilentServerTimesOut) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  socklen_t len = sizeof a;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);

  mail::SmtpClient client;
  client.redirects.push_back({25, "127.0.0.1", ntohs(a.sin_port)});
  client.responseTimeout = std::chrono::seconds(1);
  client.connectTimeout = std::chrono::seconds(1);
  const auto start = std::chrono::steady_clock::now();
  const std::string error = client.send(message(25));
  const auto took = std::chrono::steady_clock::now() - start;
  ::close(listener);
  EXPECT_FALSE(error.empty());
  EXPECT_LT(took, std::chrono::seconds(10));
}

TEST(SmtpMail, AddressListsDropBlanksAndEmptyEntries) {
  EXPECT_EQ(mail::splitAddresses(" a@x.org ,, b@y.org,  "), (std::vector<std::string>{"a@x.org", "b@y.org"}));
  EXPECT_TRUE(mail::splitAddresses("").empty());
}

}  // namespace
}  // namespace fw
