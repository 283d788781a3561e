#pragma once
// The station-list editor's grid as data: rows of 20 text cells and the widths of the columns.
// Row 0 is the station list's header line and column 0 the fixed left border; row n holds
// station line n, its field i (from 0) in column i + 1. A Qt view shows it and edits it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/color.h"

namespace fw {

inline constexpr int kGridColumns = 20;

// Widths in twips of columns 0 to 19 before a "Column Widths" setting is applied.
inline constexpr std::array<int32_t, kGridColumns> DefaultColumnWidths = {
    250,  1400, 600, 300,  4000, 600, 3500, 3000, 600, 600,
    3000, 600,  600, 3000, 600,  600, 3000, 600,  600, 3000};

// Selection modes: free cell selection while editing, whole rows while picking.
inline constexpr int16_t kSelectionFree = 0;
inline constexpr int16_t kSelectionByRow = 1;
inline constexpr vb::Color kPickModeColor = 0;         // black text
inline constexpr vb::Color kEditModeColor = 16711680;  // blue text

class StationGrid {
 public:
  using GridRow = std::array<std::string, kGridColumns>;

  int Rows() const { return static_cast<int>(rows_.size()); }
  int Cols() const { return kGridColumns; }
  // Grows with empty rows or drops rows from the end; the cells of kept rows stay.
  void setRows(int count);
  void clear() { rows_.clear(); }

  // Cell text; a row or column outside the grid raises "Subscript out of range".
  std::string& TextMatrix(int row, int col);
  const std::string& TextMatrix(int row, int col) const;
  GridRow& row(int r);
  const GridRow& row(int r) const;

  int32_t ColWidth(int col) const;
  void setColWidth(int col, int32_t twips);
  void resetColWidths() { widths_ = DefaultColumnWidths; }

  int16_t Row = 0;  // the current cell
  int16_t Col = 0;
  int16_t TopRow = 0;  // the first scrollable row shown
  int16_t SelectionMode = kSelectionByRow;
  vb::Color ForeColor = kPickModeColor;
  bool Redraw = true;

 private:
  std::vector<GridRow> rows_;
  std::array<int32_t, kGridColumns> widths_ = DefaultColumnWidths;
};

}  // namespace fw
