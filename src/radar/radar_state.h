#pragma once
// The radar subsystem's state for the program's lifetime: what lives on between radar lines and
// runs (the site table, the chosen image service, what the last file list and model forecast
// were).
#include <cstdint>
#include <string>

#include "platform/vb/date.h"
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
};

}  // namespace fw
