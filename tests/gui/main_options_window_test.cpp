// The main window's viewer buttons, the date dialog, the tray icon and a batch run, on the
// offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextCursor>
#include <chrono>

#include "app/session.h"
#include "app/startup.h"
#include "app/tray.h"
#include "gui/date_dialog.h"
#include "gui/gui_driver.h"
#include "gui/main_window.h"
#include "gui/qt_tray_icon.h"
#include "gui/qt_ui.h"
#include "gui/window_fixtures.h"
#include "run/service_fakes.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::gui {
namespace {

class QuietRun : public StartupLinks {
 public:
  void setupdata(Session& s) override { s.form.Text5.Text = "30"; }
  void runstations(Session&) override {}
  std::optional<vb::VbDate> lastRunTime(Session&) override { return std::nullopt; }
};

struct Fixture : testing::SessionWindow {
  std::shared_ptr<RecordingProcessRunner> runner = std::make_shared<RecordingProcessRunner>();

  Fixture() {
    ::unsetenv("VISUAL");
    ::unsetenv("EDITOR");
    s.links = std::make_shared<QuietRun>();
    s.processes = runner;
    Form_Load(s, "");
    window.refresh();
  }
  template <typename W>
  W* find(const char* name) {
    return testing::findNamed<W>(&window, name);
  }
  void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
};

TEST(MainOptionsWindow, ViewerButtonsStartTheEditorOnTheirFiles) {
  Fixture f;
  const std::string dir = f.folder.path().string() + "/";
  testing::BoxCloser closer;
  f.click("cmdShowNowcastCounts");
  f.click("cmdViewAlert");
  f.click("Command3");
  f.s.SkyvantorFolder = dir;
  fw::testing::writeFile(f.folder / "WindsAloft_RRR_PPP.txt", "x");
  f.click("cmdEditWindsAloft");
  EXPECT_EQ(f.runner->started,
            (std::vector<std::vector<std::string>>{{"xdg-open", dir + "Flumewright_StormCount.txt"},
                                                   {"xdg-open", dir + "Flumewright_Alert.txt"},
                                                   {"xdg-open", dir + "Flumewright_errlog.txt"},
                                                   {"xdg-open", dir + "WindsAloft_RRR_PPP.txt"}}));
  f.click("cmdNowcastExpires");  // no such file: a box, nothing started
  EXPECT_EQ(closer.texts,
            (std::vector<std::string>{dir + "NowCast_RRR_PPP.txt not found.  Run a radar first?"}));
  EXPECT_EQ(f.runner->started.size(), 4u);

  // The spinners step from what their box shows.
  f.s.form.Text8.setText("15%");
  f.window.refresh();
  QTest::mouseClick(f.find<QWidget>("UpDown2Up"), Qt::LeftButton);
  EXPECT_EQ(f.find<QLineEdit>("Text8")->text(), QStringLiteral("16%"));
  // Either radar-hours box fills the other.
  QLineEdit* text9 = f.find<QLineEdit>("Text9");
  text9->selectAll();
  QTest::keyClicks(text9, "6");
  EXPECT_EQ(f.find<QLineEdit>("txtRadarMaxHrs")->text(), QStringLiteral("6"));
  // Scheduled batch shows its frame.
  EXPECT_FALSE(f.find<QWidget>("FrameBatch")->isVisibleTo(&f.window));
  QTest::mouseClick(f.find<QWidget>("CheckBatch"), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(f.find<QWidget>("FrameBatch")->isVisibleTo(&f.window));
}

TEST(MainOptionsWindow, TheLogPaneShowsColourRunsOverTheMenuPicture) {
  Fixture f;
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::darkGreen);
  const std::filesystem::path file = f.folder / "menu pic.png";
  ASSERT_TRUE(picture.save(QString::fromStdString(file.string())));
  f.s.form.Image1.Picture = file.string();
  f.s.form.Text1.appendLine("plain");
  f.s.form.Text1.append("\r\nText color swaps\r\n", 255);  // red
  f.s.form.Text1.appendLine("plain again");
  f.window.refresh();
  auto* image = f.find<QLabel>("Image1");
  EXPECT_FALSE(image->pixmap().isNull());
  auto* pane = f.find<QPlainTextEdit>("Text1");
  EXPECT_EQ(pane->toPlainText(), QStringLiteral("plain\n\nText color swaps\nplain again\n"));
  auto colourAt = [pane](int position) {
    QTextCursor c(pane->document());
    c.setPosition(position + 1);
    return c.charFormat().foreground().color();
  };
  EXPECT_EQ(colourAt(pane->toPlainText().indexOf("Text color")), QColor(255, 0, 0));
  EXPECT_NE(colourAt(pane->toPlainText().indexOf("plain again")), QColor(255, 0, 0));
}

TEST(MainOptionsWindow, HistoryDialogOkFillsTheMainWindowAndARefusedDateKeepsItOpen) {
  Fixture f;
  testing::Driver d;
  std::string refused;
  // A day February lacks: a box names it and the dialog stays.
  d.onModal<DateDialogView>([](DateDialogView* dialog) {
    dialog->findChild<QComboBox*>("Combo1")->setEditText("31");
    dialog->findChild<QComboBox*>("Combo2")->setEditText("Feb");
    QTimer::singleShot(0, dialog, [dialog] {
      QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    });
  });
  d.onModal<QMessageBox>([&](QMessageBox* box) {
    refused = box->text().toStdString();
    box->accept();
  });
  d.onModal<DateDialogView>([](DateDialogView* dialog) {
    QTest::mouseClick(dialog->findChild<QRadioButton*>("Option1_2"), Qt::LeftButton, {},
                      QPoint(5, 5));  // "Last 7 days"
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Days ago= 6"));
    dialog->findChild<QComboBox*>("Combo7")->setEditText("00:00");
    QTimer::singleShot(0, dialog, [dialog] {
      QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    });
  });
  f.click("CommandDate");  // "History", shown modally until OK
  ASSERT_TRUE(d.finish());
  EXPECT_NE(refused.find("31-Feb-"), std::string::npos) << refused;
  EXPECT_FALSE(f.s.RealtimeMode);
  EXPECT_EQ(f.s.form.TextBegindate.Text, "2024-05-30 00:00");
  EXPECT_EQ(f.s.form.TextEnddate.Text, "2024-06-05 00:07");
  EXPECT_EQ(f.find<QLineEdit>("TextBegindate")->text(), QStringLiteral("2024-05-30 00:00"));
  EXPECT_TRUE(f.find<QWidget>("TextBegindate")->isVisibleTo(&f.window));
  EXPECT_FALSE(f.find<QLineEdit>("Text2")->isEnabled());

  // "History" again returns to real time without the dialog.
  f.click("CommandDate");
  EXPECT_TRUE(f.s.RealtimeMode);
  EXPECT_TRUE(f.find<QLineEdit>("Text2")->isEnabled());
}

TEST(MainOptionsWindow, TrayActionsInOrderAndRestoreDoesNotHideAgain) {
  Fixture f;
  QtTrayIcon tray(f.s, [&f] { f.window.refresh(); });
  f.s.BatchMode = true;  // the boxes of a batch run go to the error log; "&Info" still shows
  f.s.TrayState = kTrayShown;
  f.s.form.State = WindowState::Minimized;
  f.s.form.Visible = false;
  f.window.refresh();
  ASSERT_FALSE(f.window.isVisible());

  tray.activate(QSystemTrayIcon::Trigger);  // left button: restore
  QTest::qWait(50);
  EXPECT_TRUE(f.window.isVisible());
  EXPECT_TRUE(f.s.form.Visible);
  EXPECT_EQ(f.s.TrayState, kTrayShown);

  // Each item through the menu, chosen with the mouse as a user would.
  auto choose = [&](int index) {
    testing::Driver d;
    d.then([&] {
      QMenu* menu = tray.menu();
      if (!menu->isVisible()) return false;
      QAction* action = menu->actions().at(index);
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
      return true;
    });
    tray.activate(QSystemTrayIcon::Context);
    return d.finish();
  };
  ASSERT_EQ(tray.menu()->actions().size(), tray::kMenuItemCount);
  for (int i = 0; i < tray::kMenuItemCount; ++i)
    EXPECT_EQ(tray.menu()->actions().at(i)->text(), QString::fromLatin1(tray::kMenuItems[i])) << i;

  ASSERT_TRUE(choose(1));  // "&Info": a box that does not hold the program
  QMessageBox* info = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) info = box;
  ASSERT_NE(info, nullptr);
  EXPECT_FALSE(info->isModal());
  EXPECT_TRUE(info->text().contains("Alert issued: none")) << info->text().toStdString();
  info->close();

  const std::string dir = f.folder.path().string() + "/";
  // The rest in order up to "&Quit". In batch mode their boxes and prompts go to the error log,
  // so none of them waits.
  for (int i = 2; i < tray::kMenuItemCount - 1; ++i) ASSERT_TRUE(choose(i)) << i;
  EXPECT_EQ(f.runner->started,
            (std::vector<std::vector<std::string>>{{"xdg-open", dir + "Flumewright_StormCount.txt"},
                                                   {"xdg-open", dir + "Flumewright_Alert.txt"},
                                                   {"xdg-open", f.folder.path().string()},
                                                   {"xdg-open", dir + "Flumewright_errlog.txt"}}));
  EXPECT_TRUE(f.find<QPlainTextEdit>("Text1")->toPlainText().contains(kNoRadarYet));
  EXPECT_TRUE(f.window.isVisible());
  ASSERT_TRUE(choose(0));  // "&Restore" through the menu
  EXPECT_TRUE(f.window.isVisible());
  ASSERT_TRUE(choose(12));  // "&Quit"
  EXPECT_TRUE(f.s.ExitRequested);
}

TEST(MainOptionsWindow, WithoutATrayTwoBatchStartsGiveOneLine) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
  Fixture f;
  QtTrayIcon tray(f.s, {});
  EXPECT_FALSE(tray.add("Flumewright"));
  EXPECT_FALSE(tray.add("Flumewright"));
  EXPECT_FALSE(tray.shown());
  const std::string& log = f.s.form.Text1.Text;
  const std::string line = "No system tray on this desktop";
  ASSERT_NE(log.find(line), std::string::npos);
  EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos);
}

TEST(MainOptionsWindow, ABatchRunOverTheExampleShowsNothingStartsNothingAndNeverWaits) {
  fw::testing::TempFolder folder;
  const std::filesystem::path example = std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example";
  for (const auto& entry : std::filesystem::directory_iterator(example))
    if (entry.is_regular_file()) std::filesystem::copy_file(entry.path(), folder / entry.path().filename());
  const auto hdb = fw::testing::makeHdb(folder.path(), "Flumewright_HDB.db");
  fw::testing::execSql(hdb, fw::testing::readFile(example / "hdb_sites.sql"));
  QtUi ui;
  FixedClock clock{fw::testing::kTestNow};
  Session s{ui, clock, folder.path()};
  auto runner = std::make_shared<RecordingProcessRunner>();
  s.processes = runner;
  auto sources = installFakeSources(s.services);
  sources->otherwise.Error = "Data not available.";
  s.services.tray = std::make_shared<QtTrayIcon>(s, std::function<void()>{});
  MainWindow window(s);
  ui.attach(s, &window, [&window] { window.refresh(); });
  const auto started = std::chrono::steady_clock::now();
  Form_Load(s, "BATCH");
  window.refresh();
  QApplication::processEvents();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_LT(seconds, 60.0);
  EXPECT_TRUE(runner->started.empty());
  // Without a tray the main window waits minimised; nothing else comes up.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && !(w == &window && window.isMinimized()))
      ADD_FAILURE() << "shown: " << w->metaObject()->className() << " " << w->objectName().toStdString();
  EXPECT_FALSE(sources->calls.empty()) << s.form.Text1.Text;
}

// History end to end: "History", "Last 7 days", OK, then "Start Retrievals" over a small list.
TEST(MainOptionsWindow, AHistoryRunCoversTheChosenDaysAndLeavesTheLastUpdateAlone) {
  testing::GaugeRunFixture f;

  testing::Driver d;
  d.onModal<DateDialogView>([](DateDialogView* dialog) {
    QTest::mouseClick(dialog->findChild<QRadioButton*>("Option1_2"), Qt::LeftButton, {}, QPoint(5, 5));
    QTimer::singleShot(0, dialog, [dialog] {
      QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    });
  });
  QTest::mouseClick(f.window.findChild<QPushButton*>("CommandDate"), Qt::LeftButton);
  ASSERT_TRUE(d.finish());
  ASSERT_FALSE(f.s.RealtimeMode);

  QTest::mouseClick(f.window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  ASSERT_EQ(f.sources->received.size(), 1u);
  EXPECT_EQ(f.sources->received[0].FirstDay, static_cast<int32_t>(vb::DateSerial(2024, 5, 30)));
  EXPECT_EQ(f.sources->received[0].LastDay, static_cast<int32_t>(vb::DateSerial(2024, 6, 5)));
  EXPECT_FALSE(f.s.RealtimeMode);
  EXPECT_EQ(fw::testing::countRows(f.program.hdb, "select * from rupdate where datatype_site_id=0"), 0);

  QTest::mouseClick(f.window.findChild<QPushButton*>("CommandDate"), Qt::LeftButton);
  EXPECT_TRUE(f.s.RealtimeMode);
}

}  // namespace
}  // namespace fw::gui
