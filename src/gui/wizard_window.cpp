#include "gui/wizard_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <QTextCursor>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/session.h"
#include "gui/text_codec.h"
#include "wizard/forecast_page.h"
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
  pagesLayout->addWidget(pageFrame("FrameRadar", "txtRadar", 5, "LabelRadar"));
  pagesLayout->addWidget(pageFrame("FrameSnowmelt", "TxtSnow", 23, "LabelSnow"));
  pagesLayout->addWidget(pageFrame("FrameET", "txtET", 15, "LabelET"));
  pagesLayout->addWidget(pageFrame("FrameSolar", "txtSolar", 12, "LabelSolar"));
  pagesLayout->addWidget(pageFrame("FrameLong", "txtLong", 8, "LabelLong"));
  pagesLayout->addWidget(pageFrame("FrameRatio", "txtratio", 14, "LabelRatio"));
  pagesLayout->addWidget(pageFrame("FrameForecast", "txtForecast", 6, "LabelForecastBox"));
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

QWidget* WizardWindow::pageFrame(const char* frameId, const char* array, int count, const char* labels) {
  auto* frame = new QGroupBox;
  frame->setObjectName(QString::fromLatin1(frameId));
  auto* g = new QGridLayout(frame);
  for (int i = 0; i < count; ++i) {
    const std::string id = boxId(array, i);
    auto* label = new QLabel(name(id));
    if (*labels != '\0') {
      const std::string labelId = boxId(labels, i);
      refreshers_.push_back([this, label, labelId, id] {
        const std::string& caption = s_.frmWizard.boxes[labelId].Caption;
        label->setText(caption.empty() ? name(id) : qs(caption));
      });
    }
    g->addWidget(label, i % 8, (i / 8) * 2);
    g->addWidget(lineBox(id), i % 8, (i / 8) * 2 + 1);
  }
  pageExtras(frameId, g);
  const std::string fid = frameId;
  refreshers_.push_back([this, frame, fid] {
    frame->setVisible(s_.frmWizard.boxes[fid].Visible);
    frame->setTitle(qs(s_.frmWizard.boxes[fid].Caption));
  });
  return frame;
}

void WizardWindow::pageExtras(const std::string& frame, QGridLayout* g) {
  struct Extras {
    const char* frame;
    std::vector<const char*> lines;
    std::vector<const char*> checks;
    std::vector<const char*> buttons;
  };
  const Extras pages[] = {
      {"FrameRadar",
       {"txtsetupRadar", "txtrsiteRadar", "txtBoundaryfile", "txtPointfile"},
       {},
       {"cmdReplaceRadar", "cmdRadarRtable", "cmdWindsAloftEdit"}},
      {"FrameSnowmelt",
       {"SText1", "SText2", "SText3", "SText4", "SText5"},
       {"chkWriteSnowInfo"},
       {"cmdReplaceSnowmelt", "cmdSnowRsite"}},
      {"FrameET", {"txtsetupET", "txtrsiteET"}, {}, {"cmdReplaceET", "cmdEtRsite"}},
      {"FrameSolar", {"txtsetupSolar", "txtrsiteSolar"}, {}, {"cmdReplaceSolar", "cmdSolarRsite"}},
      {"FrameLong", {"txtsetupLong", "txtrsiteLong"}, {}, {"cmdReplaceLong", "cmdLongRsite"}},
      {"FrameRatio",
       {"txtsetupRatio(0)", "txtsetupRatio(1)", "txtsetupRatio(2)", "txtsetupRatio(3)"},
       {},
       {"cmdRatioRsiteThis"}},
  };
  int row = 8;
  if (frame == "FrameRadar") {
    auto* lists = new QHBoxLayout;
    for (const char* id : {"ComboSites(0)", "ComboSites(1)", "ComboSites(2)", "ComboSites(3)"})
      lists->addWidget(combo(id, false));
    g->addLayout(lists, row++, 0, 1, 6);
  }
  if (frame == "FrameForecast") {
    g->addWidget(forecastExtras(), row, 0, 1, 6);
    return;
  }
  for (const Extras& e : pages) {
    if (frame != e.frame) continue;
    for (const char* id : e.lines) g->addWidget(lineBox(id, true), row++, 0, 1, 6);
    auto* buttons = new QHBoxLayout;
    for (const char* id : e.checks) buttons->addWidget(check(id));
    for (const char* id : e.buttons) buttons->addWidget(button(id));
    buttons->addStretch(1);
    g->addLayout(buttons, row, 0, 1, 6);
  }
}

namespace {

// Text boxes of several lines keep CR LF line ends; the widget shows them as plain line feeds.
QString shown(const std::string& text) {
  return qs(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
std::string kept(const QString& text) {
  QString t = text;
  return toCp1252(t.replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
}

QColor oleColour(vb::Color c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// A picture box that reports where it was clicked.
class PictureBox : public QLabel {
 public:
  std::function<void(double)> clicked;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (clicked) clicked(event->position().x());
  }
};

}  // namespace

QImage renderForecastPicture(const ForecastPicture& p, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const GraphLine& l : p.lines) {
    painter.setPen(QPen(oleColour(l.colour), 1));
    painter.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
  }
  painter.setBrush(Qt::NoBrush);
  for (const GraphCircle& c : p.circles) {
    painter.setPen(QPen(oleColour(c.colour), 1));
    painter.drawEllipse(QPointF(c.x, c.y), c.radius, c.radius);
  }
  painter.setPen(Qt::black);
  QFont font = painter.font();
  font.setPointSize(8);
  painter.setFont(font);
  painter.drawText(QPointF(p.textX, p.textY + QFontMetricsF(font).ascent()), qs(p.text));
  return image;
}

QWidget* WizardWindow::textColumn(const std::string& id, bool editable) {
  auto* t = new QPlainTextEdit;
  t->setObjectName(name(id));
  t->setReadOnly(!editable);
  t->setMinimumHeight(120);
  t->setMaximumWidth(editable ? 110 : 150);
  if (editable)
    connect(t, &QPlainTextEdit::textChanged, this,
            [this, t, id] { act([&] { s_.frmWizard.boxes.type(id, kept(t->toPlainText())); }); });
  refreshers_.push_back([this, t, id] {
    const QString text = shown(s_.frmWizard.boxes[id].Text);
    if (t->toPlainText() != text) t->setPlainText(text);
  });
  return t;
}

QWidget* WizardWindow::forecastExtras() {
  auto* box = new QWidget;
  auto* g = new QGridLayout(box);
  g->addWidget(lineBox("txtForecast(6)", true), 0, 0, 1, 8);
  g->addWidget(lineBox("txtForecast(7)", true), 1, 0, 1, 8);
  auto* row = new QHBoxLayout;
  row->addWidget(combo("ComboForecast", false));
  auto* siteName = new QLabel;
  siteName->setObjectName(QStringLiteral("LabelForecast(3)"));
  refreshers_.push_back([this, siteName] { siteName->setText(qs(s_.frmWizard.boxes["LabelForecast(3)"].Caption)); });
  row->addWidget(siteName);
  row->addWidget(new QLabel(tr("Days")));
  row->addWidget(lineBox("txtDays"));
  row->addWidget(new QLabel(tr("Forecast End Hour")));
  row->addWidget(lineBox("txtFhours"));
  for (const char* id : {"cmdActual", "cmdRefreshForecast", "cmdSaveForecastFile", "cmdEditForecast"})
    row->addWidget(button(id));
  row->addStretch(1);
  g->addLayout(row, 2, 0, 1, 8);

  auto* history = new QPlainTextEdit;
  history->setObjectName(QStringLiteral("txtHistoryForecast"));
  history->setReadOnly(true);
  history->setMinimumSize(300, 260);
  connect(history, &QPlainTextEdit::selectionChanged, this, [this, history] {
    act([&] {
      // The model's text has CR LF where the widget has one line feed.
      const QTextCursor c = history->textCursor();
      const QString text = history->toPlainText();
      const int start = c.selectionStart(), end = c.selectionEnd();
      const auto lineFeeds = [&](int from, int to) { return static_cast<int>(text.mid(from, to - from).count('\n')); };
      Box& b = s_.frmWizard.boxes["txtHistoryForecast"];
      b.SelStart = start + lineFeeds(0, start);
      b.SelLength = end - start + lineFeeds(start, end);
      s_.frmWizard.boxes.click("txtHistoryForecast");
    });
  });
  refreshers_.push_back([this, history] {
    const Box& b = s_.frmWizard.boxes["txtHistoryForecast"];
    const QString text = shown(b.Text);
    if (history->toPlainText() != text) history->setPlainText(text);
    QPalette pal = history->palette();
    pal.setColor(QPalette::Base, b.BackColor == Box::kWindowColor ? palette().color(QPalette::Base) : oleColour(b.BackColor));
    history->setPalette(pal);
  });
  g->addWidget(history, 3, 0, 1, 2);

  auto* picture = new PictureBox;
  picture->setObjectName(QStringLiteral("Picture1"));
  const WizardForm& w = s_.frmWizard;
  picture->setFixedSize(static_cast<int>(w.PictureWidth), static_cast<int>(w.PictureHeight));
  picture->clicked = [this](double x) { act([&] { Picture1_MouseDown(s_, x); }); };
  refreshers_.push_back([this, picture] {
    const WizardForm& form = s_.frmWizard;
    picture->setPixmap(QPixmap::fromImage(renderForecastPicture(
        form.Picture, static_cast<int>(form.PictureWidth), static_cast<int>(form.PictureHeight))));
  });
  g->addWidget(picture, 3, 2, 1, 4);
  auto* readout = new QLabel;
  readout->setObjectName(QStringLiteral("LabelForecast(17)"));
  refreshers_.push_back([this, readout] { readout->setText(qs(s_.frmWizard.boxes["LabelForecast(17)"].Caption)); });
  g->addWidget(readout, 4, 2, 1, 4);

  auto* columns = new QHBoxLayout;
  columns->addWidget(textColumn("txtSource", false));
  columns->addWidget(textColumn("txttime", false));
  columns->addWidget(textColumn("txtForRain", false));
  columns->addWidget(textColumn("txtEditRain", true));
  auto* totals = new QVBoxLayout;
  for (int i : {13, 14, 16}) {
    auto* total = new QLabel;
    const std::string id = boxId("LabelForecast", i);
    total->setObjectName(name(id));
    refreshers_.push_back([this, total, id] { total->setText("Total: " + qs(s_.frmWizard.boxes[id].Caption)); });
    totals->addWidget(total);
  }
  totals->addWidget(check("chkWriteAllForecasts"));
  totals->addWidget(button("Command1"));
  totals->addWidget(button("cmdReplaceForecast"));
  totals->addStretch(1);
  columns->addLayout(totals);
  columns->addStretch(1);
  g->addLayout(columns, 5, 0, 1, 8);
  return box;
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
