#include "radar/radar_canvas.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "radar/image.h"

namespace fw {

namespace {

QColor qcolour(vb::Color c) { return QColor(vb::Red(c), vb::Green(c), vb::Blue(c)); }

QPen onePixel(vb::Color c) {
  QPen pen(qcolour(c));
  pen.setWidth(1);
  pen.setCosmetic(true);
  return pen;
}

}  // namespace

int RadarCanvas::width() const { return image_ ? image_->width() : 0; }
int RadarCanvas::height() const { return image_ ? image_->height() : 0; }

void RadarCanvas::resize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (image_ && width == image_->width() && height == image_->height()) return;
  image_ = std::make_shared<QImage>(width, height, QImage::Format_RGB32);
  clear();
}

void RadarCanvas::clear() {
  if (image_) image_->fill(qcolour(kRadarBackColour));
}

void RadarCanvas::drawImage(const RadarImage& image, int x, int y) {
  drawImageSection(image, x, y, image.width(), image.height());
}

void RadarCanvas::drawImageSection(const RadarImage& image, int x, int y, int w, int h) {
  if (image.isNull() || !image_) return;
  QPainter p(image_.get());
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.drawImage(QPoint(x, y), image.qimage(), QRect(0, 0, w, h));
}

void RadarCanvas::setPoint(int x, int y, vb::Color colour) {
  if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
  image_->setPixel(x, y, qcolour(colour).rgb());
}

void RadarCanvas::drawLine(int x1, int y1, int x2, int y2, vb::Color colour) {
  if (!image_) return;
  QPainter p(image_.get());
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(onePixel(colour));
  p.drawLine(x1, y1, x2, y2);
}

void RadarCanvas::drawPolyline(const std::vector<std::pair<int, int>>& points, vb::Color colour) {
  if (points.empty()) return;
  setPoint(points.front().first, points.front().second, colour);
  for (std::size_t i = 1; i < points.size(); ++i)
    drawLine(points[i - 1].first, points[i - 1].second, points[i].first, points[i].second, colour);
}

void RadarCanvas::drawCircle(int x, int y, int radius, vb::Color colour) {
  if (!image_) return;
  QPainter p(image_.get());
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(onePixel(colour));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPoint(x, y), radius, radius);
}

vb::Color RadarCanvas::colourAt(int x, int y) const {
  if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return kRadarBackColour;
  const QRgb c = image_->pixel(x, y);
  return vb::RGB(qRed(c), qGreen(c), qBlue(c));
}

}  // namespace fw
