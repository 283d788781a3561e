#pragma once
// What the radar pass asks of the radar window and of the nowcast. The pass calls these at fixed
// points (an image decoded, a basin read, between basins, after the last image); every default
// does nothing, so a run without the window (every batch run) and without the nowcast reads its
// images and writes its series alone. The window and the nowcast install their own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/vb/date.h"
#include "radar/radar_pass.h"

namespace fw {

struct Session;
class RadarImage;

// A decoded image about to be read.
struct RadarImageShown {
  const RadarImage* image = nullptr;
  std::string site;
  std::string product;
  std::string imageName;     // site & "_" & product & ".png" (or "_0.gif")
  vb::VbDate time = 0;       // the image time (local)
  int16_t imageMode = 0;     // RadarImageMode of the image's classification
  bool canadian = false;
  bool nowcast = false;      // a nowcast image (the last image read again at shifted points)
  std::string boundaryPath;  // the first basin's outline file (not for HRR)
};

// One basin read from the image: what the window draws over it.
struct RadarBasinShown {
  int basin = 0;                                // index in the pass's rows, from 0
  std::string dsid;
  std::string logText;                          // the basin's log line (the window's caption)
  std::string readout;                          // image name and Format(time, " yyyy-Mmm-dd hh:mm")
  std::vector<std::pair<int, int>> outline;     // the vertices to join, in image pixels
  bool hasMaximum = false;
  int maxX = 0, maxY = 0;                       // the pixel of the maximum, in image pixels
  float shiftX = 0, shiftY = 0;                 // the nowcast shift of the points (east, south)
};

// What the window says after a basin has been drawn.
enum class RadarStep {
  Go,    // go on
  Stop,  // stop the image loop at once (no further images, no error report)
};

// The pass, as the nowcast sees it after the last image was read.
struct RadarNowcastPass {
  std::string site;
  std::string product;
  std::string dsid;              // the line that called the batch
  double intervalMinutes = 5;
  vb::VbDate lastImageTime = 0;  // local
  int32_t imagesRead = 0;
  const std::string* lastImageBytes = nullptr;
  std::vector<RadarLineRow>* rows = nullptr;  // the pass's basins (options text in Options)
  RadarImageSeries* series = nullptr;          // the values collected so far
  // Reads the last image again as the nowcast image of `time`: the points of each basin whose
  // switch is on (index as rows) are shifted by (shiftX east, shiftY south) pixels; the values are
  // collected into `series`.
  std::function<void(vb::VbDate time, float shiftX, float shiftY, const std::vector<bool>& basinSwitch)> readShifted;
  std::string error;             // set when the nowcast failed: it goes to the error log
};

class RadarWindowHooks {
 public:
  virtual ~RadarWindowHooks() = default;

  // Whether the window is off for this image: nothing is drawn and no wait is made. In batch it is
  // off unless the window is shown.
  virtual bool viewOff(bool batchMode) const {
    (void)batchMode;
    return true;
  }
  // The threshold (in/hr) below which the window's suppression button drops rates; 0 = off.
  virtual double suppressRate() const { return 0; }
  // Whether the window runs on without drawing the basins after the first.
  virtual bool continuous() const { return true; }

  // An image was decoded: draw it (centred) with its legend.
  virtual void drawImage(Session& s, const RadarImageShown& image) {
    (void)s;
    (void)image;
  }
  // A basin was read: draw its outline and, when asked, the circle at its maximum.
  virtual void drawBasin(Session& s, const RadarBasinShown& basin) {
    (void)s;
    (void)basin;
  }
  // The step/continue wait after a basin was drawn.
  virtual RadarStep waitStep(Session& s) {
    (void)s;
    return RadarStep::Go;
  }
  // The pass saved its last image (the picture "View Last Radar" shows).
  virtual void imageSaved(Session& s, const std::string& path) {
    (void)s;
    (void)path;
  }

  // The nowcast images after the last image of a pass (storm motion, one image per interval).
  virtual void nowcastImages(Session& s, RadarNowcastPass& pass) {
    (void)s;
    (void)pass;
  }
  // The damping of weakening nowcasts and the storm-count log line, after the nowcast images.
  virtual void nowcastAdjust(Session& s, RadarNowcastPass& pass) {
    (void)s;
    (void)pass;
  }
};

// The hooks the session holds: the do-nothing ones until the window or the nowcast installs its own.
inline std::shared_ptr<RadarWindowHooks> defaultRadarHooks() { return std::make_shared<RadarWindowHooks>(); }

}  // namespace fw
