#include "gui/graph_window_view.h"

#include <QAreaSeries>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>

#include "app/session.h"
#include "gui/text_codec.h"

namespace fw::gui {

namespace {

constexpr int kTwips = GraphWindow::kTwipsPerPixel;
constexpr int kMostLabels = 60;  // more X labels than this are thinned, or they overprint

QString qt(const std::string& s) {
  return fromCp1252(s);
}

QColor colorOf(vb::Color c) {
  return QColor(vb::Red(c), vb::Green(c), vb::Blue(c));
}

// The chart control's series colours, in its order.
QColor seriesColor(std::size_t column) {
  static const QColor colors[] = {QColor(0, 0, 255),   QColor(255, 0, 0),   QColor(0, 160, 0),
                                  QColor(160, 0, 160), QColor(0, 150, 150), QColor(200, 120, 0),
                                  QColor(90, 90, 90),  QColor(0, 0, 128)};
  return colors[column % (sizeof colors / sizeof colors[0])];
}

// The stretches of a column that are drawn: an empty point, and on a log axis a value <= 0,
// breaks the line.
std::vector<QList<QPointF>> pieces(const GraphPlot::Series& series, bool logarithmic) {
  std::vector<QList<QPointF>> out;
  QList<QPointF> run;
  for (std::size_t r = 0; r < series.points.size(); ++r) {
    const std::optional<double>& v = series.points[r];
    if (!v || !std::isfinite(*v) || (logarithmic && *v <= 0)) {
      if (!run.isEmpty()) out.push_back(std::move(run));
      run.clear();
      continue;
    }
    run.append(QPointF(static_cast<double>(r), *v));
  }
  if (!run.isEmpty()) out.push_back(std::move(run));
  return out;
}

}  // namespace

// The chart control: hands its mouse releases and movements to the window.
class ChartView : public QChartView {
 public:
  ChartView(QChart* chart, GraphWindowView* owner) : QChartView(chart, owner), owner_(owner) {
    setMouseTracking(true);
    setRenderHint(QPainter::Antialiasing);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QChartView::mouseReleaseEvent(event);
    owner_->chartReleased(event->button(), event->position().toPoint());
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    QChartView::mouseMoveEvent(event);
    owner_->chartMoved(event->position().toPoint());
  }

 private:
  GraphWindowView* owner_;
};

GraphWindowView::GraphWindowView(Session& s, QWidget* parent) : QWidget(parent, Qt::Window), s_(s) {
  setObjectName(QStringLiteral("FrmGraph"));
  resize(720, 480);
  auto* chart = new QChart;
  chart->legend()->setAlignment(Qt::AlignBottom);
  view_ = new ChartView(chart, this);
  view_->setObjectName(QStringLiteral("MSChart1"));

  GraphButton* models[4] = {&s_.GraphWin.Command1, &s_.GraphWin.Command2, &s_.GraphWin.Command3,
                            &s_.GraphWin.Command4};
  void (*handlers[4])(Session&) = {graph_window::Command1_Click, graph_window::Command2_Click,
                                   graph_window::Command3_Click, graph_window::Command4_Click};
  for (int i = 0; i < 4; ++i) {
    buttons_[i] = new QPushButton(qt(models[i]->Caption), this);
    buttons_[i]->setObjectName(QStringLiteral("Command%1").arg(i + 1));
    auto handler = handlers[i];
    connect(buttons_[i], &QPushButton::clicked, this, [this, handler] {
      handler(s_);
      sync();
    });
  }
  list1_ = new QListWidget(this);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->hide();
  connect(list1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    graph_window::List1_Click(s_, list1_->row(item));
    sync();
  });
  printers_ = new QListWidget(this);
  printers_->setObjectName(QStringLiteral("ListPrinters"));
  printers_->hide();
  connect(printers_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { graph_window::ListPrinters_Click(s_, printers_->row(item)); });
  installHooks();
  layoutControls();
}

GraphWindowView::~GraphWindowView() {
  s_.FrmGraph.onRedraw = nullptr;
  s_.GraphWin.hooks = {};
}

QChart* GraphWindowView::chart() const {
  return view_->chart();
}

QChartView* GraphWindowView::chartView() const {
  return view_;
}

QString GraphWindowView::pdfFallback() const {
  return QString::fromStdString(s_.inProgramFolder("Flumewright_graph.pdf").string());
}

void GraphWindowView::installHooks() {
  GraphWindow::Hooks& h = s_.GraphWin.hooks;
  h.printers = [] {
    std::vector<std::string> names;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(toCp1252(n));
    return names;
  };
  h.print = [this](const std::string& printer, std::string& error) { return print(printer, error); };
  h.capture = [this] {
    picture_ = grab();
    return !picture_.isNull();
  };
  h.savePicture = [this](const std::filesystem::path& file, bool png, std::string& error) {
    const QImage image = picture_.toImage();
    if (image.isNull() || !image.save(QString::fromStdString(file.string()), png ? "PNG" : "BMP")) {
      error = "The picture could not be written to " + file.string() + ".";
      return false;
    }
    return true;
  };
  h.pointAt = [this](int32_t x, int32_t y) -> std::optional<ChartPoint> {
    QChart* c = chart();
    if (c->series().isEmpty()) return std::nullopt;
    QAbstractSeries* reference = c->series().front();
    const QPointF scenePos = view_->mapToScene(QPoint(x / kTwips, y / kTwips));
    const QPointF at = c->mapFromScene(scenePos);
    if (!c->plotArea().contains(at)) return std::nullopt;
    const QPointF value = c->mapToValue(at, reference);
    const int32_t row = static_cast<int32_t>(std::lround(value.x())) + 1;
    if (row < 1 || row > s_.FrmGraph.RowCount()) return std::nullopt;
    std::optional<ChartPoint> best;
    double nearest = 8.0;  // pixels
    for (int32_t col = 1; col <= s_.FrmGraph.ColumnCount(); ++col) {
      const std::optional<double> v = s_.FrmGraph.data(row, col);
      if (!v) continue;
      const QPointF p = c->mapToPosition(QPointF(row - 1, *v), reference);
      const double d = std::hypot(p.x() - at.x(), p.y() - at.y());
      if (d < nearest) {
        nearest = d;
        best = ChartPoint{col, row};
      }
    }
    return best;
  };
  s_.FrmGraph.onRedraw = [this] { redraw(); };
}

void GraphWindowView::layoutControls() {
  view_->setGeometry(rect());
  const GraphWindow& w = s_.GraphWin;
  const GraphButton* models[4] = {&w.Command1, &w.Command2, &w.Command3, &w.Command4};
  for (int i = 0; i < 4; ++i) {
    const GraphButton& b = *models[i];
    buttons_[i]->setGeometry(b.Left / kTwips, b.Top / kTwips, b.Width / kTwips, b.Height / kTwips);
    buttons_[i]->raise();
  }
  const int rowHeight = list1_->fontMetrics().height() + 4;
  list1_->setGeometry(w.List1.Left / kTwips, w.List1.Top / kTwips, 130,
                      rowHeight * static_cast<int>(w.List1.items.size()) + 6);
  printers_->setGeometry(
      w.ListPrinters.Left / kTwips, w.ListPrinters.Top / kTwips, 220,
      rowHeight * static_cast<int>(std::max<std::size_t>(2, w.ListPrinters.items.size())) + 6);
  list1_->raise();
  printers_->raise();
}

void GraphWindowView::sync() {
  const GraphModel& g = s_.FrmGraph;
  const GraphWindow& w = s_.GraphWin;
  setWindowTitle(qt(g.Caption));
  const GraphButton* models[4] = {&w.Command1, &w.Command2, &w.Command3, &w.Command4};
  for (int i = 0; i < 4; ++i) buttons_[i]->setVisible(models[i]->Visible);

  auto fill = [](QListWidget* list, const std::vector<std::string>& items) {
    bool same = list->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < list->count(); ++i)
      same = toCp1252(list->item(i)->text()) == items[static_cast<std::size_t>(i)];
    if (same) return;
    list->clear();
    for (const std::string& item : items) list->addItem(qt(item));
  };
  fill(list1_, w.List1.items);
  fill(printers_, w.ListPrinters.items);
  layoutControls();
  list1_->setVisible(w.List1.Visible);
  printers_->setVisible(w.ListPrinters.Visible);
  if (!w.ListPrinters.Visible) printers_->clearSelection();

  if (g.Visible && !isVisible()) {
    const bool place = !placed_ && g.Place.Width > 0 && g.Place.Height > 0;
    const QRect wanted(g.Place.Left / kTwips, g.Place.Top / kTwips, g.Place.Width / kTwips, g.Place.Height / kTwips);
    if (place) {
      resize(wanted.size());
      move(wanted.topLeft());
    }
    placed_ = true;
    show();
    if (place) placeFrame(wanted);
    redraw();
  } else if (!g.Visible && isVisible()) {
    hide();
  }
}

void GraphWindowView::placeFrame(const QRect& wanted) {
  // The place is the frame's, title bar included: a window placed by its client area at the top
  // of the screen would have its title bar above it, where it cannot be taken to move it. The
  // frame's margins are known once the window is shown.
  const QSize margins = frameGeometry().size() - size();
  resize(wanted.size() - margins);
  move(wanted.topLeft());
  const QScreen* sc = screen();
  if (sc == nullptr) return;
  const QRect room = sc->availableGeometry();
  const QRect frame = frameGeometry();
  QPoint corner = frame.topLeft();
  if (frame.right() > room.right()) corner.setX(room.right() - frame.width() + 1);
  if (frame.bottom() > room.bottom()) corner.setY(room.bottom() - frame.height() + 1);
  corner.setX(std::max(corner.x(), room.left()));
  corner.setY(std::max(corner.y(), room.top()));
  if (corner != frame.topLeft()) move(corner);
}

void GraphWindowView::redraw() {
  const GraphPlot plot = graphPlot(s_.FrmGraph, s_.GraphWin);
  QChart* c = chart();
  c->setTitle(qt(plot.title));
  c->setBackgroundBrush(colorOf(plot.backdrop));
  c->setPlotAreaBackgroundBrush(colorOf(s_.GraphWin.WallColor));
  c->setPlotAreaBackgroundVisible(true);
  setWindowTitle(qt(plot.caption));

  const Shape shape{plot.series.size(), plot.kind, plot.threeD, plot.logarithmic, plot.markers, plot.line};
  std::vector<std::vector<QList<QPointF>>> drawn;
  drawn.reserve(plot.series.size());
  for (const GraphPlot::Series& series : plot.series) drawn.push_back(pieces(series, plot.logarithmic));

  // The same chart with the same pieces: each piece's points are replaced in one go.
  bool inPlace = shape == shape_ && plot.kind != 2 && !plot.threeD && columnSeries_.size() == drawn.size();
  for (std::size_t i = 0; inPlace && i < drawn.size(); ++i)
    inPlace = columnSeries_[i].size() == drawn[i].size();
  if (inPlace) {
    for (std::size_t i = 0; i < drawn.size(); ++i)
      for (std::size_t p = 0; p < drawn[i].size(); ++p) {
        QAbstractSeries* piece = columnSeries_[i][p];
        // The column may hold another station's series now: the legend follows it.
        piece->setName(qt(plot.series[i].name));
        if (auto* area = qobject_cast<QAreaSeries*>(piece)) {
          area->upperSeries()->replace(drawn[i][p]);
          QList<QPointF> base;
          for (const QPointF& pt : drawn[i][p]) base.append(QPointF(pt.x(), plot.yMinimum));
          area->lowerSeries()->replace(base);
        } else if (auto* xy = qobject_cast<QXYSeries*>(piece)) {
          xy->replace(drawn[i][p]);
        }
      }
  } else {
    c->removeAllSeries();
    columnSeries_.assign(drawn.size(), {});
    const double yRange = plot.yMaximum - plot.yMinimum;
    auto hideFromLegend = [c](QAbstractSeries* series) {
      for (QLegendMarker* m : c->legend()->markers(series)) m->setVisible(false);
    };
    if (plot.kind == 2) {
      auto* bars = new QBarSeries;
      for (std::size_t i = 0; i < plot.series.size(); ++i) {
        auto* set = new QBarSet(qt(plot.series[i].name));
        set->setColor(seriesColor(i));
        if (plot.threeD) set->setBorderColor(seriesColor(i).darker(200));
        for (const std::optional<double>& v : plot.series[i].points)
          set->append(v && (!plot.logarithmic || *v > 0) ? *v : (plot.logarithmic ? plot.yMinimum : 0.0));
        bars->append(set);
      }
      bars->setBarWidth(0.9);
      c->addSeries(bars);
      for (auto& col : columnSeries_) col.push_back(bars);
    } else {
      for (std::size_t i = 0; i < drawn.size(); ++i) {
        const QColor color = seriesColor(i);
        // 3D is drawn flat: each piece casts a darker copy a little to the right and up.
        if (plot.threeD)
          for (const QList<QPointF>& piece : drawn[i]) {
            auto* shadow = new QLineSeries;
            QList<QPointF> moved;
            for (const QPointF& pt : piece) moved.append(QPointF(pt.x() + 0.4, pt.y() + yRange * 0.015));
            shadow->replace(moved);
            QPen pen(color.darker(250));
            pen.setWidth(plot.kind == 3 ? 1 : 4);
            shadow->setPen(pen);
            c->addSeries(shadow);
            hideFromLegend(shadow);
          }
        bool first = true;
        for (const QList<QPointF>& piece : drawn[i]) {
          QAbstractSeries* series = nullptr;
          if (plot.kind == 3) {
            // The area does not own its edges: as its children they go with it.
            auto* area = new QAreaSeries;
            auto* upper = new QLineSeries(area);
            auto* lower = new QLineSeries(area);
            upper->replace(piece);
            QList<QPointF> base;
            for (const QPointF& pt : piece) base.append(QPointF(pt.x(), plot.yMinimum));
            lower->replace(base);
            area->setUpperSeries(upper);
            area->setLowerSeries(lower);
            QColor fill = color;
            fill.setAlpha(plot.series.size() > 1 ? 140 : 220);
            area->setBrush(fill);
            area->setPen(QPen(color.darker(150)));
            series = area;
          } else if (i == 0 && !plot.line && plot.markers) {
            auto* scatter = new QScatterSeries;
            scatter->replace(piece);
            scatter->setMarkerSize(7);
            scatter->setColor(color);
            scatter->setBorderColor(color);
            series = scatter;
          } else {
            auto* line = new QLineSeries;
            line->replace(piece);
            QPen pen(color);
            pen.setWidthF(std::max(1.0f, s_.FrmGraph.penWidth(static_cast<int32_t>(i + 1))) * 2);
            line->setPen(pen);
            if (i == 0) {
              line->setPointsVisible(plot.markers);
              line->setMarkerSize(6);
            }
            series = line;
          }
          series->setName(qt(plot.series[i].name));
          c->addSeries(series);
          if (!first) hideFromLegend(series);
          first = false;
          columnSeries_[i].push_back(series);
        }
      }
    }
    shape_ = shape;
  }

  // Axes: the rows along X, labelled where the plot labels them; Y as the plot ranges it.
  for (QAbstractAxis* axis : c->axes()) {
    c->removeAxis(axis);
    delete axis;
  }
  auto* x = new QCategoryAxis;
  x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  x->setLabelsAngle(-90);
  const int rows = static_cast<int>(plot.xLabels.size());
  x->setRange(-0.5, std::max(0.5, rows - 0.5));
  x->setStartValue(-0.5);
  int labelled = 0;
  for (const std::string& l : plot.xLabels) labelled += l.empty() ? 0 : 1;
  const int stride = std::max(1, (labelled + kMostLabels - 1) / kMostLabels);
  std::map<QString, int> seen;  // the axis wants each label once; repeats get invisible marks
  int n = 0;
  for (int r = 0; r < rows; ++r) {
    const std::string& label = plot.xLabels[static_cast<std::size_t>(r)];
    if (label.empty() || (n++ % stride) != 0) continue;
    QString text = qt(label);
    const int repeats = seen[text]++;
    text += QString(repeats, QChar(0x200B));
    x->append(text, r);
  }
  x->setGridLineVisible(false);
  c->addAxis(x, Qt::AlignBottom);

  QAbstractAxis* y = nullptr;
  if (plot.logarithmic) {
    auto* log = new QLogValueAxis;
    log->setBase(10);
    log->setLabelFormat(QStringLiteral("%g"));
    log->setRange(plot.yMinimum, plot.yMaximum);
    y = log;
  } else {
    auto* linear = new QValueAxis;
    linear->setRange(plot.yMinimum, plot.yMaximum);
    const double steps = plot.yStep > 0 ? (plot.yMaximum - plot.yMinimum) / plot.yStep : 5;
    linear->setTickCount(std::clamp(static_cast<int>(std::lround(steps)) + 1, 2, 41));
    linear->setLabelFormat(QStringLiteral("%g"));
    y = linear;
  }
  y->setTitleText(qt(plot.yTitle));
  c->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series : c->series()) {
    series->attachAxis(x);
    series->attachAxis(y);
  }
  c->legend()->setVisible(!plot.series.empty());
}

void GraphWindowView::chartReleased(Qt::MouseButton button, QPoint at) {
  const int16_t b = button == Qt::LeftButton     ? 1
                    : button == Qt::RightButton  ? 2
                    : button == Qt::MiddleButton ? 4
                                                 : 0;
  graph_window::MSChart1_ButtonAction(s_, b, 0, at.x() * kTwips, at.y() * kTwips);
  sync();
}

void GraphWindowView::chartMoved(QPoint at) {
  graph_window::MSChart1_PointReadout(s_, 0, 0, at.x() * kTwips, at.y() * kTwips);
  view_->setToolTip(qt(s_.GraphWin.ToolTipText));
}

bool GraphWindowView::print(const std::string& printer, std::string& error) {
  sync();  // the printer list is hidden again before the window is printed
  QPrinter p(QPrinter::HighResolution);
  if (QPrinterInfo::availablePrinterNames().isEmpty()) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdfFallback());
  } else if (!printer.empty()) {
    p.setPrinterName(qt(printer));
  }
  p.setPageOrientation(QPageLayout::Landscape);
  const QPixmap shot = grab();
  QPainter painter;
  if (!painter.begin(&p)) {
    error = "The printer could not be started.";
    return false;
  }
  const QRect page = painter.viewport();
  QSize size = shot.size();
  size.scale(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), size.width(), size.height());
  painter.setWindow(shot.rect());
  painter.drawPixmap(0, 0, shot);
  if (!painter.end()) {
    error = "The print could not be finished.";
    return false;
  }
  return true;
}

void GraphWindowView::closeEvent(QCloseEvent* event) {
  graph_window::Form_Unload(s_);
  event->accept();
  sync();
}

void GraphWindowView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  graph_window::Form_Resize(s_, width() * kTwips, height() * kTwips);
  layoutControls();
}

}  // namespace fw::gui
