#pragma once
// Rain rate from a radar pixel: which colour table an image's pixels are read through, how a
// colour is matched in it, and the rate it gives. Pure functions over ARGB values and the tables.
//
// Which table an image uses follows its kind: the precipitation-total legend for the PTA and N1P
// products; the A2M rate table for A2M images; the level-2 Z-R table for PNG images (the archive's
// site images, the map service's NCQ, NCR and HRR images, the Ridge2 folders) and every N0R image;
// the Canadian legend for Canadian CAPPI images; the level-3 legend for the GIF images of the
// Ridge1 folders.
//
// How a colour is matched:
// - Exact, for the level-2 table, the A2M table and the Canadian legend. The level-2 and A2M
//   tables are supplied with the installation and hold the services' own colour ramps (the
//   archive's N0Q ramp in 0.5 dBZ steps, its N0R ramp in 5 dBZ steps, the MRMS a2m ramp in 0.02 mm
//   steps), whose neighbouring colours are only 1 to 6 units apart: any tolerance would give a
//   pixel its neighbour's class. A fixed-width colour string matches whole fields only.
// - Exact, then the nearest colour within kNearColourTolerance units in every channel, for the
//   level-3 and total legends. Their colours are the 16-level NWS reflectivity scale, which other
//   renderings of the same scale (the archive's N0R images and ramps) draw a few units off
//   (0,236,236 for 4,233,231); the scale's colours lie at least 24 units apart, so a near colour
//   can only be meant for one entry. Greys (black, white, the map's greys) are never matched by
//   nearness: the white of the 75 dBZ class counts only as its exact colour.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "radar/argb.h"
#include "radar/colour_tables.h"

namespace fw {

enum class RainTable { None, TotalsLegend, A2mRates, Level2String, Level2Table, CanadaLegend, Level3Legend };
enum class ColourMatch { Exact, NearestWithin };

inline constexpr int kNearColourTolerance = 8;  // units per channel (0-255)
inline constexpr int kNearColourMinChroma = 40;  // a colour whose channels differ by less is a grey

// What the classification of one image depends on.
struct RainImage {
  int16_t RadarImageMode = 0;  // 0 level-3 GIF, 1 rate-coloured (A2M), 2 level-2 PNG, 3 Canadian files; -1 see below
  std::string Product;         // three-letter product code
  bool CanadaSite = false;
  bool RadarTotalsFlag = false;  // a totals product (PTA, N1P)
  int16_t ZRRelation = 0;        // 0-4, the level-2 rate column
  int16_t CanadaColumn = 0;      // 0 rain (C0R), 1 snow (C0S)
  int Level2Column = 2;          // the level-2 colour column: level2Column()
};

// The level-2 colour column of a product: 0 for NCR, 2 for the others; for images from a file list
// 1, or 0 when the companion colour-column flag is set.
int level2Column(const std::string& product, bool fromFileList, bool firstColumnFlag);

// The image mode the classification uses. The batch marks A2M, NCQ, NCR and HRR lines with mode
// -1 before it knows more; on a reused image list nothing sets it again, and -1 selected no table
// at all (every pixel read as 0). A2M images are rate-coloured (1), the others level-2 (2).
int16_t effectiveImageMode(int16_t mode, const std::string& product);

RainTable rainTableFor(const RainImage& image);
ColourMatch colourMatchFor(RainTable table);

// True when the colour lies within the tolerance of the table colour in every channel and is no grey.
bool nearColour(vb::Color colour, vb::Color tableColour);

// Classifies the pixels of one image. Made once per image (it indexes its table), then asked per
// pixel. Holds copies of what it needs: the tables may change after it is made.
class RainClassifier {
 public:
  RainClassifier(const ColourTables& tables, const RainImage& image);

  RainTable table() const { return table_; }
  ColourMatch match() const { return match_; }

  // The rate of a pixel, in/hr (inches for the totals products); 0 for a transparent pixel and for
  // a colour no table entry stands for.
  double rate(Argb pixel) const {
    if ((pixel >> 24) == 0) return 0;
    const vb::Color colour = ReverseRGB(pixel);
    if (colour == 0) return 0;
    const auto it = exact_.find(colour);
    if (it != exact_.end()) return it->second;
    return match_ == ColourMatch::NearestWithin ? nearestRate(colour) : 0;
  }
  // Whether the colour has a class in the table (a rate of 0 included).
  bool classified(Argb pixel) const;

 private:
  void add(vb::Color colour, double rate);
  double nearestRate(vb::Color colour) const;

  RainTable table_ = RainTable::None;
  ColourMatch match_ = ColourMatch::Exact;
  std::unordered_map<vb::Color, double> exact_;  // the first entry of each colour
  std::vector<std::pair<vb::Color, double>> entries_;  // in table order, for the nearest match
};

}  // namespace fw
