#pragma once
// The radar window (Form3): the model's picture (the radar image, outlines, nowcast vector and
// maximum circles) with the legend, the readout, the nowcast caption and the Continue, Next,
// Suppression and Save buttons. It shows the session's RadarForm and forwards its events to the
// model's handlers; a click on the picture reads the colour under the mouse.
#include <QWidget>
#include <array>
#include <string>

#include "app/radar_form.h"
#include "run/run_services.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace fw {

struct Session;

namespace gui {

class RadarPicture;

class RadarWindowView : public QWidget {
  Q_OBJECT

 public:
  explicit RadarWindowView(Session& s, QWidget* parent = nullptr);
  ~RadarWindowView() override;

  // Shows or hides the window as the model says and brings every control up to date.
  void sync();
  // Grabs the window's client area (not its frame) into a PNG file, through a temporary file
  // renamed over the old one. False, with the reason, when it could not be written.
  bool SaveRadarPng(const std::string& path, std::string& error);
  RadarPicture* picture() const { return picture_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Session& s_;
  RadarPicture* picture_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* suppress_ = nullptr;
  QPushButton* continue_ = nullptr;
  QPushButton* next_ = nullptr;
  QCheckBox* maxCircles_ = nullptr;
  QGroupBox* frameDbz_ = nullptr;
  QGroupBox* frameN1p_ = nullptr;
  std::array<QLabel*, kRadarLegendLabels> labels_{};
  QLabel* adjustType_ = nullptr;
  QLabel* label1_ = nullptr;
  bool syncing_ = false;
};

// The radar window as the run and the tray see it.
class QtRadarWindow : public RadarWindow {
 public:
  QtRadarWindow(Session& s, RadarWindowView& view) : s_(s), view_(view) {}
  bool isVisible() const override;
  void hide() override;
  bool showLastImage() override;

 private:
  Session& s_;
  RadarWindowView& view_;
};

}  // namespace gui
}  // namespace fw
