#pragma once
// The station setup's state for the program's lifetime: the settings of the setup file that are
// not main-window controls, the station list in memory, the site list loaded from table rsite,
// the station-list editor and the built-in tables. Filled by setupdata (built-in tables, then
// the setup file through getstationfile, then getrsite); read by every subsystem.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/station_editor.h"
#include "app/table2d.h"
#include "platform/vb/color.h"
#include "platform/vb/date.h"
#include "platform/vb/variant.h"
#include "wizard/wizard_form.h"

namespace fw {

inline constexpr const char* kSetupFileName = "Flumewright_setup.txt";

// Columns 0 to 20 of StationTable: 1 Station_ID, 2 Datatype_Site_ID, 3 Datatype_Name,
// 4 Site_Name, then base1, shift1, formula1 from column 5 on; column 0 stays empty.
inline constexpr int kStationTableColumns = 21;
// Columns 0 to 7 of SiteList: 1 DSID, 2 data type number, 3 unit (lower case), 4 parameter code, 5 state,
// 6 the number of rsite position 11 (0 when the table has no such column), 7 source; 0 empty.
inline constexpr int kSiteListColumns = 8;

// First and last station line of the next run; first 0 means the whole list.
struct StationRangeT {
  int16_t first = 0;
  int16_t last = 0;
  // The run took the whole list, nobody picked the range: a new read of the setup file makes it
  // the whole list again, so lines added to the file are run too.
  bool wholeList = false;
};

// TrayState values: no icon, icon shown, a tray mouse event in hand, and "do not use the tray".
inline constexpr int16_t kTrayNone = 0;
inline constexpr int16_t kTrayShown = 1;
inline constexpr int16_t kTrayBusy = 2;
inline constexpr int16_t kTrayOff = 99;

struct SetupState {
  // ---- settings of the setup file (the rest fill main-window controls) ----
  // Folders are used as path prefixes as written (they are expected to end with a separator);
  // paths keep their case.
  std::string TablewiseFolder;
  std::string PlotwerksFolder;
  std::string SkyvantorFolder;
  std::string NowcastInfoFolder;
  std::string GageAvgFolder;
  std::string RadarBoundaryFolder;
  std::string MenuPic;          // picture file of the main window
  vb::Color MenuTextColor = 0;  // log-pane text colour with the picture
  int16_t TrayState = kTrayNone;
  std::string AlertAddress;  // alert e-mail recipients, case kept
  std::string AlertAddressCC;
  std::string AlertAddressBCC;
  double AlertStartTime = -1;  // hours after the run start from which alerts count; -1 unset
  bool MetricUnits = false;
  double ShellTimeoutMinutes = 0;
  // Outside models a user installs himself: the HEC-DSS and SWMM engine libraries (empty: the
  // usual library name) and the HEC-HMS and HEC-ResSim programs (empty: the line's command).
  std::string HecDssLibrary;
  std::string SwmmLibrary;
  std::string HecHmsProgram;
  std::string HecResSimProgram;
  // "SQLite Journal=": "WAL" (the default) or "Rollback"; empty when the file gave none.
  std::string SqliteJournal;
  std::optional<vb::VbDate> StartDateSetting;  // "START DATE": the run's time when given
  std::string NowcastTrackFile;                // nowcast track file of the first NEXRAD line (product N0B)
  std::string FolderTag;      // name of the folder holding the program folder, at most 12 characters
  bool SetupChanged = false;  // the connection line was edited; setupdata clears it

  // ---- the station list ----
  Table2D<std::string> StationTable;  // (column, line); line 0 is the header
  int16_t StationCount = -1;          // index of the last station line; -1 when none
  // Station lines the run cannot take as they stand (too few or too many fields), by their index
  // in StationTable: the text the run fails the line with, naming its line in the file.
  std::map<int32_t, std::string> StationLineFaults;
  // What reads of the setup file reported about lines they went on past (unknown keys, values a
  // key cannot take, lines that look like station lines): each once, until the file changes.
  std::set<std::string> SetupReported;
  std::string SetupReportedFor;  // the file's text those reports were made for
  StationRangeT StationRange;
  std::vector<int16_t> LastSavedHour;  // one per setup-file line; the run's model-run save hour

  // ---- the site list (table rsite) ----
  Table2D<vb::Variant> SiteList;  // (column, row); rows 1 to SiteCount
  int16_t SiteCount = 0;

  // ---- the station-list editor ----
  StationEditor Form2;
  int16_t CurrentStationRow = 0;  // the last picked or edited editor row
  bool GridStale = false;         // the grid no longer matches the file; never cleared while running
  GridWheel Wheel;                // the editor grid's wheel state, kept across unloads
  WizardForm frmWizard;           // the setup wizard's window
  bool WizardLoaded = false;      // the wizard holds a station line

  // ---- built-in tables ----
  std::array<double, 25> EtHourFractions{};      // share of a day's value in each hour 0 to 23; 24 is 0
  std::array<double, 14> MonthlyCoefficients{};  // months 1 to 12; 0 and 13 are 0
};

}  // namespace fw
