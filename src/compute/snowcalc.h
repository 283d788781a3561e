#pragma once
// The snowmelt computation of a SNOWMELT station line: reads its stored weather series, runs the
// snowpack energy balance step by step and writes "snowin.txt" (the rows the run stores: melt,
// SWE, snow age, albedo) and, when the line asks for it, the diagnostic table "SNOWMELT.txt".
#include <cstdint>
#include <string>

namespace fw {
struct Session;
}

namespace fw::compute {

struct SnowcalcCall {
  std::string parameters;  // the line's shift1: up to eleven scalings
  std::string dsidField;   // the whole DSID field, blanks removed: a label only
  std::string stationId;   // upper-cased; its text after "-" names the table
  std::string inputList;   // the nine input DSIDs, by position
  int32_t beginDay = 0;    // in and out: the days the computation used
  int32_t endDay = 0;
  double gapLimitDays = 0;    // a longer hole in the inputs ends the computation
  bool modelRunRead = false;  // precipitation from the model-run table
  int16_t runId = 0;
  int16_t trace = 0;
  // ---- out ----
  std::string result;  // the text of "snowin.txt" on success
  std::string error;   // empty on success
};

void Snowcalc(Session& s, SnowcalcCall& c);

}  // namespace fw::compute
