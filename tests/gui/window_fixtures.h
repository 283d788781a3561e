#pragma once
// What several window tests stand on: a main window over a session in a folder of its own, a
// lookup of a child widget by name, a closer for the boxes a run puts up, and a main window over a
// program folder with one gauge line, run for real.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "program/program_folder.h"
#include "run/service_fakes.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw::gui::testing {

// The child widget of `parent` with the given object name; a missing one fails the test.
template <typename W>
W* findNamed(QObject* parent, const char* name) {
  W* w = parent->findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// A main window over a session in an empty temporary folder, the parent of the boxes it shows. The
// test fills the folder and loads the form itself.
struct SessionWindow {
  fw::testing::TempFolder folder;
  QtUi ui;
  FixedClock clock{fw::testing::kTestNow};
  Session s{ui, clock, folder.path()};
  MainWindow window{s};

  SessionWindow() {
    ui.attach(s, &window, [this] { window.refresh(); });
  }
};

// Closes every modal box and input box that comes up, keeping their texts, so nothing waits.
struct BoxCloser {
  std::vector<std::string> texts;
  QTimer timer;
  BoxCloser() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        texts.push_back(box->text().toStdString());
        box->reject();
      } else if (auto* input = qobject_cast<QInputDialog*>(w)) {
        texts.push_back(input->labelText().toStdString());
        input->reject();
      }
    });
    timer.start();
  }
};

// A program folder whose station list is the given lines and then the Bridge Creek flow gauge
// (09380000, site 1101 in the database), the real start-up and the real run; only the gauge
// retriever is a stand-in that answers "Data not available." without the web.
struct GaugeRunFixture {
  fw::testing::ProgramFolder program;
  QtUi ui;
  FixedClock clock{fw::testing::kTestNow};
  Session s{ui, clock, program.folder.path()};
  MainWindow window{s};
  std::shared_ptr<FakeSources> sources = installFakeSources(s.services);
  BoxCloser closer;

  explicit GaugeRunFixture(std::vector<std::string> linesBefore = {})
      : program({}, withGauge(std::move(linesBefore))) {
    fw::testing::execSql(
        program.hdb,
        "insert into rsite (site_id, datatype_site_id, site_name, datatype_id, unit, parameter_code) "
        "values ('101', 1101, 'Bridge Creek', 1, 'cfs', '00060')");
    sources->otherwise.Error = "Data not available.";
    ui.attach(s, &window, [this] { window.refresh(); });
    Form_Load(s, "");
    window.refresh();
  }

 private:
  static std::vector<std::string> withGauge(std::vector<std::string> lines) {
    lines.push_back("09380000; 1101; Flow; Bridge Creek; 0; 0; ");
    return lines;
  }
};

}  // namespace fw::gui::testing
