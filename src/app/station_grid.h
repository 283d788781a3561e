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
inline constexpr int32_t kDefaultRowHeight = 240;      // twips of one row in the grid's font

class StationGrid {
 public:
  using GridRow = std::array<std::string, kGridColumns>;

  int Rows() const { return static_cast<int>(rows_.size()); }
  int Cols() const { return kGridColumns; }
  int FixedRows() const { return 1; }
  // Grows with empty rows or drops rows from the end; the cells of kept rows stay.
  void setRows(int count);
  void clear() { rows_.clear(); }
  // Appends an empty row at the end.
  void AddItem() { rows_.emplace_back(); }
  // Removes a row; the rows below move up. A row outside the grid raises "Subscript out of range".
  void RemoveItem(int r);

  // Cell text; a row or column outside the grid raises "Subscript out of range".
  std::string& TextMatrix(int row, int col);
  const std::string& TextMatrix(int row, int col) const;
  GridRow& row(int r);
  const GridRow& row(int r) const;
  // The current cell's text, "" when the current cell lies outside the grid.
  std::string Text() const;

  int32_t ColWidth(int col) const;
  void setColWidth(int col, int32_t twips);
  void resetColWidths() { widths_ = DefaultColumnWidths; }
  bool ColIsVisible(int col) const { return ColWidth(col) > 0; }

  int32_t RowHeight(int) const { return kDefaultRowHeight; }
  int32_t RowHeightMin = 0;  // the grid's default: no minimum
  // The fixed row and the rows from TopRow that fit into the view's height.
  bool RowIsVisible(int r) const { return r == 0 || (r >= TopRow && r < TopRow + VisibleRows); }

  int16_t Row = 0;  // the current cell; with a selection, its anchor
  int16_t Col = 0;
  int16_t RowSel = 0;  // the other end of the selection
  int16_t ColSel = 0;
  int16_t MouseRow = 0;  // the row under the last mouse press
  int16_t TopRow = 0;    // the first scrollable row shown
  int VisibleRows = 30;  // scrollable rows the view has room for; the view keeps it current
  int16_t SelectionMode = kSelectionByRow;
  vb::Color ForeColor = kPickModeColor;
  bool Redraw = true;

 private:
  std::vector<GridRow> rows_;
  std::array<int32_t, kGridColumns> widths_ = DefaultColumnWidths;
};

}  // namespace fw
