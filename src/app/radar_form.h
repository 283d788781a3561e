#pragma once
// The radar window's model (Form3): the run-control flags the radar pass polls between images,
// the legend labels, the readout, the button captions and the picture, with the handlers of its
// buttons and clicks. The Qt view shows it and forwards its events; without a display nothing
// shows it and the run never waits on it.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/vb/color.h"
#include "radar/radar_canvas.h"

namespace fw {

struct Session;
class RadarImage;

inline constexpr int kRadarLegendLabels = 29;  // 0-13 reflectivity, 14-28 the 1-hour totals
inline constexpr double kSuppressAllRate = 10.0;  // in/hr: with suppression on every rate is dropped
inline constexpr const char* kSuppressOff = "Suppression is OFF";
inline constexpr const char* kSuppressOn = "Suppression is ON";
inline constexpr const char* kNoRadarYet = "View radar: no radar image to show yet; run a radar line first.";

struct RadarLegendLabel {
  std::string Caption;
  vb::Color BackColor = 0;
};

// The labels as designed: captions and back colours.
std::array<RadarLegendLabel, kRadarLegendLabels> designedRadarLegend();

struct RadarForm {
  // ---- run-control flags ----
  bool RadarViewOff = false;    // the run draws nothing in the window
  bool RadarViewShown = false;  // the window is open for the run
  bool RadarStepGo = false;     // the run may go on to the next image
  bool RadarContinuous = true;  // the run does not wait between images
  double RadarSuppressRate = 0;  // in/hr; kSuppressAllRate while suppression is on
  struct Offset {
    int32_t X = 0, Y = 0;
  } RadarImageOffset;  // the image's top-left corner in the picture
  std::string AdjustTypeCaption;  // the nowcast caption, kept for when the window opens again

  // ---- controls ----
  std::string Caption = "Radar";
  bool Visible = false;
  bool cmdSaveVisible = false;
  bool chkMaxCircles = false;
  std::string cmdNextCaption = "Next";
  std::string cmdSuppressCaption = kSuppressOff;
  std::string frameDBZCaption = "Reflectivity DBZ";
  bool frameDBZVisible = true;
  bool FrameN1PVisible = false;
  std::array<RadarLegendLabel, kRadarLegendLabels> labelDBZ = designedRadarLegend();
  std::string labelAdjustTypeCaption;
  bool labelAdjustTypeVisible = false;
  std::string Label1Caption;
  vb::Color Label1BackColor = kRadarBackColour;

  // ---- what the picture shows and how its colours read ----
  RadarCanvas Picture;
  int16_t RadarImageMode = 0;
  bool RadarTotalsFlag = false;
  bool CanadaSite = false;
  int16_t CanadaColumn = 0;
  int16_t ZRRelation = 0;
  int Level2Column = 2;
  bool GifImage = false;  // drawn as its 480 by 480 top-left section, 50 pixels further right
  std::string LastBoundaryPath;  // the first basin's outline file of the last radar line
  std::string LastSummaryText;   // the last basin log line of the radar pass
  float NowcastShiftX = 0, NowcastShiftY = 0;  // the last nowcast shift (pixels east, south)

  // The view's part: it repaints after a change; it grabs the window for a save (false, with the
  // reason, when that failed).
  std::function<void()> onChange;
  std::function<bool(const std::string& path, std::string& error)> savePicture;

  void changed() const {
    if (onChange) onChange();
  }
  // Shows the caption on labelAdjustType and keeps it.
  void showAdjustType(const std::string& caption);
};

// ---- buttons and window events ----
void cmdContinue_Click(RadarForm& f);
void cmdNext_Click(RadarForm& f);
void cmdSuppress_Click(RadarForm& f);
void Form_Unload(RadarForm& f);
// "LastRadar" & Format(RunDateTime, "yyyymmdd_hhmm") & ".png" in the program folder.
std::string lastRadarPngPath(const Session& s);
// Saves the window's picture there; a failure is said in a box.
void cmdSave_Click(Session& s);

// The legend text of a pixel colour for the image kind shown; paints Label1 with the colour
// (white for the back colour).
std::string getrain(Session& s, vb::Color colour);
// A click in the picture at (x, y): "  X=" (x - offset X) ", Y=" (y - offset Y) ", DBZ " text.
void Form_MouseDown(Session& s, int x, int y);

// ---- what the radar pass draws ----
// The image, centred in the picture (a GIF image as its 480 by 480 section, 50 pixels further
// right); the offset is kept for the outline and the readout.
void drawRadarImage(RadarForm& f, const RadarImage& image);
// A basin outline (image pixels), shifted by the offset and the nowcast shift (drawn where the
// nowcast reads, upwind), in red; a circle at the maximum when "Max Circles" is ticked.
void drawRadarOutline(RadarForm& f, const std::vector<std::pair<int, int>>& outline, float shiftX, float shiftY);
void drawMaxCircle(RadarForm& f, int x, int y);

// The outline file's vertices: lines `first` to the last index less 3 of the text split at CR LF,
// each "x,y"; lines that are no pair are skipped.
std::vector<std::pair<int, int>> boundaryVertices(const std::string& text, int first);
// The nowcast vector's start: after the "=" of the third-last line when it holds one, else of the
// second-last.
bool boundaryCentre(const std::string& text, int& x, int& y);

// The image kind and legend for a product: RadarImageMode, RadarTotalsFlag, the frames and the
// 29 labels' captions and colours.
void setRadarLegend(Session& s, const std::string& product, bool gifImage);

// "View Last Radar" and the tray's "&View radar": the window over the last radar site and
// product's saved image, with its legend, outline and nowcast vector. False when no radar line
// has run or its image file is missing.
bool mPopRadar_Click(Session& s);
// "View Last Radar": the main window back to its normal state, then the radar window over the
// last image; the log pane says so when no radar line has run.
void cmdShowRadar_Click(Session& s);
// The saved image of the last radar line ("" when none is there).
std::string lastRadarImagePath(const Session& s, bool& gif);

}  // namespace fw
