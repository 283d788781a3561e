#include "models/ressim_run.h"

#include <cmath>

#include "models/model_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::models {

namespace {

const char* const kCrLf = "\r\n";
// Day number of 31 December 1969: the file's time stamps are counted from one day later than
// 1 January 1970 would give (HEC-ResSim reads them that way).
constexpr double kStampEpoch = 25568;

std::string resSimDate(vb::VbDate d) {
  return vb::Format(d, "ddMmmyyyy") + ",0000";
}

}  // namespace

int64_t resSimModifiedTime(vb::VbDate runDateTime, float tzHours, bool daylight) {
  const double hours = static_cast<double>(tzHours) - (daylight ? 1 : 0);
  const double t = runDateTime + hours / 24.0;
  // The run's time is whole seconds, so the count is a whole number of milliseconds: it is
  // rounded, since cutting it off would turn the error of the day fraction into one less.
  return std::llround((t - kStampEpoch) * 24 * 60 * 60 * 1000);
}

std::vector<std::string> rewriteSimulation(const std::vector<std::string>& lines, const ResSimDates& d) {
  const std::string values[4] = {
      "  J=" + std::to_string(d.lastModified),
      "  STR=" + resSimDate(d.beginDay),
      " STR=" + resSimDate(d.endDay + 1),
      "  STR=" + resSimDate(d.beginDay - d.lookbackDays),
  };
  static const char* const kKeys[4] = {"_lastModifiedTime", "_startDate", "_endDate", "_lookbackDate"};
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string current = lines[i];
    out.push_back(current);
    // Each key is looked for in what was written last, so after one replacement the later keys
    // are looked for in the value line.
    for (int k = 0; k < 4; ++k) {
      if (vb::InStr(current, kKeys[k]) == 0) continue;
      if (++i >= lines.size()) vb::raise(vb::err::InputPastEndOfFile);
      current = values[k];
      out.push_back(current);
    }
  }
  return out;
}

void ShellResSim(ModelHost& host, ShellArgs& a) {
  try {
    shellEntry(host, a);
    const std::string file = modelPath(host, a.shift1);
    if (file.empty() || !vb::fileExists(file)) {
      a.Error = "Not found: " + file;
      return;
    }
    ResSimDates d;
    d.beginDay = a.BeginDay;
    d.endDay = a.EndDay;
    const std::string& f = a.formula1;
    d.lookbackDays =
        static_cast<int32_t>(vb::Int(vb::Val(vb::InStr(f, "=") > 0 ? vb::Mid(f, vb::InStr(f, "=") + 1) : f)));
    d.lastModified = resSimModifiedTime(host.RunDateTime, host.TZHours, host.TZDaylight);
    writeModelLines(file, rewriteSimulation(readModelLines(file), d));

    ProcessRunner::Run run;
    run.argv = splitCommandLine(a.Command);
    if (!host.ResSimProgram.empty() && !run.argv.empty()) run.argv.front() = host.ResSimProgram;
    run.timeoutMs = host.ResSimLimitSeconds * 1000;
    run.whileWaiting = host.doEvents;
    run.stopWhen = host.stopRequested;
    host.log(std::string("Shelled ResSim...") + kCrLf);
    const ProcessRunner::RunResult result = host.processes->runToEnd(run);
    if (result.outcome == ProcessRunner::Outcome::NotStarted)
      throw vb::Error(vb::err::FileNotFound,
                      (run.argv.empty() ? std::string() : run.argv.front()) + ": " + result.error);
    if (result.outcome == ProcessRunner::Outcome::TimedOut) a.Error = kResSimTimedOut;
  } catch (const std::exception& e) {
    host.report("ResSim: " + errorText(e));
  }
}

}  // namespace fw::models
