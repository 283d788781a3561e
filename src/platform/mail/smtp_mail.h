#pragma once
// Sends one plain-text e-mail over SMTP, with libcurl. Knows nothing of what the mail says.
//
// What callers can rely on:
// - port 465 is TLS from the first byte; any other port above 100 must switch to TLS with
//   STARTTLS before anything else is sent (a server that does not offer it is a failure); a port
//   of 100 or below is spoken in the clear;
// - the login is the user and password (PLAIN or LOGIN, whichever the server offers), the
//   envelope sender is the user, and every To, Cc and Bcc address is a recipient; the message
//   carries Date, From, To, Cc (when there are copies) and Subject headers, never a Bcc header;
//   the body's line ends are sent as CR LF;
// - the server's certificate and name are checked against the system's certificate store (or
//   the CA file set); no proxy is used;
// - connecting and every wait for a server reply time out (60 s each unless set);
// - the password travels only in the login: it is in no URL and in no error text.
#include <chrono>
#include <string>
#include <vector>

namespace fw::mail {

struct MailMessage {
  std::string server;  // host name or address
  int port = 25;
  std::string user;
  std::string password;
  std::string from;
  std::string to;   // addresses separated by ","; blanks around them are dropped
  std::string cc;   // the same; empty for none
  std::string bcc;  // the same; recipients only, never shown in the message
  std::string subject;
  std::string body;
};

// The recipients of a ","-separated address text: each trimmed, empty ones dropped.
std::vector<std::string> splitAddresses(const std::string& text);

class SmtpClient {
 public:
  virtual ~SmtpClient() = default;

  // Sends the message; "" when the server took it, else why not (in libcurl's words, the password
  // masked).
  virtual std::string send(const MailMessage& m);

  // Certificates to trust in place of the system's store (tests); empty = the system's store.
  std::string caFile;
  // Connections to these ports go to another host and port instead, under the original port's
  // TLS rule and name check (tests point the real ports at a local server).
  struct Redirect {
    int port;
    std::string host;
    int toPort;
  };
  std::vector<Redirect> redirects;
  std::chrono::seconds connectTimeout{60};
  std::chrono::seconds responseTimeout{60};
};

}  // namespace fw::mail
