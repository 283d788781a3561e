#include "store/graph_model.h"

#include <algorithm>

#include "common/axis_scale.h"
#include "common/round_value.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"

namespace fw {

namespace {

// The chart control's answer to a row or column it does not have.
constexpr int32_t kInvalidPropertyValue = 380;

[[noreturn]] void invalidProperty() {
  throw vb::Error(kInvalidPropertyValue, "Invalid property value");
}

// One hour of one cubic foot per second, in acre-feet.
constexpr double kAcreFeetPerCfsHour = 0.0826458;
// Where the minimum scan of the daily minima starts.
constexpr float kMinimumScanStart = 999999.0f;
// Dates at or before this one are no dates (empty series slots).
constexpr vb::VbDate kSmallestValidDate = 2.0;

}  // namespace

// ---- the grid --------------------------------------------------------------------------------

void GraphModel::setRowCount(int32_t rows) {
  if (rows < 0) invalidProperty();
  rowCount_ = rows;
  for (auto& column : columns_) column.resize(static_cast<size_t>(rows));
  labels_.resize(static_cast<size_t>(rows));
}

void GraphModel::setColumnCount(int32_t columns) {
  if (columns < 1) invalidProperty();
  columns_.resize(static_cast<size_t>(columns),
                  std::vector<std::optional<double>>(static_cast<size_t>(rowCount_)));
  pens_.resize(static_cast<size_t>(columns), 1.0f);
  columnLabels_.resize(static_cast<size_t>(columns));
  columnAxisTitles_.resize(static_cast<size_t>(columns));
  if (column_ > columns) column_ = columns;
}

void GraphModel::setRow(int32_t row) {
  if (row < 1 || row > rowCount_) invalidProperty();
  row_ = row;
}

void GraphModel::setColumn(int32_t column) {
  requireColumn(column);
  column_ = column;
}

void GraphModel::requireCell(int32_t row, int32_t column) const {
  if (row < 1 || row > rowCount_ || column < 1 || column > ColumnCount()) invalidProperty();
}

void GraphModel::setRowLabel(const std::string& label) {
  requireCell(row_, 1);
  labels_[static_cast<size_t>(row_ - 1)] = label;
}

const std::string& GraphModel::rowLabel(int32_t row) const {
  if (row < 1 || row > rowCount_) invalidProperty();
  return labels_[static_cast<size_t>(row - 1)];
}

void GraphModel::setData(double value) {
  SetData(row_, column_, value, false);
}

void GraphModel::SetData(int32_t row, int32_t column, double value, bool nullFlag) {
  requireCell(row, column);
  auto& cell = columns_[static_cast<size_t>(column - 1)][static_cast<size_t>(row - 1)];
  if (nullFlag)
    cell.reset();
  else
    cell = value;
}

std::optional<double> GraphModel::data(int32_t row, int32_t column) const {
  requireCell(row, column);
  return columns_[static_cast<size_t>(column - 1)][static_cast<size_t>(row - 1)];
}

void GraphModel::requireColumn(int32_t column) const {
  if (column < 1 || column > ColumnCount()) invalidProperty();
}

void GraphModel::setColumnLabel(int32_t column, const std::string& label) {
  requireColumn(column);
  columnLabels_[static_cast<size_t>(column - 1)] = label;
}

std::string GraphModel::columnLabel(int32_t column) const {
  requireColumn(column);
  return columnLabels_[static_cast<size_t>(column - 1)];
}

void GraphModel::setColumnAxisTitle(int32_t column, const std::string& title) {
  requireColumn(column);
  columnAxisTitles_[static_cast<size_t>(column - 1)] = title;
}

std::string GraphModel::columnAxisTitle(int32_t column) const {
  requireColumn(column);
  return columnAxisTitles_[static_cast<size_t>(column - 1)];
}

void GraphModel::setPenWidth(int32_t column, float width) {
  requireColumn(column);
  pens_[static_cast<size_t>(column - 1)] = width;
}

float GraphModel::penWidth(int32_t column) const {
  requireColumn(column);
  return pens_[static_cast<size_t>(column - 1)];
}

void GraphModel::holdDrawing() {
  Repaint = false;
  UpdatesLocked = true;
}

void GraphModel::releaseDrawing() {
  Repaint = true;
  UpdatesLocked = false;
  if (onRedraw) onRedraw();
}

// ---- filling -----------------------------------------------------------------------------------

HourlyChartStyle hourlyChartStyle(int16_t defaultSource, int16_t secondCode, int16_t valueCode) {
  HourlyChartStyle st;
  // Rainfall shows its running total, except for sources whose values are totals already.
  st.cumulative = valueCode == 10 && !(defaultSource == 12 || defaultSource == 28 || secondCode == 27);
  st.autoScale = st.cumulative || valueCode == 19 || secondCode == 27;
  st.volumeSummary = valueCode == 1 || valueCode == 30;
  return st;
}

HourlyChartFill::HourlyChartFill(GraphModel& chart, HourlyGraphState& state, HourlyChartStyle style,
                                 bool graphAdd, bool graphOverwrite)
    : chart_(chart), state_(state), style_(style), add_(graphAdd), overwrite_(graphOverwrite) {}

void HourlyChartFill::begin() {
  ++chart_.Fills;
  chart_.holdDrawing();
}

void HourlyChartFill::yRange(const std::vector<SeriesPoint>& dayMax, const std::vector<SeriesPoint>& dayMin,
                             int32_t dailyCount, vb::VbDate firstDate) {
  if (style_.autoScale) {
    chart_.YAxis.Auto = true;
    return;
  }
  chart_.YAxis.Auto = false;
  auto at = [](const std::vector<SeriesPoint>& v, int32_t i) -> const SeriesPoint& {
    if (i < 0 || static_cast<size_t>(i) >= v.size()) vb::raise(vb::err::SubscriptOutOfRange);
    return v[static_cast<size_t>(i)];
  };
  yMax_ = 0;
  for (int32_t i = 1; i <= dailyCount; ++i) {
    const SeriesPoint& e = at(dayMax, i);
    if (e.value > yMax_) {
      yMax_ = static_cast<float>(e.value);
      maxTime_ = e.date;
    }
  }
  yMin_ = kMinimumScanStart;
  for (int32_t i = 1; i <= dailyCount; ++i) {
    const SeriesPoint& e = at(dayMin, i);
    if (e.value != MissingValue && e.value < yMin_) yMin_ = static_cast<float>(e.value);
  }
  if (yMin_ > yMax_) {
    yMin_ = yMax_;
    rangeWithheld_ = true;
  }
  summaryMax_ = yMax_;

  // The columns this series joins: only an added series of the chart's day keeps them.
  const bool besideShown =
      add_ && state_.columnCount > 0 && static_cast<int32_t>(vb::Int(firstDate)) == state_.graphDay;
  if (besideShown) {
    if (yMin_ < state_.yMinimum) state_.yMinimum = yMin_;
    if (yMax_ > state_.yMaximum) state_.yMaximum = yMax_;
    yMin_ = state_.yMinimum;
    yMax_ = state_.yMaximum;
  } else {
    state_.yMinimum = yMin_;
    state_.yMaximum = yMax_;
  }

  AxisScale(yMin_, yMax_, axisMin_, step_, axisMax_);
  divisions_ = vb::CInt((static_cast<double>(axisMax_) - axisMin_) / step_);
  if (axisMin_ < 0 && static_cast<double>(axisMax_) - axisMin_ < 10) {
    chart_.YAxis.Auto = true;
    rangeWithheld_ = true;
  }
}

void HourlyChartFill::rowsAndColumns(vb::VbDate firstDate, int32_t f, int32_t l) {
  firstDate_ = firstDate;
  firstHour_ = vb::Hour(firstDate);
  const int32_t rows = firstHour_ + (l - f) + 1;
  const int32_t day = static_cast<int32_t>(vb::Int(firstDate));

  if (add_) {
    if (day != state_.graphDay) {
      state_.columnCount = 0;
      chart_.setRowCount(0);
      state_.rowCounts.clear();
    }
    if (!overwrite_) ++state_.columnCount;
    // Overwriting on a chart that was just started again leaves no column to overwrite: the
    // series becomes the first column.
    if (state_.columnCount == 0) state_.columnCount = 1;
    chart_.setColumnCount(state_.columnCount);
    chart_.setColumn(state_.columnCount);
    chart_.setPenWidth(state_.columnCount, 1);
  } else {
    chart_.setRowCount(0);
    state_.columnCount = 1;
    state_.rowCounts.clear();
    chart_.setColumnCount(1);
    chart_.setColumn(1);
  }
  nameColumn(state_.columnCount);
  state_.rowCounts.resize(static_cast<size_t>(state_.columnCount) + 1, 0);
  state_.rowCounts[static_cast<size_t>(state_.columnCount)] = rows;

  if (rows > chart_.RowCount()) {
    chart_.setRowCount(rows);
    state_.shortLabels = true;
    int32_t labelStep = rows / 4;
    if (labelStep % 2 != 0) ++labelStep;
    if (labelStep < 1) labelStep = 1;
    if (labelStep > 12) {
      labelStep = static_cast<int32_t>(labelStep / 36) * 24;
      if (labelStep == 0) labelStep = 12;
      if (labelStep > 24) state_.shortLabels = false;
    } else if (labelStep >= 7) {
      labelStep = 6;
    } else if (labelStep >= 5) {
      labelStep = 4;
    }
    chart_.XAxis.DivisionsPerTick = vb::CInt(static_cast<double>(labelStep));
    chart_.XAxis.DivisionsPerLabel = chart_.XAxis.DivisionsPerTick;
  }

  for (int32_t k = 1; k <= firstHour_; ++k) {
    chart_.setRow(k);
    chart_.SetData(k, 1, 0, true);
    chart_.setRowLabel(k == 1 ? vb::Format(firstDate, "mmmdd") : vb::Format((k - 1) / 24.0, "h:mm"));
  }
}

void HourlyChartFill::nameColumn(int32_t column) {
  // The legend names the column's station; the axis says what every column shown is, so after a
  // series of another kind beside the first the axis names both.
  chart_.setColumnLabel(column, chart_.ChartTitle);
  chart_.setColumnAxisTitle(column, chart_.YAxisTitle);
  std::string axis;
  std::vector<std::string> seen;
  for (int32_t c = 1; c <= chart_.ColumnCount(); ++c) {
    const std::string title = chart_.columnAxisTitle(c);
    if (title.empty() || std::find(seen.begin(), seen.end(), title) != seen.end()) continue;
    seen.push_back(title);
    axis += (axis.empty() ? "" : " / ") + title;
  }
  chart_.YAxisTitle = axis;
}

void HourlyChartFill::axisRange() {
  if (!style_.autoScale && !rangeWithheld_) {
    chart_.YAxis.MajorDivision = divisions_;
    chart_.YAxis.MinorDivision = 1;
    chart_.YAxis.Minimum = axisMin_;
    chart_.YAxis.Maximum = axisMax_;
  }
  state_.graphDay = static_cast<int32_t>(vb::Int(firstDate_));
}

void HourlyChartFill::point(int32_t i, int32_t lastIndex, const SeriesPoint& e,
                            const std::vector<SeriesPoint>& dayMax, int32_t dailyCount) {
  ++points_;
  const int32_t row = firstHour_ + points_;
  chart_.setRow(row);
  const int h = vb::Hour(e.date);
  std::string label;
  if (!state_.shortLabels)
    label = vb::Format(e.date, h != 0 ? "mmmdd h:mm" : "mmmdd");
  else if (row == 1 && h < 2)
    label = vb::Format(e.date, "mmmdd");
  else
    label = vb::Format(e.date, h != 0 ? "h:mm" : "mmmdd");
  chart_.setRowLabel(label);

  double plotted = e.value;
  if (style_.cumulative) {
    total_ += e.value;
    plotted = total_;
  } else {
    volumeSum_ += e.value;
    for (int32_t j = matchedDay_; j <= dailyCount; ++j) {
      if (j < 0 || static_cast<size_t>(j) >= dayMax.size()) vb::raise(vb::err::SubscriptOutOfRange);
      const SeriesPoint& m = dayMax[static_cast<size_t>(j)];
      if (vb::DateDiff("h", m.date, e.date) != 0) continue;
      matchedDay_ = j;
      if (i < lastIndex - 2) plotted = m.value;
      if (m.date < e.date) break;
    }
  }
  chart_.setData(plotted);
}

void HourlyChartFill::finish(const HourlyCaptionInputs& in) {
  if (in.whatIf)
    chart_.Caption = in.whatIfCaption;
  else if (in.captionTime > kSmallestValidDate)
    chart_.Caption += vb::Format(in.captionTime, " m/d h:mm ampm");
  if (style_.volumeSummary) {
    double volume = volumeSum_ * kAcreFeetPerCfsHour;
    RoundValue(volume, 1, in.metricUnits, in.canadaSite);
    chart_.Caption += ", Max " + vb::CStr(summaryMax_) + " @ " + vb::Format(maxTime_, "m/d h:mm") + ", " +
                      vb::CStr(volume) + " acft";
    if (in.runoffTotals[0] > 0)
      chart_.Caption += ", " + vb::FormatNumber(in.runoffTotals[0], "0.00") + "\" > " +
                        vb::FormatNumber(in.runoffTotals[1], "0.00") + "\"";
  }
  release();
}

void HourlyChartFill::release() {
  chart_.releaseDrawing();
}

}  // namespace fw
