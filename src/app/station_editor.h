#pragma once
// The station-list editor window as data ("Select Station(s) for Retrieval"). The setup reader
// fills its grid and so loads it, hidden; "Select Station(s)" shows it. Closing hides it, so the
// grid, the mode and unsaved edits survive until the next showing.
#include <cstdint>

#include "app/main_form.h"
#include "app/station_grid.h"

namespace fw {

struct StationEditor {
  bool Loaded = false;
  bool Visible = false;
  WindowState State = WindowState::Normal;
  StationGrid MSFlexGrid1;         // the station grid
  TextBox Text1{"", true, false};  // the in-cell editor, hidden while no cell is edited
  bool ListDirty = false;          // the list or a setting was changed and not saved
  int16_t CopiedRow = 0;           // the row remembered by "Copy Record"; 0 = none

  void hide() { Visible = false; }
};

}  // namespace fw
