#include "wizard/wizard_form.h"

#include "app/session.h"

namespace fw {

void setupframes(Session& s) {
  StationGrid& grid = s.Form2.MSFlexGrid1;
  const int16_t row = s.CurrentStationRow == 0 ? int16_t{1} : s.CurrentStationRow;
  if (row < grid.Rows()) grid.Row = row;
  s.WizardLoaded = true;
}

void showWizard(Session& s) {
  if (!s.frmWizard.Loaded) {
    s.frmWizard.Loaded = true;
    setupframes(s);
  }
  notify(s, kWizardMissingText, MsgButtons::OK, MsgIcon::Information);
  s.frmWizard.Visible = false;
}

void unloadWizard(Session& s) {
  s.frmWizard.Visible = false;
  if (s.GridStale) {
    s.frmWizard.Loaded = false;
    s.WizardLoaded = false;
  }
}

}  // namespace fw
