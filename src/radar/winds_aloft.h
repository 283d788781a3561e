#pragma once
// Storm motion from the winds aloft: the site's winds-aloft settings file, the aviation service's
// winds-aloft forecast table, the wind at the chosen level, the point three hours upwind on the
// great circle, and that displacement as image pixels per minute through the image's world file.
// The result goes to the site's NowCast file (read back by the radar batch, which shifts the last
// image by it to make the nowcast images) and a line of the nowcast history file.
//
// Files, in the radar companion's folder (RRR the radar site, PPP the product):
//   "WindsAloft_RRR_PPP.txt"   settings: title, altitude, [altitude text], latitude, longitude, [rule]
//   "RRR_PPP.pgw"              world file of the image ("RRR_PPP_0.gfw" for Canadian images)
//   "NowCast_RRR_PPP.txt"      date, expiry, X and Y pixels per minute, wind description
//   "NowCast_RRR_PPP_RECENT.txt" and ".png"  the history of headings and its picture
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb/date.h"

namespace fw {

struct Session;

inline constexpr const char* kWindLevels = "3000 6000 9000 12000 18000 24000 30000 34000 39000";
inline constexpr int kWindLevelCount = 9;
inline constexpr const char* kWindsAloftQuery = "/api/data/windtemp?region=us&level=low&fcst=06";
inline constexpr double kKnotsToMph = 1.150779;
inline constexpr double kEarthRadiusMiles = 3959;
inline constexpr double kTravelHours = 3.0;
inline constexpr vb::VbDate kNowcastLifetime = 0.0194444;  // days: 28 minutes
inline constexpr int32_t kNowcastHistoryLimit = 6000;       // bytes

// ---- the settings file ----
struct WindsAloftSettings {
  double Altitude = 0;                 // feet; 0 means 18000
  std::string AltitudeText = "18000";  // shown in the wind description
  double Latitude = 0;                 // decimal degrees
  double Longitude = 0;                // decimal degrees, negative west
  std::string RuleText;                // "30R70": empty without a rule in force
  double Turn = 0;                     // degrees added to the wind direction
  double Ratio = 1.0;                  // of the wind speed
};
// Reads the lines of the settings file; the rule line counts only with `useRule` ("Use Nowcast
// 30R70 line" ticked). Raises vb::Error for a line 2 without ":" and for a file that ends early.
WindsAloftSettings parseWindsAloftSettings(const std::vector<std::string>& lines, bool useRule);

// The index (0 to 8) of the first level at or above the altitude (rounded; 0 is 18000); -1 above
// 39000 ft.
int windLevelIndex(double altitudeFeet);
std::string windLevelText(int index);

// ---- the forecast table ----
// One wind group of a station line: direction (from, degrees) and speed (knots).
struct WindGroup {
  bool Missing = true;
  int Direction = 0;
  int Speed = 0;
  std::string Field;  // the group's text as it stands in the line
};
// The group of level `index` (0 to 8) by the product's fixed columns: the 3000 ft group at column
// 5, then 10, 18, 26, 34, 42, 50 and the 6-character 34000 and 39000 ft groups at 57 and 64.
// Directions 0-36 are tens of degrees; 51-86 stand for speeds of 100 knots or more (direction - 50,
// speed + 100); anything else ("9900", light and variable; a blank group) is missing, as is every
// 3000 ft group. A speed of 0 counts as 1 knot.
WindGroup decodeWindGroup(const std::string& stationLine, int index);
// The first line of the table (its first and last lines excepted) whose first three characters
// are the id; nothing when none is.
std::optional<std::string> findWindsStation(const std::vector<std::string>& lines, const std::string& id);
// Whether the text is a winds-aloft table at all: it has the "FT  3000 ..." heading line.
bool looksLikeWindsTable(const std::vector<std::string>& lines);

// ---- storm motion ----
struct GeoPoint {
  double Latitude = 0, Longitude = 0;  // degrees
};
// The point `miles` away from (latitude, longitude) along the initial bearing (degrees from north)
// on a sphere of the Earth's radius.
GeoPoint greatCirclePoint(double latitude, double longitude, double bearing, double miles);
// The bearing after the rule's turn, kept in [0, 360).
double turnedBearing(double direction, double turn);
// The direction storms move toward: bearing - 180, in [0, 360).
double stormHeading(double bearing);
// "North", "NNE", ... of a heading (index heading / 22.5 rounded half to even).
std::string compassName(double heading);

// The world file's pixel width A (degrees of longitude) and height E (degrees of latitude,
// negative for a north-up image); nothing with fewer than six lines or a value that is no number.
struct WorldFile {
  double A = 0, E = 0;
};
std::optional<WorldFile> parseWorldFile(const std::string& text);

// "12 MPH NNE 22° ALT 18000', 18000', 30R70".
std::string windDescription(double mph, double heading, const std::string& levelText,
                            const std::string& altitudeText, const std::string& ruleText);

// ---- files ----
// The folder of the winds-aloft and nowcast files: "Skyvantor.exe folder=", else the Skyvantor
// folder beside the program folder.
std::string windsAloftFolder(const Session& s);
std::string windsAloftPath(const Session& s, const std::string& site, const std::string& product);
std::string nowcastPathFor(const std::string& windsAloftPath);  // every "WindsAloft" as "NowCast"
std::string historyPathFor(const std::string& nowcastPath);     // ".txt" as "_RECENT.txt"
std::string graphicPathFor(const std::string& historyPath);     // every "txt" as "png"
std::string worldFilePathFor(const std::string& windsAloftPath, bool canadaSite);

struct NowcastMotion {
  vb::VbDate Expires = 0;
  float X = 0;  // pixels per minute east
  float Y = 0;  // pixels per minute south
};
// Lines 2 to 4 of a NowCast file: the first 16 characters of line 2 as a date, lines 3 and 4 by
// their leading number. Nothing for a missing file or one whose expiry is no date.
std::optional<NowcastMotion> readNowcastFile(const std::string& path);
// The five lines, written to a temporary file renamed over the old one (a failed write leaves the
// last file whole). Raises vb::Error when the file cannot be written.
void writeNowcastFile(const std::string& path, vb::VbDate runTime, const NowcastMotion& motion,
                      const std::string& description);
// Appends CR LF and the record (no line end after it).
void appendHistoryRecord(const std::string& path, const std::string& record);

// ---- the routine ----
// Works out the storm motion for the settings file at `path` and the winds-aloft station `id`.
// On success `expiry` is the clock time plus 28 minutes and the rates are set; `path` becomes the
// NowCast file's path once the files are reached. `expiry` is 0 when no motion could be worked out
// (the reason in LastError and the error log, the last NowCast file left as it was); it is left
// alone when the world file is missing.
void Windsaloft(Session& s, std::string& path, const std::string& id, vb::VbDate& expiry, float& xRate,
                float& yRate);

}  // namespace fw
