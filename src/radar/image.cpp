#include "radar/image.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <climits>
#include <exception>

#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

// Text drawn on radar images assumes a screen of 96 dots per inch: 8 points are 10.67 pixels.
constexpr int kDotsPerMeter96Dpi = 3780;

bool offscreenPluginInstalled() {
  QStringList folders;
  for (const QString& folder : QCoreApplication::libraryPaths()) folders << folder + QStringLiteral("/platforms");
  const QByteArray extra = qgetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!extra.isEmpty()) folders << QString::fromLocal8Bit(extra);
  for (const QString& folder : folders)
    if (!QDir(folder).entryList({QStringLiteral("libqoffscreen*")}, QDir::Files).isEmpty()) return true;
  return false;
}

bool startsWith(const std::string& bytes, const char* signature, std::size_t length) {
  return bytes.size() >= length && bytes.compare(0, length, signature, length) == 0;
}

// Source over destination, both non-premultiplied.
Argb over(Argb s, Argb d) {
  const unsigned as = s >> 24;
  if (as == 255) return s;
  if (as == 0) return d;
  const unsigned ad = d >> 24;
  if (ad == 0) return s;
  const unsigned dWeight = ad * (255 - as);  // destination's share, scaled by 255
  const unsigned ao255 = as * 255 + dWeight;   // result alpha scaled by 255
  auto channel = [&](int shift) {
    const unsigned cs = (s >> shift) & 255;
    const unsigned cd = (d >> shift) & 255;
    return ((cs * as * 255 + cd * dWeight) + ao255 / 2) / ao255;
  };
  const unsigned ao = (ao255 + 127) / 255;
  return (ao << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

bool encodeImage(const QImage& image, const char* format, std::string& bytes, std::string& why) {
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(image)) {
    why = writer.errorString().toStdString();
    return false;
  }
  bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
  return true;
}

QString fromBytesText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ImageError startImageLayer() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    if (qobject_cast<QGuiApplication*>(app)) return {};
    return {ImageStatus::GenericError, "The program's application object cannot draw text on images."};
  }
  if (!offscreenPluginInstalled())
    return {ImageStatus::GenericError,
            "Radar images cannot be drawn here: Qt's offscreen platform plugin (platforms/libqoffscreen.so, "
            "Debian package libqt6gui6) is not installed."};
  // Made once, on the offscreen platform so that no display is ever asked for, and never taken
  // down: Qt's own statics must not outlive the application object they belong to.
  static int argc = 3;
  static char program[] = "flumewright";
  static char platformOption[] = "-platform";
  static char platform[] = "offscreen";
  static char* argv[] = {program, platformOption, platform, nullptr};
  static QGuiApplication* const app = new QGuiApplication(argc, argv);
  (void)app;
  return {};
}

std::vector<std::string> readableImageFormats() {
  std::vector<std::string> formats;
  for (const QByteArray& f : QImageReader::supportedImageFormats()) formats.push_back(vb::LCase(f.toStdString()));
  return formats;
}

std::string missingImagePluginText(const std::string& bytes, const std::vector<std::string>& readable) {
  const auto canRead = [&](const char* format) {
    return std::find(readable.begin(), readable.end(), format) != readable.end();
  };
  if (startsWith(bytes, "GIF8", 4) && !canRead("gif"))
    return "GIF images cannot be read here: Qt's GIF image plugin (imageformats/libqgif.so, Debian package "
           "libqt6gui6) is not installed.";
  if (startsWith(bytes, "\xFF\xD8\xFF", 3) && !canRead("jpeg"))
    return "JPEG images cannot be read here: Qt's JPEG image plugin (imageformats/libqjpeg.so, Debian package "
           "libqt6gui6) is not installed.";
  return "";
}

RadarImage::RadarImage(QImage image) : image_(std::move(image)) {
  refresh();
}

void RadarImage::refresh() {
  bits_ = image_.constBits();
  stride_ = image_.bytesPerLine();
  width_ = image_.isNull() ? 0 : image_.width();
  height_ = image_.isNull() ? 0 : image_.height();
}

RadarImage RadarImage::fromBytes(const std::string& bytes, ImageError& error) {
  error = {};
  startImageLayer();  // decoding needs no application object; its plugins load alike
  QImage decoded;
  const bool loaded = bytes.size() <= static_cast<std::size_t>(INT_MAX) &&
                      decoded.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
  if (!loaded) {
    std::string why = missingImagePluginText(bytes, readableImageFormats());
    error = {ImageStatus::UnknownImageFormat, why.empty() ? "the data is not a PNG, GIF, JPEG or BMP image" : why};
    return {};
  }
  // One conversion to plain ARGB; the colour space the file names is left as it is.
  QImage argb = decoded.format() == QImage::Format_ARGB32 ? decoded : decoded.convertToFormat(QImage::Format_ARGB32);
  if (argb.isNull()) {
    error = {ImageStatus::OutOfMemory, "not enough memory to read the image"};
    return {};
  }
  return RadarImage(std::move(argb));
}

RadarImage RadarImage::fromFile(const std::filesystem::path& path, ImageError& error) {
  std::string bytes;
  try {
    bytes = vb::readAllBytes(path);
  } catch (const vb::Error& e) {
    error = {ImageStatus::FileNotFound, path.string() + ": " + e.description()};
    return {};
  }
  RadarImage image = fromBytes(bytes, error);
  if (!error.ok()) error.text = path.string() + ": " + error.text;
  return image;
}

RadarImage RadarImage::blank(int width, int height, Argb fill, ImageError& error) {
  error = {};
  if (width <= 0 || height <= 0) {
    error = {ImageStatus::InvalidParameter, "a bitmap needs a width and a height"};
    return {};
  }
  QImage image(width, height, QImage::Format_ARGB32);
  if (image.isNull()) {
    error = {ImageStatus::OutOfMemory,
             "not enough memory for a " + std::to_string(width) + " by " + std::to_string(height) + " bitmap"};
    return {};
  }
  image.fill(fill);
  return RadarImage(std::move(image));
}

void RadarImage::setPixel(int x, int y, Argb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  reinterpret_cast<Argb*>(image_.scanLine(y))[x] = colour;
  refresh();
}

void RadarImage::fill(Argb colour) {
  if (isNull()) return;
  image_.fill(colour);
  refresh();
}

void RadarImage::drawRemapped(const RadarImage& source, int sx, int sy, int w, int h, int dx, int dy,
                              std::span<const ColourRemap> remap) {
  // Clip the rectangle to the source and to this bitmap: a start before 0 moves both starts on
  // and shortens the side.
  const auto clipStart = [](int& start, int& other, int& length) {
    if (start >= 0) return;
    length += start;
    other -= start;
    start = 0;
  };
  clipStart(sx, dx, w);
  clipStart(sy, dy, h);
  clipStart(dx, sx, w);
  clipStart(dy, sy, h);
  w = std::min({w, source.width() - sx, width_ - dx});
  h = std::min({h, source.height() - sy, height_ - dy});
  if (w <= 0 || h <= 0) return;
  const RadarImage keep = source;  // the source may be this very bitmap
  for (int y = 0; y < h; ++y) {
    const Argb* from = keep.row(sy + y) + sx;
    Argb* to = reinterpret_cast<Argb*>(image_.scanLine(dy + y)) + dx;
    for (int x = 0; x < w; ++x) {
      Argb p = from[x];
      for (const ColourRemap& m : remap) {
        if (p == m.oldColour) {
          p = m.newColour;
          break;
        }
      }
      to[x] = over(p, to[x]);
    }
  }
  refresh();
}

ImageError RadarImage::drawText(const std::string& text, int points, int x, int y) {
  ImageError started = startImageLayer();
  if (!started.ok()) return started;
  if (isNull()) return {ImageStatus::InvalidParameter, "there is no bitmap to draw the text on"};
  if (points <= 0) return {ImageStatus::InvalidParameter, "a font size must be above 0 points"};
  image_.setDotsPerMeterX(kDotsPerMeter96Dpi);
  image_.setDotsPerMeterY(kDotsPerMeter96Dpi);
  {
    QPainter painter(&image_);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(points);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(QRectF(x, y, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     fromBytesText(vb::Replace(text, "\r\n", "\n")));
  }
  refresh();
  return {};
}

std::string RadarImage::pngBytes() const {
  std::string bytes, why;
  return encodeImage(image_, "png", bytes, why) ? bytes : "";
}

ImageError RadarImage::save(const std::filesystem::path& path) const {
  return saveAs(path, vb::InStr(vb::LCase(path.string()), ".png") > 0 ? ImageFileKind::Png : ImageFileKind::Bmp);
}

ImageError RadarImage::saveAs(const std::filesystem::path& path, ImageFileKind kind) const {
  if (isNull()) return {ImageStatus::InvalidParameter, "there is no image to save"};
  std::string bytes, why;
  if (!encodeImage(image_, kind == ImageFileKind::Png ? "png" : "bmp", bytes, why))
    return {ImageStatus::GenericError, why};
  try {
    vb::writeAllBytes(path, bytes);
  } catch (const vb::Error& e) {
    return {ImageStatus::Win32Error, path.string() + ": " + e.description()};
  }
  return {};
}

int GetEncoderClsid(const std::string& mime, std::string& format) {
  const QList<QByteArray> types = QImageWriter::supportedMimeTypes();
  const std::string wanted = vb::LCase(mime);
  for (qsizetype i = 0; i < types.size(); ++i) {
    if (vb::LCase(types[i].toStdString()) != wanted) continue;
    const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(types[i]);
    if (formats.isEmpty()) continue;
    format = formats.front().toStdString();
    return static_cast<int>(i) + 1;
  }
  return -1;
}

ImageError DrawGdipText(const std::string& text, int points, int x, int y, RadarImage& graphics) {
  return graphics.drawText(text, points, x, y);
}

std::string ConvertRadarImage(const std::string& bytes, const std::filesystem::path& pngPath) {
  // The map's own colours (land, water, borders, black and white) are cleared with the background.
  static constexpr ColourRemap kMapColours[] = {{0xFF999966, kRadarCanvasBackground},
                                                {0xFF333366, kRadarCanvasBackground},
                                                {0xFFFFFFFF, kRadarCanvasBackground},
                                                {0xFF000000, kRadarCanvasBackground},
                                                {0xFF989866, kRadarCanvasBackground}};
  std::string text;
  try {
    ImageError error;
    const RadarImage source = RadarImage::fromBytes(bytes, error);
    if (!error.ok()) {
      text = "Could not convert radar download to bit stream.";
      const std::string plugin = missingImagePluginText(bytes, readableImageFormats());
      if (!plugin.empty()) text += " " + plugin;
    } else {
      RadarImage canvas = RadarImage::blank(kRadarCanvasSize, kRadarCanvasSize, kRadarCanvasBackground, error);
      if (!error.ok()) {
        text = "GDI Create from HDC error. " + error.text;
      } else {
        canvas.drawRemapped(source, 1, 1, kRadarCanvasSize - 2, kRadarCanvasSize - 2, 1, 1, kMapColours);
        // PNG whatever the name says: a level-3 image keeps its "_0.gif" name.
        error = canvas.saveAs(pngPath, ImageFileKind::Png);
        if (!error.ok()) text = "Save as Gif file. " + error.text;
      }
    }
  } catch (const std::exception& e) {
    text = e.what();
  }
  return text.empty() ? "" : "Gif save error: " + text;
}

}  // namespace fw
