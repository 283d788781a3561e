#pragma once
// The wizard's snowmelt page: the snowmelt station line and the four rsite rows the snowmelt model
// needs (melt, snow water content, snow age, albedo), rebuilt from the page's boxes at every edit.
#include <array>
#include <string>

namespace fw {

struct Session;
struct WizardForm;

std::string SnowmeltSetupLine(const WizardForm& w);
// SText2 to SText5: the melt, SWC, snow-age and albedo rows.
std::array<std::string, 4> snowmeltRsiteRows(const Session& s);

void snowmeltPageLoad(Session& s);
void TxtSnow_Change(Session& s, int index);
void rebuildSnowmeltPage(Session& s);
void chkWriteSnowInfo_Click(Session& s);
// The four rows, each after its own question.
void cmdSnowRsite_Click(Session& s);
void cmdReplaceSnowmelt_Click(Session& s);

}  // namespace fw
