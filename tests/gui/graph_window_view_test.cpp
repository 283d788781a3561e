// The graph window on the offscreen platform: its buttons, the option list, saving and printing,
// over a chart the hourly writer filled from two stored flow series.
#include "gui/graph_window_view.h"

#include <gtest/gtest.h>

#include <QAreaSeries>
#include <QBarSeries>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QLogValueAxis>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cmath>

#include "app/graph_window.h"
#include "app/session.h"
#include "gui/gui_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/window_fixtures.h"
#include "platform/vb/format.h"
#include "store/hourly_writer.h"
#include "store/stored_rows.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::gui {
namespace {

const vb::VbDate kDay = 45448;  // 06/05/2024
vb::VbDate hourOf(double hours) {
  return vb::roundToSecond(kDay + hours / 24.0);
}

// Three days of hourly flow with a flood peak; the daily extremes the writer scales the chart by.
void storeFlow(Session& s, const std::string& dsid, const std::string& title, double base, double peak,
               double peakHour) {
  s.FrmGraph.ChartTitle = title;
  s.HourSeries.clear();
  for (int n = 0; n < 72; ++n) {
    const double v = base + peak * std::exp(-std::pow((n - peakHour) / 7.0, 2));
    s.HourSeries.push_back({hourOf(n), std::round(v * 10) / 10, 0});
  }
  s.DayMaxSeries = {{0, 0, 0}};
  s.DayMinSeries = {{0, 0, 0}};
  for (int d = 0; d < 3; ++d) {
    std::size_t lo = static_cast<std::size_t>(d * 24), hi = lo;
    for (std::size_t n = lo; n < static_cast<std::size_t>(d * 24 + 24); ++n) {
      if (s.HourSeries[n].value < s.HourSeries[lo].value) lo = n;
      if (s.HourSeries[n].value > s.HourSeries[hi].value) hi = n;
    }
    s.DayMaxSeries.push_back(s.HourSeries[hi]);
    s.DayMinSeries.push_back(s.HourSeries[lo]);
  }
  int32_t last = static_cast<int32_t>(s.HourSeries.size()) - 1;
  hdbhourly(s, dsid, 3, 2, 0, last, 1, "", 0, hourOf(60));
}

struct GraphFixture : testing::SessionWindow {
  GraphWindowView* graph = window.graphWindow();
  std::filesystem::path hdb;

  GraphFixture() {
    hdb = fw::testing::openTestHdb(s, fw::testing::HdbEngine::AdoSqlite);
    s.form.Check3.Value = 1;
    s.FrmGraph.Visible = true;
    graph_window::loadOnce(s);
    storeFlow(s, "1001", "Bridge Creek", 12, 30, 30);
    graph_window::Command3_Click(s);  // "Add": the second station goes beside the first
    storeFlow(s, "1002", "Mill Creek", 6, 18, 38);
    graph->resize(900, 560);
    window.refresh();
  }
  template <typename W>
  W* find(const char* name) {
    return testing::findNamed<W>(graph, name);
  }
  QListWidget* rightClickAt(QPoint at) {
    QTest::mouseClick(graph->chartView()->viewport(), Qt::RightButton, {}, at);
    return find<QListWidget>("List1");
  }
  void choose(QListWidget* list, const char* entry) {
    const auto items = list->findItems(QString::fromLatin1(entry), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << entry;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
  }
};

TEST(GraphWindowView, ShowsBothStoredStationsAndTheButtonsSetTheRunFlags) {
  GraphFixture f;
  ASSERT_TRUE(f.graph->isVisible());
  EXPECT_EQ(fw::testing::storedRows(f.hdb, "rhour").size(), 72u);
  EXPECT_EQ(fw::testing::countRows(f.hdb, "select * from rhour where datatype_site_id=1002"), 72);
  QChart* chart = f.graph->chart();
  QStringList names;
  for (QLegendMarker* m : chart->legend()->markers())
    if (m->isVisible()) names << m->label();
  EXPECT_EQ(names, (QStringList{"Bridge Creek", "Mill Creek"}));
  EXPECT_EQ(chart->title(), QStringLiteral("Mill Creek"));

  QTest::mouseClick(f.find<QPushButton>("Command1"), Qt::LeftButton);  // "Next"
  EXPECT_TRUE(f.s.GraphNext);
  EXPECT_EQ(f.s.WhatIf.CompareOn, -1);
  QTest::mouseClick(f.find<QPushButton>("Command4"), Qt::LeftButton);  // "OverWrite"
  EXPECT_TRUE(f.s.GraphAdd && f.s.GraphOverwrite && !f.s.GraphNext);
  QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton);  // "Add"
  EXPECT_TRUE(f.s.GraphAdd && !f.s.GraphOverwrite);

  // A left click before "Continue" holds nothing; after it, it holds the run and brings the
  // buttons back.
  QWidget* chartArea = f.graph->chartView()->viewport();
  QTest::mouseClick(chartArea, Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_FALSE(f.s.GraphWait);
  QTest::mouseClick(f.find<QPushButton>("Command2"), Qt::LeftButton);  // "Continue"
  EXPECT_TRUE(f.s.GraphNoPause);
  for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
    EXPECT_FALSE(f.find<QPushButton>(b)->isVisible()) << b;
  QTest::mouseClick(chartArea, Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_TRUE(f.s.GraphWait);
  EXPECT_FALSE(f.s.GraphNoPause);
  for (const char* b : {"Command1", "Command2", "Command3", "Command4"})
    EXPECT_TRUE(f.find<QPushButton>(b)->isVisible()) << b;

  // The buttons lie along the bottom as the model placed them, in pixels.
  const GraphButton& next = f.s.GraphWin.Command1;
  EXPECT_EQ(f.find<QPushButton>("Command1")->geometry().left(), next.Left / 15);
  EXPECT_EQ(f.find<QPushButton>("Command1")->geometry().bottom() + 1, (next.Top + next.Height) / 15);
}

TEST(GraphWindowView, ARunHeldByALeftClickIsReleasedByAddFromATimer) {
  GraphFixture f;
  graph_window::Command2_Click(f.s);
  QTest::mouseClick(f.graph->chartView()->viewport(), Qt::LeftButton, {}, QPoint(300, 200));
  ASSERT_TRUE(f.s.GraphWait);
  f.window.refresh();
  QTimer::singleShot(100, [&f] { QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton); });
  // The run's wait: the event loop turns until the flag clears.
  for (int i = 0; i < 300 && f.s.GraphWait; ++i) {
    f.ui.doEvents();
    QTest::qWait(10);
  }
  EXPECT_FALSE(f.s.GraphWait);
  EXPECT_TRUE(f.s.GraphAdd);
}

TEST(GraphWindowView, TheRightClickListMovesAndItsOptionsRedrawTheChart) {
  GraphFixture f;
  QListWidget* list = f.rightClickAt(QPoint(120, 90));
  ASSERT_TRUE(list->isVisible());
  EXPECT_EQ(list->pos(), QPoint(120, 90));
  EXPECT_EQ(list->count(), 7);
  f.rightClickAt(QPoint(200, 150));
  EXPECT_EQ(list->pos(), QPoint(200, 150));  // an open list moves to the new click

  f.choose(list, "Log Yaxis");
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(f.s.GraphWin.YScaleType, 1);
  EXPECT_EQ(list->item(2)->text(), QStringLiteral("Normal Yaxis"));
  bool log = false;
  for (QAbstractAxis* a : f.graph->chart()->axes(Qt::Vertical)) log = log || qobject_cast<QLogValueAxis*>(a);
  EXPECT_TRUE(log);
  f.rightClickAt(QPoint(200, 150));
  f.choose(list, "Normal Yaxis");
  EXPECT_EQ(f.s.GraphWin.YScaleType, 0);

  f.rightClickAt(QPoint(200, 150));
  f.choose(list, "Bar/Line");  // line to bar
  EXPECT_EQ(f.s.GraphWin.ChartType, 1);
  ASSERT_EQ(f.graph->chart()->series().size(), 1);
  auto* bars = qobject_cast<QBarSeries*>(f.graph->chart()->series().front());
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->count(), 2);
  f.rightClickAt(QPoint(200, 150));
  f.choose(list, "Bar/Line");  // bar to area
  EXPECT_NE(qobject_cast<QAreaSeries*>(f.graph->chart()->series().front()), nullptr);
}

TEST(GraphWindowView, HoverReadsThePointAndThreeDCastsAShadowOutsideTheLegend) {
  GraphFixture f;
  QChart* chart = f.graph->chart();
  // Row 31 of the first station: 06/06 06:00.
  const double value = *f.s.FrmGraph.data(31, 1);
  const QPointF inChart = chart->mapToPosition(QPointF(30, value), chart->series().front());
  const QPoint inView = f.graph->chartView()->mapFromScene(chart->mapToScene(inChart));
  f.graph->chartMoved(inView);
  EXPECT_EQ(f.s.GraphWin.ToolTipText, vb::CStr(value) + ", " + f.s.FrmGraph.rowLabel(31));
  EXPECT_EQ(f.graph->chartView()->toolTip().toStdString(), f.s.GraphWin.ToolTipText);
  f.graph->chartMoved(QPoint(2, 2));  // off the plot
  EXPECT_EQ(f.s.GraphWin.ToolTipText, "");

  const int flat = static_cast<int>(chart->series().size());
  QListWidget* list = f.rightClickAt(QPoint(200, 150));
  f.choose(list, "2D/3D");
  EXPECT_EQ(f.s.GraphWin.ChartType, 2);
  EXPECT_EQ(static_cast<int>(chart->series().size()), 2 * flat);
  QTest::qWait(50);  // the legend lays its new markers out
  int shown = 0;
  for (QLegendMarker* m : chart->legend()->markers()) shown += m->isVisible() ? 1 : 0;
  EXPECT_EQ(shown, 2);
}

TEST(GraphWindowView, SaveAsPngWritesAPictureQImageReads) {
  GraphFixture f;
  struct Case {
    const char* name;
    const char* format;
  };
  for (const Case& c : {Case{"graph one.PNG", "png"}, Case{"graph two.bmp", "bmp"}}) {
    const QString target = QString::fromStdString((f.folder / c.name).string());
    testing::Driver d;
    // The name typed into the dialog's file name box, as a user would.
    d.then([&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return false;
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (name == nullptr) return false;
      name->setText(target);
      static_cast<QDialog*>(dialog)->accept();
      return true;
    });
    std::string confirmation;
    d.onModal<QMessageBox>([&](QMessageBox* box) {
      confirmation = box->text().toStdString();
      box->accept();
    });
    QListWidget* list = f.rightClickAt(QPoint(150, 100));
    f.choose(list, "Save as PNG");
    ASSERT_TRUE(d.finish()) << c.name;
    EXPECT_EQ(confirmation, "Picture saved to file.");
    QImageReader reader(target);
    EXPECT_EQ(reader.format().toStdString(), c.format) << c.name;
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << c.name;
    EXPECT_EQ(image.size(), f.graph->size());
    EXPECT_FALSE(std::filesystem::exists(f.folder / (std::string(c.name) + ".part")));
  }
}

TEST(GraphWindowView, PrintWithoutAPrinterGivesAPdfInTheProgramFolder) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed";
  GraphFixture f;
  testing::Driver d;
  d.then([&f] {
    auto* printers = f.graph->findChild<QListWidget*>("ListPrinters");
    if (printers == nullptr || !printers->isVisible()) return false;
    EXPECT_EQ(printers->item(0)->text(), QStringLiteral("Default Printer"));
    EXPECT_EQ(printers->item(printers->count() - 1)->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(printers->viewport(), Qt::LeftButton, {},
                      printers->visualItemRect(printers->item(0)).center());
    return true;
  });
  QListWidget* list = f.rightClickAt(QPoint(150, 100));
  f.choose(list, "Print");
  ASSERT_TRUE(d.finish());
  const std::filesystem::path pdf = f.folder / "Flumewright_graph.pdf";
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_EQ(fw::testing::readFile(pdf).substr(0, 5), "%PDF-");
  EXPECT_FALSE(f.graph->findChild<QListWidget*>("ListPrinters")->isVisible());

  // Closing the window while the printer list waits ends the wait as "Cancel".
  std::filesystem::remove(pdf);
  testing::Driver closer;
  closer.then([&f] {
    auto* printers = f.graph->findChild<QListWidget*>("ListPrinters");
    if (!printers->isVisible()) return false;
    f.graph->close();
    return true;
  });
  f.s.FrmGraph.Visible = true;
  f.window.refresh();
  list = f.rightClickAt(QPoint(150, 100));
  f.choose(list, "Print");
  ASSERT_TRUE(closer.finish());
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST(GraphWindowView, ClosingReleasesAHeldRunAndHidesTheWindow) {
  GraphFixture f;
  f.s.GraphWait = true;
  f.graph->close();
  EXPECT_FALSE(f.s.GraphWait);
  EXPECT_TRUE(f.s.GraphClosed);
  EXPECT_TRUE(f.s.GraphNoPause);
  EXPECT_FALSE(f.s.FrmGraph.Visible);
  f.window.refresh();
  EXPECT_FALSE(f.graph->isVisible());
}

}  // namespace

}  // namespace fw::gui
