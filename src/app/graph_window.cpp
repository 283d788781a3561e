#include "app/graph_window.h"

#include <system_error>

#include "app/common_dialog.h"
#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"

namespace fw::graph_window {

namespace {

constexpr int16_t kLeftButton = 1;
constexpr int16_t kRightButton = 2;
constexpr int32_t kLogEntry = 2;
constexpr const char* kSaveFilter =
    "Pic files (*.png;*.bmp)|*.png;*.bmp|Png (*.jpg)|*.png|Bmp (*.bmp)|*.bmp|All files (*.*)|*.*|";

void showButtons(GraphWindow& w, bool visible) {
  for (GraphButton* b : {&w.Command1, &w.Command2, &w.Command3, &w.Command4}) b->Visible = visible;
}

// The chart-type pair of a kind: (3D, 2D).
int16_t chartType(int16_t kind, bool threeD) {
  switch (kind) {
    case 2:
      return threeD ? 0 : 1;
    case 3:
      return threeD ? 4 : 5;
    default:
      return threeD ? 2 : 3;
  }
}

void SetChartKind(GraphWindow& w) {
  int16_t kind = w.GraphKind == 0 ? 1 : w.GraphKind;
  ++kind;
  if (kind == 4) kind = 1;
  w.GraphKind = kind;
  w.ChartType = chartType(kind, w.is3D());
}

void SetChart3D(GraphWindow& w) {
  const int16_t kind = w.GraphKind == 0 ? 1 : w.GraphKind;
  w.ChartType = chartType(kind, !w.is3D());
}

void ToggleMarkers(GraphWindow& w) {
  switch (w.MarkerState) {
    case 0:
      w.MarkersVisible = true;
      w.LineVisible = true;
      break;
    case 1:
      w.LineVisible = false;
      break;
    default:
      w.MarkersVisible = false;
      w.LineVisible = true;
      break;
  }
  w.MarkerState = static_cast<int16_t>((w.MarkerState + 1) % 3);
}

// Waits for a printer list choice while the message loop runs. A window closed meanwhile, a
// program asked to stop, or no display to choose on ends the wait as "Cancel".
std::string waitForPrinter(Session& s) {
  GraphWindow& w = s.GraphWin;
  while (w.ListPrinters.ListIndex < 0) {
    if (!s.FrmGraph.Visible || s.GraphClosed || s.StopRequested || !s.ui.hasDisplay()) {
      w.ListPrinters.Visible = false;
      return "Cancel";
    }
    s.ui.doEvents();
    if (w.ListPrinters.ListIndex >= 0) break;
    s.clock.sleepMs(100);
  }
  w.ListPrinters.Visible = false;
  const auto i = static_cast<std::size_t>(w.ListPrinters.ListIndex);
  return i < w.ListPrinters.items.size() ? w.ListPrinters.items[i] : "Cancel";
}

void printGraph(Session& s) {
  GraphWindow& w = s.GraphWin;
  w.ListPrinters.Top = w.List1.Top;
  w.ListPrinters.Left = w.ScaleWidth / 8;
  w.ListPrinters.ListIndex = -1;
  w.ListPrinters.Visible = true;
  const std::string chosen = waitForPrinter(s);
  if (chosen == "Cancel") return;
  const std::vector<std::string> installed =
      w.hooks.printers ? w.hooks.printers() : std::vector<std::string>{};
  for (const std::string& name : installed)
    if (name == chosen) {
      w.CurrentPrinter = name;
      break;
    }
  // Printing problems are not the user's to answer while a run goes on.
  std::string error;
  if (w.hooks.print) w.hooks.print(w.CurrentPrinter, error);
}

void SaveGraphAs(Session& s) {
  GraphWindow& w = s.GraphWin;
  w.PictureCaptured = w.hooks.capture && w.hooks.capture();
  CommonDialog& d = s.form.CommonDialog1;
  d.CancelError = true;
  d.InitDir = s.programFolder.string();
  d.FileName = "Flumewright_graph.png";
  d.Filter = kSaveFilter;
  showFileDialog(s.ui, d, true);
  SaveGraphPng(s, d.FileName);
}

}  // namespace

void loadOnce(Session& s) {
  s.FrmGraph.Loaded = true;
  if (!s.GraphWin.Loaded) Form_Load(s);
}

void Command1_Click(Session& s) {
  s.GraphWait = false;
  s.GraphAdd = false;
  s.GraphOverwrite = false;
  s.GraphNext = true;
  s.WhatIf.CompareOn = -1;
}

void Command2_Click(Session& s) {
  s.GraphWait = false;
  s.GraphNoPause = true;
  s.WhatIf.CompareOn = 0;
  showButtons(s.GraphWin, false);
}

void Command3_Click(Session& s) {
  s.GraphWait = false;
  s.GraphAdd = true;
  s.GraphOverwrite = false;
  s.GraphNext = false;
  s.WhatIf.CompareOn = 0;
}

void Command4_Click(Session& s) {
  s.GraphWait = false;
  s.GraphAdd = true;
  s.GraphOverwrite = true;
  s.GraphNext = false;
  s.WhatIf.CompareOn = 0;
}

void Form_Load(Session& s) {
  GraphWindow& w = s.GraphWin;
  w.Loaded = true;
  // In history mode the markers would crowd a long chart.
  w.MarkersVisible = s.RealtimeMode;
  w.LineVisible = true;
  vb::Color c = s.MenuTextColor;
  if (c == 0 || c == 16777215) c = GraphWindow::kWindowGrey;
  w.BackdropColor = vb::RGB(vb::Red(c), vb::Green(c), vb::Blue(c));
  w.WallColor = GraphWindow::kButtonFace;
  w.List1.items.assign(std::begin(kListEntries), std::end(kListEntries));
  w.ListPrinters.items = {"Default Printer"};
  if (w.hooks.printers)
    for (const std::string& name : w.hooks.printers()) w.ListPrinters.items.push_back(name);
  w.ListPrinters.items.push_back("Cancel");
}

void Form_Resize(Session& s, int32_t width, int32_t height) {
  GraphWindow& w = s.GraphWin;
  w.ScaleWidth = width;
  w.ScaleHeight = height;
  w.Command1.Left = width - w.Command1.Width - 30;
  w.Command1.Top = height - w.Command1.Height - 20;
  w.Command2.Left = 30;
  w.Command2.Top = w.Command3.Top = w.Command4.Top = w.Command1.Top;
  w.Command3.Left = (w.Command2.Left + w.Command1.Left) / 3;
  w.Command4.Left = w.Command1.Left - w.Command1.Left / 3;
}

void Form_Unload(Session& s) {
  s.GraphWait = false;
  s.GraphNoPause = true;
  s.GraphClosed = true;
  s.FrmGraph.Visible = false;
  s.GraphWin.List1.Visible = false;
  s.GraphWin.ListPrinters.Visible = false;
}

void MSChart1_ButtonAction(Session& s, int16_t button, int16_t, int32_t x, int32_t y) {
  GraphWindow& w = s.GraphWin;
  w.List1.Visible = false;
  if (button == kLeftButton) {
    if (s.GraphNoPause) {
      s.GraphWait = true;
      s.GraphNoPause = false;
      s.GraphAdd = false;
      showButtons(w, true);
    }
  } else if (button == kRightButton) {
    w.List1.Top = y;
    w.List1.Left = x;
    w.List1.Visible = true;
  }
}

void MSChart1_PointReadout(Session& s, int16_t, int16_t, int32_t x, int32_t y) {
  GraphWindow& w = s.GraphWin;
  if (w.YScaleType == 1 || w.ChartType == 2) return;
  try {
    const std::optional<ChartPoint> p = w.hooks.pointAt ? w.hooks.pointAt(x, y) : std::nullopt;
    if (!p) {
      w.ToolTipText.clear();
      return;
    }
    s.FrmGraph.setColumn(p->column);
    s.FrmGraph.setRow(p->row);
    const std::optional<double> v = s.FrmGraph.data(p->row, p->column);
    w.ToolTipText = (v ? vb::CStr(*v) : std::string("")) + ", " + s.FrmGraph.rowLabel(p->row);
  } catch (const vb::Error&) {
    // A point the chart no longer has ends the readout quietly.
  }
}

void List1_Click(Session& s, int32_t index) {
  GraphWindow& w = s.GraphWin;
  w.List1.Visible = false;
  if (index < 0 || static_cast<std::size_t>(index) >= w.List1.items.size()) return;
  w.List1.ListIndex = index;
  const std::string entry = w.List1.items[static_cast<std::size_t>(index)];
  try {
    if (entry == "Markers") {
      ToggleMarkers(w);
    } else if (entry == "Bar/Line") {
      SetChartKind(w);
    } else if (entry == "Log Yaxis") {
      w.List1.items[kLogEntry] = "Normal Yaxis";
      w.YScaleType = 1;
    } else if (entry == "Normal Yaxis") {
      w.List1.items[kLogEntry] = "Log Yaxis";
      w.YScaleType = 0;
    } else if (entry == "2D/3D") {
      SetChart3D(w);
    } else if (entry == "Print") {
      printGraph(s);
      return;
    } else if (entry == "Save as PNG") {
      SaveGraphAs(s);
    }
  } catch (const vb::Error& e) {
    notify(s, e.description());
  }
  if (s.FrmGraph.onRedraw) s.FrmGraph.onRedraw();
}

void ListPrinters_Click(Session& s, int32_t index) {
  s.GraphWin.ListPrinters.ListIndex = index;
}

void SaveGraphPng(Session& s, const std::string& fileName) {
  if (fileName.empty()) return;
  GraphWindow& w = s.GraphWin;
  const bool png = vb::InStr(vb::UCase(fileName), ".PNG") > 0;
  const std::filesystem::path target(fileName);
  std::filesystem::path part = target;
  part += ".part";
  std::string error;
  bool written = false;
  if (!w.PictureCaptured || !w.hooks.savePicture) {
    error = "There is no picture of the graph to save.";
  } else if (w.hooks.savePicture(part, png, error)) {
    std::error_code ec;
    std::filesystem::rename(part, target, ec);
    if (ec)
      error = "The picture could not be saved as " + fileName + ": " + ec.message();
    else
      written = true;
  } else if (error.empty()) {
    error = "The picture could not be saved as " + fileName + ".";
  }
  if (!written) {
    std::error_code ec;
    std::filesystem::remove(part, ec);
    notify(s, error);
    return;
  }
  notify(s, "Picture saved to file.");
}

}  // namespace fw::graph_window
