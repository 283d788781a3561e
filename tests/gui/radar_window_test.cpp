// The radar window over the run's hooks: the image and legend, stepping, suppression, the click
// readout, the save, closing while the run waits, and "View Last Radar".
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/radar_form.h"
#include "app/tray.h"
#include "gui/radar_window.h"
#include "gui/window_fixtures.h"
#include "platform/vb/format.h"
#include "radar/colour_tables.h"
#include "radar/image.h"
#include "radar/radar_form_hooks.h"
#include "support/radar_fixtures.h"

namespace fw::gui::testing {

namespace {

// A window over a session with the radar hooks and a 400 by 400 image of one rain colour (or
// the archive's palette PNG fixture, as the service sends it).
struct RadarWindowFixture {
  SessionWindow w;
  BoxCloser closer;
  std::shared_ptr<RadarFormHooks> hooks = std::make_shared<RadarFormHooks>(w.s);
  RadarImage image;
  RadarWindowView* view = nullptr;

  explicit RadarWindowFixture(bool served = false) {
    loadColourTables(w.s);
    w.s.RadarHooks = hooks;
    w.s.services.radarWindow = std::make_shared<QtRadarWindow>(w.s, *w.window.radarWindow());
    w.s.RunDateTime = fw::testing::kTestNow;
    ImageError error;
    image = served ? RadarImage::fromBytes(fw::testing::palettePngFixture(), error)
                   : RadarImage::blank(400, 400, 0xFF02FD02, error);
    EXPECT_TRUE(error.ok()) << error.text;
    view = w.window.radarWindow();
  }

  // The pass's calls for one image and its first basin: a square outline at 100..300.
  void drawOneImage(const std::string& product = "N0Q") {
    RadarImageShown shown;
    shown.image = &image;
    shown.site = "ESX";
    shown.product = product;
    shown.imageName = "ESX_" + product + ".png";
    shown.imageMode = 2;
    hooks->drawImage(w.s, shown);
    RadarBasinShown basin;
    basin.logText = "ESX -10012 N0Q 0.12 in";
    basin.readout = "ESX_N0Q_202406051310.png 2024-Jun-05 13:10";
    basin.outline = {{100, 100}, {300, 100}, {300, 300}, {100, 300}, {100, 100}};
    basin.hasMaximum = true;
    basin.maxX = 200;
    basin.maxY = 200;
    hooks->drawBasin(w.s, basin);
  }
  template <typename W>
  W* find(const char* name) {
    return findNamed<W>(view, name);
  }
};

TEST(RadarWindowView, ARunShowsTheImageLegendAndOutline) {
  RadarWindowFixture f;
  EXPECT_FALSE(f.hooks->viewOff(false));
  f.drawOneImage();
  ASSERT_TRUE(f.view->isVisible());
  EXPECT_EQ(f.view->windowTitle(), "ESX -10012 N0Q 0.12 in");
  EXPECT_TRUE(f.find<QLabel>("labelDBZ0")->text().endsWith(" in/hr"));
  EXPECT_TRUE(f.find<QWidget>("frameDBZ")->isVisible());
  EXPECT_FALSE(f.find<QWidget>("FrameN1P")->isVisible());
  const RadarForm& form = f.w.s.Form3;
  EXPECT_EQ(form.Picture.colourAt(50 + form.RadarImageOffset.X, 50 + form.RadarImageOffset.Y), 0x02FD02);
  EXPECT_EQ(form.Picture.colourAt(form.RadarImageOffset.X - 2, 50 + form.RadarImageOffset.Y), kRadarBackColour);

  // A click on the red outline reads colour 255.
  QWidget* picture = f.find<QWidget>("Picture1");
  QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(200 + form.RadarImageOffset.X, 100 + form.RadarImageOffset.Y));
  EXPECT_EQ(form.Label1BackColor, 255);
  EXPECT_TRUE(f.find<QLabel>("Label1")->text().startsWith("  X=200, Y=100, DBZ ")) << f.find<QLabel>("Label1")->text().toStdString();
}

TEST(RadarWindowView, NextStepsOneImageContinueRunsOn) {
  RadarWindowFixture f;
  f.drawOneImage();
  RadarForm& form = f.w.s.Form3;
  EXPECT_TRUE(form.RadarContinuous);  // the run goes on by itself until paused
  EXPECT_EQ(f.find<QPushButton>("cmdNext")->text(), "Pause");
  f.find<QPushButton>("cmdNext")->click();
  EXPECT_FALSE(form.RadarContinuous);
  EXPECT_EQ(f.find<QPushButton>("cmdNext")->text(), "Next");

  // The run waits after the image until Next is pressed, then waits again after the next one.
  QTimer::singleShot(150, f.find<QPushButton>("cmdNext"), &QPushButton::click);
  EXPECT_EQ(f.hooks->waitStep(f.w.s), RadarStep::Go);
  EXPECT_FALSE(form.RadarContinuous);
  QTimer::singleShot(150, f.find<QPushButton>("cmdContinue"), &QPushButton::click);
  EXPECT_EQ(f.hooks->waitStep(f.w.s), RadarStep::Go);
  EXPECT_TRUE(form.RadarContinuous);
  EXPECT_EQ(f.find<QPushButton>("cmdNext")->text(), "Pause");
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(f.hooks->waitStep(f.w.s), RadarStep::Go);  // running on: no wait
  EXPECT_LT(clock.elapsed(), 100);
}

TEST(RadarWindowView, SuppressionTogglesItsCaptionAndThreshold) {
  RadarWindowFixture f;
  f.drawOneImage();
  QPushButton* suppress = f.find<QPushButton>("cmdSuppress");
  EXPECT_EQ(suppress->text(), "Suppression is OFF");
  suppress->click();
  EXPECT_EQ(suppress->text(), "Suppression is ON");
  EXPECT_EQ(f.hooks->suppressRate(), 10.0);
  suppress->click();
  EXPECT_EQ(suppress->text(), "Suppression is OFF");
  EXPECT_EQ(f.hooks->suppressRate(), 0);
}

TEST(RadarWindowView, SaveWritesTheWindowAsPng) {
  RadarWindowFixture f;
  f.drawOneImage();
  f.w.s.Form3.cmdSaveVisible = true;
  f.view->sync();
  f.find<QPushButton>("cmdSave")->click();
  const auto file = f.w.folder / ("LastRadar" + vb::Format(f.w.s.RunDateTime, "yyyymmdd_hhmm") + ".png");
  ASSERT_TRUE(std::filesystem::exists(file));
  ImageError error;
  const RadarImage saved = RadarImage::fromFile(file, error);
  ASSERT_TRUE(error.ok()) << error.text;
  EXPECT_EQ(saved.width(), f.view->width());  // the client area: the frame is not in it
  ASSERT_FALSE(f.closer.texts.empty());
  EXPECT_EQ(f.closer.texts.back(), file.string() + " saved to file.");
  EXPECT_TRUE(f.find<QPushButton>("cmdSave")->isVisible());
}

TEST(RadarWindowView, ClosingWhileTheRunWaitsLetsItGoOn) {
  RadarWindowFixture f;
  f.drawOneImage();
  f.find<QPushButton>("cmdNext")->click();
  QTimer::singleShot(150, f.view, &QWidget::close);
  EXPECT_EQ(f.hooks->waitStep(f.w.s), RadarStep::Go);
  const RadarForm& form = f.w.s.Form3;
  EXPECT_TRUE(form.RadarViewOff);
  EXPECT_TRUE(form.RadarStepGo);
  EXPECT_FALSE(form.RadarViewShown);
  EXPECT_FALSE(f.view->isVisible());
  EXPECT_TRUE(f.hooks->viewOff(false));
  EXPECT_TRUE(f.hooks->viewOff(true));
  EXPECT_EQ(f.hooks->waitStep(f.w.s), RadarStep::Go);  // no window: nothing waits
}

TEST(RadarWindowView, BatchWithoutTheWindowOpenDrawsNothing) {
  RadarWindowFixture f;
  EXPECT_TRUE(f.hooks->viewOff(true));
  f.w.s.Form3.RadarViewShown = true;  // opened for the run
  EXPECT_FALSE(f.hooks->viewOff(true));
}

TEST(RadarWindowView, ViewLastRadarOpensTheLastSiteAndProduct) {
  RadarWindowFixture f;
  // Before any radar line ran there is nothing to show.
  findNamed<QPushButton>(&f.w.window, "cmdShowRadar")->click();
  EXPECT_FALSE(f.view->isVisible());
  EXPECT_NE(f.w.s.form.Text1.Text.find(kNoRadarYet), std::string::npos);

  f.w.s.CurrentRadarSite = "ESX";
  f.w.s.CurrentRadarProduct = "N0Q";
  ASSERT_TRUE(f.image.save(f.w.folder / "ESX_N0Q.png").ok());
  fw::testing::writeFile(f.w.folder / "NexradBoundaryESX.txt", "h\r\n10,10\r\n90,10\r\n90,90\r\n10,10\r\nCenter=50,50\r\nx\r\n");
  f.w.s.Form3.LastBoundaryPath = (f.w.folder / "NexradBoundaryESX.txt").string();
  f.w.s.Form3.NowcastShiftX = 20;
  f.w.s.Form3.NowcastShiftY = -10;
  findNamed<QPushButton>(&f.w.window, "cmdShowRadar")->click();
  ASSERT_TRUE(f.view->isVisible());
  EXPECT_TRUE(f.find<QPushButton>("cmdSave")->isVisible());
  const RadarForm& form = f.w.s.Form3;
  EXPECT_EQ(form.Picture.colourAt(50 + form.RadarImageOffset.X, 10 + form.RadarImageOffset.Y), kOutlineColour);
  EXPECT_EQ(form.Picture.colourAt(40 + form.RadarImageOffset.X, 55 + form.RadarImageOffset.Y), kVectorColour);
  f.view->close();

  // The tray's item opens it the same way.
  tray::menuItem_Click(f.w.s, 2);
  EXPECT_TRUE(f.view->isVisible());
}

}  // namespace

// The radar window over a served-shape image, on the screen, saved as a picture.
int saveRadarScreenshot(const std::string& path) {
  RadarWindowFixture f(true);
  f.w.s.Form3.chkMaxCircles = true;
  f.w.s.Form3.showAdjustType("Adj Type 3 Count 5-min>0.05 by Hour: 5 3 0 NNN Diff: 5, 3 > 40 MPH ENE 70\u00B0 ALT 18000', 18000', ");
  f.drawOneImage();
  f.view->raise();
  for (int i = 0; i < 20; ++i) QTest::qWait(50);
  const QRect frame = f.view->frameGeometry();
  const QPixmap shot = f.view->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return shot.save(QString::fromStdString(path)) ? 0 : 1;
}

}  // namespace fw::gui::testing
