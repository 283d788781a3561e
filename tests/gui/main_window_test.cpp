#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/session.h"
#include "app/startup.h"
#include "gui/qt_ui.h"
#include "gui/window_fixtures.h"
#include "run/service_fakes.h"
#include "support/test_session.h"

namespace fw::gui {
namespace {

// A run that reports its station lines in the log pane, as the run does.
class LoggingRun : public StartupLinks {
 public:
  int runs = 0;
  void setupdata(Session& s) override {
    s.form.Text5.Text = "30";
    s.form.Check5.Value = 1;
  }
  void runstations(Session& s) override {
    ++runs;
    s.RunActive = true;
    logPaneLine(s, "B E G I N");
    s.ui.doEvents();
    logPaneLine(s, "Station 1 of 1: Bridge Creek");
    logPaneLine(s, "F I N I S H E D");
    s.RunActive = false;
  }
  std::optional<vb::VbDate> lastRunTime(Session&) override { return vb::DateSerial(2024, 6, 3) + 0.5; }
};

struct WindowFixture : testing::SessionWindow {
  std::shared_ptr<LoggingRun> links = std::make_shared<LoggingRun>();

  WindowFixture() {
    s.links = links;
    Form_Load(s, "");
    window.refresh();
    window.show();
  }
  template <typename W>
  W* find(const char* name) {
    return testing::findNamed<W>(&window, name);
  }
};

// The gauge line after a comment line and an IF line that never holds.
struct RealRunFixture : testing::GaugeRunFixture {
  RealRunFixture() : testing::GaugeRunFixture({"*---- gauges; 0; c; c", "IF; 0; Never; ; rday; NO-1; 1=1"}) {}
};

TEST(MainWindow, StartRetrievalsRunsTheStationListAndTheLogPaneShowsIt) {
  RealRunFixture f;
  ASSERT_TRUE(f.window.isVisible());
  auto* start = f.window.findChild<QPushButton*>("Command1");
  ASSERT_NE(start, nullptr);
  QTest::mouseClick(start, Qt::LeftButton);

  EXPECT_EQ(f.sources->calls, (std::vector<std::string>{"GetUSGS 09380000"}));
  const QString log = f.window.findChild<QPlainTextEdit*>("Text1")->toPlainText();
  EXPECT_TRUE(log.contains("Never  IF  0\nrday 1=1 SKIP-FALSE")) << log.toStdString();
  EXPECT_TRUE(log.contains("Data not available.")) << log.toStdString();
  EXPECT_TRUE(log.contains("F I N I S H E D")) << log.toStdString();
  EXPECT_TRUE(start->isEnabled());
  // Interactive, the station's failure is also shown in a box (closed here by the fixture).
  EXPECT_EQ(f.closer.texts, (std::vector<std::string>{"09380000 1101 Data not available."}));
  EXPECT_NE(f.program.log().find("F I N I S H E D  "), std::string::npos);
}

TEST(MainWindow, StartRetrievalsRunsAndTheLogPaneShowsTheRun) {
  WindowFixture f;
  EXPECT_EQ(f.window.windowTitle().toStdString(), versionCaption());
  EXPECT_EQ(f.find<QLineEdit>("Text6")->text().toStdString(), "  Last run Mon Jun 03 at 12:00");

  QTest::mouseClick(f.find<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(f.links->runs, 1);
  EXPECT_EQ(f.s.form.Text6.Text, "");
  EXPECT_EQ(f.find<QLineEdit>("Text6")->text().toStdString(), "");
  const QString log = f.find<QPlainTextEdit>("Text1")->toPlainText();
  EXPECT_TRUE(log.contains("B E G I N\nStation 1 of 1: Bridge Creek\nF I N I S H E D")) << log.toStdString();
}

TEST(MainWindow, TheBoxesShowTheModelAndWriteWhatTheUserTypesIntoIt) {
  WindowFixture f;
  QLineEdit* minutes = f.find<QLineEdit>("Text5");
  EXPECT_EQ(minutes->text().toStdString(), "30");
  EXPECT_TRUE(f.find<QCheckBox>("Check5")->isChecked());

  minutes->clear();
  QTest::keyClicks(minutes, "15");
  EXPECT_EQ(f.s.form.Text5.Text, "15");
  QTest::mouseClick(f.find<QCheckBox>("CheckBatch"), Qt::LeftButton);
  EXPECT_TRUE(f.s.form.CheckBatch.ticked());

  f.s.form.Text2.Enabled = false;
  f.s.form.Command1.Enabled = false;
  f.window.refresh();
  EXPECT_FALSE(f.find<QLineEdit>("Text2")->isEnabled());
  EXPECT_FALSE(f.find<QPushButton>("Command1")->isEnabled());
}

TEST(MainWindow, ClosingDuringARunOnlyAsksTheRunToStop) {
  WindowFixture f;
  f.s.RunActive = true;
  EXPECT_FALSE(f.window.close());
  EXPECT_TRUE(f.s.StopRequested);
  EXPECT_TRUE(f.window.isVisible());
  f.s.RunActive = false;
}

}  // namespace

namespace testing {

// Shows the window after a run over the small station list and saves the screen.
int saveScreenshot(const std::string& path) {
  RealRunFixture f;
  Command1_Click(f.s);
  f.window.refresh();
  for (int i = 0; i < 20; ++i) QTest::qWait(50);
  QPixmap shot = f.window.screen()->grabWindow(0);
  return shot.save(QString::fromStdString(path)) ? 0 : 1;
}

}  // namespace testing
}  // namespace fw::gui
