#pragma once
// The setup wizard's window as data: one station line of the station-list editor, read into the
// boxes of its pages, the page that fits the line shown. Its controls live in one BoxModel, named
// as the window names them; the Qt view in src/gui/wizard_window shows them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/ado.h"
#include "wizard/box_model.h"
#include "wizard/forecast_graph.h"

namespace fw {

struct Session;

// The page frames setupframes hides before it chooses, in the order it hides them.
inline constexpr const char* kPageFrames[] = {"FrameRadar", "FrameSnowmelt", "FrameRunoff", "FrameET",
                                              "FrameSolar", "FrameLong",     "FrameRatio",  "FrameForecast"};

struct WizardForm {
  bool Loaded = false;
  bool Visible = false;
  bool Minimized = false;  // the window state; the page menus size the form only when it is normal
  std::string Caption;
  int Height = 0;          // twips
  int ScaleWidth = 12000;  // inner width, twips
  BoxModel boxes;

  std::string LoadedStationID;     // column 1 of the row, trimmed, case as typed
  int16_t LoadedRow = 0;           // the grid row the wizard was opened on
  std::string LoadedDsid;          // column 2, trimmed, before its first ","
  std::string LoadedDatatypeName;  // column 3, trimmed, upper-cased
  std::string LoadedState;         // two-letter state code; kept from an earlier opening when none
  int16_t FillingPages = 0;        // -1 while setupframes fills the boxes
  std::string RouteFileFolder;     // folder last used to pick a routing or rating file
  bool CnDrivesDry = false;        // the CN rule is writing CN dry: that write leaves CN wet alone

  // The wizard's own database connection, opened on the first rsite write and kept.
  std::unique_ptr<db::AdoConnection> WizardCnn;
  std::unique_ptr<db::AdoRecordset> WizardRs;
  bool WizardDbOpen = false;

  // The forecast page: the plotted series, the last drawing of its graph and the picture's inner
  // size in its own units (pixels), and the edit window "Edit 6-Hour Forecast" loaded.
  ForecastSeries Forecast;
  ForecastPicture Picture;
  double PictureWidth = 520, PictureHeight = 260;
  double EditStart = 0, EditEnd = 0;
};

// Opens the wizard's own connection on the first use (openHDB2 says its own failure). False when
// it is not open.
bool openWizardDb(Session& s);

inline constexpr const char* kUnitGraphPrompt = "Select unit-graph method";

// Which frames a station line shows and how: the choice of setupframes, applied in order, a later
// match overriding the caption and height of an earlier one.
struct PageChoice {
  std::vector<std::string> blocks;   // the pages whose boxes the line fills, in order
  std::vector<std::string> frames;   // shown at the end
  std::vector<std::string> buttons;  // enabled replace buttons
  std::string caption;               // empty: the caption stays
  std::string heightFrame;           // the frame whose height sizes the form; empty: the default
  bool routeHelp = false;            // the routing help page is shown
  int16_t n = 0;                     // the DSID's absolute value the ranges test
};
PageChoice choosePage(const std::string& stationId, const std::string& dsid, const std::string& datatypeUpper,
                      bool metric);

// The three-letter station code the radar site list is searched for, and the state code the row
// gives (`state` keeps its value when the row supplies none).
std::string stationCode(const std::string& stationId, const std::string& siteName, std::string& state);

// The window's first load: lists, the start-conditions date, the pages' first texts and handlers,
// then setupframes. A failing step is said as "Wizard load: " and the error; later steps are skipped.
void wizardFormLoad(Session& s);
// Re-reads the editor's current row (row 1 when none) and fills every page from it.
void setupframes(Session& s);
// The editor's "Wizards": shows the window, not modal; its first showing loads it.
void showWizard(Session& s);
// The window's close (unload modes 0 and 1: the close box or code): only hides while the grid is
// fresh. True when the window may unload.
bool wizardQueryUnload(Session& s, int unloadMode);
// The editor's close handling asks the wizard to unload.
void unloadWizard(Session& s);
// The window's inner width changed: the page frames and the line boxes follow it.
void wizardResize(Session& s, int scaleWidth);
// A page menu: caption, height, the one frame shown.
void showPage(Session& s, const std::string& frame, const std::string& caption);
// The routing help page, its close, the notes file and the routing and rating files.
void listMehtods_Click(Session& s);
void comCloseRouteMethods_Click(Session& s);
void notes_Click(Session& s);
void OpenRouteFile(Session& s, int16_t isRouting);
// The forecast page's history file "forecast<DSID>.txt", read into txtHistoryForecast.
void loadForecastHistory(Session& s, const std::string& dsid);

}  // namespace fw
