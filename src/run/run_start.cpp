#include "run/run_start.h"

#include "app/session.h"
#include "common/log_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/box_numbers.h"
#include "run/links.h"
#include "store/connection.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";
const char* const kAgent = "Mozilla/5.0 (Windows NT)";
inline constexpr int32_t kReceiveTimeoutMs = 60000;
const char* const kStartDateInvalidText =
    "The setup file's START DATE is not a date, so the run did not start. Mend the line the error log "
    "names (a date such as 06/05/2024 13:15), or take it out to run at the present time.";

// A batch start: the window goes to the tray, and the run waits for its start minute.
void batchStart(Session& s) {
  const int32_t minute = startMinute(s);
  if (minute != 0) s.form.Caption = "Start " + s.FolderTag + " at hh:" + vb::FormatNumber(minute, "00");
  s.form.State = WindowState::Minimized;
  s.form.Visible = true;
  s.ui.doEvents();
  if (s.TrayState == 0) {
    if (s.services.tray->add(s.form.Caption)) {
      s.TrayState = 1;
      s.TrayHookWindow = 1;  // the tray now holds the window
      s.form.Visible = false;
    }
    s.ui.doEvents();
  }
  if (minute != 0) {
    while (vb::Minute(s.clock.now()) != minute && !s.StopRequested) {
      s.clock.sleepMs(500);
      s.ui.doEvents();
    }
    s.form.txtMinToStart.Text = "now";
  }
}

// The last-update check of a real-time run: when rupdate row 0 is older than the window, offer to
// start the window at the last update (batch runs take it without asking).
void lastUpdateCheck(Session& s, RunContext& ctx) {
  UpdateRow row = lastUpdate(s, "0");
  ctx.LastUpdate = row.updated;
  ctx.DaysBack = leadingLong(s.form.Text2.Text);
  if (s.BatchMode && s.BatchScheduled && vb::Hour(s.RunDateTime) < 4) {
    s.form.Text2.Text = "1";
    ctx.DaysBack = 1;
  }
  const int32_t runDay = static_cast<int32_t>(s.RunDay);
  const int32_t windowStartDay = runDay - ctx.DaysBack;
  const int32_t lastUpdateDay = static_cast<int32_t>(vb::Int(row.updated));
  if (windowStartDay <= lastUpdateDay) return;
  ctx.DaysBack = runDay - lastUpdateDay;
  if (ctx.DaysBack >= 100) return;
  const std::string days = vb::CStr(ctx.DaysBack);
  if (s.BatchMode) {
    s.form.Text2.Text = days;
    return;
  }
  MsgResult answer = s.ui.msgBox(
      "Starting date is newer than last computation update.  Do you want to start on older last update?",
      MsgButtons::YesNo, MsgIcon::Question, "Last update: " + days + " days ago.");
  ctx.RunAnswer = static_cast<int16_t>(answer);
  if (answer == MsgResult::Yes) s.form.Text2.Text = days;
}

}  // namespace

int32_t startMinute(Session& s) {
  const int32_t minute = leadingLong(s.form.txtMinToStart.Text);
  if (minute >= 0 && minute <= 59) return minute;
  // No clock minute would ever match: start now rather than wait for ever.
  s.errlog.writeLine("Start at minute " + vb::CStr(minute) + " is not a minute 0 to 59; the run starts now.");
  return 0;
}

StartResult startRun(Session& s, RunContext& ctx) {
  MainForm& f = s.form;
  f.Timer1.Enabled = false;
  // A failed daily compaction left its text in LastError for the run's log.
  const std::string compactError = s.CompactStatus == -1 ? s.LastError : std::string();
  s.LastError.clear();
  s.UsgsGoneNoted = false;
  s.GraphWait = false;
  s.GraphAdd = !s.GraphNext;
  f.FrameBatchVisible = false;

  if (!s.BatchScheduled && (f.CheckBatch.ticked() || s.BatchMode)) batchStart(s);

  ctx.StartedAt = s.clock.now();
  s.RunDateTime = s.StartDateSetting && *s.StartDateSetting != 0 ? *s.StartDateSetting : ctx.StartedAt;
  s.LastRunStart = s.RunDateTime;
  s.RunDay = vb::Int(s.RunDateTime);
  ctx.settings.DeleteTempFiles = f.chkDeleteTMP.ticked();
  ctx.settings.FutureDays = leadingLong(f.Text7.Text);

  // The first run with "Scheduled Batch" ticked sets the schedule, whether the program was started
  // with "BATCH" or the box was ticked by hand.
  if (!s.BatchScheduled && f.CheckBatch.Value == 1) {
    s.BatchMode = true;
    s.BatchInterval = leadingLong(f.Text5.Text);
    s.BaseBatchInterval = s.BatchInterval;
    s.NextRunTime = vb::DateAdd("n", s.BatchInterval, s.LastRunStart);
  } else if (s.BatchScheduled && s.BatchMode && f.chkReadSetup.ticked()) {
    f.chkReadSetup.Value = 0;
    reloadSetup(s);
  }

  const std::filesystem::path logPath = s.inProgramFolder(kErrorLogName);
  s.errlog.setPath(logPath);
  ShrinkLog(s, logPath, 32000);
  s.errlog.open();
  if (s.SetupChanged) {
    reloadSetup(s);
    s.SetupChanged = false;
  }
  // The run time the setup file asks for is unknown: running at another time would write another
  // period. The read has said which line it is; with the window the Start button says it again.
  if (s.StartDateInvalid) {
    if (!s.BatchMode) s.ui.msgBox(kStartDateInvalidText, MsgButtons::OK, MsgIcon::Exclamation);
    return StartResult::Cancel;
  }

  f.Command1.Enabled = false;
  f.MousePointer = Pointer::Hourglass;
  f.Text1.clear();
  f.Text1.append(std::string(" ") + kCrLf);
  for (int i = 0; i < 10; ++i) f.Text1.append(kCrLf);

  s.RealtimeMode = f.Text2.Enabled;
  if (!s.RealtimeMode && f.Option1[0].Value) {  // "Dailys Only" in history mode
    f.Check3.Value = 0;
    f.Check6.Value = 0;
    f.Checkbadvalue.Value = 0;
  }
  s.OverwriteSource5 = f.Check4.ticked();
  ctx.settings.MissingAllowedPercent = leadingInteger(f.Text8.Text);
  ctx.settings.BadValuePercent = vb::Val(f.Text4.Text) / 100;
  s.services.radar->clearImageList(s);
  s.PeakFlow = 0;
  s.Alert.AlertNextLevel = 0;
  s.MetricUnits = f.chkMetric.ticked();
  ctx.settings.AllowedBadStations = leadingInteger(f.txtAllowedBadStations.Text);

  s.errlog.writeLine("B E G I N  " + vb::CStrDate(s.RunDateTime));
  if (!s.HdbUseDAO) s.errlog.writeLine("Database connect using ADODB");
  if (s.CompactStatus == 1) s.errlog.writeLine("HDB Compact & Repair.");
  if (s.CompactStatus == -1) s.errlog.writeLine(compactError);

  if (f.Check1.ticked()) ctx.settings.OneStationSdid = f.Text3.Text;
  if (s.StationRange.first == 0) s.StationRange = {1, s.StationCount, true};
  for (int32_t i = s.StationRange.first; i <= s.StationRange.last && i <= s.StationCount; ++i)
    if (vb::InStr(s.StationTable(3, i), ">") > 0) s.AlertIssueLine = static_cast<int16_t>(i);

  InternetSession& internet = *s.services.internet;
  if (!internet.isOpen()) internet.open(kAgent);
  if (internet.isOpen()) {
    internet.setReceiveTimeout(kReceiveTimeoutMs);
  } else {
    if (s.BatchMode) return StartResult::Cancel;
    if (s.ui.msgBox("No internet connection. Do you wish to work offline?", MsgButtons::YesNo,
                    MsgIcon::Question) == MsgResult::No)
      return StartResult::Cancel;
  }

  try {
    openRunDatabase(s);
  } catch (const vb::Error& e) {
    // No database, no run: the cause is said once and the exit status names it.
    databaseNotOpened(s, e);
    return StartResult::Cancel;
  }
  if (s.RealtimeMode) lastUpdateCheck(s, ctx);
  if (f.chkNoAsks.ticked()) {
    s.NoAsks = true;
    // The run is no longer held for the user.
    graph_window::Command2_Click(s);
  }
  f.frameProgressBar.Visible = true;
  s.InternetFailed = false;
  return StartResult::Walk;
}

}  // namespace fw
