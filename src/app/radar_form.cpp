#include "app/radar_form.h"

#include <algorithm>
#include <filesystem>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "radar/colour_tables.h"
#include "radar/image.h"
#include "radar/pixel_class.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr const char* kNoClass = " dbz=NA, in/hr=0";
constexpr const char* kNexradProducts = "N0BN0RN0QNCQPTAN1PN0ZA2MHRR";
constexpr int kGifSection = 480;
constexpr int kGifExtraX = 50;
constexpr vb::Color kWhite = 0xFFFFFF;

bool holds(const char* list, const std::string& code) { return !code.empty() && vb::InStr(list, code) > 0; }

// The caption up to and including its "=".
std::string upToEquals(const std::string& caption) {
  const int at = vb::InStr(caption, "=");
  return at > 0 ? vb::Left(caption, at) : caption;
}

std::string rateText(double rate) { return vb::FormatNumber(rate, "0.00"); }

// The first level-2 row from row 3 whose reflectivity is `dbz`; nullptr when none.
const Level2ZRRow* level2RowForDbz(const Level2ZRData& t, double dbz) {
  for (std::size_t i = 3; i < t.Rows.size(); ++i)
    if (t.Rows[i].Dbz == static_cast<float>(dbz)) return &t.Rows[i];
  return nullptr;
}

// Reflectivity captions from the level-2 table: dBZ text to its "=" and the relation's rate.
void level2Captions(Session& s, RadarForm& f) {
  const int zr = std::clamp<int>(f.ZRRelation, 0, kZRRelations - 1);
  f.frameDBZCaption = s.Level2ZRTable.ZRRelationNames[static_cast<std::size_t>(zr)];
  for (int k = 0; k < kLegendEntries; ++k) {
    const Level2ZRRow* row = level2RowForDbz(s.Level2ZRTable, 10 + 5 * k);
    const double rate = row == nullptr ? 0 : std::max(0.0, row->Rate[static_cast<std::size_t>(zr)]);
    auto& label = f.labelDBZ[static_cast<std::size_t>(k)];
    label.Caption = upToEquals(kLevel3LegendCaptions[static_cast<std::size_t>(k)]) + rateText(rate) + " in/hr";
  }
}

void coloursFromString(RadarForm& f, const std::string& colours) {
  for (int k = 0; k < kLegendEntries; ++k)
    f.labelDBZ[static_cast<std::size_t>(k)].BackColor = static_cast<vb::Color>(fixedWidthValue(colours, k));
}



}  // namespace

std::array<RadarLegendLabel, kRadarLegendLabels> designedRadarLegend() {
  std::array<RadarLegendLabel, kRadarLegendLabels> l{};
  for (int k = 0; k < kLegendEntries; ++k)
    l[static_cast<std::size_t>(k)] = {kLevel3LegendCaptions[static_cast<std::size_t>(k)],
                                      kLevel3LegendColours[static_cast<std::size_t>(k)]};
  // The 1-hour totals, as designed.
  const RadarLegendLabel totals[] = {
      {"1 in/hr", 0x008E00},   {"1.2 in/hr", 0x02F8FD}, {"1.5 in/hr", 0x00BCE5}, {"1.7 in/hr", 0x008BFD},
      {"2 in/hr", 0x0000FD},   {"2.5 in/hr", 0x0000D4}, {"3 in/hr", 0x0000BC},   {"4 in/hr", 0xFD00F8},
      {"6 in/hr", 0xC65498},   {"8 in/hr", 0xFDFDFD},   {".25 in/hr", 0xF40003}, {".1 in/hr", 0xF49F01},
      {"Trace", 0xE7E904},     {".5 in/hr", 0x02FD02},  {".75 in/hr", 0x01C501},
  };
  for (std::size_t i = 0; i < std::size(totals); ++i) l[kLegendEntries + i] = totals[i];
  return l;
}

void RadarForm::showAdjustType(const std::string& caption) {
  labelAdjustTypeCaption = caption;
  labelAdjustTypeVisible = true;
  AdjustTypeCaption = caption;
  changed();
}

void cmdContinue_Click(RadarForm& f) {
  f.RadarStepGo = true;
  f.RadarContinuous = true;
  f.cmdNextCaption = "Pause";
  f.changed();
}

void cmdNext_Click(RadarForm& f) {
  f.RadarStepGo = true;
  f.RadarContinuous = false;
  f.cmdNextCaption = "Next";
  f.changed();
}

void cmdSuppress_Click(RadarForm& f) {
  if (vb::InStr(f.cmdSuppressCaption, "OFF") > 0) {
    f.cmdSuppressCaption = kSuppressOn;
    f.RadarSuppressRate = kSuppressAllRate;
  } else {
    f.cmdSuppressCaption = kSuppressOff;
    f.RadarSuppressRate = 0;
  }
  f.changed();
}

void Form_Unload(RadarForm& f) {
  f.RadarViewOff = true;
  f.RadarStepGo = true;  // a run waiting on the window goes on
  f.RadarViewShown = false;
  f.cmdSaveVisible = false;
  f.Visible = false;
  f.changed();
}

std::string lastRadarPngPath(const Session& s) {
  return s.inProgramFolder("LastRadar" + vb::Format(s.RunDateTime, "yyyymmdd_hhmm") + ".png").string();
}

void cmdSave_Click(Session& s) {
  RadarForm& f = s.Form3;
  f.cmdSaveVisible = false;
  f.changed();
  const std::string path = lastRadarPngPath(s);
  std::string error;
  if (!f.savePicture) {
    error = "Graphics error: the radar window is not shown";
  } else if (f.savePicture(path, error)) {
    s.ui.msgBox(path + " saved to file.");
  }
  if (!error.empty()) s.ui.msgBox(error);
  f.cmdSaveVisible = true;
  f.changed();
}

std::string getrain(Session& s, vb::Color colour) {
  RadarForm& f = s.Form3;
  f.Label1BackColor = colour == kRadarBackColour ? kWhite : colour;
  const bool grey = colour == kRadarBackColour;
  if (f.RadarTotalsFlag) {
    for (const TotalsLegendEntry& e : kTotalsLegend) {
      if (e.colour != colour || e.value < 0.1) continue;
      return std::string(" dbz=NA, in/hr=") + vb::Replace(e.caption, " in/hr", "");
    }
    return kNoClass;
  }
  if (f.CanadaSite) {
    const int k = fixedWidthColourEntry(s.CanadaLegendTable.ColourString, colour);
    return k > 0 ? f.labelDBZ[static_cast<std::size_t>(k - 1)].Caption : std::string();
  }
  if (f.RadarImageMode == 0) {
    const int k = level3LegendIndex(s.Level3Legend, colour);
    return k >= 0 ? f.labelDBZ[static_cast<std::size_t>(k)].Caption : std::string(kNoClass);
  }
  if (grey) return kNoClass;
  if (f.RadarImageMode == 1) {
    return rateText(vb::Val(RadarColorRate(s.A2mRateTable, colour))) + " in/hr";
  }
  const int zr = std::clamp<int>(f.ZRRelation, 0, kZRRelations - 1);
  const int column = std::clamp(f.Level2Column, 0, 2);
  const auto& rows = s.Level2ZRTable.Rows;
  for (std::size_t i = 3; i < rows.size(); ++i) {
    if (rows[i].Colour[static_cast<std::size_t>(column)] != colour) continue;
    const double rate = std::max(0.0, rows[i].Rate[static_cast<std::size_t>(zr)]);
    return vb::CStr(rows[i].Dbz) + "=" + vb::CStr(rate) + " in/hr";
  }
  return "";
}

void Form_MouseDown(Session& s, int x, int y) {
  RadarForm& f = s.Form3;
  const std::string text = getrain(s, f.Picture.colourAt(x, y));
  f.Label1Caption = "  X=" + vb::CStr(x - f.RadarImageOffset.X) + ", Y=" + vb::CStr(y - f.RadarImageOffset.Y) +
                    ", DBZ " + text;
  f.changed();
}

void drawRadarImage(RadarForm& f, const RadarImage& image) {
  if (f.Picture.width() <= 1 || f.Picture.height() <= 1)
    f.Picture.resize(std::max(900, image.width() + 2 * kGifExtraX), std::max(700, image.height()));
  f.Picture.clear();
  f.RadarImageOffset.X = (f.Picture.width() - image.width()) / 2;
  f.RadarImageOffset.Y = (f.Picture.height() - image.height()) / 2;
  if (f.GifImage) {
    f.RadarImageOffset.X += kGifExtraX;
    f.Picture.drawImageSection(image, f.RadarImageOffset.X, f.RadarImageOffset.Y, kGifSection, kGifSection);
  } else {
    f.Picture.drawImage(image, f.RadarImageOffset.X, f.RadarImageOffset.Y);
  }
}

void drawRadarOutline(RadarForm& f, const std::vector<std::pair<int, int>>& outline, float shiftX, float shiftY) {
  std::vector<std::pair<int, int>> points;
  points.reserve(outline.size());
  for (const auto& [x, y] : outline)
    points.emplace_back(vb::toLong(x - shiftX) + f.RadarImageOffset.X, vb::toLong(y - shiftY) + f.RadarImageOffset.Y);
  f.Picture.drawPolyline(points, kOutlineColour);
}

void drawMaxCircle(RadarForm& f, int x, int y) {
  f.Picture.drawCircle(x + f.RadarImageOffset.X, y + f.RadarImageOffset.Y, kMaxCircleRadius, kOutlineColour);
}

std::vector<std::pair<int, int>> boundaryVertices(const std::string& text, int first) {
  const std::vector<std::string> lines = vb::Split(text, "\r\n");
  std::vector<std::pair<int, int>> points;
  for (int i = first; i <= vb::UBound(lines) - 3; ++i) {
    const std::vector<std::string> xy = vb::Split(lines[static_cast<std::size_t>(i)], ",");
    if (xy.size() < 2 || !vb::IsNumeric(xy[0]) || !vb::IsNumeric(xy[1])) continue;
    points.emplace_back(vb::toLong(vb::Val(xy[0])), vb::toLong(vb::Val(xy[1])));
  }
  return points;
}

bool boundaryCentre(const std::string& text, int& x, int& y) {
  const std::vector<std::string> lines = vb::Split(text, "\r\n");
  const int n = vb::UBound(lines);
  if (n < 2) return false;
  std::string line = lines[static_cast<std::size_t>(n - 2)];
  if (vb::InStr(line, "=") == 0) line = lines[static_cast<std::size_t>(n - 1)];
  const int at = vb::InStr(line, "=");
  if (at == 0) return false;
  const std::vector<std::string> xy = vb::Split(vb::Mid(line, at + 1), ",");
  if (xy.size() < 2 || !vb::IsNumeric(xy[0]) || !vb::IsNumeric(xy[1])) return false;
  x = vb::toLong(vb::Val(xy[0]));
  y = vb::toLong(vb::Val(xy[1]));
  return true;
}

void setRadarLegend(Session& s, const std::string& product, bool gifImage) {
  RadarForm& f = s.Form3;
  f.GifImage = gifImage;
  const bool nexrad = holds(kNexradProducts, product);
  if (nexrad) {
    if (product != "A2M" && product != "N0Q" && product != "N0B" && product != "NCQ") {
      f.RadarImageMode = 0;
    } else if (holds("N0BN0QNCQHRR", product)) {
      f.RadarImageMode = 2;
    } else {
      f.RadarImageMode = 1;
    }
  }
  if (product == "HRR") f.RadarImageMode = 2;
  if (gifImage) f.RadarImageMode = 0;
  f.RadarTotalsFlag = product == "PTA" || product == "N1P";
  f.CanadaSite = product == "C0R" || product == "C0S";
  f.CanadaColumn = product == "C0S" ? 1 : 0;
  f.Level2Column = level2Column(product, false, false);

  f.labelDBZ = designedRadarLegend();
  f.FrameN1PVisible = f.RadarTotalsFlag;
  f.frameDBZVisible = !f.RadarTotalsFlag;
  f.cmdSuppressCaption = kSuppressOff;
  f.frameDBZCaption = "Reflectivity dbz";
  if (f.CanadaSite) {
    const auto c = static_cast<std::size_t>(f.CanadaColumn);
    f.frameDBZCaption = c == 1 ? "CA_Snow DBZ" : "CA_Rain DBZ";
    for (int k = 0; k < kLegendEntries; ++k) {
      const auto i = static_cast<std::size_t>(k);
      const int16_t dbz = s.CanadaLegendTable.Dbz[c][i];
      const float rate = s.CanadaLegendTable.Rate[c][i];
      f.labelDBZ[i].Caption = (dbz == 0 ? std::string("0") : vb::CStr(static_cast<int32_t>(dbz))) + "z=" +
                              (rate == 0 ? std::string("0.00") : vb::CStr(rate)) + " in/hr";
      f.labelDBZ[i].BackColor = s.CanadaLegendTable.Colour[i];
    }
  } else if (!nexrad) {
    level2Captions(s, f);
  } else if (f.RadarImageMode == 0) {
    for (int k = 0; k < kLegendEntries; ++k) {
      const auto i = static_cast<std::size_t>(k);
      f.labelDBZ[i].Caption =
          upToEquals(kLevel3LegendCaptions[i]) + vb::CStr(s.Level3Legend.RateInUse[i]) + " in/hr";
      f.labelDBZ[i].BackColor = s.Level3Legend.Colour[i];
    }
    if (f.ZRRelation > 0) level2Captions(s, f);
  } else if (f.RadarImageMode == 1) {
    coloursFromString(f, s.Level2ColourStringB);
    const char* rates[] = {" 3 in/hr", " 4 in/hr", " 5 in/hr"};
    for (int k = 9; k <= 11; ++k)
      f.labelDBZ[static_cast<std::size_t>(k)].Caption =
          upToEquals(kLevel3LegendCaptions[static_cast<std::size_t>(k)]) + rates[k - 9];
  } else {
    coloursFromString(f, s.Level2ColourStringB);
    level2Captions(s, f);
  }
  f.changed();
}

void cmdShowRadar_Click(Session& s) {
  s.form.State = WindowState::Normal;
  if (!s.services.radarWindow->showLastImage()) logPaneLine(s, kNoRadarYet);
}

std::string lastRadarImagePath(const Session& s, bool& gif) {
  const std::filesystem::path folder =
      s.RadarBoundaryFolder.empty() ? s.programFolder : std::filesystem::path(s.RadarBoundaryFolder);
  const std::string base = s.CurrentRadarSite + "_" + s.CurrentRadarProduct;
  gif = false;
  const std::filesystem::path png = folder / (base + ".png");
  if (vb::fileExists(png)) return png.string();
  const std::filesystem::path gifPath = folder / (base + "_0.gif");
  if (vb::fileExists(gifPath)) {
    gif = true;
    return gifPath.string();
  }
  return "";
}

bool mPopRadar_Click(Session& s) {
  if (s.CurrentRadarSite.empty()) return false;
  RadarForm& f = s.Form3;
  f.Visible = true;
  f.RadarViewShown = true;
  f.RadarViewOff = false;
  f.RadarContinuous = true;
  f.RadarStepGo = true;
  f.cmdSaveVisible = true;
  bool gif = false;
  const std::string path = lastRadarImagePath(s, gif);
  if (path.empty()) {
    f.changed();
    return true;
  }
  setRadarLegend(s, s.CurrentRadarProduct, gif);
  ImageError error;
  const RadarImage image = RadarImage::fromFile(path, error);
  if (!error.ok() || image.isNull()) {
    f.changed();
    return true;
  }
  drawRadarImage(f, image);
  std::string boundary;
  if (!f.LastBoundaryPath.empty() && vb::fileExists(f.LastBoundaryPath)) {
    try {
      boundary = vb::readAllBytes(f.LastBoundaryPath);
    } catch (const std::exception&) {
      boundary.clear();
    }
  }
  drawRadarOutline(f, boundaryVertices(boundary, 1), 0, 0);
  f.Label1Caption = f.LastSummaryText;
  if (s.form.chkNowcastOFF.Value == 0 && !f.AdjustTypeCaption.empty()) {
    f.labelAdjustTypeCaption = f.AdjustTypeCaption;
    f.labelAdjustTypeVisible = true;
  }
  int cx = 0, cy = 0;
  if (vb::toLong(f.NowcastShiftX) != 0 || vb::toLong(f.NowcastShiftY) != 0) {
    if (boundaryCentre(boundary, cx, cy)) {
      const int x = cx + f.RadarImageOffset.X, y = cy + f.RadarImageOffset.Y;
      f.Picture.setPoint(x, y, kVectorColour);
      f.Picture.drawLine(x, y, vb::toLong(x - f.NowcastShiftX), vb::toLong(y - f.NowcastShiftY), kVectorColour);
    }
  }
  f.changed();
  return true;
}

}  // namespace fw
