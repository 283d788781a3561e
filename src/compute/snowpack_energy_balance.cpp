#include "compute/snowpack_energy_balance.h"

#include <algorithm>

#include "platform/vb/format.h"
#include "platform/vb/math.h"

namespace fw::compute {

namespace {

std::string plain(double x) {
  return vb::Str(x);
}

}  // namespace

using snowpack_detail::kFreshAlbedo;

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
