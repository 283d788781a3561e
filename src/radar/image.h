#pragma once
// The image layer of the radar code: decoding downloaded or stored radar images, reading their
// pixels, making and drawing bitmaps and saving them, over Qt's QImage (Qt Gui only, no widgets;
// offscreen when there is no display).
//
// Pixels are exact: a decoded image is converted once to non-premultiplied 32-bit ARGB with no
// colour-space or gamma conversion, so a pixel reads as the colour its file holds (a palette
// entry with its alpha, a transparent GIF index as alpha 0) and colour tables can be matched by
// equality.
#include <QImage>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "radar/argb.h"

namespace fw {

// The outcome of an image operation, numbered as the graphics library the radar routines were
// first written for numbered its statuses, so a "Graphics error " & status text reads as before.
enum class ImageStatus : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  Win32Error = 7,  // the file system refused (a folder that is not there, no permission, a full disk)
  FileNotFound = 10,
  UnknownImageFormat = 13,  // the bytes are no image this program can read
};

struct ImageError {
  ImageStatus status = ImageStatus::Ok;
  std::string text;  // what went wrong, for the user; empty when all went well
  bool ok() const { return status == ImageStatus::Ok; }
};

// An application object for the image classes: the program's own when it has one, else one made
// here on the offscreen platform, kept to the end of the program. Every image routine calls it
// first; a run calls it before its radar lines to find out early. Fails, saying what is missing,
// when Qt's offscreen platform plugin is not installed (no display is ever opened).
ImageError startImageLayer();

// When bytes of a GIF or JPEG image cannot be read because Qt's plugin for that format is not
// installed here, the text that says so ("GIF images cannot be read here: ..."); else "".
// `readable` is the list of formats the installed plugins read (lower-case, "gif", "jpeg", ...).
std::string missingImagePluginText(const std::string& bytes, const std::vector<std::string>& readable);
// The formats Qt can read here, lower-case.
std::vector<std::string> readableImageFormats();

enum class ImageFileKind { Png, Bmp };

// One entry of a colour remap: pixels of exactly oldColour are drawn as newColour.
struct ColourRemap {
  Argb oldColour = 0;
  Argb newColour = 0;
};

// A bitmap of non-premultiplied ARGB pixels. A value: copies share the pixels until one of them
// is changed.
class RadarImage {
 public:
  RadarImage() = default;  // no image: 0 by 0

  // Decodes a PNG, GIF, JPEG or BMP image from its bytes (as downloaded: never converted to text).
  // On failure the image is empty and `error` says why (UnknownImageFormat).
  static RadarImage fromBytes(const std::string& bytes, ImageError& error);
  static RadarImage fromFile(const std::filesystem::path& path, ImageError& error);
  // A new bitmap with every pixel set to `fill` (OutOfMemory in `error` when it cannot be made).
  static RadarImage blank(int width, int height, Argb fill, ImageError& error);

  bool isNull() const { return width_ == 0 || height_ == 0; }
  int width() const { return width_; }
  int height() const { return height_; }

  // The pixel at column x, row y (from the top left, 0-based); 0 for a position outside the image.
  Argb pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return reinterpret_cast<const Argb*>(bits_ + static_cast<std::ptrdiff_t>(y) * stride_)[x];
  }
  // Row y, width() pixels; y must lie inside the image.
  const Argb* row(int y) const { return reinterpret_cast<const Argb*>(bits_ + static_cast<std::ptrdiff_t>(y) * stride_); }
  void setPixel(int x, int y, Argb colour);
  void fill(Argb colour);

  // Copies the source rectangle (sx, sy, w, h) 1:1 to (dx, dy) of this bitmap, clipped to both
  // images. Each source pixel first goes through the remap table (exact ARGB equality), then is
  // composited over the pixel below (source over): an opaque pixel replaces it, a transparent one
  // leaves it, and over a transparent pixel any pixel is copied as it is.
  void drawRemapped(const RadarImage& source, int sx, int sy, int w, int h, int dx, int dy,
                    std::span<const ColourRemap> remap);

  // Draws text in opaque black, the sans-serif family, regular, `points` high, its top left at
  // (x, y), lines broken at CR LF, nothing wrapped.
  ImageError drawText(const std::string& text, int points, int x, int y);

  // Saves as PNG when the lower-cased name holds ".png", else as a BMP bitmap file; through a
  // temporary file in the same folder renamed over the old file, so a failure leaves no half file.
  ImageError save(const std::filesystem::path& path) const;
  ImageError saveAs(const std::filesystem::path& path, ImageFileKind kind) const;
  // The PNG bytes of the image.
  std::string pngBytes() const;

  // For the views that show an image.
  const QImage& qimage() const { return image_; }

 private:
  explicit RadarImage(QImage image);
  void refresh();
  QImage image_;  // always QImage::Format_ARGB32
  const uchar* bits_ = nullptr;
  std::ptrdiff_t stride_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// The 1-based place of the encoder for a MIME type ("image/png", in any case) among the encoders
// Qt has here, with its format name in `format`; -1 (and `format` untouched) when none matches.
int GetEncoderClsid(const std::string& mime, std::string& format);

// Text onto a bitmap, as RadarImage::drawText; `points` is the font size in points.
ImageError DrawGdipText(const std::string& text, int points, int x, int y, RadarImage& graphics);

// Re-renders a downloaded radar image into a clean 480 by 480 PNG: a bitmap cleared to 000F0F0F,
// the source's pixels from (1, 1), 478 by 478, drawn to the same place with the map colours
// FF999966, FF333366, FFFFFFFF, FF000000 and FF989866 made 000F0F0F; the outer ring of pixels is
// never copied. Gives "" when the PNG was saved, else "Gif save error: " and why.
inline constexpr int kRadarCanvasSize = 480;
inline constexpr Argb kRadarCanvasBackground = 0x000F0F0F;
std::string ConvertRadarImage(const std::string& bytes, const std::filesystem::path& pngPath);

}  // namespace fw
