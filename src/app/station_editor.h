#pragma once
// The station-list editor window as data ("Select Station(s) for Retrieval"). The setup reader
// fills its grid and so loads it, hidden; "Select Station(s)" shows it. Closing hides it, so the
// grid, the mode and unsaved edits survive until the next showing.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/station_grid.h"
#include "platform/ui.h"

namespace fw {

struct Session;

// The in-cell editor: a text box laid over the current cell, with its caret and selection.
struct CellEditor : TextBox {
  CellEditor() : TextBox{"", true, false} {}
  int SelStart = 0;   // caret position, 0 = before the first character
  int SelLength = 0;  // selected characters after the caret
  std::string SelText() const;
};

// A drop-down list: its entries and the text shown.
struct ComboList {
  std::vector<std::string> List;
  std::string Text;
  bool Visible = true;
};

struct StationEditor {
  bool Loaded = false;
  bool Visible = false;
  WindowState State = WindowState::Normal;
  StationGrid MSFlexGrid1;  // the station grid
  CellEditor Text1;         // the in-cell editor, hidden while no cell is edited
  bool ListDirty = false;   // the list or a setting was changed and not saved
  int16_t CopiedRow = 0;    // the row remembered by "Copy Record"; 0 = none
  bool OutsideCellsClick = false;  // the last press fell outside the data cells
  bool RsiteLaunch = false;        // the next Tablewise start opens the rsite record
  // The setup file line at which the last read stopped on a faulty line (1-based); 0 when it
  // was read whole. A grid read only in part must not be saved over the file.
  int ReadStoppedAtLine = 0;

  // "Add by data type"
  bool Frame1Visible = false;
  ComboList ComboAddNewLine;
  TextBox txtSID{"0"};
  // "Tools"
  ComboList ComboTools{{}, "", false};

  // Set while each companion launcher runs, prompts included, so a second call returns at once.
  bool SkyvantorGuard = false;
  bool PlotwerksGuard = false;
  bool TablewiseGuard = false;

  // Installed by the view: the right-click menu and opening a drop-down list. The item chosen
  // runs before the call returns. Without a view nothing pops up.
  std::function<void()> PopupMenu;
  std::function<void()> ShowDropDown;

  void hide() { Visible = false; }
};

// Mouse-wheel state of the grid; it lives for the whole run, across unloads of the editor.
struct GridWheel {
  int32_t WheelDelta = 0;   // wheel delta not yet whole notches
  int16_t WheelTopRow = 0;  // the top row the wheel last set
};

// The main window's "Select Station(s)": shows the editor at the current station row. False when
// it cannot open now (the list is to be re-read while a run goes on).
inline constexpr vb::Color kPickedBoxColor = 5869787;
bool Command2_Click(Session& s);

// ---- the window, its modes, picking, closing (station_editor.cpp) ----
void Form2_Load(Session& s);
void CommandEdit_Click(Session& s);
void MSFlexGrid1_DblClick(Session& s);
void CommandOK_Click(Session& s);
// Returns true when the window may unload (only once the grid is stale).
bool Form2_QueryUnload(Session& s);
// Drops the grid, the lists and the edits; the wheel state stays.
void unloadStationEditor(Session& s);
// "Changes will not take affect until you Save them." with Yes and No.
MsgResult askSaveQuestion(Session& s);
// Why the grid must not be saved over the setup file; empty when it may.
std::string gridSaveRefusal(const Session& s);

// ---- the in-cell editor (cell_editor.cpp) ----
void GridEdit(Session& s, int16_t keyAscii);
void MSFlexGrid1_KeyPress(Session& s, int16_t keyAscii);
void MSFlexGrid1_Click(Session& s);
// Leaving a cell, getting the focus and scrolling all commit a pending edit.
void MSFlexGrid1_LeaveCell(Session& s);
void MSFlexGrid1_GotFocus(Session& s);
void MSFlexGrid1_Scroll(Session& s);
// Returns the character to insert, 0 when the key is swallowed.
int16_t Text1_KeyPress(Session& s, int16_t keyAscii);
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;
// Returns the key code still to handle, 0 when the key was used here.
int16_t Text1_KeyDown(Session& s, int16_t keyCode, int shift);
void Text1_Paste(Session& s);
void Text1_Copy(Session& s);
// The wheel message: adds the delta and scrolls by the whole notches in it.
void GridWheelMessage(Session& s, int32_t delta);
void GridWheelScroll(Session& s, int16_t notches);
// A mouse press on the grid in twips, MouseRow already set. Button 2 is the right button.
void MSFlexGrid1_MouseDown(Session& s, int16_t button, float x, float y);

// ---- row operations (station_rows.cpp) ----
const std::vector<std::string>& DataTypeList();
void mnuPopupAdd_Click(Session& s);
void mnuPopupAddDSID_Click(Session& s);
void mnuPopupDelete_Click(Session& s);
void mnuPopupCopy_Click(Session& s);
void mnuPopupPaste_Click(Session& s);
void cmdAddNewLine_Click(Session& s);
void cmdCancelNewLine_Click(Session& s);

}  // namespace fw
