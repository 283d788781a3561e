#include "gui/gui_program.h"

#include <QApplication>

#include "app/launch.h"
#include "app/session.h"
#include "app/startup.h"
#include "compute/compute_services.h"
#include "models/model_services.h"
#include "gui/main_window.h"
#include "gui/qt_tray_icon.h"
#include "gui/qt_ui.h"
#include "gui/radar_window.h"
#include "retrieval/web_retrievers.h"

namespace fw::gui {

int runWithWindow(int& argc, char** argv, const std::string& commandLine,
                  const std::filesystem::path& programFolder,
                  const std::function<void(Session*)>& onSession) {
  QApplication app(argc, argv);
  QtUi ui;
  SystemClock clock;
  Session s(ui, clock, programFolder);
  installComputeServices(s);
  installModelServices(s);
  onSession(&s);
  installWebServices(s);
  MainWindow window(s);
  ui.attach(s, &window, [&window] { window.refresh(); });
  s.services.radarWindow = std::make_shared<QtRadarWindow>(s, *window.radarWindow());
  s.services.tray = std::make_shared<QtTrayIcon>(s, [&window] { window.refresh(); });

  Form_Load(s, commandLine);
  window.refresh();  // shows the window when start-up (or the batch start) made it visible
  if (!s.ExitRequested && !s.StopRequested) {
    window.startTimers();
    app.exec();
  }
  Form_QueryUnload(s);
  onSession(nullptr);
  return exitStatus(s);
}

}  // namespace fw::gui
