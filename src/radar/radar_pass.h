#pragma once
// What one radar pass works over: the radar lines the run gathered for one site and product (one
// row per basin), and the values the images gave per basin, collected for the write-out.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

// One radar line of the pass: one basin.
struct RadarLineRow {
  std::string StationId;    // the line's Station_ID, upper-cased (a leading "RUN" marks a model-run line)
  std::string Dsid;         // Datatype_Site_ID
  std::string Label;        // Site_Name, shown in the log lines
  int16_t DataType = 9;     // 9 total precipitation, 10 rainfall, 32 maximum
  std::string Options;      // the radar options text (upper-cased shift1): nowcast options, legend
  std::string Inversion;    // base/shift field 2: the inversion suppression, in/hr
  std::string Adjustment;   // field 3: the adjustment expression in P1
  bool ModelRun = false;    // its rows also go to the model-run tables
};

// One value of one basin: the image time (local, on the interval grid) and the basin value.
struct RadarSample {
  vb::VbDate Time = 0;
  double Value = 0;
};

// The values of the pass, per basin (index as in the pass's rows), in time order: an image whose
// time is not later than the basin's last one adds nothing.
struct RadarImageSeries {
  std::vector<std::vector<RadarSample>> Basins;
  int32_t ImageCount = 0;  // images that added a value to some basin

  void reset(size_t basins) {
    Basins.assign(basins, {});
    ImageCount = 0;
  }
  // Adds a value unless the basin already holds one at this time or later; true when added.
  bool collect(size_t basin, vb::VbDate time, double value) {
    if (basin >= Basins.size()) Basins.resize(basin + 1);
    auto& b = Basins[basin];
    if (!b.empty() && !(time > b.back().Time)) return false;
    b.push_back({time, value});
    return true;
  }
};

}  // namespace fw
