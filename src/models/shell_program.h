#pragma once
// ShellProgram: a shell line's command is started and waited for (HEC-RAS commands go to the
// HEC-RAS branch instead). The wait is bounded by "Shell Timed Out Minutes": a program still
// running then is ended with everything it started, and the line fails saying so.
#include "models/model_host.h"
#include "models/ras_run.h"

namespace fw::models {

inline constexpr const char* kShellTimedOut = "Shell timed out minutes ";

void ShellProgram(ModelHost& host, ShellArgs& args, const RasSystem& ras);

// The generic branch alone: the command, shift1 appended as its arguments, run to its end.
void genericProgram(ModelHost& host, ShellArgs& args);

// The companion programs leave their FTP errors in a file beside them; the file's text becomes
// part of the station's failure text and the file is removed.
void companionErrors(const std::string& command, std::string& error);

}  // namespace fw::models
