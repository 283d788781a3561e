#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QScreen>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedLayout>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/main_options.h"
#include "app/session.h"
#include "app/startup.h"
#include "app/station_editor.h"
#include "gui/date_dialog.h"
#include "gui/graph_window_view.h"
#include "gui/radar_window.h"
#include "gui/station_editor_window.h"
#include "gui/text_codec.h"

namespace fw::gui {

namespace {

QString qt(const std::string& s) { return fromCp1252(s); }

// A back colour of the model as a style sheet; the system colours (negative numbers) leave the
// widget's own colour.
QString backStyle(vb::Color c) {
  if (c < 0) return {};
  return QStringLiteral("background-color: rgb(%1, %2, %3);")
      .arg(vb::Red(c))
      .arg(vb::Green(c))
      .arg(vb::Blue(c));
}

}  // namespace

MainWindow::MainWindow(Session& s, QWidget* parent) : QMainWindow(parent), s_(s) {
  MainForm& f = s_.form;
  auto* central = new QWidget(this);
  auto* top = new QHBoxLayout(central);

  // Left: the settings of a run.
  auto* settings = new QVBoxLayout;
  auto* retrieval = new QGroupBox(tr("Retrieval"));
  auto* form = new QFormLayout(retrieval);
  form->addRow(tr("Days to retrieve"), addText("Text2", f.Text2));
  form->addRow(tr("Future Days"), addText("Text7", f.Text7));
  form->addRow(tr("Percent Missing Allowed"),
               withSpinner(addText("Text8", f.Text8), "UpDown2", main_options::UpDown2_Step));
  form->addRow(tr("Possible Bad Value Change"),
               withSpinner(addText("Text4", f.Text4), "UpDown3", main_options::UpDown3_Step));
  form->addRow(tr("Bad/Missing Stations Allowed"), addText("txtAllowedBadStations", f.txtAllowedBadStations));
  form->addRow(tr("Minutes between retrievals"), addText("Text5", f.Text5));
  settings->addWidget(retrieval);

  auto* writes = new QGroupBox(tr("Write"));
  auto* wl = new QGridLayout(writes);
  wl->addWidget(addCheck("Check5", "Write Dailys", f.Check5), 0, 0);
  wl->addWidget(addCheck("Check3", "Write  Hourly Avg", f.Check3), 0, 1);
  wl->addWidget(addCheck("Check6", "Write Unit Values", f.Check6), 1, 0);
  wl->addWidget(addCheck("Check7", "Write Daily MaxMin", f.Check7), 1, 1);
  wl->addWidget(addCheck("Check8", "Write Unit Shifts", f.Check8), 2, 0);
  wl->addWidget(addCheck("Check4", "Overwrite Source 5", f.Check4), 2, 1);
  wl->addWidget(addCheck("Checkbadvalue", "Bad Value Check", f.Checkbadvalue), 3, 0);
  wl->addWidget(addCheck("Check2", "Last Run's Storage", f.Check2), 3, 1);
  settings->addWidget(writes);

  auto* batch = new QGroupBox(tr("Batch"));
  auto* bl = new QGridLayout(batch);
  bl->addWidget(addCheck("CheckBatch", "Scheduled Batch", f.CheckBatch), 0, 0);
  bl->addWidget(addCheck("chkCompactRepair", "HDB Compact", f.chkCompactRepair), 0, 1);
  bl->addWidget(addCheck("chkNoAsks", "No Asks", f.chkNoAsks), 1, 0);
  bl->addWidget(addCheck("chkBeep", "Beep ON", f.chkBeep), 1, 1);
  bl->addWidget(addCheck("chkMetric", "Metric Computations", f.chkMetric), 2, 0);
  bl->addWidget(addCheck("chkDeleteTMP", "Delete Temp Files", f.chkDeleteTMP), 2, 1);
  bl->addWidget(addCheck("chkdownloadtxt", "Write download.txt", f.chkdownloadtxt), 3, 0);
  settings->addWidget(batch);
  frameBatch_ = new QGroupBox(tr("Scheduled batch"));
  frameBatch_->setObjectName(QStringLiteral("FrameBatch"));
  auto* fb = new QFormLayout(frameBatch_);
  fb->addRow(tr("Minutes to start"), addText("txtMinToStart", f.txtMinToStart));
  settings->addWidget(frameBatch_);

  auto* radar = new QGroupBox(tr("Radar"));
  auto* rl = new QGridLayout(radar);
  rl->addWidget(new QLabel(tr("Max hours of radar")), 0, 0);
  rl->addWidget(addText("txtRadarMaxHrs", f.txtRadarMaxHrs), 0, 1);
  rl->addWidget(new QLabel(tr("Past radar hours")), 0, 2);
  rl->addWidget(addText("Text9", f.Text9), 0, 3);
  rl->addWidget(new QLabel(tr("Radar value")), 1, 0);
  rl->addWidget(addText("txtRadarInch", f.txtRadarInch), 1, 1);
  rl->addWidget(addCheck("chkSaveRadar", "Save Radar >", f.chkSaveRadar), 2, 0);
  rl->addWidget(addCheck("chkLoopBoundarys", "Loop Boundaries", f.chkLoopBoundarys), 2, 1);
  rl->addWidget(addCheck("chk30R70", "Use Nowcast 30R70 line", f.chk30R70), 3, 0);
  rl->addWidget(addCheck("chkWindsaloftgraphic", "Winds Aloft Graphic", f.chkWindsaloftgraphic), 3, 1);
  rl->addWidget(addCheck("chkNowcastOFF", "Turn off radar Nowcasts", f.chkNowcastOFF), 3, 2, 1, 2);
  const char* listings[] = {"Nexrad full directory listing", "Nexrad short listing",
                            "Iowa 24hrs and historical"};
  for (int i = 0; i < 3; ++i) {
    auto* option = new QRadioButton(tr(listings[i]));
    option->setObjectName(QStringLiteral("optLongDir%1").arg(i));
    connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) s_.form.optLongDir = static_cast<int16_t>(i);
    });
    radarListing_.push_back(option);
    rl->addWidget(option, 4 + i, 0, 1, 4);
  }
  settings->addWidget(radar);
  settings->addStretch(1);
  top->addLayout(settings);

  // Right: the station in work, the button and the log pane.
  auto* right = new QVBoxLayout;
  auto* station = new QHBoxLayout;
  station->addWidget(addCheck("Check1", "One station", f.Check1));
  QLineEdit* dsid = addText("Text3", f.Text3);
  dsid->setPlaceholderText(tr("DSID"));
  dsid->setMaximumWidth(120);
  station->addWidget(dsid);
  station->addWidget(addText("Text6", f.Text6), 1);
  right->addLayout(station);

  start_ = new QPushButton(tr("Start Retrievals"));
  start_->setObjectName(QStringLiteral("Command1"));
  start_->setMinimumHeight(36);
  connect(start_, &QPushButton::clicked, this, [this] {
    Command1_Click(s_);
    refresh();
  });
  right->addWidget(start_);

  auto* select = new QPushButton(tr("Select Station(s)"));
  select->setObjectName(QStringLiteral("Command2"));
  connect(select, &QPushButton::clicked, this, [this] {
    Command2_Click(s_);
    refresh();
    editor_->refresh();
  });
  right->addWidget(select);

  // History mode's dates, shown while the run reads a past range.
  history_ = new QWidget;
  auto* hl = new QHBoxLayout(history_);
  hl->setContentsMargins(0, 0, 0, 0);
  hl->addWidget(new QLabel(tr("History from")));
  hl->addWidget(addText("TextBegindate", f.TextBegindate));
  hl->addWidget(new QLabel(tr("to")));
  hl->addWidget(addText("TextEnddate", f.TextEnddate));
  right->addWidget(history_);

  auto* viewers = new QGridLayout;
  const struct {
    const char* name;
    const char* caption;
    void (*handler)(Session&);
  } buttons[] = {
      {"CommandDate", "History", main_options::CommandDate_Click},
      {"cmdShowNowcastCounts", "View Storm Count", main_options::cmdShowNowcastCounts_Click},
      {"cmdShowNowcast", "View Tracking", main_options::cmdShowNowcast_Click},
      {"cmdViewAlert", "View Alerts", main_options::cmdViewAlert_Click},
      {"Command3", "View Error Log", main_options::Command3_Click},
      {"cmdEditWindsAloft", "Edit Winds Aloft", main_options::cmdEditWindsAloft_Click},
      {"cmdNowcastExpires", "Edit Nowcast Expires", main_options::cmdNowcastExpires_Click},
      {"cmdMenuPic", "Menu Graphic", main_options::cmdMenuPic_Click},
      {"cmdShowRadar", "View Last Radar", cmdShowRadar_Click},
      {"cmdHelp", "Help", main_options::cmdHelp_Click},
  };
  int n = 0;
  for (const auto& b : buttons) {
    viewers->addWidget(addButton(b.name, b.caption, b.handler), n / 3, n % 3);
    ++n;
  }
  right->addLayout(viewers);

  // The log pane lies over the menu picture; its background is see-through while one is loaded.
  auto* pane = new QWidget;
  auto* stack = new QStackedLayout(pane);
  stack->setStackingMode(QStackedLayout::StackAll);
  log_ = new QPlainTextEdit;
  log_->setObjectName(QStringLiteral("Text1"));
  log_->setReadOnly(true);
  log_->setMinimumSize(420, 320);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  image_ = new QLabel;
  image_->setObjectName(QStringLiteral("Image1"));
  image_->setScaledContents(true);
  stack->addWidget(log_);
  stack->addWidget(image_);
  log_->raise();
  right->addWidget(pane, 1);
  top->addLayout(right, 1);

  setCentralWidget(central);
  editor_ = new StationEditorWindow(s_, this);
  graph_ = new GraphWindowView(s_, this);
  radar_ = new RadarWindowView(s_, this);
  date_ = new DateDialogView(s_, this);
  s_.onShowDateForm = [this] {
    date_->refresh();
    date_->exec();
    refresh();
  };
  refresh();
}

QPushButton* MainWindow::addButton(const char* name, const char* caption, void (*handler)(Session&)) {
  auto* button = new QPushButton(tr(caption));
  button->setObjectName(QString::fromLatin1(name));
  connect(button, &QPushButton::clicked, this, [this, handler] {
    handler(s_);
    refresh();
  });
  return button;
}

QWidget* MainWindow::withSpinner(QLineEdit* edit, const char* name, void (*step)(Session&, int)) {
  auto* box = new QWidget;
  auto* l = new QHBoxLayout(box);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(1);
  l->addWidget(edit, 1);
  for (int direction : {1, -1}) {
    auto* arrow = new QToolButton;
    arrow->setObjectName(QString::fromLatin1(name) +
                         (direction > 0 ? QStringLiteral("Up") : QStringLiteral("Down")));
    arrow->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
    connect(arrow, &QToolButton::clicked, this, [this, step, direction] {
      step(s_, direction);
      refresh();
    });
    l->addWidget(arrow);
  }
  return box;
}

void MainWindow::showPicture() {
  const std::string& file = s_.form.Image1.Picture;
  if (file == shownPicture_) return;
  shownPicture_ = file;
  QPixmap picture;
  if (!file.empty()) picture.load(QString::fromStdString(file));
  image_->setPixmap(picture);
  // Over a picture the pane is see-through, so the picture shows behind the text.
  log_->setStyleSheet(picture.isNull() ? QString()
                                       : QStringLiteral("QPlainTextEdit { background: transparent; }"));
  log_->viewport()->setAutoFillBackground(picture.isNull());
}

void MainWindow::showLog() {
  const LogPane& pane = s_.form.Text1;
  if (pane.Text == shownLog_ && pane.Runs.size() == shownRuns_ && pane.Marks.size() == shownMarks_) return;
  shownLog_ = pane.Text;
  shownRuns_ = pane.Runs.size();
  shownMarks_ = pane.Marks.size();
  // Line ends become LF alone; at[i] is where byte i of the model's text lands in the widget's.
  std::vector<int> at(shownLog_.size() + 1, 0);
  std::string plain;
  plain.reserve(shownLog_.size());
  for (std::size_t i = 0; i < shownLog_.size(); ++i) {
    at[i] = static_cast<int>(plain.size());
    const char c = shownLog_[i];
    if (c == '\r') {
      if (i + 1 < shownLog_.size() && shownLog_[i + 1] == '\n') continue;
      plain += '\n';
    } else {
      plain += c;
    }
  }
  at[shownLog_.size()] = static_cast<int>(plain.size());
  log_->setPlainText(qt(plain));
  auto colour = [this, &at](std::size_t from, std::size_t to, vb::Color c) {
    from = std::min(from, shownLog_.size());
    to = std::min(to, shownLog_.size());
    if (c < 0 || from >= to) return;
    QTextCursor cursor(log_->document());
    cursor.setPosition(at[from]);
    cursor.setPosition(at[to], QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(QColor(vb::Red(c), vb::Green(c), vb::Blue(c)));
    cursor.mergeCharFormat(format);
  };
  for (std::size_t i = 0; i < pane.Runs.size(); ++i) {
    const std::size_t end = i + 1 < pane.Runs.size() ? pane.Runs[i + 1].start : shownLog_.size();
    colour(pane.Runs[i].start, end, pane.Runs[i].color);
  }
  for (const LogPane::ColourMark& m : pane.Marks) colour(m.start, m.start + m.length, m.color);
  log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

QLineEdit* MainWindow::addText(const char* name, TextBox& box) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QString::fromLatin1(name));
  connect(edit, &QLineEdit::textEdited, this, [this, &box](const QString& t) {
    box.setText(toCp1252(t));
    refresh();
  });
  texts_.push_back({edit, &box});
  return edit;
}

QCheckBox* MainWindow::addCheck(const char* name, const char* caption, CheckBox& box) {
  auto* check = new QCheckBox(tr(caption));
  check->setObjectName(QString::fromLatin1(name));
  connect(check, &QCheckBox::clicked, this, [this, &box](bool on) {
    box.setValue(on ? 1 : 0);
    refresh();
  });
  checks_.push_back({check, &box});
  return check;
}

void MainWindow::refresh() {
  const MainForm& f = s_.form;
  setWindowTitle(qt(f.Caption));
  for (const BoundText& t : texts_) {
    QSignalBlocker block(t.edit);
    if (toCp1252(t.edit->text()) != t.box->Text) t.edit->setText(qt(t.box->Text));
    t.edit->setEnabled(t.box->Enabled);
    t.edit->setVisible(t.box->Visible);
    t.edit->setStyleSheet(backStyle(t.box->BackColor));
  }
  for (const BoundCheck& c : checks_) {
    QSignalBlocker block(c.check);
    c.check->setChecked(c.box->ticked());
    c.check->setEnabled(c.box->Enabled);
    c.check->setVisible(c.box->Visible);
    c.check->setStyleSheet(backStyle(c.box->BackColor));
  }
  for (size_t i = 0; i < radarListing_.size(); ++i) {
    QSignalBlocker block(radarListing_[i]);
    radarListing_[i]->setChecked(static_cast<size_t>(f.optLongDir) == i);
  }
  start_->setEnabled(f.Command1.Enabled && !s_.RunActive);
  if (f.MousePointer == Pointer::Hourglass)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
  if (f.Visible && !isVisible()) {
    if (f.State == WindowState::Minimized)
      showMinimized();
    else
      show();
  } else if (!f.Visible && isVisible()) {
    hide();
  }
  showLog();
  showPicture();
  frameBatch_->setVisible(f.FrameBatchVisible);
  history_->setVisible(!f.Text2.Enabled);
  // The window's height (twips) changes with history mode while the window is neither minimised
  // nor maximised.
  if (f.Height != appliedHeight_) {
    if (appliedHeight_ != 0 && f.State == WindowState::Normal) resize(width(), f.Height / 15);
    appliedHeight_ = f.Height;
  }
  // Where the window lies (its frame, twips), for the graph window that opens beside it.
  if (isVisible() && !isMinimized()) {
    MainForm& place = s_.form;
    const QRect frame = frameGeometry();
    place.Left = frame.x() * 15;
    place.Top = frame.y() * 15;
    place.Width = frame.width() * 15;
    if (const QScreen* sc = screen()) place.ScreenWidth = (sc->availableGeometry().right() + 1) * 15;
  }
  graph_->sync();
}

void MainWindow::startTimers() {
  timer1_.setInterval(s_.form.Timer1.Interval);
  connect(&timer1_, &QTimer::timeout, this, &MainWindow::tick, Qt::UniqueConnection);
  timer1_.start();
  stopWatch_.setInterval(200);
  connect(&stopWatch_, &QTimer::timeout, this, &MainWindow::watchStop, Qt::UniqueConnection);
  stopWatch_.start();
}

void MainWindow::tick() {
  // The run yields to the event loop while it works; the model's own guard keeps a tick that
  // arrives then from starting a second run.
  if (!s_.form.Timer1.Enabled) return;
  Timer1_Timer(s_);
  refresh();
  if (s_.ExitRequested) close();
}

void MainWindow::watchStop() {
  if ((s_.StopRequested || s_.ExitRequested) && !s_.RunActive) close();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  MainForm& f = s_.form;
  f.State = isMinimized()   ? WindowState::Minimized
            : isMaximized() ? WindowState::Maximized
                            : WindowState::Normal;
  // Minimising is the resize that sends the program to the tray while its icon is shown.
  if (f.State == WindowState::Minimized) {
    Form_Resize(s_);
    refresh();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!Form_QueryUnload(s_)) {
    event->ignore();  // a run is going: it stops before its next line, then the watch closes
    return;
  }
  timer1_.stop();
  stopWatch_.stop();
  event->accept();
  QApplication::quit();
}

}  // namespace fw::gui
