#include "retrieval/et_site.h"

#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

constexpr double kPi = 3.14159;  // as the ET tables were made with
constexpr double kMetresPerFoot = 0.3048;

double entry(const std::vector<std::string>& parts, std::size_t i) {
  return i < parts.size() ? vb::Val(parts[i]) : 0.0;
}

}  // namespace

EtSite readEtSite(const std::string& siteList, const std::string& parameterCode, int16_t parameterIndex,
                  bool daylight) {
  EtSite site;
  site.Daylight = daylight;
  const std::vector<std::string> parts = vb::Split(siteList, ",");
  double feet = 0;
  double longitude = 0;
  if (parts.size() < 3 && vb::InStr(vb::UCase(parameterCode), "LONG") > 0) {
    site.LongWave = true;
    site.Offset = vb::Val(siteList);
  } else {
    longitude = entry(parts, 1);
    feet = entry(parts, 3);
    site.LatitudeRadians = entry(parts, 0) * kPi / 180;
    site.Offset = (longitude - entry(parts, 2)) / 15 - 0.5;
    site.Tall = vb::InStr(parameterCode, "TALL") > 0;
    site.ElevationMetres = feet * kMetresPerFoot;
    site.WindFactor = entry(parts, 4);
  }
  if (feet >= 3000)
    site.SolarRegion = feet < 5000 ? 4 : 5;
  else if (feet >= 400)
    site.SolarRegion = 3;
  else
    site.SolarRegion = longitude <= -116.5 ? 2 : 1;
  if (parameterIndex == 4) site.SolarRegion = 0;
  return site;
}

}  // namespace fw
