#pragma once
// The graph window: a chart drawn from graphPlot over the session's FrmGraph, the four run-control
// buttons, the option list and the printer list, all placed by the GraphWindow model (twips, 15 to
// a pixel). Mouse and button events go to the model's handlers; the view then redraws.
#include <QPixmap>
#include <QWidget>
#include <vector>

#include "app/graph_plot.h"

class QAbstractSeries;
class QChart;
class QChartView;
class QListWidget;
class QPushButton;

namespace fw {

struct Session;

namespace gui {

class ChartView;

class GraphWindowView : public QWidget {
  Q_OBJECT

 public:
  explicit GraphWindowView(Session& s, QWidget* parent = nullptr);
  ~GraphWindowView() override;

  // Shows or hides the window as the model says and brings the controls up to date.
  void sync();
  // Draws the chart anew from the model (the writer's onRedraw).
  void redraw();

  QChartView* chartView() const;
  QChart* chart() const;
  // The file a print goes to when no printer is installed.
  QString pdfFallback() const;

  // The chart's mouse events, in pixels of the chart view.
  void chartReleased(Qt::MouseButton button, QPoint at);
  void chartMoved(QPoint at);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void installHooks();
  void layoutControls();
  // Gives the window's frame, title bar included, the place wanted (pixels), moved onto the
  // screen's free area where it would stand off it.
  void placeFrame(const QRect& wanted);
  bool print(const std::string& printer, std::string& error);

  Session& s_;
  ChartView* view_ = nullptr;
  QPushButton* buttons_[4] = {};
  QListWidget* list1_ = nullptr;
  QListWidget* printers_ = nullptr;
  QPixmap picture_;  // Picture1
  bool placed_ = false;
  // What the chart was last built for; series are replaced in place while it stays the same.
  struct Shape {
    std::size_t columns = 0;
    int16_t kind = 0;
    bool threeD = false, logarithmic = false, markers = true, line = true;
    bool operator==(const Shape&) const = default;
  } shape_;
  std::vector<std::vector<QAbstractSeries*>> columnSeries_;  // per column: its drawn pieces
};

}  // namespace gui
}  // namespace fw
