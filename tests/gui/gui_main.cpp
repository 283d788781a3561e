// The GUI tests need one QApplication for the whole program. They run on the offscreen platform
// unless --screenshot asks for a picture on a real (X) display.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <string>

namespace fw::gui::testing {
int saveScreenshot(const std::string& path);
int saveEditorScreenshot(const std::string& path);
int saveGraphScreenshot(const std::string& path);
int saveWizardScreenshot(const std::string& path);
int saveWizardForecastScreenshot(const std::string& path);
int saveRadarScreenshot(const std::string& path);
}

int main(int argc, char** argv) {
  std::string screenshot, graphScreenshot;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--screenshot=", 13) == 0) screenshot = argv[i] + 13;
    if (std::strncmp(argv[i], "--graph-screenshot=", 19) == 0) graphScreenshot = argv[i] + 19;
  }
  if (screenshot.empty() && graphScreenshot.empty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The graph window after a run over three stations of different units ("name.png"), then after
  // a history run ("name_history.png").
  if (!graphScreenshot.empty()) return fw::gui::testing::saveGraphScreenshot(graphScreenshot);
  if (!screenshot.empty()) {
    // The main window after a run, then the station-list editor beside it and the setup wizard's
    // runoff and forecast pages, and the radar window over a served image ("name.png",
    // "name_editor.png", "name_wizard.png", "name_forecast.png" and "name_radar.png").
    const int main = fw::gui::testing::saveScreenshot(screenshot);
    auto named = [&](const char* suffix) {
      std::string file = screenshot;
      const std::size_t dot = file.rfind('.');
      file.insert(dot == std::string::npos ? file.size() : dot, suffix);
      return file;
    };
    return main | fw::gui::testing::saveEditorScreenshot(named("_editor")) |
           fw::gui::testing::saveWizardScreenshot(named("_wizard")) |
           fw::gui::testing::saveWizardForecastScreenshot(named("_forecast")) |
           fw::gui::testing::saveRadarScreenshot(named("_radar"));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
