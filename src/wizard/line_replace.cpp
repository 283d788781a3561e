#include "wizard/line_replace.h"

#include "app/session.h"
#include "app/setup_file.h"
#include "platform/vb/strings.h"
#include "wizard/line_parse.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int kBase2Column = 8;

// Why the wizard's row may not take the line; empty when it may.
std::string rowRefusal(const Session& s) {
  const WizardForm& w = s.frmWizard;
  const StationGrid& grid = s.Form2.MSFlexGrid1;
  const std::string opened =
      "row " + std::to_string(w.LoadedRow) + " (" + w.LoadedStationID + "; " + w.LoadedDsid + ")";
  if (w.LoadedRow < 1 || w.LoadedRow >= grid.Rows())
    return "The station list no longer has the wizard's " + opened + ", so the line was not written.";
  LineFields f(kGridColumns);
  for (int c = 1; c < kGridColumns; ++c) f[static_cast<std::size_t>(c)] = grid.TextMatrix(w.LoadedRow, c);
  if (vb::Trim(f[1]) != w.LoadedStationID || pageDsid(f) != w.LoadedDsid)
    return "The station list was changed since the wizard opened on " + opened + ": that row now holds " +
           vb::Trim(f[1]) + "; " + pageDsid(f) +
           ", so the line was not written. Open the wizard again on the line to change.";
  return {};
}

}  // namespace

bool ReplaceSetupLine(Session& s, const std::string& line) {
  if (std::string why = rowRefusal(s); !why.empty()) {
    notify(s, why, MsgButtons::OK, MsgIcon::Exclamation, "Setup Wizard");
    return false;
  }
  WizardForm& w = s.frmWizard;
  StationGrid& grid = s.Form2.MSFlexGrid1;
  grid.Row = w.LoadedRow;
  grid.TextMatrix(w.LoadedRow, kBase2Column).clear();
  const std::vector<std::string> fields = vb::Split(line, ";");
  for (std::size_t i = 0; i < fields.size() && i + 1 < static_cast<std::size_t>(kGridColumns); ++i)
    grid.TextMatrix(w.LoadedRow, static_cast<int>(i + 1)) = vb::Trim(fields[i]);
  s.Form2.ListDirty = true;
  s.ui.doEvents();
  w.Visible = false;
  if (!CommandSave_Click(s)) {
    // The old file stays and so do the editor's rows; the wizard stays to try again.
    w.Visible = true;
    return false;
  }
  s.ui.doEvents();
  if (wizardQueryUnload(s, 1)) w.Loaded = false;
  return true;
}

}  // namespace fw
