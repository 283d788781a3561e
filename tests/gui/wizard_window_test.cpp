// The setup wizard's window driven as a user would: "Wizards" on a runoff line of the editor, a CN
// edit, "Replace Current Setup and Exit", then the What-If panel's "Go".
#include "gui/wizard_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
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
#include "support/test_hdb.h"

namespace fw::gui {
namespace {

const char* const kRunoffLine =
    "COMPUTE-HOUR; -30012; Runoff; Bear Wash, AZ; 0; 1.5, 60, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, "
    "90, 59, 0.5, "
    "1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 2, 0.2, 0, 0.5, 0, Lag0; P1; 0; Triangle Unit Graph";

struct WizardFixture : testing::SessionWindow {
  testing::BoxCloser closer;
  WizardFixture() {
    for (const char* table : {"Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
      std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / table,
                                 folder / table);
    fw::testing::makeHdb(folder.path(), "Flumewright_HDB.db");
    fw::testing::writeFile(folder / kSetupFileName,
                           std::string("Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data "
                                       "Source=Flumewright_HDB.db;\r\n") +
                               kStationListHeader + "\r\nXXXXX; 1001; flow; Bridge Creek, AZ\r\n" +
                               kRunoffLine + "\r\nEND\r\n");
    Form_Load(s, "");
    window.refresh();
  }
  // "Select Station(s)", the runoff row, then "Wizards".
  WizardWindow* openWizard() {
    QTest::mouseClick(window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    s.CurrentStationRow = 2;
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

}  // namespace

namespace testing {

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
