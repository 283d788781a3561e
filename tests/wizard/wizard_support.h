#pragma once
// A program folder with a setup file of station lines and a database, read as the program reads
// it, and the wizard opened on one of its lines as the editor's "Wizards" opens it.
#include <string>
#include <vector>

#include "app/editor_tools.h"
#include "app/session.h"
#include "app/setup_file.h"
#include "support/radar_sites_file.h"
#include "support/test_hdb.h"
#include "support/test_session.h"
#include "wizard/wizard_form.h"

namespace fw::testing {

inline std::string setupText(const std::vector<std::string>& stations) {
  std::string text = "Write Dailys= True\r\n";
  text += "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n";
  text += std::string(kStationListHeader) + "\r\n";
  for (const std::string& line : stations) text += line + "\r\n";
  text += "END\r\nnotes kept\r\n";
  return text;
}

struct WizardSession : TestSession {
  std::filesystem::path hdb = makeHdb(folder.path(), "Flumewright_HDB.db");

  explicit WizardSession(const std::vector<std::string>& stations) {
    // A save reads the setup again with the radar tables of the program folder.
    for (const char* table : {"Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
      std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / table,
                                 folder / table);
    writeRadarSites(folder.path());
    writeFile(folder / kSetupFileName, setupText(stations));
    getstationfile(s);
  }
  // The editor's current row, then "Wizards".
  void open(int row) {
    s.CurrentStationRow = static_cast<int16_t>(row);
    cmdWizards_Click(s);
  }
  BoxModel& b() { return s.frmWizard.boxes; }
  const std::string& text(const std::string& id) { return s.frmWizard.boxes.text(id); }
  std::string setupFile() const { return readFile(folder / kSetupFileName); }
  // The setup file as the editor's save writes it.
  std::string savedSetupFile() {
    CommandSave_Click(s);
    return setupFile();
  }
};

}  // namespace fw::testing
