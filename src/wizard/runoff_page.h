#pragma once
// The wizard's runoff page: the runoff station line with its 26 runoff parameters rebuilt from the
// page's boxes at every edit, the four rsite rows of a runoff basin, the rules some boxes apply
// to others (site → DSIDs, lag → shape factor, CN → wet and dry, unit-graph sizes), the check
// boxes that edit the line in place and the unit-graph method list.
#include <array>
#include <string>

namespace fw {

struct Session;
struct WizardForm;

// The unit-graph methods: four methods, then the dimensionless unit-graph files.
inline constexpr std::array<const char*, 25> kUnitGraphMethods = {"Triangle Unit Graph",
                                                                  "Linear Reservoir",
                                                                  "Tri-Linear Reservoir",
                                                                  "Clark UGF",
                                                                  "SCS.DGF",
                                                                  "Urban.DGF",
                                                                  "SWDesertCoPlateau.DGF",
                                                                  "PhoenixMtsAZ.DGF",
                                                                  "GreatPlains.DGF",
                                                                  "SierraCascadeCoastal.DGF",
                                                                  "RockMtTstorm.DGF",
                                                                  "RockyMtGenStorm.DGF",
                                                                  "BigCreek.DGF",
                                                                  "Tallapoosa.DGF",
                                                                  "LittleTallapoosa.DGF",
                                                                  "Maurice.DGF",
                                                                  "VillageCreek.DGF",
                                                                  "VillageCr50thSt.DGF",
                                                                  "Sherwood.DGF",
                                                                  "OneidaSnowmelt.DGF",
                                                                  "CribbsMill.DGF",
                                                                  "NapaRiver.DGF",
                                                                  "AshlandMtn.DGF",
                                                                  "EmigrantCr.DGF",
                                                                  "MurderCreek.DGF"};

// The page's first texts, captions and handlers.
void runoffPageLoad(Session& s);

// The line as the page's boxes give it (Text1 after a rebuild).
std::string RunoffSetupLine(const WizardForm& w);
// Text2 to Text5: the runoff row and the soil storage, rainfall sum and groundwater flow rows.
std::array<std::string, 4> runoffRsiteRows(const WizardForm& w);

void txtBox_Change(Session& s, int index);
// Text1 to Text5 from the boxes as they stand.
void rebuildRunoffPage(Session& s);
void ComboDimgraph_Click(Session& s);
void runoff_Click(Session& s);
// Hands Text1 to the line replacement, with Check1 cleared first.
void cmdReplaceRunoff_Click(Session& s);
void cmdRunoffRsiteThis_Click(Session& s);
void cmdRunoffRsiteThese_Click(Session& s);

}  // namespace fw
