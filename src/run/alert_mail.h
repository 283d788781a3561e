#pragma once
// The flood-alert e-mail: one message to the recipients of the "ALERT ADDRESS" setting
// ("recipients, user, password, server, port[, more info]"), with the copies of "ALERT ADDRESS CC"
// and "ALERT ADDRESS BCC" when they are due, sent through the session's SMTP client.
#include <cstdint>
#include <string>

namespace fw {

struct Session;

// Sends the alert e-mail; true when the server took it ("EMAIL Alert Sent" in the log pane). A
// sixth part of the setting is appended to `body` as "More Info:" and its text. Copies go out
// for the e-mail setting -1 ("EMAIL") or when `emailLevel` is set. A failure sets LastError to
// "EMAIL: " and the reason, writes it to the error log and, outside batch mode, shows it in a
// box; no text of it holds the password or echoes the setting.
bool sendalertemail(Session& s, const std::string& subject, std::string& body, bool emailLevel,
                    int16_t emailSetting);

// A recipient text of blank-separated addresses as one ", "-separated list (runs of blanks count
// as one; no empty address).
std::string recipientList(const std::string& text);

}  // namespace fw
