#pragma once
// The station-list editor window ("Select Station(s) for Retrieval") over the StationEditor
// model of a Session. The grid is a QTableView reading the model's StationGrid in place; Qt's own
// editing is off: presses, keys and the wheel go to the model's handlers, and the in-cell editor
// Text1 is a QLineEdit laid over the current cell.
#include <QAbstractTableModel>
#include <QWidget>

class QComboBox;
class QKeyEvent;
class QCloseEvent;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace fw {

struct Session;

namespace gui {

class WizardWindow;

class StationGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit StationGridModel(Session& s, QObject* parent = nullptr) : QAbstractTableModel(parent), s_(s) {}
  // Model row r is grid row r + 1: the grid's row 0 is the horizontal header.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  void reload();

 private:
  Session& s_;
};

class StationEditorWindow : public QWidget {
  Q_OBJECT

 public:
  StationEditorWindow(Session& s, QWidget* parent);
  // Every widget from the model: visibility, the grid, the in-cell editor, the frame and lists.
  void refresh();
  // The setup wizard's window, once "Wizards" made it; null before.
  WizardWindow* wizard() const { return wizard_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPushButton* addButton(const char* name, const char* caption, const char* tip, void (*handler)(Session&));
  bool gridMouse(QEvent* event);
  bool text1Key(QKeyEvent* event);
  void syncText1FromWidget();
  void popupMenu();
  void after();  // brings this window and the main window up to date after a handler

  Session& s_;
  StationGridModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QGroupBox* frame1_ = nullptr;
  QComboBox* comboAddNewLine_ = nullptr;
  QLineEdit* txtSID_ = nullptr;
  QComboBox* comboTools_ = nullptr;
  WizardWindow* wizard_ = nullptr;  // made on the first "Wizards"
  bool refreshing_ = false;
};

}  // namespace gui
}  // namespace fw
