#pragma once
// Rules several wizard pages share: the site box that seeds a page's DSIDs, the standard time
// meridian a longitude falls in, and a page's source column.
#include <initializer_list>
#include <string>
#include <utility>

#include "wizard/box_model.h"

namespace fw {

struct Session;

// A site box of 4 or more characters is cut to its first 3 (the cut arrives as a change of its
// own): true when it was cut, and the caller's defaults then wait for that change.
bool cutSiteBox(BoxModel& b, const std::string& siteBox);
// A DSID template with the site typed over its end: the first `width` - n characters of
// `pattern`, then the site (n its length). "-27000", 6 and site 12 give "-27012".
std::string siteDsid(const std::string& pattern, int width, const std::string& site);
// The standard time meridian of a longitude (degrees, west negative): "-120", "-105", "-90",
// "-75", or empty east of Greenwich. A text that is no number counts as 0.
std::string meridianFor(const std::string& longitude);
// "COMPUTE" when the trimmed station code holds it, else the trimmed code.
std::string sourceFor(const std::string& station);
// With COMPUTE as the station and the temperature box still at its code, the input boxes take the
// DSIDs of the same site: each prefix followed by the last three characters of the DSID box.
// True when they were filled.
bool fillComputeInputs(BoxModel& b, const std::string& stationBox, const std::string& temperatureBox,
                       const std::string& dsidBox,
                       std::initializer_list<std::pair<std::string, std::string>> inputs);
// The wind-speed code a station reports: a 4-letter airport station with the temperature code
// "TemperatureF" reports "WindSpeedMPH", the others "Wind SpeedMPH".
std::string windCodeFor(const std::string& trimmedStation, const std::string& temperature);
// A page's row tail with the form's loaded state.
std::string pageTail(const Session& s, const std::string& dsid);
// The page menus and their captions.
void registerPageMenu(Session& s, const std::string& menu, const std::string& frame, const std::string& caption);

}  // namespace fw
