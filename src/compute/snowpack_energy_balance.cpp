#include "compute/snowpack_energy_balance.h"

#include <algorithm>
#include <cmath>

#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"

namespace fw::compute {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kLangleyDayPerWm2 = 2.065;     // Langley per day in one W/m²
constexpr double kStefanBoltzmann = 5.6133e-8;  // W/m²/K⁴, surface emissivity 1
constexpr double kMagnusA = 6.1078;             // hPa
constexpr double kMagnusB = 17.08085;
constexpr double kMagnusC = 234.175;       // °C
constexpr double kSensible = 18.85;        // W/m²/K per unit of the transfer term
constexpr double kLatent = 32.82;          // W/m²/hPa per unit of the transfer term
constexpr double kWaterHeat = 4180;        // J/kg/K, rain
constexpr double kIceHeat = 2100;          // J/kg/K, snow
constexpr double kGroundFlux = 2.0;        // W/m²
constexpr double kSublimation = 2.8355e6;  // J/kg
constexpr double kFusion = 337500;         // J/kg
constexpr double kFreshAlbedo = 0.9;
constexpr double kOldAlbedo = 0.5;  // the albedo decays toward it

[[noreturn, gnu::noinline, gnu::cold]] void overflow() {
  vb::raise(vb::err::Overflow);
}

inline double finite(double x) {
  if (!std::isfinite(x)) [[unlikely]]
    overflow();
  return x;
}

// Saturation vapour pressure over the surface at tC °C, hPa.
double magnus(double tC) {
  const double den = tC + kMagnusC;
  if (den == 0) [[unlikely]]
    vb::raise(vb::err::DivisionByZero);
  return kMagnusA * std::exp(kMagnusB * tC / den);
}

std::string plain(double x) {
  return vb::Str(x);
}

}  // namespace

SnowSettings snowSettings(const SnowParameters& p, bool metric, double sweFloorMm) {
  SnowSettings s;
  s.metric = metric;
  s.sweFloorMm = sweFloorMm;
  const double tC = metric ? p.p[7] : (p.p[7] - 32) * 5 / 9;
  s.thresholdK = tC + kSnowFreezingK + 0.01;
  s.newSnowLimit = metric ? 0.5 : 0.02;
  s.diagnostics = p.diagnostics();
  return s;
}

double startingAlbedo(double albedo, double ageDays) {
  if (albedo == 0)
    albedo = ageDays == 0 ? kFreshAlbedo : 0.001927301 * ageDays * ageDays - 0.04973278 * ageDays + 0.9469277;
  return std::min(albedo, kFreshAlbedo);
}

SnowStepResult snowpackStep(SnowpackState& state, SnowStepInputs& in, double dDays, double hHours,
                            double psum, const SnowParameters& param, const SnowSettings& set, bool newDay) {
  const auto& p = param.p;
  SnowStepResult r;
  // The gate runs on every step: a missing value must never enter the balance as a number.
  if (in.solar == kSnowInputMissing || in.temperature == kSnowInputMissing ||
      in.longwave == kSnowInputMissing) {
    r.skipped = true;
    return r;
  }
  if (in.humidity == kSnowInputMissing) in.humidity = 50;
  if (in.wind == kSnowInputMissing) in.wind = 3;

  SnowpackState st = state;
  const double S0 = st.sweMm;
  const double toMm = set.metric ? 1.0 : kMmPerInch;

  const double Ta = set.metric ? in.temperature + p[0] + kSnowFreezingK
                               : (in.temperature + p[0] - 32) * 5 / 9 + kSnowFreezingK;
  double rain = 0, snowfall = 0;  // mm in the step
  if (Ta < set.thresholdK) {
    if (psum != 0) {
      snowfall = psum * p[5];
      st.dailyNewSnow += snowfall;
      snowfall *= toMm;
      r.snowFell = true;
    }
  } else if (psum != 0) {
    rain = psum * p[5] * toMm;
    r.rainFell = true;
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
  double water = swe <= 0 ? (S0 > 0 ? M + rain : rain) : M;
  r.sweOut = set.metric ? swe : swe / kMmPerInch;
  r.waterOut = set.metric ? water : water / kMmPerInch;
  r.TaK = Ta;
  r.rainMm = rain;
  r.snowfallMm = snowfall;
  r.TsK = Ts;
  r.eaHpa = ea;
  r.esHpa = es;
  r.SWnet = SWnet;
  r.LWnet = LWnet;
  r.H = H;
  r.E = E;
  r.Qr = Qr;
  r.Qs = Qs;
  r.Q = Q;
  r.Vmm = V;
  r.Mmm = M;

  st.sweMm = swe;
  st.lastTaK = Ta;
  state = st;

  return r;
}

SnowRowTexts snowRowTexts(const SnowStepResult& r, const SnowpackState& after, const SnowSettings& set) {
  SnowRowTexts out;
  auto& t = out.texts;
  t[0] = set.diagnostics && r.rainFell ? plain(r.rainMm) : "0";
  t[1] = set.diagnostics && r.snowFell ? plain(r.snowfallMm) : "0";
  t[2] = vb::FormatNumber(after.ageDays, "0.00000");
  t[3] = vb::FormatNumber(after.albedo, "0.00000");
  const double diag[12] = {r.TsK, r.eaHpa, r.esHpa, r.SWnet, r.LWnet, r.H,
                           r.E,   r.Qr,    r.Qs,    r.Q,     r.Vmm,   r.Mmm};
  for (size_t k = 0; k < 12; ++k) t[4 + k] = plain(diag[k]);
  t[16] = vb::FormatNumber(r.sweOut, "0.00");
  t[17] = vb::FormatNumber(r.waterOut, "0.00000");
  return out;
}

}  // namespace fw::compute
