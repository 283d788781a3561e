#pragma once
// The working state of one runoff station line (one What-If trace of it): the parameters as the
// set-up turned them into model values, the soil state carried from step to step, and the unit
// graphs with their routing state. Depths in inches, flows in cfs, times in hours.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compute/clark_unit_graph.h"
#include "compute/linear_reservoir.h"
#include "compute/runoff_soil.h"
#include "compute/triangle_unit_graph.h"
#include "platform/vb/date.h"
#include "run/runoff_setup.h"

namespace fw {

struct RunoffState {
  RunoffParameters params;
  compute::SoilParameters soil;
  compute::SoilConstants constants;
  compute::SoilState state;
  bool curveNumber = true;

  // ---- what the line gives besides its parameters ----
  double baseFlow = 0;     // cfs, base1
  double shapeFactor = 0;  // base2; negated for the linear reservoirs
  double enteredShapeFactor = 0;
  std::string method;      // shift2
  bool clark = false, linear = false, threeReservoirs = false, dgf = false;
  double rainMultiplier = 1;
  int16_t savedPrecipKind = 0;  // how the runoff input delivers its rain
  bool adjustmentPending = false;
  double adjustmentInches = 0;
  double inputStepMinutes = 5;  // the runoff input's row step

  // ---- set-up values ----
  double CN = 0, S = 0;  // curve number and its retention
  double CNwet = 0, CNdry = 0;
  bool limitsComputed = false;
  std::array<double, 13> monthlyEt{};  // months 1 to 12
  std::string variableLagText, runoffFileText;

  // ---- start conditions ----
  double startFlow = 0;
  bool startFlowPending = false;

  // ---- the step ----
  double stepMinutes = 0;  // the step length the constants were derived for; 0 = none yet
  double eventThreshold = 0;  // cfs: runoff above a hundredth of the area makes an event
  double previousGaugeTotal = -9;
  double stepET = 0;
  int64_t lineCounter = 0;
  vb::VbDate eventStart = 0, eventEnd = 0;
  // Read once while they repeat: the ET and source fields, the calendar of the step's day.
  std::string lastEtText = "\x01", lastSourceText = "\x01";
  bool lastEtBlank = true;
  double lastEtValue = 0, lastSource = 0;
  double calendarDay = -1e9;
  int month = 1, dayOfYear = 1;

  // ---- unit graphs ----
  double lag = 0, currentLag = 0, builtLag = 0;
  std::vector<double> unitHydrograph;
  int64_t stepIndex = 0;
  std::array<double, 3> shares{}, ratios{};
  std::array<compute::TriangleGraph, 3> triangles{};
  std::array<compute::TriangleOrdinates, 3> triangleOrdinates{};  // of the triangles, built with them
  std::vector<double> ordinates;  // DGF or Clark, cfs per inch at steps 0 .. ordinateLast
  int16_t ordinateLast = -1;
  compute::ClarkGraph clarkGraph;
  compute::ClarkRouting clarkRouting;
  compute::ReservoirRouting reservoirs;
};

}  // namespace fw
