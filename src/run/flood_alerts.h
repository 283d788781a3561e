#pragma once
// Flood alerts: after a station line's values are stored, the crossings the writers left in the
// flood-alert tracker become an alert message in the log pane and in the run's alert text; at the
// last alert line of the walk the alert text is issued: appended to the alert log
// "Flumewright_Alert.txt", with a beep and (under a throttle) the alert e-mail.
#include <cstdint>
#include <string>

#include "run/run_context.h"

namespace fw {

struct Session;

inline constexpr const char* kAlertLogName = "Flumewright_Alert.txt";

// Batch runs send at most two alert e-mails within this many days of the last one sent.
inline constexpr double kEmailPeriodDays = 0.493;

// The alert step of a line that reached its end: the message of a pending crossing, the run's
// "Runoff Comp" update row (once per run), and the alert's issue when the line is the last alert
// line. No error leaves it: an error goes to the error log and the walk goes on.
void floodAlertStep(Session& s, RunContext& ctx, const LineState& line);

// Turns the tracker's crossing count into an alert message (pane and ctx.IssuedAlerts) and keeps
// the highest count, its level word and the e-mail level; the count is 0 afterwards. Nothing
// happens when the count is 0.
void reportCrossings(Session& s, RunContext& ctx, const LineState& line);

// The level word normalised: "ACTION", "MINOR", "MODERATE" ("MODER..."), "MAJOR", tested in that
// order on the word as given, the last match winning; other words stay as they are.
std::string normaliseLevelWord(const std::string& word);

// Issues the run's alert text: normalises the level word, puts it before the alert text, appends
// the entry to the alert log, beeps ("Beep ON"), and sends the e-mail under the throttle. An
// alert log that cannot be written is reported in the error log; the beep and the e-mail still
// go out.
void issuealert(Session& s, RunContext& ctx, std::string& levelWord, bool emailLevel);

// At the finish: alert text that was never issued (its last alert line was not reached) is
// issued once.
void issuePendingAlerts(Session& s, RunContext& ctx);

}  // namespace fw
