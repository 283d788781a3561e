// The setup wizard's frame: its load, the page chosen for the editor's current line, hiding on
// close, sizing, the routing help page, the notes file and the routing and rating files.
#include "wizard/wizard_form.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/session.h"
#include "platform/process/process_runner.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "run/sql_guard.h"
#include "store/connection.h"
#include "wizard/et_page.h"
#include "wizard/forecast_page.h"
#include "wizard/line_parse.h"
#include "wizard/radar_adjust_page.h"
#include "wizard/radar_page.h"
#include "wizard/snowmelt_page.h"
#include "wizard/solar_longwave_page.h"
#include "wizard/runoff_page.h"
#include "wizard/what_if_panel.h"

namespace fw {

namespace {

constexpr int kFormMargin = 900;       // twips the form is taller than its page frame
constexpr int kHelpFormMargin = 1100;  // the routing help page's margin
constexpr int kFrameInset = 200;       // the frames' inset from the form's inner width
constexpr int kLineBoxInset = 400;     // the line boxes' inset from the runoff frame
constexpr vb::Color kYellow = 65535;

// The page frames, their captions, their heights in twips and their replace buttons.
struct PageFrame {
  const char* frame;
  const char* caption;
  int height;
  const char* button;
  const char* menu;
};
constexpr PageFrame kPages[] = {
    {"FrameRadar", "Radar Setup Wizard", 6600, "cmdReplaceRadar", "radar"},
    {"FrameRunoff", "Runoff Setup Wizard", 9000, "cmdReplaceRunoff", "runoff"},
    {"FrameSnowmelt", "Snowmelt Setup Wizard", 7200, "cmdReplaceSnowmelt", "snowmelt"},
    {"FrameET", "Evapotranspiration Setup Wizard", 6000, "cmdReplaceET", "ET"},
    {"FrameLong", "Long Radiation Setup Wizard", 5400, "cmdReplaceLong", "long"},
    {"FrameSolar", "Solar Radiation Setup Wizard", 5400, "cmdReplaceSolar", "solar"},
    {"FrameRatio", "Radar Adjust Setup Wizard", 6000, "", "ratio"},
    {"FrameForecast", "NWS Forecast Setup and Values Edit Wizard", 8400, "cmdReplaceForecast", "forecast"},
};
constexpr int kHelpFrameHeight = 7800;
const char* const kMetricRunoffCaption = "Runoff Setup Wizard, Metric also enter as cfs, sqmi, inches";

const PageFrame& page(const std::string& frame) {
  for (const PageFrame& p : kPages)
    if (frame == p.frame) return p;
  throw vb::Error(vb::err::SubscriptOutOfRange, "no page " + frame);
}

const char* const kStormTypes[] = {"0-Average",      "1-Denver 2-hour",     "2-Dallas 4-hour",
                                   "3-Vegas 5-hour", "4-California 6-hour", "5-User distribution"};

// The line boxes that take the width of the runoff page's Text1.
const char* const kLineBoxes[] = {"Text2",
                                  "Text3",
                                  "Text4",
                                  "Text5",
                                  "txtsetupRadar",
                                  "txtrsiteRadar",
                                  "SText1",
                                  "SText2",
                                  "SText3",
                                  "SText4",
                                  "SText5",
                                  "txtsetupET",
                                  "txtrsiteET",
                                  "txtsetupSolar",
                                  "txtrsiteSolar",
                                  "txtsetupLong",
                                  "txtrsiteLong",
                                  "txtsetupRatio(0)",
                                  "txtsetupRatio(1)",
                                  "txtsetupRatio(2)",
                                  "txtsetupRatio(3)"};

const char* const kRoutingHelp =
    "Routing Methods\r\n"
    "\r\n"
    "A ROUTE station line names the routing file in table rsite:\r\n"
    "ROUTE-unit; 1806; Flow; My Routed Flow\r\n"
    "\r\n"
    "and its rsite row holds the routing file's name as its inputs, with source ROUTE:\r\n"
    "806; 1806; My Routed Flow; 1; flow; cfs; cfs; Route_myflow.txt; ROUTE; 8; TN\r\n"
    "\r\n"
    "A routing file, one command a line:\r\n"
    "Your single Title Line Here is a must.\r\n"
    "GET 4 30752 Upper sub Praire Cr\r\n"
    "     4 unit values, 3 hour, 2 day, but the Flumewright_setup file overrides\r\n"
    "COMBINE\r\n"
    "SUBTRACT  0 or 1\r\n"
    "     subtracts the current two hydrographs, 1 reverses the order\r\n"
    "ADD -2.5\r\n"
    "     reduce the current hydrograph by 2.5 cfs\r\n"
    "RELEASE 120\r\n"
    "     a scheduled 120 cfs release added to the next Modpul rating\r\n"
    "ROUTE Modpul Steephill.RAT 3\r\n"
    "     2 or more for cascading Modpul, -1 for optimized cascades rating, or 0.01 to 1.99 for an easy "
    "storage adjust\r\n"
    "ROUTE Modpul 3777 LakeMead.Rat\r\n"
    "     an optional DSID for writing elevations\r\n"
    "ROUTE Modpul LakeMead.Rat -2 0.75\r\n"
    "     include a daily evaporation series times 0.75\r\n"
    "ROUTE Tatum 2.5\r\n"
    "     travel time in hours\r\n"
    "ROUTE Muskingum 2 0.25 3\r\n"
    "     lag K in hours, X = 0.25, 3 cascades\r\n"
    "DIVERSION 1888 CulvertDiversionAt56thSt.RAT\r\n"
    "     DSID 0 does not save the diversion\r\n"
    "PUT -1402\r\n"
    "     change the output DSID\r\n"
    "END\r\n"
    "     (Any notes after the END command will be ignored)\r\n";

bool contains(const std::string& text, const char* what) {
  return vb::InStr(text, what) > 0;
}

// The DSID's absolute value as the page ranges test it: 0 when it is no 16-bit number.
int16_t rangeNumber(const std::string& dsid) {
  try {
    return static_cast<int16_t>(std::abs(vb::CInt(vb::Val(dsid))));
  } catch (const vb::Error&) {
    return 0;
  }
}

std::string shortDate(vb::VbDate d) {
  return vb::Format(d, "m/d/yyyy");
}

void startConditionsDate(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const double today = std::floor(s.clock.now());
  if (s.RealtimeMode) {
    const double days = vb::Round(vb::Val(s.form.Text2.Text) + 1);
    b["txtCondtionsDate"].Text = shortDate(today - days);
  } else {
    // Normally the day before the history run starts.
    const std::optional<vb::VbDate> begin = vb::parseDate(s.form.TextBegindate.Text);
    b["txtCondtionsDate"].Text = shortDate(std::floor(begin ? *begin : today) - 1);
  }
}

void registerFrame(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  b.beep = [&s] { s.ui.beep(); };
  for (const PageFrame& p : kPages) {
    b[p.frame].Height = p.height;
    b[p.frame].Visible = false;
    b[p.frame].Caption = p.caption;
    if (*p.button != '\0') b[p.button].Enabled = false;
    const std::string frame = p.frame, caption = p.caption;
    if (frame == "FrameRunoff") continue;  // the runoff page has its own menu handler
    b.onClick(p.menu, [&s, frame, caption] { showPage(s, frame, caption); });
  }
  b["FrameListMethods"].Height = kHelpFrameHeight;
  b["FrameListMethods"].Visible = false;
  b["txtListMethods"].Text = kRoutingHelp;
  b.onClick("listMehtods", [&s] { listMehtods_Click(s); });
  b.onClick("comCloseRouteMethods", [&s] { comCloseRouteMethods_Click(s); });
  b.onClick("notes", [&s] { notes_Click(s); });
  b.onClick("openRoutingfile", [&s] { OpenRouteFile(s, 1); });
  b.onClick("openModpul", [&s] { OpenRouteFile(s, 0); });
  b.onClick("openDiversion", [&s] { OpenRouteFile(s, 0); });
}

// The editor row's cells, index i for field i; empty when the row is not in the grid.
LineFields rowFields(const StationGrid& grid, int row) {
  LineFields f(kGridColumns);
  if (row < 1 || row >= grid.Rows()) return f;
  for (int c = 1; c < kGridColumns; ++c) f[static_cast<std::size_t>(c)] = grid.TextMatrix(row, c);
  return f;
}

void fillPage(Session& s, const std::string& frame, const LineFields& f, const std::string& dsid) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  if (frame == "FrameRadar") {
    parseRadarPage(b, f, dsid);
  } else if (frame == "FrameRunoff") {
    parseRunoffPage(b, f, dsid);
    // Only the rebuild: the site rule would turn the line's own DSID into the -30xxx default.
    steps({[&] { rebuildRunoffPage(s); },
           [&] { b.setText("ComboDimgraph", f[9].empty() ? std::string(kUnitGraphMethods[0]) : f[9]); },
           [&] { ComboDimgraph_Click(s); }});
  } else if (frame == "FrameSnowmelt") {
    parseSnowmeltPage(b, f);
    b["FrameRunoff"].Visible = false;
    b["FrameSnowmelt"].Visible = true;
  } else if (frame == "FrameET") {
    parseEtPage(b, f, dsid, w.LoadedStationID, w.LoadedDatatypeName);
  } else if (frame == "FrameLong") {
    parseLongPage(b, f, dsid, w.LoadedStationID);
  } else if (frame == "FrameSolar") {
    parseSolarPage(b, f, dsid, w.LoadedStationID);
  } else if (frame == "FrameRatio") {
    parseRatioPage(b, f, dsid);
  } else if (frame == "FrameForecast") {
    b["Picture1"].Text.clear();
    parseForecastPage(b, f, dsid, w.LoadedStationID);
    loadForecastHistory(s, dsid);
  }
}

}  // namespace

PageChoice choosePage(const std::string& stationId, const std::string& dsid, const std::string& datatypeUpper,
                      bool metric) {
  PageChoice c;
  c.n = rangeNumber(dsid);
  const int n = c.n;
  const std::string upper = vb::UCase(stationId);
  const bool snowmelt = contains(upper, "SNOWMELT");
  auto match = [&](const char* frame, const std::string& caption) {
    const PageFrame& p = page(frame);
    c.blocks.push_back(frame);
    c.frames.push_back(frame);
    if (*p.button != '\0') c.buttons.push_back(p.button);
    c.caption = caption;
    c.heightFrame = frame;
  };
  if (n > 9999 && n < 11000 && !snowmelt) match("FrameRadar", page("FrameRadar").caption);
  if (n >= 30000 && n < 31000)
    match("FrameRunoff", metric ? kMetricRunoffCaption : page("FrameRunoff").caption);
  if (snowmelt) {
    match("FrameSnowmelt", page("FrameSnowmelt").caption);
    std::erase(c.frames, std::string("FrameRunoff"));
  }
  if (n >= 27000 && n < 28000) match("FrameET", page("FrameET").caption);
  if (n > 28999 && n < 30000) {
    if (contains(datatypeUpper, "LONG"))
      match("FrameLong", page("FrameLong").caption);
    else
      match("FrameSolar", page("FrameSolar").caption);
  }
  if (n >= 31000 && n < 32000 && !snowmelt) match("FrameRatio", page("FrameRatio").caption);
  if (n > 9999 && n < 12000 && contains(stationId, "FORECAST"))
    match("FrameForecast", page("FrameForecast").caption);
  c.routeHelp = contains(upper, "ROUTE");
  return c;
}

std::string stationCode(const std::string& stationId, const std::string& siteName, std::string& state) {
  const int comma = vb::InStr(siteName, ", ");
  if (comma > 0) state = vb::UCase(vb::Mid(siteName, comma + 2, 2));
  std::string w = vb::UCase(stationId);
  if (!contains(w, "NEXRAD")) {
    if (vb::Left(w, 1) == "K") state = vb::Mid(w, 2, 2);
    if (!state.empty()) w = "-" + state;
  }
  const int dash = vb::InStr(w, "-");
  return dash > 0 ? vb::Mid(w, dash + 1, 3) : vb::Left(w, 3);
}

void wizardFormLoad(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  try {
    registerFrame(s);
    runoffPageLoad(s);
    whatIfPanelLoad(s);
    radarPageLoad(s);
    snowmeltPageLoad(s);
    etPageLoad(s);
    solarLongwavePagesLoad(s);
    radarAdjustPageLoad(s);
    forecastPageLoad(s);
    b["ComboDimgraph"].List.assign(kUnitGraphMethods.begin(), kUnitGraphMethods.end());
    b["ComboDimgraph"].Text = kUnitGraphPrompt;
    b["ComboForecast"].List.assign(std::begin(kStormTypes), std::end(kStormTypes));
    b["ComboForecast"].Text = "Select Storm Type";
    startConditionsDate(s);
    setupframes(s);
  } catch (const std::exception& e) {
    const auto* vbe = dynamic_cast<const vb::Error*>(&e);
    notify(s, "Wizard load: " + (vbe ? vbe->description() : std::string(e.what())));
  }
}

void setupframes(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  StationGrid& grid = s.Form2.MSFlexGrid1;
  LineFields f(kGridColumns);
  std::string dsid, siteName;
  steps({
      [&] {
        b["frameWhatIf"].Visible = false;
        s.WizardLoaded = true;
        w.FillingPages = -1;
      },
      [&] {
        for (const char* frame : kPageFrames) b[frame].Visible = false;
      },
      [&] {
        if (s.CurrentStationRow == 0) s.CurrentStationRow = 1;
        grid.Row = s.CurrentStationRow;
      },
      [&] {
        f = rowFields(grid, grid.Row);
        w.LoadedStationID = vb::Trim(f[1]);
        w.LoadedRow = grid.Row;
        dsid = pageDsid(f);
        w.LoadedDsid = dsid;
        w.LoadedDatatypeName = vb::UCase(vb::Trim(f[3]));
        siteName = vb::Trim(f[4]);
      },
      [&] { siteNameFills(b, siteName); },
  });
  // Put and get lines have no page; the boxes keep what they show.
  if (contains(vb::LCase(w.LoadedStationID), "-put") || contains(vb::LCase(w.LoadedStationID), "-get")) {
    w.FillingPages = 0;
    return;
  }
  PageChoice choice;
  steps({
      [&] { choice = choosePage(w.LoadedStationID, dsid, w.LoadedDatatypeName, s.MetricUnits != 0); },
      [&] {
        const std::string code = stationCode(w.LoadedStationID, siteName, w.LoadedState);
        const std::vector<std::string>& sites = b["ComboSites(0)"].List;
        for (std::size_t i = 0; i < sites.size(); ++i)
          if (contains(sites[i], code.c_str())) {
            b.setListIndex("ComboSites(0)", static_cast<int>(i));
            break;
          }
      },
      [&] { commonFills(b, dsid); },
      [&] { w.Height = b["FrameRadar"].Height + kFormMargin; },
  });
  for (const std::string& frame : choice.blocks) {
    steps({
        [&] {
          const PageFrame& p = page(frame);
          w.Caption = frame == "FrameRunoff" && s.MetricUnits != 0 ? kMetricRunoffCaption : p.caption;
          w.Height = b[frame].Height + kFormMargin;
          b[frame].Visible = true;
          if (*p.button != '\0') b[p.button].Enabled = true;
        },
        [&] { fillPage(s, frame, f, dsid); },
    });
  }
  // The snowmelt page shows alone over a runoff range.
  for (const char* frame : kPageFrames)
    b[frame].Visible = std::find(choice.frames.begin(), choice.frames.end(), frame) != choice.frames.end();
  if (choice.routeHelp) steps({[&] { listMehtods_Click(s); }});
  w.FillingPages = 0;
}

void showWizard(Session& s) {
  WizardForm& w = s.frmWizard;
  if (!w.Loaded) {
    w.Loaded = true;
    wizardFormLoad(s);
  }
  w.Visible = true;
}

bool wizardQueryUnload(Session& s, int unloadMode) {
  WizardForm& w = s.frmWizard;
  if (unloadMode != 0 && unloadMode != 1) return true;
  w.Visible = false;
  s.WizardLoaded = true;
  for (const char* id : {"txtSource", "txttime", "txtForRain", "txtEditRain"}) w.boxes[id].Text.clear();
  return s.GridStale;
}

void unloadWizard(Session& s) {
  if (!s.frmWizard.Loaded) return;
  if (wizardQueryUnload(s, 1)) s.frmWizard = WizardForm{};
}

void wizardResize(Session& s, int scaleWidth) {
  WizardForm& w = s.frmWizard;
  if (w.Minimized) return;
  BoxModel& b = w.boxes;
  w.ScaleWidth = scaleWidth;
  const int frameWidth = scaleWidth - kFrameInset;
  const int lineWidth = frameWidth - kLineBoxInset;
  b["FrameRunoff"].Width = frameWidth;
  b["Text1"].Width = lineWidth;
  for (const char* frame :
       {"FrameRadar", "FrameSnowmelt", "FrameET", "FrameSolar", "FrameLong", "FrameRatio"})
    b[frame].Width = frameWidth;
  for (const char* id : kLineBoxes) b[id].Width = lineWidth;
}

void showPage(Session& s, const std::string& frame, const std::string& caption) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  w.Caption = caption;
  if (!w.Minimized) w.Height = b[frame].Height + kFormMargin;
  for (const char* other : kPageFrames) b[other].Visible = frame == other;
}

void listMehtods_Click(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  for (const char* frame : kPageFrames) b[frame].Visible = false;
  w.Height = b["FrameListMethods"].Height + kHelpFormMargin;
  b["FrameListMethods"].Visible = true;
}

void comCloseRouteMethods_Click(Session& s) {
  s.frmWizard.boxes["FrameListMethods"].Visible = false;
}

void notes_Click(Session& s) {
  const std::string file = s.inProgramFolder("Flumewright_notes.txt").string();
  openViewer(s, textEditorCommand(file), file);  // says its own failure
}

void OpenRouteFile(Session& s, int16_t isRouting) {
  WizardForm& w = s.frmWizard;
  if (w.RouteFileFolder.empty()) w.RouteFileFolder = s.programFolder.string();
  FileDialogRequest request;
  request.initialFolder = w.RouteFileFolder;
  request.filters =
      parseFileFilter(isRouting == 1 ? "Routing files (*rout*.txt)|*rout*.txt|All files (*.*)|*.*|"
                                     : "Modpul Rat files (*.rat)|*.rat|All files (*.*)|*.*|");
  const std::optional<std::string> file = s.ui.fileDialog(request);
  if (!file || file->empty()) return;
  w.RouteFileFolder = std::filesystem::path(*file).parent_path().string() + "/";
  openViewer(s, textEditorCommand(*file), *file);
}

bool openWizardDb(Session& s) {
  WizardForm& w = s.frmWizard;
  if (w.WizardDbOpen) return true;
  auto cnn = std::make_unique<db::AdoConnection>();
  auto rs = std::make_unique<db::AdoRecordset>();
  std::string connString = s.HdbConnString;
  openHDB2(s, connString, *cnn, *rs, 1);  // says its own failure
  if (cnn->State() == db::adStateClosed) return false;
  w.WizardCnn = std::move(cnn);
  w.WizardRs = std::move(rs);
  w.WizardDbOpen = true;
  return true;
}

void loadForecastHistory(Session& s, const std::string& dsid) {
  BoxModel& b = s.frmWizard.boxes;
  b["txtHistoryForecast"].BackColor = Box::kWindowColor;
  b.setText("txtHistoryForecast", "");
  b["LabelForecast(17)"].Caption.clear();
  // The DSID names a file in the program folder: only a whole number may.
  if (!isIntegerDsid(dsid)) return;
  const auto path = s.inProgramFolder("forecast" + dsid + ".txt");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return;
  b.setText("txtHistoryForecast", vb::readAllBytes(path));
  b["txtHistoryForecast"].BackColor = kYellow;
}

}  // namespace fw
