#include "models/shell_program.h"

#include <array>
#include <cstdio>

#include "common/paths.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::models {

namespace {

const char* const kCrLf = "\r\n";
constexpr double kDefaultTimeoutMinutes = 3.0;

struct Companion {
  const char* program;  // as it stands, lower-cased, in the command
  const char* errorFile;
};
constexpr std::array<Companion, 2> kCompanions{{
    {"skyvantor.exe", "SkyvantorFTPerrors.txt"},
    {"plotwerks.exe", "PlotwerksFTPerrors.txt"},
}};

}  // namespace

void companionErrors(const std::string& command, std::string& error) {
  const std::string lower = vb::LCase(command);
  for (const Companion& c : kCompanions) {
    const int at = vb::InStr(lower, c.program);
    if (at == 0) continue;
    std::string folder = vb::Left(command, at - 1);
    if (!folder.empty() && folder.front() == '"') folder.erase(0, 1);
    const std::string file = folder + c.errorFile;
    if (!vb::fileExists(file)) continue;
    const std::string text = vb::readAllBytes(file);
    std::remove(file.c_str());
    if (!vb::Trim(vb::Replace(vb::Replace(text, "\r", ""), "\n", "")).empty()) error += kCrLf + text;
  }
}

void genericProgram(ModelHost& host, ShellArgs& a) {
  const std::string command = vb::Trim(a.Command + " " + a.shift1);
  // base1 chose between a normal and a hidden window; a program started here opens the
  // windows it opens itself.
  ProcessRunner::Run run;
  run.argv = splitCommandLine(command);
  const std::string program = run.argv.empty() ? std::string() : run.argv.front();
  if (host.ShellTimeoutMinutes < 0.1) host.ShellTimeoutMinutes = kDefaultTimeoutMinutes;
  run.timeoutMs = static_cast<int>(host.ShellTimeoutMinutes * 60000.0);
  run.whileWaiting = host.doEvents;
  run.stopWhen = host.stopRequested;
  host.log(std::string("Shelled...") + kCrLf);
  const ProcessRunner::RunResult result = host.processes->runToEnd(run);
  switch (result.outcome) {
    case ProcessRunner::Outcome::NotStarted:
      throw vb::Error(vb::err::FileNotFound, program + ": " + result.error);
    case ProcessRunner::Outcome::TimedOut:
      a.Error = kShellTimedOut + vb::CStr(host.ShellTimeoutMinutes) + ": " + program + " was ended.";
      break;
    case ProcessRunner::Outcome::Stopped:
      a.Error = program + " was ended: the run was stopped.";
      break;
    default:
      break;  // how the program ended is its own business
  }
  companionErrors(command, a.Error);
}

void ShellProgram(ModelHost& host, ShellArgs& a, const RasSystem& ras) {
  try {
    shellEntry(host, a);
    if (isRasCommand(a.Command))
      rasRun(host, a, ras);
    else
      genericProgram(host, a);
  } catch (const std::exception& e) {
    host.report("Ras: " + errorText(e));
  }
}

}  // namespace fw::models
