#include "wizard/forecast_graph.h"

#include <stdexcept>

#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

struct Frame {
  double W, H;
  float max = 0;
  double y(double v) const { return max <= 0 ? H + 3 : H - H * v / max + 3; }
};

template <typename T>
const T& at(const std::vector<T>& v, int i) {
  if (i < 0 || i >= static_cast<int>(v.size())) throw std::out_of_range("graph index");
  return v[static_cast<std::size_t>(i)];
}

vb::Color markColour(const ForecastSeries& f, int i, vb::Color otherwise) {
  return midnightTime(at(f.HistoryTime, i)) ? kBlack : otherwise;
}

void historyCurve(const ForecastSeries& f, const Frame& fr, ForecastPicture& p) {
  p.lines.clear();
  p.circles.clear();
  double penX = 0, penY = fr.H;
  for (int i = 0; i <= f.HistoryCount; ++i) {
    const double x = i * fr.W / f.HistoryCount, y = fr.y(at(f.HistoryCum, i));
    p.lines.push_back({penX, penY, x, y, at(f.HistoryColour, i)});
    p.circles.push_back({x, y, 2, markColour(f, i, at(f.HistoryColour, i))});
    penX = x;
    penY = y;
  }
}

void draw(ForecastSeries& f, Frame& fr, ForecastPicture& p) {
  if (f.HistoryCount != 0) {
    fr.max = at(f.HistoryCum, f.HistoryCount);
    historyCurve(f, fr, p);
  }
  if (f.EditCount == 0) return;
  double startX = 0;
  int n = f.EditCount;
  const float editTop = at(f.EditCum, f.EditCount);
  if (f.HistoryCount != 0) {
    int j = 0;
    for (int k = 0; k <= f.HistoryCount; ++k)
      if (at(f.HistoryTime, k) == at(f.EditTime, 0)) {
        j = k;
        break;
      }
    if (j > 0) f.EditStartIndex = j - 1;
    f.EditOffset = at(f.HistoryCum, f.EditStartIndex);
    if (editTop + f.EditOffset > fr.max) {
      fr.max = editTop + f.EditOffset;
      historyCurve(f, fr, p);
    }
    startX = f.EditStartIndex * fr.W / f.HistoryCount;
    n = f.HistoryCount;
  } else {
    f.EditOffset = 0;
    fr.max = editTop;
  }
  if (f.HistoryCount > f.EditCount) {
    f.TailShift = editTop + f.EditOffset - at(f.HistoryCum, f.EditStartIndex + f.EditCount + 1);
    if (at(f.HistoryCum, f.HistoryCount) + f.TailShift > fr.max) fr.max = at(f.HistoryCum, f.HistoryCount) + f.TailShift;
    historyCurve(f, fr, p);
  }
  double penX = startX, penY = fr.y(f.EditOffset);
  if (f.EditStartIndex != 0) ++f.EditStartIndex;
  const int last = f.HistoryCount > f.EditCount ? f.HistoryCount - f.EditStartIndex : f.EditCount;
  for (int i = 0; i <= last; ++i) {
    const double x = (f.EditStartIndex + i) * fr.W / n;
    if (i <= f.EditCount) {
      const double y = fr.y(at(f.EditCum, i) + f.EditOffset);
      p.lines.push_back({penX, penY, x, y, kGreen});
      p.circles.push_back({x, y, 2, kGreen});
      penX = x;
      penY = y;
    } else if (f.HistoryCount != 0) {
      const int k = f.EditStartIndex + i;
      const double y = fr.y(at(f.HistoryCum, k) + f.TailShift);
      p.lines.push_back({penX, penY, x, y, at(f.HistoryColour, k)});
      p.circles.push_back({x, y, 2, markColour(f, k, kMagenta)});
      penX = x;
      penY = y;
    }
  }
}

}  // namespace

vb::Color sourceColour(const std::string& source) {
  if (source == "11") return kRed;
  if (source == "14") return kCyan;
  return kBlue;
}

bool midnightTime(const std::string& time) {
  const int colon = vb::InStr(time, ":");
  return colon > 2 && vb::Mid(time, colon - 2, 2) == "12" && vb::InStr(time, "A") > 0;
}

ForecastPicture DrawForecast(ForecastSeries& f, double innerWidth, double innerHeight) {
  ForecastPicture p;
  Frame fr{innerWidth - 3, innerHeight - 6};
  f.EditStartIndex = 0;
  f.EditOffset = 0;
  f.TailShift = 0;
  try {
    draw(f, fr, p);
  } catch (const std::out_of_range&) {
    // The drawing ends where it stands.
  }
  p.max = fr.max;
  p.text = vb::Format(static_cast<double>(fr.max), "0.00");
  return p;
}

std::string forecastReadout(const ForecastSeries& f, double x, double innerWidth) {
  const double W = innerWidth - 3;
  try {
    if (f.HistoryCount != 0) {
      const int i = static_cast<int>(vb::Round(f.HistoryCount * x / W));
      std::string text = at(f.HistoryTime, i) + "  ";
      if (f.EditCount != 0) {
        const int j = i - f.EditStartIndex;
        if (j >= 0 && j <= f.EditCount)
          text += vb::Format(static_cast<double>(at(f.EditCum, j) + f.EditOffset + f.TailShift), "0.0000");
        text += "  ,  ";
      }
      return text + vb::Format(static_cast<double>(at(f.HistoryCum, i) + f.TailShift), "0.0000");
    }
    if (f.EditCount != 0) {
      const int i = static_cast<int>(vb::Round(f.EditCount * x / W));
      return at(f.EditTime, i) + "  " + vb::Format(static_cast<double>(at(f.EditCum, i) + f.EditOffset), "0.0000");
    }
  } catch (const std::out_of_range&) {
    // No point there.
  }
  return "";
}

}  // namespace fw
