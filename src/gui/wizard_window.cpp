#include "gui/wizard_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/session.h"
#include "gui/text_codec.h"
#include "wizard/runoff_page.h"
#include "wizard/what_if_panel.h"
#include "wizard/wizard_form.h"

namespace fw::gui {

namespace {

constexpr int kTwipsPerPixel = 15;

QString qs(const std::string& text) {
  return fromCp1252(text);
}
QString name(const std::string& id) {
  return QString::fromStdString(id);
}

}  // namespace

WizardWindow::WizardWindow(Session& s, QWidget* parent, std::function<void()> after)
    : QWidget(parent, Qt::Window), s_(s), after_(std::move(after)) {
  setObjectName(QStringLiteral("frmWizard"));
  auto* layout = new QVBoxLayout(this);
  auto* menus = new QMenuBar;
  menus->setObjectName(QStringLiteral("menus"));
  const std::pair<const char*, const char*> pages[] = {
      {"radar", "&Radar"},           {"runoff", "Run&off"},         {"snowmelt", "Snow&melt"},
      {"ET", "&Evapotranspiration"}, {"solar", "&Solar Radiation"}, {"long", "&Long Radiation"},
      {"ratio", "Radar &Adjust"}};
  for (const auto& [id, caption] : pages) {
    QAction* a = menus->addAction(tr(caption));
    a->setObjectName(name(id));
    const std::string box = id;
    connect(a, &QAction::triggered, this, [this, box] { act([&] { s_.frmWizard.boxes.click(box); }); });
  }
  QMenu* route = menus->addMenu(tr("Rou&te"));
  const std::pair<const char*, const char*> routeItems[] = {{"openRoutingfile", "Open Routing File"},
                                                            {"openModpul", "Open Modpul Rating"},
                                                            {"openDiversion", "Open Diversion Rating"},
                                                            {"listMehtods", "List Methods"}};
  for (const auto& [id, caption] : routeItems) {
    QAction* a = route->addAction(tr(caption));
    a->setObjectName(name(id));
    const std::string box = id;
    connect(a, &QAction::triggered, this, [this, box] { act([&] { s_.frmWizard.boxes.click(box); }); });
  }
  QAction* forecast = menus->addAction(tr("&Forecast"));
  forecast->setObjectName(QStringLiteral("forecast"));
  connect(forecast, &QAction::triggered, this,
          [this] { act([&] { s_.frmWizard.boxes.click("forecast"); }); });
  QAction* notes = menus->addAction(tr("&Notes"));
  notes->setObjectName(QStringLiteral("notes"));
  connect(notes, &QAction::triggered, this, [this] { act([&] { s_.frmWizard.boxes.click("notes"); }); });
  layout->setMenuBar(menus);

  auto* content = new QWidget;
  auto* pagesLayout = new QVBoxLayout(content);
  pagesLayout->addWidget(runoffFrame());
  pagesLayout->addWidget(pageFrame("FrameRadar", "txtRadar", 5));
  pagesLayout->addWidget(pageFrame("FrameSnowmelt", "TxtSnow", 23));
  pagesLayout->addWidget(pageFrame("FrameET", "txtET", 15));
  pagesLayout->addWidget(pageFrame("FrameSolar", "txtSolar", 12));
  pagesLayout->addWidget(pageFrame("FrameLong", "txtLong", 8));
  pagesLayout->addWidget(pageFrame("FrameRatio", "txtratio", 14));
  pagesLayout->addWidget(pageFrame("FrameForecast", "txtForecast", 8));
  pagesLayout->addWidget(helpFrame());
  pagesLayout->addStretch(1);
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);
  layout->addWidget(scroll);
  resize(1100, 760);
}

void WizardWindow::act(const std::function<void()>& handler) {
  if (refreshing_) return;
  handler();
  refresh();
  if (after_) after_();
}

QWidget* WizardWindow::lineBox(const std::string& id, bool wide) {
  auto* e = new QLineEdit;
  e->setObjectName(name(id));
  if (wide)
    e->setMinimumWidth(700);
  else
    e->setMaximumWidth(140);
  connect(e, &QLineEdit::textEdited, this,
          [this, id](const QString& t) { act([&] { s_.frmWizard.boxes.type(id, toCp1252(t)); }); });
  refreshers_.push_back([this, e, id] {
    const Box& b = s_.frmWizard.boxes[id];
    if (e->text() != qs(b.Text)) {
      const int at = e->cursorPosition();
      e->setText(qs(b.Text));
      e->setCursorPosition(std::min(at, static_cast<int>(e->text().size())));
    }
    e->setEnabled(b.Enabled);
  });
  return e;
}

QWidget* WizardWindow::check(const std::string& id) {
  auto* c = new QCheckBox;
  c->setObjectName(name(id));
  connect(c, &QCheckBox::clicked, this,
          [this, id](bool on) { act([&] { s_.frmWizard.boxes.setValue(id, on ? 1 : 0); }); });
  refreshers_.push_back([this, c, id] {
    const Box& b = s_.frmWizard.boxes[id];
    c->setText(qs(b.Caption));
    c->setChecked(b.Value != 0);
    c->setEnabled(b.Enabled);
  });
  return c;
}

QWidget* WizardWindow::option(const std::string& id) {
  auto* r = new QRadioButton;
  r->setObjectName(name(id));
  r->setAutoExclusive(false);  // the model keeps one option of an array selected
  connect(r, &QRadioButton::clicked, this, [this, id] { act([&] { s_.frmWizard.boxes.select(id); }); });
  refreshers_.push_back([this, r, id] {
    const Box& b = s_.frmWizard.boxes[id];
    r->setText(qs(b.Caption));
    r->setChecked(b.Value != 0);
    r->setEnabled(b.Enabled);
  });
  return r;
}

QWidget* WizardWindow::button(const std::string& id) {
  auto* p = new QPushButton;
  p->setObjectName(name(id));
  connect(p, &QPushButton::clicked, this, [this, id] { act([&] { s_.frmWizard.boxes.click(id); }); });
  refreshers_.push_back([this, p, id] {
    const Box& b = s_.frmWizard.boxes[id];
    p->setText(qs(b.Caption));
    p->setEnabled(b.Enabled);
  });
  return p;
}

QWidget* WizardWindow::combo(const std::string& id, bool editable) {
  auto* c = new QComboBox;
  c->setObjectName(name(id));
  c->setEditable(editable);
  c->setMinimumWidth(220);
  connect(c, &QComboBox::activated, this,
          [this, id](int index) { act([&] { s_.frmWizard.boxes.setListIndex(id, index); }); });
  if (editable)
    connect(c->lineEdit(), &QLineEdit::textEdited, this,
            [this, id](const QString& t) { act([&] { s_.frmWizard.boxes.type(id, toCp1252(t)); }); });
  refreshers_.push_back([this, c, id] {
    const Box& b = s_.frmWizard.boxes[id];
    if (c->count() != static_cast<int>(b.List.size())) {
      c->clear();
      for (const std::string& entry : b.List) c->addItem(qs(entry));
    }
    if (c->isEditable())
      c->setEditText(qs(b.Text));
    else
      c->setCurrentIndex(b.ListIndex);
  });
  return c;
}

QWidget* WizardWindow::runoffFrame() {
  auto* frame = new QGroupBox;
  frame->setObjectName(QStringLiteral("FrameRunoff"));
  auto* v = new QVBoxLayout(frame);
  auto* boxes = new QGridLayout;
  for (int i = 0; i <= 30; ++i) {
    auto* label = new QLabel;
    label->setObjectName(name(boxId("LabelIN", i)));
    const std::string labelId = boxId("LabelIN", i);
    refreshers_.push_back(
        [this, label, labelId] { label->setText(qs(s_.frmWizard.boxes[labelId].Caption)); });
    const int row = i % 11, col = (i / 11) * 2;
    boxes->addWidget(label, row, col);
    boxes->addWidget(lineBox(boxId("txtBox", i)), row, col + 1);
  }
  v->addLayout(boxes);
  auto* checks = new QHBoxLayout;
  for (const char* id : {"chkInterceptionWinter", "chkWriteSoil", "chkLagAdj", "Check1", "Check2"})
    checks->addWidget(check(id));
  checks->addWidget(new QLabel(tr("Unit graph")));
  checks->addWidget(combo("ComboDimgraph", true));
  checks->addStretch(1);
  v->addLayout(checks);
  v->addWidget(new QLabel(tr("Setup line")));
  v->addWidget(lineBox("Text1", true));
  v->addWidget(new QLabel(tr("rsite rows")));
  for (const char* id : {"Text2", "Text3", "Text4", "Text5"}) v->addWidget(lineBox(id, true));
  auto* buttons = new QHBoxLayout;
  for (const char* id : {"cmdReplaceRunoff", "cmdRunoffRsiteThis", "cmdRunoffRsiteThese", "comWhatIf"})
    buttons->addWidget(button(id));
  buttons->addStretch(1);
  v->addLayout(buttons);
  v->addWidget(whatIfFrame());
  refreshers_.push_back([this, frame] {
    const Box& b = s_.frmWizard.boxes["FrameRunoff"];
    frame->setVisible(b.Visible);
    frame->setTitle(qs(s_.frmWizard.Caption));
  });
  return frame;
}

QWidget* WizardWindow::whatIfFrame() {
  auto* frame = new QGroupBox;
  frame->setObjectName(QStringLiteral("frameWhatIf"));
  auto* g = new QGridLayout(frame);
  for (int i = 0; i < static_cast<int>(kWhatIfCoefficients.size()); ++i)
    g->addWidget(option(boxId("optCoeff", i)), i % 7, i / 7);
  int row = 0;
  auto labelled = [&](const char* label, const char* id, int col) {
    g->addWidget(new QLabel(tr(label)), row, col);
    g->addWidget(lineBox(id), row, col + 1);
  };
  labelled("Increment %", "txtIncrement", 2);
  labelled("Max", "txtMCmax", 4);
  ++row;
  labelled("Traces", "txtWhatIfTraces", 2);
  labelled("Min", "txtMCmin", 4);
  ++row;
  g->addWidget(check("chkWriteWhatIf"), row, 2);
  g->addWidget(lineBox("txtRunID"), row, 3);
  labelled("Mean", "txtMCmean", 4);
  ++row;
  labelled("Compare DSID", "DSIDcompare", 2);
  labelled("Std dev", "txtMCstdev", 4);
  ++row;
  g->addWidget(check("chkMonteCarlo"), row, 2);
  labelled("Skew", "txtMCskew", 4);
  ++row;
  for (int i = 0; i < static_cast<int>(kMonteTypes.size()); ++i)
    g->addWidget(option(boxId("optionMonteType", i)), row, 2 + i);
  ++row;
  g->addWidget(check("chkMClognormal"), row, 2);
  g->addWidget(check("chkReverseExact"), row, 3);
  g->addWidget(check("chkStochastic"), row, 4);
  ++row;
  labelled("Duration hrs", "txtDuration", 2);
  labelled("Flashy", "txtFlashyFactor", 4);
  ++row;
  labelled("Storms", "txtMultiNumber", 2);
  labelled("Storm hours", "txtMultiDuration", 4);
  ++row;
  g->addWidget(check("chkRandomMulti"), row, 2);
  g->addWidget(check("chkStartConditionsDate"), row, 3);
  ++row;
  labelled("Date", "txtCondtionsDate", 2);
  labelled("Run_ID", "txtStartConditionsRunID", 4);
  ++row;
  labelled("Trace", "txtStartConditionsTraceID", 2);
  g->addWidget(button("comGoSim"), row, 4);
  g->addWidget(button("comCancelSim"), row, 5);
  refreshers_.push_back([this, frame] {
    const Box& b = s_.frmWizard.boxes["frameWhatIf"];
    frame->setVisible(b.Visible);
    frame->setTitle(qs(b.Caption));
  });
  return frame;
}

QWidget* WizardWindow::pageFrame(const char* frameId, const char* array, int count) {
  auto* frame = new QGroupBox;
  frame->setObjectName(QString::fromLatin1(frameId));
  auto* g = new QGridLayout(frame);
  for (int i = 0; i < count; ++i) {
    const std::string id = boxId(array, i);
    g->addWidget(new QLabel(name(id)), i % 8, (i / 8) * 2);
    g->addWidget(lineBox(id), i % 8, (i / 8) * 2 + 1);
  }
  if (std::string(frameId) == "FrameForecast") {
    g->addWidget(combo("ComboForecast", false), 8, 0, 1, 2);
    auto* history = new QPlainTextEdit;
    history->setObjectName(QStringLiteral("txtHistoryForecast"));
    history->setReadOnly(true);
    g->addWidget(history, 9, 0, 1, 6);
    refreshers_.push_back([this, history] {
      const Box& b = s_.frmWizard.boxes["txtHistoryForecast"];
      if (history->toPlainText() != qs(b.Text)) history->setPlainText(qs(b.Text));
    });
  }
  const std::string fid = frameId;
  refreshers_.push_back([this, frame, fid] {
    frame->setVisible(s_.frmWizard.boxes[fid].Visible);
    frame->setTitle(qs(s_.frmWizard.boxes[fid].Caption));
  });
  return frame;
}

QWidget* WizardWindow::helpFrame() {
  auto* frame = new QGroupBox(tr("Routing Methods"));
  frame->setObjectName(QStringLiteral("FrameListMethods"));
  auto* v = new QVBoxLayout(frame);
  auto* text = new QPlainTextEdit;
  text->setObjectName(QStringLiteral("txtListMethods"));
  text->setReadOnly(true);
  text->setMinimumHeight(360);
  v->addWidget(text);
  auto* close = new QPushButton(tr("Close"));
  close->setObjectName(QStringLiteral("comCloseRouteMethods"));
  connect(close, &QPushButton::clicked, this,
          [this] { act([&] { s_.frmWizard.boxes.click("comCloseRouteMethods"); }); });
  v->addWidget(close);
  refreshers_.push_back([this, frame, text] {
    const Box& b = s_.frmWizard.boxes["FrameListMethods"];
    frame->setVisible(b.Visible);
    if (text->toPlainText().isEmpty()) text->setPlainText(qs(s_.frmWizard.boxes["txtListMethods"].Text));
  });
  return frame;
}

void WizardWindow::refresh() {
  refreshing_ = true;
  for (const auto& r : refreshers_) r();
  refreshing_ = false;
  const WizardForm& w = s_.frmWizard;
  if (!w.Caption.empty()) setWindowTitle(qs(w.Caption));
  if (w.Visible && !isVisible()) {
    show();
    raise();
  } else if (!w.Visible && isVisible()) {
    hide();
  }
  if (w.Height > 0 && !isMinimized()) resize(width(), std::min(w.Height / kTwipsPerPixel, 1000));
}

void WizardWindow::closeEvent(QCloseEvent* event) {
  if (wizardQueryUnload(s_, 0)) {
    event->accept();
  } else {
    event->ignore();
    hide();
  }
  if (after_) after_();
}

}  // namespace fw::gui
