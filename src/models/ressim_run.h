#pragma once
// ShellResSim: the four dates of a HEC-ResSim simulation file are set to the run's window, then
// HEC-ResSim is started with the line's command and waited for, at most 360 seconds.
#include <cstdint>
#include <string>
#include <vector>

#include "models/model_host.h"
#include "platform/vb/date.h"

namespace fw::models {

inline constexpr const char* kResSimTimedOut = "Shell Ressim timed out.";

struct ResSimDates {
  int32_t beginDay = 0, endDay = 0;
  int32_t lookbackDays = 0;
  int64_t lastModified = 0;  // the "J=" value: milliseconds, as HEC-ResSim counts them
};

// The "J=" value of a run at runDateTime (local time) in a zone tzHours behind UTC.
int64_t resSimModifiedTime(vb::VbDate runDateTime, float tzHours, bool daylight);

// The simulation file's lines with the value line after each key replaced. A key on the last
// line has no value line to replace: that raises "Input past end of file".
std::vector<std::string> rewriteSimulation(const std::vector<std::string>& lines, const ResSimDates& d);

void ShellResSim(ModelHost& host, ShellArgs& args);

}  // namespace fw::models
