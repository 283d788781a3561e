#pragma once
// The graph window's own controls and handlers, beside the chart the hourly writer fills
// (s.FrmGraph). The window holds no data: its buttons set the run-control flags, its option list
// changes how the chart is drawn, prints it or saves a picture of it. The Qt view forwards its
// events here and redraws from graphPlot.
//
// Positions and sizes are in twips (15 to a pixel), as the window's layout rules are written.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb/color.h"

namespace fw {

struct Session;

struct ListBox {
  std::vector<std::string> items;
  int32_t ListIndex = -1;  // -1: nothing selected
  bool Visible = false;
  int32_t Left = 0, Top = 0;
};

struct GraphButton {
  std::string Caption;
  bool Visible = true;
  int32_t Left = 0, Top = 0;
  int32_t Width = 975, Height = 375;
};

// A point of the chart under the mouse: its column (series) and row, from 1.
struct ChartPoint {
  int32_t column = 1;
  int32_t row = 1;
};

struct GraphWindow {
  // The option list; entry 2 swaps between "Log Yaxis" and "Normal Yaxis".
  ListBox List1;
  ListBox ListPrinters;
  GraphButton Command1{"Next"}, Command2{"Continue"}, Command3{"Add"}, Command4{"OverWrite"};

  int16_t GraphKind = 0;    // 1 line, 2 bar, 3 area; 0 counts as 1
  int16_t MarkerState = 0;  // position in the marker cycle 0, 1, 2
  // The chart control's types: 0 bar 3D, 1 bar 2D, 2 line 3D, 3 line 2D, 4 area 3D, 5 area 2D.
  int16_t ChartType = 3;
  int16_t YScaleType = 0;  // 0 linear, 1 logarithmic
  bool MarkersVisible = true;
  bool LineVisible = true;
  vb::Color BackdropColor = kWindowGrey;
  vb::Color WallColor = kButtonFace;
  std::string ToolTipText;

  // The client area the layout was last made for.
  int32_t ScaleWidth = 0, ScaleHeight = 0;
  // The printer chosen by an earlier print; empty for the system default.
  std::string CurrentPrinter;
  bool Loaded = false;  // Form_Load has run
  bool PictureCaptured = false;

  static constexpr vb::Color kWindowGrey = 11382189;  // hex ADADAD
  static constexpr vb::Color kButtonFace = 15790320;  // the window's own background
  static constexpr int kTwipsPerPixel = 15;

  // What only the view can do. Left empty headless: no printers, no picture, no point lookup.
  struct Hooks {
    std::function<std::vector<std::string>()> printers;  // installed printers' device names
    // Prints the window in landscape on the named printer ("" the default); false with its reason.
    std::function<bool(const std::string& printer, std::string& error)> print;
    // Captures the window into Picture1.
    std::function<bool()> capture;
    // Writes Picture1 to the file as PNG (png) or as a bitmap; false with its reason.
    std::function<bool(const std::filesystem::path& file, bool png, std::string& error)> savePicture;
    // The data point under (x, y) twips, if any.
    std::function<std::optional<ChartPoint>(int32_t x, int32_t y)> pointAt;
  } hooks;

  bool is3D() const { return ChartType == 0 || ChartType == 2 || ChartType == 4; }
};

namespace graph_window {

inline constexpr const char* kListEntries[] = {"Markers", "Bar/Line",    "Log Yaxis", "2D/3D",
                                               "Print",   "Save as PNG", "Cancel"};

// Runs Form_Load the first time the writer uses the window.
void loadOnce(Session& s);

void Command1_Click(Session& s);  // "Next"
void Command2_Click(Session& s);  // "Continue"; the run calls it too
void Command3_Click(Session& s);  // "Add"
void Command4_Click(Session& s);  // "OverWrite"

void Form_Load(Session& s);
void Form_Resize(Session& s, int32_t width, int32_t height);
void Form_Unload(Session& s);

// The chart's mouse-button release and movement: button 1 left, 2 right; x, y in twips.
void MSChart1_ButtonAction(Session& s, int16_t button, int16_t shift, int32_t x, int32_t y);
void MSChart1_PointReadout(Session& s, int16_t button, int16_t shift, int32_t x, int32_t y);

void List1_Click(Session& s, int32_t index);
// A printer list entry chosen while the print waits for it.
void ListPrinters_Click(Session& s, int32_t index);

// The file the picture is saved to: PNG when the name holds ".png" in any case, else a bitmap.
// An empty name saves and confirms nothing.
void SaveGraphPng(Session& s, const std::string& fileName);

}  // namespace graph_window
}  // namespace fw
