#pragma once
// "Runoff.txt", the calibration table of a runoff station: its header and one row per value line,
// numbers in the line-printing form (a blank or "-", no "0" before the point, a blank after).
#include <filesystem>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct RunoffHeader {
  std::string dsid, datatypeName, unit, siteName;
  vb::VbDate runDateTime = 0;
  double baseFlow = 0;
  std::string setup;    // shift1 as written
  std::string formula;  // formula1
  bool curveNumber = true;
  double CNwet = 0, S1wet = 0, CNdry = 0, S1dry = 0, initialAbstraction = 0;
  double ILdry = 0, ILwet = 0;
  bool variableLag = false;
};
// The five header lines, without their line ends.
std::vector<std::string> runoffHeaderLines(const RunoffHeader& h);

struct RunoffRow {
  vb::VbDate date = 0;
  bool curveNumber = true;
  double storage = 0;  // S1, or the initial loss
  double rainfall = 0, loss = 0, excess = 0, rainSum = 0, runoff = 0;
  double soilRecoveryF = 0, etSoilRecovery = 0;
  double soilFlowCFS = 0, gwFlowCFS = 0, totalFlow = 0;
  bool variableLag = false;
  double lag = 0;  // hours
};
// One row, without its line end; the flows are rounded as runoff values (code 30).
std::string runoffRowText(const RunoffRow& r, bool metricUnits, bool canadaSite);

// What a What-If trace of a runoff station varied, for the model run's note: the coefficient's
// caption, a blank and its value in the trace (numbers with a leading blank when not negative).
struct WhatIfNoteValues {
  int16_t coefficient = 0;  // 1 to 13; any other index adds nothing after the caption
  std::string caption;
  bool curveNumber = true;
  bool limitsComputed = false;  // the wet and dry limits were derived by the set-up
  double startSpace = 0;        // CN, or the initial loss (element 1)
  double wet = 0, dry = 0;      // the trace's limits (curve numbers in curve-number mode)
  double constantLoss = 0, imperviousPercent = 0, recovery = 0, soilLoss = 0, groundwaterAdjustment = 0;
  double etFactor = 0, rainMultiplier = 1, groundwaterLoss = 0, shapeFactor = 0, lag = 0;
  bool linear = false;
};
std::string whatIfNote(const WhatIfNoteValues& n);

// The open "Runoff.txt" of a run: written beside the real file and put in its place at its close,
// so a reader never sees half a table and a failed run leaves the last whole one.
class RunoffFile {
 public:
  RunoffFile() = default;
  RunoffFile(const RunoffFile&) = delete;
  RunoffFile& operator=(const RunoffFile&) = delete;
  ~RunoffFile();
  // Closes the one open, then starts `path` afresh. A file that cannot be made raises error 75.
  void open(const std::filesystem::path& path);
  bool isOpen() const { return out_.is_open(); }
  // Writes the line and CR LF; a failed write raises error 75.
  void line(const std::string& text);
  // Puts the written file in place of `path`; nothing when none is open.
  void close();

 private:
  std::filesystem::path path_, temporary_;
  std::ofstream out_;
};

}  // namespace fw
