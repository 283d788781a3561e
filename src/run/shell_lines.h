#pragma once
// A station line of source type 16 runs an outside model whose command stands in its Station_ID
// ("SHELL-/opt/hec/hms/HMS.CMD"): the line is handed to the runner its command names, and it
// makes no series of its own.
#include <optional>
#include <string>

#include "run/run_context.h"
#include "run/walk.h"

namespace fw {

struct Session;

// The runner a command goes to, with the label and picture the window shows meanwhile.
struct ShellModel {
  const char* label;
  const char* icon;
  void (OutsideModels::*runner)(Session&, ShellCall&);
};
const ShellModel& shellModelFor(const std::string& command);

// Runs the line; the station then ends (StationError set when the model failed).
Move shellModelLine(Session& s, RunContext& ctx, LineState& line, const std::string& caption);

}  // namespace fw
