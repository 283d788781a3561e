#pragma once
// HEC-RAS from a shell line: the project's plan is set to the run's dates (optionally from a
// restart file, around the peak flow or around now), the unsteady flow file is pointed at the
// restart file, and HEC-RAS computes the plan through its controller. The controller is a
// Windows component of HEC-RAS: without one installed the line says so and the run goes on.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "models/model_host.h"
#include "platform/vb/date.h"

namespace fw::models {

// The HEC-RAS controller's operations, in the order a run uses them. Each raises an exception
// (its text is reported) when the controller fails.
class RasController {
 public:
  virtual ~RasController() = default;
  virtual void openProject(const std::string& projectFile) = 0;
  virtual std::string description() = 0;  // shown in the caption while it computes
  virtual void show() = 0;
  virtual void hide() = 0;
  // Computes the project's current plan and returns when it is done, with HEC-RAS's messages.
  virtual void computeCurrentPlan(std::vector<std::string>& messages) = 0;
  virtual void openRasMapper() = 0;  // the two operations that bring RAS Mapper up
  virtual void showRasMapper() = 0;
  virtual void closeProject() = 0;
  virtual void quit() = 0;
};
// Makes a controller of the HEC-RAS version named in the command ("6.5"); nullptr when that
// version has none on this system.
using RasControllerFactory = std::function<std::unique_ptr<RasController>(const std::string& version)>;

// Saves the image of the window with the exact title into a PNG file; false with why when it
// cannot (no window system it can read, no such window).
using WindowCapture =
    std::function<bool(const std::string& file, const std::string& title, std::string& why)>;

struct RasSystem {
  RasControllerFactory controller;  // empty: no controller installed
  WindowCapture capture;            // empty: window capture is not supported here
};

inline constexpr const char* kNoRasController = "the HEC-RAS controller is not available on this system";
inline constexpr const char* kNoWindowCapture =
    "CaptureWindowPng: window capture is not supported on this system";

// The comma options of formula1.
struct RasOptions {
  std::vector<std::string> deletes;  // file names after "DELETE." (restart files excluded)
  bool deleteOldRestarts = false;    // a DELETE. item naming a .RST file
  bool hotstart = false;
  bool peak = false;
  double peakHours = 0;  // whole hours
  bool now = false;
  double nowBack = 0, nowAhead = 0;  // hours
  bool mapperPicture = false;
  bool showRas = false;
};
RasOptions parseRasOptions(const std::string& formula1);

// A restart file of the plan: "<plan>.<ddMMMyyyy> <hhmm>.rst", as HEC-RAS names them.
struct RestartFile {
  std::string name;      // the file name
  vb::VbDate when = 0;   // its date and time ("2400" is 00:00 of the next day)
  std::string dateText;  // "03JAN2026" as in the name
  std::string timeText;  // "2400" as in the name
};
// The restart files among the names of the plan's folder, oldest first.
std::vector<RestartFile> restartFiles(const std::vector<std::string>& names, const std::string& planFileName);

// The plan's "Simulation Date=" line.
struct SimulationWindow {
  std::string startDateText, startTimeText;  // taken from the restart file; may be empty
  vb::VbDate start = 0, end = 0;             // the computed window
  int32_t beginDay = 0, endDay = 0;
  std::string endTimeText = ",2400";
};
std::string simulationDateLine(const RasOptions& options, const SimulationWindow& w);

// The plan's lines with the date line replaced; flowFile gets the text after "Flow File=".
std::vector<std::string> rewritePlan(const std::vector<std::string>& lines, const std::string& dateLine,
                                     std::string& flowFile);
// The flow file's lines set to start from the restart file.
std::vector<std::string> rewriteFlow(const std::vector<std::string>& lines, const std::string& restartName);

bool isRasCommand(const std::string& command);

// The HEC-RAS branch of ShellProgram.
void rasRun(ModelHost& host, ShellArgs& args, const RasSystem& ras);

}  // namespace fw::models
