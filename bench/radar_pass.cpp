// A day of a radar pass: 288 five-minute images (palette PNGs in the archive's N0Q colours,
// decoded once and held in memory) read over 20 basin masks through the pixel classification and
// the basin statistics (RainClassifier, rainBasinStats, basinValue, as a radar line reads each
// image), beside, in the same process, a hand-written loop over the same decoded buffers and masks
// looking each colour up in a ready-made map (goal: at most 1.5 times the plain loop).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <cmath>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "radar_bench.h"
#include "platform/vb/textfile.h"
#include "radar/basin_stats.h"
#include "radar/image.h"
#include "radar/pixel_class.h"

namespace {

constexpr int kSize = 240;
constexpr int kImages = 288;
constexpr int kBasins = 20;
constexpr int kBox = 36;  // each basin's box, its mask a disc in it

// Image k of the day: storm cells drifting east, drawn with the table's N0Q colours, as a
// palette PNG, decoded through the image layer.
fw::RadarImage stormImage(int k) {
  QImage image(kSize, kSize, QImage::Format_Indexed8);
  const QList<QRgb> palette = fw::bench::n0qPalette();
  image.setColorTable(palette);
  for (int y = 0; y < kSize; ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < kSize; ++x) {
      const double dbz = 30 * std::sin((x + k) / 17.0) * std::cos(y / 23.0) + 18 * std::sin((x + y - k) / 41.0) + 10;
      const int index = static_cast<int>((dbz + 31) * 2);
      line[x] = dbz < 5 || index < 1 || index >= palette.size() ? 0 : static_cast<uchar>(index);
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, "png").write(image);
  fw::ImageError error;
  return fw::RadarImage::fromBytes(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}

const std::vector<fw::RadarImage>& day() {
  static const std::vector<fw::RadarImage> images = [] {
    std::vector<fw::RadarImage> v;
    for (int k = 0; k < kImages; ++k) v.push_back(stormImage(k));
    return v;
  }();
  return images;
}

const std::vector<fw::PointMask>& basins() {
  static const std::vector<fw::PointMask> masks = [] {
    std::vector<fw::PointMask> v;
    for (int b = 0; b < kBasins; ++b) {
      fw::PointMask m;
      m.xFrom = 10 + (b % 5) * 45;
      m.yFrom = 10 + (b / 5) * 55;
      m.xTo = m.xFrom + kBox - 1;
      m.yTo = m.yFrom + kBox - 1;
      for (int y = 0; y < kBox; ++y)
        for (int x = 0; x < kBox; ++x) {
          const double dx = x - kBox / 2.0, dy = y - kBox / 2.0;
          m.flags.push_back(dx * dx + dy * dy <= kBox * kBox / 4.0 ? 1 : 0);
        }
      v.push_back(std::move(m));
    }
    return v;
  }();
  return masks;
}

fw::ArgbPixels pixelsOf(const fw::RadarImage& image) {
  return {image.row(0), image.width(), image.height(), image.row(1) - image.row(0)};
}

void BM_RadarPass(benchmark::State& state) {
  const auto& images = day();
  const auto& masks = basins();
  for (auto _ : state) {
    const fw::RainClassifier classify(fw::bench::radarTables(), fw::bench::n0qImage());
    double total = 0;
    for (const fw::RadarImage& image : images) {
      const fw::ArgbPixels px = pixelsOf(image);
      for (const fw::PointMask& m : masks) {
        const fw::BasinStats st = fw::rainBasinStats(px, m, classify, 0);
        total += fw::basinValue(st, true, 10, 5, false) + st.maximum;
      }
    }
    benchmark::DoNotOptimize(total);
  }
}

void BM_PlainLoop(benchmark::State& state) {
  const auto& images = day();
  const auto& masks = basins();
  for (auto _ : state) {
    std::unordered_map<uint32_t, double> rateOf;
    const auto& rows = fw::bench::radarTables().Level2ZRTable.Rows;
    for (std::size_t i = 3; i < rows.size(); ++i)
      rateOf.emplace(static_cast<uint32_t>(rows[i].Colour[2]), rows[i].Rate[0]);
    double total = 0;
    for (const fw::RadarImage& image : images) {
      for (const fw::PointMask& m : masks) {
        double sum = 0, maximum = 0;
        int points = 0;
        std::size_t k = 0;
        for (int y = m.yFrom; y <= m.yTo; ++y) {
          const uint32_t* line = image.row(y);
          for (int x = m.xFrom; x <= m.xTo; ++x, ++k) {
            if (m.flags[k] == 0) continue;
            ++points;
            const uint32_t p = line[x];
            if ((p >> 24) == 0) continue;
            const uint32_t colour = ((p >> 16) & 255) | (p & 0xFF00) | ((p & 255) << 16);
            const auto it = rateOf.find(colour);
            if (it == rateOf.end() || it->second <= 0) continue;
            sum += it->second;
            if (it->second > maximum) maximum = it->second;
          }
        }
        total += (points > 0 ? std::round(sum / points / 12 * 1e5) / 1e5 : 0) + maximum;
      }
    }
    benchmark::DoNotOptimize(total);
  }
}

}  // namespace

BENCHMARK(BM_RadarPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoop)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  fw::startImageLayer();
  day();  // the images are decoded before the clock runs
  basins();
  return fw::bench::runWithRatios(argc, argv, "BM_PlainLoop", {"BM_RadarPass"},
                                  "a plain loop over the same decoded images and masks", 1.5);
}
