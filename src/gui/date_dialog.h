#pragma once
// The history run's date-range dialog over the DateDialog model: eight combo boxes, the eleven
// preset ranges and "OK". "History" shows it modally; OK with dates that are dates hides it,
// closing it ends history mode.
#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace fw {

struct Session;
struct ComboBox;

namespace gui {

class DateDialogView : public QDialog {
  Q_OBJECT

 public:
  explicit DateDialogView(Session& s, QWidget* parent = nullptr);
  // The widgets from the model.
  void refresh();
  void accept() override;
  void reject() override;

 private:
  struct BoundCombo {
    QComboBox* combo;
    ComboBox* box;
    void (*click)(Session&);
  };
  Session& s_;
  std::vector<BoundCombo> combos_;
  std::vector<QRadioButton*> presets_;
  QCheckBox* nowcast_ = nullptr;
};

}  // namespace gui
}  // namespace fw
