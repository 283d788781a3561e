#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
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
#include <QVBoxLayout>

#include "app/session.h"
#include "app/startup.h"
#include "app/station_editor.h"
#include "gui/station_editor_window.h"
#include "gui/text_codec.h"

namespace fw::gui {

namespace {

QString qt(const std::string& s) { return fromCp1252(s); }

// The log pane's text ends its lines with CR LF; the widget wants LF alone.
QString paneText(const std::string& text) {
  QString t = qt(text);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QChar('\r'), QChar('\n'));
  return t;
}

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
  form->addRow(tr("Percent Missing Allowed"), addText("Text8", f.Text8));
  form->addRow(tr("Possible Bad Value Change"), addText("Text4", f.Text4));
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

  auto* radar = new QGroupBox(tr("Radar"));
  auto* rl = new QGridLayout(radar);
  rl->addWidget(new QLabel(tr("Max hours of radar")), 0, 0);
  rl->addWidget(addText("txtRadarMaxHrs", f.txtRadarMaxHrs), 0, 1);
  rl->addWidget(new QLabel(tr("Radar value")), 1, 0);
  rl->addWidget(addText("txtRadarInch", f.txtRadarInch), 1, 1);
  rl->addWidget(addCheck("chkSaveRadar", "Save Radar >", f.chkSaveRadar), 2, 0);
  rl->addWidget(addCheck("chkLoopBoundarys", "Loop Boundaries", f.chkLoopBoundarys), 2, 1);
  rl->addWidget(addCheck("chk30R70", "Use Nowcast 30R70 line", f.chk30R70), 3, 0);
  rl->addWidget(addCheck("chkWindsaloftgraphic", "Winds Aloft Graphic", f.chkWindsaloftgraphic), 3, 1);
  const char* listings[] = {"Nexrad full directory listing", "Nexrad short listing",
                            "Iowa 24hrs and historical"};
  for (int i = 0; i < 3; ++i) {
    auto* option = new QRadioButton(tr(listings[i]));
    option->setObjectName(QStringLiteral("optLongDir%1").arg(i));
    connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) s_.form.optLongDir = static_cast<int16_t>(i);
    });
    radarListing_.push_back(option);
    rl->addWidget(option, 4 + i, 0, 1, 2);
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

  log_ = new QPlainTextEdit;
  log_->setObjectName(QStringLiteral("Text1"));
  log_->setReadOnly(true);
  log_->setMinimumSize(420, 320);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  right->addWidget(log_, 1);
  top->addLayout(right, 1);

  setCentralWidget(central);
  editor_ = new StationEditorWindow(s_, this);
  refresh();
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
  if (f.Text1.Text != shownLog_) {
    shownLog_ = f.Text1.Text;
    log_->setPlainText(paneText(shownLog_));
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
  }
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
