#include "app/main_options.h"

#include <algorithm>
#include <filesystem>

#include "app/common_dialog.h"
#include "app/date_form.h"
#include "app/session.h"
#include "app/setup_data.h"
#include "app/startup.h"
#include "common/paths.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "radar/winds_aloft.h"

namespace fw::main_options {

namespace {

constexpr vb::Color kPicked = 5869787;
constexpr vb::Color kUnpicked = 3879240;
constexpr int32_t kHistoryHeight = 8160;   // twips, room for the history dates
constexpr int32_t kRealtimeHeight = 7365;  // twips
constexpr const char* kMenuPicFilter = "Gif Jpg Png files (*.GIF;*.JPG)|*.GIF;*.JPG|All files (*.*)|*.*|";

void start(Session& s, const std::vector<std::string>& argv) {
  openViewer(s, argv, argv.back());
}

void viewLog(Session& s, const std::string& name) {
  openInEditor(s, s.inProgramFolder(name).string());
}

void editRadarFile(Session& s, const std::string& name) {
  std::string path = windsAloftFolder(s) + name;
  if (!s.CurrentRadarSite.empty()) {
    path = vb::Replace(path, "RRR", s.CurrentRadarSite);
    path = vb::Replace(path, "PPP", s.CurrentRadarProduct);
  }
  std::error_code ec;
  if (std::filesystem::exists(path, ec))
    openInEditor(s, path);
  else
    notify(s, path + " not found.  Run a radar first?");
}

int32_t boxNumber(const std::string& text) {
  return static_cast<int32_t>(vb::Val(vb::Replace(text, "%", "")));
}

void step(Session& s, UpDown& spin, TextBox& box, int direction, void (*change)(Session&)) {
  const int32_t next = std::clamp(boxNumber(box.Text) + direction * spin.Increment, spin.Min, spin.Max);
  if (next == spin.Value && box.Text == vb::CStr(next) + "%") return;
  spin.Value = next;
  change(s);
}

}  // namespace

void openInEditor(Session& s, const std::string& file) {
  start(s, textEditorCommand(file));
}

void connect(Session& s) {
  MainForm& f = s.form;
  f.Text2.Change = [&s] { Text2_Change(s); };
  f.Text3.Change = [&s] { Text3_Change(s); };
  f.Text9.Change = [&s] { Text9_Change(s); };
  f.txtRadarMaxHrs.Change = [&s] { txtRadarMaxHrs_Change(s); };
  f.txtRunoffPrecipAdj.Change = [&s] { txtRunoffPrecipAdj_Change(s); };
  f.CheckBatch.Click = [&s] { CheckBatch_Click(s); };
  f.chkMetric.Click = [&s] { chkMetric_Click(s); };
  f.Check1.Click = [&s] { Check1_Click(s); };
  f.Checkbadvalue.Click = [&s] { Checkbadvalue_Click(s); };
}

void cmdShowNowcastCounts_Click(Session& s) {
  viewLog(s, "Flumewright_StormCount.txt");
}
void cmdViewAlert_Click(Session& s) {
  viewLog(s, "Flumewright_Alert.txt");
}
void Command3_Click(Session& s) {
  viewLog(s, "Flumewright_errlog.txt");
}
void cmdEditWindsAloft_Click(Session& s) {
  editRadarFile(s, "WindsAloft_RRR_PPP.txt");
}
void cmdNowcastExpires_Click(Session& s) {
  editRadarFile(s, "NowCast_RRR_PPP.txt");
}

void cmdShowNowcast_Click(Session& s) {
  if (s.NowcastTrackFile.empty()) {
    notify(s, "File not found:  ");
    return;
  }
  std::string path = s.NowcastTrackFile;
  const char* steps[][2] = {{"_N0B_", "_A2M_"}, {"_A2M_", "_N0Q_"}, {"_N0Q_", "_NCQ_"}, {"_NCQ_", "_NCR_"}};
  for (const auto& st : steps) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) break;
    path = vb::Replace(path, st[0], st[1]);
  }
  openInEditor(s, path);
}

void cmdHelp_Click(Session& s) {
  const std::string version = versionCaption().substr(std::string("Flumewright ").size());
  const std::string title = std::string(kWebSite) + " " + version;
  if (notify(s, "Would you like to go to online help?", MsgButtons::YesNo, MsgIcon::Question, title) ==
          MsgResult::Yes &&
      !s.BatchMode)
    start(s, openCommand(kHelpPage));
  s.ui.doEvents();
}

void cmdMenuPic_Click(Session& s) {
  MainForm& f = s.form;
  try {
    CommonDialog& d = f.CommonDialog1;
    d.InitDir = s.programFolder.string();
    d.Filter = kMenuPicFilter;
    showFileDialog(s.ui, d, false);
    s.MenuPic = d.FileName;
    f.Text1.clear();
    if (!s.MenuPic.empty()) f.Image1.Picture = s.MenuPic;
    switch (f.MenuColorIndex) {
      case 0:
        s.MenuTextColor = 14085615;
        f.MenuColorIndex = 1;
        break;
      case 1:
        s.MenuTextColor = 5869787;
        f.MenuColorIndex = 2;
        break;
      case 2:
        s.MenuTextColor = 0;
        f.MenuColorIndex = 3;
        break;
      default:
        s.MenuTextColor = 16777215;
        f.MenuColorIndex = 0;
        break;
    }
    f.Text1.append(
        "\r\nText color swaps with each pic change.\r\nSave setup to keep pic.\r\nOr edit "
        "Flumewright_setup.txt "
        "'Menu Pic='\r\n",
        s.MenuTextColor);
    f.State = WindowState::Normal;
  } catch (const vb::Error& e) {
    notify(s, e.description());
  }
}

void CommandDate_Click(Session& s) {
  MainForm& f = s.form;
  s.RealtimeMode = f.Text2.Enabled;
  if (s.RealtimeMode) {
    f.CheckBatch.setValue(0);
    if (f.State == WindowState::Normal) f.Height = kHistoryHeight;
    date_form::ensureLoaded(s);
    s.DateForm.Visible = true;
    if (s.onShowDateForm) s.onShowDateForm();
  } else {
    f.Text2.Enabled = true;
    s.RealtimeMode = true;
    if (f.State == WindowState::Normal) f.Height = kRealtimeHeight;
  }
}

void CheckBatch_Click(Session& s) {
  s.form.FrameBatchVisible = s.form.CheckBatch.Value != 0;
}
void chkMetric_Click(Session& s) {
  s.MetricUnits = s.form.chkMetric.Value > 0;
}
void Text2_Change(Session& s) {
  s.NoAsks = false;
}
void Text3_Change(Session& s) {
  s.form.Check1.setValue(1);
}
void Text9_Change(Session& s) {
  s.form.txtRadarMaxHrs.setText(s.form.Text9.Text);
}
void txtRadarMaxHrs_Change(Session& s) {
  s.form.Text9.setText(s.form.txtRadarMaxHrs.Text);
}
void txtRunoffPrecipAdj_Change(Session& s) {
  s.form.chkRunoffPrecipAdj.setValue(1);
}
void UpDown2_Change(Session& s) {
  s.form.Text8.setText(vb::CStr(s.form.UpDown2.Value) + "%");
}
void UpDown3_Change(Session& s) {
  s.form.Text4.setText(vb::CStr(s.form.UpDown3.Value) + "%");
}
void UpDown2_Step(Session& s, int direction) {
  step(s, s.form.UpDown2, s.form.Text8, direction, UpDown2_Change);
}
void UpDown3_Step(Session& s, int direction) {
  step(s, s.form.UpDown3, s.form.Text4, direction, UpDown3_Change);
}

void Check1_Click(Session& s) {
  MainForm& f = s.form;
  if (f.Check1.Value != 0) {
    f.Text3.BackColor = kPicked;
    f.Text6.BackColor = kPicked;
  } else {
    f.Text3.BackColor = kUnpicked;
    if (vb::InStr(f.Text6.Text, "Selected") == 0) f.Text6.BackColor = kUnpicked;
  }
}

void Checkbadvalue_Click(Session& s) {
  s.form.Text4.BackColor = s.form.Checkbadvalue.Value == 1 ? TextBox::kDefaultBackColor : kPicked;
}

}  // namespace fw::main_options
