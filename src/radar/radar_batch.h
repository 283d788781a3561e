#pragma once
// The radar batch: for one radar site and product, the images that are new since the basins'
// last update (or those of a history window), downloaded one by one, read over every basin of the
// pass, and the values written out at the end.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;
struct RadarCall;

// The first image time and the minutes looked back in real-time mode, from the last update LU
// (0 when there is none) to the run time: at least the last 8 minutes; from LU plus one interval
// when LU lies less than 300 minutes back; never more than `maxHours` back (for GIF images, other
// than the Canadian ones, 100 minutes then). The start is on the interval grid.
struct RadarLookBack {
  vb::VbDate start = 0;
  double minutes = 0;
};
RadarLookBack radarLookBack(vb::VbDate lastUpdate, vb::VbDate runTime, double intervalMinutes, double maxHours,
                            bool pngOrCanada);

// The UTC time in an image name after its "_20" (yyyymmddhhmm); nothing without one.
std::optional<vb::VbDate> radarNameTime(const std::string& name);

// How the size and signature of a downloaded image are judged.
enum class RadarDownload {
  Image,     // read it
  Missing,   // an error page, a stub or no picture: marked missing, the loop goes on
  TimedOut,  // next to nothing arrived: the loop ends
};
RadarDownload judgeRadarDownload(const std::string& bytes);

// The radar batch over the rows of the call (the calling line first).
void radarrainupdate(Session& s, RadarCall& c);

}  // namespace fw
