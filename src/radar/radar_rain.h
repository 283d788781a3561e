#pragma once
// Rainfall of one radar image over the basins of a radar pass: each basin's point and boundary
// files, the decode of the image, the classification of its masked pixels, the basin value with
// the line's inversion threshold and adjustment expression, the log line, the window's drawing
// (through the radar hooks) and the collection of the value for the write-out.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/vb/date.h"
#include "radar/basin_stats.h"
#include "radar/pixel_class.h"
#include "radar/radar_pass.h"

namespace fw {

struct Session;

// The point-file name of a basin: "NexradPoint" & site & DSID & suffix; the suffix "K.txt" for
// images from a file list, else for PNG images (imageMode not 0) "Q.txt" for N0Q and PTA, "B.txt"
// for N0B, "R.txt" for the others, ".txt" for GIF images. HRR point files are those of the DSID
// whose leading "11" (or "-11") is "-10".
std::string pointFileName(const std::string& site, const std::string& dsid, const std::string& product,
                          int16_t imageMode, bool fileList);
// The boundary file beside a point file: "NexradPoint" in its name read as "NexradBoundary", the
// file found in the folder whatever the case of its name; empty when there is none.
std::filesystem::path boundaryFileFor(const std::filesystem::path& pointFile);

// The folder of the point, boundary and image files: "Radar Boundary File folder=", else the
// program folder.
std::filesystem::path radarFolder(const Session& s);

struct RadarBasin {
  RadarLineRow row;
  std::filesystem::path pointFile;
  std::optional<PointMask> mask;               // none when its point file could not be read
  std::vector<std::pair<int, int>> outline;
  std::string error;                           // why the point file could not be read
  double depth = 0;                            // the rain summed over the pass, for the log line
  vb::VbDate previousTime = 0;                 // the image before, for the depth
};

// One radar site and product over a run of images.
struct RadarPass {
  std::string site;
  std::string product;
  RainImage rain;              // what the classification depends on (mode, product, tables' columns)
  bool rainProduct = true;
  bool fileList = false;
  double intervalMinutes = 5;
  bool metric = false;
  std::vector<RadarBasin> basins;
  RadarImageSeries series;
  std::string log;             // the log lines of the last image
  std::optional<RainClassifier> classifier;  // made at the first image
};

// Reads the point and boundary files of every basin of the pass from `folder`. A basin whose point
// file is missing or unreadable keeps its error; the others go on.
void loadRadarBasins(RadarPass& pass, const std::vector<RadarLineRow>& rows, const std::filesystem::path& folder);

enum class RadarImageResult {
  Read,        // the basins' values were collected
  NotAnImage,  // the bytes are no image that can be decoded
  Stopped,     // the window asked to stop the image loop
};

// The nowcast shift of an image: the points of the basins whose switch is on move by (x east,
// y south) pixels.
struct RadarShift {
  float x = 0, y = 0;
  const std::vector<bool>* basinSwitch = nullptr;
};

// Reads one image of the pass at its time (local): every basin with a mask gets its value.
RadarImageResult readRadarImage(Session& s, RadarPass& pass, const std::string& bytes, vb::VbDate time,
                                const RadarShift* shift = nullptr);

}  // namespace fw
