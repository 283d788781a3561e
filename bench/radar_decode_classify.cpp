// One radar image turned into basin rain rates: a 1000 by 1000 palette PNG in the archive's N0Q
// colours is decoded through the image layer and the 10,000 pixels of a basin mask are classified
// through the shipped level-2 table (RadarImage and RainClassifier, as a radar line does per
// image), beside, in the same process, Qt's decode alone with one conversion to ARGB and a
// hand-written loop over that buffer looking each colour up in a ready-made map (goal: at most
// 1.3 times the plain road).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "radar_bench.h"
#include "platform/vb/textfile.h"
#include "radar/image.h"
#include "radar/pixel_class.h"

namespace {

constexpr int kSize = 1000;
constexpr int kBasinFrom = 450, kBasinTo = 549;  // a 100 by 100 box: 10,000 pixels

// A storm field: smooth cells of reflectivity over a transparent background, drawn with the N0Q
// colours of the table (one palette entry per 0.5 dBZ), encoded as the archive sends it.
std::string stormPng() {
  QImage image(kSize, kSize, QImage::Format_Indexed8);
  const QList<QRgb> palette = fw::bench::n0qPalette();
  image.setColorTable(palette);
  for (int y = 0; y < kSize; ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < kSize; ++x) {
      const double dbz = 30 * std::sin(x / 37.0) * std::cos(y / 53.0) + 18 * std::sin((x + y) / 91.0) + 10;
      const int index = static_cast<int>((dbz + 31) * 2);  // the table's 0.5 dBZ steps
      line[x] = dbz < 5 || index < 1 || index >= palette.size() ? 0 : static_cast<uchar>(index);
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, "png").write(image);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

const std::string& thePng() {
  static const std::string bytes = stormPng();
  return bytes;
}

void BM_RadarDecodeClassify(benchmark::State& state) {
  const std::string& png = thePng();
  for (auto _ : state) {
    fw::ImageError error;
    const fw::RadarImage image = fw::RadarImage::fromBytes(png, error);
    const fw::RainClassifier classify(fw::bench::radarTables(), fw::bench::n0qImage());
    double sum = 0;
    int points = 0;
    for (int y = kBasinFrom; y <= kBasinTo; ++y)
      for (int x = kBasinFrom; x <= kBasinTo; ++x) {
        ++points;
        const fw::Argb p = image.pixel(x, y);
        if (p != 0) sum += classify.rate(p);
      }
    benchmark::DoNotOptimize(sum / points);
  }
}

void BM_PlainDecodeAndLoop(benchmark::State& state) {
  const std::string& png = thePng();
  // The lookup the loop reads, made once beforehand: the first table line of each colour.
  std::unordered_map<uint32_t, double> rateOf;
  const auto& rows = fw::bench::radarTables().Level2ZRTable.Rows;
  for (std::size_t i = 3; i < rows.size(); ++i) rateOf.emplace(static_cast<uint32_t>(rows[i].Colour[2]), rows[i].Rate[0]);
  for (auto _ : state) {
    QImage decoded;
    decoded.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()));
    const QImage argb = decoded.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    int points = 0;
    for (int y = kBasinFrom; y <= kBasinTo; ++y) {
      const auto* line = reinterpret_cast<const uint32_t*>(argb.constScanLine(y));
      for (int x = kBasinFrom; x <= kBasinTo; ++x) {
        ++points;
        const uint32_t p = line[x];
        if ((p >> 24) == 0) continue;
        const uint32_t colour = ((p >> 16) & 255) | (p & 0xFF00) | ((p & 255) << 16);
        const auto it = rateOf.find(colour);
        if (it != rateOf.end()) sum += it->second;
      }
    }
    benchmark::DoNotOptimize(sum / points);
  }
}

}  // namespace

BENCHMARK(BM_RadarDecodeClassify)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDecodeAndLoop)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  fw::startImageLayer();  // the application object is made before the clock runs
  benchmark::Initialize(&argc, argv);
  fw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios("BM_PlainDecodeAndLoop", {"BM_RadarDecodeClassify"}, "QImage decode and a plain loop", 1.3);
  benchmark::Shutdown();
  return 0;
}
