// The image layer: decoding the services' image kinds to exact ARGB, the bitmap operations, the
// 480 by 480 re-rendering, saving, and the failure texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "platform/vb/textfile.h"
#include "radar/image.h"
#include "support/radar_fixtures.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::radarFixture;
using ::testing::HasSubstr;
using ::testing::StartsWith;

RadarImage decodeFixture(const std::string& name) {
  ImageError error;
  RadarImage image = RadarImage::fromBytes(vb::readAllBytes(radarFixture(name)), error);
  EXPECT_TRUE(error.ok()) << name << ": " << error.text;
  return image;
}

int channelDistance(Argb a, Argb b) {
  int worst = 0;
  for (int shift : {24, 16, 8, 0}) worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return worst;
}

TEST(RadarImageDecode, EveryServiceImageKindReadsAsItsFileHoldsIt) {
  struct Case {
    const char* file;
    int width, height;
    const std::vector<testing::FixturePixel>& pixels;
    int tolerance;  // JPEG is lossy
  };
  const std::vector<testing::FixturePixel> jpegPixels = {
      {8, 8, 0xFFFF0000}, {24, 8, 0xFF00FF00}, {8, 24, 0xFF0000FF}, {24, 24, 0xFFFFFFFF}};
  const std::vector<testing::FixturePixel> gifBackground = {{0, 0, 0}, {59, 54, 0}};
  const Case cases[] = {
      {"palette_trns.png", 1000, 1000, testing::palettePngPixels(), 0},
      {"rgba.png", 40, 30, testing::rgbaPngPixels(), 0},
      {"level3_transparent.gif", 60, 55, testing::level3GifPixels(), 0},
      {"blocks.jpg", 32, 32, jpegPixels, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const RadarImage image = decodeFixture(c.file);
    EXPECT_EQ(image.width(), c.width);
    EXPECT_EQ(image.height(), c.height);
    for (const auto& p : c.pixels) {
      SCOPED_TRACE(::testing::Message() << p.x << "," << p.y);
      if (c.tolerance == 0)
        EXPECT_EQ(image.pixel(p.x, p.y), p.argb);
      else
        EXPECT_LE(channelDistance(image.pixel(p.x, p.y), p.argb), c.tolerance);
    }
  }
  // The palette PNG's tRNS entry and the GIF's transparent index read with alpha 0; a half
  // transparent palette entry keeps its colour (never premultiplied).
  EXPECT_EQ(decodeFixture("palette_trns.png").pixel(500, 500), 0u);
  EXPECT_EQ(argbAlpha(decodeFixture("level3_transparent.gif").pixel(0, 0)), 0);
  EXPECT_EQ(decodeFixture("palette_trns.png").pixel(150, 150), 0x80FD9500u);
}

TEST(RadarImageDecode, APixelOutsideTheImageIsZero) {
  const RadarImage image = decodeFixture("rgba.png");
  for (auto [x, y] : {std::pair{-1, 5}, {5, -1}, {40, 5}, {5, 30}, {100000, 100000}}) EXPECT_EQ(image.pixel(x, y), 0u);
  EXPECT_EQ(RadarImage().pixel(0, 0), 0u);
  EXPECT_TRUE(RadarImage().isNull());
}

TEST(RadarImageDecode, BytesThatAreNoImageSayWhy) {
  for (const std::string& bytes : {std::string(), std::string("<html>Radar down</html>"),
                                   vb::readAllBytes(radarFixture("stub_150.gif"))}) {
    ImageError error;
    const RadarImage image = RadarImage::fromBytes(bytes, error);
    EXPECT_TRUE(image.isNull());
    EXPECT_EQ(error.status, ImageStatus::UnknownImageFormat);
    EXPECT_EQ(error.text, "the data is not a PNG, GIF, JPEG or BMP image");
  }
  ImageError error;
  RadarImage::fromFile("/nonexistent/ESX_N0Q.png", error);
  EXPECT_EQ(error.status, ImageStatus::FileNotFound);
  EXPECT_THAT(error.text, StartsWith("/nonexistent/ESX_N0Q.png: "));
}

TEST(RadarImageDecode, AMissingImagePluginIsSaidNotTakenForABrokenImage) {
  const std::string gif = vb::readAllBytes(radarFixture("level3_transparent.gif"));
  const std::string jpeg = vb::readAllBytes(radarFixture("blocks.jpg"));
  EXPECT_THAT(missingImagePluginText(gif, {"png", "jpeg"}), StartsWith("GIF images cannot be read here: "));
  EXPECT_THAT(missingImagePluginText(jpeg, {"png", "gif"}), StartsWith("JPEG images cannot be read here: "));
  EXPECT_EQ(missingImagePluginText(gif, {"png", "gif"}), "");
  EXPECT_EQ(missingImagePluginText("<html>", {"png"}), "");
  // This machine has both plugins.
  EXPECT_EQ(missingImagePluginText(gif, readableImageFormats()), "");
  EXPECT_EQ(missingImagePluginText(jpeg, readableImageFormats()), "");
}

TEST(RadarImageColours, PackingAndReversing) {
  EXPECT_EQ(OleColorToArgb(0x0000FF, 255), 0xFFFF0000u);
  EXPECT_EQ(OleColorToArgb(0, 255), 0xFF000000u);
  EXPECT_EQ(ReverseRGB(0xFF0000FF), 16711680);
  EXPECT_EQ(ReverseRGB(0x80FD9500), vb::RGB(253, 149, 0));  // alpha dropped
  EXPECT_EQ(MakeArgb(0x12, 0x34, 0x56, 0x78), 0x12345678u);
  EXPECT_EQ(ReverseRGB(OleColorToArgb(vb::RGB(1, 159, 244), 7)), vb::RGB(1, 159, 244));
}

TEST(RadarImageBitmap, BlankRemapAndSourceOver) {
  ImageError error;
  RadarImage canvas = RadarImage::blank(4, 3, kRadarCanvasBackground, error);
  ASSERT_TRUE(error.ok());
  EXPECT_EQ(canvas.pixel(3, 2), kRadarCanvasBackground);
  RadarImage::blank(0, 3, 0, error);
  EXPECT_EQ(error.status, ImageStatus::InvalidParameter);

  RadarImage source = RadarImage::blank(3, 3, 0xFF112233, error);
  source.setPixel(1, 0, 0xFF999966);
  source.setPixel(2, 0, 0x00ABCDEF);  // transparent: leaves what is below
  source.setPixel(0, 1, 0x80FF0000);  // half over the transparent background: copied as it is
  const ColourRemap remap[] = {{0xFF999966, 0xFF000001}};
  canvas.drawRemapped(source, 0, 0, 3, 3, 1, 1, remap);
  EXPECT_EQ(canvas.pixel(0, 0), kRadarCanvasBackground);  // outside the target
  EXPECT_EQ(canvas.pixel(1, 1), 0xFF112233u);
  EXPECT_EQ(canvas.pixel(2, 1), 0xFF000001u);
  EXPECT_EQ(canvas.pixel(3, 1), kRadarCanvasBackground);
  EXPECT_EQ(canvas.pixel(1, 2), 0x80FF0000u);
  EXPECT_EQ(canvas.pixel(3, 2), 0xFF112233u);  // clipped at the canvas edge: row 3 of the source is not drawn

  // Half transparent over opaque: blended.
  RadarImage under = RadarImage::blank(1, 1, 0xFF0000FF, error);
  RadarImage top = RadarImage::blank(1, 1, 0x80FF0000, error);
  under.drawRemapped(top, 0, 0, 1, 1, 0, 0, {});
  EXPECT_LE(channelDistance(under.pixel(0, 0), 0xFF80007F), 1);
}

TEST(RadarImageBitmap, ConvertRadarImageMakesTheCleanCanvas) {
  testing::TempFolder folder;
  const auto png = folder / "ESX_N0Q.png";
  ASSERT_EQ(ConvertRadarImage(vb::readAllBytes(radarFixture("palette_trns.png")), png), "");
  ImageError error;
  const RadarImage out = RadarImage::fromFile(png, error);
  ASSERT_TRUE(error.ok()) << error.text;
  ASSERT_EQ(out.width(), kRadarCanvasSize);
  ASSERT_EQ(out.height(), kRadarCanvasSize);
  EXPECT_EQ(vb::readAllBytes(png).substr(1, 3), "PNG");
  EXPECT_EQ(out.pixel(1, 1), 0xFF02FD02u);      // the first pixel copied
  EXPECT_EQ(out.pixel(478, 478), 0xFFFDF802u);  // the last one
  EXPECT_EQ(out.pixel(110, 110), 0xFFC1BD05u);
  EXPECT_EQ(out.pixel(150, 150), 0x80FD9500u);
  for (int x = 200; x <= 240; x += 10) EXPECT_EQ(out.pixel(x, 200), kRadarCanvasBackground) << x;  // map colours
  EXPECT_EQ(out.pixel(0, 5), kRadarCanvasBackground);    // the outer ring is never copied
  EXPECT_EQ(out.pixel(479, 100), kRadarCanvasBackground);
  EXPECT_EQ(out.pixel(0, 0), kRadarCanvasBackground);
  EXPECT_EQ(out.pixel(300, 300), kRadarCanvasBackground);  // transparent source pixels

  // A level-3 image keeps its "_0.gif" name and is written as PNG all the same; a smaller image
  // leaves the rest of the canvas clear.
  const auto gif = folder / "ESX_N0R_0.gif";
  ASSERT_EQ(ConvertRadarImage(vb::readAllBytes(radarFixture("level3_transparent.gif")), gif), "");
  const RadarImage small = RadarImage::fromFile(gif, error);
  EXPECT_EQ(vb::readAllBytes(gif).substr(1, 3), "PNG");
  EXPECT_EQ(small.pixel(6, 6), 0xFF04E9E7u);
  EXPECT_EQ(small.pixel(100, 100), kRadarCanvasBackground);
}

TEST(RadarImageBitmap, ConvertRadarImageFailures) {
  testing::TempFolder folder;
  EXPECT_EQ(ConvertRadarImage("<HTML>Radar down</HTML>", folder / "a.png"),
            "Gif save error: Could not convert radar download to bit stream.");
  EXPECT_FALSE(std::filesystem::exists(folder / "a.png"));
  EXPECT_THAT(ConvertRadarImage(vb::readAllBytes(radarFixture("rgba.png")), folder / "no_folder" / "a.png"),
              StartsWith("Gif save error: Save as Gif file. " + (folder / "no_folder" / "a.png").string() + ": "));
}

TEST(RadarImageSave, PngForPngNamesAndABitmapForOthers) {
  testing::TempFolder folder;
  const RadarImage image = decodeFixture("rgba.png");
  ASSERT_TRUE(image.save(folder / "LastRadar.PNG").ok());
  ASSERT_TRUE(image.save(folder / "LastRadar.bmp").ok());
  ASSERT_TRUE(image.save(folder / "capture").ok());
  EXPECT_EQ(vb::readAllBytes(folder / "LastRadar.PNG").substr(0, 4), "\x89PNG");
  EXPECT_EQ(vb::readAllBytes(folder / "LastRadar.bmp").substr(0, 2), "BM");
  EXPECT_EQ(vb::readAllBytes(folder / "capture").substr(0, 2), "BM");
  ImageError error;
  EXPECT_EQ(RadarImage::fromFile(folder / "LastRadar.PNG", error).pixel(6, 5), 0x80FF0000u);
  // Only the renamed file is left: no temporary beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3);

  const ImageError failed = image.save(folder / "missing" / "x.png");
  EXPECT_EQ(failed.status, ImageStatus::Win32Error);
  EXPECT_THAT(failed.text, StartsWith((folder / "missing" / "x.png").string() + ": "));
  EXPECT_EQ(RadarImage().save(folder / "y.png").status, ImageStatus::InvalidParameter);
}

TEST(RadarImageSave, EncoderLookupByMime) {
  std::string format = "untouched";
  EXPECT_GE(GetEncoderClsid("IMAGE/PNG", format), 1);
  EXPECT_EQ(format, "png");
  format = "untouched";
  EXPECT_EQ(GetEncoderClsid("image/x-nothing", format), -1);
  EXPECT_EQ(format, "untouched");
}

TEST(RadarImageText, TextIsDrawnInBlackWhereAsked) {
  ImageError error;
  RadarImage canvas = RadarImage::blank(200, 60, 0xFFFFFFFF, error);
  ASSERT_TRUE(DrawGdipText("NNE 25 mph\r\nExpires 12:30", 8, 10, 10, canvas).ok());
  int dark = 0, darkOutside = 0;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      if ((canvas.pixel(x, y) & 0xFFFFFF) > 0x404040) continue;
      ++dark;
      if (x < 10 || y < 10) ++darkOutside;
    }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(darkOutside, 0);
  EXPECT_EQ(canvas.drawText("x", 0, 0, 0).status, ImageStatus::InvalidParameter);
}

}  // namespace
}  // namespace fw
