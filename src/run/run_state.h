#pragma once
// Run state shared by all subsystems: set by the run, read by the store, the computations and the
// windows. Values that live for the program are here; one run's counters belong to RunContext.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

// The alert record of the station line being stored; the writers feed it while they append.
struct FloodAlertTracker {
  int16_t AlertActive = 0;  // series kind of the alert line: 1 DAY, 2 HOUR, 3 UNIT, 4 DAYMAX; 0 none
  double AlertValue = 0;
  double AlertLevel = 0;    // the single level
  int16_t AlertSumCount = 0;  // values to sum; 0 = the last value alone
  std::vector<double> AlertLevels;
  std::vector<std::string> AlertTexts;
  std::vector<vb::VbDate> AlertCrossDates;  // 0 = not crossed
  int16_t AlertNextLevel = 0;
  int16_t AlertLastLevel = 0;  // index of the last level; 0 = no level list
  vb::VbDate AlertFromTime = 0;
};

// The two flags of ModelRunWrite.
struct ModelRunFlags {
  int16_t modelRun = 0;  // write the model-run tables under RunId and TraceNo
  int16_t saveHour = 0;  // with modelRun, write the same series again into the value table
};

struct RunState {
  bool BatchMode = false;
  bool RealtimeMode = true;
  vb::VbDate RunDateTime = 0;
  vb::VbDate RunStartTime = 0;
  std::string LastError;
  bool CanadaSite = false;
  ModelRunFlags ModelRunWrite;
  int16_t RunId = 0;
  int16_t TraceNo = 0;
  bool OverwriteSource5 = false;
  FloodAlertTracker Alert;
  double PeakFlow = 0;
  vb::VbDate PeakFlowTime = 0;
  double RunoffTotals[2] = {0, 0};
  int16_t NoAskFlag = 0;
};

}  // namespace fw
