#pragma once
// The main window: shows the MainForm model of a Session and forwards its events to the model's
// handlers (Command1_Click, Timer1_Timer, Form_QueryUnload). It holds no state of its own beyond
// its widgets; refresh() brings every widget up to date with the model.
#include <QMainWindow>
#include <QTimer>
#include <vector>

#include "app/main_form.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QCloseEvent;

namespace fw {

struct Session;

namespace gui {

class StationEditorWindow;
class GraphWindowView;
class DateDialogView;
class RadarWindowView;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(Session& s, QWidget* parent = nullptr);

  // Every widget from the model: caption, boxes, back colours, the log pane (scrolled to its end).
  void refresh();
  // Starts the 10-second tick of Timer1 and the watch for a stop asked from outside.
  void startTimers();
  StationEditorWindow* stationEditor() const { return editor_; }
  GraphWindowView* graphWindow() const { return graph_; }
  DateDialogView* dateDialog() const { return date_; }
  RadarWindowView* radarWindow() const { return radar_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct BoundText {
    QLineEdit* edit;
    TextBox* box;
  };
  struct BoundCheck {
    QCheckBox* check;
    CheckBox* box;
  };

  QLineEdit* addText(const char* name, TextBox& box);
  QCheckBox* addCheck(const char* name, const char* caption, CheckBox& box);
  QPushButton* addButton(const char* name, const char* caption, void (*handler)(Session&));
  QWidget* withSpinner(QLineEdit* edit, const char* name, void (*step)(Session&, int));
  void showLog();
  void showPicture();
  void tick();
  void watchStop();

  Session& s_;
  std::vector<BoundText> texts_;
  std::vector<BoundCheck> checks_;
  std::vector<QRadioButton*> radarListing_;
  QPlainTextEdit* log_ = nullptr;
  QPushButton* start_ = nullptr;
  StationEditorWindow* editor_ = nullptr;
  GraphWindowView* graph_ = nullptr;
  DateDialogView* date_ = nullptr;
  RadarWindowView* radar_ = nullptr;
  QGroupBox* frameBatch_ = nullptr;
  QWidget* history_ = nullptr;
  QLabel* image_ = nullptr;
  std::string shownPicture_;
  std::size_t shownRuns_ = 0, shownMarks_ = 0;
  int32_t appliedHeight_ = 0;
  QTimer timer1_;
  QTimer stopWatch_;
  std::string shownLog_;
};

}  // namespace gui
}  // namespace fw
