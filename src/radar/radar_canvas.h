#pragma once
// The radar window's picture: what the window shows inside its frame, drawn here without any
// widget so that the run, the readout and the tests all see the same pixels. The window paints it
// as it stands; a click reads the colour under the mouse back from it.
//
// Colours are window colour values (red in the low byte, vb::Color). Lines are drawn one pixel
// wide without smoothing, so a pixel of an outline is exactly the outline's colour.
#include <memory>
#include <utility>
#include <vector>

#include "platform/vb/color.h"
#include "radar/argb.h"

class QImage;

namespace fw {

class RadarImage;

inline constexpr vb::Color kRadarBackColour = 0xC0C0C0;  // light grey, the window's back colour
inline constexpr vb::Color kOutlineColour = 255;         // red: the basin outline
inline constexpr vb::Color kVectorColour = 65535;        // yellow: the nowcast vector
inline constexpr int kMaxCircleRadius = 6;               // pixels

class RadarCanvas {
 public:
  // A canvas of the window's inner size, cleared to the back colour.
  void resize(int width, int height);
  void clear();
  int width() const;
  int height() const;

  // The image at (x, y), natural size; or only its top-left section of w by h pixels.
  void drawImage(const RadarImage& image, int x, int y);
  void drawImageSection(const RadarImage& image, int x, int y, int w, int h);
  // A point, then lines joining the points in order.
  void drawPolyline(const std::vector<std::pair<int, int>>& points, vb::Color colour);
  void setPoint(int x, int y, vb::Color colour);
  void drawLine(int x1, int y1, int x2, int y2, vb::Color colour);
  void drawCircle(int x, int y, int radius, vb::Color colour);

  // The colour at (x, y) as a window colour value; the back colour outside the canvas.
  vb::Color colourAt(int x, int y) const;

  // Null before the first resize.
  const QImage* qimage() const { return image_.get(); }

 private:
  // QImage::Format_RGB32; held through a pointer so that the window's model (and so every unit
  // that includes the session) does not include Qt's headers and their keyword macros.
  std::shared_ptr<QImage> image_;
};

}  // namespace fw
