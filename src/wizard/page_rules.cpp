#include "wizard/page_rules.h"

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

bool cutSiteBox(BoxModel& b, const std::string& siteBox) {
  const std::string site = b.text(siteBox);
  if (vb::Len(site) < 4) return false;
  b.setText(siteBox, vb::Left(site, 3));
  return true;
}

std::string siteDsid(const std::string& pattern, int width, const std::string& site) {
  const int keep = width - vb::Len(site);
  return (keep > 0 ? vb::Left(pattern, keep) : std::string()) + site;
}

std::string meridianFor(const std::string& longitude) {
  const float v = static_cast<float>(vb::Val(longitude));
  if (v <= -115.0f) return "-120";
  if (v <= -100.0f) return "-105";
  if (v <= -85.0f) return "-90";
  if (v <= 0.0f) return "-75";
  return "";
}

std::string sourceFor(const std::string& station) {
  const std::string trimmed = vb::Trim(station);
  return vb::InStr(trimmed, "COMPUTE") > 0 ? std::string("COMPUTE") : trimmed;
}

bool fillComputeInputs(BoxModel& b, const std::string& stationBox, const std::string& temperatureBox,
                       const std::string& dsidBox,
                       std::initializer_list<std::pair<std::string, std::string>> inputs) {
  if (vb::InStr(b.text(stationBox), "COMPUTE") == 0 || b.text(temperatureBox) != "TemperatureF") return false;
  const std::string s3 = vb::Right(b.text(dsidBox), 3);
  for (const auto& [box, prefix] : inputs) b.setText(box, prefix + s3);
  return true;
}

std::string windCodeFor(const std::string& trimmedStation, const std::string& temperature) {
  return temperature == "TemperatureF" && vb::Len(trimmedStation) == 4 ? "WindSpeedMPH" : "Wind SpeedMPH";
}

std::string pageTail(const Session& s, const std::string& dsid) {
  return rsiteRowTail(dsid, s.frmWizard.LoadedState);
}

void registerPageMenu(Session& s, const std::string& menu, const std::string& frame, const std::string& caption) {
  s.frmWizard.boxes.onClick(menu, [&s, frame, caption] { showPage(s, frame, caption); });
}

}  // namespace fw
