#pragma once
// The wizard's radar page: the NEXRAD station line and its rsite row, the names of the point and
// boundary files the radar rainfall reads for the site, and the site's winds-aloft file, rebuilt
// from the page's boxes and lists at every edit or pick.
#include <string>

namespace fw {

struct Session;
struct WizardForm;

// The file names the page proposes for a site, a DSID text, a product code and an image source.
struct RadarFileNames {
  std::string boundary;
  std::string point;
};
RadarFileNames radarFileNames(const std::string& site, const std::string& dsid, const std::string& product,
                              const std::string& source);

// Fills the page's four lists; the radar sites from "RadarSitesMosaics.txt" in the program folder.
// Only the page's own list is filled: the radar run's site table is read by the run itself.
void LoadRadarSites(Session& s);

std::string RadarSetupLine(const WizardForm& w);
std::string radarRsiteRow(const Session& s);
// The winds-aloft settings file of the page's site and product.
std::string windsAloftFile(const Session& s);

void radarPageLoad(Session& s);
void txtRadar_Change(Session& s, int index);
void rebuildRadarPage(Session& s);
void cmdWindsAloftEdit_Click(Session& s);

}  // namespace fw
