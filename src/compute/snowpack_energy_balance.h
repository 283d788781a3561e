#pragma once
// One time step of a point snowpack energy balance: the step's weather inputs and the state
// carried from the step before give the melt, the snow water equivalent (SWE), the snow age and
// the albedo, with every flux of the balance for the diagnostic table.
//
// Internal units: temperatures in kelvin with 273.16 K as the freezing point, fluxes in W/m²,
// water depths in mm, vapour pressures in hPa, wind in m/s. Inputs arrive in the units of the
// stored series: without metric units °F, %, mph, Langley per day and inches; with metric units
// °C, %, km/h, W/m² and mm.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "platform/vb/error.h"

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
// Defined below, inline: it runs once for every step of a season, and in the caller's loop the
// state stays in registers and the members of the result the caller does not read cost nothing.
inline SnowStepResult snowpackStep(SnowpackState& state, SnowStepInputs& in, double dDays, double hHours,
                                   double psum, const SnowParameters& p, const SnowSettings& set, bool newDay);

// The starting albedo of a pack when none is stored: fresh snow 0.9, older snow from its age;
// never above 0.9.
double startingAlbedo(double albedo, double ageDays);


namespace snowpack_detail {

inline constexpr double kMmPerInch = 25.4;
inline constexpr double kLangleyDayPerWm2 = 2.065;     // Langley per day in one W/m²
inline constexpr double kStefanBoltzmann = 5.6133e-8;  // W/m²/K⁴, surface emissivity 1
inline constexpr double kMagnusA = 6.1078;             // hPa
inline constexpr double kMagnusB = 17.08085;
inline constexpr double kMagnusC = 234.175;       // °C
inline constexpr double kSensible = 18.85;        // W/m²/K per unit of the transfer term
inline constexpr double kLatent = 32.82;          // W/m²/hPa per unit of the transfer term
inline constexpr double kWaterHeat = 4180;        // J/kg/K, rain
inline constexpr double kIceHeat = 2100;          // J/kg/K, snow
inline constexpr double kGroundFlux = 2.0;        // W/m²
inline constexpr double kSublimation = 2.8355e6;  // J/kg
inline constexpr double kFusion = 337500;         // J/kg
inline constexpr double kFreshAlbedo = 0.9;
inline constexpr double kOldAlbedo = 0.5;  // the albedo decays toward it

[[noreturn, gnu::noinline, gnu::cold]] inline void overflow() {
  vb::raise(vb::err::Overflow);
}

inline double finite(double x) {
  if (!std::isfinite(x)) [[unlikely]]
    overflow();
  return x;
}

// Saturation vapour pressure over the surface at tC °C, hPa.
inline double magnus(double tC) {
  const double den = tC + kMagnusC;
  if (den == 0) [[unlikely]]
    vb::raise(vb::err::DivisionByZero);
  return kMagnusA * std::exp(kMagnusB * tC / den);
}

}  // namespace snowpack_detail

[[gnu::always_inline]] inline SnowStepResult snowpackStep(SnowpackState& state, SnowStepInputs& in,
                                                          double dDays, double hHours, double psum,
                                                          const SnowParameters& param, const SnowSettings& set,
                                                          bool newDay) {
  using namespace snowpack_detail;
  const auto& p = param.p;
  // The gate runs on every step: a missing value must never enter the balance as a number.
  if (in.solar == kSnowInputMissing || in.temperature == kSnowInputMissing ||
      in.longwave == kSnowInputMissing) {
    return SnowStepResult{.skipped = true};
  }
  if (in.humidity == kSnowInputMissing) in.humidity = 50;
  if (in.wind == kSnowInputMissing) in.wind = 3;

  SnowpackState st = state;
  const double S0 = st.sweMm;
  const double toMm = set.metric ? 1.0 : kMmPerInch;

  const double Ta = set.metric ? in.temperature + p[0] + kSnowFreezingK
                               : (in.temperature + p[0] - 32) * 5 / 9 + kSnowFreezingK;
  double rain = 0, snowfall = 0;  // mm in the step
  bool rainFell = false, snowFell = false;
  if (Ta < set.thresholdK) {
    if (psum != 0) {
      snowfall = psum * p[5];
      st.dailyNewSnow += snowfall;
      snowfall *= toMm;
      snowFell = true;
    }
  } else if (psum != 0) {
    rain = psum * p[5] * toMm;
    rainFell = true;
  }

  if (st.dailyNewSnow > set.newSnowLimit) {
    st.ageDays = 0;
    st.albedo = kFreshAlbedo;
  } else {
    st.ageDays = S0 == 0 ? 0 : st.ageDays + dDays;
    if (st.ageDays <= 0) {
      st.albedo = 0;
    } else if (st.ageDays < 1) {
      st.albedo = kFreshAlbedo;
    } else {
      double k = Ta <= kSnowFreezingK ? -0.05 : -0.12;  // per day
      if (st.ageDays > 7) k *= p[6];
      st.albedo = (st.albedo - kOldAlbedo) * std::exp(k * dDays) + kOldAlbedo;
    }
  }
  if (newDay) st.dailyNewSnow = 0;

  const double Ts = Ta < kSnowFreezingK ? Ta : kSnowFreezingK;
  const double RH = std::min(in.humidity * p[1], 100.0);
  const double ea = magnus(Ta - kSnowFreezingK) * RH / 100;
  const double es = S0 > 0 ? magnus(Ts - kSnowFreezingK) : 0;
  double S = in.solar * p[3];
  double L = in.longwave * p[4];
  if (!set.metric) {
    S /= kLangleyDayPerWm2;
    L /= kLangleyDayPerWm2;
  }
  const double SWnet = (1 - st.albedo) * S;
  const double LWnet = L - kStefanBoltzmann * Ts * Ts * Ts * Ts;
  const double u = in.wind * p[2] * (set.metric ? 0.277778 : 0.44704);  // m/s
  const double f = 0.098 * u + 0.18;
  const double H = f * kSensible * (Ta - Ts);
  const double E = f * kLatent * (ea - es);
  // Heat of the whole step's precipitation, as an hourly flux.
  const double Qr = rain > 0 ? (Ta - kSnowFreezingK) * kWaterHeat * rain / 3600 : 0;
  const double Qs = snowfall > 0 ? (Ta - kSnowFreezingK) * kIceHeat * snowfall / 3600 : 0;
  // Every flux ends up in Q: one check catches a non-finite one anywhere.
  const double Q = finite(SWnet + LWnet + H + E + Qr + Qs + kGroundFlux);

  double V = 0;
  if (S0 > 0) V = std::min(finite(E * 3600 / kSublimation * hHours), S0);
  double M = 0;
  if (S0 > 0 && Q > 0) {
    M = finite(Q * 3600 / kFusion * hHours);
    if (Ta < 273.2) M *= Ta > 268.2 ? (Ta - 263.2) / 5 : 0.01;
    M = std::min(M, S0);
  }
  double swe = S0 <= 0 ? V + snowfall - M : S0 + rain + snowfall + V - M;
  if (swe < 0) swe = 0;
  if (swe < set.sweFloorMm) swe = 0;
  finite(swe);

  // A pack that melts out in this step hands on its last melt with the rain.
  const double water = swe <= 0 ? (S0 > 0 ? M + rain : rain) : M;
  st.sweMm = swe;
  st.lastTaK = Ta;
  state = st;

  // Every member given, built in the caller's result: a result zeroed first and then filled
  // costs the step a block clear.
  return SnowStepResult{.skipped = false,
                        .TaK = Ta,
                        .rainMm = rain,
                        .snowfallMm = snowfall,
                        .rainFell = rainFell,
                        .snowFell = snowFell,
                        .TsK = Ts,
                        .eaHpa = ea,
                        .esHpa = es,
                        .SWnet = SWnet,
                        .LWnet = LWnet,
                        .H = H,
                        .E = E,
                        .Qr = Qr,
                        .Qs = Qs,
                        .Q = Q,
                        .Vmm = V,
                        .Mmm = M,
                        .sweOut = set.metric ? swe : swe / kMmPerInch,
                        .waterOut = set.metric ? water : water / kMmPerInch};
}

}  // namespace fw::compute
