#include "gui/station_editor_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <functional>

#include "app/editor_tools.h"
#include "app/rsite_copy.h"
#include "app/session.h"
#include "app/setup_file.h"
#include "app/station_editor.h"
#include "gui/main_window.h"
#include "gui/text_codec.h"
#include "gui/wizard_window.h"

namespace fw::gui {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int16_t kOtherKey = 0x7FFF;  // any key the editor's key handler passes on

QColor colorOf(vb::Color c) { return QColor(vb::Red(c), vb::Green(c), vb::Blue(c)); }

bool formulaColumn(int col) { return col == 7 || col == 10 || col == 13; }

// The key codes the model's key handler knows; everything else is one code it passes on.
int16_t keyCode(int key) {
  switch (key) {
    case Qt::Key_Escape: return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Up: return 38;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    default: return kOtherKey;
  }
}

int shiftState(Qt::KeyboardModifiers m) {
  int shift = 0;
  if (m & Qt::ShiftModifier) shift |= kShiftMask;
  if (m & Qt::ControlModifier) shift |= kCtrlMask;
  if (m & Qt::AltModifier) shift |= kAltMask;
  return shift;
}

}  // namespace

// ---- the grid model ----

int StationGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return std::max(0, s_.Form2.MSFlexGrid1.Rows() - 1);
}

int StationGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGridColumns; }

QVariant StationGridModel::data(const QModelIndex& index, int role) const {
  const StationGrid& g = s_.Form2.MSFlexGrid1;
  const int row = index.row() + 1;
  if (!index.isValid() || row >= g.Rows()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return fromCp1252(g.TextMatrix(row, index.column()));
    case Qt::ForegroundRole:
      return index.column() == 0 ? QVariant() : QVariant(colorOf(g.ForeColor));
    case Qt::BackgroundRole:
      return index.column() == 0 ? QVariant(QColor(Qt::lightGray)) : QVariant();
    case Qt::TextAlignmentRole:
      if (formulaColumn(index.column())) return QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
      return {};
    default:
      return {};
  }
}

QVariant StationGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  const StationGrid& g = s_.Form2.MSFlexGrid1;
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || g.Rows() == 0) return {};
  return fromCp1252(g.TextMatrix(0, section));
}

Qt::ItemFlags StationGridModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void StationGridModel::reload() {
  beginResetModel();
  endResetModel();
}

// ---- the window ----

StationEditorWindow::StationEditorWindow(Session& s, QWidget* parent) : QWidget(parent, Qt::Window), s_(s) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(tr("Select Station(s) for Retrieval"));
  auto* layout = new QVBoxLayout(this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(addButton("CommandOK", "Exit with selection", "", CommandOK_Click));
  buttons->addWidget(addButton("CommandEdit", "Edit List", "Edit list mode, right click on left border for edit menu",
                               CommandEdit_Click));
  buttons->addWidget(addButton("CommandSave", "Save", "Save edits and main screen options",
                               [](Session& s) { CommandSave_Click(s); }));
  buttons->addWidget(addButton("CommandPW", "Connection",
                               "Edit the database connection string MSAccess.mdb filename location", CommandPW_Click));
  buttons->addWidget(addButton("cmdNotepad", "Edit w/Notepad",
                               "Edit list with Notepad, save and Flumewright will load it.", cmdNotepad_Click));
  buttons->addWidget(addButton("cmdWizards", "Wizards", "Click on your station then click me to view coefficients.",
                               cmdWizards_Click));
  buttons->addWidget(addButton("CommandTools", "Tools", "List user's tools.", CommandTools_Click));
  comboTools_ = new QComboBox;
  comboTools_->setObjectName(QStringLiteral("ComboTools"));
  comboTools_->setToolTip(tr("List user's tools."));
  comboTools_->setMinimumWidth(240);
  comboTools_->hide();
  buttons->addWidget(comboTools_);
  buttons->addWidget(addButton("cmdDataTypes", "DataTypes", "List of datatype_id's and other info.", cmdDataTypes_Click));
  buttons->addWidget(addButton("cmdHelp", "Help", "Help!  Use mouse over each option for more info", cmdHelp_Click));
  buttons->addWidget(addButton("cmdTablewise", "Access", "Open Tablewise to selected station", cmdTablewise_Click));
  buttons->addWidget(addButton("cmdPlotwerks", "Graphs", "Open Plotwerks", cmdPlotwerks_Click));
  buttons->addWidget(addButton("cmdSkyvantor", "Nexrad", "Open Skyvantor", cmdSkyvantor_Click));
  buttons->addWidget(addButton("cmdQuit", "Quit", "The End", cmdQuit_Click));
  buttons->addStretch(1);
  layout->addLayout(buttons);

  frame1_ = new QGroupBox(tr("Add by data type"));
  frame1_->setObjectName(QStringLiteral("Frame1"));
  auto* fl = new QHBoxLayout(frame1_);
  comboAddNewLine_ = new QComboBox;
  comboAddNewLine_->setObjectName(QStringLiteral("ComboAddNewLine"));
  comboAddNewLine_->setEditable(true);
  comboAddNewLine_->setMinimumWidth(260);
  fl->addWidget(comboAddNewLine_);
  fl->addWidget(new QLabel(tr("Site_ID 0 to 999")));
  txtSID_ = new QLineEdit;
  txtSID_->setObjectName(QStringLiteral("txtSID"));
  txtSID_->setMaximumWidth(80);
  fl->addWidget(txtSID_);
  auto takeFrame = [this] {
    s_.Form2.ComboAddNewLine.Text = toCp1252(comboAddNewLine_->currentText());
    s_.Form2.txtSID.Text = toCp1252(txtSID_->text());
  };
  auto* add = new QPushButton(tr("Add"));
  add->setObjectName(QStringLiteral("cmdAddNewLine"));
  connect(add, &QPushButton::clicked, this, [this, takeFrame] {
    takeFrame();
    cmdAddNewLine_Click(s_);
    after();
  });
  auto* cancel = new QPushButton(tr("Cancel"));
  cancel->setObjectName(QStringLiteral("cmdCancelNewLine"));
  connect(cancel, &QPushButton::clicked, this, [this] {
    cmdCancelNewLine_Click(s_);
    after();
  });
  fl->addWidget(add);
  fl->addWidget(cancel);
  fl->addStretch(1);
  frame1_->hide();
  layout->addWidget(frame1_);

  model_ = new StationGridModel(s_, this);
  grid_ = new QTableView;
  grid_->setObjectName(QStringLiteral("MSFlexGrid1"));
  grid_->setModel(model_);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::NoSelection);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->setWordWrap(false);
  grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  grid_->setContextMenuPolicy(Qt::NoContextMenu);
  grid_->setFocusPolicy(Qt::StrongFocus);
  grid_->viewport()->installEventFilter(this);
  grid_->installEventFilter(this);
  layout->addWidget(grid_, 1);

  text1_ = new QLineEdit(grid_->viewport());
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setContextMenuPolicy(Qt::NoContextMenu);
  text1_->setFrame(true);
  text1_->hide();
  text1_->installEventFilter(this);
  connect(text1_, &QLineEdit::textEdited, this, [this] { syncText1FromWidget(); });

  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int width) {
    if (refreshing_) return;
    s_.Form2.MSFlexGrid1.setColWidth(col, width * kTwipsPerPixel);
  });
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (refreshing_) return;
    syncText1FromWidget();
    MSFlexGrid1_Scroll(s_);
    s_.Form2.MSFlexGrid1.TopRow = static_cast<int16_t>(value + 1);
    after();
  });
  connect(comboTools_, &QComboBox::activated, this, [this](int i) {
    s_.Form2.ComboTools.Text = toCp1252(comboTools_->itemText(i));
    ComboTools_Click(s_);
    after();
  });

  s_.Form2.PopupMenu = [this] { popupMenu(); };
  s_.Form2.ShowDropDown = [this] {
    refresh();
    comboTools_->show();
    comboTools_->showPopup();
  };
  resize(1100, 600);
}

QPushButton* StationEditorWindow::addButton(const char* name, const char* caption, const char* tip,
                                            void (*handler)(Session&)) {
  auto* b = new QPushButton(tr(caption));
  b->setObjectName(QString::fromLatin1(name));
  if (*tip) b->setToolTip(tr(tip));
  connect(b, &QPushButton::clicked, this, [this, handler] {
    syncText1FromWidget();
    handler(s_);
    after();
  });
  return b;
}

void StationEditorWindow::syncText1FromWidget() {
  CellEditor& t = s_.Form2.Text1;
  if (!t.Visible || !text1_->isVisible()) return;
  t.Text = toCp1252(text1_->text());
  if (text1_->hasSelectedText()) {
    t.SelStart = text1_->selectionStart();
    t.SelLength = static_cast<int>(text1_->selectedText().size());
  } else {
    t.SelStart = text1_->cursorPosition();
    t.SelLength = 0;
  }
}

void StationEditorWindow::after() {
  if (s_.frmWizard.Visible && wizard_ == nullptr)
    wizard_ = new WizardWindow(s_, this, [this] {
      refresh();
      if (auto* main = qobject_cast<MainWindow*>(parentWidget())) main->refresh();
    });
  if (wizard_ != nullptr) wizard_->refresh();
  refresh();
  if (auto* main = qobject_cast<MainWindow*>(parentWidget())) main->refresh();
}

void StationEditorWindow::popupMenu() {
  QMenu menu(tr("Edit"), this);
  menu.setObjectName(QStringLiteral("mnuPopup"));
  struct Item {
    const char* name;
    const char* caption;
    void (*handler)(Session&);
  };
  const Item items[] = {
      {"mnuPopupAddDSID", "Add by Data Type", mnuPopupAddDSID_Click},
      {"mnuPopupAdd", "Add New Record", mnuPopupAdd_Click},
      {"mnuPopupDelete", "Delete Record", mnuPopupDelete_Click},
      {"mnuPopupBreakA", "-", nullptr},
      {"mnuPopupCopy", "Copy Record", mnuPopupCopy_Click},
      {"mnuPopupPaste", "Paste Record", mnuPopupPaste_Click},
      {"mnuPopupRsite", "Copy to RSITE (right click)", mnuPopupRsite_Click},
      {"mnuPopupCancel", "Cancel", nullptr},
  };
  for (const Item& item : items) {
    if (std::string(item.caption) == "-") {
      menu.addSeparator();
      continue;
    }
    QAction* a = menu.addAction(tr(item.caption));
    a->setObjectName(QString::fromLatin1(item.name));
    if (item.handler) {
      auto handler = item.handler;
      connect(a, &QAction::triggered, this, [this, handler] { handler(s_); });
    }
  }
  refresh();
  menu.exec(QCursor::pos());
}

bool StationEditorWindow::gridMouse(QEvent* event) {
  auto* me = static_cast<QMouseEvent*>(event);
  StationGrid& g = s_.Form2.MSFlexGrid1;
  const QPoint pos = me->position().toPoint();
  const QModelIndex idx = grid_->indexAt(pos);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      syncText1FromWidget();
      if (idx.isValid()) {
        const int16_t row = static_cast<int16_t>(idx.row() + 1);
        const int16_t col = static_cast<int16_t>(std::max(1, idx.column()));
        if (row != g.Row || col != g.Col) MSFlexGrid1_LeaveCell(s_);
        // The grid keeps Row at a selection's anchor; shift-click moves only its other end.
        if ((me->modifiers() & Qt::ShiftModifier) && me->button() == Qt::LeftButton) {
          g.RowSel = row;
          g.ColSel = col;
        } else {
          g.Row = g.RowSel = row;
          g.Col = g.ColSel = col;
        }
        g.MouseRow = row;
      }
      const int16_t button = me->button() == Qt::RightButton ? 2 : me->button() == Qt::LeftButton ? 1 : 4;
      const float x = static_cast<float>(pos.x() * kTwipsPerPixel);
      const float y = static_cast<float>((pos.y() + grid_->horizontalHeader()->height()) * kTwipsPerPixel);
      MSFlexGrid1_MouseDown(s_, button, x, y);
      after();
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (me->button() == Qt::LeftButton) {
        MSFlexGrid1_Click(s_);
        after();
      }
      return true;
    case QEvent::MouseButtonDblClick:
      if (me->button() == Qt::LeftButton) {
        MSFlexGrid1_DblClick(s_);
        after();
      }
      return true;
    default:
      return false;
  }
}

bool StationEditorWindow::text1Key(QKeyEvent* ev) {
  syncText1FromWidget();
  if (ev->matches(QKeySequence::Paste)) {
    s_.Form2.ListDirty = true;
    Text1_Paste(s_);
    after();
    return true;
  }
  if (ev->matches(QKeySequence::Cut)) return true;
  const int16_t code = keyCode(ev->key());
  if (Text1_KeyDown(s_, code, shiftState(ev->modifiers())) == 0) {
    after();
    if (!s_.Form2.Text1.Visible) grid_->setFocus();
    return true;
  }
  const QString typed = ev->text();
  if (typed.isEmpty() || !typed.at(0).isPrint()) return false;
  const std::string bytes = toCp1252(typed.left(1));
  const int16_t original = static_cast<unsigned char>(bytes[0]);
  const int16_t k = Text1_KeyPress(s_, original);
  if (k == 0) return true;
  if (k != original) {
    text1_->insert(fromCp1252(std::string(1, static_cast<char>(k))));
    syncText1FromWidget();
    return true;
  }
  return false;  // the line edit takes the character; textEdited writes it to the model
}

bool StationEditorWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_->viewport()) {
    if (event->type() == QEvent::Wheel) {
      syncText1FromWidget();
      GridWheelMessage(s_, static_cast<QWheelEvent*>(event)->angleDelta().y());
      after();
      return true;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
        event->type() == QEvent::MouseButtonDblClick)
      return gridMouse(event);
    return false;
  }
  if (watched == text1_) {
    if (event->type() == QEvent::KeyPress) return text1Key(static_cast<QKeyEvent*>(event));
    // The line edit's own paste of the mouse selection is off.
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
      return true;
    return false;
  }
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    auto* ev = static_cast<QKeyEvent*>(event);
    StationGrid& g = s_.Form2.MSFlexGrid1;
    const int key = ev->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right) {
      MSFlexGrid1_LeaveCell(s_);
      if (key == Qt::Key_Up && g.Row > 1) --g.Row;
      if (key == Qt::Key_Down && g.Row < g.Rows() - 1) ++g.Row;
      if (key == Qt::Key_Left && g.Col > 1) --g.Col;
      if (key == Qt::Key_Right && g.Col < g.Cols() - 1) ++g.Col;
      g.RowSel = g.Row;
      g.ColSel = g.Col;
      after();
      return true;
    }
    const QString typed = ev->text();
    if (!typed.isEmpty() && typed.at(0).isPrint()) {
      const std::string bytes = toCp1252(typed.left(1));
      MSFlexGrid1_KeyPress(s_, static_cast<unsigned char>(bytes[0]));
      after();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void StationEditorWindow::closeEvent(QCloseEvent* event) {
  syncText1FromWidget();
  if (Form2_QueryUnload(s_)) {
    unloadStationEditor(s_);
    event->accept();
  } else {
    event->ignore();
  }
  after();
}

void StationEditorWindow::refresh() {
  StationEditor& f = s_.Form2;
  StationGrid& g = f.MSFlexGrid1;
  refreshing_ = true;
  model_->reload();
  for (int c = 0; c < kGridColumns; ++c) grid_->setColumnWidth(c, g.ColWidth(c) / kTwipsPerPixel);
  const int rowPx = std::max(1, grid_->verticalHeader()->defaultSectionSize());
  g.VisibleRows = std::max(1, grid_->viewport()->height() / rowPx);

  // Selection: whole rows in pick mode, the cell range in edit mode.
  if (g.Rows() > 1 && g.Row >= 1 && g.Row < g.Rows()) {
    const int r1 = std::min(g.Row, g.RowSel) - 1;
    const int r2 = std::min<int>(std::max(g.Row, g.RowSel), g.Rows() - 1) - 1;
    int c1 = 0, c2 = kGridColumns - 1;
    if (g.SelectionMode == kSelectionFree) {
      c1 = std::clamp<int>(std::min(g.Col, g.ColSel), 0, kGridColumns - 1);
      c2 = std::clamp<int>(std::max(g.Col, g.ColSel), 0, kGridColumns - 1);
    }
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->selectionModel()->select(QItemSelection(model_->index(std::max(0, r1), c1), model_->index(std::max(0, r2), c2)),
                                    QItemSelectionModel::ClearAndSelect);
    grid_->selectionModel()->setCurrentIndex(model_->index(g.Row - 1, std::clamp<int>(g.Col, 0, kGridColumns - 1)),
                                             QItemSelectionModel::NoUpdate);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
  }
  if (g.TopRow >= 1) grid_->verticalScrollBar()->setValue(g.TopRow - 1);

  // The in-cell editor over the current cell.
  if (f.Text1.Visible && g.Row >= 1 && g.Row < g.Rows()) {
    const QRect cell = grid_->visualRect(model_->index(g.Row - 1, g.Col));
    text1_->setGeometry(cell);
    const QString text = fromCp1252(f.Text1.Text);
    if (text1_->text() != text) text1_->setText(text);
    const int len = static_cast<int>(text.size());
    const int start = std::clamp(f.Text1.SelStart, 0, len);
    if (f.Text1.SelLength > 0)
      text1_->setSelection(start, std::min(f.Text1.SelLength, len - start));
    else
      text1_->setCursorPosition(start);
    text1_->setStyleSheet(QStringLiteral("color: %1;").arg(colorOf(g.ForeColor).name()));
    text1_->show();
    text1_->setFocus();
  } else {
    text1_->hide();
  }

  frame1_->setVisible(f.Frame1Visible);
  if (comboAddNewLine_->count() != static_cast<int>(f.ComboAddNewLine.List.size())) {
    comboAddNewLine_->clear();
    for (const std::string& item : f.ComboAddNewLine.List) comboAddNewLine_->addItem(fromCp1252(item));
  }
  if (toCp1252(comboAddNewLine_->currentText()) != f.ComboAddNewLine.Text)
    comboAddNewLine_->setEditText(fromCp1252(f.ComboAddNewLine.Text));
  if (toCp1252(txtSID_->text()) != f.txtSID.Text) txtSID_->setText(fromCp1252(f.txtSID.Text));
  if (comboTools_->count() != static_cast<int>(f.ComboTools.List.size())) {
    comboTools_->clear();
    for (const std::string& item : f.ComboTools.List) comboTools_->addItem(fromCp1252(item));
  }
  comboTools_->setPlaceholderText(fromCp1252(f.ComboTools.Text));
  comboTools_->setCurrentIndex(-1);
  comboTools_->setVisible(f.ComboTools.Visible);
  refreshing_ = false;

  if (f.Visible && !isVisible()) {
    if (f.State == WindowState::Maximized)
      showMaximized();
    else
      show();
  } else if (!f.Visible && isVisible()) {
    hide();
  }
}

}  // namespace fw::gui
