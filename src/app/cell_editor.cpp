// The station grid's in-cell editor: opening it over a cell, its keys, committing its text,
// the clipboard, the mouse presses and the wheel.
#include <algorithm>
#include <string>

#include "app/rsite_copy.h"
#include "app/session.h"

namespace fw {

namespace {

constexpr int16_t kKeyEnter = 13;
constexpr int16_t kKeyEsc = 27;
constexpr int16_t kKeyUp = 38;
constexpr int16_t kKeyDown = 40;
constexpr int16_t kKeyInsert = 45;
constexpr int16_t kRightButton = 2;
constexpr int kWheelNotch = 120;
constexpr int kRowsPerNotch = 3;

bool editMode(const Session& s) { return s.Form2.MSFlexGrid1.SelectionMode == kSelectionFree; }

void commitCell(Session& s) {
  StationEditor& f = s.Form2;
  if (!f.Text1.Visible) return;
  StationGrid& grid = f.MSFlexGrid1;
  if (grid.Row >= 0 && grid.Row < grid.Rows() && grid.Col >= 0 && grid.Col < grid.Cols())
    grid.TextMatrix(grid.Row, grid.Col) = f.Text1.Text;
  f.Text1.Visible = false;
}

// Text that reaches a cell follows the typing rule: no field separator and no line break.
std::string cellSafe(std::string text) {
  for (char& c : text) {
    if (c == ';') c = ',';
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return text;
}

// Moves to another row as the grid does: the cell left behind is committed first.
void moveRow(Session& s, int16_t row) {
  StationGrid& grid = s.Form2.MSFlexGrid1;
  MSFlexGrid1_LeaveCell(s);
  grid.Row = row;
  grid.RowSel = row;
}

}  // namespace

void GridEdit(Session& s, int16_t keyAscii) {
  StationEditor& f = s.Form2;
  CellEditor& ed = f.Text1;
  if (keyAscii > 32 || keyAscii < 0) {
    ed.Text = std::string(1, static_cast<char>(keyAscii & 0xFF));
    ed.SelStart = 1;
  } else {
    ed.Text = f.MSFlexGrid1.Text();
    ed.SelStart = static_cast<int>(std::min<std::size_t>(ed.Text.size(), 1000));
  }
  ed.SelLength = 0;
  ed.Visible = true;
}

void MSFlexGrid1_KeyPress(Session& s, int16_t keyAscii) {
  if (editMode(s)) GridEdit(s, keyAscii);
}

void MSFlexGrid1_Click(Session& s) {
  if (!editMode(s) || !s.Form2.OutsideCellsClick) return;
  s.CurrentStationRow = s.Form2.MSFlexGrid1.Row;
  GridEdit(s, 32);
}

void MSFlexGrid1_LeaveCell(Session& s) { commitCell(s); }
void MSFlexGrid1_GotFocus(Session& s) { commitCell(s); }
void MSFlexGrid1_Scroll(Session& s) { commitCell(s); }

int16_t Text1_KeyPress(Session&, int16_t keyAscii) {
  if (keyAscii == kKeyEnter) return 0;
  if (keyAscii == ';') return ',';
  return keyAscii;
}

int16_t Text1_KeyDown(Session& s, int16_t keyCode, int shift) {
  StationEditor& f = s.Form2;
  StationGrid& grid = f.MSFlexGrid1;
  f.ListDirty = true;
  try {
    switch (keyCode) {
      case kKeyEsc:
        f.Text1.Visible = false;
        MSFlexGrid1_GotFocus(s);
        return 0;
      case kKeyEnter:
        MSFlexGrid1_GotFocus(s);
        return 0;
      case kKeyDown:
      case kKeyUp: {
        MSFlexGrid1_GotFocus(s);
        s.ui.doEvents();
        if (keyCode == kKeyDown && grid.Row < grid.Rows() - 1) moveRow(s, static_cast<int16_t>(grid.Row + 1));
        if (keyCode == kKeyUp && grid.Row > grid.FixedRows()) moveRow(s, static_cast<int16_t>(grid.Row - 1));
        if (editMode(s)) GridEdit(s, 0);
        return 0;
      }
      case kKeyInsert:
        if (shift == kShiftMask) Text1_Paste(s);
        if (shift == kCtrlMask) Text1_Copy(s);
        return 0;
      default:
        return keyCode;
    }
  } catch (const std::exception&) {
    return 0;  // a key that fails does nothing further
  }
}

void Text1_Paste(Session& s) {
  CellEditor& ed = s.Form2.Text1;
  std::string t;
  if (!s.ui.clipboardText(t)) return;
  t = cellSafe(t);
  if (t.empty()) return;
  const int len = static_cast<int>(ed.Text.size());
  const int start = std::clamp(ed.SelStart, 0, len);
  const int n = std::clamp(ed.SelLength, 0, len - start);
  ed.Text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(n), t);
  ed.SelStart = start;
  ed.SelLength = 0;
}

void Text1_Copy(Session& s) {
  s.ui.setClipboardText("");
  s.ui.doEvents();
  s.ui.setClipboardText(s.Form2.Text1.SelText());
}

void GridWheelMessage(Session& s, int32_t delta) {
  GridWheel& w = s.Wheel;
  w.WheelDelta += delta;
  GridWheelScroll(s, static_cast<int16_t>(w.WheelDelta / kWheelNotch));
  w.WheelDelta %= kWheelNotch;
}

void GridWheelScroll(Session& s, int16_t notches) {
  StationGrid& grid = s.Form2.MSFlexGrid1;
  GridWheel& w = s.Wheel;
  int limit = grid.Rows() - 1;
  if (grid.RowIsVisible(limit)) limit = grid.TopRow + 1;
  // The bar and the keys scroll too: the wheel goes on from where the grid stands.
  if (grid.TopRow >= 1) w.WheelTopRow = grid.TopRow;
  int top = w.WheelTopRow - kRowsPerNotch * notches;
  if (top < 1) top = 1;
  if (top > limit) top = limit;
  w.WheelTopRow = static_cast<int16_t>(top);
  // The grid itself scrolls no further than to show its last page full.
  const int lastTop = std::max(1, grid.Rows() - grid.VisibleRows);
  grid.TopRow = static_cast<int16_t>(std::min(top, lastTop));
}

void MSFlexGrid1_MouseDown(Session& s, int16_t button, float x, float y) {
  StationEditor& f = s.Form2;
  StationGrid& grid = f.MSFlexGrid1;
  s.CurrentStationRow = grid.Row;
  int32_t width = 0;
  for (int c = 0; c < grid.Cols(); ++c)
    if (grid.ColIsVisible(c)) width += grid.ColWidth(c);
  // The grid's minimum row height is 0, so the last test holds for every press below the
  // header's top: every press commits a pending edit, and a click in edit mode opens the editor.
  f.OutsideCellsClick = x < static_cast<float>(grid.ColWidth(0)) || x > static_cast<float>(width) ||
                        y < static_cast<float>(grid.RowHeight(0)) ||
                        y > static_cast<float>(grid.RowHeightMin) * static_cast<float>(grid.Rows());
  if (f.OutsideCellsClick) MSFlexGrid1_LeaveCell(s);

  if (grid.SelectionMode == kSelectionFree && x < static_cast<float>(grid.ColWidth(0)) && button == kRightButton) {
    grid.SelectionMode = kSelectionByRow;
    grid.Row = grid.MouseRow;
    grid.RowSel = grid.MouseRow;
    grid.Col = 0;
    grid.ColSel = static_cast<int16_t>(grid.Cols() - 1);
    if (f.PopupMenu) f.PopupMenu();
    grid.SelectionMode = kSelectionFree;
  } else if (grid.SelectionMode == kSelectionByRow && button == kRightButton) {
    rsiteRightClickCopy(s);
  }
}

}  // namespace fw
