#include "wizard/radar_adjust_page.h"

#include <algorithm>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "wizard/page_rules.h"
#include "wizard/rsite_row.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

constexpr int kRatioBoxes = 14;

std::string box(int i) {
  return boxId("txtratio", i);
}

const char* const kCaptions[kRatioBoxes] = {"Site_ID",
                                           "Datatype_Site_ID",
                                           "Site Name",
                                           "Wunderground Rain Gage Site_ID",
                                           "Datatype_Site_ID",
                                           "Radar Point Rainfall at Gage Site_ID",
                                           "Datatype_Site_ID",
                                           "Radar Basin Rainfall Record to Adjust Site_ID",
                                           "Datatype_Site_ID",
                                           "Gage Minimum for Hourly Ratios",
                                           "Default Ratio when Gage Missing",
                                           "Minimum Usable Ratio",
                                           "Maximum Usable Ratio",
                                           "Incremental Rain Cap"};

// The site boxes, the DSID box each seeds and its template.
struct SiteBox {
  int site;
  int dsid;
  const char* pattern;
  bool trimmed;
};
constexpr SiteBox kSites[] = {{0, 1, "31000", false}, {3, 4, " 10000", true}, {5, 6, "-10000", false},
                              {7, 8, "-10000", true}};

// The last n characters of the template replaced by the site.
std::string overEnd(const std::string& pattern, const std::string& site) {
  const int keep = vb::Len(pattern) - vb::Len(site);
  return (keep > 0 ? vb::Left(pattern, keep) : std::string()) + site;
}

void boxRule(BoxModel& b, int index) {
  for (const SiteBox& sb : kSites) {
    if (sb.site != index) continue;
    if (cutSiteBox(b, box(index))) return;
    const std::string site = b.text(box(index));
    const std::string dsid = overEnd(sb.pattern, site);
    b.setText(box(sb.dsid), sb.trimmed ? vb::Trim(dsid) : dsid);
    // The basin takes the ratio's site, the radar point the gage's.
    if (index == 0) b.setText(box(7), site);
    if (index == 3) b.setText(box(5), site);
    return;
  }
  if (index == 10) b.setText(box(11), vb::CStr(vb::Round(vb::Val(b.text(box(10))) * 0.5, 2)));
}

}  // namespace

std::string adjustedRainDsid(const WizardForm& w) {
  const std::string site = w.boxes.text(box(7));
  return "11" + std::string(static_cast<std::size_t>(std::max(0, 3 - vb::Len(site))), '0') + site;
}

std::string RatioSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  return "COMPUTE-Hour; " + b.text(box(1)) + "; Ratio; " + b.text(box(2)) + "; 0; " + b.text(box(9)) + ", " +
         b.text(box(10)) + ", " + b.text(box(12)) + "; P1/P2";
}

std::string AdjustedRainSetupLine(const WizardForm& w) {
  const BoxModel& b = w.boxes;
  return "COMPUTE-Unit; " + adjustedRainDsid(w) + "; Rainfall; " + b.text(box(2)) + "; 0; -1, " + b.text(box(10)) +
         ", " + b.text(box(11)) + ", " + b.text(box(13)) + "; P1*P2";
}

std::string ratioRsiteRow(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  return b.text(box(5)) + "; " + b.text(box(1)) + "; " + b.text(box(2)) +
         "; 31; ratio; gage/radar; gage/radar ratio; " + b.text(box(4)) + "," + b.text(box(6)) + "; COMPUTE" +
         pageTail(s, b.text(box(1)));
}

std::string adjustedRainRsiteRow(const Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  return b.text(box(7)) + "; " + adjustedRainDsid(s.frmWizard) + "; " + b.text(box(2)) +
         "; 11; rainfall; inches; adjusted rainfall; " + b.text(box(1)) + "," + b.text(box(8)) + "; COMPUTE" +
         pageTail(s, b.text(box(1)));
}

void rebuildRatioPage(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  const WizardForm& w = s.frmWizard;
  steps({[&] { b.setText("txtsetupRatio(0)", RatioSetupLine(w)); },
         [&] { b.setText("txtsetupRatio(1)", AdjustedRainSetupLine(w)); },
         [&] { b.setText("txtsetupRatio(2)", ratioRsiteRow(s)); },
         [&] { b.setText("txtsetupRatio(3)", adjustedRainRsiteRow(s)); }});
}

void txtratio_Change(Session& s, int index) {
  steps({[&] { boxRule(s.frmWizard.boxes, index); }, [&] { rebuildRatioPage(s); }});
}

void cmdRatioRsiteThis_Click(Session& s) {
  const BoxModel& b = s.frmWizard.boxes;
  ReplaceRsite(s, b.text(box(1)), b.text("txtsetupRatio(2)"));
  ReplaceRsite(s, adjustedRainDsid(s.frmWizard), b.text("txtsetupRatio(3)"));
}

void radarAdjustPageLoad(Session& s) {
  BoxModel& b = s.frmWizard.boxes;
  for (int i = 0; i < kRatioBoxes; ++i) {
    b[box(i)].Text.clear();
    b[boxId("LabelRatio", i)].Caption = kCaptions[i];
    b.onChange(box(i), [&s, i] { txtratio_Change(s, i); });
  }
  for (int i = 0; i < 4; ++i) b[boxId("txtsetupRatio", i)];
  b["cmdRatioRsiteThis"].Caption = "Rsite Update This";
  b.onClick("cmdRatioRsiteThis", [&s] { cmdRatioRsiteThis_Click(s); });
  registerPageMenu(s, "ratio", "FrameRatio", "Radar Adjust Setup");
}

}  // namespace fw
