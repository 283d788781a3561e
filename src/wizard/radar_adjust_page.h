#pragma once
// The wizard's radar-adjust page: the two station lines of a gage-corrected radar rainfall (the
// hourly gage/radar ratio and the adjusted basin rainfall) and their two rsite rows, rebuilt from
// the page's boxes at every edit.
#include <string>

namespace fw {

struct Session;
struct WizardForm;

// "11" and the basin site padded to three digits.
std::string adjustedRainDsid(const WizardForm& w);
std::string RatioSetupLine(const WizardForm& w);
std::string AdjustedRainSetupLine(const WizardForm& w);
std::string ratioRsiteRow(const Session& s);
std::string adjustedRainRsiteRow(const Session& s);

void radarAdjustPageLoad(Session& s);
void txtratio_Change(Session& s, int index);
void rebuildRatioPage(Session& s);
// Both rows, each after its own question.
void cmdRatioRsiteThis_Click(Session& s);

}  // namespace fw
