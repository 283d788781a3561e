#include "wizard/radar_page.h"

#include "app/session.h"
#include "platform/process/process_runner.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"
#include "radar/radar_io.h"
#include "radar/radar_sites.h"
#include "wizard/line_replace.h"
#include "wizard/page_rules.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

std::string box(int i) {
  return boxId("txtRadar", i);
}

const char* const kSiteList = "ComboSites(0)";
const char* const kProductList = "ComboSites(1)";
const char* const kZrList = "ComboSites(2)";
const char* const kSourceList = "ComboSites(3)";
const char* const kFirstSite = "NV  ESX  Las Vegas";
const char* const kRidge2 = "Iowa Ridge2 24hr";
const char* const kRidge1 = "Iowa Ridge1 24hr";

const char* const kProducts[] = {"N0B 1000x1000", "N0Q 1000x1000", "NCQ 600x550",   "A2M 600x550",
                                 "HRR 600x550",   "N0Z 1000x1000", "Old gov sites", "N0R 1000x1000",
                                 "N0R 600x550",   "NCR 600x550",   "N1P 600x550",   "N0U 1000x1000",
                                 "NVL 1000x1000", "NET 1000x1000", "C0R 480x480",   "C0S 480x480"};
const char* const kZrTypes[] = {"0-Convective", "1-Cool West", "2-Cool East", "3-Tropical", "4-SemiTropical"};
const char* const kSources[] = {kRidge2, "radar.weather.gov Ridge2 images", "radar.weather.gov images",
                                "Canada  "};

// The radar site ID and state of the site list's text ("NV  ESX  Las Vegas").
struct SitePick {
  std::string state;
  std::string site;
};
SitePick sitePick(const std::string& text) {
  const std::vector<std::string> parts = vb::Split(vb::Trim(text), "  ");
  SitePick p;
  if (vb::Trim(text).empty()) return p;
  p.state = parts[0];
  if (parts.size() > 1) p.site = parts[1];
  return p;
}

std::string formula(const std::string& factor) {
  return static_cast<float>(vb::Val(factor)) == 1.0f ? std::string("P1") : factor + "*P1";
}

// The product code of the product list, with "-Ridge2" for the Ridge2 image source.
std::string product(const BoxModel& b) {
  std::string p = vb::Left(b.text(kProductList), 3);
  if (vb::InStr(b.text(kSourceList), "Ridge2") > 0) p += "-Ridge2";
  return p;
}

}  // namespace

RadarFileNames radarFileNames(const std::string& site, const std::string& dsid, const std::string& product,
                              const std::string& source) {
  std::string name = "NexradBoundary" + site + dsid;
  if (vb::InStr(source, "Ridge2") > 0) {
    name += vb::InStr(product, "N0B") > 0 ? "B.txt" : "R.txt";
    if (vb::InStr(product, "N0Q") > 0 || vb::InStr(product, "N0U") > 0) name = vb::Replace(name, "R.txt", "Q.txt");
  } else {
    name += ".txt";
  }
  return {name, vb::Replace(name, "Boundary", "Point")};
}

void LoadRadarSites(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  try {
    RadarSiteTable sites;
    b[kSiteList].List.clear();
    if (ReadRadarSitesMosaics(sites, s.programFolder, radarIo(s))) {  // says a missing file itself
      b[kSiteList].Text = kFirstSite;
      for (const RadarSite& site : sites.sites)
        b[kSiteList].List.push_back(site.State + "  " + site.SiteId + "  " + site.Name);
    }
    b[kProductList].Text = kProducts[0];
    b[kProductList].List.assign(std::begin(kProducts), std::end(kProducts));
    b[kZrList].Text = kZrTypes[0];
    b[kZrList].List.assign(std::begin(kZrTypes), std::end(kZrTypes));
    b[kSourceList].Text = kRidge2;
    b[kSourceList].List.assign(std::begin(kSources), std::end(kSources));
  } catch (const std::exception& e) {
    const auto* vbe = dynamic_cast<const vb::Error*>(&e);
    notify(s, vbe ? vbe->description() : std::string(e.what()));
  }
}

std::string RadarSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  const SitePick pick = sitePick(b.text(kSiteList));
  const std::string station = b.text(kSiteList).empty() ? std::string() : "NEXRAD-" + pick.site;
  return vb::Join({station, b.text(box(1)), "rainfall", b.text(box(2)), vb::Left(b.text(kZrList), 1),
                   b.text(box(3)), formula(b.text(box(4)))},
                  "; ");
}

std::string radarRsiteRow(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  const SitePick pick = sitePick(b.text(kSiteList));
  const std::string station = b.text(kSiteList).empty() ? std::string() : "NEXRAD-" + pick.site;
  return b.text(box(0)) + "; " + b.text(box(1)) + "; " + b.text(box(2)) + "; 10; rainfall; inches; inches; " +
         product(b) + "; " + station + pageTail(s, b.text(box(1)));
}

std::string windsAloftFile(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  return s.NowcastInfoFolder + "WindsAloft_" + vb::Mid(b.text(kSiteList), 5, 3) + "_" +
         vb::Left(b.text(kProductList), 3) + ".txt";
}

void rebuildRadarPage(Session& s) {
  WizardForm& w = s.frmWizard;
  BoxModel& b = w.boxes;
  SitePick pick;
  steps({
      [&] {
        pick = sitePick(b.text(kSiteList));
        // The radar site's state goes to the rows while the radar page is in use; the other
        // pages' lines keep the state their own line gave.
        if (!b.text(kSiteList).empty() && b[std::string("FrameRadar")].Visible) w.LoadedState = pick.state;
      },
      [&] { b.setText("txtsetupRadar", RadarSetupLine(w)); },
      [&] {
        // A mosaic entry has its own image size.
        if (vb::InStr(pick.site, "US") > 0)
          b[kProductList].Text = vb::InStr(pick.site, "USA") > 0 ? "N0Q 3400x1600" : "N0Q 840x800";
      },
      [&] { b[kSourceList].Text = vb::Left(b.text(kProductList), 3) == "N0Z" ? kRidge1 : kRidge2; },
      [&] { b.setText("txtrsiteRadar", radarRsiteRow(s)); },
      [&] {
        const RadarFileNames names =
            radarFileNames(pick.site, b.text(box(1)), product(b), b.text(kSourceList));
        b.setText("txtBoundaryfile", names.boundary);
        b.setText("txtPointfile", names.point);
      },
  });
}

void txtRadar_Change(Session& s, int index) {
  BoxModel& b = s.frmWizard.boxes;
  steps({[&] {
           if (index != 0 || cutSiteBox(b, box(0))) return;
           b.setText(box(1), siteDsid("-10000", 6, b.text(box(0))));
         },
         [&] { rebuildRadarPage(s); }});
}

void cmdWindsAloftEdit_Click(Session& s) {
  const std::string path = windsAloftFile(s);
  openViewer(s, textEditorCommand(path), path);  // says its own failure
}

void radarPageLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const char* const captions[] = {"Site_ID", "Datatype_Site_ID", "RADAR  Site Name", "Inversion Layer Suppression",
                                  "Rainfall Adjust Factor"};
  for (int i = 0; i < 5; ++i) {
    b[box(i)].Text.clear();
    b[boxId("LabelRadar", i)].Caption = captions[i];
    b.onChange(box(i), [&s, i] { txtRadar_Change(s, i); });
  }
  b[box(3)].Text = "0.000";
  b[box(4)].Text = "1.0";
  for (const char* id : {"txtsetupRadar", "txtrsiteRadar", "txtBoundaryfile", "txtPointfile"}) b[id];
  for (const char* list : {kSiteList, kProductList, kZrList, kSourceList})
    b.onClick(list, [&s] { steps({[&] { rebuildRadarPage(s); }}); });
  b["cmdReplaceRadar"].Caption = "Replace Current Setup and Exit";
  b["cmdRadarRtable"].Caption = "Update Rsite";
  b["cmdWindsAloftEdit"].Caption = "Edit WindsAloft";
  b.onClick("cmdReplaceRadar", [&s] { ReplaceSetupLine(s, s.frmWizard.boxes.text("txtsetupRadar")); });
  b.onClick("cmdRadarRtable", [&s] {
    ReplaceRsite(s, s.frmWizard.boxes.text(box(1)), s.frmWizard.boxes.text("txtrsiteRadar"));
  });
  b.onClick("cmdWindsAloftEdit", [&s] { cmdWindsAloftEdit_Click(s); });
  registerPageMenu(s, "radar", "FrameRadar", "Radar Setup");
  LoadRadarSites(s);
}

}  // namespace fw
