#include "run/alert_mail.h"

#include <vector>

#include "app/session.h"
#include "platform/mail/smtp_mail.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

// The port part as a whole number 1 to 65535; 0 when it is anything else.
int portNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return 0;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

std::string masked(std::string text, const std::string& secret) {
  if (secret.empty()) return text;
  for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 4))
    text.replace(at, secret.size(), "****");
  return text;
}

}  // namespace

std::string recipientList(const std::string& text) {
  std::string out;
  for (const std::string& part : vb::Split(vb::Trim(text), " "))
    if (!part.empty()) out += (out.empty() ? "" : ", ") + part;
  return out;
}

bool sendalertemail(Session& s, const std::string& subject, std::string& body, bool emailLevel,
                    int16_t emailSetting) {
  std::string error;
  std::string password;
  {
    const std::vector<std::string> parts = vb::Split(s.AlertAddress, ",");
    mail::MailMessage m;
    if (parts.size() < 5) {
      error =
          "The Alert Address setting needs recipients, user, password, server and port, separated by commas.";
    } else {
      m.to = recipientList(parts[0]);
      if (emailSetting == -1 || emailLevel) {
        m.cc = recipientList(s.AlertAddressCC);
        m.bcc = recipientList(s.AlertAddressBCC);
      }
      m.user = vb::Trim(parts[1]);
      password = m.password = vb::Trim(parts[2]);
      m.server = vb::Trim(parts[3]);
      const std::string port = vb::Trim(parts[4]);
      if (parts.size() > 5) body += std::string("More Info:") + kCrLf + vb::Trim(parts[5]) + kCrLf;
      m.port = portNumber(port);
      if (m.port == 0)
        error = "The port in the Alert Address setting must be a whole number from 1 to 65535.";
    }
    if (error.empty()) {
      m.from = m.user;
      m.subject = subject;
      m.body = body;
      s.ui.doEvents();
      error = s.services.mail->send(m);
      s.ui.doEvents();
    }
  }
  if (!error.empty()) {
    s.LastError = "EMAIL: " + masked(error, password);
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
    return false;
  }
  logPaneLine(s, "EMAIL Alert Sent");
  return true;
}

}  // namespace fw
