#pragma once
// What a COMPUTE station line says: the job and table from its station code, the inputs from its
// parameter code, and the settings of its first base/shift/formula triple. Pure text work.
#include <cstdint>
#include <string>
#include <vector>

#include "run/run_services.h"

namespace fw::compute {

enum class ComputeJob { Swmm, Import, Export, Compute };

struct ComputeStation {
  ComputeJob job = ComputeJob::Compute;
  bool exportFlag = false;
  std::string table = "RUNIT";  // RUNIT, RHOUR or RDAY
  std::string modelTable = "mUNIT";
  int32_t stepMinutes = 5;  // unit step of a RUNIT line, minutes
  bool accumulate = false;  // the suffix starts with a number other than 0 on an hourly grid
};

// Job, table, unit step and model-run twin of a station code (upper-cased by the run).
ComputeStation parseComputeStation(const std::string& stationCode);

struct ComputeInput {
  std::string text;       // the element as written, trimmed
  std::string dsid;       // without the LAG suffix; a leading "-" (a computed series) stays
  double lagMinutes = 0;  // minutes added to every stored time
};

struct ComputeInputs {
  std::vector<ComputeInput> inputs;
  bool optionWord = false;  // the list ends with a word: the table goes on to the ET computation
  std::string option;
  bool cloud = false;  // the last input is a cloud-cover series (data type 26 or -26)
};

ComputeInputs parseComputeInputs(const std::string& parameterCode);

// The "LAG" suffix of one element (any case): the DSID before it and the minutes after it.
ComputeInput parseComputeInput(const std::string& element);

// Triple 1 read for a several-input line (ratio and rain-adjust settings) and the flags of the
// formula field.
struct ComputeSettings {
  bool ratio = false;       // value code 101 with a shift of more than one character
  bool rainAdjust = false;  // shift 1 starts with -1
  double gaugeMinimum = 0;  // ratio line
  double defaultRatio = 1;
  double ratioLimit = 3;     // ratio line: the maximum ratio; rain adjust: the minimum ratio
  double rainCap = 0.5;      // rain adjust
  bool maxBelowOne = false;  // ratio line: the maximum given is below 1 (warned)
  bool fill = false;         // "FILL" in formula 1
  bool onOff = false;        // "N" in formula 1
  int32_t lookbackDays = 0;  // "LOOKBACK=" in formula 1 of a HEC-DSS export
};

ComputeSettings parseComputeSettings(int16_t valueCode, const Triple& t1);

}  // namespace fw::compute
