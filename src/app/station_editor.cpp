// The station-list editor window: loading, the two modes, picking lines for the next run and
// the close handling with its save question.
#include "app/station_editor.h"

#include <algorithm>
#include <string>

#include "app/session.h"
#include "app/setup_data.h"
#include "app/setup_file.h"
#include "platform/vb/strings.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

// The count of fields the reader accepts in a station line.
constexpr std::size_t kMinLineFields = 4;
constexpr std::size_t kMaxLineFields = 19;

}  // namespace

std::string CellEditor::SelText() const {
  const int len = static_cast<int>(Text.size());
  const int start = std::clamp(SelStart, 0, len);
  const int n = std::clamp(SelLength, 0, len - start);
  return Text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(n));
}

void Form2_Load(Session& s) {
  StationEditor& f = s.Form2;
  try {
    s.ui.doEvents();
    if (vb::InStr(f.ComboAddNewLine.Text, "Select") == 0) {
      f.ComboAddNewLine.List = DataTypeList();
      f.ComboAddNewLine.Text = "Select datatype_id";
    }
    if (s.GridStale) getstationfile(s);
    f.State = WindowState::Maximized;
  } catch (const std::exception& e) {
    s.ui.msgBox(e.what());
  }
  f.Loaded = true;
}

void unloadStationEditor(Session& s) {
  StationEditor fresh;
  fresh.PopupMenu = std::move(s.Form2.PopupMenu);
  fresh.ShowDropDown = std::move(s.Form2.ShowDropDown);
  s.Form2 = std::move(fresh);
}

void CommandEdit_Click(Session& s) {
  StationEditor& f = s.Form2;
  StationGrid& grid = f.MSFlexGrid1;
  if (grid.SelectionMode == kSelectionFree) {
    f.Text1.Visible = false;
    grid.ForeColor = kPickModeColor;
    grid.SelectionMode = kSelectionByRow;
  } else {
    f.CopiedRow = 0;
    grid.ForeColor = kEditModeColor;
    grid.SelectionMode = kSelectionFree;
    f.State = WindowState::Maximized;
  }
}

MsgResult askSaveQuestion(Session& s) {
  return s.ui.msgBox("Changes will not take affect until you Save them.\r\nDo you wish to Save them?",
                     MsgButtons::YesNo, MsgIcon::Question, "File:  Flumewriight_setup.txt");
}

void MSFlexGrid1_DblClick(Session& s) {
  StationEditor& f = s.Form2;
  StationGrid& grid = f.MSFlexGrid1;
  s.StationRange = {grid.Row, grid.RowSel};
  s.CurrentStationRow = grid.Row;
  if (grid.Row >= 0 && grid.Row < grid.Rows()) {
    s.form.Text3.Text = vb::Trim(grid.TextMatrix(grid.Row, 2));
    s.form.Text6.Text = vb::Trim(grid.TextMatrix(grid.Row, 4));
  }
  s.form.Check1.Value = 1;
  if (f.ListDirty && askSaveQuestion(s) == MsgResult::Yes) {
    // A save that failed keeps the editor open with its edits.
    if (!CommandSave_Click(s)) return;
  }
  f.ListDirty = false;
  f.hide();
}

void CommandOK_Click(Session& s) {
  StationGrid& grid = s.Form2.MSFlexGrid1;
  const int16_t first = grid.Row;
  const int16_t last = grid.RowSel;
  s.CurrentStationRow = first;
  if (first == last) {
    MSFlexGrid1_DblClick(s);
    return;
  }
  s.StationRange = {std::min(first, last), std::max(first, last)};
  s.form.Text6.Text = "Selected range of stations (" +
                      std::to_string(std::max(first, last) - std::min(first, last) + 1) + ")";
  s.form.Check1.Value = 0;
  s.Form2.hide();
}

bool Form2_QueryUnload(Session& s) {
  StationEditor& f = s.Form2;
  if (s.GridStale) return true;
  if (f.ListDirty && askSaveQuestion(s) == MsgResult::Yes) {
    if (!CommandSave_Click(s)) return false;  // the edits stay, and so does the window
  }
  f.ListDirty = false;
  s.form.Check1.Value = 0;
  f.hide();
  unloadWizard(s);
  return false;
}

std::string gridSaveRefusal(const Session& s) {
  const StationEditor& f = s.Form2;
  if (f.ReadStoppedAtLine > 0)
    return std::string(kSetupFileName) + " was read only up to its line " + std::to_string(f.ReadStoppedAtLine) +
           ", which could not be read, so the list was not saved: saving would drop every later line. "
           "Mend that line with \"Edit w/Notepad\".";
  const StationGrid& grid = f.MSFlexGrid1;
  for (int r = 1; r < grid.Rows(); ++r) {
    const std::string line = gridRowLine(s, r);
    if (vb::Trim(line).empty()) continue;
    std::string why;
    const std::size_t fields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ';')) + 1;
    if (line.compare(0, 3, "END") == 0)
      why = "begins with \"END\", which would end the station list there";
    else if (line.find_first_of("\r\n") != std::string::npos)
      why = "holds a line break";
    else if (fields < kMinLineFields)
      why = "has fewer than 4 fields (Station_ID, Datatype_Site_ID, Datatype_Name, Site_Name)";
    else if (fields > kMaxLineFields)
      why = "has more than 19 fields";
    if (!why.empty())
      return "Row " + std::to_string(r) + " of the station list " + why +
             ". The list was not saved, since the line would stop the next reading of " + kSetupFileName + ".";
  }
  return {};
}

}  // namespace fw

namespace fw {

bool Command2_Click(Session& s) {
  // While the tray icon holds the window, the list is not opened from it.
  if (s.TrayHookWindow != 0) return false;
  StationEditor& f = s.Form2;
  // After "Edit w/Notepad" the editor re-reads the file, which a run must not have replaced
  // under it: that first opening waits for the run's end.
  if (s.GridStale && !f.Loaded && s.RunActive) {
    s.ui.msgBox("The station list is read again from " + std::string(kSetupFileName) +
                    " when the run has ended. Open the list again then.",
                MsgButtons::OK, MsgIcon::Information);
    return false;
  }
  s.form.Text3.Text.clear();
  s.form.Text6.Text.clear();
  s.form.Text3.BackColor = kPickedBoxColor;
  s.form.Text6.BackColor = kPickedBoxColor;
  // The setup reader loads the window with its grid; the window's own load fills its lists.
  if (!f.Loaded || f.ComboAddNewLine.List.empty()) Form2_Load(s);
  StationGrid& grid = f.MSFlexGrid1;
  if (s.CurrentStationRow != 0 && s.CurrentStationRow < grid.Rows()) {
    grid.Row = s.CurrentStationRow;
    grid.RowSel = s.CurrentStationRow;
  }
  f.Visible = true;
  f.State = WindowState::Maximized;
  if (s.SetupChanged && !s.RunActive) setupdata(s);
  MSFlexGrid1_GotFocus(s);
  return true;
}

}  // namespace fw
