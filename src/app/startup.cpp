#include "app/startup.h"

#include <exception>
#include <filesystem>

#include "app/batch_timer.h"
#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

std::string describe(const std::exception& e) {
  if (const auto* v = dynamic_cast<const vb::Error*>(&e)) return v->description();
  return e.what();
}

// Runs one shutdown step; a failure in it must not keep the program from ending.
template <typename F>
void passOver(F step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

std::string versionCaption() {
  return "Flumewright " + vb::CStr(int32_t{FLUMEWRIGHT_VERSION_MAJOR}) + "." +
         vb::CStr(int32_t{FLUMEWRIGHT_VERSION_MINOR}) + "." + vb::CStr(int32_t{FLUMEWRIGHT_VERSION_PATCH});
}

bool commandLineSelectsBatch(const std::string& commandLine) {
  return !commandLine.empty() && vb::InStr(vb::UCase(commandLine), "BATCH") > 0;
}

bool commandLineSelectsSchedule(const std::string& commandLine) {
  return vb::InStr(vb::UCase(commandLine), "SCHEDULED BATCH") > 0;
}

namespace {
// The setup's menu picture behind the log pane; one that is not there is named in the log pane,
// and the window starts without it.
void loadMenuPicture(Session& s) {
  if (s.MenuPic.empty()) return;
  std::error_code ec;
  if (std::filesystem::is_regular_file(s.MenuPic, ec))
    s.form.Image1.Picture = s.MenuPic;
  else
    logPaneLine(s, "Menu picture not found: " + s.MenuPic);
}
}  // namespace

void Form_Load(Session& s, const std::string& commandLine) {
  try {
    s.form.Caption = versionCaption();
    s.form.MousePointer = Pointer::Hourglass;
    s.RadarWorkTable.assign(2, std::vector<int32_t>(2, 0));
    if (commandLineSelectsBatch(commandLine)) s.BatchMode = true;
    if (commandLineSelectsSchedule(commandLine)) s.form.CheckBatch.setValue(1);

    s.links->setupdata(s);
    s.form.Text4.BackColor = kBusyColor;

    if (s.BatchMode && (s.SetupUnread || s.StartDateInvalid || !s.DatabaseFault.empty())) {
      // Nothing to run, no run time or no database to write to: the read has said why once, the
      // program ends and its exit status names the cause.
      s.ExitRequested = true;
    } else if (s.BatchMode) {
      s.links->runstations(s);
    } else {
      s.form.Text1.clear();
      loadMenuPicture(s);
      if (std::optional<vb::VbDate> last = s.links->lastRunTime(s)) {
        s.form.Text6.Text = "  Last run " + vb::Format(*last, "Ddd Mmm dd at hh:mm");
        s.LastRunTime = *last;
      }
      s.form.show();
    }
    // Dates are always read month first here, whatever the desktop's settings, so there is no
    // date order to warn about.
    s.form.MousePointer = Pointer::Default;
  } catch (const std::exception& e) {
    s.errlog.close();
    s.form.MousePointer = Pointer::Default;
    notify(s, describe(e) +
                  "\r\n\r\nUse the Connection button on the Select Station form to set the Database name.");
    if (s.BatchMode) {
      // Nothing ran and nothing will: an unattended program ends and says so by its exit status.
      s.LastRunOutcome = RunOutcome::Cancelled;
      s.ExitRequested = true;
    } else {
      // The user needs the window to mend the setup; without it the program would wait unseen.
      s.form.show();
    }
  }
}

void Command1_Click(Session& s) {
  if (s.RunActive || !s.form.Command1.Enabled) return;
  if (vb::InStr(s.form.Text6.Text, "Last run") > 0) s.form.Text6.Text.clear();
  s.links->runstations(s);
}

void Timer1_Timer(Session& s) {
  if (s.RunActive) return;
  const vb::VbDate now = s.clock.now();
  if (!runIsDue(s.NextRunTime, now)) return;
  s.NextRunTime = nextRunAfter(s.NextRunTime, s.BatchInterval, now);
  s.LastError.clear();
  s.CompactStatus = 0;

  switch (dailyCompaction(s.HdbUseDAO, s.form.chkCompactRepair.ticked(), s.LastCompactDay, now)) {
    case CompactStep::None:
      break;
    case CompactStep::Compact:
      s.form.Timer1.Enabled = false;
      s.form.Caption = "Compact&Repair";
      s.links->CompactRepair(s);
      s.CompactStatus = s.LastError.empty() ? 1 : -1;
      [[fallthrough]];
    case CompactStep::RecordDay:
      s.LastCompactDay = dayNumber(now);
      break;
  }
  s.links->runstations(s);
}

void Form_Resize(Session& s) {
  if (s.TrayState == kTrayShown && s.form.Visible) s.form.Visible = false;
}

bool Form_QueryUnload(Session& s) {
  if (s.RunActive) {
    s.StopRequested = true;
    return false;
  }
  s.GridStale = true;
  passOver([&] { s.links->releaseDatabase(s); });
  passOver([&] { s.services.internet->close(); });
  s.GdiplusToken = 0;
  passOver([&] { s.ui.doEvents(); });
  if (s.TrayState == kTrayShown || s.TrayState == kTrayBusy) {
    passOver([&] { s.services.tray->remove(); });
    s.TrayState = kTrayNone;
    s.TrayHookWindow = 0;
  }
  passOver([&] { s.ui.doEvents(); });
  passOver([&] { s.ui.doEvents(); });
  passOver([&] { s.errlog.close(); });
  s.form.Visible = false;
  return true;
}

}  // namespace fw
