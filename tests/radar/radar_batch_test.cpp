#include <gtest/gtest.h>

#include <string>

#include "platform/vb/date.h"
#include "radar/radar_batch.h"

namespace fw {
namespace {

const vb::VbDate kRun = vb::DateSerial(2024, 6, 5) + vb::TimeSerial(13, 15, 0);
vb::VbDate minutesBefore(double m) {
  return kRun - m / 1440;
}

TEST(RadarBatch, LookBackFromTheLastUpdate) {
  struct Case {
    double lastUpdateMinutesAgo;  // < 0: no last update
    bool png;
    double minutes;
    vb::VbDate start;
  };
  const Case cases[] = {
      {25, true, 25, minutesBefore(20)},    // from the last update plus one interval
      {3, true, 8, minutesBefore(5)},       // at least the last 8 minutes (13:07 + 5 on the grid)
      {600, true, 120, minutesBefore(120)},  // PNG images: at most "Max hours of radar"
      {600, false, 100, minutesBefore(100)}, // GIF images: 100 minutes
      {-1, true, 120, minutesBefore(120)},   // no rupdate row
  };
  for (const Case& c : cases) {
    const vb::VbDate lu = c.lastUpdateMinutesAgo < 0 ? 0 : minutesBefore(c.lastUpdateMinutesAgo);
    const RadarLookBack r = radarLookBack(lu, kRun, 5, 2, c.png);
    EXPECT_EQ(r.minutes, c.minutes) << c.lastUpdateMinutesAgo;
    EXPECT_NEAR(r.start, vb::roundToSecond(c.start), 1e-7) << c.lastUpdateMinutesAgo;
  }
}

TEST(RadarBatch, DownloadsAreJudgedBySizeAndSignature) {
  EXPECT_EQ(judgeRadarDownload("GIF89a" + std::string(144, 'x')), RadarDownload::Image);  // 150 bytes of a GIF
  EXPECT_EQ(judgeRadarDownload("<html>" + std::string(144, 'x')), RadarDownload::Missing);
  EXPECT_EQ(judgeRadarDownload(std::string("\x89PNG\r\n", 6) + std::string(200, 'x')), RadarDownload::Image);
  EXPECT_EQ(judgeRadarDownload("Not Found"), RadarDownload::TimedOut);  // next to nothing
  EXPECT_EQ(judgeRadarDownload(""), RadarDownload::TimedOut);
  EXPECT_EQ(judgeRadarDownload(std::string(50, 'x')), RadarDownload::Missing);
}

TEST(RadarBatch, ImageNamesCarryTheirUtcTime) {
  EXPECT_EQ(radarNameTime("ESX_N0Q_202406051955.png"), vb::DateSerial(2024, 6, 5) + vb::TimeSerial(19, 55, 0));
  EXPECT_FALSE(radarNameTime("ESX_N0Q_latest.png"));
  EXPECT_FALSE(radarNameTime("ESX_N0Q_202413051955.png"));  // month 13
}

}  // namespace
}  // namespace fw
