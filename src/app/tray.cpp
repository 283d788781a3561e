#include "app/tray.h"

#include <cmath>

#include "app/editor_tools.h"
#include "app/main_options.h"
#include "app/radar_form.h"
#include "app/session.h"
#include "app/startup.h"
#include "platform/process/process_runner.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "run/run_services.h"

namespace fw::tray {

namespace {

constexpr std::size_t kTipBytes = 63;

void restore(Session& s) {
  s.form.State = WindowState::Normal;
  s.form.show();
}

}  // namespace

void MyMouseMove(Session& s, int32_t lParam, const std::function<int()>& popMenu) {
  if (s.TrayState != kTrayShown) return;
  s.TrayState = kTrayBusy;  // the restore's resize must not hide the window again
  if (lParam == kLeftButtonDown) {
    restore(s);
  } else if (lParam == kRightButtonDown && popMenu) {
    const int chosen = popMenu();
    if (chosen >= 0) menuItem_Click(s, chosen);
  }
  if (s.TrayState == kTrayBusy) s.TrayState = kTrayShown;
}

std::string trayInfoText(Session& s) {
  const double minutes = s.NextRunTime == 0 ? 0 : (s.NextRunTime - s.clock.now()) * 1440.0;
  std::string text = "Next run in " + vb::CStr(std::trunc(minutes)) + " min\r\n";
  text += "Batch interval: " + s.form.Text5.Text + "\r\n";
  text += "Alert issued: " + (s.LastAlertText.empty() ? std::string("none") : s.LastAlertText) + "\r\n";
  text += "Last error: " + (s.RunLastError.empty() ? std::string("none") : vb::Left(s.RunLastError, 30));
  if (s.HdbUseDAO && s.HdbSizeText.size() > 2) text += "\r\n" + s.HdbSizeText.substr(2);
  s.LastAlertText.clear();
  s.RunLastError.clear();
  return text;
}

void menuItem_Click(Session& s, int index) {
  switch (index) {
    case 0:
      restore(s);
      break;
    case 1: {
      const std::string text = trayInfoText(s);
      s.ui.modelessBox(text, MsgIcon::Question, "Flumewright " + s.form.Caption);
      break;
    }
    case 2:
      if (!s.services.radarWindow->showLastImage()) logPaneLine(s, kNoRadarYet);
      break;
    case 3:
      main_options::cmdShowNowcastCounts_Click(s);
      break;
    case 4:
      main_options::cmdShowNowcast_Click(s);
      break;
    case 5:
      main_options::cmdEditWindsAloft_Click(s);
      break;
    case 6:
      main_options::cmdNowcastExpires_Click(s);
      break;
    case 7:
      main_options::cmdViewAlert_Click(s);
      break;
    case 8:
      cmdPlotwerks_Click(s);
      break;
    case 9:
      cmdSkyvantor_Click(s);
      break;
    case 10:
      openViewer(s, openCommand(s.programFolder.string()), s.programFolder.string());
      break;
    case 11:
      main_options::Command3_Click(s);
      break;
    case 12:
      // A run in progress is asked to stop first; the program ends once it has.
      Form_QueryUnload(s);
      s.ExitRequested = true;
      break;
    default:
      break;
  }
}

std::string trayTip(const std::string& caption) {
  if (caption.size() <= kTipBytes) return caption;
  std::size_t n = kTipBytes;
  // Back off over continuation bytes so the cut falls before a character's first byte.
  while (n > 0 && (static_cast<unsigned char>(caption[n]) & 0xC0) == 0x80) --n;
  return caption.substr(0, n);
}

}  // namespace fw::tray
