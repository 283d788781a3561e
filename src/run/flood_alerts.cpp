#include "run/flood_alerts.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>

#include "app/session.h"
#include "common/log_files.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "run/alert_mail.h"
#include "run/links.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

template <typename T>
const T& element(const std::vector<T>& v, int index) {
  if (index < 0 || index >= static_cast<int>(v.size())) vb::raise(vb::err::SubscriptOutOfRange);
  return v[static_cast<size_t>(index)];
}

// The alert log, appended to. The first failure to open or write it is reported once in the error
// log; later writes are dropped, so the rest of the alert (beep, e-mail) still happens.
class AlertLog {
 public:
  AlertLog(Session& s, std::filesystem::path path) : s_(s), path_(std::move(path)) {
    out_.open(path_, std::ios::binary | std::ios::app);
    if (!out_.is_open()) fail(std::strerror(errno));
  }
  void line(const std::string& text) {
    if (failed_) return;
    errno = 0;
    out_ << text << kCrLf;
    out_.flush();
    if (!out_) fail(errno != 0 ? std::strerror(errno) : "it cannot be written");
  }

 private:
  void fail(const std::string& why) {
    failed_ = true;
    s_.errlog.writeLine("Alert log " + path_.string() + ": " + why);
  }
  Session& s_;
  std::filesystem::path path_;
  std::ofstream out_;
  bool failed_ = false;
};

void writeRunoffComp(Session& s, RunContext& ctx) {
  if (ctx.RunoffCompHandled) return;
  ctx.RunoffCompHandled = true;
  if (s.form.Check5.ticked() && s.RealtimeMode)
    writeUpdate(s, "-1", "Runoff Comp", s.RunDateTime, s.NextRunTime != 0 ? s.NextRunTime : 2);
}

}  // namespace

std::string normaliseLevelWord(const std::string& word) {
  std::string out = word;
  if (vb::InStr(word, "ACTION") > 0) out = "ACTION";
  if (vb::InStr(word, "MINOR") > 0) out = "MINOR";
  if (vb::InStr(word, "MODER") > 0) out = "MODERATE";
  if (vb::InStr(word, "MAJOR") > 0) out = "MAJOR";
  return out;
}

void reportCrossings(Session& s, RunContext& ctx, const LineState& line) {
  FloodAlertTracker& t = s.Alert;
  if (t.AlertNextLevel == 0) return;
  vb::VbDate crossed = 0;
  if (t.AlertNextLevel == -1) {
    crossed = element(t.AlertCrossDates, 0);
    t.AlertNextLevel = 1;
  } else {
    crossed = element(t.AlertCrossDates, t.AlertNextLevel - 1);
  }
  t.AlertTimeText = vb::Format(crossed, "DDD mmmdd@hh:mmAMPM ");
  std::string message = std::string("*Flood ALERT* ") + kCrLf + line.Dsid + " " + t.AlertSiteName + kCrLf +
                        t.AlertTableWord + " " + t.AlertPrefix + kCrLf;
  if (t.AlertLastLevel != 0) {
    for (int i = 0; i < t.AlertNextLevel; ++i)
      message += vb::Trim(element(t.AlertTexts, i)) +
                 vb::Format(element(t.AlertCrossDates, i), " DDD mmmdd @ hh:mmAMPM") + kCrLf;
  } else {
    message +=
        vb::CStr(t.AlertValue) + " " + line.UnitText + vb::Format(crossed, " DDD mmmdd @ hh:mmAMPM") + kCrLf;
  }
  logPaneLine(s, message);
  ctx.IssuedAlerts += message + kCrLf + kCrLf;
  ctx.AlertsIssued = false;
  if (t.AlertNextLevel > ctx.AlertHighestCount) {
    ctx.AlertHighestCount = t.AlertNextLevel;
    if (t.AlertLastLevel != 0) ctx.AlertLevelWord = vb::Trim(element(t.AlertTexts, t.AlertNextLevel - 1));
    if (ctx.AlertEmail > 1 && t.AlertNextLevel >= ctx.AlertEmail) ctx.AlertEmailLevel = true;
    t.AlertTimeText += " Level " + vb::CStr(int32_t{t.AlertNextLevel});
  }
  t.AlertNextLevel = 0;
}

void floodAlertStep(Session& s, RunContext& ctx, const LineState& line) {
  // Each part goes on when another fails: a bad crossing record must not cost the run its
  // "Runoff Comp" row, nor the alerts already gathered.
  try {
    reportCrossings(s, ctx, line);
  } catch (const std::exception& e) {
    s.Alert.AlertNextLevel = 0;
    s.LastError = "Flood alert: " + describe(e);
    s.errlog.writeLine(s.LastError);
  }
  try {
    writeRunoffComp(s, ctx);
  } catch (const std::exception& e) {
    s.LastError = "Flood alert: " + describe(e);
    s.errlog.writeLine(s.LastError);
  }
  if (line.StationIndex == s.AlertIssueLine && !ctx.IssuedAlerts.empty()) {
    try {
      issuealert(s, ctx, ctx.AlertLevelWord, ctx.AlertEmailLevel);
    } catch (const std::exception& e) {
      s.LastError = "Flood alert: " + describe(e);
      s.errlog.writeLine(s.LastError);
    }
  }
}

void issuealert(Session& s, RunContext& ctx, std::string& levelWord, bool emailLevel) {
  ctx.AlertsIssued = true;
  if (!levelWord.empty()) {
    levelWord = normaliseLevelWord(levelWord);
    ctx.IssuedAlerts = levelWord + ctx.IssuedAlerts + kCrLf;
  }
  const std::filesystem::path path = s.inProgramFolder(kAlertLogName);
  ShrinkLog(s, path, 32000);
  AlertLog log(s, path);
  if (s.form.chkBeep.ticked()) s.ui.beep();
  log.line("Issued: " + vb::Format(s.RunDateTime, "m/d/yyyy hh:mm"));
  if (ctx.AlertEmail != 0) {
    // The count stops at 4 ("any later alert"), so it never overflows in a long batch.
    int16_t count = s.EmailCount < 4 ? static_cast<int16_t>(s.EmailCount + 1) : int16_t{4};
    if (s.RunDateTime - s.LastEmailTime > kEmailPeriodDays) count = 1;
    if (count <= 2 || !s.BatchMode) {
      // A mail that did not go out uses up nothing of the period: the count and the time of the
      // last mail stay as they were.
      if (sendalertemail(s, levelWord + " *Flood ALERT*", ctx.IssuedAlerts, emailLevel, ctx.AlertEmail)) {
        s.EmailCount = count;
        s.LastEmailTime = s.RunDateTime;
      }
      if (count == 1) log.line("EMAIL-ON");
    } else {
      s.EmailCount = count;
      if (count == 3) log.line("EMAIL-OFF");
    }
  }
  log.line(ctx.IssuedAlerts);
}

void issuePendingAlerts(Session& s, RunContext& ctx) {
  if (ctx.AlertsIssued || ctx.IssuedAlerts.empty()) return;
  try {
    issuealert(s, ctx, ctx.AlertLevelWord, ctx.AlertEmailLevel);
  } catch (const std::exception& e) {
    s.LastError = "Flood alert: " + describe(e);
    s.errlog.writeLine(s.LastError);
  }
}

}  // namespace fw
