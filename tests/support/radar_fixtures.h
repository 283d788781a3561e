#pragma once
// Makes the radar fixtures of tests/fixtures/radar/ whose bytes can be made: the images in the
// services' shapes and the two installation tables the program ships in example/. The files are
// committed; the disabled test RadarFixtures.DISABLED_Write writes them again:
//   build/test_radar --gtest_also_run_disabled_tests --gtest_filter=RadarFixtures.DISABLED_Write
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "radar/argb.h"

namespace fw::testing {

std::filesystem::path radarFixture(const std::string& name);

// An 8-bit GIF89a image with a global palette of up to 256 colours (RGB, the alpha byte is not
// used), an optional transparent index (-1 for none) and one palette index per pixel, rows from
// the top. LZW data is written uncompressed: every code a literal, with a clear code often enough
// that codes stay 9 bits wide (Qt can read GIF but not write it).
std::string gifBytes(int width, int height, const std::vector<Argb>& palette, int transparentIndex,
                     const std::vector<uint8_t>& pixels);

// The fixture images, as the services send them:
// a 1000 by 1000 palette PNG with a tRNS chunk (index 0 transparent), the archive's and the
// Ridge2 folders' shape: map colours near the edge, reflectivity blobs;
std::string palettePngFixture();
// a small RGBA PNG, the map service's shape (TRANSPARENT=TRUE): opaque, half and fully
// transparent pixels;
std::string rgbaPngFixture();
// a level-3 GIF with its transparent index 0 (black), the Ridge1 folders' shape, smaller;
std::string level3GifFixture();
// a JPEG of flat colour blocks (reachable only through the file list).
std::string jpegFixture();

// Where the palette fixture's blobs and map colours are: (x, y, ARGB).
struct FixturePixel {
  int x, y;
  Argb argb;
};
const std::vector<FixturePixel>& palettePngPixels();
const std::vector<FixturePixel>& rgbaPngPixels();
const std::vector<FixturePixel>& level3GifPixels();

// The installation tables the program ships, made from the archive's real colour ramps: the
// level-2 table ("Level2RGB.txt": the N0Q ramp's 0.5 dBZ steps to 90 dBZ, then the N0R ramp's
// 5 dBZ steps, with the five Z-R relations' rates, at most the hail cap of 4.09 in/hr) and the A2M rate table ("Level3RGB2RainRateA2m.txt": the
// MRMS a2m ramp, 0.02 mm per index in two minutes).
std::string level2TableFromRamps();
std::string a2mTableFromRamp();

// The rain rate (in/hr) of a reflectivity under Z = a R^b.
double zrRate(double dbz, double a, double b);

// The N0Q ramp's reflectivity at an index (-32 dBZ at index 0, 0.5 dBZ a step).
double n0qRampDbz(int index);

}  // namespace fw::testing
