#include "radar/radar_rain.h"

#include <fstream>
#include <sstream>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "radar/image.h"
#include "radar/image_sources.h"
#include "radar/radar_hooks.h"

namespace fw {

namespace {

constexpr double kMinutesPerDay = 1440;

bool readWhole(const std::filesystem::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return true;
}

std::string imageFileName(const RadarPass& pass) {
  return pass.site + "_" + pass.product + (pass.rain.RadarImageMode != 0 ? ".png" : "_0.gif");
}

// The depth a basin's value adds to its sum for the log line: US images stand for the minutes
// since the image before (5 when that is below 5 or above 15).
double depthStep(const RadarPass& pass, const RadarBasin& basin, double value, vb::VbDate time) {
  if (pass.rain.CanadaSite) return pass.intervalMinutes >= 10 ? value : 2 * value;
  double minutes = basin.previousTime > 0 ? (time - basin.previousTime) * kMinutesPerDay : 5;
  if (minutes < 5 || minutes > 15) minutes = 5;
  return value * minutes / 5;
}

std::string logLine(const RadarPass& pass, const RadarBasin& basin, const BasinStats& st, double mean) {
  const std::string n = vb::CStr(st.points);
  const std::string at = " (at X,Y " + vb::CStr(st.maxX) + ", " + vb::CStr(st.maxY) + ")";
  if (!pass.rainProduct) {
    const char* what = scanStep(pass.product) == 2 ? "diff" : "max";
    return "--For " + n + " Points, " + what + "=" + vb::CStr(st.maximum) + at;
  }
  if (basin.row.DataType == 32) return "--For " + n + " Points, max=" + vb::FormatNumber(st.maximum, "##.##") + at;
  const std::string unit = pass.metric ? " mm" : " inches";
  if (basin.row.DataType == 9) return "--For " + n + " Points, Avg Rain=" + vb::FormatNumber(mean, "0.00000") + unit;
  return "--For " + n + " Points, Avg Rain=" + vb::FormatNumber(mean, "0.00000") +
         " in/hr Rain Sum=" + vb::FormatNumber(basin.depth, "0.00") + unit;
}

// The downloaded image kept on request: when its value reaches the "Save Radar >" threshold.
void saveOnRequest(Session& s, const RadarPass& pass, const RadarBasin& basin, const std::string& bytes,
                   vb::VbDate time, double value) {
  if (!s.form.chkSaveRadar.ticked()) return;
  const double threshold = vb::Val(s.form.txtRadarInch.Text);
  if (value < threshold) return;
  const bool png = pass.rain.RadarImageMode != 0;
  const std::string stamp = vb::Format(time, "yyyymmddhhmm");
  std::string name;
  if (threshold > 0)
    name = basin.row.Dsid + "_" + pass.site + "_" + pass.product + "_" + stamp + vb::FormatNumber(value, "_00.00") +
           (png ? ".png" : ".gif");
  else
    name = "0_" + pass.site + "_" + pass.product + "_" + stamp + "_0.000" + (png ? ".png" : ".gif");
  const std::filesystem::path folder = radarFolder(s);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) s.errlog.writeLine("Radar image not saved: " + (folder / name).string());
  if (s.form.chkBeep.ticked()) s.ui.beep();
}

}  // namespace

std::filesystem::path radarFolder(const Session& s) {
  return s.RadarBoundaryFolder.empty() ? s.programFolder : std::filesystem::path(s.RadarBoundaryFolder);
}

std::string pointFileName(const std::string& site, const std::string& dsid, const std::string& product,
                          int16_t imageMode, bool fileList) {
  std::string suffix = ".txt";
  if (fileList)
    suffix = "K.txt";
  else if (imageMode != 0)
    suffix = (product == "N0Q" || product == "PTA") ? "Q.txt" : product == "N0B" ? "B.txt" : "R.txt";
  std::string id = dsid;
  if (product == "HRR") {
    // Only the DSID's own lead: a DSID holding "11" further on keeps it.
    if (vb::Left(id, 3) == "-11")
      id = "-10" + id.substr(3);
    else if (vb::Left(id, 2) == "11")
      id = "-10" + id.substr(2);
  }
  return "NexradPoint" + site + id + suffix;
}

std::filesystem::path boundaryFileFor(const std::filesystem::path& pointFile) {
  const std::string name = pointFile.filename().string();
  const std::string upper = vb::UCase(name);
  const int at = vb::InStr(upper, "NEXRADPOINT");
  const std::string wanted =
      at > 0 ? vb::Left(upper, at - 1) + "NEXRADBOUNDARY" + upper.substr(static_cast<size_t>(at - 1) + 11) : upper;
  std::error_code ec;
  const std::filesystem::path folder = pointFile.parent_path().empty() ? "." : pointFile.parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (vb::UCase(entry.path().filename().string()) == wanted) return entry.path();
  return {};
}

void loadRadarBasins(RadarPass& pass, const std::vector<RadarLineRow>& rows, const std::filesystem::path& folder) {
  pass.basins.clear();
  for (const RadarLineRow& row : rows) {
    RadarBasin b;
    b.row = row;
    b.pointFile = folder / pointFileName(pass.site, row.Dsid, pass.product, pass.rain.RadarImageMode, pass.fileList);
    std::string text;
    if (!readWhole(b.pointFile, text)) {
      b.error = "File not found: " + b.pointFile.string();
    } else {
      std::string why;
      b.mask = parsePointFile(text, why);
      if (!b.mask) b.error = why + ": " + b.pointFile.string();
    }
    std::string outline;
    const std::filesystem::path boundary = boundaryFileFor(b.pointFile);
    if (!boundary.empty() && readWhole(boundary, outline)) b.outline = parseBoundary(outline);
    pass.basins.push_back(std::move(b));
  }
  pass.series.reset(pass.basins.size());
}

RadarImageResult readRadarImage(Session& s, RadarPass& pass, const std::string& bytes, vb::VbDate time,
                                const RadarShift* shift) {
  ImageError error;
  const RadarImage image = RadarImage::fromBytes(bytes, error);
  if (!error.ok() || image.isNull()) return RadarImageResult::NotAnImage;
  if (!pass.classifier) pass.classifier.emplace(static_cast<const ColourTables&>(s), pass.rain);
  RadarWindowHooks& hooks = *s.RadarHooks;
  const bool viewOff = hooks.viewOff(s.BatchMode);
  const vb::VbDate imageTime = toIntervalGrid(time, pass.intervalMinutes);
  const std::string name = imageFileName(pass);
  if (!viewOff) {
    RadarImageShown shown;
    shown.image = &image;
    shown.site = pass.site;
    shown.product = pass.product;
    shown.imageName = name;
    shown.time = imageTime;
    shown.imageMode = pass.rain.RadarImageMode;
    shown.canadian = pass.rain.CanadaSite;
    shown.nowcast = shift != nullptr;
    if (!pass.basins.empty() && pass.product != "HRR") shown.boundaryPath = boundaryFileFor(pass.basins[0].pointFile).string();
    hooks.drawImage(s, shown);
  }
  const ArgbPixels pixels{image.height() > 0 ? image.row(0) : nullptr, image.width(), image.height(),
                          image.height() > 1 ? image.row(1) - image.row(0) : image.width()};
  double suppress = 0;  // every rain image starts with the suppression off
  pass.log.clear();
  for (size_t j = 0; j < pass.basins.size(); ++j) {
    RadarBasin& basin = pass.basins[j];
    if (!basin.mask) continue;
    int dx = 0, dy = 0;
    if (shift && shift->basinSwitch && j < shift->basinSwitch->size() && (*shift->basinSwitch)[j]) {
      dx = static_cast<int>(vb::Round(shift->x));
      dy = static_cast<int>(vb::Round(shift->y));
    }
    const BasinStats st = pass.rainProduct ? rainBasinStats(pixels, *basin.mask, *pass.classifier, suppress, dx, dy)
                                           : echoBasinStats(pixels, *basin.mask, pass.product, dx, dy);
    const double mean = st.mean();
    double value = basinValue(st, pass.rainProduct, basin.row.DataType, pass.intervalMinutes, pass.metric);
    if (pass.rainProduct && basin.row.DataType != 32) {
      basin.depth += depthStep(pass, basin, value, imageTime);
      basin.previousTime = imageTime;
    }
    const std::string line = logLine(pass, basin, st, mean);
    value = inversionSuppressed(value, mean, basin.row.Inversion, basin.row.DataType);
    value = adjustedValue(value, basin.row.Adjustment, s.form.ScriptControl1);
    pass.log += vb::Format(imageTime, " hh:mm ") + basin.row.Label + " " + line + "\r\n";
    pass.series.collect(j, imageTime, value);
    if (!viewOff && (j == 0 || !hooks.continuous())) {
      RadarBasinShown b;
      b.basin = static_cast<int>(j);
      b.dsid = basin.row.Dsid;
      b.logText = line;
      b.readout = name + vb::Format(imageTime, " yyyy-Mmm-dd hh:mm");
      b.outline = basin.outline;
      b.hasMaximum = st.maximum > 0;
      b.maxX = st.maxX;
      b.maxY = st.maxY;
      if (shift) {
        b.shiftX = shift->x;
        b.shiftY = shift->y;
      }
      hooks.drawBasin(s, b);
      if (hooks.waitStep(s) == RadarStep::Stop) return RadarImageResult::Stopped;
      suppress = hooks.suppressRate();
    }
    if (!shift) saveOnRequest(s, pass, basin, bytes, imageTime, value);
  }
  return RadarImageResult::Read;
}

}  // namespace fw
