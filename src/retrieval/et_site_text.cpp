#include "retrieval/et_site_text.h"

#include <vector>

#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

constexpr double kPi = 3.14159;  // as the latitude conversion has always used
constexpr double kMetresPerFoot = 0.3048;

}  // namespace

int16_t solarRegionOf(double elevationFeet, double longitude) {
  if (elevationFeet < 400) return longitude > -116.5 ? 1 : 2;
  if (elevationFeet < 3000) return 3;
  if (elevationFeet < 5000) return 4;
  return 5;
}

EtSite readEtSite(const std::string& text, const std::string& parameterCode, int16_t parameterIndex,
                  int16_t measuredSolarIndex, double offsetLess) {
  EtSite site;
  const std::string code = vb::UCase(parameterCode);
  const std::vector<std::string> parts = vb::Split(text, ",");
  auto part = [&parts](std::size_t i) { return i < parts.size() ? vb::Val(parts[i]) : 0.0; };
  if (parts.size() < 3 && vb::InStr(code, "LONG") > 0) {
    site.Offset = vb::Val(text);
    site.LongWave = true;
    return site;
  }
  const double latitude = part(0);
  const double longitude = part(1);
  const double meridian = part(2);
  const double feet = part(3);
  site.LatitudeRadians = latitude * kPi / 180.0;
  site.Offset = (longitude - meridian) / 15.0 - offsetLess;
  site.ElevationMetres = feet * kMetresPerFoot;
  site.ShortReference = vb::InStr(code, "TALL") == 0;
  site.SolarRegion = parameterIndex == measuredSolarIndex ? int16_t{0} : solarRegionOf(feet, longitude);
  site.WindFactor = part(4);
  return site;
}

std::optional<std::string> hourlyEtUnavailable(Session&, const EtHourRow&) {
  return std::nullopt;
}

}  // namespace fw
