#pragma once
// The wizard's evapotranspiration page: the reference-ET station line and its rsite row rebuilt
// from the page's boxes at every edit. The inputs are a weather station's parameter codes, or with
// COMPUTE the DSIDs of series already stored.
#include <string>

namespace fw {

struct Session;
struct WizardForm;

std::string EtSetupLine(const WizardForm& w);
std::string etRsiteRow(const Session& s);

void etPageLoad(Session& s);
void txtET_Change(Session& s, int index);
void rebuildEtPage(Session& s);
void cmdEtRsite_Click(Session& s);
void cmdReplaceET_Click(Session& s);

}  // namespace fw
