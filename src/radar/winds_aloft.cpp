#include "radar/winds_aloft.h"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/session.h"
#include "common/angles.h"
#include "common/log_files.h"
#include "common/paths.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "radar/image.h"
#include "retrieval/get_url.h"
#include "retrieval/service_servers.h"

namespace fw {

namespace {

constexpr double kDegToRad = 3.14159 / 180;
constexpr const char* kCompassNames =
    "North NNE   NE    ENE   East  ESE   SE    SSE   South SSW   SW    WSW   West  WNW   NW    NNW   North";
// The column (1-based) where each level's group begins in a station line.
constexpr int kGroupColumns[kWindLevelCount] = {5, 10, 18, 26, 34, 42, 50, 57, 64};
constexpr int kHeadingsWidth = 360, kHeadingsHeight = 180;  // the headings picture, pixels
constexpr int kHeadingsFontPoints = 8;

const std::string& lineAt(const std::vector<std::string>& lines, std::size_t i) {
  if (i >= lines.size()) throw vb::Error(62, "Input past end of file");
  return lines[i];
}

std::string beforeColon(const std::string& line) {
  const int at = vb::InStr(line, ":");
  return vb::Trim(at > 0 ? vb::Left(line, at - 1) : line);
}

bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

WindsAloftSettings parseWindsAloftSettings(const std::vector<std::string>& lines, bool useRule) {
  WindsAloftSettings w;
  const std::string& altitudeLine = lineAt(lines, 1);
  if (vb::InStr(altitudeLine, ":") == 0)
    throw vb::Error(5, "line 2 of the winds-aloft file holds no \":\": " + altitudeLine);
  const std::string altitude = beforeColon(altitudeLine);
  w.Altitude = vb::IsNumeric(altitude) ? vb::Val(altitude) : 0;
  std::size_t next = 2;
  if (vb::Val(lineAt(lines, next)) > 180) {
    w.AltitudeText = beforeColon(lines[next]);
    ++next;
  }
  w.Latitude = vb::Val(lineAt(lines, next));
  w.Longitude = vb::Val(lineAt(lines, next + 1));
  const std::size_t ruleLine = next + 2;
  if (useRule && ruleLine < lines.size() && vb::InStr(lines[ruleLine], ":") > 0) {
    const std::string rule = beforeColon(lines[ruleLine]);
    const int r = vb::InStr(vb::UCase(rule), "R");
    if (r > 0) {
      w.RuleText = rule;
      w.Turn = vb::Val(vb::Left(rule, r - 1));
      w.Ratio = vb::Val(vb::Mid(rule, r + 1)) / 100.0;
    }
  }
  return w;
}

int windLevelIndex(double altitudeFeet) {
  double altitude = vb::Round(altitudeFeet);
  if (altitude == 0) altitude = 18000;
  const std::vector<std::string> levels = vb::Split(kWindLevels, " ");
  for (int i = 0; i < kWindLevelCount; ++i)
    if (vb::Val(levels[static_cast<std::size_t>(i)]) >= altitude) return i;
  return -1;
}

std::string windLevelText(int index) {
  const std::vector<std::string> levels = vb::Split(kWindLevels, " ");
  return index >= 0 && index < kWindLevelCount ? levels[static_cast<std::size_t>(index)] : std::string();
}

WindGroup decodeWindGroup(const std::string& stationLine, int index) {
  WindGroup g;
  if (index <= 0 || index >= kWindLevelCount) return g;
  const int column = kGroupColumns[index];
  const int width = index >= 6 ? 6 : 7;
  g.Field = vb::Mid(stationLine, column, width);
  const std::string dir = vb::Mid(stationLine, column, 2);
  const std::string speed = vb::Mid(stationLine, column + 2, 2);
  if (!allDigits(dir) || !allDigits(speed)) return g;
  int d = static_cast<int>(vb::Val(dir));
  int kt = static_cast<int>(vb::Round(vb::Val(speed)));
  if (d >= 51 && d <= 86) {
    d -= 50;
    kt += 100;
  } else if (d >= 37) {
    return g;
  }
  g.Missing = false;
  g.Direction = d * 10;
  g.Speed = kt == 0 ? 1 : kt;
  return g;
}

std::optional<std::string> findWindsStation(const std::vector<std::string>& lines, const std::string& id) {
  for (std::size_t i = 1; i + 1 < lines.size(); ++i)
    if (vb::Left(lines[i], 3) == id) return lines[i];
  return std::nullopt;
}

bool looksLikeWindsTable(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const std::string t = vb::Trim(line);
    if (vb::Left(t, 2) == "FT" && vb::InStr(t, "3000") > 0 && vb::InStr(t, "39000") > 0) return true;
  }
  return false;
}

GeoPoint greatCirclePoint(double latitude, double longitude, double bearing, double miles) {
  const double phi1 = latitude * kDegToRad, lambda1 = longitude * kDegToRad, theta = bearing * kDegToRad;
  const double delta = miles / kEarthRadiusMiles;
  const double phi2 = arcsin(std::sin(phi1) * std::cos(delta) + std::sin(delta) * std::cos(phi1) * std::cos(theta));
  const double x = std::cos(delta) - std::sin(phi2) * std::sin(phi1);
  const double y = std::sin(delta) * std::sin(theta) * std::cos(phi1);
  const double lambda2 = lambda1 + Atan2(x, y);
  return {phi2 / kDegToRad, lambda2 / kDegToRad};
}

double turnedBearing(double direction, double turn) {
  double b = direction + turn;
  if (b > 360) b -= 360;
  if (b == 360) b = 0;
  return b;
}

double stormHeading(double bearing) {
  double h = bearing - 180;
  if (h < 0) h += 360;
  return h;
}

std::string compassName(double heading) {
  const int k = static_cast<int>(vb::Round(heading / 22.5));
  return vb::Trim(vb::Mid(kCompassNames, k * 6 + 1, 5));
}

std::optional<WorldFile> parseWorldFile(const std::string& text) {
  const std::vector<std::string> lines = vb::Split(text, "\n");
  if (lines.size() < 6) return std::nullopt;
  const std::string a = vb::Trim(vb::Replace(lines[0], "\r", ""));
  const std::string e = vb::Trim(vb::Replace(lines[3], "\r", ""));
  if (!vb::IsNumeric(a) || !vb::IsNumeric(e) || vb::Val(a) == 0 || vb::Val(e) == 0) return std::nullopt;
  return WorldFile{vb::Val(a), vb::Val(e)};
}

std::string windDescription(double mph, double heading, const std::string& levelText,
                            const std::string& altitudeText, const std::string& ruleText) {
  return vb::CStr(static_cast<int32_t>(vb::Round(mph))) + " MPH " + compassName(heading) + " " +
         vb::CStr(static_cast<int32_t>(vb::Fix(heading))) + "\u00B0 ALT " + levelText + "', " + altitudeText +
         "', " + ruleText;
}

std::string windsAloftFolder(const Session& s) {
  if (!s.SkyvantorFolder.empty()) return s.SkyvantorFolder;
  return ParentFolder(s.programFolder.string()) + "Skyvantor/";
}

std::string windsAloftPath(const Session& s, const std::string& site, const std::string& product) {
  return (std::filesystem::path(windsAloftFolder(s)) / ("WindsAloft_" + site + "_" + product + ".txt")).string();
}

namespace {

// The path with the rule applied to its file name alone: a folder whose name holds the text
// ("WindsAloft", "txt") stays as it is.
std::string inFileName(const std::string& path, const std::string& find, const std::string& with) {
  const std::size_t cut = path.find_last_of("/\\");
  const std::size_t at = cut == std::string::npos ? 0 : cut + 1;
  return path.substr(0, at) + vb::Replace(path.substr(at), find, with);
}

}  // namespace

std::string nowcastPathFor(const std::string& windsAloftPath) {
  return inFileName(windsAloftPath, "WindsAloft", "NowCast");
}

std::string historyPathFor(const std::string& nowcastPath) { return inFileName(nowcastPath, ".txt", "_RECENT.txt"); }

std::string graphicPathFor(const std::string& historyPath) { return inFileName(historyPath, "txt", "png"); }

std::string worldFilePathFor(const std::string& windsAloftPath, bool canadaSite) {
  const std::size_t cut = windsAloftPath.find_last_of("/\\");
  const std::size_t at = cut == std::string::npos ? 0 : cut + 1;
  std::string name = windsAloftPath.substr(at);
  if (vb::Left(name, 11) == "WindsAloft_") name = name.substr(11);
  name = vb::Replace(name, ".txt", ".pgw");
  if (canadaSite) name = vb::Replace(name, ".pgw", "_0.gfw");
  return windsAloftPath.substr(0, at) + name;
}

std::optional<NowcastMotion> readNowcastFile(const std::string& path) {
  if (!vb::fileExists(path)) return std::nullopt;
  const std::vector<std::string> lines = vb::readLines(path);
  if (lines.size() < 4) return std::nullopt;
  const std::optional<vb::VbDate> expires = vb::parseDate(vb::Left(lines[1], 16));
  if (!expires) return std::nullopt;
  NowcastMotion m;
  m.Expires = *expires;
  m.X = static_cast<float>(vb::Val(lines[2]));
  m.Y = static_cast<float>(vb::Val(lines[3]));
  return m;
}

void writeNowcastFile(const std::string& path, vb::VbDate runTime, const NowcastMotion& motion,
                      const std::string& description) {
  vb::writeLines(path, {vb::Format(runTime, "yyyy-mm-dd hh:mm") + " :Date",
                        vb::Format(motion.Expires, "yyyy-mm-dd hh:mm") + " :Expires",
                        vb::CStrSingle(motion.X) + " :X pixels per minute east",
                        vb::CStrSingle(motion.Y) + " :Y pixels per minute south", description});
}

void appendHistoryRecord(const std::string& path, const std::string& record) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (!out) throw vb::Error(75, "Path/File access error: " + path);
  out << "\r\n" << record;
  if (!out.flush()) throw vb::Error(57, "Device I/O error: " + path);
}

namespace {

// The last nine history records under a heading, drawn on a white picture.
void drawHeadings(const std::string& historyPath) {
  std::string text = "Winds Aloft Headings\r\n";
  if (vb::fileExists(historyPath)) {
    const std::vector<std::string> records = vb::Split(vb::readAllBytes(historyPath), "\r\n");
    const int n = vb::UBound(records);
    if (n != 0)
      for (int i = n - 8; i <= n; ++i)
        if (i >= 0) text += records[static_cast<std::size_t>(i)] + "\r\n";
  }
  ImageError error;
  RadarImage picture = RadarImage::blank(kHeadingsWidth, kHeadingsHeight, 0xFFFFFFFF, error);
  if (error.ok()) error = DrawGdipText(text, kHeadingsFontPoints, 10, 10, picture);
  if (error.ok()) error = picture.save(graphicPathFor(historyPath));
  if (!error.ok()) throw vb::Error(static_cast<int32_t>(error.status), error.text);
}

}  // namespace

void Windsaloft(Session& s, std::string& path, const std::string& id, vb::VbDate& expiry, float& xRate,
                float& yRate) {
  std::string errorText, pending;
  const std::string nowcastPath = nowcastPathFor(path);
  const std::string historyPath = historyPathFor(nowcastPath);
  bool toGraphic = false;
  try {
    const WindsAloftSettings w = parseWindsAloftSettings(vb::readLines(path), s.form.chk30R70.Value != 0);
    const std::string reply = GetURL(s, serverBase(s, kAviationWeatherService) + kWindsAloftQuery, true);
    const std::vector<std::string> lines = vb::Split(reply, "\n");
    const int level = windLevelIndex(w.Altitude);
    std::optional<std::string> station;
    if (reply.empty()) {
      pending = " no winds-aloft forecast was received; the last NowCast file is kept";
    } else if (!looksLikeWindsTable(lines)) {
      pending = " the winds-aloft reply is no forecast table (no \"FT  3000 ... 39000\" line): \"" +
                vb::Left(vb::Replace(vb::Replace(reply, "\r", " "), "\n", " "), 60) + "\"; the last NowCast file is kept";
    } else if (!(station = findWindsStation(lines, id))) {
      pending = " Nowcast NOAA airport ID on Flumewright_setup.txt not found: " + id;
    } else if (level < 0) {
      throw vb::Error(5, "winds-aloft altitude above 39000 ft: " + vb::CStr(w.Altitude));
    } else {
      const WindGroup g = decodeWindGroup(*station, level);
      if (g.Missing) {
        s.LastError = "Reusing Winds Aloft: " + vb::Format(s.RunDateTime, "Mmm-dd hh:mm ");
        s.errlog.writeLine(s.LastError);
        path = nowcastPath;
        appendHistoryRecord(historyPath, s.LastError);
        expiry = 1.0;
        pending = " Winds aloft direction missing at " + vb::Str(w.Altitude) + " ft " +
                  (level == 0 ? std::string(kWindLevels) : g.Field);
        toGraphic = true;
      } else {
        const double bearing = turnedBearing(g.Direction, w.Turn);
        const double mph = g.Speed * kKnotsToMph * w.Ratio;
        const GeoPoint upwind = greatCirclePoint(w.Latitude, w.Longitude, bearing, kTravelHours * mph);
        const double heading = stormHeading(bearing);
        const std::string worldPath = worldFilePathFor(path, s.CanadaSite);
        if (!vb::fileExists(worldPath)) {
          notify(s, "File not found: " + worldPath);
          return;
        }
        const std::optional<WorldFile> world = parseWorldFile(vb::readAllBytes(worldPath));
        if (!world) throw vb::Error(13, "world file unreadable (six numeric lines wanted): " + worldPath);
        const auto x = static_cast<float>((w.Longitude - upwind.Longitude) / world->A / 180.0);
        const auto y = static_cast<float>((w.Latitude - upwind.Latitude) / world->E / 180.0);
        const std::string description = windDescription(mph, heading, windLevelText(level), w.AltitudeText, w.RuleText);
        // From here a failure keeps what was set before it.
        try {
          path = nowcastPath;
          const NowcastMotion motion{s.clock.now() + kNowcastLifetime, x, y};
          expiry = motion.Expires;
          writeNowcastFile(nowcastPath, s.RunDateTime, motion, description);
          xRate = x;
          yRate = y;
          appendHistoryRecord(historyPath, vb::Format(s.RunDateTime, "Mmm dd, hh:mm, ") + description);
          s.Form3.showAdjustType(s.Form3.labelAdjustTypeCaption + " > " + description);
        } catch (const std::exception& e) {
          s.LastError = "Windsaloft Graphic: " + std::string(e.what());
          s.errlog.writeLine(s.LastError);
          return;
        }
        toGraphic = true;
      }
    }
  } catch (const std::exception& e) {
    errorText = e.what();
  }
  if (toGraphic) {
    try {
      if (s.form.chkWindsaloftgraphic.Value != 0) drawHeadings(historyPath);
    } catch (const std::exception& e) {
      s.LastError = "Windsaloft Graphic: " + std::string(e.what());
      s.errlog.writeLine(s.LastError);
      return;
    }
    ShrinkLog(s, historyPath, kNowcastHistoryLimit);
  }
  if (!errorText.empty() || !pending.empty()) {
    expiry = 0;
    s.LastError = "Windsaloft: " + errorText + pending;
    s.errlog.writeLine(s.LastError);
  }
}

}  // namespace fw
