// The station-list editor window driven as a user would: open it, edit a cell, save.
#include "gui/station_editor_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>

#include "app/session.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/station_editor.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/text_codec.h"
#include "gui/window_fixtures.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::gui {
namespace {

struct EditorFixture : testing::SessionWindow {
  testing::BoxCloser closer;

  EditorFixture() {
    std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "setup" / "Flumewright_setup.txt",
                               folder / kSetupFileName);
    fw::testing::makeHdb(folder.path(), "TablewiseHDB.mdb");
    for (const char* table : {"Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
      std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / table, folder / table);
    Form_Load(s, "");
    window.refresh();
  }
  StationEditorWindow* editor() { return window.stationEditor(); }
  template <typename W>
  W* find(const char* name) {
    return testing::findNamed<W>(editor(), name);
  }
  // Centre of a grid cell (grid row, column) in the view's viewport.
  QPoint cell(int row, int col) {
    auto* grid = find<QTableView>("MSFlexGrid1");
    return grid->visualRect(grid->model()->index(row - 1, col)).center();
  }
};

TEST(StationEditorWindow, EditASiteNameSaveAndTheFileHasIt) {
  EditorFixture f;
  const std::string before = fw::testing::readFile(f.folder / kSetupFileName);
  auto* select = f.window.findChild<QPushButton*>("Command2");
  ASSERT_NE(select, nullptr);
  QTest::mouseClick(select, Qt::LeftButton);
  ASSERT_TRUE(f.editor()->isVisible());
  EXPECT_EQ(f.editor()->windowTitle().toStdString(), "Select Station(s) for Retrieval");
  EXPECT_EQ(f.find<QPushButton>("CommandEdit")->toolTip().toStdString(),
            "Edit list mode, right click on left border for edit menu");

  auto* grid = f.find<QTableView>("MSFlexGrid1");
  EXPECT_EQ(grid->model()->index(4, 4).data().toString(), QString::fromUtf8("Ridge \xC2\xB0" "F Site, NV"));
  EXPECT_EQ(grid->columnWidth(4), 4000 / 15);

  QTest::mouseClick(f.find<QPushButton>("CommandEdit"), Qt::LeftButton);
  EXPECT_EQ(f.s.Form2.MSFlexGrid1.SelectionMode, kSelectionFree);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, f.cell(1, 4));
  auto* text1 = f.find<QLineEdit>("Text1");
  ASSERT_TRUE(text1->isVisible());
  EXPECT_EQ(text1->text().toStdString(), "Sample Creek near Town, ID");
  text1->selectAll();
  QTest::keyClicks(text1, "Lower Creek-1; ID");
  EXPECT_EQ(text1->text().toStdString(), "Lower Creek-1, ID");
  QTest::keyClick(text1, Qt::Key_Return);
  EXPECT_FALSE(text1->isVisible());
  EXPECT_EQ(f.s.Form2.MSFlexGrid1.TextMatrix(1, 4), "Lower Creek-1, ID");
  EXPECT_TRUE(f.s.Form2.ListDirty);

  QTest::mouseClick(f.find<QPushButton>("CommandSave"), Qt::LeftButton);
  EXPECT_TRUE(f.closer.texts.empty()) << f.closer.texts.front();
  const std::string after = fw::testing::readFile(f.folder / kSetupFileName);
  EXPECT_NE(after.find("\r\nXXXXX; 1001; Flow; Lower Creek-1, ID\r\n"), std::string::npos);
  EXPECT_NE(after.find("\r\nXXXXX; 17004; Air Temperature; Ridge \xB0" "F Site, NV\r\n"), std::string::npos);
  EXPECT_EQ(after.substr(after.find("\r\nEND")), before.substr(before.find("\r\nEND")));
  EXPECT_EQ(f.s.StationTable(4, 1), "Lower Creek-1, ID");
  EXPECT_EQ(grid->model()->index(0, 4).data().toString().toStdString(), "Lower Creek-1, ID");
}

TEST(StationEditorWindow, TheWheelGoesToTheModelAndFrame1Shows) {
  EditorFixture f;
  QTest::mouseClick(f.window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  f.s.Form2.MSFlexGrid1.TopRow = 1;
  auto* grid = f.find<QTableView>("MSFlexGrid1");
  QWheelEvent wheel(QPointF(20, 20), grid->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(grid->viewport(), &wheel);
  EXPECT_EQ(f.s.Form2.MSFlexGrid1.TopRow, 1);  // five lines all fit: the grid does not scroll
  mnuPopupAddDSID_Click(f.s);
  f.editor()->refresh();
  EXPECT_TRUE(f.find<QGroupBox>("Frame1")->isVisible());
}

}  // namespace

namespace testing {

// The editor in edit mode with Text1 open on a formula cell and Frame1 shown, on the screen.
int saveEditorScreenshot(const std::string& path) {
  EditorFixture f;
  Command2_Click(f.s);
  CommandEdit_Click(f.s);
  StationGrid& g = f.s.Form2.MSFlexGrid1;
  g.TextMatrix(2, 7) = "P1*0.5+P2";
  g.Row = g.RowSel = 2;
  g.Col = g.ColSel = 7;
  GridEdit(f.s, 0);
  mnuPopupAddDSID_Click(f.s);
  f.editor()->refresh();
  for (int i = 0; i < 20; ++i) QTest::qWait(50);
  QPixmap shot = f.editor()->screen()->grabWindow(0);
  return shot.save(QString::fromStdString(path)) ? 0 : 1;
}

}  // namespace testing
}  // namespace fw::gui
