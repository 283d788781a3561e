#pragma once
// Basin rainfall from a radar image: a basin is a box of image pixels with a mask (the basin's
// point file), its value the mean rain rate over the masked pixels, or their maximum. Pure
// functions over an ARGB pixel buffer, the mask and a classifier; no image class in sight, so
// they can be tested and timed alone.
//
// Point file ("NexradPoint..."): free-format numbers separated by commas, blanks or line breaks:
// x-from, y-from, x-to, y-to (inclusive pixel columns and rows), then one flag per pixel of the
// box, rows from y-from, columns from x-from; a flag that is not 0 marks a basin pixel.
// Boundary file ("NexradBoundary..."): "x,y" lines, the outline's vertices in drawing order; the
// last three lines are no vertices.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "radar/argb.h"
#include "radar/pixel_class.h"

namespace fw {

class ScriptControl;

// A view of decoded pixels: `width` by `height`, row y starting at data + y * stride.
struct ArgbPixels {
  const Argb* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;  // pixels from one row to the next

  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  // 0 (transparent black) outside the image.
  Argb at(int x, int y) const { return inside(x, y) ? data[y * stride + x] : 0; }
};

struct PointMask {
  int xFrom = 0, yFrom = 0, xTo = -1, yTo = -1;
  std::vector<uint8_t> flags;  // (yTo - yFrom + 1) * (xTo - xFrom + 1), row by row
  int32_t boxPixels() const {
    return xTo < xFrom || yTo < yFrom ? 0 : (xTo - xFrom + 1) * (yTo - yFrom + 1);
  }
};

// The mask of a point file's text; nothing when the text ends before its box and flags are read
// (`error` then says so) or the box is turned round.
std::optional<PointMask> parsePointFile(const std::string& text, std::string& error);

// The outline's vertices of a boundary file's text (its last three lines left out).
std::vector<std::pair<int, int>> parseBoundary(const std::string& text);

// What the masked pixels of one basin gave.
struct BasinStats {
  int32_t points = 0;   // masked pixels visited (transparent, unknown and outside ones included)
  int32_t outside = 0;  // of them, pixels outside the image (counted as points, never classified)
  double sum = 0;       // the rates above the suppression threshold
  double maximum = 0;   // the largest such rate (or reading), with its pixel
  int maxX = 0, maxY = 0;
  double mean() const { return points > 0 ? sum / points : 0; }
};

// Scans the masked pixels of a rain product's image: each masked pixel counts as a point; a
// pixel of value 0 (transparent black) and one outside the image are not classified; every other
// is classified and its rate counts when it is above `suppressRate`. The box is moved by
// (-shiftX, -shiftY) pixels (a nowcast image) while the mask stays as it is.
BasinStats rainBasinStats(const ArgbPixels& image, const PointMask& mask, const RainClassifier& classifier,
                          double suppressRate, int shiftX = 0, int shiftY = 0);

// The same for the products that are no rain: echo tops and VIL (every fourth pixel, the largest
// reflectivity label) and velocity (every second pixel, the largest jump between readings of
// opposite sign beside each other in a row or a column). The previous row is held for the
// image's width.
BasinStats echoBasinStats(const ArgbPixels& image, const PointMask& mask, const std::string& product, int shiftX = 0,
                          int shiftY = 0);
// The scan step of a product: 4 for NET and NVL, 2 for N0S and N0V, else 1.
int scanStep(const std::string& product);
// A rain product: one of N0B N0R N0Q NCQ NCR PTA N1P N0Z A2M HRR, or any Canadian image.
bool isRainProduct(const std::string& product, bool canadaSite);

// The value of a basin from its statistics. A rain product: the mean rate (in/hr) rounded to 5
// places for data type 9 (a total), the depth over the image interval (mean / (60 / interval))
// for the others, the maximum rate for data type 32; then times 25.4 when metric. Another
// product: its largest reading.
double basinValue(const BasinStats& stats, bool rainProduct, int16_t dataType, double intervalMinutes, bool metric);

// Inversion suppression: a line's threshold text (in/hr) that starts with a digit and lies
// above 0 and below 0.1 makes the value 0 when the mean rate is below it; never for data type 32.
double inversionSuppressed(double value, double meanRate, const std::string& threshold, int16_t dataType);

// The line's adjustment expression in P1 (a ratio times P1): applied when it is longer than 4
// characters, through the script control.
double adjustedValue(double value, const std::string& expression, ScriptControl& script);

}  // namespace fw
