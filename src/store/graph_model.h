#pragma once
// The review chart as data. The hourly writer fills it while a run stores hourly series (one
// series per column, several stations side by side on request), the graph window's buttons set
// the run-control flags, and the Qt view only shows what is here.
//
// Rows and columns count from 1, as the chart control's did; a row label belongs to its row and
// is shared by all columns.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "store/store_state.h"

namespace fw {

class GraphModel {
 public:
  // The window: created (not shown) by the first hourly write; shown and hidden by the run.
  bool Loaded = false;
  bool Visible = false;
  std::string Caption;
  // The display switch: while off the run leaves the window as it is (very long windows).
  bool Display = true;
  std::string ChartTitle;
  std::string YAxisTitle;  // the title of the chart's Y axis
  // Where the window lies on the screen (set beside the main window when it is first shown).
  struct Placement {
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  } Place;

  // The data grid. A grown grid gets empty cells; RowCount 0 empties every column.
  int32_t RowCount() const { return rowCount_; }
  void setRowCount(int32_t rows);
  int32_t ColumnCount() const { return static_cast<int32_t>(columns_.size()); }
  void setColumnCount(int32_t columns);

  // The current cell, which Data and RowLabel address. A row or column outside the grid raises
  // vb::Error 380 "Invalid property value", as the chart control refused it.
  int32_t Row() const { return row_; }
  int32_t Column() const { return column_; }
  void setRow(int32_t row);
  void setColumn(int32_t column);

  void setRowLabel(const std::string& label);  // of the current row
  const std::string& rowLabel(int32_t row) const;
  void setData(double value);  // into the current cell
  // Any cell; an empty point when nullFlag is set.
  void SetData(int32_t row, int32_t column, double value, bool nullFlag);
  // The cell's value; empty for an empty point.
  std::optional<double> data(int32_t row, int32_t column) const;

  // A column's legend text; empty until the writer names it.
  void setColumnLabel(int32_t column, const std::string& label);
  std::string columnLabel(int32_t column) const;
  // The Y axis title a column was drawn under (what its values are and their unit).
  void setColumnAxisTitle(int32_t column, const std::string& title);
  std::string columnAxisTitle(int32_t column) const;

  // Series the hourly writer has drawn into the chart since the program started: a caller that
  // titled the chart for a series learns whether the series was drawn.
  int32_t Fills = 0;

  // Pen width of a column's line (series n is column n).
  void setPenWidth(int32_t column, float width);
  float penWidth(int32_t column) const;

  // The Y axis value scale: automatic, or the given range in MajorDivision steps.
  struct ValueScale {
    bool Auto = true;
    int16_t MajorDivision = 0;
    int16_t MinorDivision = 0;
    double Minimum = 0;
    double Maximum = 0;
  } YAxis;
  // The X axis: a tick and a label every so many rows.
  struct CategoryScale {
    int16_t DivisionsPerTick = 1;
    int16_t DivisionsPerLabel = 1;
  } XAxis;

  // Drawing is held while the writer fills the grid (Repaint off, window updates locked); the view
  // redraws when both are released. A view installs onRedraw; headless it is empty.
  bool Repaint = true;
  bool UpdatesLocked = false;
  std::function<void()> onRedraw;
  void holdDrawing();
  void releaseDrawing();

 private:
  void requireCell(int32_t row, int32_t column) const;
  void requireColumn(int32_t column) const;

  int32_t rowCount_ = 0;
  int32_t row_ = 1;
  int32_t column_ = 1;
  std::vector<std::vector<std::optional<double>>> columns_;  // [column - 1][row - 1]
  std::vector<std::string> labels_;                          // [row - 1]
  std::vector<float> pens_;                                  // [column - 1]
  std::vector<std::string> columnLabels_;                    // [column - 1]
  std::vector<std::string> columnAxisTitles_;                // [column - 1]
};

// What the hourly writer keeps of the chart from call to call (between stations and between
// runs; each of its two forms keeps its own copy).
struct HourlyGraphState {
  int32_t graphDay = 0;     // the whole day of the first value shown
  int16_t columnCount = 0;  // series columns in the chart
  float yMinimum = 0;       // Y range over the columns shown
  float yMaximum = 0;
  bool shortLabels = false;        // row labels show the time only (the date at midnight)
  std::vector<int32_t> rowCounts;  // chart rows used by each column, indexes 0..columnCount
};

// The graph window's run-control flags, the window itself and the hourly writer's chart state.
// All flags are false at program start; GraphClosed is never cleared while the program runs.
struct GraphState {
  bool GraphWait = false;       // the run is held while set
  bool GraphNoPause = false;    // graphs are shown without holding the run
  bool GraphAdd = false;        // the next series goes into the chart as a further column
  bool GraphOverwrite = false;  // with GraphAdd: it replaces the last column instead
  bool GraphNext = false;       // "Next" was chosen; while clear the run re-arms GraphAdd
  bool GraphClosed = false;     // the user closed the window
  bool GraphShown = false;      // the window has been placed and shown since the program started

  GraphModel FrmGraph;
  HourlyGraphState HourlyGraph;     // hdbhourly's
  HourlyGraphState HourlyGraphDAO;  // hdbhourlyDAO's
};

// ---- filling the chart from one hourly series ---------------------------------------------

// How a series is drawn, decided once per call from the default source, the second station code
// and the value code.
struct HourlyChartStyle {
  bool cumulative = false;     // rainfall: the running total is drawn
  bool autoScale = false;      // the chart's own Y scale; no range is computed
  bool volumeSummary = false;  // flow or runoff (cfs): the caption gets the peak and the volume
};
HourlyChartStyle hourlyChartStyle(int16_t defaultSource, int16_t secondCode, int16_t valueCode);

// What the caption summary needs besides the chart.
struct HourlyCaptionInputs {
  bool whatIf = false;  // a What-If run: the caption is whatIfCaption alone
  std::string whatIfCaption;
  vb::VbDate captionTime = 0;
  double runoffTotals[2] = {0, 0};  // inches of rain and of excess of the runoff line in work
  bool metricUnits = false;         // for the rounding of the volume
  bool canadaSite = false;
};

// One series drawn into the chart, in the order the writer calls the steps: yRange, then
// rowsAndColumns, axisRange, a point per value drawn, and finish. Each step may raise vb::Error
// (an index beyond the daily arrays is error 9 "Subscript out of range"); the caller decides
// whether the next step runs.
class HourlyChartFill {
 public:
  HourlyChartFill(GraphModel& chart, HourlyGraphState& state, HourlyChartStyle style, bool graphAdd,
                  bool graphOverwrite);

  // Holds drawing; the writer sets GraphWait alongside.
  void begin();
  // The Y range from the daily maxima and minima of indexes 1..dailyCount (single precision),
  // merged with the columns already shown when the series goes beside them (adding on the same
  // day as the chart's), and the round axis through AxisScale. A chart that starts again takes
  // this series' range alone, never one left from series no longer shown.
  void yRange(const std::vector<SeriesPoint>& dayMax, const std::vector<SeriesPoint>& dayMin,
              int32_t dailyCount, vb::VbDate firstDate);
  // Rows for the values f..l of a series whose first value is dated firstDate: starts the chart
  // again, adds a column or overwrites the last one; the label step; the empty hours before the
  // first value.
  void rowsAndColumns(vb::VbDate firstDate, int32_t f, int32_t l);
  // The Y axis range, unless the style is automatic or the range was withheld; remembers the
  // chart's day.
  void axisRange();
  // Element i of the series (lastIndex is the writer's last index): its row, label and value.
  // Outside the cumulative style a daily maximum in the same clock hour is drawn in its place,
  // except near the end of the series, so the peak shows at its hour.
  void point(int32_t i, int32_t lastIndex, const SeriesPoint& e, const std::vector<SeriesPoint>& dayMax,
             int32_t dailyCount);
  // The caption and, for flows, ", Max ... @ ..., ... acft"; releases drawing. A caption time
  // that is no date (0, as most callers pass) is left out rather than shown as 12/30 12:00 AM.
  void finish(const HourlyCaptionInputs& in);
  // Releases drawing without the caption (after an error that skipped the steps before).
  void release();

  float summaryMaximum() const { return summaryMax_; }
  vb::VbDate maximumTime() const { return maxTime_; }
  double volumeSum() const { return volumeSum_; }

 private:
  GraphModel& chart_;
  HourlyGraphState& state_;
  // The column's legend and axis titles from the chart's titles; the axis names every column.
  void nameColumn(int32_t column);

  HourlyChartStyle style_;
  bool add_;
  bool overwrite_;

  float yMin_ = 0, yMax_ = 0;
  float summaryMax_ = 0;
  vb::VbDate maxTime_ = 0;
  float axisMin_ = 0, step_ = 0, axisMax_ = 0;
  int16_t divisions_ = 0;
  bool rangeWithheld_ = false;
  int32_t firstHour_ = 0;
  vb::VbDate firstDate_ = 0;
  int32_t points_ = 0;
  double total_ = 0;
  double volumeSum_ = 0;
  int32_t matchedDay_ = 1;
};

}  // namespace fw
