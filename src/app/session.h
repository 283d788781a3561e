#pragma once
// The program's state, passed by reference to every routine. Each subsystem keeps its part in
// its own state struct; Session joins them, so a routine reads `s.HdbConnString` or `s.BatchMode`
// directly. No mutable globals: two sessions can live side by side in one test.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/date_form.h"
#include "app/error_log.h"
#include "app/graph_window.h"
#include "app/main_form.h"
#include "app/radar_form.h"
#include "app/setup_state.h"
#include "app/startup_state.h"
#include "platform/clock.h"
#include "platform/process/process_runner.h"
#include "platform/ui.h"
#include "radar/colour_tables.h"
#include "radar/radar_state.h"
#include "retrieval/retrieval_state.h"
#include "run/run_state.h"
#include "store/graph_model.h"
#include "store/store_state.h"
#include "wizard/what_if_settings.h"

namespace fw {

struct Session : StoreState, RunState, GraphState, SetupState, ColourTables, RadarState, StartupState,
                 RetrievalState {
  Session(Ui& ui, Clock& clock, std::filesystem::path programFolder);
  // The window handlers are joined to this session: a copy would act on the original.
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Ui& ui;
  Clock& clock;
  std::filesystem::path programFolder;  // FLUMEWRIGHT_HOME, else the current directory
  ErrorLog errlog;
  MainForm form;
  RadarForm Form3;  // the radar window
  WhatIfSettings WhatIf;
  WhatIfRandom WhatIfRng;  // seeded when a What-If run starts
  std::shared_ptr<ProcessRunner> processes = defaultProcessRunner();  // companions, editors, xdg-open; tests record
  GraphWindow GraphWin;  // the graph window's controls beside its chart FrmGraph
  DateDialog DateForm;   // the history run's date-range dialog
  // The view shows the date dialog modally; headless it is only marked visible.
  std::function<void()> onShowDateForm;

  std::filesystem::path inProgramFolder(const std::string& name) const { return programFolder / name; }
};

// The program folder: the folder named by FLUMEWRIGHT_HOME, else the current directory.
std::filesystem::path defaultProgramFolder();

// A message the user must see: a box when interactive; in batch mode nobody can click, so the text
// goes to the error log and the box's default answer is taken.
MsgResult notify(Session& s, const std::string& text, MsgButtons buttons = MsgButtons::OK,
                 MsgIcon icon = MsgIcon::None, const std::string& title = "");

// Opens a file or folder in the program argv names (the user's editor, xdg-open), watching it a
// moment. One that cannot start, or ends at once with a failure ("xdg-open: no method available"),
// is said in the error log and, with the window, in a box, naming the file; false then.
bool openViewer(Session& s, const std::vector<std::string>& argv, const std::string& target);

// Appends a line (and a line end) to the log pane and keeps it scrolled to its end.
void logPaneLine(Session& s, const std::string& text);

}  // namespace fw
