#pragma once
// The main window as data: its controls under their own names, so that every routine that reads
// or writes a control works headless. The Qt view shows this model and forwards events to it.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/vb/color.h"

namespace fw {

// A check box holds 0 (unticked), 1 (ticked) or 2 (greyed), as VB's does.
struct CheckBox {
  int16_t Value = 0;
  vb::Color BackColor = kDefaultBackColor;
  bool Enabled = true;
  bool Visible = true;
  static constexpr vb::Color kDefaultBackColor = -2147483633;  // the system's button face
  bool ticked() const { return Value != 0; }
};

struct TextBox {
  std::string Text;
  bool Enabled = true;
  bool Visible = true;
  vb::Color BackColor = kDefaultBackColor;
  static constexpr vb::Color kDefaultBackColor = -2147483643;  // the system's window background
};

// The log pane: a rich text box the program appends to and keeps scrolled to its end.
struct LogPane {
  std::string Text;
  void append(const std::string& text) { Text += text; }
  void appendLine(const std::string& text) { Text += text + "\r\n"; }
  void clear() { Text.clear(); }
};

// Colours a writer gives its option box while it works and when it has finished.
inline constexpr vb::Color kBusyColor = 5869787;
inline constexpr vb::Color kDoneColor = 10579031;

struct MainForm {
  std::string Caption;
  LogPane Text1;  // the log pane

  TextBox Text2;  // "Days to retrieve"
  TextBox Text3;  // DSID of the station in work
  TextBox Text4;
  TextBox Text5;  // "Percent Missing Allowed"
  TextBox Text6;
  TextBox Text7;  // "Future Days"
  TextBox Text8;  // "Minutes between retrievals"
  TextBox TextBegindate;  // history mode begin, "yyyy-mm-dd hh:mm"
  TextBox TextEnddate;    // history mode end
  TextBox txtRadarMaxHrs;
  TextBox txtAllowedBadStations;
  TextBox txtRadarInch;

  CheckBox Check1;
  CheckBox Check2;
  CheckBox Check3;  // "Write  Hourly Avg"
  CheckBox Check4;  // "Overwrite Source 5"
  CheckBox Check5;  // "Write Dailys"
  CheckBox Check6;  // "Write Unit Values"
  CheckBox Check7;  // "Write Daily MaxMin"
  CheckBox Check8;  // "Write Unit Shifts"
  CheckBox CheckBatch;  // "Scheduled Batch"
  CheckBox Checkbadvalue;  // "Bad Value Check"
  CheckBox chkSaveRadar;
  CheckBox chkBeep;
  CheckBox chkDeleteTMP;
  CheckBox chkLoopBoundarys;
  CheckBox chk30R70;
  CheckBox chkCompactRepair;  // "HDB Compact"
  CheckBox chkNoAsks;         // "No Asks"
  CheckBox chkWindsaloftgraphic;
  CheckBox chkMetric;
  int16_t optLongDir = 0;  // the selected one of the three radar listing options

  // A view installs this to repaint a control whose back colour changed; headless it is empty.
  std::function<void(const char* control)> onRepaint;

  void setBackColor(CheckBox& box, vb::Color color, const char* name) {
    box.BackColor = color;
    if (onRepaint) onRepaint(name);
  }
};

}  // namespace fw
