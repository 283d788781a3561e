#pragma once
// One run's state (RunContext: made by runstations, dropped at its end) and one station line's
// state (LineState: made afresh for every line). A value that one line hands to the next belongs
// to RunContext, never to LineState.
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/vb/date.h"
#include "run/run_services.h"
#include "run/runoff_output.h"
#include "run/value_loop_state.h"

namespace fw {

struct RunoffState;

// Settings read from the main window once, when the run starts, and held for its length.
struct RunSettings {
  int16_t MissingAllowedPercent = 0;  // Text8: values a day may miss, percent
  double BadValuePercent = 0;         // Text4 divided by 100: a fraction (10% gives 0.1)
  int16_t AllowedBadStations = 0;     // txtAllowedBadStations: bad stations before the run cancels
  int32_t FutureDays = 0;             // Text7: future days to run
  std::string OneStationSdid;         // Text3 while Check1 (one station) is ticked, else empty
  bool DeleteTempFiles = false;       // chkDeleteTMP
};

struct RunContext {
  RunSettings settings;
  int32_t DaysBack = 0;       // days to retrieve; set at start-up and again for every line
  vb::VbDate LastUpdate = 0;  // the updated date of rupdate row 0, read at start-up

  // ---- counts reported at the run's end ----
  int16_t BadStationCount = 0;  // stations ended with an error text without "Warning"
  int16_t WarningCount = 0;     // stations ended with an error text holding "Warning"
  int16_t StationsRun = 0;      // station lines that reached the station set-up
  int32_t MaxUpdatedDays = 0;   // largest day count of any station of the run
  std::string RunErrorText;     // every station error line of the run, each after a CR LF
  int16_t ConditionResult = 0;  // skip result of the last line that reached the condition check
  std::string FinishLine;       // "F I N I S H E D  m:ss"; stays empty on the cancel path
  // For the run's summary line: the station lines walked (not comments, conditions or parameter
  // lines) and those that stored values, by their index in StationTable (a line walked in several
  // passes counts once).
  std::set<int32_t> StationLinesWalked;
  std::set<int32_t> StationLinesStored;
  bool Walked = false;          // the walk over the station list began
  vb::VbDate StartedAt = 0;     // the clock when the run started (RunDateTime may be pinned)
  bool SummaryWritten = false;  // the summary line has been written

  // ---- carried from line to line ----
  int16_t SourceType = 0;  // kept: an id like "08MF005" takes the previous line's type
  int16_t PreviousSourceType = 0;
  // Downloads side by side: the next line not yet looked at for a download to fetch ahead, and
  // the source type of the line before it.
  int32_t AheadNext = 0;
  int16_t AheadType = 0;
  std::string RetrievalText;        // the last download; a retriever may reuse it for the same station
  std::string RetrievalCacheId;     // the station whose download RetrievalText holds
  std::string RetrievalKey;         // what that text was built for, where a retriever names it
  int32_t PreviousLineCount = 0;    // upper line index of the last parsed RetrievalText
  bool InternetFailedCopy = false;  // a weather-station download failed earlier in the run
  bool SnotelStop = false;          // no further snow-telemetry calls this run
  std::string HeldText;             // the forecast model key of the last forecast line
  std::string RequestKey;           // latitude and longitude of the last point-forecast request
  int16_t SnowFollowStep = 0;       // pass of a line kind that is walked several times
  bool RepeatLine = false;          // this pass asked for its line to come again
  std::string SnowmeltParameters;   // parameter list of the snowmelt line whose passes follow
  int16_t PreviousSiteNumber = 0;   // SiteNumber of the last station that reached its end
  int16_t RunAnswer = 0;            // the one answer slot of the run's questions
  std::string IssuedAlerts;         // flood-alert messages of the run
  bool BadValueCheckOn = false;     // "Bad Value Check" for the station in work
  double RadarConnectionStatus = 0;  // -8 once a radar pass found no connection

  // ---- station set-up and options, kept for the whole run ----
  bool RunoffDateChecked = false;     // the first RUNOFF line of the run has been checked
  int32_t RunoffWindowDays = 0;       // the longest runoff window of the run, in days
  vb::VbDate EarliestRunoffUpdate = 0;  // the earliest runoff update date seen in the run
  int32_t EarliestRunoffStart = 0;    // the earliest runoff start day number; 0 = none yet
  bool StartDateReported = false;     // the begin-after-end message has been given this run
  int16_t AlertEmail = 0;             // e-mail setting of the last alert line that asked for one
  // "Runoff.txt" of the last runoff line that asked for it; closed by the run's end.
  std::shared_ptr<RunoffFile> RunoffOut = std::make_shared<RunoffFile>();
  int16_t AlertHighestCount = 0;      // highest crossing count reported in the run
  bool AlertEmailLevel = false;       // a crossing reached the level from which copies are mailed
  std::string AlertLevelWord;         // level text of the highest crossing reported
  bool RunoffCompHandled = false;     // the run's "Runoff Comp" update row has been dealt with
  bool AlertsIssued = false;          // the run's alert text has been issued
  bool LastErrorNoted = false;        // the first shell model line noted the last error in rupdate row 0

  // ---- cleared at the head of every outer pass ----
  int16_t ValueFieldIndex = 0;  // field of the value in RetrievalText lines
  bool UnitWriteFlag = false;   // second series of a two-DSID line: handed to the unit writer
  bool UnitGraphFlag = false;   // set by the unit-graph step of a runoff line
};

// One station line as the run reads it, and what the line's steps work out for it.
struct RunoffState;

// A What-If run of a runoff line lives across its traces: the line's values as opened (with the
// coefficient of the coming trace applied), the trace counter, and what the traces stored.
struct WhatIfTraces {
  bool active = false;
  int32_t counter = 0;                   // traces opened
  int32_t stored = 0;                    // traces whose save stored rows
  int64_t rowsBefore = 0;                // RowsStored when the trace opened
  bool samplePending = false;            // the first trace's Monte Carlo sample, drawn at the start
  double pendingSample = 0;
  std::string rainDsid;                  // the rain series the stochastic storms stand in for
  std::shared_ptr<RunoffState> opened;   // the line's runoff values for the next trace
};

struct LineState {
  int32_t StationIndex = 0;  // its line in StationTable
  std::string StationId;     // Station_ID upper-cased (a SHELL line keeps its command's case)
  std::string Dsid;          // Datatype_Site_ID with every blank removed
  std::string DsidList;      // the same text, kept only when it holds ","
  std::string Datatype_Name;
  std::string Site_Name;
  int16_t SiteNumber = 0;           // Val of the DSID's last three characters
  std::vector<std::string> fields;  // the line's columns as read: fields[1] is Station_ID
  TripleTable Triples;
  std::string StationError;     // empty = no error so far; holding "Warning" = a warning
  bool CloseDirectly = false;   // the line goes straight to the station close: its error is
                                // counted and logged, but not reported as the run's LastError
  int32_t StationDayCount = 0;  // days the station has produced values for
  int32_t LowCountDays = 0;     // days with too few values; not 0 makes the station an error

  // Column k of the line (1 = Station_ID, 5 = base1, ...); "" beyond its last field.
  const std::string& field(int k) const {
    static const std::string empty;
    return k >= 0 && k < static_cast<int>(fields.size()) ? fields[static_cast<size_t>(k)] : empty;
  }

  // ---- set up for the dispatch ----
  std::string ParameterCode;
  std::vector<std::string> ParameterCodes;
  int16_t ParameterCount = -1;
  int16_t DatatypeCode = 0;
  int16_t ValueCode = 0;
  int16_t ValueClass = 0;
  double HourShift = 0;
  int32_t FirstDay = 0;  // whole day numbers of the retrieval window
  int32_t LastDay = 0;
  int32_t WindowDays = 0;
  int32_t SiteRow = 0;
  std::string SiteText;  // column 7 of the site's row
  std::string UnitText;  // column 3 of the site's row
  std::vector<int16_t> ValueColumns;
  // Fields of the daily maximum, daily value and daily minimum of a daily weather retrieval (0 = none).
  std::array<int16_t, 3> DailyColumns{};
  int16_t DateFieldIndex = 1;
  int16_t PrecipKind = 0;
  bool WindDirSeries = false;
  bool WindDegrees = false;
  bool FormulaUsesN = false;
  bool ShellHmsLine = false;
  bool ComputeFlag = false;  // handed to hdbcompute
  bool FillFlag = false;     // set by hdbcompute: "-99" of parameters 2 and up is filled
  bool DailyFlag = false;    // set by hdbcompute: the series a COMPUTE-GET line imported is daily
  int16_t IntervalCode = 0;  // 4 for routing results
  std::string FileName;      // FILE lines: the date layout of the text file (a long base1)

  // ---- station options ----
  bool AlertLine = false;     // Datatype_Name holds ">": the line feeds the flood-alert tracker
  int16_t FormulaCount = 0;   // leading triples whose formula is not empty (0 to 5)
  bool FormulaUsesD = false;  // a field of a counted triple holds "D"
  int16_t FormulaPCount = 0;  // "P" letters in the formula of the last triple holding "N"
  std::string ModelRunText;   // Site_Name and the counted triples, while ModelRunWrite is set
  std::string ShiftAside;     // shift1 set aside for ET and solar lines (a forecast's "Lat,Long")
  double ForecastBase = 0;    // the stored rupdate value a total-precipitation forecast adds onto
  bool DailyFromSource = false;  // history mode, daily values only, weather or snow station
  bool DayLine = false;       // the id holds "-DAY" (not a ratio line): one value per day
  int32_t DaySlots = 0;       // day slots the value loop may fill
  int16_t ValuesPerHour = 12;
  int32_t ValueSlots = 0;     // size of the unit and shift arrays
  bool LongRun = false;       // long window: the per-day log lines are left out
  bool HugeRun = false;       // very long window: the graph display is switched off
  int16_t ParameterTotal = 0;  // parameters of the line: ParameterCount + 1
  // Per parameter, indexes 0 to ParameterCount + 1 (ValueColumns above is the fourth).
  std::vector<int16_t> ParameterNumbers;    // the number after "P"; element 1 is 1
  std::vector<double> ParameterLastValues;  // last value read, for the fill flag
  std::vector<int32_t> ParameterFillCounts;

  // ---- station handler ----
  int16_t StationErrorCount = 0;  // runtime errors raised while the station is processed
  ValueLoopState ValueLoop;  // the value path's loop state (run/value_loop_state.h)

  // ---- the value path ----
  RunoffStorage Storage;
  std::shared_ptr<RunoffState> Runoff;  // a runoff line's model, from its opening on
  std::string WhatIfNote;          // the trace's note in a What-If run
  std::string StartConditionNote;  // "OFF" or "P=" and the starting value
  int32_t WhatIfPass = 0;          // passes of the line through the runoff step
  WhatIfTraces WhatIfRun;          // the line's What-If run across its traces
  // Lines after this one that its radar pass took as its own basins: the walk passes over them.
  int32_t GatheredLines = 0;
  // Out flags of the dispatch.
  bool RetrievalFailed = false;
  bool ComputeCanceled = false;
  bool NothingToParse = false;
  // The text of this line's own failed download ("Internet open fail, ..."), empty when its
  // downloads went through or it made none.
  std::string DownloadError;
};

}  // namespace fw
