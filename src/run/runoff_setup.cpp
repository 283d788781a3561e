#include "run/runoff_setup.h"

#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw {

RunoffParameters readRunoffParameters(const std::string& shift1) {
  RunoffParameters r;
  r.elements = vb::Split(shift1, ",");
  const int last = vb::UBound(r.elements);
  if (last < 24) {
    r.tooFew = true;
    return r;
  }
  auto strict = [&](int i) { return vb::CDbl(vb::Trim(r.elements[static_cast<size_t>(i)])); };
  auto prefix = [&](int i) { return vb::Val(r.elements[static_cast<size_t>(i)]); };
  auto integer = [&](int i) { return vb::CLng(vb::Val(r.elements[static_cast<size_t>(i)])); };
  r.lag = strict(0);
  r.cnOrLoss = strict(1);
  r.constantLoss = strict(2);
  r.imperviousPercent = strict(3);
  r.area = strict(4);
  r.ratio1 = strict(5);
  r.soilRecovery = strict(6);
  r.share2 = strict(7);
  r.ratio2 = strict(8);
  r.share3 = strict(9);
  r.ratio3 = strict(10);
  r.wetLimit = strict(11);
  r.dryLimit = strict(12);
  r.soilLoss = strict(13);
  r.groundwaterLoss = strict(14);
  r.groundwaterRecoveryAdjustment = strict(15);
  r.riparian = prefix(16);
  r.etFactor = prefix(17);
  r.interception = prefix(18);
  r.connectedFraction = prefix(19);
  r.groundwaterLag = prefix(20);
  r.initialAbstraction = prefix(21);
  if (r.initialAbstraction < 0.001) r.initialAbstraction = 0.2;
  r.winterInterception = integer(22);
  r.snowmeltLoss = prefix(23);
  if (r.snowmeltLoss < 0.01) r.snowmeltLoss = 0.7;
  r.writeSoil = integer(24);
  r.variableLag = vb::InStr(r.elements[static_cast<size_t>(last) - 1], "LagV") > 0 ||
                  vb::InStr(r.elements[static_cast<size_t>(last)], "LagV") > 0;
  r.runoffFileFlag = integer(last);
  return r;
}

int32_t runoffStepCount(const std::string& stationId, int32_t runDays) {
  int32_t perDay = 288;
  if (vb::InStr(stationId, "-DAY") > 0)
    perDay = 1;
  else if (vb::InStr(stationId, "-HOUR") > 0)
    perDay = 24;
  return (runDays + 6) * perDay;
}

int32_t unitGraphLength(double ratio3, double lagHours, bool linear) {
  if (linear) return 0;
  return vb::CLng((1 + ratio3) * lagHours * 12);
}

}  // namespace fw
