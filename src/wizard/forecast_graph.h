#pragma once
// The forecast page's cumulative rain graph as geometry: the history curve (the listed hours) and
// the edit curve (the edited hours laid over it, the later history hours raised to meet it), as
// lines, circles and one text in the picture's own units, so any drawing surface can draw it.
#include <string>
#include <vector>

#include "platform/vb/color.h"

namespace fw {

inline constexpr vb::Color kRed = 255;
inline constexpr vb::Color kGreen = 65280;
inline constexpr vb::Color kBlue = 16711680;
inline constexpr vb::Color kCyan = 16776960;
inline constexpr vb::Color kMagenta = 16711935;
inline constexpr vb::Color kBlack = 0;

// The plotted series and where the edit curve was laid (set by each drawing).
struct ForecastSeries {
  int HistoryCount = 0;  // index of the last plotted history point; 0: nothing plotted
  std::vector<float> HistoryCum;
  std::vector<std::string> HistoryTime;
  std::vector<vb::Color> HistoryColour;
  int EditCount = 0;
  std::vector<float> EditCum;
  std::vector<std::string> EditTime;
  std::vector<vb::Color> EditColour;
  int EditStartIndex = 0;
  float EditOffset = 0;
  float TailShift = 0;
};

struct GraphLine {
  double x1, y1, x2, y2;
  vb::Color colour;
};
struct GraphCircle {
  double x, y, radius;
  vb::Color colour;
};
struct ForecastPicture {
  std::vector<GraphLine> lines;
  std::vector<GraphCircle> circles;
  std::string text;  // the graph's top, printed at (textX, textY)
  double textX = 3, textY = 3;
  float max = 0;
};

// The colour of a history source code: "11" red, "14" cyan, others blue.
vb::Color sourceColour(const std::string& source);
// A time text of 12 o'clock AM ("07 12:00 AM"): its point is marked black.
bool midnightTime(const std::string& time);

// Draws both series into a picture of the given inner size (in its own units). Sets
// EditStartIndex, EditOffset and TailShift. A series whose indexes run past its points ends the
// drawing where it stands, as the graph is only a view.
ForecastPicture DrawForecast(ForecastSeries& f, double innerWidth, double innerHeight);

// The readout of a click at x: the time and the cumulative rain of the nearest point.
std::string forecastReadout(const ForecastSeries& f, double x, double innerWidth);

}  // namespace fw
