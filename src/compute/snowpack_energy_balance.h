#pragma once
// One time step of a point snowpack energy balance: the step's weather inputs and the state
// carried from the step before give the melt, the snow water equivalent (SWE), the snow age and
// the albedo, with every flux of the balance for the diagnostic table.
//
// Internal units: temperatures in kelvin with 273.16 K as the freezing point, fluxes in W/m²,
// water depths in mm, vapour pressures in hPa, wind in m/s. Inputs arrive in the units of the
// stored series: without metric units °F, %, mph, Langley per day and inches; with metric units
// °C, %, km/h, W/m² and mm.
#include <array>
#include <string>

namespace fw::compute {

// The missing mark of a snowmelt input.
inline constexpr double kSnowInputMissing = -999.0;
// The freezing point the model works from, K.
inline constexpr double kSnowFreezingK = 273.16;

// The scalings of the snowmelt line, p0 to p10 (every one not given is 1).
struct SnowParameters {
  std::array<double, 11> p{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  // p8 exactly 0 asks for the diagnostic table.
  bool diagnostics() const { return p[8] == 0; }
};

// Settings fixed for one computation.
struct SnowSettings {
  bool metric = false;         // inputs and outputs in metric units
  double sweFloorMm = 0.127;   // SWE below this (mm) counts as no pack
  double thresholdK = 0;       // rain/snow threshold temperature Tthr, K
  double newSnowLimit = 0.02;  // daily new snow that makes the pack new, input precipitation units
  bool diagnostics = false;
};
// Tthr from p7 (°F, or °C when metric), the new-snow limit and the diagnostics switch.
SnowSettings snowSettings(const SnowParameters& p, bool metric, double sweFloorMm);

// The state carried from step to step.
struct SnowpackState {
  double sweMm = 0;         // SWE, mm
  double ageDays = 0;       // snow age, days
  double albedo = 0;        // fraction
  double dailyNewSnow = 0;  // new snow since the last midnight, input precipitation units
  double lastTaK = 0;       // air temperature of the last computed step, K (0 before the first)
};

// The five weather inputs of a step in input units; -999 = missing. A missing humidity or wind is
// replaced by its default (50 %, 3) here, so the caller's table shows what was used.
struct SnowStepInputs {
  double temperature = kSnowInputMissing;  // °F (°C metric)
  double humidity = kSnowInputMissing;     // %
  double wind = kSnowInputMissing;         // mph (km/h metric)
  double solar = kSnowInputMissing;        // Langley/day (W/m² metric)
  double longwave = kSnowInputMissing;     // Langley/day (W/m² metric)
};

// Everything one computed step works out.
struct SnowStepResult {
  bool skipped = false;  // a missing temperature, solar or long-wave input: nothing computed
  double TaK = 0, rainMm = 0, snowfallMm = 0;
  bool rainFell = false, snowFell = false;  // precipitation was given, as rain or as snow
  double TsK = 0, eaHpa = 0, esHpa = 0;
  double SWnet = 0, LWnet = 0, H = 0, E = 0, Qr = 0, Qs = 0, Q = 0;  // W/m²
  double Vmm = 0;       // sublimation (negative) or deposition, mm
  double Mmm = 0;       // melt, mm
  double sweOut = 0;    // SWE after the step, inches (mm metric)
  double waterOut = 0;  // water leaving the pack, inches (mm metric)
};

// The row texts 11 to 28 of a computed step (text(k)): rain and snowfall (plain numbers with the
// diagnostics switch, else "0"), age and albedo ("0.00000"), the twelve fluxes and states as plain
// numbers, SWE ("0.00") and the water output ("0.00000").
struct SnowRowTexts {
  std::array<std::string, 18> texts;
  const std::string& text(int k) const { return texts[static_cast<size_t>(k - 11)]; }
};
SnowRowTexts snowRowTexts(const SnowStepResult& r, const SnowpackState& after, const SnowSettings& set);

// One computed step.
//   in        the step's inputs (defaults written back for humidity and wind)
//   dDays     the gap since the last computed step, days
//   hHours    the step's length, hours
//   psum      precipitation since the last computed step, input units (inches, mm metric)
//   newDay    the step date's whole day is later than the last computed step's
// A non-finite flux raises vb::Error 6 (overflow) or 11 (division by zero); the state is then
// unchanged.
SnowStepResult snowpackStep(SnowpackState& state, SnowStepInputs& in, double dDays, double hHours,
                            double psum, const SnowParameters& p, const SnowSettings& set, bool newDay);

// The starting albedo of a pack when none is stored: fresh snow 0.9, older snow from its age;
// never above 0.9.
double startingAlbedo(double albedo, double ageDays);

}  // namespace fw::compute
