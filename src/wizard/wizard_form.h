#pragma once
// The setup wizard's window as the station-list editor sees it. This version has no wizard pages:
// showing the window says so, and nothing is written to the grid or the site table.
#include <cstdint>

namespace fw {

struct Session;

struct WizardForm {
  bool Loaded = false;
  bool Visible = false;
};

inline constexpr const char* kWizardMissingText = "The setup wizard is not in this version.";

// Takes the editor's current station line (row 1 when none) as the wizard's line and sets
// WizardLoaded.
void setupframes(Session& s);
// Shows the wizard's window, not modal; its first showing runs setupframes.
void showWizard(Session& s);
// The editor's close handling asks the wizard to unload; it only hides while the grid is fresh.
void unloadWizard(Session& s);

}  // namespace fw
