#pragma once
// The wizard's solar and long-wave radiation pages: the station lines of the computed radiation
// series and their rsite rows, rebuilt from each page's boxes at every edit.
#include <string>

namespace fw {

struct Session;
struct WizardForm;

std::string SolarSetupLine(const WizardForm& w);
std::string solarRsiteRow(const Session& s);
std::string LongwaveSetupLine(const WizardForm& w);
std::string longwaveRsiteRow(const Session& s);

void solarLongwavePagesLoad(Session& s);
void txtSolar_Change(Session& s, int index);
void txtLong_Change(Session& s, int index);
void rebuildSolarPage(Session& s);
void rebuildLongPage(Session& s);

}  // namespace fw
