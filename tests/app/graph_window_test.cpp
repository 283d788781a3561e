// The graph window's buttons, option list, printing and picture saving, headless.
#include <gtest/gtest.h>

#include "app/graph_window.h"
#include "support/test_session.h"

namespace fw {
namespace {

using namespace graph_window;

class GraphWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.FrmGraph.Visible = true;
    loadOnce(s);
  }
  bool buttonsShown() const {
    const GraphWindow& w = s.GraphWin;
    return w.Command1.Visible && w.Command2.Visible && w.Command3.Visible && w.Command4.Visible;
  }
  bool buttonsHidden() const {
    const GraphWindow& w = s.GraphWin;
    return !w.Command1.Visible && !w.Command2.Visible && !w.Command3.Visible && !w.Command4.Visible;
  }
  int32_t entry(const std::string& text) const {
    const auto& items = s.GraphWin.List1.items;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == text) return static_cast<int32_t>(i);
    ADD_FAILURE() << text << " is not in the list";
    return -1;
  }
  void choose(const std::string& text) { List1_Click(s, entry(text)); }

  testing::TestSession t;
  Session& s = t.s;
  GraphWindow& w = s.GraphWin;
};

TEST_F(GraphWindowTest, ButtonsSetTheRunControlFlags) {
  struct Case {
    void (*click)(Session&);
    bool wait, noPause, add, overwrite, next;
    int16_t compare;
  };
  // Every flag starts set so that a flag a button leaves alone shows as still set.
  const Case cases[] = {
      {Command1_Click, false, true, false, false, true, -1},
      {Command3_Click, false, true, true, false, false, 0},
      {Command4_Click, false, true, true, true, false, 0},
      {Command2_Click, false, true, true, true, true, 0},
  };
  for (const Case& c : cases) {
    s.GraphWait = s.GraphNoPause = s.GraphAdd = s.GraphOverwrite = s.GraphNext = true;
    s.WhatIf.CompareOn = 5;
    c.click(s);
    EXPECT_EQ(s.GraphWait, c.wait);
    EXPECT_EQ(s.GraphNoPause, c.noPause);
    EXPECT_EQ(s.GraphAdd, c.add);
    EXPECT_EQ(s.GraphOverwrite, c.overwrite);
    EXPECT_EQ(s.GraphNext, c.next);
    EXPECT_EQ(s.WhatIf.CompareOn, c.compare);
  }
  // Only Continue hides the buttons.
  EXPECT_TRUE(buttonsHidden());
}

TEST_F(GraphWindowTest, ALeftClickHoldsTheRunOnlyAfterContinue) {
  w.List1.Visible = true;
  MSChart1_ButtonAction(s, 1, 0, 100, 100);
  EXPECT_FALSE(w.List1.Visible);
  EXPECT_FALSE(s.GraphWait);
  EXPECT_TRUE(buttonsShown());

  graph_window::Command2_Click(s);
  EXPECT_TRUE(buttonsHidden());
  s.GraphAdd = true;
  MSChart1_ButtonAction(s, 1, 0, 100, 100);
  EXPECT_TRUE(s.GraphWait);
  EXPECT_FALSE(s.GraphNoPause);
  EXPECT_FALSE(s.GraphAdd);
  EXPECT_TRUE(buttonsShown());

  // Closing releases the held run and no later graph holds it.
  Form_Unload(s);
  EXPECT_FALSE(s.GraphWait);
  EXPECT_TRUE(s.GraphNoPause);
  EXPECT_TRUE(s.GraphClosed);
  EXPECT_FALSE(s.FrmGraph.Visible);
}

TEST_F(GraphWindowTest, ARightClickMovesTheOptionList) {
  MSChart1_ButtonAction(s, 2, 0, 300, 450);
  EXPECT_TRUE(w.List1.Visible);
  MSChart1_ButtonAction(s, 2, 0, 1500, 30);
  EXPECT_TRUE(w.List1.Visible);
  EXPECT_EQ(w.List1.Left, 1500);
  EXPECT_EQ(w.List1.Top, 30);
  EXPECT_EQ(w.List1.items, (std::vector<std::string>{"Markers", "Bar/Line", "Log Yaxis", "2D/3D", "Print",
                                                     "Save as PNG", "Cancel"}));
  choose("Cancel");
  EXPECT_FALSE(w.List1.Visible);
}

TEST_F(GraphWindowTest, LogAxisAndTheReadout) {
  s.FrmGraph.setRowCount(2);
  s.FrmGraph.setColumnCount(1);
  s.FrmGraph.SetData(2, 1, 12.5, false);
  s.FrmGraph.setRow(2);
  s.FrmGraph.setRowLabel("1:00");
  std::optional<ChartPoint> under = ChartPoint{1, 2};
  w.hooks.pointAt = [&](int32_t, int32_t) { return under; };

  MSChart1_PointReadout(s, 0, 0, 10, 10);
  EXPECT_EQ(w.ToolTipText, "12.5, 1:00");
  under.reset();
  MSChart1_PointReadout(s, 0, 0, 10, 10);
  EXPECT_EQ(w.ToolTipText, "");

  under = ChartPoint{1, 2};
  choose("Log Yaxis");
  EXPECT_EQ(w.YScaleType, 1);
  EXPECT_EQ(w.List1.items[2], "Normal Yaxis");
  MSChart1_PointReadout(s, 0, 0, 10, 10);
  EXPECT_EQ(w.ToolTipText, "");  // no readout on a log axis
  choose("Normal Yaxis");
  EXPECT_EQ(w.YScaleType, 0);
  EXPECT_EQ(w.List1.items[2], "Log Yaxis");

  w.ChartType = 2;  // 3D line
  MSChart1_PointReadout(s, 0, 0, 10, 10);
  EXPECT_EQ(w.ToolTipText, "");
  // A point the chart does not have ends the readout quietly.
  w.ChartType = 3;
  under = ChartPoint{3, 9};
  MSChart1_PointReadout(s, 0, 0, 10, 10);
  EXPECT_EQ(t.ui.boxes.size(), 0u);
}

TEST_F(GraphWindowTest, ChartKindThreeDAndMarkers) {
  ASSERT_EQ(w.GraphKind, 0);
  ASSERT_EQ(w.ChartType, 3);
  std::vector<int16_t> types;
  for (int i = 0; i < 3; ++i) {
    choose("Bar/Line");
    types.push_back(w.ChartType);
  }
  EXPECT_EQ(types, (std::vector<int16_t>{1, 5, 3}));
  choose("2D/3D");
  EXPECT_EQ(w.ChartType, 2);
  choose("2D/3D");
  EXPECT_EQ(w.ChartType, 3);
  choose("2D/3D");
  choose("Bar/Line");
  EXPECT_EQ(w.ChartType, 0);  // a 3D chart stays 3D

  std::vector<std::pair<bool, bool>> shown;  // (markers, line)
  for (int i = 0; i < 3; ++i) {
    choose("Markers");
    shown.emplace_back(w.MarkersVisible, w.LineVisible);
  }
  EXPECT_EQ(shown, (std::vector<std::pair<bool, bool>>{{true, true}, {true, false}, {false, true}}));
  EXPECT_EQ(w.MarkerState, 0);
}

TEST(GraphWindowLoadTest, BackdropMarkersAndPrinters) {
  struct Case {
    vb::Color menuText;
    bool realtime;
    vb::Color backdrop;
  };
  for (const Case& c : {Case{0, true, 11382189}, Case{16777215, false, 11382189}, Case{255, true, 255}}) {
    testing::TestSession t;
    t.s.MenuTextColor = c.menuText;
    t.s.RealtimeMode = c.realtime;
    t.s.GraphWin.hooks.printers = [] { return std::vector<std::string>{"Plotter", "Office"}; };
    loadOnce(t.s);
    EXPECT_EQ(t.s.GraphWin.BackdropColor, c.backdrop);
    EXPECT_EQ(t.s.GraphWin.MarkersVisible, c.realtime);  // hidden in history mode
    EXPECT_EQ(t.s.GraphWin.ListPrinters.items,
              (std::vector<std::string>{"Default Printer", "Plotter", "Office", "Cancel"}));
    // A second use keeps the window as the user left it.
    t.s.GraphWin.ChartType = 1;
    loadOnce(t.s);
    EXPECT_EQ(t.s.GraphWin.ChartType, 1);
  }
}

TEST_F(GraphWindowTest, FormResizeLaysTheButtonsAlongTheBottom) {
  Form_Resize(s, 9000, 6000);
  EXPECT_EQ(w.Command1.Left, 9000 - 975 - 30);
  EXPECT_EQ(w.Command1.Top, 6000 - 375 - 20);
  EXPECT_EQ(w.Command2.Left, 30);
  EXPECT_EQ(w.Command3.Left, (30 + 7995) / 3);
  EXPECT_EQ(w.Command4.Left, 7995 - 7995 / 3);
  EXPECT_EQ(w.Command4.Top, w.Command1.Top);
}

// A Ui with a display whose user picks a printer list entry while the print waits.
class PrinterPickingUi : public ScriptedUi {
 public:
  std::function<void()> pick;
  bool hasDisplay() const override { return true; }
  void doEvents() override {
    ScriptedUi::doEvents();
    if (pick) pick();
  }
};

TEST(GraphWindowPrintTest, DefaultPrinterKeepsAnEarlierChoiceAndClosingCancels) {
  PrinterPickingUi ui;
  FixedClock clock{testing::kTestNow};
  testing::TempFolder folder;
  Session s{ui, clock, folder.path()};
  s.FrmGraph.Visible = true;
  std::vector<std::string> printedOn;
  s.GraphWin.hooks.printers = [] { return std::vector<std::string>{"Plotter", "Office"}; };
  s.GraphWin.hooks.print = [&](const std::string& printer, std::string&) {
    printedOn.push_back(printer);
    return true;
  };
  loadOnce(s);
  auto printChoosing = [&](int32_t entry) {
    ui.pick = [&s, entry] { ListPrinters_Click(s, entry); };
    List1_Click(s, 4);
  };
  printChoosing(0);  // "Default Printer"
  printChoosing(2);  // "Office"
  printChoosing(0);
  EXPECT_EQ(printedOn, (std::vector<std::string>{"", "Office", "Office"}));
  printChoosing(3);  // "Cancel"
  EXPECT_EQ(printedOn.size(), 3u);
  EXPECT_FALSE(s.GraphWin.ListPrinters.Visible);

  // The window closed while the list waits: the print ends as cancelled.
  ui.pick = [&s] { Form_Unload(s); };
  List1_Click(s, 4);
  EXPECT_EQ(printedOn.size(), 3u);
  EXPECT_FALSE(s.GraphWin.ListPrinters.Visible);
}

TEST_F(GraphWindowTest, PrintingWithoutADisplayReturnsAtOnce) {
  List1_Click(s, 4);
  EXPECT_FALSE(w.ListPrinters.Visible);
}

TEST_F(GraphWindowTest, SavingThePicture) {
  std::vector<std::pair<std::string, bool>> written;  // (file, png)
  bool failWrite = false;
  w.hooks.capture = [] { return true; };
  w.hooks.savePicture = [&](const std::filesystem::path& file, bool png, std::string& error) {
    if (failWrite) {
      error = "disk full";
      return false;
    }
    testing::writeFile(file, png ? "PNG" : "BMP");
    written.emplace_back(file.string(), png);
    return true;
  };
  const std::filesystem::path dir = t.folder.path();
  struct Case {
    std::string name;
    bool png;
  };
  for (const Case& c :
       {Case{"a.PNG", true}, Case{"b.bmp", false}, Case{"c.jpg", false}, Case{"d.png.old", true}}) {
    t.ui.files.push_back((dir / c.name).string());
    choose("Save as PNG");
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back().second, c.png) << c.name;
    EXPECT_EQ(testing::readFile(dir / c.name), c.png ? "PNG" : "BMP");
    EXPECT_EQ(t.ui.boxes.back().text, "Picture saved to file.");
  }
  const FileDialogRequest& asked = t.ui.fileDialogs.back();
  EXPECT_TRUE(asked.save);
  EXPECT_EQ(asked.fileName, "Flumewright_graph.png");
  EXPECT_EQ(asked.initialFolder, dir.string());
  ASSERT_EQ(asked.filters.size(), 4u);
  EXPECT_EQ(asked.filters[0],
            (std::pair<std::string, std::string>{"Pic files (*.png;*.bmp)", "*.png;*.bmp"}));

  // Cancel: the dialog's error is shown and nothing is written; the dialog keeps CancelError.
  const std::size_t boxes = t.ui.boxes.size();
  choose("Save as PNG");
  EXPECT_EQ(t.ui.boxes.size(), boxes + 1);
  EXPECT_EQ(t.ui.boxes.back().text, "Cancel was selected.");
  EXPECT_TRUE(s.form.CommonDialog1.CancelError);

  // A failed write tells why and confirms nothing; the old file stays.
  failWrite = true;
  t.ui.files.push_back((dir / "a.PNG").string());
  choose("Save as PNG");
  EXPECT_EQ(t.ui.boxes.back().text, "disk full");
  EXPECT_EQ(testing::readFile(dir / "a.PNG"), "PNG");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.PNG.part"));

  // An empty name saves and confirms nothing.
  const std::size_t before = t.ui.boxes.size();
  SaveGraphPng(s, "");
  EXPECT_EQ(t.ui.boxes.size(), before);
}

}  // namespace
}  // namespace fw
