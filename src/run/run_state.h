#pragma once
// Run state shared by all subsystems: set by the run, read by the store, the computations and the
// windows. Values that live for the program are here (Session inherits RunState); one run's
// counters and the values carried from line to line belong to RunContext (run/run_context.h),
// which lives only while runstations runs.
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "compute/dimensionless_unit_graph.h"
#include "platform/vb/date.h"
#include "run/run_services.h"

namespace fw {

// The alert record of the station line being stored; the writers feed it while they append.
struct FloodAlertTracker {
  int16_t AlertActive = 0;  // series kind of the alert line: 1 DAY, 2 HOUR, 3 UNIT, 4 DAYMAX; 0 none
  double AlertValue = 0;
  double AlertLevel = 0;      // the single level
  int16_t AlertSumCount = 0;  // values to sum; 0 = the last value alone
  std::vector<double> AlertLevels;
  std::vector<std::string> AlertTexts;
  std::vector<vb::VbDate> AlertCrossDates;  // 0 = not crossed
  int16_t AlertNextLevel = 0;
  int16_t AlertLastLevel = 0;  // index of the last level; 0 = no level list
  vb::VbDate AlertFromTime = 0;
  // The values in AlertValue's running sum, newest last (at most AlertSumCount; the writers keep
  // it). Whoever sets AlertValue for a new alert line clears it too.
  std::deque<double> AlertSumWindow;
  std::string AlertPrefix;     // Datatype_Name before its first "-", upper-cased
  std::string AlertTableWord;  // "DAY", "HOUR", "UNIT" or "DAYMAX" as the line wrote it
  std::string AlertSiteName;   // Site_Name of the alert line: the first label of the message
  std::string AlertTimeText;   // the crossing time of the last alert message, then " Level " and its count
};

// The two flags of ModelRunWrite, set per station line from its destination prefix.
struct ModelRunFlags {
  int16_t modelRun = 0;  // the m-table flag: write the model-run tables under RunId and TraceNo
  int16_t saveHour = 0;  // this hour is a save hour of the line; with modelRun the writers write
                         // the same series again into the value table
};

// How the last run ended (the program's exit status reads it).
enum class RunOutcome { None, Finished, Cancelled };

struct RunState {
  // ---- set at the start of every run, read by everyone during it ----------------------------
  vb::VbDate RunDateTime = 0;   // the run's "now": StartDateSetting when given, else the clock
  vb::VbDate RunDay = 0;        // the whole day of RunDateTime
  bool BatchMode = false;       // unattended: no questions; set at start-up for "BATCH", never cleared
  bool RealtimeMode = true;     // set: the last days up to RunDay; clear: the date dialog's window
  bool UnitValues = false;      // per station line: sub-daily values (read by the retrievers)
  bool CanadaSite = false;      // per station line: the site's state is a Canadian province
  std::string SiteState;        // per station line: the site's state, upper-cased (kept for DSID "0")
  bool ExtraDay = false;        // read by the retrievers' real-time window; cleared per line
  int16_t GraphDatatype = 0;    // datatype of the series in the review chart
  std::string GraphUnit;        // their unit: a series of another unit starts a new chart
  bool InternetFailed = false;  // a download failed to open, read or close (set by GetURL)
  // Why a reply of the station line's downloads began but did not arrive whole or within the
  // download limits (set by GetURL, cleared before each line's retrieval); the line fails with it.
  std::string BrokenDownload;
  std::string LastError;        // the last error or warning text; stored in rupdate row 0
  ModelRunFlags ModelRunWrite;
  int16_t RunId = 0;              // run_id of the current model run
  int16_t TraceNo = 0;            // trace of the current model run; kept from line to line while not 0
  bool MrunLine = false;          // the line's id holds "MRUN-"
  double RunoffRainFactor = 1;    // the runoff line's rain factor; scales stored stochastic rain
  std::string ModelRunTime;       // RunDateTime as "yyyy-mm-dd hh:mm" for the model-run bookkeeping
  bool OverwriteSource5 = false;  // "Overwrite Source 5" (Check4), copied at run start
  FloodAlertTracker Alert;
  double PeakFlow = 0;  // largest daily maximum written in the run (the daily maximum writer keeps it)
  vb::VbDate PeakFlowTime = 0;
  double RunoffTotals[2] = {0, 0};  // rain and excess totals of the runoff line in work
  // The runoff set-up tells once while the program runs that it derived a station's limits.
  bool RunoffCnMessageShown = false;
  bool RunoffIlMessageShown = false;
  compute::DgfMemory RunoffDgf;  // the dimensionless unit graph read last
  // Chosen by PARAM condition lines and never cleared while the program runs; hdbrouting picks one
  // entry of a comma list in a routing line by it.
  int16_t ParamSelector = 0;

  // ---- members of the main window that outlive a run -----------------------------------------
  bool BatchScheduled = false;       // a batch run has ended with "Scheduled Batch" ticked
  int32_t BatchInterval = 0;         // minutes between scheduled runs (Text5)
  int32_t BaseBatchInterval = 0;     // the interval set by the first scheduled run; SET lines return to it
  vb::VbDate NextRunTime = 0;        // Timer1_Timer starts a run when the clock reaches it; 0 = none due
  vb::VbDate LastRunStart = 0;       // RunDateTime of the last run started
  int16_t CompactStatus = 0;         // set by the timer's daily compaction: 0 none, 1 done, -1 failed
  bool NoAsks = false;               // "No Asks" was ticked at a run start; the run never clears it
  int16_t AlertIssueLine = 0;        // the last station line whose Datatype_Name holds ">"
  std::string RunLastError;          // LastError at the end of the last run (the tray's Info item)
  std::string HdbSizeText;           // ", HDB size= N MB" after a DAO run; empty over ADO
  std::string CurrentRadarSite;      // three-letter site of the radar line last run
  std::string CurrentRadarProduct;   // its radar product code
  std::string LastAlertText;         // the last flood alert's text (the tray's Info item)
  intptr_t TrayHookWindow = 0;       // non-zero while the tray icon is up for a run
  vb::VbDate ForecastHoldUntil = 0;  // stamp of the last forecast model run
  // The alert e-mail throttle: alerts since the period started (1 to 3 matter; 4 stands for any
  // later one) and the time of the last e-mail sent.
  int16_t EmailCount = 0;
  vb::VbDate LastEmailTime = 0;
  int32_t NowcastHours = 0;          // radar: hours a ratio line extends its ratio into the nowcast
  double NowcastRatio = 0;           // radar: the gauge ratio the last ratio line left for the nowcast

  // ---- the run's own bookkeeping -------------------------------------------------------------
  // Rows the series writers' committed passes have stored since the program started: a line
  // stored values when it grew during the line.
  int64_t RowsStored = 0;
  bool RunActive = false;      // runstations is running: a second run must not start
  bool ExitRequested = false;  // an unscheduled batch run has ended: the program ends
  // Asked from outside (a signal, the window's close): the walk stops before its next line and
  // the run finishes.
  std::atomic<bool> StopRequested{false};
  // The last run's walk ended at such a stop, before the end of its station list. A stop that
  // arrives after the walk (while the run closes) leaves the run finished.
  bool WalkStopped = false;
  RunOutcome LastRunOutcome = RunOutcome::None;
  // The first failure of each kind the exit status tells apart (app/launch.h has the table):
  //   ProgramFault   a write of the program's own work failed (series rows, rupdate row 0);
  //   SetupFault     the setup file could not be used: not read whole, or a START DATE that is
  //                  no date;
  //   DatabaseFault  the database could not be opened.
  std::string ProgramFault;
  std::string SetupFault;
  std::string DatabaseFault;
  // The folder's run lock was held by another program: a run did not start.
  bool FolderBusy = false;
  // The last read of the setup file found nothing it could read (missing, not a regular file,
  // too large, empty, not plain text): no database is known and a batch start runs nothing.
  bool SetupUnread = false;
  // The last read of the setup file found a START DATE that is no date: the run time it asks for
  // is unknown, so no run starts until the file is mended.
  bool StartDateInvalid = false;
  void noteProgramFault(const std::string& text) { noteFirst(ProgramFault, text); }
  void noteSetupFault(const std::string& text) { noteFirst(SetupFault, text); }
  void noteDatabaseFault(const std::string& text) { noteFirst(DatabaseFault, text); }
  static void noteFirst(std::string& slot, const std::string& text) {
    if (slot.empty()) slot = text.empty() ? std::string("failure") : text;
  }

  // The other subsystems the run calls (retrievers, computations, radar, outside models, windows,
  // tray, internet session). Headless stand-ins until the program installs the real ones.
  RunServices services;
};

}  // namespace fw
