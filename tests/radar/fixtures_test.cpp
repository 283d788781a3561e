// The radar fixtures that are made rather than recorded, and the installation tables made from the
// real colour ramps.
#include <gtest/gtest.h>

#include "platform/vb/textfile.h"
#include "support/radar_fixtures.h"
#include "support/test_session.h"

namespace fw::testing {
namespace {

std::filesystem::path exampleFile(const std::string& name) {
  return std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / name;
}

// Run by hand (see support/radar_fixtures.h) after changing the generator; the files are committed.
TEST(RadarFixtures, DISABLED_Write) {
  vb::writeAllBytes(radarFixture("palette_trns.png"), palettePngFixture());
  vb::writeAllBytes(radarFixture("rgba.png"), rgbaPngFixture());
  vb::writeAllBytes(radarFixture("level3_transparent.gif"), level3GifFixture());
  vb::writeAllBytes(radarFixture("blocks.jpg"), jpegFixture());
  vb::writeAllBytes(exampleFile("Level2RGB.txt"), level2TableFromRamps());
  vb::writeAllBytes(exampleFile("Level3RGB2RainRateA2m.txt"), a2mTableFromRamp());
}

TEST(RadarFixtures, TheShippedColourTablesAreTheRealRampsColours) {
  EXPECT_EQ(readFile(exampleFile("Level2RGB.txt")), level2TableFromRamps());
  EXPECT_EQ(readFile(exampleFile("Level3RGB2RainRateA2m.txt")), a2mTableFromRamp());
}

}  // namespace
}  // namespace fw::testing
