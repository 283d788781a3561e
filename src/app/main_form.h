#pragma once
// The main window as data: its controls under their own names, so that every routine that reads
// or writes a control works headless. The Qt view shows this model and forwards events to it.
// Initial values are those the window shows before any setup file has been read.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/script/script_control.h"
#include "platform/vb/color.h"

namespace fw {

// A check box holds 0 (unticked), 1 (ticked) or 2 (greyed), as VB's does.
struct CheckBox {
  int16_t Value = 0;
  vb::Color BackColor = kDefaultBackColor;
  bool Enabled = true;
  bool Visible = true;
  static constexpr vb::Color kDefaultBackColor = -2147483633;  // the system's button face
  // A greyed box counts as ticked wherever the program asks.
  bool ticked() const { return Value != 0; }
  // The window's handler, run when the value changes, whether the user or the program changed it.
  std::function<void()> Click = nullptr;
  void setValue(int16_t value) {
    if (value == Value) return;
    Value = value;
    if (Click) Click();
  }
};

struct TextBox {
  std::string Text;
  bool Enabled = true;
  bool Visible = true;
  vb::Color BackColor = kDefaultBackColor;
  static constexpr vb::Color kDefaultBackColor = -2147483643;  // the system's window background
  // The window's handler, run when the text changes; an equal text raises nothing.
  std::function<void()> Change = nullptr;
  void setText(const std::string& text) {
    if (text == Text) return;
    Text = text;
    if (Change) Change();
  }
};

// The log pane: a rich text box the program appends to and keeps scrolled to its end. Coloured
// appends are kept as runs so that a view can show them; plain appends use the pane's colour.
struct LogPane {
  struct ColourRun {
    std::size_t start;  // byte offset into Text
    vb::Color color;
  };
  std::string Text;
  std::vector<ColourRun> Runs;  // each run lasts until the next; kPaneColor goes back to plain
  static constexpr vb::Color kPaneColor = -1;

  void append(const std::string& text) {
    plain();
    Text += text;
  }
  void append(const std::string& text, vb::Color color) {
    Runs.push_back({Text.size(), color});
    Text += text;
  }
  void appendLine(const std::string& text) {
    plain();
    Text += text + "\r\n";
  }
  // A stretch of text already in the pane shown in another colour (the run's error lines in red).
  struct ColourMark {
    std::size_t start;
    std::size_t length;
    vb::Color color;
  };
  std::vector<ColourMark> Marks;
  void colourRange(std::size_t start, std::size_t length, vb::Color color) {
    Marks.push_back({start, length, color});
  }

  void clear() {
    Text.clear();
    Runs.clear();
    Marks.clear();
  }

 private:
  void plain() {
    if (!Runs.empty() && Runs.back().color != kPaneColor) Runs.push_back({Text.size(), kPaneColor});
  }
};

struct CommandButton {
  bool Enabled = true;
  bool Visible = true;
};

// A window timer: while enabled it ticks every Interval milliseconds.
struct Timer {
  int32_t Interval = 0;
  bool Enabled = false;
};

// The mouse pointer over the window, as VB numbers them.
enum class Pointer : int16_t { Default = 0, Hourglass = 11 };

struct OptionButton {
  bool Value = false;
};

// The progress display of a run: a frame, the bar inside it and the "3 of 12" label.
struct ProgressDisplay {
  bool Visible = false;
  double Width = 1500;  // the frame's width; the bar grows to it
};
struct ProgressBar {
  double Width = 0;
};
struct Label {
  std::string Caption;
};

// Colours a writer gives its option box while it works and when it has finished.
inline constexpr vb::Color kBusyColor = 5869787;
inline constexpr vb::Color kDoneColor = 10579031;

// The shared open/save dialog. With CancelError set a cancelled dialog raises vb::Error 32755
// "Cancel was selected."; without it FileName keeps its last name. The setting stays for later users.
struct CommonDialog {
  bool CancelError = false;
  std::string InitDir;
  std::string FileName;
  std::string Filter;
  std::string DialogTitle;
  static constexpr int32_t kCancelError = 32755;
};

// A spinner beside its text box. A step starts from the number the box shows ("15%" is 15).
struct UpDown {
  int32_t Value = 0;
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t Increment = 1;
};

// The window's picture behind the log pane.
struct Image {
  std::string Picture;  // the loaded file; empty for none
};

// Window states, as VB numbers them.
enum class WindowState : int16_t { Normal = 0, Minimized = 1, Maximized = 2 };

struct MainForm {
  std::string Caption;
  bool Visible = false;
  WindowState State = WindowState::Normal;
  // The window's place and the screen's width, in screen units; the graph window is laid beside it.
  int32_t Left = 0, Top = 0, Width = 7200, Height = 6000, ScreenWidth = 19200;
  LogPane Text1;  // the log pane

  TextBox Text2{"0"};           // "Days to retrieve"; disabled while in history mode
  TextBox Text3;                // DSID of the one station to retrieve
  TextBox Text4;                // percent change between unit values for "Bad Value Check"
  TextBox Text5{"30"};          // "Minutes between retrievals"
  TextBox Text6;                // station text: the one station's name, a picked range or the last run
  TextBox Text7{"1"};           // "Future Days" to run
  TextBox Text8;                // percent of unit values allowed missing in a day
  TextBox Text9{"2"};           // past radar hours, mirrored with txtRadarMaxHrs
  TextBox TextBegindate;        // history mode begin, "yyyy-mm-dd hh:mm"
  TextBox TextEnddate;          // history mode end
  TextBox txtRadarMaxHrs{"2"};  // "Max hours of radar"
  TextBox txtAllowedBadStations{"10"};  // bad or missing stations allowed before a run stops
  TextBox txtRadarInch{"0.00"};         // radar value
  TextBox txtMinToStart;
  TextBox txtRunoffPrecipAdj;  // inches of rain for the base-flow adjustment

  CheckBox Check1;                // just one station (Text3) instead of the list
  CheckBox Check2;                // "Last Run's Storage"
  CheckBox Check3;                // "Write  Hourly Avg"
  CheckBox Check4;                // "Overwrite Source 5"
  CheckBox Check5;                // "Write Dailys"
  CheckBox Check6;                // "Write Unit Values"
  CheckBox Check7;                // "Write Daily MaxMin"
  CheckBox Check8;                // "Write Unit Shifts"
  CheckBox CheckBatch;            // "Scheduled Batch"
  CheckBox Checkbadvalue;         // "Bad Value Check"
  CheckBox chkSaveRadar;          // "Save Radar >"
  CheckBox chkBeep;               // "Beep ON"
  CheckBox chkDeleteTMP;          // delete temporary internet files
  CheckBox chkLoopBoundarys;      // loop radar boundaries
  CheckBox chk30R70;              // "Use Nowcast 30R70 line"
  CheckBox chkNowcastOFF;         // "Turn off radar Nowcasts"
  CheckBox chkCompactRepair;      // "HDB Compact"
  CheckBox chkNoAsks;             // "No Asks"
  CheckBox chkWindsaloftgraphic;  // "Winds Aloft Graphic"
  CheckBox chkMetric;             // "Metric Computations"
  CheckBox chkReadSetup;
  CheckBox chkForecastOverwrite;  // "Overwrite Forecast"
  CheckBox chkRunoffPrecipAdj;    // "Base FLow Adjust"
  CheckBox chkLimitDays;          // "Limit Days"
  CheckBox chkMtablesOff;         // "Mtables OFF"
  CheckBox chkdownloadtxt;        // "Write download.txt": copy the next download; unticked after it

  // The selected one of the three radar listing options: 0 "Nexrad full directory listing",
  // 1 "Nexrad short listing", 2 "Iowa 24hrs and historical".
  int16_t optLongDir = 2;
  bool FrameBatchVisible = false;  // the scheduled-batch options

  // What the run shows and uses while it walks the station lines.
  std::array<OptionButton, 2> Option1{OptionButton{false},
                                      OptionButton{true}};  // 0 "Dailys Only", 1 "Unit values"
  Pointer MousePointer = Pointer::Default;
  std::string Icon = "Flumewr";  // key of the window's icon in ImageList1
  ProgressDisplay frameProgressBar;
  ProgressBar imgProgressBar;
  Label Label11;                 // "3 of 12"
  ScriptControl ScriptControl1;  // conditions and formulas of the station lines
  CommandButton Command1;        // "Start Retrievals"
  Timer Timer1{10000, false};    // the scheduled-batch tick; the run turns it on and off
  CommonDialog CommonDialog1;    // open and save dialogs of the window and the graph window
  Image Image1;                  // the menu picture
  UpDown UpDown2;                // spinner of Text8
  UpDown UpDown3;                // spinner of Text4
  int16_t MenuColorIndex = 0;    // position in the log-pane colour cycle of "Menu Graphic"

  // A view installs these to repaint a control whose back colour changed and to bring the
  // window up; headless they are empty.
  std::function<void(const char* control)> onRepaint;
  std::function<void()> onShow;

  void setBackColor(CheckBox& box, vb::Color color, const char* name) {
    box.BackColor = color;
    if (onRepaint) onRepaint(name);
  }
  void show() {
    Visible = true;
    if (onShow) onShow();
  }
};

}  // namespace fw
