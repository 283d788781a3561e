#include "radar/pixel_class.h"

#include <algorithm>
#include <cstdlib>

namespace fw {

int level2Column(const std::string& product, bool fromFileList, bool firstColumnFlag) {
  if (fromFileList) return firstColumnFlag ? 0 : 1;
  return product == "NCR" ? 0 : 2;
}

int16_t effectiveImageMode(int16_t mode, const std::string& product) {
  if (mode != -1) return mode;
  return product == "A2M" ? int16_t{1} : int16_t{2};
}

RainTable rainTableFor(const RainImage& image) {
  if (image.RadarTotalsFlag) return RainTable::TotalsLegend;
  const int16_t mode = effectiveImageMode(image.RadarImageMode, image.Product);
  if (mode != 0) {
    if (mode == 1) return image.Product == "A2M" ? RainTable::A2mRates : RainTable::Level2String;
    if (mode == 2 || image.Product == "N0R") return RainTable::Level2Table;
    return RainTable::None;
  }
  return image.CanadaSite ? RainTable::CanadaLegend : RainTable::Level3Legend;
}

ColourMatch colourMatchFor(RainTable table) {
  return table == RainTable::Level3Legend || table == RainTable::TotalsLegend ? ColourMatch::NearestWithin
                                                                               : ColourMatch::Exact;
}

bool nearColour(vb::Color colour, vb::Color tableColour) {
  const int r = vb::Red(colour), g = vb::Green(colour), b = vb::Blue(colour);
  if (std::max({r, g, b}) - std::min({r, g, b}) < kNearColourMinChroma) return false;
  return std::abs(r - vb::Red(tableColour)) <= kNearColourTolerance &&
         std::abs(g - vb::Green(tableColour)) <= kNearColourTolerance &&
         std::abs(b - vb::Blue(tableColour)) <= kNearColourTolerance;
}

void RainClassifier::add(vb::Color colour, double rate) {
  if (colour == 0) return;  // an empty table line, or the background
  if (exact_.emplace(colour, rate).second) entries_.emplace_back(colour, rate);
}

RainClassifier::RainClassifier(const ColourTables& t, const RainImage& image)
    : table_(rainTableFor(image)), match_(colourMatchFor(table_)) {
  const auto& inUse = t.Level3Legend.RateInUse;
  switch (table_) {
    case RainTable::None:
      break;
    case RainTable::TotalsLegend:
      for (const TotalsLegendEntry& e : kTotalsLegend) add(e.colour, e.value);
      break;
    case RainTable::A2mRates:
      // The lookup begins with the table's fourth line, as RadarColorRate does.
      for (std::size_t i = 3; i < t.A2mRateTable.Colour.size() && i < t.A2mRateTable.Rate.size(); ++i)
        add(t.A2mRateTable.Colour[i], t.A2mRateTable.Rate[i]);
      break;
    case RainTable::Level2String:
      for (int e = 1; e <= kLegendEntries; ++e)
        add(static_cast<vb::Color>(fixedWidthValue(t.Level2ColourStringA, e - 1)),
            inUse[static_cast<std::size_t>(e - 1)]);
      break;
    case RainTable::Level2Table: {
      const bool usable = image.ZRRelation >= 0 && image.ZRRelation < kZRRelations && image.Level2Column >= 0 &&
                          image.Level2Column < 3;
      if (!usable) break;
      const auto& rows = t.Level2ZRTable.Rows;
      for (std::size_t i = 3; i < rows.size(); ++i)
        add(rows[i].Colour[static_cast<std::size_t>(image.Level2Column)],
            rows[i].Rate[static_cast<std::size_t>(image.ZRRelation)]);
      break;
    }
    case RainTable::CanadaLegend: {
      const auto column = static_cast<std::size_t>(image.CanadaColumn == 1 ? 1 : 0);
      for (int e = 1; e <= kLegendEntries; ++e)
        add(t.CanadaLegendTable.Colour[static_cast<std::size_t>(e - 1)],
            t.CanadaLegendTable.Rate[column][static_cast<std::size_t>(e - 1)]);
      break;
    }
    case RainTable::Level3Legend:
      for (std::size_t i = 0; i < static_cast<std::size_t>(kLegendEntries); ++i)
        add(t.Level3Legend.Colour[i], inUse[i]);
      add(vb::RGB(253, 149, 0), inUse[7]);
      break;
  }
}

double RainClassifier::nearestRate(vb::Color colour) const {
  for (const auto& [tableColour, rate] : entries_)
    if (nearColour(colour, tableColour)) return rate;
  return 0;
}

bool RainClassifier::classified(Argb pixel) const {
  if ((pixel >> 24) == 0) return false;
  const vb::Color colour = ReverseRGB(pixel);
  if (colour == 0) return false;
  if (exact_.count(colour) > 0) return true;
  if (match_ != ColourMatch::NearestWithin) return false;
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const auto& entry) { return nearColour(colour, entry.first); });
}

}  // namespace fw
