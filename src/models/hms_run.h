#pragma once
// ShellHms: one HEC-HMS simulation run for the run's window. The control file and the gage
// file's DSS pathnames get the window, old results go on request, a script for HEC-HMS's
// scripting module opens the project and computes the run, HEC-HMS is started on it and waited
// for, and the run's log says how it went.
#include <string>
#include <vector>

#include "models/model_host.h"
#include "platform/vb/date.h"

namespace fw::models {

inline constexpr const char* kHmsScriptName = "Flumewright_hms.script";

// shift1: "project.hms, control file name, run name, time step" (15MIN, 1HOUR ...).
struct HmsRequest {
  std::string project, control, run, step;
  int32_t intervalMinutes = 0;
  std::string startTimeLine;  // the control file's "Start Time:" line
};
// False when shift1 holds fewer than four items.
bool readHmsRequest(const std::string& shift1, HmsRequest& r);

std::vector<std::string> rewriteControl(const std::vector<std::string>& lines, const HmsRequest& r,
                                        int32_t beginDay, int32_t endDay, vb::VbDate now);
std::vector<std::string> rewriteGage(const std::vector<std::string>& lines, int32_t beginDay, int32_t endDay,
                                     vb::VbDate now);
// The script's lines; the names are written as Jython string literals.
std::vector<std::string> hmsScript(const std::string& projectName, const std::string& projectFolder,
                                   const std::string& runName);
// The status of a finished run from its log: "Aborted run!" or "Finished...".
std::string hmsStatus(const std::string& logText);

void ShellHms(ModelHost& host, ShellArgs& args);

}  // namespace fw::models
