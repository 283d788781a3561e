#pragma once
// What the radar pass asks of the radar window and the nowcast, answered through the window's
// model (Form3) and the winds aloft. The window part draws into the model's picture and holds the
// pass between images while the user steps; the nowcast part moves the last image with the storm
// motion to make the nowcast images, then damps a weakening storm's nowcast and logs the counts.
// Installed for every run; with the window off (every batch run without the window open) nothing
// is drawn and nothing waits.
#include <string>
#include <vector>

#include "radar/nowcast_adjust.h"
#include "radar/radar_hooks.h"

namespace fw {

// The nowcast options of a radar line's options text: "NOWCAST", "T" and a number (hours),
// "E" and a number (the adjust type), and the winds-aloft station in the last three characters.
struct NowcastOptions {
  bool Asked = false;
  double Hours = 0;
  int16_t AdjustType = 0;
  std::string WindsStation;
};
NowcastOptions parseNowcastOptions(const std::string& options);

// The number of nowcast images: T hours rounded (one less when the last image's minute is 8 to
// 26, at least 1), as images of the interval less one.
int32_t nowcastImageCount(double hours, int lastImageMinute, double intervalMinutes);

class RadarFormHooks : public RadarWindowHooks {
 public:
  explicit RadarFormHooks(Session& s) : s_(s) {}
  bool viewOff(bool batchMode) const override;
  double suppressRate() const override;
  bool continuous() const override;
  void drawImage(Session& s, const RadarImageShown& image) override;
  void drawBasin(Session& s, const RadarBasinShown& basin) override;
  RadarStep waitStep(Session& s) override;
  void nowcastImages(Session& s, RadarNowcastPass& pass) override;
  void nowcastAdjust(Session& s, RadarNowcastPass& pass) override;

  // The counts each row keeps from run to run.
  std::vector<StormCountEntry> StormCounts;

 private:
  Session& s_;  // the session that holds these hooks
  bool waiting_ = false;        // a step wait is running: a nested call must not start another
  bool nowcastMade_ = false;    // this pass made nowcast images after nowcastStart_
  vb::VbDate nowcastStart_ = 0;
  std::vector<NowcastOptions> options_;
};

}  // namespace fw
