#pragma once
// The radar subsystem's state for the program's lifetime: what lives on between radar lines and
// runs (the site table, the chosen image service, what the last file list and model forecast
// were).
#include <cstdint>
#include <memory>
#include <string>

#include "platform/vb/date.h"
#include "radar/radar_hooks.h"
#include "radar/radar_sites.h"

namespace fw {

struct RadarState {
  RadarSiteTable RadarSites;    // "RadarSitesMosaics.txt", loaded when a radar line needs it
  std::string RadarServiceUrl;  // base address of the chosen image service; empty when it was down
  // The radar file list: the list file answered last, the flags its last name set, and the days
  // its images cover (the end day is the day after the last image).
  std::string RadarFileListPath;
  bool RadarFileListFlag = false;
  bool RadarRefFileFlag = false;
  int32_t RadarFileFirstDay = 0;
  int32_t RadarFileEndDay = 0;
  vb::VbDate HrrrModelTime = 0;  // the model run (UTC) of the last forecast-reflectivity list
  // The image kind and tables of the radar line in work, set by the run before the radar batch.
  int16_t RadarImageMode = 0;   // 0 level-3 GIF, 1 rate-coloured (A2M), 2 level-2 PNG, 3 Canadian files
  int16_t A2mRateLegend = 0;    // the A2M rate-legend flag (base1 of the line)
  bool RadarCanadaFlag = false;  // a Canadian CAPPI product (C0R, C0S)
  int16_t CanadaColumn = 0;     // 0 rain (C0R), 1 snow (C0S)
  int16_t ZRRelation = 0;       // the level-2 rate column, 0-4
  // The image listing the radar batch fetched last; emptied at the run's start, so that the first
  // radar line fetches a new one.
  std::string RadarImageListText;
  // The radar line before this one (its id cut to 10 characters, and its product), for the
  // new-site test.
  std::string PreviousRadarId;
  std::string PreviousRadarProduct;
  // Downloads of radar images in this program (for the log and the tests).
  int64_t RadarImagesFetched = 0;
  // The radar window and the nowcast, as the radar pass calls them; the do-nothing hooks until
  // they are installed (never null).
  std::shared_ptr<RadarWindowHooks> RadarHooks = defaultRadarHooks();
};

}  // namespace fw
