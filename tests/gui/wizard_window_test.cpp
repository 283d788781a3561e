// The setup wizard's window driven as a user would: "Wizards" on a runoff line of the editor, a CN
// edit, "Replace Current Setup and Exit", then the What-If panel's "Go".
#include "gui/wizard_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "app/session.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "gui/main_window.h"
#include "gui/station_editor_window.h"
#include "gui/window_fixtures.h"
#include "support/radar_sites_file.h"
#include "support/test_hdb.h"
#include "wizard/wizard_form.h"

namespace fw::gui {
namespace {

const char* const kRunoffLine =
    "COMPUTE-HOUR; -30012; Runoff; Bear Wash, AZ; 0; 1.5, 60, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, "
    "90, 59, 0.5, "
    "1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 2, 0.2, 0, 0.5, 0, Lag0; P1; 0; Triangle Unit Graph";

const char* const kForecastLine = "FORECAST-NWS; -11012; Forecast Rain; Elm Creek; 0; 36.1, -115.2, 3";

struct WizardFixture : testing::SessionWindow {
  testing::BoxCloser closer;
  WizardFixture() {
    for (const char* table : {"Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
      std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / table,
                                 folder / table);
    fw::testing::makeHdb(folder.path(), "Flumewright_HDB.db");
    fw::testing::writeRadarSites(folder.path());
    fw::testing::writeFile(folder / kSetupFileName,
                           std::string("Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data "
                                       "Source=Flumewright_HDB.db;\r\n") +
                               kStationListHeader + "\r\nXXXXX; 1001; flow; Bridge Creek, AZ\r\n" +
                               kRunoffLine + "\r\n" + kForecastLine + "\r\nEND\r\n");
    Form_Load(s, "");
    window.refresh();
  }
  // "Select Station(s)", the runoff row, then "Wizards".
  WizardWindow* openWizard(int row = 2) {
    QTest::mouseClick(window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    s.CurrentStationRow = static_cast<int16_t>(row);
    QTest::mouseClick(testing::findNamed<QPushButton>(window.stationEditor(), "cmdWizards"), Qt::LeftButton);
    return window.stationEditor()->wizard();
  }
  template <typename W>
  W* find(const char* name) {
    return testing::findNamed<W>(window.stationEditor()->wizard(), name);
  }
  void typeInto(const char* name, const char* text) {
    auto* e = find<QLineEdit>(name);
    e->selectAll();
    QTest::keyClicks(e, text);
  }
};

TEST(WizardWindow, WizardsOpensTheRunoffLineACnEditReplacesItAndWhatIfGoSetsTheRun) {
  WizardFixture f;
  WizardWindow* w = f.openWizard();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle().toStdString(), "Runoff Setup Wizard");
  EXPECT_TRUE(f.find<QGroupBox>("FrameRunoff")->isVisible());
  EXPECT_FALSE(f.find<QGroupBox>("FrameRadar")->isVisible());
  EXPECT_EQ(f.find<QLineEdit>("txtBox(5)")->text().toStdString(), "60");

  f.typeInto("txtBox(5)", "70");
  EXPECT_EQ(f.find<QLineEdit>("txtBox(16)")->text().toStdString(), "94");
  EXPECT_EQ(f.find<QLineEdit>("txtBox(17)")->text().toStdString(), "69");
  QTest::mouseClick(f.find<QPushButton>("cmdReplaceRunoff"), Qt::LeftButton);
  EXPECT_TRUE(f.closer.texts.empty()) << f.closer.texts.front();
  EXPECT_FALSE(w->isVisible());
  const std::string saved =
      "COMPUTE-HOUR; -30012; RUNOFF; Bear Wash, AZ; 0; 1.5, 70, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, "
      "94, 69, "
      "0.5, 1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 2, 0.2, 0, 0.5, 0, Lag0; P1; 0; Triangle Unit Graph";
  EXPECT_NE(fw::testing::readFile(f.folder / kSetupFileName).find("\r\n" + saved + "\r\n"),
            std::string::npos);
  EXPECT_EQ(f.s.Form2.MSFlexGrid1.TextMatrix(2, 6).substr(0, 9), "1.5, 70, ");

  f.openWizard();
  QTest::mouseClick(f.find<QPushButton>("comWhatIf"), Qt::LeftButton);
  ASSERT_TRUE(f.find<QGroupBox>("frameWhatIf")->isVisible());
  QTest::mouseClick(f.find<QRadioButton>("optCoeff(2)"), Qt::LeftButton);
  EXPECT_EQ(f.find<QLineEdit>("txtMCmean")->text().toStdString(), "5");
  f.typeInto("txtWhatIfTraces", "4");
  QTest::mouseClick(f.find<QPushButton>("comGoSim"), Qt::LeftButton);
  EXPECT_EQ(f.s.WhatIf.Coefficient, 3);
  EXPECT_EQ(f.s.WhatIf.CoefficientCaption, "% Impervious");
  EXPECT_EQ(f.s.WhatIf.Traces, 4);
  EXPECT_NEAR(f.s.WhatIf.StepFactor, 1.1, 1e-12);
  const std::string file = fw::testing::readFile(f.folder / kSetupFileName);
  EXPECT_NE(file.find("What-If Coefficient=3\r\n"), std::string::npos);
  EXPECT_NE(file.find("What-If Traces=4\r\n"), std::string::npos);
  EXPECT_FALSE(w->isVisible());
}

// The forecast's coming hours, 14:00 to 19:00 of the test day, and their 5-minute rows.
void forecastRows(const std::filesystem::path& hdb) {
  std::string sql;
  for (int h = 8; h <= 19; ++h)
    sql += "insert into rhour values (-11012, " + fw::testing::dateSql(45448 + h / 24.0) + ", " + (h == 11 ? "0.3" : "0.1") +
           ", " + (h == 9 ? "14" : "18") + ");";
  for (int m = 13 * 60 + 5; m <= 19 * 60; m += 5)
    sql += "insert into runit values (-11012, " + fw::testing::dateSql(45448 + m / 1440.0) + ", 0.00833, 18);";
  fw::testing::execSql(hdb, sql);
}

// "Refresh Forecast" lists the hours and draws their graph; an edit and "Save Edit" store it.
WizardWindow* openForecastPage(WizardFixture& f) {
  forecastRows(f.folder / "Flumewright_HDB.db");
  WizardWindow* w = f.openWizard(3);
  if (w == nullptr) return nullptr;
  QTest::mouseClick(f.find<QPushButton>("cmdRefreshForecast"), Qt::LeftButton);
  QTest::mouseClick(f.find<QPushButton>("cmdEditForecast"), Qt::LeftButton);
  return w;
}

TEST(WizardWindow, TheForecastPageListsDrawsAndSavesAnEditedHour) {
  WizardFixture f;
  WizardWindow* w = openForecastPage(f);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle().toStdString(), "NWS Forecast Setup and Values Edit Wizard");
  EXPECT_TRUE(f.find<QGroupBox>("FrameForecast")->isVisible());
  EXPECT_EQ(f.find<QLineEdit>("txtForecast(6)")->text().toStdString(), kForecastLine);
  const std::string list = f.find<QPlainTextEdit>("txtHistoryForecast")->toPlainText().toStdString();
  EXPECT_EQ(list.substr(0, 28), " 0.10000   05 08:00 AM   18\n");
  EXPECT_NE(list.find(" 0.10000   05 09:00 AM   14\n"), std::string::npos);
  // The graph: twelve listed hours, then the six loaded for editing laid over the last six.
  const ForecastPicture& picture = f.s.frmWizard.Picture;
  ASSERT_EQ(picture.circles.size(), 18u);
  EXPECT_EQ(picture.text, "1.40");
  const QImage shown = f.find<QLabel>("Picture1")->pixmap().toImage();
  EXPECT_EQ(shown.size(), QSize(520, 260));
  const GraphCircle& top = picture.circles[11];
  EXPECT_NEAR(top.x, 517, 1e-9);
  EXPECT_NEAR(top.y, 3, 1e-4);
  bool drawn = false;
  for (int dx = -2; dx <= 2 && !drawn; ++dx)
    for (int dy = -2; dy <= 2 && !drawn; ++dy)
      drawn = shown.pixelColor(static_cast<int>(top.x) + dx, static_cast<int>(top.y) + dy) != Qt::white;
  EXPECT_TRUE(drawn);

  auto* edit = f.find<QPlainTextEdit>("txtEditRain");
  ASSERT_EQ(edit->toPlainText().toStdString(), "0.1\n0.1\n0.1\n0.1\n0.1\n0.1\n");
  QTextCursor c = edit->textCursor();
  c.movePosition(QTextCursor::Start);
  c.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
  edit->setTextCursor(c);
  QTest::keyClicks(edit, "1.2");
  EXPECT_EQ(f.find<QLabel>("LabelForecast(14)")->text().toStdString(), "Total: 1.7000");
  QTest::mouseClick(f.find<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_TRUE(f.closer.texts.empty()) << f.closer.texts.front();
  EXPECT_FALSE(w->isVisible());
  fw::testing::TestConnection db(f.folder / "Flumewright_HDB.db");
  db::QueryResult r = db.run("select value, source from rhour where datatype_site_id=-11012 and date_time=" +
                             fw::testing::dateSql(45448 + 14 / 24.0));
  ASSERT_EQ(r.rowCount(), 1u);
  EXPECT_NEAR(r.cells[0].toDouble(), 1.2, 1e-9);
  EXPECT_EQ(r.cells[1].toString(), "14");
  EXPECT_EQ(fw::testing::countRows(f.folder / "Flumewright_HDB.db",
                                   "select * from runit where source=14 and value=0.1"),
            12);
}

}  // namespace

namespace testing {

// The wizard's forecast page with its list, graph and edit columns, on the screen.
int saveWizardForecastScreenshot(const std::string& path) {
  WizardFixture f;
  WizardWindow* w = openForecastPage(f);
  if (w == nullptr) return 1;
  for (int i = 0; i < 20; ++i) QTest::qWait(50);
  QPixmap shot = w->grab();
  return shot.save(QString::fromStdString(path)) ? 0 : 1;
}

// The wizard's runoff page with its What-If panel open, on the screen.
int saveWizardScreenshot(const std::string& path) {
  WizardFixture f;
  WizardWindow* w = f.openWizard();
  if (w == nullptr) return 1;
  QTest::mouseClick(f.find<QPushButton>("comWhatIf"), Qt::LeftButton);
  for (int i = 0; i < 20; ++i) QTest::qWait(50);
  QPixmap shot = w->grab();
  return shot.save(QString::fromStdString(path)) ? 0 : 1;
}

}  // namespace testing
}  // namespace fw::gui
