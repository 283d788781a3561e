#pragma once
// A station line read field by field into the boxes of the wizard's pages: the fills every
// opening makes, then the fields the chosen page reads. Every box set runs its page's change
// handling, so each page's line and rows are rebuilt as the boxes fill.
#include <string>
#include <vector>

#include "wizard/box_model.h"

namespace fw {

// The editor row's cells: index i is field i of the station line (index 0 unused), untrimmed.
using LineFields = std::vector<std::string>;

// The line's DSID as the pages read it: field 2 trimmed, cut before its first ",".
std::string pageDsid(const LineFields& f);

// The site name boxes of every page.
void siteNameFills(BoxModel& b, const std::string& siteName);
// The Site_ID boxes and the default DSIDs of every page, from the last three characters of the DSID.
void commonFills(BoxModel& b, const std::string& dsid);

void parseRadarPage(BoxModel& b, const LineFields& f, const std::string& dsid);
// The runoff boxes; the caller then runs the page's rebuild and its unit-graph choice.
void parseRunoffPage(BoxModel& b, const LineFields& f, const std::string& dsid);
void parseSnowmeltPage(BoxModel& b, const LineFields& f);
void parseEtPage(BoxModel& b, const LineFields& f, const std::string& dsid, const std::string& stationId,
                 const std::string& datatypeUpper);
void parseSolarPage(BoxModel& b, const LineFields& f, const std::string& dsid, const std::string& stationId);
void parseLongPage(BoxModel& b, const LineFields& f, const std::string& dsid, const std::string& stationId);
void parseRatioPage(BoxModel& b, const LineFields& f, const std::string& dsid);
void parseForecastPage(BoxModel& b, const LineFields& f, const std::string& dsid,
                       const std::string& stationId);

// A formula field without its "*" and "P1": the adjust factor it multiplies the input by.
std::string formulaFactor(const std::string& formula);

}  // namespace fw
