#include "support/radar_fixtures.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/vb/format.h"
#include "radar/image.h"

namespace fw::testing {

namespace {

// ---- GIF writing ----

class BitWriter {
 public:
  void put(unsigned code, int width) {
    acc_ |= static_cast<uint64_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      bytes_.push_back(static_cast<char>(acc_ & 0xFF));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  std::string finish() {
    if (bits_ > 0) bytes_.push_back(static_cast<char>(acc_ & 0xFF));
    acc_ = 0;
    bits_ = 0;
    return bytes_;
  }

 private:
  std::string bytes_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

void put16(std::string& out, int v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

// ---- the fixture images ----

constexpr int kPaletteSize = 1000;

// Colours of the palette fixture, ARGB. Index 0 is the transparent background.
const std::vector<Argb> kPalette = {
    0x00000000,  // 0 transparent
    0xFF999966, 0xFF333366, 0xFFFFFFFF, 0xFF000000, 0xFF989866,  // 1-5 the map's colours
    0xFF02FD02,  // 6 level-3 20 dBZ
    0xFFFD0000,  // 7 level-3 50 dBZ
    0xFFFDF802,  // 8 level-3 35 dBZ
    0xFFC1BD05,  // 9 the archive's N0Q ramp at 40 dBZ (index 142)
    0x80FD9500,  // 10 half transparent orange
};

std::vector<FixturePixel> makePalettePixels() {
  std::vector<FixturePixel> p = {
      {1, 1, 0xFF02FD02},     {0, 5, 0xFFFD0000},     {478, 478, 0xFFFDF802}, {479, 100, 0xFFFD0000},
      {600, 600, 0xFFFD0000}, {200, 200, 0xFF999966}, {210, 200, 0xFF333366}, {220, 200, 0xFFFFFFFF},
      {230, 200, 0xFF000000}, {240, 200, 0xFF989866}, {150, 150, 0x80FD9500}, {999, 999, 0xFFFDF802},
  };
  for (int y = 100; y < 120; ++y)
    for (int x = 100; x < 120; ++x) p.push_back({x, y, 0xFFC1BD05});
  return p;
}

const std::vector<Argb> kLevel3Gif = {
    0xFF000000,  // 0 black, the transparent index
    0xFF04E9E7, 0xFF019FF4, 0xFF0300F4, 0xFF02FD02, 0xFF01C501, 0xFF008E00, 0xFFFDF802, 0xFFE5BC00,
    0xFFFD9500, 0xFFFD0000, 0xFFD40000, 0xFFBC0000, 0xFFF800FD, 0xFF9854C6, 0xFFFDFDFD, 0xFFFD8B00,
};

std::vector<FixturePixel> makeGifPixels() {
  std::vector<FixturePixel> p;
  // One 3 by 3 blob of each of the 16 colours, four in a row.
  for (int c = 1; c < static_cast<int>(kLevel3Gif.size()); ++c) {
    const int bx = 5 + ((c - 1) % 4) * 12, by = 5 + ((c - 1) / 4) * 12;
    for (int y = by; y < by + 3; ++y)
      for (int x = bx; x < bx + 3; ++x) p.push_back({x, y, kLevel3Gif[static_cast<std::size_t>(c)]});
  }
  return p;
}

std::string encode(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (quality >= 0) writer.setQuality(quality);
  if (!writer.write(image)) throw std::runtime_error("cannot write the " + std::string(format) + " fixture");
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int indexOf(const std::vector<Argb>& palette, Argb colour) {
  for (std::size_t i = 0; i < palette.size(); ++i)
    if (palette[i] == colour) return static_cast<int>(i);
  throw std::runtime_error("a fixture colour is not in its palette");
}

// Reflectivity above that of hail gives no more rain than this.
constexpr double kHailCapInchesPerHour = 4.09;

std::string crlfLine(const std::string& line) {
  return line + "\r\n";
}

}  // namespace

std::filesystem::path radarFixture(const std::string& name) {
  return std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "tests" / "fixtures" / "radar" / name;
}

std::string gifBytes(int width, int height, const std::vector<Argb>& palette, int transparentIndex,
                     const std::vector<uint8_t>& pixels) {
  std::string out = "GIF89a";
  put16(out, width);
  put16(out, height);
  out.push_back(static_cast<char>(0xF7));  // a global table of 256 colours, 8 bits a channel
  out.push_back(0);                        // background index
  out.push_back(0);                        // no aspect ratio
  for (int i = 0; i < 256; ++i) {
    const Argb c = i < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(i)] : 0;
    out.push_back(static_cast<char>((c >> 16) & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  if (transparentIndex >= 0) {
    out += std::string("\x21\xF9\x04\x01\x00\x00", 6);
    out.push_back(static_cast<char>(transparentIndex));
    out.push_back(0);
  }
  out.push_back(0x2C);
  put16(out, 0);
  put16(out, 0);
  put16(out, width);
  put16(out, height);
  out.push_back(0);  // no local table, not interlaced
  constexpr int kMinCodeSize = 8;
  constexpr unsigned kClear = 256, kEnd = 257;
  constexpr int kWidth = 9;
  // After a clear code every literal but the first adds a table entry; 250 of them keep the next
  // free code below 512, so the code width never grows.
  constexpr int kLiteralsPerClear = 250;
  out.push_back(kMinCodeSize);
  BitWriter bits;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (i % kLiteralsPerClear == 0) bits.put(kClear, kWidth);
    bits.put(pixels[i], kWidth);
  }
  bits.put(kEnd, kWidth);
  const std::string data = bits.finish();
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    out.push_back(static_cast<char>(n));
    out += data.substr(at, n);
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

const std::vector<FixturePixel>& palettePngPixels() {
  static const std::vector<FixturePixel> p = makePalettePixels();
  return p;
}

const std::vector<FixturePixel>& rgbaPngPixels() {
  static const std::vector<FixturePixel> p = {
      {5, 5, 0xFF00FF00}, {6, 5, 0x80FF0000}, {7, 5, 0x00123456}, {39, 29, 0xFF0000F6}, {0, 0, 0x00000000}};
  return p;
}

const std::vector<FixturePixel>& level3GifPixels() {
  static const std::vector<FixturePixel> p = makeGifPixels();
  return p;
}

std::string palettePngFixture() {
  QImage image(kPaletteSize, kPaletteSize, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (Argb c : kPalette) table.push_back(c);
  image.setColorTable(table);
  image.fill(0);
  for (const FixturePixel& p : palettePngPixels())
    image.setPixel(p.x, p.y, static_cast<uint>(indexOf(kPalette, p.argb)));
  return encode(image, "png");
}

std::string rgbaPngFixture() {
  QImage image(40, 30, QImage::Format_ARGB32);
  image.fill(0u);
  for (const FixturePixel& p : rgbaPngPixels()) image.setPixel(p.x, p.y, p.argb);
  return encode(image, "png");
}

std::string level3GifFixture() {
  constexpr int w = 60, h = 55;
  std::vector<uint8_t> pixels(static_cast<std::size_t>(w * h), 0);
  for (const FixturePixel& p : level3GifPixels())
    pixels[static_cast<std::size_t>(p.y * w + p.x)] = static_cast<uint8_t>(indexOf(kLevel3Gif, p.argb));
  return gifBytes(w, h, kLevel3Gif, 0, pixels);
}

std::string jpegFixture() {
  QImage image(32, 32, QImage::Format_RGB32);
  const Argb blocks[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) image.setPixel(x, y, blocks[(y / 16) * 2 + x / 16]);
  return encode(image, "jpeg", 95);
}

double zrRate(double dbz, double a, double b) {
  return std::pow(std::pow(10.0, dbz / 10.0) / a, 1.0 / b) / 25.4;
}

double n0qRampDbz(int index) {
  return 0.5 * index - 31;
}

std::string level2TableFromRamps() {
  ImageError error;
  const RadarImage n0q = RadarImage::fromFile(radarFixture("iem_gis_n0q-ramp.png"), error);
  const RadarImage n0r = RadarImage::fromFile(radarFixture("iem_gis_n0r-ramp.png"), error);
  if (n0q.isNull() || n0r.isNull()) throw std::runtime_error("the ramp fixtures cannot be read");
  // The centres of the N0R ramp's 15 colour blocks, 0 to 70 dBZ.
  const int blockCentre[15] = {6, 15, 23, 32, 40, 49, 58, 66, 74, 83, 91, 100, 109, 117, 126};
  const double relations[5][2] = {{300, 1.4}, {75, 2.0}, {130, 2.0}, {250, 1.2}, {200, 1.6}};
  auto colourValue = [](Argb p) { return std::to_string(ReverseRGB(p)); };
  auto row = [&](double dbz, const std::string& ncr, const std::string& file, const std::string& other) {
    std::string line = vb::CStr(dbz) + "\t" + ncr + "\t" + file + "\t" + other;
    for (const auto& r : relations)
      line += "\t" + vb::FormatNumber(std::min(zrRate(dbz, r[0], r[1]), kHailCapInchesPerHour), "0.0000");
    return crlfLine(line);
  };
  std::string text = crlfLine("Level 2 reflectivity colours and rain rates: the archive's N0Q colour ramp (0.5 dBZ "
                              "steps, 0 dBZ at index 62), then its N0R ramp (5 dBZ steps)");
  text += crlfLine("dBZ\tNCR\tfile\tother\tConvective\tCoolWest\tCoolEast\tTropical\tSemiTrop");
  text += crlfLine("in/hr for each Z-R relation: Z = a R^b with (a, b) = (300, 1.4) (75, 2.0) (130, 2.0) "
                   "(250, 1.2) (200, 1.6), at most 4.09 in/hr (103.8 mm/h, the hail cap)");
  // The ramp's reflectivities run to 90 dBZ at index 242; the entries after it are no reflectivity.
  for (int i = 1; i <= 242; ++i) {
    const double dbz = n0qRampDbz(i);
    const std::string n0qColour = colourValue(n0q.pixel(i, 5));
    const int block = static_cast<int>(std::floor(dbz / 5));
    const std::string ncr = block >= 0 && block < 15 ? colourValue(n0r.pixel(blockCentre[block], 6)) : "0";
    text += row(dbz, ncr, n0qColour, n0qColour);
  }
  for (int k = 0; k < 15; ++k) {
    const std::string c = colourValue(n0r.pixel(blockCentre[k], 6));
    text += row(5.0 * k, c, c, c);
  }
  return text;
}

std::string a2mTableFromRamp() {
  ImageError error;
  const RadarImage ramp = RadarImage::fromFile(radarFixture("iem_images_mrms_a2m.png"), error);
  if (ramp.isNull()) throw std::runtime_error("the a2m ramp fixture cannot be read");
  constexpr double kMmPerIndex = 0.02;  // in two minutes
  constexpr double kPerHour = 30;
  std::string text = crlfLine("A2M colour to rain rate (in/hr): the MRMS a2m colour ramp, index i holding i x 0.02 "
                              "mm in two minutes");
  text += crlfLine("colour\trate");
  text += crlfLine("0\t0");  // read, but the lookup begins with the next line
  for (int i = 1; i <= 254; ++i)
    text += crlfLine(std::to_string(ReverseRGB(ramp.pixel(i, 5))) + "\t" +
                     vb::FormatNumber(i * kMmPerIndex * kPerHour / 25.4, "0.0000"));
  return text;
}

}  // namespace fw::testing
