// The graph window over real runs from the main window: after each station of three with
// different units the chart's title, axis, legend and scale describe that station's series, and
// after a history run they describe what the history run drew, not what an earlier run left.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QLegendMarker>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QValueAxis>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "app/session.h"
#include "gui/date_dialog.h"
#include "gui/graph_window_view.h"
#include "gui/gui_driver.h"
#include "gui/window_fixtures.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"

namespace fw::gui {
namespace {

// What the chart on the screen says.
struct ChartShot {
  std::string title, yTitle, caption;
  std::vector<std::string> legend;
  double yMin = 0, yMax = 0;
  int xAxes = 0, yAxes = 0;
};

ChartShot shoot(GraphWindowView* g) {
  ChartShot shot;
  QChart* c = g->chart();
  shot.title = c->title().toStdString();
  shot.caption = g->windowTitle().toStdString();
  for (QLegendMarker* m : c->legend()->markers())
    if (m->isVisible()) shot.legend.push_back(m->label().toStdString());
  shot.xAxes = static_cast<int>(c->axes(Qt::Horizontal).size());
  shot.yAxes = static_cast<int>(c->axes(Qt::Vertical).size());
  if (auto* y = c->axes(Qt::Vertical).isEmpty() ? nullptr : qobject_cast<QValueAxis*>(c->axes(Qt::Vertical)[0])) {
    shot.yTitle = y->titleText().toStdString();
    shot.yMin = y->min();
    shot.yMax = y->max();
  }
  return shot;
}

// Hourly values from `first` on: "Z", TAB, "mm/dd/yyyy hh:mm", TAB, value.
std::string hourlyText(vb::VbDate first, const std::vector<double>& values) {
  std::string text = "agency\tsite\tdatetime\tvalue\n";
  for (std::size_t i = 0; i < values.size(); ++i)
    text += "Z\t" + vb::Format(first + static_cast<double>(i) / 24.0, "mm/dd/yyyy hh:mm") + "\t" +
            vb::CStr(values[i]) + "\n";
  return text;
}

std::vector<double> wave(double low, double high, int n) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i) v.push_back(std::round((low + (high - low) * (0.5 + 0.5 * std::sin(i / 2.0))) * 10) / 10);
  return v;
}

const vb::VbDate kRunDay = 45448;  // 06/05/2024; the test clock stands at 13:15 that day

// The main window over four gauge lines of three units: Bridge Creek (flow, cfs), Markland
// (stage, ft), Davis (water temperature, f) and Davis Dam (flow, cfs), their sites in rsite.
// In real time Bridge Creek has no data; the other three give the hours of the run day.
struct ThreeUnitRun {
  fw::testing::ProgramFolder program{{"Write Hourly Avg= True", "Write Dailys= True"},
                                     {"09380000; 1101; Flow; Bridge Creek; 0; 0; ",
                                      "09380002; 2108; Stage; Markland; 0; 0; ",
                                      "09380003; 7103; Water Temp; Davis; 0; 0; ",
                                      "09421500; 1104; Flow; Davis Dam; 0; 0; "}};
  QtUi ui;
  FixedClock clock{fw::testing::kTestNow};
  Session s{ui, clock, program.folder.path()};
  MainWindow window{s};
  std::shared_ptr<FakeSources> sources = installFakeSources(s.services);
  testing::BoxCloser closer;
  std::vector<ChartShot> shots;  // the chart as each station's retrieval begins

  ThreeUnitRun() {
    fw::testing::execSql(program.hdb,
                         "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code) "
                         "values ('101', 1101, 'Bridge Creek', 1, 'cfs', '00060'), "
                         "('108', 2108, 'Markland', 2, 'ft', '00065'), ('103', 7103, 'Davis', 7, 'f', '00010'), "
                         "('104', 1104, 'Davis Dam', 1, 'cfs', '00060')");
    sources->replies["09380000"].Error = "Data not available.";
    sources->replies["09380002"].RetrievalText = hourlyText(kRunDay, wave(12.1, 12.9, 14));
    sources->replies["09380003"].RetrievalText = hourlyText(kRunDay, wave(61, 74, 14));
    sources->replies["09421500"].RetrievalText = hourlyText(kRunDay, wave(15000, 16000, 14));
    sources->onCall = [this](Session&, SourceCall&) {
      if (window.graphWindow()->isVisible()) shots.push_back(shoot(window.graphWindow()));
    };
    ui.attach(s, &window, [this] { window.refresh(); });
    Form_Load(s, "");
    window.refresh();
  }
  // Switches to a history run over the last seven days: Bridge Creek now has a week of small
  // flows, Markland and Davis have no data, and Davis Dam's reply holds no value the writer can
  // draw.
  bool toHistory() {
    sources->replies["09380000"] = {hourlyText(vb::DateSerial(2024, 5, 30), wave(10, 12, 24 * 6)), "", 1, 2};
    sources->replies["09380002"] = {"", "Data not available.", 1, 2};
    sources->replies["09380003"] = {"", "Data not available.", 1, 2};
    sources->replies["09421500"] = {hourlyText(vb::DateSerial(2024, 5, 30), std::vector<double>(10, -999)), "", 1, 2};
    testing::Driver d;
    d.onModal<DateDialogView>([](DateDialogView* dialog) {
      QTest::mouseClick(dialog->findChild<QRadioButton*>("Option1_2"), Qt::LeftButton, {}, QPoint(5, 5));
      QTimer::singleShot(0, dialog, [dialog] {
        QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
      });
    });
    QTest::mouseClick(window.findChild<QPushButton*>("CommandDate"), Qt::LeftButton);
    return d.finish() && !s.RealtimeMode;
  }
  void start() {
    shots.clear();
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    shots.push_back(shoot(window.graphWindow()));  // after the last station
  }
};

// Each station's series alone, under its own title and axis, on a scale that fits it: the scale
// covers the series and is not ten times wider than its range needs.
void expectDescribes(const ChartShot& shot, const std::string& site, const std::string& axis, double low,
                     double high) {
  SCOPED_TRACE(site);
  EXPECT_EQ(shot.title, site);
  EXPECT_EQ(shot.yTitle, axis);
  EXPECT_EQ(shot.legend, std::vector<std::string>{site});
  EXPECT_LE(shot.yMin, low + 1e-6 * std::fabs(low));
  EXPECT_GE(shot.yMax, high - 1e-6 * std::fabs(high));
  EXPECT_LT(shot.yMax - shot.yMin, std::max(10 * (high - low), 0.2 * high));
  EXPECT_EQ(shot.xAxes, 1);  // one set of labels along each axis, drawn once
  EXPECT_EQ(shot.yAxes, 1);
  EXPECT_EQ(shot.caption.rfind(site, 0), 0u) << shot.caption;
  EXPECT_EQ(shot.caption.find("12/30"), std::string::npos) << shot.caption;  // no empty date
}

TEST(GraphRun, AfterEachOfThreeStationsOfDifferentUnitsTheChartDescribesThatStation) {
  ThreeUnitRun r;
  r.start();
  ASSERT_TRUE(r.window.graphWindow()->isVisible());
  // Shots: as Davis begins (Markland drawn), as Davis Dam begins (Davis drawn), at the end.
  ASSERT_EQ(r.shots.size(), 3u);
  expectDescribes(r.shots[0], "Markland", "Hourly Stage, ft", 12.1, 12.9);
  expectDescribes(r.shots[1], "Davis", "Hourly Water Temp, f", 61, 74);
  expectDescribes(r.shots[2], "Davis Dam", "Hourly Flow, cfs", 15000, 16000);
  // The caption names the peak and volume of the flow.
  EXPECT_TRUE(std::regex_match(r.shots[2].caption, std::regex("Davis Dam, Max [0-9.]+ @ 6/5 [0-9]+:00, [0-9]+ acft")))
      << r.shots[2].caption;
}

// A history run after the real-time one (ThreeUnitRun::toHistory). The chart then shows Bridge
// Creek alone: its title, legend and axis, on a scale of its own flows, not the 16000 cfs scale
// Davis Dam left.
TEST(GraphRun, AfterAHistoryRunTheChartDescribesWhatItDrew) {
  ThreeUnitRun r;
  r.start();
  ASSERT_TRUE(r.toHistory());
  r.start();
  const ChartShot& last = r.shots.back();
  expectDescribes(last, "Bridge Creek", "Hourly Flow, cfs", 10, 12);
  EXPECT_LT(last.yMax, 20);
  // Six days of hours: the row labels are thinned, each drawn once.
  auto* x = qobject_cast<QCategoryAxis*>(r.window.graphWindow()->chart()->axes(Qt::Horizontal)[0]);
  ASSERT_NE(x, nullptr);
  const QStringList labels = x->categoriesLabels();
  EXPECT_GT(labels.size(), 3);
  EXPECT_LE(labels.size(), 60);
}

// The graph window opens beside the main window, at its top and as high as it: its frame (title
// bar included) is placed there, and a place above the screen's free area is moved down onto it.
TEST(GraphRun, TheGraphWindowOpensBesideTheMainWindowWithItsFrameOnTheScreen) {
  for (const int top : {30, -40}) {
    SCOPED_TRACE(top);
    ThreeUnitRun r;
    r.window.resize(300, 400);
    r.window.move(20, top);
    QApplication::processEvents();
    r.window.refresh();
    r.start();
    GraphWindowView* g = r.window.graphWindow();
    ASSERT_TRUE(g->isVisible());
    const QRect main = r.window.frameGeometry();
    const QRect frame = g->frameGeometry();
    const QRect room = g->screen()->availableGeometry();
    // Beside the main window, or over the screen's right half when it leaves less than half free
    // (the test screen is narrower than the main window).
    const int beside = main.right() + 1;
    EXPECT_EQ(frame.left(), room.right() + 1 - beside >= room.width() / 2 ? beside : room.width() / 2);
    EXPECT_EQ(frame.top(), std::max(main.top(), room.top()));
    EXPECT_EQ(frame.height(), r.s.form.Height / 15);
    EXPECT_GE(frame.top(), room.top());
    EXPECT_LE(frame.right(), room.right());
  }
}

}  // namespace

namespace testing {

namespace {
bool grabGraph(GraphWindowView* g, const std::string& path) {
  g->raise();
  for (int i = 0; i < 20; ++i) QTest::qWait(50);
  const QRect frame = g->frameGeometry();
  const QPixmap shot = g->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return shot.save(QString::fromStdString(path));
}
}  // namespace

// The graph window after the three-station run, on the screen, saved as a picture ("name.png");
// then after the history run that follows it ("name_history.png").
int saveGraphScreenshot(const std::string& path) {
  ThreeUnitRun r;
  r.start();
  if (!grabGraph(r.window.graphWindow(), path)) return 1;
  if (!r.toHistory()) return 1;
  r.start();
  std::string history = path;
  const std::size_t dot = history.rfind('.');
  history.insert(dot == std::string::npos ? history.size() : dot, "_history");
  return grabGraph(r.window.graphWindow(), history) ? 0 : 1;
}

}  // namespace testing
}  // namespace fw::gui
