#pragma once
// An SMTP server on 127.0.0.1 for the alert e-mail tests: tests/support/smtp_sink.py (aiosmtpd),
// started as a process from an argument vector and stopped by its process id. It speaks plain
// SMTP, STARTTLS or TLS from the first byte with the test certificate of tests/fixtures/mail/
// (for localhost and 127.0.0.1), takes AUTH PLAIN and LOGIN for one user and password, and keeps
// every message it accepts in a file that messages() reads back.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/mail/smtp_mail.h"

namespace fw::testing {

struct SinkMessage {
  std::string mailFrom;
  std::vector<std::string> rcptTos;
  std::string data;       // header and body as received, CR LF line ends
  std::string tls;        // "none", "starttls" or "implicit"
  std::string login;      // the user that logged in
  std::string mechanism;  // "PLAIN" or "LOGIN"

  // The value of the first header line with this name ("" when there is none).
  std::string header(const std::string& name) const;
  bool hasHeader(const std::string& name) const;
  // What follows the blank line after the header.
  std::string body() const;
};

class SmtpSink {
 public:
  enum class Mode { Plain, StartTls, ImplicitTls };
  static constexpr const char* kUser = "alerts@example.org";
  static constexpr const char* kPassword = "Pw-7Zq-secret";

  // `onlyMechanism` ("PLAIN" or "LOGIN"): the one login mechanism offered; empty offers both.
  explicit SmtpSink(Mode mode, std::string user = kUser, std::string password = kPassword,
                    std::string onlyMechanism = "");
  ~SmtpSink();
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  // False when the server did not start; error() says why (the module missing, ...).
  bool running() const { return port_ > 0; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  std::vector<SinkMessage> messages() const;
  void stop();

  // The test certificate (also the CA file that trusts it).
  static std::filesystem::path certFile();
  // Points the client at this server: `settingPort` (25, 465, 587, ...) reaches it, and the test
  // certificate is trusted.
  void serve(mail::SmtpClient& client, int settingPort) const;

 private:
  int pid_ = -1;
  int port_ = 0;
  std::string error_;
  std::filesystem::path folder_;
};

}  // namespace fw::testing
