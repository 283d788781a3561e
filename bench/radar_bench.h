#pragma once
// What the radar benchmarks share: the shipped level-2 table, an N0Q image's classification
// inputs, and the N0Q palette of the table (index 0 transparent, one entry per 0.5 dBZ).
#include <QList>
#include <QRgb>

#include <filesystem>

#include "platform/vb/textfile.h"
#include "radar/colour_tables.h"
#include "radar/pixel_class.h"

namespace fw::bench {

inline const fw::ColourTables& radarTables() {
  static const fw::ColourTables t = [] {
    const auto example = std::filesystem::path(FLUMEWRIGHT_SCHEMA).parent_path();
    fw::ColourTables tables;
    tables.Level2ZRTable = fw::parseLevel2RGB(vb::readAllBytes(example / fw::kLevel2RGBFile)).table;
    return tables;
  }();
  return t;
}

inline fw::RainImage n0qImage() {
  fw::RainImage image;
  image.RadarImageMode = 2;
  image.Product = "N0Q";
  image.Level2Column = 2;
  return image;
}

inline QList<QRgb> n0qPalette() {
  const auto& rows = radarTables().Level2ZRTable.Rows;
  QList<QRgb> palette{0x00000000};
  for (std::size_t i = 3; i < rows.size() && palette.size() < 256; ++i)
    palette.push_back(fw::OleColorToArgb(rows[i].Colour[2], 255));
  return palette;
}

}  // namespace fw::bench
