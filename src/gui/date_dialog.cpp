#include "gui/date_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/date_form.h"
#include "app/session.h"
#include "gui/text_codec.h"

namespace fw::gui {

namespace {
QString qt(const std::string& s) {
  return fromCp1252(s);
}
}  // namespace

DateDialogView::DateDialogView(Session& s, QWidget* parent) : QDialog(parent), s_(s) {
  setObjectName(QStringLiteral("DateForm"));
  setModal(true);
  DateDialog& f = s_.DateForm;
  auto* top = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  struct Row {
    const char* label;
    ComboBox* day;
    ComboBox* month;
    ComboBox* year;
    ComboBox* hour;
    const char* names[4];
    void (*clicks[3])(Session&);
  };
  const Row rows[] = {
      {"Start",
       &f.Combo1,
       &f.Combo2,
       &f.Combo3,
       &f.Combo7,
       {"Combo1", "Combo2", "Combo3", "Combo7"},
       {date_form::Combo1_Click, date_form::Combo2_Click, date_form::Combo3_Click}},
      {"End",
       &f.Combo4,
       &f.Combo5,
       &f.Combo6,
       &f.Combo8,
       {"Combo4", "Combo5", "Combo6", "Combo8"},
       {nullptr, nullptr, nullptr}},
  };
  int r = 0;
  for (const Row& row : rows) {
    grid->addWidget(new QLabel(tr(row.label)), r, 0);
    ComboBox* boxes[4] = {row.day, row.month, row.year, row.hour};
    for (int i = 0; i < 4; ++i) {
      auto* combo = new QComboBox;
      combo->setEditable(true);
      combo->setObjectName(QString::fromLatin1(row.names[i]));
      void (*click)(Session&) = i < 3 ? row.clicks[i] : nullptr;
      combos_.push_back({combo, boxes[i], click});
      ComboBox* box = boxes[i];
      connect(combo, &QComboBox::currentTextChanged, this, [this, box, click](const QString& text) {
        box->Text = toCp1252(text);
        if (click) click(s_);
        setWindowTitle(qt(s_.DateForm.Caption));
      });
      grid->addWidget(combo, r, i + 1);
    }
    ++r;
  }
  top->addLayout(grid);

  auto* presets = new QGroupBox(tr("Range"));
  auto* pl = new QGridLayout(presets);
  for (int i = 0; i < 11; ++i) {
    auto* option = new QRadioButton(qt(date_form::kPresetCaptions[i]));
    option->setObjectName(QStringLiteral("Option1_%1").arg(i));
    connect(option, &QRadioButton::clicked, this, [this, i] {
      date_form::Option1_Click(s_, static_cast<int16_t>(i));
      refresh();
    });
    presets_.push_back(option);
    pl->addWidget(option, i % 6, i / 6);
  }
  top->addWidget(presets);

  nowcast_ = new QCheckBox(tr("Nowcast at end of history radar images"));
  nowcast_->setObjectName(QStringLiteral("chknowcastHistory"));
  connect(nowcast_, &QCheckBox::clicked, this,
          [this](bool on) { s_.DateForm.chknowcastHistory.setValue(on ? 1 : 0); });
  top->addWidget(nowcast_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("Command1"));
  connect(buttons, &QDialogButtonBox::accepted, this, &DateDialogView::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DateDialogView::reject);
  top->addWidget(buttons);
}

void DateDialogView::refresh() {
  const DateDialog& f = s_.DateForm;
  setWindowTitle(qt(f.Caption));
  for (const BoundCombo& b : combos_) {
    QSignalBlocker block(b.combo);
    QStringList items;
    for (const std::string& item : b.box->items) items << qt(item);
    if (b.combo->count() != items.size()) {
      b.combo->clear();
      b.combo->addItems(items);
    }
    b.combo->setEditText(qt(b.box->Text));
  }
  for (std::size_t i = 0; i < presets_.size(); ++i) {
    QSignalBlocker block(presets_[i]);
    presets_[i]->setChecked(static_cast<std::size_t>(f.Option1) == i);
  }
  QSignalBlocker block(nowcast_);
  nowcast_->setChecked(f.chknowcastHistory.ticked());
}

void DateDialogView::accept() {
  // A date its month lacks is named in a box by the model, and the dialog stays.
  if (date_form::Command1_Click(s_)) QDialog::accept();
}

void DateDialogView::reject() {
  date_form::Form_Unload(s_);
  QDialog::reject();
}

}  // namespace fw::gui
