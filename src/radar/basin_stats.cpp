#include "radar/basin_stats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/script/script_control.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "radar/colour_tables.h"

namespace fw {

namespace {

// The numbers of a free-format text: separated by commas, blanks, tabs or line breaks.
std::vector<long> freeFormatNumbers(const std::string& text) {
  std::vector<long> out;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && (text[i] == ',' || std::isspace(static_cast<unsigned char>(text[i])))) ++i;
    if (i >= n) break;
    size_t j = i;
    while (j < n && text[j] != ',' && !std::isspace(static_cast<unsigned char>(text[j]))) ++j;
    out.push_back(std::lround(vb::Val(text.substr(i, j - i))));
    i = j;
  }
  return out;
}

constexpr const char* kRainProducts = "N0BN0RN0QNCQNCRPTAN1PN0ZA2MHRR";

}  // namespace

std::optional<PointMask> parsePointFile(const std::string& text, std::string& error) {
  const std::vector<long> v = freeFormatNumbers(text);
  if (v.size() < 4) {
    error = "Input past end of file";
    return std::nullopt;
  }
  PointMask m;
  m.xFrom = static_cast<int>(v[0]);
  m.yFrom = static_cast<int>(v[1]);
  m.xTo = static_cast<int>(v[2]);
  m.yTo = static_cast<int>(v[3]);
  if (m.xTo < m.xFrom || m.yTo < m.yFrom) {
    error = "the point box is turned round";
    return std::nullopt;
  }
  const size_t cells = static_cast<size_t>(m.boxPixels());
  if (v.size() < 4 + cells) {
    error = "Input past end of file";
    return std::nullopt;
  }
  m.flags.resize(cells);
  for (size_t k = 0; k < cells; ++k) m.flags[k] = v[4 + k] != 0 ? 1 : 0;
  return m;
}

std::vector<std::pair<int, int>> parseBoundary(const std::string& text) {
  std::vector<std::string> lines = vb::Split(vb::Replace(text, "\r\n", "\n"), "\n");
  std::vector<std::pair<int, int>> out;
  for (size_t i = 0; i + 3 < lines.size(); ++i) {
    const int comma = vb::InStr(lines[i], ",");
    if (comma == 0) continue;
    out.emplace_back(static_cast<int>(vb::Val(vb::Left(lines[i], comma - 1))),
                     static_cast<int>(vb::Val(vb::Mid(lines[i], comma + 1))));
  }
  return out;
}

BasinStats rainBasinStats(const ArgbPixels& image, const PointMask& mask, const RainClassifier& classifier,
                          double suppressRate, int shiftX, int shiftY) {
  BasinStats st;
  const int x0 = mask.xFrom - shiftX;
  const int x1 = mask.xTo - shiftX;
  const uint8_t* flag = mask.flags.data();
  for (int y = mask.yFrom - shiftY; y <= mask.yTo - shiftY; ++y) {
    const bool rowInside = y >= 0 && y < image.height;
    const Argb* row = rowInside ? image.data + y * image.stride : nullptr;
    for (int x = x0; x <= x1; ++x, ++flag) {
      if (*flag == 0) continue;
      ++st.points;
      if (!rowInside || x < 0 || x >= image.width) {
        ++st.outside;
        continue;
      }
      const Argb pixel = row[x];
      if (pixel == 0) continue;
      const double rate = classifier.rate(pixel);
      if (rate > suppressRate) {
        st.sum += rate;
        if (rate > st.maximum) {
          st.maximum = rate;
          st.maxX = x;
          st.maxY = y;
        }
      }
    }
  }
  return st;
}

int scanStep(const std::string& product) {
  if (product == "NET" || product == "NVL") return 4;
  if (product == "N0S" || product == "N0V") return 2;
  return 1;
}

bool isRainProduct(const std::string& product, bool canadaSite) {
  return canadaSite || (product.size() == 3 && vb::InStr(kRainProducts, product) > 0);
}

BasinStats echoBasinStats(const ArgbPixels& image, const PointMask& mask, const std::string& product, int shiftX,
                          int shiftY) {
  BasinStats st;
  const int step = scanStep(product);
  const bool velocity = step == 2;
  const bool wide = product == "N0V";
  // One reading per pixel column of the image: the row above's readings.
  std::vector<int> previousRow(static_cast<size_t>(std::max(image.width, 0)), 0);
  size_t index = 0;
  auto consider = [&](double v, int x, int y) {
    if (v > st.maximum) {
      st.maximum = v;
      st.maxX = x;
      st.maxY = y;
    }
  };
  for (int y = mask.yFrom - shiftY; y <= mask.yTo - shiftY; y += step) {
    int previous = 0;
    for (int x = mask.xFrom - shiftX; x <= mask.xTo - shiftX; x += step, ++index) {
      if (index >= mask.flags.size() || mask.flags[index] == 0) continue;
      ++st.points;
      if (!image.inside(x, y)) {
        ++st.outside;
        continue;
      }
      const Argb pixel = image.at(x, y);
      if (pixel == 0) continue;
      const vb::Color colour = ReverseRGB(pixel);
      if (!velocity) {
        consider(std::trunc(vb::Val(DbzLabel(colour))), x, y);
        continue;
      }
      const int reading = static_cast<int>(vb::Val(wide ? VelocityLabelWide(colour) : VelocityLabel(colour)));
      int& above = previousRow[static_cast<size_t>(x)];
      if (reading != 0 && previous != 0 && (reading > 0) != (previous > 0)) consider(std::abs(reading - previous), x, y);
      if (reading != 0 && above != 0 && (reading > 0) != (above > 0)) consider(std::abs(reading - above), x, y);
      previous = reading;
      above = reading;
    }
  }
  return st;
}

double basinValue(const BasinStats& stats, bool rainProduct, int16_t dataType, double intervalMinutes, bool metric) {
  if (!rainProduct) return stats.maximum;
  const double mean = stats.mean();
  double value = 0;
  if (dataType == 32)
    value = stats.maximum;
  else if (dataType == 9)
    value = vb::Round(mean, 5);
  else
    value = vb::Round(mean / (60.0 / intervalMinutes), 5);
  if (metric) value *= 25.4;
  return value;
}

double inversionSuppressed(double value, double meanRate, const std::string& threshold, int16_t dataType) {
  if (threshold.empty() || !std::isdigit(static_cast<unsigned char>(threshold[0])) || dataType == 32) return value;
  const double t = vb::Val(threshold);
  if (t > 0 && t < 0.1 && meanRate < t) return 0;
  return value;
}

double adjustedValue(double value, const std::string& expression, ScriptControl& script) {
  if (expression.size() <= 4) return value;
  script.ExecuteStatement("P1=" + vb::CStr(value));
  return script.Eval(expression).toDouble();
}

}  // namespace fw
