#include "run/run_end.h"

#include <algorithm>
#include <exception>

#include "app/session.h"
#include "platform/script/script_control.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/flood_alerts.h"
#include "run/links.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";
inline constexpr vb::Color kRed = 255;

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

// The steps that close the run. Any error here ends them; cancelPath then restores the rest.
void closeRun(Session& s, RunContext& ctx) {
  s.errlog.close();
  s.services.internet->close();
  closeRunDatabase(s);

  s.form.Text1.append("Updated " + vb::CStr(ctx.MaxUpdatedDays) + " days" + s.HdbSizeText + kCrLf +
                      ctx.RunErrorText + kCrLf);
  s.ui.doEvents();
  for (auto [box, name] : {std::pair{&s.form.Check5, "Check5"},
                           {&s.form.Check3, "Check3"},
                           {&s.form.Check7, "Check7"},
                           {&s.form.Check6, "Check6"},
                           {&s.form.Check8, "Check8"},
                           {&s.form.chkSaveRadar, "chkSaveRadar"}})
    s.form.setBackColor(*box, kDoneColor, name);
  s.form.Command1.Enabled = true;
  s.form.MousePointer = Pointer::Default;
  s.form.Icon = "Flumewr";
  s.RunLastError = s.LastError;

  if (s.BatchMode) {
    if (!s.LastError.empty() && s.form.chkBeep.ticked()) s.ui.beep();
    s.form.chkForecastOverwrite.Value = 0;
    if (s.RunDateTime > s.ForecastHoldUntil) s.ForecastHoldUntil = vb::DateAdd("n", 28, s.RunDateTime);
    if (s.form.CheckBatch.ticked()) s.BatchScheduled = true;
    if (s.BatchScheduled) {
      ctx.RetrievalText.clear();
      s.UnitSeries.resize(1);
      s.ShiftSeries.resize(1);
      s.form.Text2.Text = "0";
      s.form.Caption = s.FolderTag + vb::Format(s.RunDateTime, " hh:mm AMPM ");
      s.ui.doEvents();
      if (s.TrayState == 1) s.services.tray->modify(s.form.Caption);
      s.services.radar->clearImageList(s);
      scriptControl(s).Reset();
      s.ui.doEvents();
    } else {
      s.ExitRequested = true;  // an unscheduled batch run: the program ends after this run
    }
  } else {
    if (ctx.BadStationCount != 0 || ctx.WarningCount != 0)
      s.form.Caption = "Bad Stations" + vb::Str(int32_t{ctx.BadStationCount}) + "  Warnings" +
                       vb::Str(int32_t{ctx.WarningCount});
    else
      s.form.Caption = ctx.FinishLine;
    if (ctx.StationsRun != 0) {
      s.form.Text1.append("F I N I S H E D");
      if (!ctx.RunErrorText.empty()) {
        size_t at = s.form.Text1.Text.find(vb::Left(ctx.RunErrorText, 20));
        if (at != std::string::npos && at > 0) s.form.Text1.colourRange(at, ctx.RunErrorText.size(), kRed);
      }
    } else if (ctx.ConditionResult == 0) {
      s.ui.msgBox("Station number not on list");
    }
  }
  s.ui.doEvents();
  // Clearing the browser's temporary internet files has no counterpart here.
}

}  // namespace

std::string runSummaryText(const RunContext& ctx) {
  return "Stored values for " + std::to_string(ctx.StationLinesStored.size()) + " of " +
         std::to_string(ctx.StationLinesWalked.size()) + " station lines; " +
         std::to_string(ctx.BadStationCount) + " bad stations, " + std::to_string(ctx.WarningCount) +
         " warnings.";
}

void writeRunSummary(Session& s, RunContext& ctx) {
  if (!ctx.Walked || ctx.SummaryWritten) return;
  ctx.SummaryWritten = true;
  const std::string text = runSummaryText(ctx);
  s.errlog.writeLine(text);
  logPaneLine(s, text);
}

std::string elapsedText(vb::VbDate start, vb::VbDate end) {
  // A run time set by "START DATE" may lie after the clock; the run then took no time.
  return vb::Format(std::max(0.0, end - start), "n:ss");
}

void finishRun(Session& s, RunContext& ctx) {
  try {
    issuePendingAlerts(s, ctx);
    if (s.services.radarWindow->isVisible()) s.services.radarWindow->hide();
    writeRunSummary(s, ctx);
    // Measured on the clock: a run time pinned by "START DATE" says nothing of how long it took.
    ctx.FinishLine = "F I N I S H E D  " + elapsedText(ctx.StartedAt, s.clock.now());
    s.errlog.writeLine(ctx.FinishLine);
    s.errlog.writeLine("");
    if (s.form.Check5.ticked() && s.RealtimeMode) {
      std::string note = "Last error: " + s.LastError;
      if (vb::InStr(note, "not available.") > 0) note = "Last error:";
      writeUpdate(s, "0", note, s.RunDateTime, 0);
    }
  } catch (const std::exception& e) {
    s.LastError = describe(e);
    s.errlog.writeLine(s.LastError);
  }
  if (s.LastRunOutcome != RunOutcome::Cancelled) s.LastRunOutcome = RunOutcome::Finished;
  cancelPath(s, ctx);
}

void cancelPath(Session& s, RunContext& ctx) {
  if (s.LastRunOutcome == RunOutcome::None) s.LastRunOutcome = RunOutcome::Cancelled;
  try {
    writeRunSummary(s, ctx);
  } catch (const std::exception& e) {
    s.errlog.writeLine(describe(e));
  }
  try {
    ctx.RunoffOut->close();
  } catch (const std::exception& e) {
    s.LastError = "Runoff.txt: " + describe(e);
    s.errlog.writeLine(s.LastError);
  }
  s.form.chkRunoffPrecipAdj.Value = 0;
  s.GraphWait = false;
  try {
    closeRun(s, ctx);
  } catch (const std::exception& e) {
    // Whatever failed, the window, the timer and an unscheduled batch program's end must not be
    // left hanging.
    s.LastError = describe(e);
    s.errlog.writeLine("Run end: " + s.LastError);
    s.errlog.close();
    s.form.Command1.Enabled = true;
    s.form.MousePointer = Pointer::Default;
    s.RunLastError = s.LastError;
    if (s.BatchMode && !s.BatchScheduled && !s.form.CheckBatch.ticked()) s.ExitRequested = true;
    if (s.BatchMode && s.form.CheckBatch.ticked()) s.BatchScheduled = true;
  }
  s.form.frameProgressBar.Visible = false;
  s.ui.doEvents();
  if (s.BatchScheduled) s.form.Timer1.Enabled = true;
}

void runLevelCancel(Session& s, RunContext& ctx) {
  const std::string count = vb::CStr(int32_t{ctx.BadStationCount});
  s.form.Text1.append(count + " station errors... Run canceled." + kCrLf + "Run canceled!" + kCrLf);
  s.LastError = count + " station errors... Run canceled.";
  ctx.RunErrorText += kCrLf + s.LastError;
  s.errlog.writeLine(s.LastError);
  s.LastRunOutcome = RunOutcome::Cancelled;
}

}  // namespace fw
