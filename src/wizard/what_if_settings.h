#pragma once
// The what-if record: set up in the wizard's What-If panel, read by the next run, the series
// reader, the hourly writer, the Monte Carlo sampler and the stochastic rain generator.
// Booleans are VB Booleans: 0 or -1.
#include <cstdint>
#include <map>
#include <random>
#include <string>

#include "platform/vb/date.h"

namespace fw {

struct WhatIfSettings {
  int16_t Coefficient = 0;         // 1-based varied coefficient; 0 = no what-if run
  std::string CoefficientCaption;  // caption of the varied coefficient
  double StepFactor = 1.0;         // 1 + increment percent / 100
  int32_t Traces = 0;              // number of traces
  int16_t WriteMTables = 0;        // write the traces into the model-run tables
  int16_t RunID = 0;               // run_id of the written traces
  int16_t AutomateCN = 0;          // CN wet and dry follow the varied starting space
  int16_t CompareOn = 0;           // a DSID to compare against was given
  std::string CompareDSID;         // DSID drawn beside the series for comparison
  int16_t MonteType = 0;           // 0 off, 1 Random, 2 Random Normal, 3 Exact Normal
  double MonteMax = 0, MonteMin = 0, MonteMean = 0, MonteStdev = 0, MonteSkew = 0;
  int16_t MonteLogNormal = 0;
  int16_t ReverseExact = 0;
  int16_t Stochastic = 0;    // generate rainfall instead of reading the record
  double StormDuration = 0;  // hours
  double FlashyFactor = 0;   // 0.2 to 4
  double MultiDuration = 0;  // total hours over several storms
  int16_t StormCount = 0;
  int16_t RandomMulti = 0;   // check box value: storm count drawn as count +- half
  vb::VbDate StartDate = 0;  // end-of-day date of the start conditions; 0 = none
  int16_t StartRunID = 0;    // run_id of the start conditions (0: the real tables)
  int16_t StartTrace = 0;
  double RainAdjustFactor = 1.0;  // rainfall adjust factor varied by coefficient 10
  double PlottingPosition = 0;    // of the last exact sample
  int16_t Overwrite = 0;          // a run_id already in mrun may be written over
  bool SeedGiven = false;         // "What-If Seed=" was given: the run repeats that sequence
  uint64_t Seed = 0;
  // The "What-If ...=" lines of the setup file as they were written, for the setup writer.
  std::map<std::string, std::string> SetupTexts;
};

// The one generator of a What-If run's random numbers (Monte Carlo draws and stochastic storms),
// seeded once when the run starts so that the same seed gives the same traces.
class WhatIfRandom {
 public:
  void seed(uint64_t value) { engine_.seed(value); }
  // A uniform number in [0, 1) with 53 random bits, the same on every platform.
  double next() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

 private:
  std::mt19937_64 engine_;
};

}  // namespace fw
